// The walks of the automatic cleanup run their per-row statements in one transaction on
// SQLite. A commit of such a walk that fails must keep the class out of the write-back,
// with its report table as it was; a walk inside an open transaction must leave that
// transaction alone.
#include "cleanup/auto_cleanup.h"
#include "cleanup/duplicate_check.h"
#include "cleanup/write_back.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/report_system.h"

#include "cleanup/job_recorders.h"
#include "support/test_account_set.h"

#include <QtTest>

namespace {

QStringList sortedRows(TestAccountSet& as, const QString& table)
{
    QStringList out;
    for (const QStringList& r : as.rows(QStringLiteral("select * from ") + table))
        out << r.join(QLatin1Char('|'));
    out.sort();
    return out;
}

// The demo account set with its planted problems (a key-only duplicate and illegal cells
// in every class), report summary.
TestAccountSetOptions demoSet()
{
    TestAccountSetOptions o;
    o.demoContent = true;
    o.demo.dupRate = 0;
    return o;
}

void check(TEndYearDataMod& dm, CleanupState& state)
{
    FillTableNames(dm.state, QStringLiteral("HZ"));
    RecordingLabels labels;
    RecordingProgress bar;
    RecordingList list;
    CountingEvents events;
    dm.DropWorkingTables();
    dm.CreateWorkingTables();
    dm.CreateWorkingIndexes();
    DuplicateCheck(dm, state, {labels, bar, list, events}).CheckAllClasses();
}

} // namespace

class TestWalkGroups : public QObject {
    Q_OBJECT

private slots:
    // The COMMIT of the walk that sent a statement beginning with `walk` fails.
    void failedCommit_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::addColumn<bool>("tookEffect");   // the commit took effect, then reported failure
        QTest::addColumn<int>("illegalLeft");  // illegal cells of the demo still in optiDYZD
        const QString illegal = QStringLiteral("delete from optiDYZD where BBZD_BH =");
        const QString still = QStringLiteral("delete from optiDYZD where 1=1");
        QTest::newRow("illegal cells, before") << illegal << false << 1;
        QTest::newRow("illegal cells, after") << illegal << true << 0;
        QTest::newRow("still duplicated, before") << still << false << 0;
        QTest::newRow("still duplicated, after") << still << true << 0;
    }
    void failedCommit()
    {
        QFETCH(QString, walk);
        QFETCH(bool, tookEffect);
        QFETCH(int, illegalLeft);
        TestAccountSet as(demoSet());
        TEndYearDataMod& dm = as.dm();
        const QStringList cellsBefore = sortedRows(as, QStringLiteral("HZDYZD"));
        const QStringList rowsBefore = sortedRows(as, QStringLiteral("HZHZD"));

        CleanupState state;
        RecordingProgress bar, rowBar, writeBar, deleteBar;
        RecordingLog log, writeLog;
        CountingEvents events;
        check(dm, state);

        QStringList sinceBegin;
        bool fired = false;
        auto fire = [&](const QString& sql) {
            if (sql == QLatin1String("COMMIT") && !fired && !sinceBegin.filter(QRegularExpression(
                        QStringLiteral("^") + QRegularExpression::escape(walk))).isEmpty()) {
                fired = true;
                throw DatabaseError(QStringLiteral("injected commit failure"));
            }
        };
        dm.mast.setStatementHook(
            [&](const QString& sql) {
                if (sql == QLatin1String("BEGIN"))
                    sinceBegin.clear();
                else
                    sinceBegin << sql;
                if (!tookEffect)
                    fire(sql);
            },
            [&](const QString& sql) {
                if (tookEffect)
                    fire(sql);
            });
        AutoCleanup(dm, state, {log, bar, rowBar, events}, [] { return QTime(9, 0); }).AutoCleanAll();
        dm.mast.setStatementHook({});

        QVERIFY(fired);
        QVERIFY(!dm.mast.inTransaction());
        const QStringList failures = log.lines.filter(QStringLiteral("**********"));
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().contains(QStringLiteral("单元字典将不写回主表")), qPrintable(failures.first()));
        QVERIFY(failures.first().contains(QStringLiteral("injected commit failure")));
        QVERIFY(!state.mayWriteBack(DataClassId::DYZD));
        for (const DataClassId other : {DataClassId::HZD, DataClassId::LZD, DataClassId::DWSJ, DataClassId::HZSJ})
            QVERIFY(state.mayWriteBack(other));
        // A commit that never ran undoes its walk; one that ran keeps it.
        QCOMPARE(as.count(QStringLiteral("optiDYZD"),
                     QStringLiteral("BBZD_DATE = '200408' and HZD_ORDE = '0099' and LZD_ORDE = '03'")),
            illegalLeft);

        WriteBack(dm, state, {writeLog, writeBar, deleteBar, events}, [] { return QTime(9, 30); }).WriteBackAll();
        QCOMPARE(sortedRows(as, QStringLiteral("HZDYZD")), cellsBefore);
        QVERIFY(sortedRows(as, QStringLiteral("HZHZD")) != rowsBefore);   // the others are written back
    }

    // Inside an open transaction a walk opens none of its own: a rollback takes it back.
    void insideOpenTransaction()
    {
        TestAccountSet as(demoSet());
        TEndYearDataMod& dm = as.dm();
        CleanupState state;
        RecordingProgress bar;
        check(dm, state);
        const int before = as.count(QStringLiteral("HZHZD"));
        QVERIFY(as.count(QStringLiteral("rangeHZD")) > 0);

        QStringList sent;
        dm.mast.setStatementHook([&](const QString& sql) { sent << sql; });
        dm.mast.startTransaction();
        QVERIFY(dm.DeleteMatchingRows(QStringLiteral("HZHZD"), QStringLiteral("rangeHZD"), dataClass(DataClassId::HZD).keyColumns, bar));
        QVERIFY(dm.mast.inTransaction());
        dm.mast.rollback();
        dm.mast.setStatementHook({});
        QCOMPARE(sent.first(), QStringLiteral("BEGIN"));
        QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^(BEGIN|COMMIT)$"))).size(), 1);
        QCOMPARE(as.count(QStringLiteral("HZHZD")), before);
    }
};

QTEST_GUILESS_MAIN(TestWalkGroups)
#include "test_walk_groups.moc"
