#include "checks/year_end_check.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/sql_text.h"

#include <QLocale>
#include <QRegularExpression>

namespace {
QString passWord(CheckPass pass)
{
    return pass == CheckPass::EarlierYear ? QStringLiteral("历史年度") : QStringLiteral("闰年年度");
}

// A report date's year part: four digits.
bool isYear(const QString& text)
{
    static const QRegularExpression year(QStringLiteral("^[0-9]{4}$"));
    return year.match(text).hasMatch();
}

const QString kBreak = QStringLiteral("\n");
}

CheckYearJob::CheckYearJob(const JobContext& context, CheckYearOptions options, ReportSink& report)
    : m_context(context), m_options(std::move(options)), m_report(report),
      m_timeFormat(m_options.timeFormat.isEmpty() ? longTimeFormat() : m_options.timeFormat),
      MastQry(context.db), OpenQry(context.db), ExecSQLQry(context.db), BBZDTab(context.db)
{
    BBZDTab.setFilter(QStringLiteral("1>2"));
    BBZDTab.setFiltered(true);
}

QString CheckYearJob::ReadKjnd(Database& db, const QString& system)
{
    Query q(db);
    q.open(QStringLiteral("select F_VAL from JWCONF where F_VKEY='") + sqlEscaped(system) + QStringLiteral("_KJND'"));
    // A fixed-width column comes back padded with blanks on some servers.
    const QString year = q.isEmpty() ? QString() : catalogueName(q.text(QStringLiteral("F_VAL")));
    q.close();
    return year;
}

QStringList CheckYearJob::tableBases(const QString& prefix)
{
    QStringList bases{"BBZD", "BBGS", "HZD", "LZD", "DYZD", "JYGS", "BBEX"};
    if (prefix == QLatin1String("HZ"))
        bases << "DWSJ" << "HZSJ" << "DWBB";
    return bases;
}

QString CheckYearJob::longTimeFormat()
{
    // The locale's long format may name the time zone ("t"); the report shows the time only.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out += c;
    }
    out = out.simplified();
    return out.isEmpty() ? QStringLiteral("HH:mm:ss") : out;
}

QString CheckYearJob::leapQuestion(const QString& bh, const QString& t)
{
    return QStringLiteral("    由于您曾经按照2月28日和2月29日两个日期登录报表系统，") + kBreak
        + QStringLiteral("并分别打开编号为") + bh + QStringLiteral("的报表作了保存，导致数据库中该报表") + kBreak
        + QStringLiteral("日期信息存储异常，系统将整理异常数据。") + kBreak + kBreak
        + QStringLiteral("保留") + bh + QStringLiteral("报表") + QStringLiteral("2月29日") + t
        + QStringLiteral("数据并删除2月28日数据请按\"是\"键；") + kBreak
        + QStringLiteral("删除") + bh + QStringLiteral("报表") + QStringLiteral("2月29日") + t
        + QStringLiteral("数据并保留2月28日数据请按\"否\"键；") + kBreak
        + QStringLiteral("放弃整理") + t + QStringLiteral("的操作请按\"取消\"键，但不规范的数据仍存在于系统中。");
}

QString CheckYearJob::stamp() const
{
    const QTime now = m_context.clock ? m_context.clock() : systemClock();
    return QStringLiteral("【") + QLocale::system().toString(now, m_timeFormat) + QStringLiteral("】");
}

void CheckYearJob::addLine(const QString& text) { m_report.addLine(stamp() + text); }

void CheckYearJob::replaceLine(const QString& text) { m_report.replaceLastLine(stamp() + text); }

int CheckYearJob::leapChoice() const { return m_options.leapChoice ? m_options.leapChoice() : LeapAsk; }

void CheckYearJob::run()
{
    m_report.clear();
    if (m_options.management)
        checkPrefix(QStringLiteral("KR"), m_options.bbKjnd,
            QStringLiteral("当前报表管理数据日期大于配置信息中报表管理会计年度，是否正在年结中或上次年结异常中止？本次检查终止！"));
    if (m_options.summary)
        checkPrefix(QStringLiteral("HZ"), m_options.hzKjnd,
            QStringLiteral("当前报表汇总数据日期大于配置信息中报表汇总会计年度，是否正在年结中或上次年结异常中止？本次检查终止！"));
    // A plain box: captioned with the application title, no icon.
    m_context.prompts.message(QStringLiteral("年结前数据检查完毕！"), applicationTitle(), PromptIcon::None,
        PromptButtons::Ok);
}

void CheckYearJob::checkPrefix(const QString& prefix, const QString& year, const QString& laterDataLine)
{
    CurPrefix = prefix;
    // Without a four-digit accounting year no row can be told to belong to another year:
    // the system is left as it is, as when it holds later data.
    if (!isYear(year) || HasLaterData(year)) {
        addLine(laterDataLine);
        return;
    }
    CheckSystem(year, CheckPass::EarlierYear);
    CheckSystem(year, CheckPass::LeapDay);
}

bool CheckYearJob::executeOwn(const QList<QStringList>& statements)
{
    try {
        m_context.db.startTransaction();
        for (const QStringList& lines : statements)
            ExecSQLQry.execute(lines);
        m_context.db.commit();
        ExecSQLQry.close();
        return true;
    } catch (const DatabaseError&) {
        try {
            m_context.db.rollback();
        } catch (const DatabaseError&) {
        }
        ExecSQLQry.close();
        m_rowFailed = true;
        return false;
    }
}

bool CheckYearJob::HasLaterData(const QString& year)
{
    try {
        OpenQry.open(QStringLiteral("select count(1) Cou from ") + CurPrefix
            + QStringLiteral("BBZD where substring(BBZD_DATE,1,4)>'") + sqlEscaped(year) + QStringLiteral("'"));
        const bool later = OpenQry.integer(QStringLiteral("Cou")) > 0;
        OpenQry.close();
        return later;
    } catch (const DatabaseError&) {
        OpenQry.close();
        return true;
    }
}

bool CheckYearJob::FindIrregularRows(const QString& table, const QString& year, CheckPass pass)
{
    QStringList lines{QStringLiteral("select distinct BBZD_BH,BBZD_DATE "), QStringLiteral(" from ") + table};
    if (pass == CheckPass::EarlierYear)
        lines << QStringLiteral(" where SubString(BBZD_DATE,1,4)<>'") + sqlEscaped(year) + QStringLiteral("'");
    else
        lines << QStringLiteral(" where BBZD_DATE='") + sqlEscaped(year) + QStringLiteral("'");
    try {
        MastQry.open(lines);
        // Read to the end now: the changes below commit and roll back on the same
        // connection while the rows are walked.
        if (MastQry.recordCount() > 0)
            return true;
    } catch (const DatabaseError&) {
    }
    MastQry.close();
    return false;
}

bool CheckYearJob::RowExists(const QString& table, const QString& y4, const QString& bh, const QString& date)
{
    try {
        OpenQry.open({QStringLiteral("select Count(1) Cou "), QStringLiteral(" from ") + table + y4,
            QStringLiteral(" where BBZD_BH  ='") + sqlEscaped(bh) + QStringLiteral("' "),
            QStringLiteral("  and  BBZD_DATE='") + sqlEscaped(date) + QStringLiteral("' ")});
        const bool exists = OpenQry.integer(QStringLiteral("Cou")) > 0;
        OpenQry.close();
        return exists;
    } catch (const DatabaseError&) {
        OpenQry.close();
        return false;
    }
}

bool CheckYearJob::CopyRows(const QString& table, const QString& y4, const QString& bh, const QString& date)
{
    if (m_context.kind() == DbKind::Db2Oracle && table.contains(QLatin1String("BBZD"))) {
        // The format blob cannot go through insert ... select there; the row stays in the
        // current table until a later run finds its copy.
        if (CopyDictRow(table, y4, bh, date) && date == y4)
            ChangeDate(table + y4, y4, date + QStringLiteral("02"), bh);
        return false;
    }
    QList<QStringList> statements{{QStringLiteral("insert into ") + table + y4,
        QStringLiteral("select *  from ") + table,
        QStringLiteral(" where  BBZD_BH  ='") + sqlEscaped(bh) + QStringLiteral("'  "),
        QStringLiteral("  and   BBZD_DATE='") + sqlEscaped(date) + QStringLiteral("'")}};
    if (date == y4)
        statements << changeDateLines(table + y4, y4, date + QStringLiteral("02"), bh);
    return executeOwn(statements);
}

bool CheckYearJob::CopyDictRow(const QString& table, const QString& y4, const QString& bh, const QString& date)
{
    try {
        OpenQry.open({QStringLiteral("select * from ") + table,
            QStringLiteral(" where BBZD_BH   ='") + sqlEscaped(bh) + QStringLiteral("'    "),
            QStringLiteral("  and  BBZD_DATE ='") + sqlEscaped(date) + QStringLiteral("'  ")});
    } catch (const DatabaseError&) {
        OpenQry.close();
        m_rowFailed = true;
        return false;
    }
    if (OpenQry.isEmpty()) {
        OpenQry.close();
        return false;
    }
    bool copied = true;
    try {
        m_context.db.startTransaction();
        BBZDTab.close();
        BBZDTab.setTableName(table + y4);
        BBZDTab.open();
        BBZDTab.append();
        for (const char* name : {"BBZD_ORDE", "BBZD_BH", "BBZD_MC", "BBZD_DATE", "BBZD_SBBH", "BBZD_FCBZ"})
            BBZDTab.setField(QLatin1String(name), OpenQry.text(QLatin1String(name)));
        BBZDTab.setField(QStringLiteral("BBZD_NB"), QStringLiteral("0"));
        for (const char* name : {"BBZD_XF", "BBZD_SBXZ", "TZZD_ORDE", "BBZD_LX"})
            BBZDTab.setField(QLatin1String(name), OpenQry.text(QLatin1String(name)));
        for (const char* name : {"BBZD_TITLE", "BBZD_HEAD", "BBZD_BT", "BBZD_HS", "BBZD_LS", "BBZD_USE"})
            BBZDTab.setField(QLatin1String(name), OpenQry.integer(QLatin1String(name)));
        const QByteArray format = OpenQry.bytes(QStringLiteral("BBZD_GS"));
        BBZDTab.setField(QStringLiteral("BBZD_GS"), format);
        BBZDTab.post();
        m_context.db.commit();
        BBZDTab.close();
    } catch (const DatabaseError&) {
        try {
            m_context.db.rollback();
        } catch (const DatabaseError&) {
        }
        BBZDTab.close();
        m_rowFailed = true;
        copied = false;
    }
    OpenQry.close();
    return copied;
}

bool CheckYearJob::DeleteRows(const QString& table, const QString& bh, const QString& date)
{
    return executeOwn({{QStringLiteral("delete from ") + table,
        QStringLiteral(" where  BBZD_BH='") + sqlEscaped(bh) + QStringLiteral("'      "),
        QStringLiteral("  and   BBZD_DATE='") + sqlEscaped(date) + QStringLiteral("'  ")}});
}

QStringList CheckYearJob::changeDateLines(const QString& table, const QString& oldDate, const QString& newDate,
    const QString& bh)
{
    return {QStringLiteral("update ") + table,
        QStringLiteral("set BBZD_DATE='") + sqlEscaped(newDate) + QStringLiteral("'   "),
        QStringLiteral("where BBZD_BH='") + sqlEscaped(bh) + QStringLiteral("'     "),
        QStringLiteral(" and  BBZD_DATE='") + sqlEscaped(oldDate) + QStringLiteral("' ")};
}

bool CheckYearJob::ChangeDate(const QString& table, const QString& oldDate, const QString& newDate, const QString& bh)
{
    return executeOwn({changeDateLines(table, oldDate, newDate, bh)});
}

void CheckYearJob::CheckSystem(const QString& year, CheckPass pass)
{
    addLine(QStringLiteral(" 年结前数据检查整理开始！"));
    for (const QString& base : tableBases(CurPrefix)) {
        addLine(QStringLiteral(" 开始检查整理") + CurPrefix + base);
        CheckTable(base, year, pass);
        addLine(QStringLiteral(" 结束检查整理") + CurPrefix + base);
    }
    addLine(QStringLiteral(" 年结前数据检查整理结束！"));
}

void CheckYearJob::CheckTable(const QString& base, const QString& year, CheckPass pass)
{
    const QString T = CurPrefix + base;
    if (!FindIrregularRows(T, year, pass))
        return;
    const QString K = passWord(pass);
    addLine(T + QStringLiteral("发现不规范") + K + QStringLiteral("数据，将要整理一段时间，请稍候..."));
    int n = 0;
    for (; !MastQry.eof(); MastQry.next()) {
        ++n;
        m_context.events.processEvents();
        const QString bh = MastQry.text(QStringLiteral("BBZD_BH"));
        QString date = MastQry.text(QStringLiteral("BBZD_DATE"));
        QString y4 = date.left(4);
        addLine(T + bh + QStringLiteral("报表") + date + QStringLiteral("日期") + K + QStringLiteral("数据检查整理中...")
            + QString::number(n));

        if (pass == CheckPass::EarlierYear && !isYear(y4)) {
            // Without a year there is no historical table: the row would be looked up in
            // the current table itself and deleted without a copy anywhere.
            replaceLine(T + bh + QStringLiteral("报表") + date + QStringLiteral("日期") + K
                + QStringLiteral("数据无法确定所属年度，未作整理！") + QString::number(n));
            continue;
        }

        bool marked = true;
        m_rowFailed = false;
        if (pass == CheckPass::LeapDay && y4 == year) {
            y4.clear();
            date = year + QStringLiteral("02");
        }
        // A bare-year report's copy in the historical table carries the February date.
        const bool bareCopy = pass == CheckPass::EarlierYear && date == y4;
        const bool exists = RowExists(T, y4, bh, bareCopy ? date + QStringLiteral("02") : date);
        if (!exists && pass == CheckPass::EarlierYear) {
            marked = CopyRows(T, y4, bh, date);
        } else if (!exists) {
            ChangeDate(T, year, date, bh);
            marked = false;
        } else if (pass == CheckPass::LeapDay) {
            const int choice = leapChoice();
            PromptAnswer answer = choice == LeapKeep29th ? PromptAnswer::Yes
                : choice == LeapKeep28th                 ? PromptAnswer::No
                                                         : PromptAnswer::Cancel;
            if (choice != LeapKeep29th && choice != LeapKeep28th)
                answer = m_context.prompts.message(leapQuestion(bh, T), QStringLiteral("提示"),
                    PromptIcon::Information, PromptButtons::YesNoCancel);
            if (answer == PromptAnswer::Yes) {
                // Re-dated only once the 28 February save is gone: the two saves must
                // not end up mixed under one date.
                if (DeleteRows(T, bh, year + QStringLiteral("02")))
                    ChangeDate(T, year, year + QStringLiteral("02"), bh);
                marked = false;
            } else if (answer == PromptAnswer::No) {
                date = year;
            } else {
                // Cancel: this table stays as it is from this row on.
                MastQry.close();
                return;
            }
        }

        m_context.events.processEvents();
        if (marked)
            DeleteRows(T, bh, date);
        m_context.events.processEvents();
        replaceLine(T + bh + QStringLiteral("报表") + date + QStringLiteral("日期") + K
            + (m_rowFailed ? QStringLiteral("数据检查整理失败，请再次检查整理！") : QStringLiteral("数据检查整理完成！"))
            + QString::number(n));
    }
    MastQry.close();
}
