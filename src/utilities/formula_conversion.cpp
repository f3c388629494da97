#include "utilities/formula_conversion.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "data_module/sql_text.h"

FormulaConversionJob::FormulaConversionJob(const JobContext& context, FormulaConversionOptions options,
    ReportSink& report)
    : m_context(context), m_options(std::move(options)), m_report(report), BBZDQuery(context.db),
      JSQuery(context.db), MaxQuery(context.db)
{
}

void FormulaConversionJob::line(const QString& text) { m_report.addLine(m_context.stamp() + text); }

void FormulaConversionJob::run()
{
    m_report.clear();
    convertPass(ReportSystem::Management, m_options.management);
    convertPass(ReportSystem::Summary, m_options.summary);
    m_context.prompts.message(QStringLiteral("计算公式另存为校验公式结束，请查看另存报告! "), QStringLiteral("提示"),
        PromptIcon::Information, PromptButtons::Ok);
}

void FormulaConversionJob::convertPass(ReportSystem system, const SystemYear& year)
{
    if (!year.chosen)
        return;
    const QString stamp = m_context.stamp();
    const QString name = systemCaption(system) + QStringLiteral("系统计算公式另存为校验公式");
    const std::unique_ptr<ProgressSink> progress = m_context.progressWindow();
    progress->setLabel(QStringLiteral("正在将") + name + QStringLiteral("！"));
    m_report.addLine(stamp + QStringLiteral("------") + name + QStringLiteral("开始执行------"));
    setTables(system, year.suffix);
    ConvertSystem();
    line(QStringLiteral("------") + name + QStringLiteral("结束执行------"));
}

void FormulaConversionJob::setTables(ReportSystem system, const QString& suffix)
{
    m_reportTable = reportTableName(system, QStringLiteral("BBZD"), suffix);
    m_cellTable = reportTableName(system, QStringLiteral("DYZD"), suffix);
    m_checkTable = reportTableName(system, QStringLiteral("JYGS"), suffix);
}

void FormulaConversionJob::ConvertSystem()
{
    try {
        BBZDQuery.open(QStringLiteral("select BBZD_BH,BBZD_DATE from ") + m_reportTable);
        m_extended = HasExtendedColumns();
        while (!BBZDQuery.eof()) {
            setReport(BBZDQuery.text(QStringLiteral("BBZD_BH")), BBZDQuery.text(QStringLiteral("BBZD_DATE")));
            ConvertReport();
            BBZDQuery.next();
        }
    } catch (const DatabaseError&) {
        line(QStringLiteral("数据表") + m_reportTable + QStringLiteral("不存在！"));
    }
    BBZDQuery.close();
}

bool FormulaConversionJob::HasExtendedColumns()
{
    bool extended = true;
    try {
        MaxQuery.open(QStringLiteral("select  JYGS_EXP2,JYGS_EXP3 from ") + m_checkTable + QStringLiteral(" where 1>2"));
    } catch (const DatabaseError&) {
        extended = false;
    }
    MaxQuery.close();
    return extended;
}

void FormulaConversionJob::ConvertReport()
{
    const QString bh = sqlEscaped(m_bh), date = sqlEscaped(m_date);
    const QString report = QStringLiteral("编号为") + m_bh + QStringLiteral("，日期为") + m_date;
    int count = 0;
    try {
        JSQuery.open(QStringList{
            QStringLiteral(" select * from ") + m_cellTable,
            QStringLiteral(" where  BBZD_BH  ='") + bh + QStringLiteral("'     "),
            QStringLiteral("  and   BBZD_DATE='") + date + QStringLiteral("'     "),
            QStringLiteral("  and   DYZD_GSX not  like 'MACRO_(%'  "),
            m_context.kind() == DbKind::Db2Oracle ? QStringLiteral("   and (DYZD_GSX is not null)       ")
                                                  : QStringLiteral("   and DYZD_GSX <>''              "),
        });
        if (JSQuery.isEmpty()) {
            JSQuery.close();
            return;
        }
        line(QStringLiteral("开始将") + report + QStringLiteral("的报表计算公式另存为校验公式！"));
        QString ordinal = NextCheckOrdinal();
        while (!JSQuery.eof()) {
            const QString row = JSQuery.text(QStringLiteral("HZD_ORDE"));
            const QString column = JSQuery.text(QStringLiteral("LZD_ORDE"));
            const QString formula = JSQuery.text(QStringLiteral("DYZD_GSX")) + JSQuery.text(QStringLiteral("DYZD_GSX1"));
            if (!FormulaExists(row, column, formula) && InsertCheckFormula(row, column, ordinal)) {
                bool number = false;
                const qint64 n = ordinal.toLongLong(&number);
                ordinal = QString::number((number ? n : 999) + 1);
                ++count;
            }
            m_context.events.processEvents();
            JSQuery.next();
        }
    } catch (const DatabaseError&) {
        line(QStringLiteral("打开") + report + QStringLiteral("的报表") + m_cellTable + QStringLiteral("失败！"));
    }
    JSQuery.close();
    line(report + QStringLiteral("的报表将计算公式另存为校验公式") + QString::number(count) + QStringLiteral("条！"));
}

bool FormulaConversionJob::FormulaExists(const QString& row, const QString& column, const QString& formula)
{
    // The stored formula is its two parts joined by the database's own concatenation, a
    // NULL part counting as empty, as the formula read from the cell dictionary does.
    const QString stored = dialect::textConcat(m_context.db.dbmsName(), {QStringLiteral("JYGS_EXP"), QStringLiteral("JYGS_EXP1")});
    bool found = true;   // a test that fails counts as present
    try {
        MaxQuery.open(QStringList{
            QStringLiteral(" select BBZD_BH "),
            QStringLiteral(" from ") + m_checkTable,
            QStringLiteral(" where BBZD_BH ='") + sqlEscaped(m_bh) + QStringLiteral("' and BBZD_DATE='")
                + sqlEscaped(m_date) + QStringLiteral("' "),
            QStringLiteral("   and HZD_ORDE='") + sqlEscaped(row) + QStringLiteral("'  and LZD_ORDE ='")
                + sqlEscaped(column) + QStringLiteral("' "),
            QStringLiteral("   and ") + stored + QStringLiteral("='") + sqlEscaped(formula) + QStringLiteral("' "),
        });
        found = !MaxQuery.isEmpty();
    } catch (const DatabaseError&) {
    }
    MaxQuery.close();
    return found;
}

QString FormulaConversionJob::NextCheckOrdinal()
{
    QString next = QStringLiteral("-1");
    try {
        MaxQuery.open(QStringList{
            QStringLiteral("select max(JYGS_ORDE) MaxOrde"),
            QStringLiteral("from ") + m_checkTable,
            QStringLiteral("where BBZD_BH  ='") + sqlEscaped(m_bh) + QStringLiteral("'"),
            QStringLiteral("  and BBZD_DATE='") + sqlEscaped(m_date) + QStringLiteral("'"),
        });
        const QString max = MaxQuery.eof() ? QString() : MaxQuery.text(QStringLiteral("MaxOrde")).trimmed();
        next = QString::number(max.toLongLong() + 1);   // 0 when empty or no integer
    } catch (const DatabaseError&) {
    }
    MaxQuery.close();
    return next;
}

bool FormulaConversionJob::InsertCheckFormula(const QString& row, const QString& column, const QString& ordinal)
{
    QStringList lines{
        QStringLiteral(" insert into ") + m_checkTable,
        QStringLiteral(" select BBZD_BH,BBZD_DATE,'") + sqlEscaped(ordinal)
            + QStringLiteral("',HZD_ORDE,LZD_ORDE,DYZD_HOFFSET,DYZD_LOFFSET,'=',DYZD_GSX,DYZD_GSX1,'','' "),
    };
    if (m_extended)
        lines << QStringLiteral(",DYZD_GSX2,DYZD_GSX3");
    lines << QStringLiteral(" from ") + m_cellTable
          << QStringLiteral(" where BBZD_BH ='") + sqlEscaped(m_bh) + QStringLiteral("' and BBZD_DATE='")
            + sqlEscaped(m_date) + QStringLiteral("'  ")
          << QStringLiteral("  and  HZD_ORDE='") + sqlEscaped(row) + QStringLiteral("' and LZD_ORDE='")
            + sqlEscaped(column) + QStringLiteral("' ");
    return MaxQuery.executeOrError(lines).isEmpty();
}
