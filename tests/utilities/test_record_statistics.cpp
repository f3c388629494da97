#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"
#include "utilities/record_statistics.h"
#include "utilities/ui/tab_count_form.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {

// Current-year tables KRBBZD (2 rows), KRHZD (3), HZBBZD (0); 2002 tables KRBBZD2002 (1)
// and HZBBZD2002 (4), no KRHZD2002. The catalogue: a module with an empty code first, a
// table listed twice, a name that is no plain table name and a table that does not exist.
void stateCatalogue(TestAccountSet& as)
{
    as.createReportTable(QStringLiteral("KR"), QStringLiteral("BBZD"), QString());
    as.createReportTable(QStringLiteral("KR"), QStringLiteral("HZD"), QString());
    as.createReportTable(QStringLiteral("HZ"), QStringLiteral("BBZD"), QString());
    as.createReportTable(QStringLiteral("KR"), QStringLiteral("BBZD"), QStringLiteral("2002"));
    as.createReportTable(QStringLiteral("HZ"), QStringLiteral("BBZD"), QStringLiteral("2002"));
    as.insert(QStringLiteral("KRBBZD"), {demo::reportRow({.bh = "101", .date = "200401"}),
                                           demo::reportRow({.bh = "102", .date = "200401"})});
    as.insert(QStringLiteral("KRHZD"), {demo::rowRow({.bh = "101", .date = "200401", .orde = "0001"}),
                                          demo::rowRow({.bh = "101", .date = "200401", .orde = "0002"}),
                                          demo::rowRow({.bh = "101", .date = "200401", .orde = "0003"})});
    as.insert(QStringLiteral("KRBBZD2002"), {demo::reportRow({.bh = "101", .date = "200201"})});
    QList<QVariantList> hz2002;
    for (const char* bh : {"201", "202", "203", "204"})
        hz2002 << demo::reportRow({.bh = bh, .date = "200212"});
    as.insert(QStringLiteral("HZBBZD2002"), hz2002);
    // Inserted out of order: the report follows the module codes.
    as.insert(QStringLiteral("JWTABN"), {{"ZW", "ZWPZK"}, {"BB", "KRHZD"}, {"", "KRBBZD"}, {"HZ", "HZBBZD"},
                                           {"BB", "KRHZD"}, {"XT", "KRBBZD x"}});
}

void checkStamps(const QStringList& lines)
{
    static const QRegularExpression first(QStringLiteral("^【\\d\\d:\\d\\d:\\d\\d】 开始统计！$"));
    static const QRegularExpression last(QStringLiteral("^【\\d\\d:\\d\\d:\\d\\d】 统计结束！$"));
    QVERIFY(lines.size() >= 2);
    QVERIFY2(first.match(lines.first()).hasMatch(), qPrintable(lines.first()));
    QVERIFY2(last.match(lines.last()).hasMatch(), qPrintable(lines.last()));
}
}

class TestRecordStatistics : public QObject {
    Q_OBJECT
private slots:
    void report_data();
    void report();
    void unreadableCatalogue();
    void paddedAndChineseNames();
    void windowRunAndSave();
    void saveFailureKeepsTheMemo();
};

void TestRecordStatistics::report_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("body");
    QTest::newRow("current year") << QString()
                                  << QStringList{"   KRBBZD记录数：2", "BB模块统计：", "   KRHZD记录数：3",
                                         "   KRHZD记录数：3", "HZ模块统计：", "   HZBBZD记录数：0", "XT模块统计：",
                                         "   KRBBZD x无历史表。", "ZW模块统计：", "   ZWPZK无历史表。"};
    QTest::newRow("historical year") << QStringLiteral("2002")
                                     << QStringList{"   KRBBZD2002记录数：1", "BB模块统计：",
                                            "   KRHZD2002无历史表。", "   KRHZD2002无历史表。", "HZ模块统计：",
                                            "   HZBBZD2002记录数：4", "XT模块统计：", "   KRBBZD x2002无历史表。",
                                            "ZW模块统计：", "   ZWPZK2002无历史表。"};
}

void TestRecordStatistics::report()
{
    QFETCH(QString, suffix);
    QFETCH(QStringList, body);
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    stateCatalogue(as);

    RecordingLog report;
    report.addLine(QStringLiteral("an earlier report"));
    ProgressLog log;
    NullEvents events;
    RecordStatisticsJob(testJobContext(as.dm(), events, loggedProgress(log)), {.yearSuffix = suffix}, report).run();

    checkStamps(report.lines);
    QCOMPARE(report.lines.mid(1, report.lines.size() - 2), body);
    QCOMPARE(as.dm().state.TableNames.YearSuffix, suffix);
    QCOMPARE(log.windows, 1);
    QCOMPARE(log.labels, QStringList{QStringLiteral("正在统计......")});
    QCOMPARE(log.maxima, QList<int>{6});
    QCOMPARE(log.steps, 6);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("统计完毕，请查看统计报告！")});
    QCOMPARE(prompts.boxes.first().caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Information);
}

void TestRecordStatistics::paddedAndChineseNames()
{
    // JWTABN.F_TABN as a fixed-width column gives its names padded with blanks.
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    as.createReportTable(QStringLiteral("KR"), QStringLiteral("HZD"), QString());
    as.createReportTable(QStringLiteral("KR"), QStringLiteral("HZD"), QStringLiteral("2002"));
    as.insert(QStringLiteral("KRHZD"), {demo::rowRow({.bh = "101", .date = "200401", .orde = "0001"})});
    as.exec(QStringLiteral("create table 报表汇总1 (ID int)"));
    as.exec(QStringLiteral("insert into 报表汇总1 values (1)"));
    as.exec(QStringLiteral("insert into 报表汇总1 values (2)"));
    as.insert(QStringLiteral("JWTABN"), {{"BB", "KRHZD     "}, {"BB", "报表汇总1  "}, {"BB", "KRHZD x   "}});
    for (const QString &suffix : {QString(), QStringLiteral("2002")}) {
        RecordingLog report;
        NullEvents events;
        RecordStatisticsJob(testJobContext(as.dm(), events), {.yearSuffix = suffix}, report).run();
        QCOMPARE(report.lines.mid(1, report.lines.size() - 2),
            (QStringList{"BB模块统计：", "   KRHZD" + suffix + (suffix.isEmpty() ? "记录数：1" : "记录数：0"),
                "   报表汇总1" + suffix + (suffix.isEmpty() ? "记录数：2" : "无历史表。"),
                "   KRHZD x" + suffix + "无历史表。"}));
    }
}

void TestRecordStatistics::unreadableCatalogue()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    as.exec(QStringLiteral("drop table JWTABN"));
    RecordingLog report;
    NullEvents events;
    RecordStatisticsJob(testJobContext(as.dm(), events), {}, report).run();
    QCOMPARE(report.lines.size(), 2);
    checkStamps(report.lines);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("统计完毕，请查看统计报告！")});
}

void TestRecordStatistics::windowRunAndSave()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    stateCatalogue(as);
    TFrmTabCount window(as.dm());
    QCOMPARE(window.windowTitle(), QStringLiteral("分模块数据表记录数统计"));
    QCOMPARE(window.BtnDropTemp->text(), QStringLiteral("统计"));
    QCOMPARE(window.BtnClose->text(), QStringLiteral("关闭"));
    QCOMPARE(window.mnSave->text(), QStringLiteral("保存"));
    QCOMPARE(window.mnClear->text(), QStringLiteral("清除"));
    QCOMPARE(window.Pages->tabText(0), QStringLiteral("统计"));
    QCOMPARE(window.Pages->tabText(1), QStringLiteral("报告"));
    QVERIFY(!window.CountMemo->isReadOnly());
    window.show();

    // Historical year 2002 through the widgets.
    auto* spin = window.findChild<QSpinBox*>(QStringLiteral("YearSpin"));
    QVERIFY(spin && !spin->isEnabled());
    QTest::mouseClick(window.YearChoice->historicalItem(), Qt::LeftButton);
    QVERIFY(spin->isEnabled());
    window.BtnDropTemp->click();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("统计完毕，请查看统计报告！")});
    QCOMPARE(window.Pages->currentIndex(), 0);
    QCOMPARE(as.dm().state.TableNames.YearSuffix, QStringLiteral("2002"));
    const QStringList lines = window.CountMemo->lines();
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines.at(6), QStringLiteral("   HZBBZD2002记录数：4"));
    QVERIFY(window.BtnDropTemp->isEnabled());

    // Saving writes the memo as it stands: the edited text, GBK, CR LF after every line.
    const QString file = as.filePath(QStringLiteral("count.TXT"));
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older and longer report that must be replaced entirely\r\n");
    old.close();
    window.CountMemo->setPlainText(QStringLiteral("统计\n\n   记录数：2"));
    prompts.fileNames.enqueue(file);
    window.mnSave->trigger();
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray::fromHex("cdb3bcc6" "0d0a" "0d0a" "202020bcc7c2bccafda3ba32" "0d0a"));
    saved.close();

    // Cancelling the dialog writes nothing; clearing and then saving writes an empty file.
    window.mnClear->trigger();
    QCOMPARE(window.CountMemo->lines(), QStringList());
    window.mnSave->trigger();
    QCOMPARE(QFileInfo(file).size(), 22);
    prompts.fileNames.enqueue(file);
    window.mnSave->trigger();
    QCOMPARE(QFileInfo(file).size(), 0);
    QCOMPARE(prompts.boxes.size(), 1);
}

void TestRecordStatistics::saveFailureKeepsTheMemo()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    TFrmTabCount window(as.dm());
    window.CountMemo->addLine(QStringLiteral("【10:00:00】 开始统计！"));
    window.CountMemo->addLine(QStringLiteral("BB模块统计："));
    const QString file = as.filePath(QStringLiteral("no such folder/count.TXT"));
    prompts.fileNames.enqueue(file);
    window.mnSave->trigger();
    QCOMPARE(prompts.boxes.size(), 1);
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Error);
    QCOMPARE(prompts.boxes.first().caption, QStringLiteral("提示"));
    QVERIFY2(prompts.boxes.first().text.contains(QStringLiteral("count.TXT")), qPrintable(prompts.boxes.first().text));
    QCOMPARE(window.CountMemo->lines(), (QStringList{QStringLiteral("【10:00:00】 开始统计！"), QStringLiteral("BB模块统计：")}));
    QVERIFY(!QFile::exists(file));
}

QTEST_MAIN(TestRecordStatistics)
#include "test_record_statistics.moc"
