#include "checks/unit_info_opti.h"

#include "data_module/database_error.h"
#include "data_module/sql_text.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace {
const QString kBreak = QStringLiteral("\n");
}

UnitInfoOptiJob::UnitInfoOptiJob(const JobContext& context, UnitInfoOptiOptions options)
    : m_context(context), m_options(std::move(options)), OpenQuery(context.db), ExecQuery(context.db)
{
}

QStringList UnitInfoOptiJob::keyColumns(int kind)
{
    QStringList keys{"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"};
    if (kind == 2)
        keys.prepend(QStringLiteral("DWZD_BH"));
    else if (kind == 3)
        keys.prepend(QStringLiteral("LBZD_BH"));
    return keys;
}

QStringList UnitInfoOptiJob::scanLines(const QString& table, int kind)
{
    return {QStringLiteral("select ") + keyColumns(kind).join(QLatin1Char(',')) + QStringLiteral(",DYZD_SJ,DYZD_DATA"),
        QStringLiteral(" from ") + table, QStringLiteral(" where DYZD_DATA=0  ")};
}

QStringList UnitInfoOptiJob::updateLines(const QString& table, int kind, const QStringList& keys, const QString& number)
{
    const QStringList names = keyColumns(kind);
    auto is = [&](int i) { return names.at(i) + QStringLiteral("=") + sqlQuoted(keys.value(i)); };
    // The report number is preceded by the unit or category code on kinds 2 and 3.
    const int bh = names.size() - 4;
    QString where = QStringLiteral("where ");
    if (bh == 1)
        where += is(0) + QStringLiteral(" and ");
    where += is(bh);
    return {QStringLiteral("update ") + table, QStringLiteral("set DYZD_DATA=") + number, where,
        QStringLiteral(" and ") + is(bh + 1), QStringLiteral(" and ") + is(bh + 2), QStringLiteral(" and ") + is(bh + 3)};
}

std::optional<double> UnitInfoOptiJob::cellNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString UnitInfoOptiJob::numberLiteral(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString UnitInfoOptiJob::summaryText(bool management, bool summary, const int counters[4])
{
    QString text = kBreak + QStringLiteral("单元格不规范数据整理结束！其中：");
    auto part = [&](const QString& what, int count) {
        text += kBreak + kBreak + what + QString::number(count) + QStringLiteral("条");
    };
    if (management)
        part(QStringLiteral("    整理报表管理单元格不规范数据"), counters[0]);
    if (summary) {
        part(QStringLiteral("    整理报表汇总单元格不规范数据"), counters[1]);
        part(QStringLiteral("    整理报表汇总单位表不规范数据"), counters[2]);
        part(QStringLiteral("    整理报表汇总汇总表不规范数据"), counters[3]);
    }
    return text;
}

void UnitInfoOptiJob::run()
{
    for (int& c : m_counters)
        c = 0;
    if (m_options.management) {
        const std::unique_ptr<ProgressSink> window = m_context.progressWindow();
        window->setLabel(QStringLiteral("正在整理报表管理单元格不规范数据"));
        window->setRange(0, 100);
        m_counters[0] = OptiTable(QStringLiteral("KRDYZD") + m_options.bbSuffix, QStringLiteral("报表管理单元格"), 1, *window);
    }
    if (m_options.summary) {
        const std::unique_ptr<ProgressSink> window = m_context.progressWindow();
        window->setLabel(QStringLiteral("正在整理报表汇总单元格不规范数据"));
        window->setRange(0, 100);
        const QString& suffix = m_options.hzSuffix;
        m_counters[1] = OptiTable(QStringLiteral("HZDYZD") + suffix, QStringLiteral("报表汇总单元格"), 1, *window);
        m_counters[2] = OptiTable(QStringLiteral("HZDWSJ") + suffix, QStringLiteral("报表汇总单位表"), 2, *window);
        m_counters[3] = OptiTable(QStringLiteral("HZHZSJ") + suffix, QStringLiteral("报表汇总汇总表"), 3, *window);
    }
    m_context.prompts.message(summaryText(m_options.management, m_options.summary, m_counters),
        QStringLiteral("提示"), PromptIcon::Information, PromptButtons::Ok);
}

int UnitInfoOptiJob::OptiTable(const QString& table, const QString& label, int kind, ProgressSink& progress)
{
    progress.setLabel(QStringLiteral("正在查找") + label + QStringLiteral("不规范数据"));
    m_context.events.processEvents();
    int rows = 0;
    try {
        OpenQuery.open(scanLines(table, kind));
        // Read to the end: the updates below change the rows being walked.
        rows = OpenQuery.recordCount();
    } catch (const DatabaseError& error) {
        OpenQuery.close();
        m_context.prompts.message(QStringLiteral("打开") + table + QStringLiteral("失败:") + error.message(),
            QStringLiteral("提示"), PromptIcon::Information, PromptButtons::Ok);
        return 0;
    }
    progress.setLabel(QStringLiteral("正在检查处理") + label + QStringLiteral("不规范数据"));
    progress.setRange(0, rows);
    progress.setPosition(0);
    m_context.events.processEvents();

    const QStringList names = keyColumns(kind);
    int count = 0;
    for (; !OpenQuery.eof(); OpenQuery.next()) {
        QStringList keys;
        for (const QString& name : names)
            keys << OpenQuery.text(name);
        // Only a number goes into the statement, never the text as it stands.
        const std::optional<double> value = cellNumber(OpenQuery.text(QStringLiteral("DYZD_SJ")));
        if (value && *value != 0) {
            progress.setLabel(QStringLiteral("正在更新") + label + QStringLiteral("不规范数据"));
            if (ExecQuery.executeOrError(updateLines(table, kind, keys, numberLiteral(*value))).isEmpty())
                ++count;
        }
        progress.step();
        m_context.events.processEvents();
    }
    OpenQuery.close();
    return count;
}
