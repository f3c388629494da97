#include "app/report_memo.h"
#include "checks/ui/check_year_form.h"
#include "checks/year_end_check.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"
#include "support/statement_faults.h"
#include "support/job_rig.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QCheckBox>
#include <algorithm>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>

namespace {
const QTime kTen(10, 0, 0);
const QString S = QStringLiteral("【10:00:00】");

// Keeps the report as a memo shows it, and every line as it was first added.
struct ReportLines : ReportSink {
    QStringList lines, added;
    void addLine(const QString& line) override
    {
        lines << line;
        added << line;
    }
    void clear() override { lines.clear(); }
    void replaceLastLine(const QString& line) override
    {
        if (lines.isEmpty())
            lines << line;
        else
            lines.last() = line;
    }
};

CheckYearOptions options(TestAccountSet& as, bool management = true, bool summary = false, int leap = LeapAsk)
{
    return {.management = management, .summary = summary,
        .bbKjnd = CheckYearJob::ReadKjnd(as.mast(), QStringLiteral("BB")),
        .hzKjnd = CheckYearJob::ReadKjnd(as.mast(), QStringLiteral("HZ")),
        .leapChoice = [leap] { return leap; }, .timeFormat = QStringLiteral("hh:mm:ss")};
}

QStringList runCheck(TestAccountSet& as, CheckYearOptions o, ReportLines* report = nullptr)
{
    ReportLines own;
    ReportLines& lines = report ? *report : own;
    NullEvents events;
    CheckYearJob(testJobContext(as.dm(), events, {}, [] { return kTen; }), std::move(o), lines).run();
    return lines.lines;
}

// Rows of one report and date, told apart by their ordinal; marker goes into the ZB column.
void stateRows(TestAccountSet& as, const QString& table, const QString& bh, const QString& date, int rows, int marker)
{
    const bool hzd = table.contains(QLatin1String("HZD"));
    const QString orde = hzd ? QStringLiteral("HZD_ORDE") : QStringLiteral("LZD_ORDE");
    const QString zb = hzd ? QStringLiteral("HZD_ZB") : QStringLiteral("LZD_ZB");
    QList<QVariantList> list;
    for (int i = 1; i <= rows; ++i)
        list << QVariantList{bh, date, QStringLiteral("000%1").arg(i), marker};
    as.insert(table, {QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE"), orde, zb}, list);
}

QString where(const QString& bh, const QString& date)
{
    return QStringLiteral("BBZD_BH = '%1' and BBZD_DATE = '%2'")
        .arg(QString(bh).replace(QLatin1Char('\''), QStringLiteral("''")),
            QString(date).replace(QLatin1Char('\''), QStringLiteral("''")));
}

QStringList tableLines(const QString& prefix, const QStringList& bases)
{
    QStringList out;
    for (const QString& b : bases)
        out << S + QStringLiteral(" 开始检查整理") + prefix + b << S + QStringLiteral(" 结束检查整理") + prefix + b;
    return out;
}

const QString kLaterKR = QStringLiteral(
    "当前报表管理数据日期大于配置信息中报表管理会计年度，是否正在年结中或上次年结异常中止？本次检查终止！");
const QString kLaterHZ = QStringLiteral(
    "当前报表汇总数据日期大于配置信息中报表汇总会计年度，是否正在年结中或上次年结异常中止？本次检查终止！");
}

// Rows of every kind of change: a copy, a bare-year copy re-dated on the way, a leap-day
// twin (the 29th kept) and a bare year re-dated in place.
void plantStrayRows(TestAccountSet& as)
{
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200305"), 2, 1);
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("105"), QStringLiteral("200401"), 1, 1);
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("101"), QStringLiteral("2003"), 2, 1);
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("102"), QStringLiteral("2004"), 2, 29);
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("102"), QStringLiteral("200402"), 3, 28);
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("103"), QStringLiteral("2004"), 1, 29);
}

QList<QList<QStringList>> strayTables(TestAccountSet& as)
{
    QList<QList<QStringList>> out;
    for (const char* t : {"KRHZD", "KRHZD2003", "KRLZD", "KRLZD2003"}) {
        QList<QStringList> rows = as.rows(QStringLiteral("select * from ") + QLatin1String(t));
        std::sort(rows.begin(), rows.end());
        out << rows;
    }
    return out;
}

class TestYearEndCheck : public QObject {
    Q_OBJECT
private slots:
    void earlierYear_data();
    void earlierYear();
    void leapDay_data();
    void leapDay();
    void cancelStopsOneTableOnly();
    void leapChoiceReadForEveryRow();
    void leapQuestionText();
    void reportText();
    void tableOrder_data();
    void tableOrder();
    void laterData_data();
    void laterData();
    void failedDeleteKeepsTheRows();
    void paddedYearIsTrimmed();
    void faultInEveryTransaction_data();
    void faultInEveryTransaction();
    void statementsByKind_data();
    void statementsByKind();
    void dictionaryCopyOnKindThree();
    void window();
    void windowReadsYearsWhenShown();
};

void TestYearEndCheck::earlierYear_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("bh");
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("historyHolds");      // the 2003 table already has the rows
    QTest::addColumn<int>("currentAfter");
    QTest::addColumn<QString>("historyDate");    // date of the rows in the year's table afterwards
    QTest::addColumn<int>("historyAfter");
    QTest::addColumn<QString>("rowLine");        // the row's line in the report

    const QString done = QStringLiteral("日期历史年度数据检查整理完成！1");
    const QString passed = QStringLiteral("日期历史年度数据无法确定所属年度，未作整理！1");
    const QString failed = QStringLiteral("日期历史年度数据检查整理失败，请再次检查整理！1");
    QTest::newRow("copied, then deleted") << "HZD" << "101" << "200305" << false << 0 << "200305" << 2
                                          << QStringLiteral("KRHZD101报表200305") + done;
    QTest::newRow("already in the historical table") << "HZD" << "101" << "200305" << true << 0 << "200305" << 2
                                                     << QStringLiteral("KRHZD101报表200305") + done;
    QTest::newRow("bare year, re-dated in the historical table") << "LZD" << "101" << "2003" << false << 0 << "200302" << 2
                                                                 << QStringLiteral("KRLZD101报表2003") + done;
    QTest::newRow("no historical table of that year") << "HZD" << "101" << "200205" << false << 2 << QString() << 0
                                                      << QStringLiteral("KRHZD101报表200205") + failed;
    QTest::newRow("quote in the report number") << "HZD" << "10'1" << "200305" << false << 0 << "200305" << 2
                                                << QStringLiteral("KRHZD10'1报表200305") + done;
    QTest::newRow("quote in the date") << "LZD" << "101" << "2003'5" << false << 0 << "2003'5" << 2
                                       << QStringLiteral("KRLZD101报表2003'5") + done;
    // No year: the row must not be "found" in the current table and deleted from it.
    QTest::newRow("empty date") << "HZD" << "101" << "" << false << 2 << QString() << 0
                                << QStringLiteral("KRHZD101报表") + passed;
    QTest::newRow("date shorter than a year") << "HZD" << "101" << "200" << false << 2 << QString() << 0
                                              << QStringLiteral("KRHZD101报表200") + passed;
    QTest::newRow("letters for the year") << "LZD" << "101" << "abcd01" << false << 2 << QString() << 0
                                          << QStringLiteral("KRLZD101报表abcd01") + passed;
}

void TestYearEndCheck::earlierYear()
{
    QFETCH(QString, base);
    QFETCH(QString, bh);
    QFETCH(QString, date);
    QFETCH(bool, historyHolds);
    QFETCH(int, currentAfter);
    QFETCH(QString, historyDate);
    QFETCH(int, historyAfter);
    QFETCH(QString, rowLine);

    ScriptedPrompts prompts;
    TestAccountSet as({.historyYears = {2003}});
    const QString t = QStringLiteral("KR") + base;
    stateRows(as, t, bh, date, 2, 1);
    stateRows(as, t, QStringLiteral("105"), QStringLiteral("200401"), 3, 1);   // this year's: stays
    if (historyHolds)
        stateRows(as, t + QStringLiteral("2003"), bh, date, 2, 1);

    const QStringList lines = runCheck(as, options(as));

    QCOMPARE(as.count(t, where(bh, date)), currentAfter);
    QCOMPARE(as.count(t, where(QStringLiteral("105"), QStringLiteral("200401"))), 3);
    if (!historyDate.isEmpty())
        QCOMPARE(as.count(t + QStringLiteral("2003"), where(bh, historyDate)), historyAfter);
    QCOMPARE(as.count(t + QStringLiteral("2003")), historyAfter);
    QVERIFY2(lines.contains(S + rowLine), qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("年结前数据检查完毕！")});
}

void TestYearEndCheck::leapDay_data()
{
    QTest::addColumn<bool>("twin");          // the 28 February save under 200402 exists
    QTest::addColumn<int>("item");           // LeapGroup
    QTest::addColumn<int>("answer");         // to the question, when asked
    QTest::addColumn<int>("questions");
    QTest::addColumn<QList<int>>("february");   // markers under 200402 afterwards: 29 or 28
    QTest::addColumn<int>("bareAfter");
    QTest::addColumn<QString>("rowLine");

    const int yes = int(PromptAnswer::Yes), no = int(PromptAnswer::No), cancel = int(PromptAnswer::Cancel);
    const QString on02 = QStringLiteral("KRHZD101报表200402日期闰年年度数据检查整理完成！1");
    const QString onBare = QStringLiteral("KRHZD101报表2004日期闰年年度数据检查整理完成！1");
    const QList<int> the29th{29, 29}, the28th{28, 28, 28};
    QTest::newRow("bare year only: re-dated in place") << false << 0 << yes << 0 << the29th << 0 << on02;
    QTest::newRow("bare year only, item 2: re-dated too") << false << 2 << yes << 0 << the29th << 0 << on02;
    QTest::newRow("both, asked, Yes") << true << 0 << yes << 1 << the29th << 0 << on02;
    QTest::newRow("both, asked, No") << true << 0 << no << 1 << the28th << 0 << onBare;
    QTest::newRow("both, item 1") << true << 1 << cancel << 0 << the29th << 0 << on02;
    QTest::newRow("both, item 2") << true << 2 << cancel << 0 << the28th << 0 << onBare;
    QTest::newRow("both, asked, Cancel") << true << 0 << cancel << 1 << the28th << 2
                                         << QStringLiteral("KRHZD101报表2004日期闰年年度数据检查整理中...1");
}

void TestYearEndCheck::leapDay()
{
    QFETCH(bool, twin);
    QFETCH(int, item);
    QFETCH(int, answer);
    QFETCH(int, questions);
    QFETCH(QList<int>, february);
    QFETCH(int, bareAfter);
    QFETCH(QString, rowLine);

    ScriptedPrompts prompts;
    prompts.answers.enqueue(PromptAnswer(answer));
    TestAccountSet as;
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("2004"), 2, 29);
    if (twin)
        stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200402"), 3, 28);

    const QStringList lines = runCheck(as, options(as, true, false, item));

    QList<int> markers;
    for (const QStringList& r : as.rows(QStringLiteral("select HZD_ZB from KRHZD where ") + where("101", "200402")
             + QStringLiteral(" order by HZD_ZB desc")))
        markers << r.first().toInt();
    QCOMPARE(markers, february);
    QCOMPARE(as.count(QStringLiteral("KRHZD"), where("101", "2004")), bareAfter);
    QCOMPARE(prompts.boxes.size(), questions + 1);
    QCOMPARE(prompts.texts().last(), QStringLiteral("年结前数据检查完毕！"));
    // The row's line is the last one before the table's end line.
    const int end = int(lines.lastIndexOf(S + QStringLiteral(" 结束检查整理KRHZD")));
    QVERIFY(end > 0);
    QCOMPARE(lines.at(end - 1), S + rowLine);
}

void TestYearEndCheck::cancelStopsOneTableOnly()
{
    ScriptedPrompts prompts;
    prompts.answers << PromptAnswer::Cancel << PromptAnswer::Yes;
    TestAccountSet as;
    for (const QString& bh : {QStringLiteral("101"), QStringLiteral("102")}) {
        stateRows(as, QStringLiteral("KRHZD"), bh, QStringLiteral("2004"), 2, 29);
        stateRows(as, QStringLiteral("KRHZD"), bh, QStringLiteral("200402"), 2, 28);
    }
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("101"), QStringLiteral("2004"), 2, 29);
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("101"), QStringLiteral("200402"), 2, 28);

    runCheck(as, options(as));

    // The row in work and the rows after it keep their dates; the next table is examined.
    QCOMPARE(as.count(QStringLiteral("KRHZD"), QStringLiteral("BBZD_DATE = '2004'")), 4);
    QCOMPARE(as.count(QStringLiteral("KRHZD"), QStringLiteral("BBZD_DATE = '200402'")), 4);
    QCOMPARE(as.count(QStringLiteral("KRLZD"), QStringLiteral("BBZD_DATE = '2004'")), 0);
    QCOMPARE(as.rows(QStringLiteral("select distinct LZD_ZB from KRLZD")), (QList<QStringList>{{"29"}}));
    QCOMPARE(prompts.boxes.size(), 3);
    QCOMPARE(prompts.boxes.at(1).text, CheckYearJob::leapQuestion(QStringLiteral("101"), QStringLiteral("KRLZD")));
    QCOMPARE(prompts.texts().last(), QStringLiteral("年结前数据检查完毕！"));
}

void TestYearEndCheck::leapChoiceReadForEveryRow()
{
    ScriptedPrompts prompts;
    prompts.answers << PromptAnswer::Yes;
    TestAccountSet as;
    for (const QString& bh : {QStringLiteral("101"), QStringLiteral("102")}) {
        stateRows(as, QStringLiteral("KRHZD"), bh, QStringLiteral("2004"), 1, 29);
        stateRows(as, QStringLiteral("KRHZD"), bh, QStringLiteral("200402"), 1, 28);
    }
    // The user asks for the question on the first row and then switches to item 2.
    int calls = 0;
    CheckYearOptions o = options(as);
    o.leapChoice = [&calls] { return calls++ == 0 ? LeapAsk : LeapKeep28th; };
    runCheck(as, std::move(o));

    QCOMPARE(calls, 2);
    QCOMPARE(prompts.boxes.size(), 2);
    QCOMPARE(as.rows(QStringLiteral("select BBZD_BH, BBZD_DATE, HZD_ZB from KRHZD order by BBZD_BH")),
        (QList<QStringList>{{"101", "200402", "29"}, {"102", "200402", "28"}}));
}

void TestYearEndCheck::leapQuestionText()
{
    ScriptedPrompts prompts;
    prompts.answers << PromptAnswer::No;
    TestAccountSet as;
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("107"), QStringLiteral("2004"), 1, 29);
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("107"), QStringLiteral("200402"), 1, 28);
    runCheck(as, options(as));

    QCOMPARE(prompts.boxes.size(), 2);
    const ScriptedPrompts::Box& box = prompts.boxes.first();
    QCOMPARE(box.text,
        QStringLiteral("    由于您曾经按照2月28日和2月29日两个日期登录报表系统，\n"
                       "并分别打开编号为107的报表作了保存，导致数据库中该报表\n"
                       "日期信息存储异常，系统将整理异常数据。\n\n"
                       "保留107报表2月29日KRLZD数据并删除2月28日数据请按\"是\"键；\n"
                       "删除107报表2月29日KRLZD数据并保留2月28日数据请按\"否\"键；\n"
                       "放弃整理KRLZD的操作请按\"取消\"键，但不规范的数据仍存在于系统中。"));
    QCOMPARE(box.caption, QStringLiteral("提示"));
    QCOMPARE(box.icon, PromptIcon::Information);
    QCOMPARE(box.buttons, PromptButtons::YesNoCancel);
    const ScriptedPrompts::Box& closing = prompts.boxes.last();
    QCOMPARE(closing.text, QStringLiteral("年结前数据检查完毕！"));
    QCOMPARE(closing.buttons, PromptButtons::Ok);
    QCOMPARE(closing.icon, PromptIcon::None);
}

void TestYearEndCheck::reportText()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.historyYears = {2003}});
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200305"), 2, 1);
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("102"), QStringLiteral("200311"), 1, 1);
    stateRows(as, QStringLiteral("KRLZD"), QStringLiteral("101"), QStringLiteral("2004"), 2, 29);

    ReportLines report;
    report.lines << QStringLiteral("left from an earlier run");
    const QStringList lines = runCheck(as, options(as), &report);

    QStringList expected;
    expected << S + QStringLiteral(" 年结前数据检查整理开始！") << tableLines("KR", {"BBZD", "BBGS"})
             << S + QStringLiteral(" 开始检查整理KRHZD")
             << S + QStringLiteral("KRHZD发现不规范历史年度数据，将要整理一段时间，请稍候...")
             << S + QStringLiteral("KRHZD101报表200305日期历史年度数据检查整理完成！1")
             << S + QStringLiteral("KRHZD102报表200311日期历史年度数据检查整理完成！2")
             << S + QStringLiteral(" 结束检查整理KRHZD") << tableLines("KR", {"LZD", "DYZD", "JYGS", "BBEX"})
             << S + QStringLiteral(" 年结前数据检查整理结束！");
    expected << S + QStringLiteral(" 年结前数据检查整理开始！") << tableLines("KR", {"BBZD", "BBGS", "HZD"})
             << S + QStringLiteral(" 开始检查整理KRLZD")
             << S + QStringLiteral("KRLZD发现不规范闰年年度数据，将要整理一段时间，请稍候...")
             << S + QStringLiteral("KRLZD101报表200402日期闰年年度数据检查整理完成！1")
             << S + QStringLiteral(" 结束检查整理KRLZD") << tableLines("KR", {"DYZD", "JYGS", "BBEX"})
             << S + QStringLiteral(" 年结前数据检查整理结束！");
    QCOMPARE(lines, expected);
    // Each done line took the place of its row-in-work line.
    QVERIFY(report.added.contains(S + QStringLiteral("KRHZD101报表200305日期历史年度数据检查整理中...1")));
    QVERIFY(report.added.contains(S + QStringLiteral("KRHZD102报表200311日期历史年度数据检查整理中...2")));
    QVERIFY(report.added.contains(S + QStringLiteral("KRLZD101报表2004日期闰年年度数据检查整理中...1")));
    QCOMPARE(as.count(QStringLiteral("KRHZD2003")), 3);
}

void TestYearEndCheck::tableOrder_data()
{
    QTest::addColumn<bool>("management");
    QTest::addColumn<bool>("summary");
    QTest::addColumn<QStringList>("tables");
    const QStringList kr{"KRBBZD", "KRBBGS", "KRHZD", "KRLZD", "KRDYZD", "KRJYGS", "KRBBEX"};
    const QStringList hz{"HZBBZD", "HZBBGS", "HZHZD", "HZLZD", "HZDYZD", "HZJYGS", "HZBBEX", "HZDWSJ", "HZHZSJ",
        "HZDWBB"};
    QTest::newRow("report management") << true << false << kr + kr;
    QTest::newRow("report summary") << false << true << hz + hz;
    QTest::newRow("both") << true << true << kr + kr + hz + hz;
    QTest::newRow("neither") << false << false << QStringList();
}

void TestYearEndCheck::tableOrder()
{
    QFETCH(bool, management);
    QFETCH(bool, summary);
    QFETCH(QStringList, tables);

    ScriptedPrompts prompts;
    TestAccountSet as;
    // A row of an earlier year in every summary table: each is examined, none has a year table.
    for (const QString& base : CheckYearJob::tableBases(QStringLiteral("HZ")))
        as.insert(QStringLiteral("HZ") + base, {QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE")},
            {{"201", "200212"}});
    const QStringList lines = runCheck(as, options(as, management, summary));
    QStringList started;
    for (const QString& l : lines)
        if (l.startsWith(S + QStringLiteral(" 开始检查整理")))
            started << l.mid(S.size() + 7);
    QCOMPARE(started, tables);
    if (summary)
        for (const QString& t : tables.mid(tables.size() - 10))
            QVERIFY2(lines.contains(S + t + QStringLiteral("201报表200212日期历史年度数据检查整理失败，请再次检查整理！1")),
                qPrintable(t));
    QCOMPARE(as.count(QStringLiteral("HZDWBB")), 1);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("年结前数据检查完毕！")});
}

void TestYearEndCheck::laterData_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("expected");   // lines, or the first lines when "..." ends it
    const QString startKR = S + QStringLiteral(" 年结前数据检查整理开始！");
    QTest::newRow("dictionary row of a later year") << "later" << QStringList{S + kLaterKR, startKR, "..."};
    QTest::newRow("no JWCONF rows") << "noConf" << QStringList{S + kLaterKR, S + kLaterHZ};
    QTest::newRow("no JWCONF rows, empty dictionary") << "noConfEmpty" << QStringList{S + kLaterKR, S + kLaterHZ};
    QTest::newRow("substring rejected") << "noSubstring" << QStringList{S + kLaterKR, S + kLaterHZ};
}

void TestYearEndCheck::laterData()
{
    QFETCH(QString, setup);
    QFETCH(QStringList, expected);

    ScriptedPrompts prompts;
    TestAccountSet as({.historyYears = {2003, 2004}});
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200305"), 2, 1);
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200401"), 2, 1);
    stateRows(as, QStringLiteral("HZHZD"), QStringLiteral("201"), QStringLiteral("200305"), 2, 1);
    if (setup == QLatin1String("later"))
        as.insert(QStringLiteral("KRBBZD"), {demo::reportRow({.bh = "101", .date = "200501"})});
    if (setup.startsWith(QLatin1String("noConf")))
        as.exec(QStringLiteral("delete from JWCONF"));
    if (setup == QLatin1String("noConf"))
        for (const QString& t : {QStringLiteral("KRBBZD"), QStringLiteral("HZBBZD")})
            as.insert(t, {demo::reportRow({.bh = "101", .date = "200401"})});
    if (setup == QLatin1String("noSubstring"))
        as.mast().setStatementHook([](const QString& sql) {
            if (sql.contains(QLatin1String("substring(BBZD_DATE,1,4)>")))
                throw DatabaseError(QStringLiteral("function substring not supported"));
        });

    CheckYearOptions o = options(as, true, true);
    if (setup.startsWith(QLatin1String("noConf"))) {
        QCOMPARE(o.bbKjnd, QString());
        QCOMPARE(o.hzKjnd, QString());
    }
    const QStringList lines = runCheck(as, std::move(o));
    as.mast().setStatementHook({});

    if (expected.last() == QLatin1String("...")) {
        expected.removeLast();
        QCOMPARE(lines.mid(0, expected.size()), expected);
        QVERIFY(!lines.contains(S + kLaterHZ));
        QCOMPARE(as.count(QStringLiteral("HZHZD")), 0);   // the other system is examined
    } else {
        QCOMPARE(lines, expected);
        QCOMPARE(as.count(QStringLiteral("HZHZD")), 2);
    }
    // Nothing of report management is changed.
    QCOMPARE(as.count(QStringLiteral("KRHZD")), 4);
    QCOMPARE(as.count(QStringLiteral("KRHZD2003")) + as.count(QStringLiteral("KRHZD2004")), 0);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("年结前数据检查完毕！")});
}

void TestYearEndCheck::paddedYearIsTrimmed()
{
    // A fixed-width F_VAL as some servers return it: the year must still compare as 2004.
    TestAccountSet as;
    as.exec(QStringLiteral("update JWCONF set F_VAL = '2004    ' where F_VKEY = 'BB_KJND'"));
    QCOMPARE(CheckYearJob::ReadKjnd(as.mast(), QStringLiteral("BB")), QStringLiteral("2004"));
}

void TestYearEndCheck::failedDeleteKeepsTheRows()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.historyYears = {2003}});
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200305"), 2, 1);
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("102"), QStringLiteral("200305"), 2, 1);
    // The delete of report 101 took effect, then its commit fails: it is rolled back.
    bool armed = false;
    as.mast().setStatementHook([&armed](const QString& sql) {
        if (sql.startsWith(QLatin1String("delete from KRHZD")) && sql.contains(QLatin1String("'101'")))
            armed = true;
        else if (armed && sql == QLatin1String("COMMIT")) {
            armed = false;
            throw DatabaseError(QStringLiteral("lock timeout"));
        }
    });
    const QStringList lines = runCheck(as, options(as));
    as.mast().setStatementHook({});

    QCOMPARE(as.count(QStringLiteral("KRHZD"), where("101", "200305")), 2);
    QCOMPARE(as.count(QStringLiteral("KRHZD"), where("102", "200305")), 0);
    QCOMPARE(as.count(QStringLiteral("KRHZD2003")), 4);
    QVERIFY(lines.contains(S + QStringLiteral("KRHZD101报表200305日期历史年度数据检查整理失败，请再次检查整理！1")));
    QVERIFY(!as.mast().inTransaction());
}

void TestYearEndCheck::faultInEveryTransaction_data()
{
    QTest::addColumn<int>("statement");
    QTest::addColumn<int>("moment");
    ScriptedPrompts prompts;
    TestAccountSet as({.historyYears = {2003}});
    plantStrayRows(as);
    QList<bool> tookEffect;
    const QStringList sent = recordStatements(
        as.mast(), [&] { runCheck(as, options(as, true, false, LeapKeep29th)); }, &tookEffect);
    QCOMPARE(sent.count(QStringLiteral("COMMIT")), 7);
    for (int i = 0; i < sent.size(); ++i) {
        if (sent.at(i).startsWith(QLatin1String("select"), Qt::CaseInsensitive))
            continue;
        for (const FaultMoment m : {FaultMoment::Before, FaultMoment::After})
            if (m == FaultMoment::Before || tookEffect.at(i))
                QTest::addRow("%d %s %s", i, faultMomentName(m), qPrintable(sent.at(i).simplified().left(40)))
                    << i << int(m);
    }
}

void TestYearEndCheck::faultInEveryTransaction()
{
    // Before it ran or after it took effect: nothing is lost or mixed, a table that is not
    // yet in order says so in its row line, and a second run puts it in order.
    QFETCH(int, statement);
    QFETCH(int, moment);
    ScriptedPrompts prompts;
    static const QList<QList<QStringList>> cleaned = [] {
        TestAccountSet clean({.historyYears = {2003}});
        plantStrayRows(clean);
        runCheck(clean, options(clean, true, false, LeapKeep29th));
        return strayTables(clean);
    }();

    TestAccountSet as({.historyYears = {2003}});
    plantStrayRows(as);
    QStringList lines;
    {
        StatementFault fault(as.mast(), statement, FaultMoment(moment));
        lines = runCheck(as, options(as, true, false, LeapKeep29th));
    }
    QVERIFY(!as.mast().inTransaction());
    const bool reported = !lines.filter(QStringLiteral("数据检查整理失败，请再次检查整理！")).isEmpty();
    if (strayTables(as) != cleaned)
        QVERIFY2(reported, qPrintable(lines.join(u'\n')));
    runCheck(as, options(as, true, false, LeapKeep29th));
    QCOMPARE(strayTables(as), cleaned);
}

void TestYearEndCheck::statementsByKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QStringList>("expected");

    const QStringList exists{"open select Count(1) Cou \n from KRBBZD2003\n where BBZD_BH  ='1''01' \n"
                             "  and  BBZD_DATE='200305' "};
    const QStringList insertSelect{"begin", "exec insert into KRBBZD2003\nselect *  from KRBBZD\n"
                                            " where  BBZD_BH  ='1''01'  \n  and   BBZD_DATE='200305'",
        "commit"};
    const QStringList remove{"begin", "exec delete from KRBBZD\n where  BBZD_BH='1''01'      \n"
                                      "  and   BBZD_DATE='200305'  ",
        "commit"};
    const QStringList dictCopy{"open select * from KRBBZD\n where BBZD_BH   ='1''01'    \n  and  BBZD_DATE ='200305'  ",
        "begin", "open select * from KRBBZD2003 where 1>2",
        "exec insert into KRBBZD2003 (BBZD_BH,BBZD_DATE,BBZD_MC,BBZD_TITLE,BBZD_HEAD,BBZD_BT,BBZD_HS,BBZD_LS,"
        "BBZD_ORDE,BBZD_SBBH,BBZD_FCBZ,BBZD_NB,BBZD_XF,BBZD_SBXZ,TZZD_ORDE,BBZD_LX,BBZD_USE,BBZD_GS) "
        "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        "commit"};
    auto replaced = [](QStringList list, const QString& base) {
        for (QString& s : list)
            s.replace(QLatin1String("KRBBZD"), QStringLiteral("KR") + base);
        return list;
    };
    for (int kind = 0; kind <= 2; ++kind)
        QTest::newRow(qPrintable(QStringLiteral("kind %1, dictionary").arg(kind)))
            << kind << "BBZD" << exists + insertSelect + remove;
    QTest::newRow("kind 3, dictionary: copied through the table, not deleted") << 3 << "BBZD" << exists + dictCopy;
    QTest::newRow("kind 3, row dictionary") << 3 << "HZD" << replaced(exists + insertSelect + remove, "HZD");
}

void TestYearEndCheck::statementsByKind()
{
    QFETCH(int, kind);
    QFETCH(QString, base);
    QFETCH(QStringList, expected);

    ScriptedPrompts prompts;
    auto owned = std::make_unique<RecordingBackend>();
    RecordingBackend& backend = *owned;
    TEndYearDataMod dm(std::move(owned));
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind(kind);
    const QString t = QStringLiteral("KR") + base;
    const QStringList bbzd = demo::columnNames(demo::reportColumns("KR", "BBZD"));
    RecordingBackend::Answer zero{.columns = {"Cou"}, .rows = {{0}}};
    backend.answer(QStringLiteral("select count(1) Cou from KRBBZD where"), zero);
    backend.answer(QStringLiteral(" from ") + t + QStringLiteral("\n where SubString"),
        {.columns = {"BBZD_BH", "BBZD_DATE"}, .rows = {{"1'01", "200305"}}});
    backend.answer(QStringLiteral("select Count(1) Cou"), zero);
    backend.answer(QStringLiteral("where 1>2"), {.columns = bbzd});
    QList<QVariant> row;
    for (const QString& c : bbzd)
        row << (c == QLatin1String("BBZD_GS") ? QVariant(QByteArray("\x01\x00\x02", 3)) : QVariant(QStringLiteral("1")));
    backend.answer(QStringLiteral("select * from KRBBZD\n"), {.columns = bbzd, .rows = {row}});

    NullEvents events;
    ReportLines report;
    CheckYearOptions o{.management = true, .summary = false, .bbKjnd = "2004", .timeFormat = "hh:mm:ss"};
    CheckYearJob(testJobContext(dm, events), std::move(o), report).run();

    QStringList seen;
    bool inTable = false;
    for (const RecordingBackend::Event& e : backend.events) {
        if (e.kind == QLatin1String("open") && e.text.startsWith(QLatin1String("select distinct"))) {
            inTable = e.text.contains(QStringLiteral(" from ") + t + QStringLiteral("\n where SubString"));
            continue;
        }
        if (inTable)
            seen << (e.text.isEmpty() ? e.kind : e.kind + QLatin1Char(' ') + e.text);
    }
    QCOMPARE(seen, expected);
}

void TestYearEndCheck::dictionaryCopyOnKindThree()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.historyYears = {2003}});
    as.dm().state.DatabaseKind = DbKind::Db2Oracle;
    const QByteArray format("CELL\x02\x00\xff\x00\x10", 9);
    as.insert(QStringLiteral("KRBBZD"), {demo::reportRow({.bh = "101", .date = "200305", .mc = "资产负债表",
                                            .hs = 20, .ls = 8, .orde = "000001", .nb = "1", .gs = format})});
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200305"), 2, 1);

    runCheck(as, options(as));
    // Appended to the historical table, kept in the current one; other tables move at once.
    QCOMPARE(as.count(QStringLiteral("KRBBZD"), where("101", "200305")), 1);
    QCOMPARE(as.rows(QStringLiteral("select BBZD_BH, BBZD_DATE, BBZD_MC, BBZD_NB, BBZD_HS, BBZD_LS, BBZD_ORDE "
                                    "from KRBBZD2003")),
        (QList<QStringList>{{"101", "200305", "资产负债表", "0", "20", "8", "000001"}}));
    {
        QSqlQuery blob(as.db());
        QVERIFY(blob.exec(QStringLiteral("select BBZD_GS from KRBBZD2003")) && blob.next());
        QCOMPARE(blob.value(0).toByteArray(), format);
    }
    QCOMPARE(as.count(QStringLiteral("KRHZD")), 0);
    QCOMPARE(as.count(QStringLiteral("KRHZD2003")), 2);

    // The next run finds the copy and deletes the row from the current table.
    runCheck(as, options(as));
    QCOMPARE(as.count(QStringLiteral("KRBBZD")), 0);
    QCOMPARE(as.count(QStringLiteral("KRBBZD2003")), 1);
}

void TestYearEndCheck::window()
{
    ScriptedPrompts prompts;
    prompts.answers << PromptAnswer::Ok;
    TestAccountSet as({.historyYears = {2003}});
    stateRows(as, QStringLiteral("KRHZD"), QStringLiteral("101"), QStringLiteral("200305"), 2, 1);
    for (const QString& t : {QStringLiteral("KRLZD"), QStringLiteral("HZLZD")}) {
        stateRows(as, t, QStringLiteral("101"), QStringLiteral("2004"), 1, 29);
        stateRows(as, t, QStringLiteral("101"), QStringLiteral("200402"), 1, 28);
    }

    TCheckYearForm form(as.dm());
    form.setClock([] { return kTen; });
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("年结前数据检查整理"));
    QCOMPARE(form.size(), QSize(447, 378));
    QCOMPARE(form.maximumSize(), QSize(640, 480));
    QCOMPARE(form.PageControl1->currentWidget(), form.CheckTab);
    QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("数据检查整理"));
    QCOMPARE(form.PageControl1->tabText(1), QStringLiteral("检查整理报告"));
    QCOMPARE(form.Memo1->toPlainText().split(QLatin1Char('\n')),
        (QStringList{"年结前数据检查整理主要做以下工作：", "", "    （1）检查当前年度是否存在多年数据的问题。例如当前数据", "",
            "表中既有当前年度2004年数据，也有历史年度2002、2003年数据。", "",
            "    （2）检查当前年度是否存在因闰年2月29日登录并保存报表，", "", "导致数据库中2月份报表日期存储不正确的问题。"}));
    QVERIFY(form.Memo1->isReadOnly());
    QCOMPARE(form.GroupBox1->title(), QStringLiteral("模块选择"));
    QCOMPARE(form.LeapGroup->title(), QStringLiteral("闰年重复数据清除设置"));
    QCOMPARE(form.LeapItems[0]->text(), QStringLiteral("清除前提示"));
    QCOMPARE(form.LeapItems[1]->text(), QStringLiteral("保留2月29日数据并删除2月28日数据"));
    QCOMPARE(form.LeapItems[2]->text(), QStringLiteral("删除2月29日数据并保留2月28日数据"));
    QVERIFY(form.LeapItems[0]->isChecked());
    QVERIFY(form.BBCheckBox->isChecked() && form.HZCheckBox->isChecked());
    QCOMPARE(form.CheckButton->text(), QStringLiteral("检查整理"));
    QVERIFY(form.CheckButton->isDefault());
    QCOMPARE(form.CloseButton->text(), QStringLiteral("关闭"));
    QCOMPARE(form.CheckMemo->objectName(), QStringLiteral("CheckMemo"));

    // Item 2 through the widgets: no question, the 28 February saves stay.
    form.LeapItems[2]->setChecked(true);
    form.CheckButton->click();
    QCOMPARE(form.PageControl1->currentWidget(), form.MemoTab);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("年结前数据检查完毕！")});
    QCOMPARE(as.rows(QStringLiteral("select BBZD_DATE, LZD_ZB from KRLZD union all select BBZD_DATE, LZD_ZB from HZLZD")),
        (QList<QStringList>{{"200402", "28"}, {"200402", "28"}}));
    const QStringList memo = form.CheckMemo->lines();
    QVERIFY(memo.contains(S + QStringLiteral("KRHZD101报表200305日期历史年度数据检查整理完成！1")));
    QVERIFY(memo.contains(S + QStringLiteral("HZLZD101报表2004日期闰年年度数据检查整理完成！1")));
    QVERIFY(!memo.join(QLatin1Char('\n')).contains(QStringLiteral("检查整理中...")));
    QCOMPARE(memo.count(S + QStringLiteral(" 年结前数据检查整理开始！")), 4);

    // Neither system: an empty report (the last one is gone) and the closing box.
    form.BBCheckBox->setChecked(false);
    form.HZCheckBox->setChecked(false);
    form.CheckButton->click();
    QCOMPARE(form.CheckMemo->lines(), QStringList());
    QCOMPARE(prompts.texts().size(), 2);
    QCOMPARE(prompts.texts().last(), QStringLiteral("年结前数据检查完毕！"));
}

void TestYearEndCheck::windowReadsYearsWhenShown()
{
    ScriptedPrompts prompts;
    TestAccountSet as;
    TCheckYearForm form(as.dm());
    as.exec(QStringLiteral("update JWCONF set F_VAL = '2005' where F_VKEY = 'HZ_KJND'"));
    form.show();
    QCOMPARE(form.bbKjnd(), QStringLiteral("2004"));
    QCOMPARE(form.hzKjnd(), QStringLiteral("2005"));
    form.hide();
    as.exec(QStringLiteral("delete from JWCONF where F_VKEY = 'BB_KJND'"));
    form.show();
    QCOMPARE(form.bbKjnd(), QString());
    form.hide();

    // An unreadable configuration: the standard error box, and the window does not open.
    as.exec(QStringLiteral("drop table JWCONF"));
    TCheckYearForm failing(as.dm());
    QCOMPARE(failing.exec(), int(QDialog::Rejected));
    QCOMPARE(prompts.boxes.size(), 1);
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Error);
    QVERIFY(prompts.boxes.first().text.contains(QLatin1String("JWCONF")));
    QVERIFY(!failing.isVisible());
}

QTEST_MAIN(TestYearEndCheck)
#include "test_year_end_check.moc"
