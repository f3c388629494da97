#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "data_module/dialect.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/recording_backend.h"
#include "maintenance/schema_rebuild.h"
#include "maintenance/ui/rebuild_forms.h"
#include "support/job_rig.h"
#include "support/logged_progress.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QCheckBox>
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

const QString kBBStart = QStringLiteral("------报表管理默认值重建报告开始------");
const QString kBBEnd = QStringLiteral("------报表管理默认值重建报告结束------");
const QString kHZStart = QStringLiteral("------报表汇总默认值重建报告开始------");
const QString kHZEnd = QStringLiteral("------报表汇总默认值重建报告结束------");

DefaultLists oneAndOne()
{
    return {{{QStringLiteral("KRBBZD"), QStringLiteral("BBZD_MC"), QStringLiteral("'x'")}},
        {{QStringLiteral("HZDWSJ"), QStringLiteral("DYZD_DATA"), QStringLiteral("0")}}};
}
}

class TestDefaultRebuild : public QObject {
    Q_OBJECT
private slots:
    void statements_data();
    void statements();
    void schemaText_data();
    void schemaText();
    void sqliteRebuild_data();
    void sqliteRebuild();
    void sqliteInsideATransaction();
    void window();
};

void TestDefaultRebuild::statements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("bbSuffix");
    QTest::addColumn<QString>("hzSuffix");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("kind 0, current year")
        << 0 << QString() << QString()
        << QStringList{" ALTER TABLE KRBBZD MODIFY       BBZD_MC  DEFAULT 'x'",
               " ALTER TABLE HZDWSJ MODIFY       DYZD_DATA  DEFAULT 0"};
    QTest::newRow("kind 1, 2001 for report management")
        << 1 << QStringLiteral("2001") << QString()
        << QStringList{" alter table KRBBZD2001 replace       BBZD_MC  default 'x'",
               " alter table HZDWSJ replace       DYZD_DATA  default 0"};
    QTest::newRow("kind 2, current year")
        << 2 << QString() << QString()
        << QStringList{" ALTER TABLE KRBBZD ADD CONSTRAINT       DF_KRBBZD_BBZD_MC DEFAULT 'x' FOR BBZD_MC",
               " ALTER TABLE HZDWSJ ADD CONSTRAINT       DF_HZDWSJ_DYZD_DATA DEFAULT 0 FOR DYZD_DATA"};
    QTest::newRow("kind 2, 2001 for both")
        << 2 << QStringLiteral("2001") << QStringLiteral("2001")
        << QStringList{" ALTER TABLE KRBBZD2001 ADD CONSTRAINT       DF_KRBBZD2001_BBZD_MC DEFAULT 'x' FOR BBZD_MC",
               " ALTER TABLE HZDWSJ2001 ADD CONSTRAINT       DF_HZDWSJ2001_DYZD_DATA DEFAULT 0 FOR DYZD_DATA"};
    QTest::newRow("kind 3, 2003 for report summary")
        << 3 << QString() << QStringLiteral("2003")
        << QStringList{" alter table KRBBZD modify       BBZD_MC  default 'x'",
               " alter table HZDWSJ2003 modify       DYZD_DATA  default 0"};
}

void TestDefaultRebuild::statements()
{
    QFETCH(int, kind);
    QFETCH(QString, bbSuffix);
    QFETCH(QString, hzSuffix);
    QFETCH(QStringList, expected);

    ScriptedPrompts prompts;
    auto* backend = new RecordingBackend;
    TEndYearDataMod dm{std::unique_ptr<Backend>(backend)};
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind(kind);
    backend->fail(QStringLiteral("KRBBZD"), QStringLiteral("Table not found"));
    NullEvents events;
    ProgressLog log;
    Lines bbMemo, hzMemo;
    DefaultRebuildJob(testJobContext(dm, events, loggedProgress(log)), oneAndOne(),
        {.bbYearSuffix = bbSuffix, .hzYearSuffix = hzSuffix}, bbMemo, hzMemo)
        .run();

    QCOMPARE(backend->statements(), expected);
    // The failure line names the table with its suffix and the column without.
    QCOMPARE(bbMemo.lines,
        (QStringList{kBBStart, "【1】创建表KRBBZD" + bbSuffix + "索引BBZD_MC失败:Table not found", kBBEnd}));
    QCOMPARE(hzMemo.lines, (QStringList{kHZStart, kHZEnd}));
    QCOMPARE(log.windows, 2);
    QCOMPARE(log.labels, (QStringList{"正在重建报表管理默认值", "正在重建表KRBBZD字段BBZD_MC的默认值",
                              "正在重建汇总报表默认值", "正在重建表HZDWSJ字段DYZD_DATA的默认值"}));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("重建默认值结束，请查看重建报告! ")});
    QCOMPARE(prompts.boxes.at(0).caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.at(0).icon, PromptIcon::Information);
}

void TestDefaultRebuild::schemaText_data()
{
    QTest::addColumn<QString>("create");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no default yet")
        << "CREATE TABLE T (A varchar(8), B numeric, C int)" << "b" << "0"
        << "CREATE TABLE T (A varchar(8), B numeric DEFAULT 0, C int)";
    QTest::newRow("last column, before the closing parenthesis")
        << "CREATE TABLE T (A varchar(8),\n C int\n)" << "C" << "-1"
        << "CREATE TABLE T (A varchar(8),\n C int DEFAULT -1\n)";
    QTest::newRow("a literal default with a comma and a parenthesis is replaced whole")
        << "CREATE TABLE T (A varchar(8) DEFAULT 'a,(b' NOT NULL, B int)" << "A" << "''"
        << "CREATE TABLE T (A varchar(8) DEFAULT '' NOT NULL, B int)";
    QTest::newRow("a parenthesised default")
        << "CREATE TABLE T (A int default (1+2), B int)" << "A" << "7" << "CREATE TABLE T (A int DEFAULT 7, B int)";
    QTest::newRow("a negative number")
        << "CREATE TABLE T (A numeric(12,2) DEFAULT -1.5 CHECK (A > -9), B int)" << "A" << "0"
        << "CREATE TABLE T (A numeric(12,2) DEFAULT 0 CHECK (A > -9), B int)";
    QTest::newRow("quoted column names")
        << "CREATE TABLE \"T\" (\"A B\" text, [C] text, `D` text)" << "C" << "'x'"
        << "CREATE TABLE \"T\" (\"A B\" text, [C] text DEFAULT 'x', `D` text)";
    QTest::newRow("a column whose name begins like another")
        << "CREATE TABLE T (AB int DEFAULT 1, A int)" << "A" << "2"
        << "CREATE TABLE T (AB int DEFAULT 1, A int DEFAULT 2)";
    QTest::newRow("a default word inside a literal or a name is not the clause")
        << "CREATE TABLE T (A varchar(9) CHECK (A <> 'default 1'), DEFAULT_A int)" << "A" << "'d'"
        << "CREATE TABLE T (A varchar(9) CHECK (A <> 'default 1') DEFAULT 'd', DEFAULT_A int)";
    QTest::newRow("no such column") << "CREATE TABLE T (A int, B int)" << "C" << "0" << QString();
}

void TestDefaultRebuild::schemaText()
{
    QFETCH(QString, create);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QTEST(dialect::withColumnDefault(create, column, value), "expected");
}

void TestDefaultRebuild::sqliteRebuild_data()
{
    QTest::addColumn<int>("kind");
    for (int kind = 0; kind <= 3; ++kind)
        QTest::addRow("kind %d", kind) << kind;
}

void TestDefaultRebuild::sqliteRebuild()
{
    QFETCH(int, kind);
    TestAccountSet as({.historyYears = {2003}});
    as.dm().state.DatabaseKind = DbKind(kind);
    as.insert("KRDYZD", {"BBZD_BH", "BBZD_DATE", "DYZD_ORDE", "DYZD_DATA", "DYZD_SJ"},
        {{"101", "200401", "0001", 3, "a"}, {"101", "200401", "0002", QVariant(), QVariant()}});
    const QString hzsjBefore = as.value("select sql from sqlite_master where name='HZHZSJ'");
    const QString lzdBefore = as.value("select sql from sqlite_master where name='KRLZD'");
    const QString versionBefore = as.value("pragma schema_version");

    const DefaultLists lists{{{"KRDYZD", "DYZD_DATA", "7"}, {"KRDYZD", "DYZD_SJ", "'v'"}, {"KRLZD", "LZD_MC", "getdate()"}},
        {{"HZDWSJ", "DYZD_DATA", "-1.5"}, {"HZHZSJ", "DYZD_BZ", "0"}, {"HZDWSJ", "DYZD_SJ", "''"}}};
    ScriptedPrompts prompts;
    NullEvents events;
    Lines bbMemo, hzMemo;
    DefaultRebuildJob(testJobContext(as.dm(), events), lists, {}, bbMemo, hzMemo).run();

    QCOMPARE(bbMemo.lines.size(), 3);
    QVERIFY2(bbMemo.lines.at(1).startsWith(QStringLiteral("【3】创建表KRLZD索引LZD_MC失败:")), qPrintable(bbMemo.lines.at(1)));
    QCOMPARE(hzMemo.lines.size(), 3);
    QVERIFY2(hzMemo.lines.at(1).startsWith(QStringLiteral("【2】创建表HZHZSJ索引DYZD_BZ失败:")), qPrintable(hzMemo.lines.at(1)));
    QVERIFY2(hzMemo.lines.at(1).contains(QLatin1String("DYZD_BZ")), qPrintable(hzMemo.lines.at(1)));
    // Failing entries leave their tables' schema exactly as it was.
    QCOMPARE(as.value("select sql from sqlite_master where name='HZHZSJ'"), hzsjBefore);
    QCOMPARE(as.value("select sql from sqlite_master where name='KRLZD'"), lzdBefore);
    QVERIFY(as.value("pragma schema_version").toInt() > versionBefore.toInt());
    QCOMPARE(as.value("pragma integrity_check"), QStringLiteral("ok"));

    // Rows inserted without the columns take the new defaults, on the program's own
    // connection as on a new one; the rows already there are untouched.
    Query q(as.mast());
    q.execute(QStringLiteral("insert into KRDYZD (BBZD_BH, BBZD_DATE, DYZD_ORDE) values ('101', '200401', '0003')"));
    as.insert("KRDYZD", {"BBZD_BH", "BBZD_DATE", "DYZD_ORDE"}, {{"101", "200401", "0004"}});
    as.insert("HZDWSJ", {"BBZD_BH", "BBZD_DATE"}, {{"101", "200401"}});
    QCOMPARE(as.rows("select DYZD_ORDE, DYZD_DATA, DYZD_SJ from KRDYZD order by DYZD_ORDE"),
        (QList<QStringList>{{"0001", "3", "a"}, {"0002", TestAccountSet::nullText(), TestAccountSet::nullText()},
            {"0003", "7", "v"}, {"0004", "7", "v"}}));
    QCOMPARE(as.rows("select DYZD_DATA, DYZD_SJ from HZDWSJ"), (QList<QStringList>{{"-1.5", ""}}));
    // The historical tables are not touched by a current-year run.
    as.insert("KRDYZD2003", {"BBZD_BH", "BBZD_DATE"}, {{"101", "200301"}});
    QCOMPARE(as.value("select DYZD_DATA from KRDYZD2003"), TestAccountSet::nullText());

    // A second run replaces the default instead of adding one, and reaches the historical year.
    DefaultRebuildJob(testJobContext(as.dm(), events), {{{"KRDYZD", "DYZD_DATA", "8"}}, {}},
        {.bbYearSuffix = QStringLiteral("2003"), .hzChosen = false}, bbMemo, hzMemo)
        .run();
    QCOMPARE(bbMemo.lines, (QStringList{kBBStart, kBBEnd}));
    as.insert("KRDYZD2003", {"BBZD_BH", "BBZD_DATE"}, {{"102", "200301"}});
    QCOMPARE(as.value("select DYZD_DATA from KRDYZD2003 where BBZD_BH='102'"), QStringLiteral("8"));
    QCOMPARE(as.value("select sql from sqlite_master where name='KRDYZD2003'").count(QStringLiteral("DEFAULT")), 1);
    QCOMPARE(as.value("select count(*) from KRDYZD2003 where BBZD_BH='101' and DYZD_DATA is null"), QStringLiteral("1"));
}

void TestDefaultRebuild::sqliteInsideATransaction()
{
    // Inside a transaction of the caller the change is part of it: a rollback undoes it.
    TestAccountSet as;
    const QString before = as.value("select sql from sqlite_master where name='KRLZD'");
    as.mast().startTransaction();
    Query q(as.mast());
    q.execute(QStringLiteral(" alter table KRLZD modify       LZD_MC  default 'm'"));
    q.execute(QStringLiteral("insert into KRLZD (BBZD_BH, BBZD_DATE, LZD_ORDE) values ('1', '200401', '01')"));
    q.open(QStringLiteral("select LZD_MC from KRLZD"));
    QCOMPARE(q.text(0), QStringLiteral("m"));
    q.close();
    as.mast().rollback();
    QCOMPARE(as.value("select sql from sqlite_master where name='KRLZD'"), before);
    QCOMPARE(as.count("KRLZD"), 0);
}

void TestDefaultRebuild::window()
{
    TestAccountSet as;
    as.writeKolvarin({{QStringLiteral("DefBB1"), {{"TableName", "KRLZD"}, {"Column", "LZD_MC"}, {"DefVal", "\"'-'\""}}},
        {QStringLiteral("DefHZ1"), {{"TableName", "HZLZD"}, {"Column", "LZD_MC"}, {"DefVal", "\"'-'\""}}}});
    ScriptedPrompts prompts;
    TReDefaForm form(as.dm());
    as.writeKolvarin({});
    QCOMPARE(form.windowTitle(), QStringLiteral("默认值重建"));
    QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("默认值重建"));
    QCOMPARE(form.PageControl1->tabText(1), QStringLiteral("重建报告"));
    QCOMPARE(form.ReDefButton->text(), QStringLiteral("重建"));
    QCOMPARE(form.ReDefButton->objectName(), QStringLiteral("ReDefButton"));
    QCOMPARE(form.defaults().BBDefaults.size(), 1);

    // Report management not ticked: its memo holds its start and end lines only.
    form.BBChoice->checkBox()->setChecked(false);
    form.ReDefButton->click();
    QCOMPARE(form.BBRebuildMemo->lines(), (QStringList{kBBStart, kBBEnd}));
    QCOMPARE(form.HZRebuildMemo->lines(), (QStringList{kHZStart, kHZEnd}));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("重建默认值结束，请查看重建报告! ")});
    as.insert("HZLZD", {"BBZD_BH", "BBZD_DATE", "LZD_ORDE"}, {{"1", "200401", "01"}});
    as.insert("KRLZD", {"BBZD_BH", "BBZD_DATE", "LZD_ORDE"}, {{"1", "200401", "01"}});
    QCOMPARE(as.value("select LZD_MC from HZLZD"), QStringLiteral("-"));
    QCOMPARE(as.value("select LZD_MC from KRLZD"), TestAccountSet::nullText());
}

QTEST_MAIN(TestDefaultRebuild)
#include "test_default_rebuild.moc"
