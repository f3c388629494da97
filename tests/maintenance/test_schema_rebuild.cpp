#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "support/recording_backend.h"
#include "maintenance/schema_rebuild.h"
#include "maintenance/ui/rebuild_forms.h"
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace {
struct Lines : ReportSink {
    QStringList lines;
    void addLine(const QString& line) override { lines << line; }
    void clear() override { lines.clear(); }
};

// Start line, the lines between, end line of one system's memo.
QStringList report(const QString& system, const QString& what, const QStringList& between = {})
{
    return QStringList{"------" + system + what + "重建报告开始------"} + between
        + QStringList{"------" + system + what + "重建报告结束------"};
}

struct Recorded {
    RecordingBackend* backend = new RecordingBackend;
    TEndYearDataMod dm{std::unique_ptr<Backend>(backend)};
    explicit Recorded(int kind)
    {
        dm.mast.connect();
        dm.state.DatabaseKind = DbKind(kind);
    }
};

// The demo's settings entries (the key indexes of its report tables), read from its file.
IndexLists demoIndexes(const TestAccountSet& as)
{
    as.writeKolvarin(demo::demoKolvarinSections());
    return ReadIndexLists();
}

QString schemaOf(const TestAccountSet& as, const QString& name)
{
    return as.value("select sql from sqlite_master where name='" + name + "'");
}
}

class TestSchemaRebuild : public QObject {
    Q_OBJECT
private slots:
    void indexStatements_data();
    void indexStatements();
    void defaultStatements_data();
    void defaultStatements();
    void sqliteIndexes_data();
    void sqliteIndexes();
    void sqliteDefaults_data();
    void sqliteDefaults();
    void schemaText_data();
    void schemaText();
    void sqliteFailureAfterTheSchemaWrite();
    void windows();
};

void TestSchemaRebuild::indexStatements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("bbSuffix");
    QTest::addColumn<bool>("hz");
    QTest::addColumn<QStringList>("expected");
    const QStringList hzCurrent{"drop index HZDWSJ.IX_HZDWSJ", "create  index IX_HZDWSJ on HZDWSJ(DYZD_BH)"};
    for (int kind : {0, 1, 2})
        QTest::addRow("kind %d, 2001 for report management", kind)
            << kind << "2001" << true
            << QStringList{"drop index KRBBZD2001.IX_KRBBZD", "create unique index IX_KRBBZD2001 on KRBBZD2001 (BBZD_BH)"}
                + hzCurrent;
    QTest::newRow("kind 1, current year, report summary not ticked")
        << 1 << "" << false << QStringList{"drop index KRBBZD.IX_KRBBZD", "create unique index IX_KRBBZD on KRBBZD (BBZD_BH)"};
    QTest::newRow("kind 3, 2001 for report management")
        << 3 << "2001" << true
        << QStringList{"drop index IX_KRBBZD2001", "create unique index IX_KRBBZD2001 on KRBBZD2001 (BBZD_BH)",
               "drop index IX_HZDWSJ", "create  index IX_HZDWSJ on HZDWSJ(DYZD_BH)"};
}

void TestSchemaRebuild::indexStatements()
{
    QFETCH(int, kind);
    QFETCH(QString, bbSuffix);
    QFETCH(bool, hz);
    ScriptedPrompts prompts;
    Recorded r(kind);
    r.backend->fail("drop index", "Index not found");   // passed over: the creation follows
    r.backend->fail("create  index IX_HZDWSJ", "Cannot find the object");
    NullEvents events;
    ProgressLog log;
    Lines bb, hzMemo;
    bb.addLine("an earlier run");
    const IndexLists lists{{{"unique", "IX_KRBBZD", "KRBBZD", " (BBZD_BH)"}}, {{"", "IX_HZDWSJ", "HZDWSJ", "(DYZD_BH)"}}};
    IndexRebuildJob(testJobContext(r.dm, events, loggedProgress(log)), lists,
        {.bbYearSuffix = bbSuffix, .hzChosen = hz}, bb, hzMemo)
        .run();

    QTEST(r.backend->statements(), "expected");
    QCOMPARE(bb.lines, report("报表管理", "索引"));
    QCOMPARE(hzMemo.lines, report("报表汇总", "索引", hz ? QStringList{"【1】创建表HZDWSJ索引IX_HZDWSJ失败:Cannot find the object"} : QStringList{}));
    QCOMPARE(log.windows, hz ? 2 : 1);
    QCOMPARE(log.labels.mid(0, 3), (QStringList{"正在重建报表管理索引", "正在删除原索引IX_KRBBZD", "正在重建表KRBBZD的索引"}));
    if (hz)
        QCOMPARE(log.labels.at(3), QStringLiteral("正在重建汇总报表索引"));
    QCOMPARE(prompts.texts(), QStringList{"重建索引结束，请查看重建报告! "});
    QCOMPARE(prompts.boxes.at(0).caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.at(0).icon, PromptIcon::Information);
}

void TestSchemaRebuild::defaultStatements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("kind 0") << 0 << "" << " ALTER TABLE KRBBZD MODIFY       BBZD_MC  DEFAULT 'x'";
    QTest::newRow("kind 1, 2001") << 1 << "2001" << " alter table KRBBZD2001 replace       BBZD_MC  default 'x'";
    QTest::newRow("kind 2") << 2 << "" << " ALTER TABLE KRBBZD ADD CONSTRAINT       DF_KRBBZD_BBZD_MC DEFAULT 'x' FOR BBZD_MC";
    QTest::newRow("kind 2, 2001")
        << 2 << "2001" << " ALTER TABLE KRBBZD2001 ADD CONSTRAINT       DF_KRBBZD2001_BBZD_MC DEFAULT 'x' FOR BBZD_MC";
    QTest::newRow("kind 3, 2003") << 3 << "2003" << " alter table KRBBZD2003 modify       BBZD_MC  default 'x'";
}

void TestSchemaRebuild::defaultStatements()
{
    QFETCH(int, kind);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    ScriptedPrompts prompts;
    Recorded r(kind);
    r.backend->fail("KRBBZD", "Table not found");
    NullEvents events;
    ProgressLog log;
    Lines bb, hz;
    DefaultRebuildJob(testJobContext(r.dm, events, loggedProgress(log)),
        {{{"KRBBZD", "BBZD_MC", "'x'"}}, {{"HZDWSJ", "DYZD_DATA", "0"}}}, {.bbYearSuffix = suffix}, bb, hz)
        .run();
    QCOMPARE(r.backend->statements().value(0), expected);
    QCOMPARE(r.backend->statements().size(), 2);
    // The failure names the table with its suffix and the column.
    QCOMPARE(bb.lines, report("报表管理", "默认值", {"【1】创建表KRBBZD" + suffix + "索引BBZD_MC失败:Table not found"}));
    QCOMPARE(hz.lines, report("报表汇总", "默认值"));
    QCOMPARE(log.labels, (QStringList{"正在重建报表管理默认值", "正在重建表KRBBZD字段BBZD_MC的默认值", "正在重建汇总报表默认值",
                              "正在重建表HZDWSJ字段DYZD_DATA的默认值"}));
    QCOMPARE(prompts.texts(), QStringList{"重建默认值结束，请查看重建报告! "});
}

void TestSchemaRebuild::sqliteIndexes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("suffix");
    for (int kind = 0; kind <= 3; ++kind) {
        QTest::addRow("kind %d, current year", kind) << kind << "";
        QTest::addRow("kind %d, 2003", kind) << kind << "2003";
    }
}

void TestSchemaRebuild::sqliteIndexes()
{
    QFETCH(int, kind);
    QFETCH(QString, suffix);
    TestAccountSet as({.historyYears = {2003}, .keyIndexes = true});
    as.dm().state.DatabaseKind = DbKind(kind);
    const IndexLists demoLists = demoIndexes(as);
    const TIndexInfo first = demoLists.BBIndexes.first();
    const QString name = first.IndexName + suffix, table = first.TableName + suffix;
    // The index on one column only: a rebuild must drop it and create it anew.
    as.exec("drop index " + name);
    as.exec("create index " + name + " on " + table + "(BBZD_BH)");
    ScriptedPrompts prompts;
    NullEvents events;
    Lines bb, hz;
    IndexRebuildJob(testJobContext(as.dm(), events), {{first, {"", "IX_BAD", "KRLZD", "(NO_SUCH)"}}, demoLists.HZIndexes},
        {.bbYearSuffix = suffix, .hzYearSuffix = suffix}, bb, hz)
        .run();

    const QString bad = bb.lines.value(bb.lines.size() - 2);
    QVERIFY2(bad.startsWith("【2】创建表KRLZD" + suffix + "索引IX_BAD" + suffix + "失败:"), qPrintable(bad));
    // A historical run leaves the current year's index alone on every kind.
    QVERIFY(as.indexNames(first.TableName).contains(first.IndexName));
    if (suffix.isEmpty() || kind == 3) {
        QCOMPARE(bb.lines.size(), 3);
        QCOMPARE(hz.lines, report("报表汇总", "索引"));
        QCOMPARE(schemaOf(as, name), "CREATE INDEX " + name + " on " + table + first.Columns);
    } else {
        // T2003.I names no index of T2003 (its index is I2003): the drop fails, the creation
        // finds I2003 in place and reports it.
        QCOMPARE(bb.lines.size(), 4);
        QVERIFY2(bb.lines.at(1).startsWith("【1】创建表" + table + "索引" + name + "失败:")
                && bb.lines.at(1).contains("already exists"), qPrintable(bb.lines.at(1)));
        QCOMPARE(hz.lines.size(), 2 + 12);
        QCOMPARE(schemaOf(as, name), "CREATE INDEX " + name + " on " + table + "(BBZD_BH)");
    }
}

void TestSchemaRebuild::sqliteDefaults_data()
{
    QTest::addColumn<int>("kind");
    for (int kind = 0; kind <= 3; ++kind)
        QTest::addRow("kind %d", kind) << kind;
}

void TestSchemaRebuild::sqliteDefaults()
{
    QFETCH(int, kind);
    TestAccountSet as({.historyYears = {2003}});
    as.dm().state.DatabaseKind = DbKind(kind);
    as.insert("KRDYZD", {"BBZD_BH", "BBZD_DATE", "DYZD_ORDE", "DYZD_DATA", "DYZD_SJ"},
        {{"101", "200401", "0001", 3, "a"}, {"101", "200401", "0002", QVariant(), QVariant()}});
    const QString hzsj = schemaOf(as, "HZHZSJ"), lzd = schemaOf(as, "KRLZD");
    // DYZD_DATA twice: the later default replaces the earlier one.
    const DefaultLists lists{{{"KRDYZD", "DYZD_DATA", "6"}, {"KRDYZD", "DYZD_SJ", "'v'"}, {"KRLZD", "LZD_MC", "getdate()"},
                                 {"KRDYZD", "DYZD_DATA", "7"}},
        {{"HZDWSJ", "DYZD_DATA", "-1.5"}, {"HZHZSJ", "DYZD_BZ", "0"}}};
    ScriptedPrompts prompts;
    NullEvents events;
    Lines bb, hz;
    DefaultRebuildJob(testJobContext(as.dm(), events), lists, {}, bb, hz).run();

    QCOMPARE(bb.lines.size(), 3);
    QVERIFY2(bb.lines.at(1).startsWith("【3】创建表KRLZD索引LZD_MC失败:"), qPrintable(bb.lines.at(1)));
    QCOMPARE(hz.lines.size(), 3);
    QVERIFY2(hz.lines.at(1).startsWith("【2】创建表HZHZSJ索引DYZD_BZ失败:") && hz.lines.at(1).contains("DYZD_BZ"),
        qPrintable(hz.lines.at(1)));
    // Failing entries leave the schema exactly as it was.
    QCOMPARE(schemaOf(as, "HZHZSJ"), hzsj);
    QCOMPARE(schemaOf(as, "KRLZD"), lzd);
    QCOMPARE(as.value("pragma integrity_check"), QStringLiteral("ok"));
    // New rows without the columns take the new defaults (on the program's connection and
    // on another); the rows already there are untouched.
    Query(as.mast()).execute("insert into KRDYZD (BBZD_BH, BBZD_DATE, DYZD_ORDE) values ('101', '200401', '0003')");
    as.insert("KRDYZD", {"BBZD_BH", "BBZD_DATE", "DYZD_ORDE"}, {{"101", "200401", "0004"}});
    as.insert("HZDWSJ", {"BBZD_BH", "BBZD_DATE"}, {{"101", "200401"}});
    const QString null = TestAccountSet::nullText();
    QCOMPARE(as.rows("select DYZD_ORDE, DYZD_DATA, DYZD_SJ from KRDYZD order by DYZD_ORDE"),
        (QList<QStringList>{{"0001", "3", "a"}, {"0002", null, null}, {"0003", "7", "v"}, {"0004", "7", "v"}}));
    QCOMPARE(as.value("select DYZD_DATA from HZDWSJ"), QStringLiteral("-1.5"));
    QCOMPARE(schemaOf(as, "KRDYZD").count("DEFAULT"), 2);

    // A historical run changes the historical table only.
    DefaultRebuildJob(testJobContext(as.dm(), events), {{{"KRDYZD", "DYZD_DATA", "8"}}, {}},
        {.bbYearSuffix = "2003", .hzChosen = false}, bb, hz)
        .run();
    QCOMPARE(bb.lines, report("报表管理", "默认值"));
    as.insert("KRDYZD2003", {"BBZD_BH", "BBZD_DATE"}, {{"102", "200301"}});
    QCOMPARE(as.value("select DYZD_DATA from KRDYZD2003"), QStringLiteral("8"));
    as.insert("KRDYZD", {"BBZD_BH", "BBZD_DATE", "DYZD_ORDE"}, {{"101", "200401", "0005"}});
    QCOMPARE(as.value("select DYZD_DATA from KRDYZD where DYZD_ORDE='0005'"), QStringLiteral("7"));
}

void TestSchemaRebuild::schemaText_data()
{
    QTest::addColumn<QString>("create");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("expected");
    QTest::newRow("added at the end of the definition")
        << "CREATE TABLE T (A varchar(8),\n b int\n)" << "B" << "CREATE TABLE T (A varchar(8),\n b int DEFAULT 'n'\n)";
    QTest::newRow("a literal with a comma and a parenthesis replaced whole")
        << "CREATE TABLE T (A varchar(8) DEFAULT 'a,(b' NOT NULL, B int)" << "A"
        << "CREATE TABLE T (A varchar(8) DEFAULT 'n' NOT NULL, B int)";
    QTest::newRow("quoted names; a name that begins like another; default inside a literal")
        << "CREATE TABLE \"T\" (AB int DEFAULT 1, [A] numeric(9,2) CHECK (A <> 'default 1') DEFAULT -1.5, `DEFAULT_A` int)"
        << "a" << "CREATE TABLE \"T\" (AB int DEFAULT 1, [A] numeric(9,2) CHECK (A <> 'default 1') DEFAULT 'n', `DEFAULT_A` int)";
    QTest::newRow("no such column") << "CREATE TABLE T (A int)" << "C" << QString();
}

void TestSchemaRebuild::schemaText()
{
    QFETCH(QString, create);
    QFETCH(QString, column);
    QTEST(dialect::withColumnDefault(create, column, "'n'"), "expected");
}

void TestSchemaRebuild::sqliteFailureAfterTheSchemaWrite()
{
    // The schema text is written, then its check fails: the change is rolled back whole.
    TestAccountSet as;
    const QString before = schemaOf(as, "KRLZD");
    QStringList steps;
    as.mast().setStatementHook([&steps](const QString& sql) {
        steps << sql;
        if (sql == QLatin1String("PRAGMA integrity_check"))
            throw DatabaseError("injected");
    });
    ScriptedPrompts prompts;
    NullEvents events;
    Lines bb, hz;
    DefaultRebuildJob(testJobContext(as.dm(), events), {{{"KRLZD", "LZD_MC", "'m'"}}, {}}, {}, bb, hz).run();
    QCOMPARE(bb.lines, report("报表管理", "默认值", {"【1】创建表KRLZD索引LZD_MC失败:injected"}));
    QVERIFY(steps.contains("PRAGMA writable_schema=ON") && steps.contains("ROLLBACK TO vostrel_default"));
    QCOMPARE(schemaOf(as, "KRLZD"), before);
    Query(as.mast()).execute("insert into KRLZD (BBZD_BH, BBZD_DATE, LZD_ORDE) values ('1', '200401', '01')");
    QCOMPARE(as.value("select LZD_MC from KRLZD"), TestAccountSet::nullText());
}

void TestSchemaRebuild::windows()
{
    TestAccountSet as;
    as.writeKolvarin({{"HZ1", {{"IndexName", "IX_BAD"}, {"TableName", "HZNONE"}, {"Columns", "(A)"}}},
        {"DefHZ1", {{"TableName", "HZLZD"}, {"Column", "LZD_MC"}, {"DefVal", "\"'-'\""}}}});
    ScriptedPrompts prompts;
    TReIndexForm index(as.dm());
    TReDefaForm defaults(as.dm());
    as.writeKolvarin({});   // read at creation only
    QCOMPARE(index.windowTitle(), QStringLiteral("索引重建"));
    QCOMPARE(defaults.PageControl1->tabText(0) + defaults.PageControl1->tabText(1), QStringLiteral("默认值重建重建报告"));

    // Historical year chosen, then the current year again: the spin's value no longer counts.
    index.HZChoice->historicalItem()->setChecked(true);
    index.HZChoice->yearSpin()->setValue(2001);
    index.HZChoice->currentItem()->setChecked(true);
    QVERIFY(!index.HZChoice->yearSpin()->isEnabled());
    index.ReIndexButton->click();
    QCOMPARE(index.BBRebuildMemo->lines(), report("报表管理", "索引"));
    QVERIFY2(index.HZRebuildMemo->lines().value(1).startsWith("【1】创建表HZNONE索引IX_BAD失败:"),
        qPrintable(index.HZRebuildMemo->lines().value(1)));

    defaults.ReDefButton->click();
    QCOMPARE(defaults.HZRebuildMemo->lines(), report("报表汇总", "默认值"));
    QCOMPARE(prompts.texts(), (QStringList{"重建索引结束，请查看重建报告! ", "重建默认值结束，请查看重建报告! "}));
    as.insert("HZLZD", {"BBZD_BH", "BBZD_DATE", "LZD_ORDE"}, {{"1", "200401", "01"}});
    QCOMPARE(as.value("select LZD_MC from HZLZD"), QStringLiteral("-"));
}

QTEST_MAIN(TestSchemaRebuild)
#include "test_schema_rebuild.moc"
