#include "data_module/end_year_data_mod.h"
#include "data_module/recording_backend.h"
#include "maintenance/schema_rebuild.h"
#include "maintenance/ui/rebuild_forms.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "support/job_rig.h"
#include "support/logged_progress.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

namespace {
struct Lines : ReportSink {
    QStringList lines;
    void addLine(const QString& line) override { lines << line; }
    void clear() override { lines.clear(); }
};

const QString kBBStart = QStringLiteral("------报表管理索引重建报告开始------");
const QString kBBEnd = QStringLiteral("------报表管理索引重建报告结束------");
const QString kHZStart = QStringLiteral("------报表汇总索引重建报告开始------");
const QString kHZEnd = QStringLiteral("------报表汇总索引重建报告结束------");

IndexLists twoAndOne()
{
    return {{{QStringLiteral("unique"), QStringLiteral("IX_KRBBZD"), QStringLiteral("KRBBZD"),
                 QStringLiteral("(BBZD_BH,BBZD_DATE)")},
                {QString(), QStringLiteral("IX_KRHZD"), QStringLiteral("KRHZD"), QStringLiteral(" (HZD_BH)")}},
        {{QString(), QStringLiteral("IX_HZDWSJ"), QStringLiteral("HZDWSJ"), QStringLiteral("(DYZD_BH)")}}};
}

// The settings entries of the demo account set's key indexes.
IndexLists demoIndexes()
{
    QList<demo::IniSection> sections = demo::demoKolvarinSections();
    IndexLists lists;
    for (const demo::IniSection& s : sections) {
        QMap<QString, QString> e;
        for (const auto& [k, v] : s.entries)
            e[k] = v;
        const TIndexInfo info{e["IndexType"], e["IndexName"], e["TableName"], e["Columns"]};
        if (s.name.startsWith(QLatin1String("BB")))
            lists.BBIndexes << info;
        else if (s.name.startsWith(QLatin1String("HZ")))
            lists.HZIndexes << info;
    }
    return lists;
}
}

class TestIndexRebuild : public QObject {
    Q_OBJECT
private slots:
    void statements_data();
    void statements();
    void failuresAreNumberedPerSystem();
    void sqliteRebuildsEveryKind_data();
    void sqliteRebuildsEveryKind();
    void sqliteHistoricalYear_data();
    void sqliteHistoricalYear();
    void window();
};

void TestIndexRebuild::statements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("bb");
    QTest::addColumn<QString>("bbSuffix");
    QTest::addColumn<bool>("hz");
    QTest::addColumn<QString>("hzSuffix");
    QTest::addColumn<QStringList>("expected");

    const QStringList current{"drop index KRBBZD.IX_KRBBZD", "create unique index IX_KRBBZD on KRBBZD(BBZD_BH,BBZD_DATE)",
        "drop index KRHZD.IX_KRHZD", "create  index IX_KRHZD on KRHZD (HZD_BH)", "drop index HZDWSJ.IX_HZDWSJ",
        "create  index IX_HZDWSJ on HZDWSJ(DYZD_BH)"};
    for (int kind : {0, 1, 2})
        QTest::addRow("kind %d, current year", kind) << kind << true << QString() << true << QString() << current;
    QTest::newRow("kind 3, current year")
        << 3 << true << QString() << true << QString()
        << QStringList{"drop index IX_KRBBZD", "create unique index IX_KRBBZD on KRBBZD(BBZD_BH,BBZD_DATE)",
               "drop index IX_KRHZD", "create  index IX_KRHZD on KRHZD (HZD_BH)", "drop index IX_HZDWSJ",
               "create  index IX_HZDWSJ on HZDWSJ(DYZD_BH)"};
    // The drop names the index without the suffix on the suffixed table; the creation suffixes both.
    const QStringList historical{"drop index KRBBZD2001.IX_KRBBZD",
        "create unique index IX_KRBBZD2001 on KRBBZD2001(BBZD_BH,BBZD_DATE)", "drop index KRHZD2001.IX_KRHZD",
        "create  index IX_KRHZD2001 on KRHZD2001 (HZD_BH)", "drop index HZDWSJ.IX_HZDWSJ",
        "create  index IX_HZDWSJ on HZDWSJ(DYZD_BH)"};
    for (int kind : {0, 1, 2})
        QTest::addRow("kind %d, 2001 for report management only", kind)
            << kind << true << QStringLiteral("2001") << true << QString() << historical;
    QTest::newRow("kind 3, 2003 for report summary")
        << 3 << true << QString() << true << QStringLiteral("2003")
        << QStringList{"drop index IX_KRBBZD", "create unique index IX_KRBBZD on KRBBZD(BBZD_BH,BBZD_DATE)",
               "drop index IX_KRHZD", "create  index IX_KRHZD on KRHZD (HZD_BH)", "drop index IX_HZDWSJ2003",
               "create  index IX_HZDWSJ2003 on HZDWSJ2003(DYZD_BH)"};
    QTest::newRow("kind 2, report summary not ticked")
        << 2 << true << QString() << false << QStringLiteral("2003") << current.mid(0, 4);
    QTest::newRow("kind 1, neither ticked") << 1 << false << QString() << false << QString() << QStringList();
}

void TestIndexRebuild::statements()
{
    QFETCH(int, kind);
    QFETCH(bool, bb);
    QFETCH(QString, bbSuffix);
    QFETCH(bool, hz);
    QFETCH(QString, hzSuffix);
    QFETCH(QStringList, expected);

    ScriptedPrompts prompts;
    auto* backend = new RecordingBackend;
    TEndYearDataMod dm{std::unique_ptr<Backend>(backend)};
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind(kind);
    // Every drop fails (no such index): the creations follow all the same.
    backend->fail(QStringLiteral("drop index"), QStringLiteral("Index not found"));
    NullEvents events;
    ProgressLog log;
    Lines bbMemo, hzMemo;
    bbMemo.addLine(QStringLiteral("an earlier run"));
    IndexRebuildJob(testJobContext(dm, events, loggedProgress(log)), twoAndOne(),
        {.bbChosen = bb, .bbYearSuffix = bbSuffix, .hzChosen = hz, .hzYearSuffix = hzSuffix}, bbMemo, hzMemo)
        .run();

    QCOMPARE(backend->statements(), expected);
    QCOMPARE(bbMemo.lines, (QStringList{kBBStart, kBBEnd}));
    QCOMPARE(hzMemo.lines, (QStringList{kHZStart, kHZEnd}));
    QCOMPARE(log.windows, int(bb) + int(hz));
    QCOMPARE(log.open, 0);
    QCOMPARE(log.steps, (bb ? 2 : 0) + (hz ? 1 : 0));
    QStringList labels;
    if (bb)
        labels << "正在重建报表管理索引" << "正在删除原索引IX_KRBBZD" << "正在重建表KRBBZD的索引"
               << "正在删除原索引IX_KRHZD" << "正在重建表KRHZD的索引";
    if (hz)
        labels << "正在重建汇总报表索引" << "正在删除原索引IX_HZDWSJ" << "正在重建表HZDWSJ的索引";
    QCOMPARE(log.labels, labels);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("重建索引结束，请查看重建报告! ")});
    QCOMPARE(prompts.boxes.at(0).caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.at(0).icon, PromptIcon::Information);
    QCOMPARE(prompts.boxes.at(0).buttons, PromptButtons::Ok);
}

void TestIndexRebuild::failuresAreNumberedPerSystem()
{
    ScriptedPrompts prompts;
    auto* backend = new RecordingBackend;
    TEndYearDataMod dm{std::unique_ptr<Backend>(backend)};
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind::SqlServer;
    backend->fail(QStringLiteral("create  index IX_KRHZD2001"), QStringLiteral("Column name 'HZD_BH' does not exist."));
    backend->fail(QStringLiteral("create  index IX_HZDWSJ"), QStringLiteral("Cannot find the object \"HZDWSJ\""));
    NullEvents events;
    Lines bbMemo, hzMemo;
    IndexRebuildJob(testJobContext(dm, events), twoAndOne(), {.bbYearSuffix = QStringLiteral("2001")}, bbMemo, hzMemo)
        .run();
    QCOMPARE(bbMemo.lines,
        (QStringList{kBBStart,
            QStringLiteral("【2】创建表KRHZD2001索引IX_KRHZD2001失败:Column name 'HZD_BH' does not exist."), kBBEnd}));
    QCOMPARE(hzMemo.lines,
        (QStringList{kHZStart, QStringLiteral("【1】创建表HZDWSJ索引IX_HZDWSJ失败:Cannot find the object \"HZDWSJ\""),
            kHZEnd}));
    // The failing entry did not stop the run: all six statements went out.
    QCOMPARE(backend->statements().size(), 6);
}

void TestIndexRebuild::sqliteRebuildsEveryKind_data()
{
    QTest::addColumn<int>("kind");
    for (int kind = 0; kind <= 3; ++kind)
        QTest::addRow("kind %d", kind) << kind;
}

void TestIndexRebuild::sqliteRebuildsEveryKind()
{
    QFETCH(int, kind);
    TestAccountSet as({.keyIndexes = true});
    as.dm().state.DatabaseKind = DbKind(kind);
    IndexLists lists = demoIndexes();
    QCOMPARE(lists.BBIndexes.size(), 7);
    QCOMPARE(lists.HZIndexes.size(), 12);
    // The first index stands on one column only: the rebuild must really drop it and
    // create it with the settings' columns.
    const TIndexInfo first = lists.BBIndexes.first();
    as.exec("drop index " + first.IndexName);
    as.exec("create index " + first.IndexName + " on " + first.TableName + "(BBZD_BH)");
    // One entry that fails: a column the table does not have.
    lists.HZIndexes.insert(1, {QString(), QStringLiteral("IX_BAD"), QStringLiteral("HZLBZD"), QStringLiteral("(NO_SUCH)")});

    ScriptedPrompts prompts;
    NullEvents events;
    ProgressLog log;
    Lines bbMemo, hzMemo;
    IndexRebuildJob(testJobContext(as.dm(), events, loggedProgress(log)), lists, {}, bbMemo, hzMemo).run();

    QCOMPARE(bbMemo.lines, (QStringList{kBBStart, kBBEnd}));
    QCOMPARE(hzMemo.lines.size(), 3);
    QVERIFY2(hzMemo.lines.at(1).startsWith(QStringLiteral("【2】创建表HZLBZD索引IX_BAD失败:")), qPrintable(hzMemo.lines.at(1)));
    QVERIFY2(hzMemo.lines.at(1).contains(QLatin1String("NO_SUCH")), qPrintable(hzMemo.lines.at(1)));
    QCOMPARE(log.windows, 2);
    QCOMPARE(log.maxima, (QList<int>{7, 13}));
    const QString sql = as.value("select sql from sqlite_master where type='index' and name='" + first.IndexName + "'");
    QCOMPARE(sql, "CREATE INDEX " + first.IndexName + " on " + first.TableName + first.Columns);
    for (const TIndexInfo& e : lists.BBIndexes + lists.HZIndexes)
        if (e.IndexName != QLatin1String("IX_BAD"))
            QVERIFY2(as.indexNames(e.TableName).contains(e.IndexName), qPrintable(e.IndexName));
}

void TestIndexRebuild::sqliteHistoricalYear_data()
{
    QTest::addColumn<int>("kind");
    for (int kind = 0; kind <= 3; ++kind)
        QTest::addRow("kind %d", kind) << kind;
}

void TestIndexRebuild::sqliteHistoricalYear()
{
    QFETCH(int, kind);
    TestAccountSet as({.historyYears = {2003}, .keyIndexes = true});
    as.dm().state.DatabaseKind = DbKind(kind);
    const IndexLists all = demoIndexes();
    const IndexLists lists{all.BBIndexes.mid(0, 2), {}};
    // Mark the historical index so that a re-creation shows.
    const TIndexInfo first = lists.BBIndexes.first();
    as.exec("drop index " + first.IndexName + "2003");
    as.exec("create index " + first.IndexName + "2003 on " + first.TableName + "2003(BBZD_BH)");

    ScriptedPrompts prompts;
    NullEvents events;
    Lines bbMemo, hzMemo;
    IndexRebuildJob(testJobContext(as.dm(), events), lists,
        {.bbYearSuffix = QStringLiteral("2003"), .hzChosen = false}, bbMemo, hzMemo)
        .run();

    // The current year's indexes are never touched by a historical run.
    for (const TIndexInfo& e : lists.BBIndexes)
        QVERIFY2(as.indexNames(e.TableName).contains(e.IndexName), qPrintable(e.IndexName));
    const QString historical = as.value(
        "select sql from sqlite_master where type='index' and name='" + first.IndexName + "2003'");
    if (kind == 3) {
        // drop I2003, create I2003 on T2003: the index is re-created with its columns.
        QCOMPARE(bbMemo.lines, (QStringList{kBBStart, kBBEnd}));
        QCOMPARE(historical, "CREATE INDEX " + first.IndexName + "2003 on " + first.TableName + "2003" + first.Columns);
    } else {
        // T2003.I names no index of T2003 (its index is I2003), so the drop fails and the
        // creation finds I2003 in place: each entry reports its failure.
        QCOMPARE(bbMemo.lines.size(), 4);
        QVERIFY2(bbMemo.lines.at(1).startsWith("【1】创建表" + first.TableName + "2003索引" + first.IndexName + "2003失败:"),
            qPrintable(bbMemo.lines.at(1)));
        QVERIFY2(bbMemo.lines.at(1).contains(QLatin1String("already exists")), qPrintable(bbMemo.lines.at(1)));
        QCOMPARE(historical, "CREATE INDEX " + first.IndexName + "2003 on " + first.TableName + "2003(BBZD_BH)");
    }
}

void TestIndexRebuild::window()
{
    TestAccountSet as({.keyIndexes = true});
    as.writeKolvarin({{QStringLiteral("BB1"),
                          {{"IndexName", demo::keyIndexName("KR", "BBZD")}, {"TableName", "KRBBZD"},
                              {"Columns", "(" + demo::keyIndexColumns("KR", "BBZD").join(',') + ")"}}},
        {QStringLiteral("HZ1"), {{"IndexName", "IX_BAD"}, {"TableName", "HZNONE"}, {"Columns", "(A)"}}}});
    ScriptedPrompts prompts;
    TReIndexForm form(as.dm());
    // Read at creation: a later change of the file does not reach this window.
    as.writeKolvarin({});
    QCOMPARE(form.windowTitle(), QStringLiteral("索引重建"));
    QCOMPARE(form.PageControl1->count(), 2);
    QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("索引重建"));
    QCOMPARE(form.PageControl1->tabText(1), QStringLiteral("重建报告"));
    QCOMPARE(form.PageControl1->currentIndex(), 0);
    QCOMPARE(form.ReIndexButton->text(), QStringLiteral("重建"));
    QCOMPARE(form.CloseButton->text(), QStringLiteral("关闭"));
    for (const char* name : {"BBCheckBox", "HZCheckBox"})
        QVERIFY(form.findChild<QCheckBox*>(name)->isChecked());
    QVERIFY(!form.findChild<QSpinBox*>("HZYearSpin")->isEnabled());
    QCOMPARE(form.findChild<QCheckBox*>("HZCheckBox")->text(), QStringLiteral("报表汇总"));
    QVERIFY(form.findChild<ReportMemo*>("BBRebuildMemo")->isReadOnly());
    QCOMPARE(form.Splitter1->widget(0), form.BBRebuildMemo);
    QCOMPARE(form.Splitter1->widget(1), form.HZRebuildMemo);
    QCOMPARE(form.indexes().BBIndexes.size(), 1);

    // Historical year chosen, then back to the current year: the spin's value no longer counts.
    form.HZChoice->historicalItem()->setChecked(true);
    QVERIFY(form.HZChoice->yearSpin()->isEnabled());
    form.HZChoice->yearSpin()->setValue(2001);
    form.HZChoice->currentItem()->setChecked(true);
    QVERIFY(!form.HZChoice->yearSpin()->isEnabled());
    form.ReIndexButton->click();

    QCOMPARE(form.BBRebuildMemo->lines(), (QStringList{kBBStart, kBBEnd}));
    const QStringList hz = form.HZRebuildMemo->lines();
    QCOMPARE(hz.size(), 3);
    QVERIFY2(hz.at(1).startsWith(QStringLiteral("【1】创建表HZNONE索引IX_BAD失败:")), qPrintable(hz.at(1)));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("重建索引结束，请查看重建报告! ")});
    QCOMPARE(form.PageControl1->currentIndex(), 0);
    // A second run clears the first run's report.
    form.BBChoice->checkBox()->setChecked(false);
    form.ReIndexButton->click();
    QCOMPARE(form.BBRebuildMemo->lines(), (QStringList{kBBStart, kBBEnd}));
    QCOMPARE(form.HZRebuildMemo->lines().size(), 3);
}

QTEST_MAIN(TestIndexRebuild)
#include "test_index_rebuild.moc"
