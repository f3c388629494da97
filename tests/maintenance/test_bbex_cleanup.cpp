#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "support/recorded_module.h"
#include "maintenance/bbex_cleanup.h"
#include "maintenance/ui/del_bbex_form.h"
#include "support/job_rig.h"
#include "support/scripted_prompts.h"
#include "support/statement_faults.h"
#include "support/test_account_set.h"

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>

namespace {
struct Recorded : RecordedModule {
    Recorded()
    {
        RecordingBackend::Answer empty;
        empty.columns = {QStringLiteral("con1")};
        empty.rows = {{QVariant(0)}};
        backend->answer(QStringLiteral("count(*) con1 from temp"), empty);
    }
    // Statements (blanks and line breaks as one blank) and transaction events after the
    // connect, one text each.
    QStringList trace() const
    {
        QStringList out;
        for (const RecordingBackend::Event& e : backend->events)
            if (e.kind == QLatin1String("open") || e.kind == QLatin1String("exec"))
                out << e.text.simplified();
            else if (e.kind != QLatin1String("connect"))
                out << e.kind.toUpper();
        return out;
    }
};

QVariantList ex(const char* bh, const char* date, QVariant exc3 = {}, QVariant exc4 = {}, QVariant exn1 = {})
{
    return demo::extensionRow({.bh = bh, .date = date, .exc = {"A", {}, exc3, exc4}, .exi = {7}, .exn = {exn1}});
}

// The rows of KRBBEX and HZBBEX that a test starts with, and the rows each must hold
// after a complete run: orphans gone, identical rows once, rows differing anywhere kept.
struct ExtensionCase {
    QList<QVariantList> kr, hz, krCleaned, hzCleaned, krOrphansGone;
    // Duplicates removed while the orphans stayed (their transaction failed).
    QList<QVariantList> krDistinct, hzDistinct, hzOrphansGone;
};

ExtensionCase extensionCase()
{
    ExtensionCase c;
    const QVariantList kept = ex("101", "200401", "X");
    const QVariantList orphan = ex("999", "200401", "X");
    const QVariantList otherDate = ex("101", "200402", "X"); // 101 exists, but not with this date
    const QVariantList twin = ex("102", "200401", {}, "N", 1.5);
    const QVariantList a = ex("103", "200402", "X");
    const QVariantList b = ex("103", "200402", "Y");
    const QVariantList nullText = ex("103", "200402", "X", {});
    const QVariantList emptyText = ex("103", "200402", "X", "");
    const QVariantList number = ex("103", "200402", "X", {}, 2.25);
    c.kr = {kept, orphan, twin, a, otherDate, b, twin, nullText, emptyText, number};
    c.krCleaned = {kept, twin, a, b, emptyText, number};    // a and nullText are one row
    c.krOrphansGone = {kept, twin, a, b, twin, nullText, emptyText, number};
    c.krDistinct = {kept, orphan, twin, a, otherDate, b, emptyText, number};
    const QVariantList h = ex("201", "200401", "H", "", 3.0);
    c.hz = {h, h, h, ex("202", "200401")};
    c.hzCleaned = {h};
    c.hzOrphansGone = {h, h, h};
    c.hzDistinct = {h, ex("202", "200401")};
    return c;
}

struct ExtensionAccountSet {
    TestAccountSet as{{.reportTables = false}};
    ExtensionCase c = extensionCase();
    ExtensionAccountSet()
    {
        for (const char* p : {"KR", "HZ"}) {
            as.createReportTable(QLatin1String(p), QStringLiteral("BBZD"), QString());
            as.createReportTable(QLatin1String(p), QStringLiteral("BBEX"), QString());
        }
        as.insert(QStringLiteral("KRBBZD"), {demo::reportRow({.bh = "101", .date = "200401"}),
                                               demo::reportRow({.bh = "102", .date = "200401"}),
                                               demo::reportRow({.bh = "103", .date = "200402"})});
        as.insert(QStringLiteral("HZBBZD"), {demo::reportRow({.bh = "201", .date = "200401"})});
        as.insert(QStringLiteral("KRBBEX"), c.kr);
        as.insert(QStringLiteral("HZBBEX"), c.hz);
    }
    // Rows of a table in a fixed order, as texts.
    QList<QStringList> rows(const QString& table) const
    {
        return as.rows(QStringLiteral("select * from %1 order by 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, "
                                      "16, 17, 18, 19, 20").arg(table));
    }
    // The given rows as the table would show them.
    QList<QStringList> expected(const QList<QVariantList>& values)
    {
        as.exec(QStringLiteral("drop table if exists EXPECTED_BBEX"));
        demo::createTable(as.db(), QStringLiteral("EXPECTED_BBEX"), demo::reportColumns(QStringLiteral("KR"), QStringLiteral("BBEX")));
        as.insert(QStringLiteral("EXPECTED_BBEX"), values);
        QList<QStringList> out = rows(QStringLiteral("EXPECTED_BBEX"));
        as.exec(QStringLiteral("drop table EXPECTED_BBEX"));
        return out;
    }
};
}

class TestBbexCleanup : public QObject {
    Q_OBJECT
private slots:
    void statementsOfOnePass();
    void windowTexts();
    void cleansBothSystems();
    void failingWriteBackLeavesTheTable_data();
    void failingWriteBackLeavesTheTable();
    void leftOverWorkTableIsNotWrittenBack();
    void faultAtEveryStatement_data();
    void faultAtEveryStatement();
};

void TestBbexCleanup::statementsOfOnePass()
{
    ScriptedPrompts prompts;
    Recorded r;
    NullEvents events;
    BbexCleanupJob(testJobContext(*r.dm, events)).cleanSystem(QStringLiteral("HZ"));

    // The work table has the extension table's columns, the key columns required.
    QStringList columns;
    for (const demo::Column& c : demo::reportColumns(QStringLiteral("HZ"), QStringLiteral("BBEX")))
        columns << c.name + QLatin1Char(' ') + c.type
                + (c.name.startsWith(QLatin1String("BBZD_")) ? QStringLiteral(" not null") : QStringLiteral(" null"));
    const QString create = QStringLiteral("create table tempHZBBEX ( ") + columns.join(QStringLiteral(", "))
        + QStringLiteral(" )");
    // Orphans go in a transaction of their own; the table is cleared and refilled from the
    // distinct copy in one transaction; the work table goes before and after.
    const QStringList expected{
        QStringLiteral("drop table tempHZBBEX"),
        create,
        QStringLiteral("BEGIN"),
        QStringLiteral("delete from HZBBEX where not exists (select 1 from HZBBZD where HZBBZD.BBZD_BH = "
                       "HZBBEX.BBZD_BH and HZBBZD.BBZD_DATE = HZBBEX.BBZD_DATE)"),
        QStringLiteral("COMMIT"),
        QStringLiteral("select count(*) con1 from tempHZBBEX"),
        QStringLiteral("BEGIN"),
        QStringLiteral("insert into tempHZBBEX select distinct * from HZBBEX"),
        QStringLiteral("COMMIT"),
        QStringLiteral("BEGIN"),
        QStringLiteral("delete from HZBBEX"),
        QStringLiteral("insert into HZBBEX select * from tempHZBBEX"),
        QStringLiteral("COMMIT"),
        QStringLiteral("drop table tempHZBBEX"),
    };
    QCOMPARE(r.trace(), expected);
    QVERIFY(prompts.boxes.isEmpty());
}

void TestBbexCleanup::windowTexts()
{
    ScriptedPrompts prompts;
    Recorded r;
    TDelBBEXForm window(*r.dm);
    QCOMPARE(window.windowTitle(), QStringLiteral("扩展表（KRBBEX）垃圾数据清除"));
    QCOMPARE(window.Memo1->toPlainText().split(QLatin1Char('\n')),
        (QStringList{QStringLiteral("    报表扩展表（KRBBEX）垃圾数据清除主要解"),
            QStringLiteral("决因KRBBEX有垃圾数据导致报表月末存档失败、"), QStringLiteral("年结失败的问题。"),
            QStringLiteral("    可在清除完毕后继续进行月末存档、年结。")}));
    QVERIFY(window.Memo1->isReadOnly());
    QCOMPARE(window.DelBtn->text(), QStringLiteral("清除"));
    QVERIFY(window.DelBtn->isDefault());
    QCOMPARE(window.CloseBtn->text(), QStringLiteral("关闭"));

    // A transaction that cannot be begun ends the run in the standard error box.
    r.dm->mast.setStatementHook([](const QString& sql) {
        if (sql == QLatin1String("BEGIN"))
            throw DatabaseError(QStringLiteral("cannot begin"));
    });
    window.DelBtn->click();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("cannot begin")});
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Error);
    QVERIFY(window.DelBtn->isEnabled());
    QVERIFY(!r.trace().contains(QStringLiteral("drop table tempHZBBEX")));

    r.dm->mast.setStatementHook({});
    window.DelBtn->click();
    QCOMPARE(prompts.texts().last(), QStringLiteral("清除完成!"));
}

void TestBbexCleanup::cleansBothSystems()
{
    ScriptedPrompts prompts;
    ExtensionAccountSet e;
    TDelBBEXForm window(e.as.dm());
    window.show();
    window.DelBtn->click();

    QCOMPARE(e.rows(QStringLiteral("KRBBEX")), e.expected(e.c.krCleaned));
    QCOMPARE(e.rows(QStringLiteral("HZBBEX")), e.expected(e.c.hzCleaned));
    QVERIFY(!e.as.tableExists(QStringLiteral("tempKRBBEX")));
    QVERIFY(!e.as.tableExists(QStringLiteral("tempHZBBEX")));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("清除完成!")});

    // A second run finds nothing more to do; empty tables are no trouble either.
    window.DelBtn->click();
    QCOMPARE(e.rows(QStringLiteral("KRBBEX")), e.expected(e.c.krCleaned));
    e.as.exec(QStringLiteral("delete from KRBBEX"));
    e.as.exec(QStringLiteral("delete from HZBBEX"));
    window.DelBtn->click();
    QCOMPARE(e.as.count(QStringLiteral("KRBBEX")) + e.as.count(QStringLiteral("HZBBEX")), 0);
    QCOMPARE(prompts.texts().size(), 3);
}

void TestBbexCleanup::failingWriteBackLeavesTheTable_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("occurrence"); // which statement of that text fails, 1-based
    QTest::newRow("copy") << QStringLiteral("insert into tempKRBBEX select distinct * from KRBBEX") << 1;
    QTest::newRow("clearing") << QStringLiteral("delete from KRBBEX") << 1;
    QTest::newRow("write-back") << QStringLiteral("insert into KRBBEX select * from tempKRBBEX") << 1;
    QTest::newRow("commit of the write-back") << QStringLiteral("COMMIT") << 3;
}

void TestBbexCleanup::failingWriteBackLeavesTheTable()
{
    QFETCH(QString, failing);
    QFETCH(int, occurrence);
    ScriptedPrompts prompts;
    ExtensionAccountSet e;
    int seen = 0;
    e.as.mast().setStatementHook([&](const QString& sql) {
        if (sql.simplified() == failing && ++seen == occurrence)
            throw DatabaseError(QStringLiteral("injected failure"));
    });
    NullEvents events;
    BbexCleanupJob(testJobContext(e.as.dm(), events)).run();

    QVERIFY(seen >= occurrence);
    // Orphans went in their own transaction; everything else is as it was.
    QCOMPARE(e.rows(QStringLiteral("KRBBEX")), e.expected(e.c.krOrphansGone));
    QCOMPARE(e.rows(QStringLiteral("HZBBEX")), e.expected(e.c.hzCleaned));
    QVERIFY(!e.as.tableExists(QStringLiteral("tempKRBBEX")));
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("清除完成!\n\n清除没有全部成功：\nKRBBEX重复数据未清除：injected failure")});
    QCOMPARE(prompts.boxes.first().caption, QStringLiteral("Vostrel报表系统数据优化工具"));
    QCOMPARE(prompts.boxes.first().icon, PromptIcon::Warning);
}

void TestBbexCleanup::leftOverWorkTableIsNotWrittenBack()
{
    ScriptedPrompts prompts;
    ExtensionAccountSet e;
    // An earlier run left its work table with rows, and it cannot be dropped now.
    demo::createTable(e.as.db(), QStringLiteral("tempKRBBEX"), demo::reportColumns(QStringLiteral("KR"), QStringLiteral("BBEX")));
    e.as.insert(QStringLiteral("tempKRBBEX"), {ex("101", "200401", "STALE"), ex("555", "200401")});
    e.as.mast().setStatementHook([](const QString& sql) {
        if (sql.simplified() == QLatin1String("drop table tempKRBBEX"))
            throw DatabaseError(QStringLiteral("table in use"));
    });
    NullEvents events;
    BbexCleanupJob(testJobContext(e.as.dm(), events)).run();

    QCOMPARE(e.rows(QStringLiteral("KRBBEX")), e.expected(e.c.krOrphansGone));
    QCOMPARE(e.as.count(QStringLiteral("tempKRBBEX")), 2);
    QCOMPARE(e.rows(QStringLiteral("HZBBEX")), e.expected(e.c.hzCleaned));
    QCOMPARE(prompts.texts(),
        QStringList{QStringLiteral("清除完成!\n\n清除没有全部成功：\nKRBBEX重复数据未清除：临时表tempKRBBEX不能使用")});
}

void TestBbexCleanup::faultAtEveryStatement_data()
{
    QTest::addColumn<int>("statement");
    QTest::addColumn<int>("moment");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("inKr");
    ScriptedPrompts prompts;
    ExtensionAccountSet e;
    NullEvents events;
    QList<bool> tookEffect;
    const QStringList sent = recordStatements(
        e.as.mast(), [&] { BbexCleanupJob(testJobContext(e.as.dm(), events)).run(); }, &tookEffect);
    QCOMPARE(sent.filter(QStringLiteral("COMMIT")).size(), 6);
    const qsizetype hzStart = sent.indexOf(QRegularExpression(QStringLiteral(".*HZBBEX.*"),
        QRegularExpression::DotMatchesEverythingOption));
    QVERIFY(hzStart > 0);
    for (int i = 0; i < sent.size(); ++i)
        for (const FaultMoment m : {FaultMoment::Before, FaultMoment::After})
            if (m == FaultMoment::Before || tookEffect.at(i))   // the first drops find no table
                QTest::addRow("%d %s %s", i, faultMomentName(m), qPrintable(sent.at(i).simplified().left(40)))
                    << i << int(m) << sent.at(i) << (i < hzStart);
}

void TestBbexCleanup::faultAtEveryStatement()
{
    // Before it ran or after it took effect: each of the two transactions per table is done
    // completely or not at all, and nothing else changes.
    QFETCH(int, statement);
    QFETCH(int, moment);
    QFETCH(QString, sql);
    QFETCH(bool, inKr);
    ScriptedPrompts prompts;
    ExtensionAccountSet e;
    NullEvents events;
    bool ended = false;   // a transaction that cannot be begun ends the run
    {
        StatementFault fault(e.as.mast(), statement, FaultMoment(moment));
        try {
            BbexCleanupJob(testJobContext(e.as.dm(), events)).run();
        } catch (const DatabaseError&) {
            ended = true;
        }
        QCOMPARE(fault.statement(), sql);
    }
    QCOMPARE(ended, sql == QLatin1String("BEGIN"));
    QVERIFY(!e.as.mast().inTransaction());
    const QList<QList<QStringList>> kr{e.expected(e.c.kr), e.expected(e.c.krOrphansGone),
        e.expected(e.c.krDistinct), e.expected(e.c.krCleaned)};
    const QList<QList<QStringList>> hz{e.expected(e.c.hz), e.expected(e.c.hzOrphansGone),
        e.expected(e.c.hzDistinct), e.expected(e.c.hzCleaned)};
    QVERIFY2(kr.contains(e.rows(QStringLiteral("KRBBEX"))), "KRBBEX is neither as before nor cleaned in steps");
    QVERIFY2(hz.contains(e.rows(QStringLiteral("HZBBEX"))), "HZBBEX is neither as before nor cleaned in steps");
    // A fault in one system leaves the other one cleaned, or untouched when the run ended.
    if (inKr)
        QCOMPARE(e.rows(QStringLiteral("HZBBEX")), ended ? hz.first() : hz.last());
    else
        QCOMPARE(e.rows(QStringLiteral("KRBBEX")), kr.last());
    // The user's connection commits its next statement on its own.
    e.as.mast().send(QStringLiteral("delete from KRBBZD where BBZD_BH = '103'"));
    QCOMPARE(e.as.count(QStringLiteral("KRBBZD")), 2);
    // A table left uncleaned is reported; a failing drop of the work table is not worth it.
    if (ended) {
        QCOMPARE(prompts.texts(), QStringList{});
    } else {
        const QString table = inKr ? QStringLiteral("KRBBEX") : QStringLiteral("HZBBEX");
        const bool cleaned = e.rows(table) == (inKr ? kr.last() : hz.last());
        const QString box = prompts.texts().value(0);
        QCOMPARE(prompts.texts().size(), 1);
        QVERIFY(box.startsWith(QStringLiteral("清除完成!")));
        if (!cleaned)
            QVERIFY2(box.contains(QStringLiteral("\n") + table), qPrintable(box));
        if (sql.simplified().startsWith(QLatin1String("drop")))
            QCOMPARE(box, QStringLiteral("清除完成!"));
    }
}

QTEST_MAIN(TestBbexCleanup)
#include "test_bbex_cleanup.moc"
