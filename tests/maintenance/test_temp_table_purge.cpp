#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "support/recorded_module.h"
#include "maintenance/ui/drop_temp_form.h"
#include "maintenance/temp_table_purge.h"
#include "support/job_rig.h"
#include "support/recorders.h"
#include "support/scripted_prompts.h"
#include "support/test_account_set.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {
// What the progress windows of a run were told.
RecordingBackend::Answer names(const QStringList& tables)
{
    RecordingBackend::Answer a;
    a.columns = {QStringLiteral("TmpName")};
    for (const QString& t : tables)
        a.rows.append({t});
    return a;
}

// A data module on the recording engine, connected, of the given kind.
struct Recorded : RecordedModule {
    explicit Recorded(int kind, const QString& workstation = {}) : RecordedModule(DbKind(kind), workstation) {}
    QStringList catalogueQueries() const { return statementsStarting(QStringLiteral("select ")); }
    QStringList drops() const { return statementsStarting(QStringLiteral("drop table ")); }
};

const QStringList kPrefixes{"TMP_CA_", "TMP_DG_", "TMP_FX_", "HZTMP_", "ZWKMJEBB_", "ZWKMSLBB_",
    "ZWKMWBBB_", "ZWFZJEBB_", "ZWFZSLBB_", "ZWFZWBBB_"};
}

class TestTempTablePurge : public QObject {
    Q_OBJECT
private slots:
    void catalogueQueries_data();
    void catalogueQueries();
    void dropsWhatTheCatalogueNames();
    void failuresArePassedOver();
    void closingBoxOnTheAccountSet_data();
    void closingBoxOnTheAccountSet();
    void paddedAndChineseNames_data();
    void paddedAndChineseNames();
    void chineseNamesOnTheAccountSet();
    void kindZeroOnTheAccountSet();
    void answerNoSendsNothing();
    void windowTexts();
};

void TestTempTablePurge::catalogueQueries_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("checkLocal");
    QTest::addColumn<QString>("workstation");
    QTest::addColumn<QStringList>("expected");

    auto sysobjects = [](const QString& p) {
        return QStringLiteral("select name  TmpName from sysobjects where type='U' and name like '") + p
            + QStringLiteral("%'");
    };
    auto userTables = [](const QString& p, const QString& second) {
        QString s = QStringLiteral("select table_name TmpName from user_tables where table_name like '") + p
            + QStringLiteral("%'");
        return second.isEmpty() ? s : s + QLatin1Char('\n') + second;
    };
    const QString escaped = QStringLiteral("select table_name TmpName from user_tables where table_name like 'T\\_%' escape '\\'");

    QStringList kind0, kind1, kind3, kind3Local, kind3Error;
    for (const QString& p : kPrefixes) {
        kind0 << sysobjects(p);
        kind3 << userTables(p, {});
        kind3Local << userTables(p, QStringLiteral(" and table_name like '%W01'"));
        kind3Error << userTables(p, QStringLiteral(" and table_name like '%ERROR'"));
    }
    kind1 = kind0;
    kind0 << sysobjects(QStringLiteral("#"));
    kind3 << escaped;
    kind3Local << escaped + QStringLiteral("\n and table_name like '%W01'");
    kind3Error << escaped + QStringLiteral("\n and table_name like '%ERROR'");

    QTest::newRow("kind 0") << 0 << false << QString() << kind0;
    QTest::newRow("kind 0, check box without effect") << 0 << true << QStringLiteral("W01") << kind0;
    QTest::newRow("kind 1") << 1 << false << QString() << kind1;
    QTest::newRow("kind 2, check box without effect") << 2 << true << QStringLiteral("W01") << kind1;
    QTest::newRow("kind 3") << 3 << false << QStringLiteral("W01") << kind3;
    QTest::newRow("kind 3, this computer only") << 3 << true << QStringLiteral("W01") << kind3Local;
    QTest::newRow("kind 3, workstation lookup failed") << 3 << true << QStringLiteral("ERROR") << kind3Error;
}

void TestTempTablePurge::catalogueQueries()
{
    QFETCH(int, kind);
    QFETCH(bool, checkLocal);
    QFETCH(QString, workstation);
    QFETCH(QStringList, expected);

    ScriptedPrompts prompts;
    Recorded r(kind, workstation);
    ProgressLog log;
    NullEvents events;
    TempTablePurgeJob(testJobContext(*r.dm, events, loggedProgress(log)), {.checkLocal = checkLocal}).run();

    QCOMPARE(r.catalogueQueries(), expected);
    QVERIFY(r.drops().isEmpty());
    QCOMPARE(log.windows, 0); // nothing matched: no progress window
    QCOMPARE(prompts.texts(), (QStringList{QStringLiteral("操作前必须保证所有系统已经退出，确认清除临时表？"),
                                  QStringLiteral("临时表清理完毕")}));
    QCOMPARE(prompts.boxes.at(0).caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.at(0).buttons, PromptButtons::YesNo);
    QCOMPARE(prompts.boxes.at(0).icon, PromptIcon::Information);
    QCOMPARE(prompts.boxes.at(1).caption, QStringLiteral("提示"));
    QCOMPARE(prompts.boxes.at(1).buttons, PromptButtons::Ok);
    QCOMPARE(prompts.boxes.at(1).icon, PromptIcon::Information);
}

void TestTempTablePurge::dropsWhatTheCatalogueNames()
{
    ScriptedPrompts prompts;
    Recorded r(2);
    // The server matches underscores as any character: TMPXCAY9 comes back for TMP_CA_.
    r.backend->answer(QStringLiteral("like 'TMP_CA_%'"),
        names({QStringLiteral("TMP_CA_01"), QStringLiteral("TMPXCAY9"),
            QStringLiteral("TMP_CA_X; drop table KRBBZD"), QStringLiteral("TMP_CA_$2#")}));
    r.backend->answer(QStringLiteral("like 'HZTMP_%'"), names({QStringLiteral("HZTMP_0001")}));
    ProgressLog log;
    NullEvents events;
    TempTablePurgeJob(testJobContext(*r.dm, events, loggedProgress(log))).run();

    QCOMPARE(r.drops(), (QStringList{QStringLiteral("drop table TMP_CA_01"), QStringLiteral("drop table TMPXCAY9"),
                            QStringLiteral("drop table TMP_CA_$2#"), QStringLiteral("drop table HZTMP_0001")}));
    // One window per prefix with matches, each gone before the next prefix.
    QCOMPARE(log.windows, 2);
    QCOMPARE(log.open, 0);
    QCOMPARE(log.maxima, (QList<int>{4, 1}));
    QCOMPARE(log.steps, 5);
    QCOMPARE(log.labels, (QStringList{QStringLiteral("正在清除临时表......"), QStringLiteral("正在清除临时表TMP_CA_01"),
                             QStringLiteral("正在清除临时表TMPXCAY9"), QStringLiteral("正在清除临时表TMP_CA_$2#"),
                             QStringLiteral("正在清除临时表......"), QStringLiteral("正在清除临时表HZTMP_0001")}));
    QCOMPARE(prompts.texts().last(), QStringLiteral("临时表清理完毕"));
}

void TestTempTablePurge::failuresArePassedOver()
{
    ScriptedPrompts prompts;
    Recorded r(3, QStringLiteral("W01"));
    r.backend->fail(QStringLiteral("like 'TMP_CA_%'"), QStringLiteral("ORA-00942: table or view does not exist"));
    r.backend->answer(QStringLiteral("like 'TMP_DG_%'"),
        names({QStringLiteral("TMP_DG_1"), QStringLiteral("TMP_DG_2"), QStringLiteral("TMP_DG_3")}));
    r.backend->fail(QStringLiteral("drop table TMP_DG_2"), QStringLiteral("resource busy"));
    r.backend->answer(QStringLiteral("escape"), names({QStringLiteral("T_0001")}));
    ProgressLog log;
    NullEvents events;
    TempTablePurgeJob(testJobContext(*r.dm, events, loggedProgress(log))).run();

    QCOMPARE(r.catalogueQueries().size(), 11);
    QCOMPARE(r.drops(), (QStringList{QStringLiteral("drop table TMP_DG_1"), QStringLiteral("drop table TMP_DG_2"),
                            QStringLiteral("drop table TMP_DG_3"), QStringLiteral("drop table T_0001")}));
    QCOMPARE(log.windows, 2);
    QCOMPARE(prompts.texts().size(), 2);
    // The failures do not read as success: the same box counts and names them.
    QCOMPARE(prompts.texts().last(), QStringLiteral("临时表清理完毕\n\n清理没有全部成功，已删除 3 个临时表。"
                                                    "\n查询失败的前缀：TMP_CA_\n未能删除的表（1 个）：TMP_DG_2"));
    QCOMPARE(prompts.boxes.last().icon, PromptIcon::Warning);
}

void TestTempTablePurge::closingBoxOnTheAccountSet_data()
{
    QTest::addColumn<QString>("failure");   // "catalogue": no sysobjects; otherwise a drop that fails
    QTest::addColumn<QStringList>("left");  // tables still there afterwards
    QTest::addColumn<QString>("text");
    QTest::newRow("all went well") << QString() << QStringList{} << QStringLiteral("临时表清理完毕");
    QTest::newRow("one drop failed") << QStringLiteral("drop table HZTMP_0001") << QStringList{"HZTMP_0001"}
                                     << QStringLiteral("临时表清理完毕\n\n清理没有全部成功，已删除 2 个临时表。"
                                                       "\n未能删除的表（1 个）：HZTMP_0001");
    QString prefixes = kPrefixes.join(QStringLiteral("、")) + QStringLiteral("、#");
    QTest::newRow("no catalogue") << QStringLiteral("catalogue") << QStringList{"HZTMP_0001", "TMP_CA_01", "TMP_DG_2004"}
                                  << QStringLiteral("临时表清理完毕\n\n清理没有全部成功，已删除 0 个临时表。\n查询失败的前缀：")
            + prefixes;
}

void TestTempTablePurge::closingBoxOnTheAccountSet()
{
    QFETCH(QString, failure);
    QFETCH(QStringList, left);
    QFETCH(QString, text);
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    for (const QString t : {"TMP_CA_01", "TMP_DG_2004", "HZTMP_0001"})
        as.exec(QStringLiteral("create table %1 (ID int)").arg(t));
    if (failure == u"catalogue")
        as.exec(QStringLiteral("drop view sysobjects"));
    else if (!failure.isEmpty())
        as.mast().setStatementHook([&](const QString& sql) {
            if (sql == failure)
                throw DatabaseError(QStringLiteral("table is locked"));
        });
    ProgressLog log;
    NullEvents events;
    TempTablePurgeJob(testJobContext(as.dm(), events, loggedProgress(log))).run();
    as.mast().setStatementHook({});

    QCOMPARE(as.tables(QStringLiteral("%TMP%")), left);
    QCOMPARE(prompts.texts().last(), text);
    QCOMPARE(prompts.boxes.last().icon, failure.isEmpty() ? PromptIcon::Information : PromptIcon::Warning);
}

void TestTempTablePurge::paddedAndChineseNames_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("dbms");
    QTest::addColumn<QStringList>("catalogue");   // what the catalogue gives for TMP_CA_
    QTest::addColumn<QStringList>("drops");
    const QStringList read{"TMP_CA_01     ", "TMP_CA_临时表  ", "TMP_CA_报 表  ", "TMP_CA_X'   ", "   "};
    const QStringList dropped{"drop table TMP_CA_01", "drop table TMP_CA_临时表"};
    QTest::newRow("sql server, char(30) names") << 2 << "Microsoft SQL Server" << read << dropped;
    QTest::newRow("sybase") << 1 << "Adaptive Server Enterprise" << read << dropped;
    QTest::newRow("oracle") << 3 << "Oracle" << read << dropped;
    QTest::newRow("db2") << 3 << "DB2/NT" << read << dropped;
}

void TestTempTablePurge::paddedAndChineseNames()
{
    QFETCH(int, kind);
    QFETCH(QString, dbms);
    QFETCH(QStringList, catalogue);
    QFETCH(QStringList, drops);
    ScriptedPrompts prompts;
    Recorded r(kind);
    r.backend->dbms = dbms;
    r.dm->mast.connect();
    r.backend->answer(QStringLiteral("like 'TMP_CA_"), names(catalogue));
    ProgressLog log;
    NullEvents events;
    TempTablePurgeJob(testJobContext(*r.dm, events, loggedProgress(log))).run();
    QCOMPARE(r.drops(), drops);
    QCOMPARE(log.labels, (QStringList{"正在清除临时表......", "正在清除临时表TMP_CA_01", "正在清除临时表TMP_CA_临时表"}));
    QCOMPARE(log.steps, catalogue.size());
}

void TestTempTablePurge::chineseNamesOnTheAccountSet()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    for (const QString t : {"TMP_CA_临时1", "HZTMP_汇总表", "临时表"})
        as.exec(QStringLiteral("create table %1 (ID int)").arg(t));
    NullEvents events;
    TempTablePurgeJob(testJobContext(as.dm(), events)).run();
    QVERIFY(!as.tableExists("TMP_CA_临时1"));
    QVERIFY(!as.tableExists("HZTMP_汇总表"));
    QVERIFY(as.tableExists("临时表"));
}

void TestTempTablePurge::kindZeroOnTheAccountSet()
{
    ScriptedPrompts prompts;
    TestAccountSet as({.reportTables = false});
    const QStringList matching{"TMP_CA_01", "TMP_CA_0519W01", "TMPXCAY9", "TMP_DG_2004", "TMP_FX_KM1",
        "HZTMP_0001", "ZWKMJEBB_01", "ZWFZSLBB_01", "zwfzwbbb_low"};
    const QStringList kept{"TMP_CB_01", "USR_TMP_CA_01", "HZTMP", "TMP_FX"};
    for (const QString& t : matching + kept)
        as.exec(QStringLiteral("create table %1 (ID int)").arg(t));
    as.exec(QStringLiteral("create view TMP_CA_VIEW as select 1 as ID")); // not a user table
    const QStringList before = as.tables();

    ProgressLog log;
    NullEvents events;
    TempTablePurgeJob(testJobContext(as.dm(), events, loggedProgress(log))).run();

    QStringList expected = before;
    for (const QString& t : matching)
        expected.removeAll(t);
    QCOMPARE(as.tables(), expected);
    // TMP_CA_, TMP_DG_, TMP_FX_, HZTMP_, ZWKMJEBB_, ZWFZSLBB_, ZWFZWBBB_ have matches.
    QCOMPARE(log.windows, 7);
    QCOMPARE(log.maxima, (QList<int>{3, 1, 1, 1, 1, 1, 1}));
    QCOMPARE(log.steps, matching.size());
    QCOMPARE(prompts.texts().last(), QStringLiteral("临时表清理完毕"));
}

void TestTempTablePurge::answerNoSendsNothing()
{
    ScriptedPrompts prompts;
    prompts.answers.enqueue(PromptAnswer::No);
    Recorded r(0);
    r.backend->answer(QStringLiteral("sysobjects"), names({QStringLiteral("TMP_CA_01")}));
    const int before = r.backend->events.size();
    TFrmDropTemp window(*r.dm);
    window.BtnDropTemp->click();
    QCOMPARE(r.backend->events.size(), before);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("操作前必须保证所有系统已经退出，确认清除临时表？")});
}

void TestTempTablePurge::windowTexts()
{
    ScriptedPrompts prompts;
    Recorded r(3, QStringLiteral("W01"));
    TFrmDropTemp window(*r.dm);
    QCOMPARE(window.windowTitle(), QStringLiteral("报表临时表清除"));
    QCOMPARE(window.BtnDropTemp->text(), QStringLiteral("清除"));
    QCOMPARE(window.BtnClose->text(), QStringLiteral("关闭"));
    QCOMPARE(window.CheckLocal->text(), QStringLiteral("只清除本机临时表"));
    QVERIFY(!window.CheckLocal->isChecked());
    QCOMPARE(window.Label1->text(),
        QStringLiteral("    临时表是各个系统使用过程中产生的，如果数量过多，可能会影响到系统月末存档、年结。"
                       "临时表的清除并不影响报表系统正常使用。清除前请保证各个系统已经退出。"));
    // The check box reaches the catalogue query.
    window.CheckLocal->setChecked(true);
    window.BtnDropTemp->click();
    const QStringList statements = r.backend->statements();
    QVERIFY(!statements.isEmpty());
    QVERIFY(statements.first().endsWith(QLatin1String("\n and table_name like '%W01'")));
    QCOMPARE(prompts.texts().last(), QStringLiteral("临时表清理完毕"));
}

QTEST_MAIN(TestTempTablePurge)
#include "test_temp_table_purge.moc"
