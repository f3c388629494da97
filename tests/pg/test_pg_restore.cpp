// The write-back's before-image and its restore on PostgreSQL: after write-back and restore
// the report tables of the demo account set are as before, unique indexes dropped on the way.
#include "support/job_rig.h"
#include "support/pg_account_set.h"
#include "support/scripted_prompts.h"

#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"
#include "cleanup/write_back_restore.h"

#include <QTemporaryDir>
#include <QtTest>

class TestPgRestore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    void roundTrip_data()
    {
        QTest::addColumn<QString>("system");
        QTest::newRow("management") << "BB";
        QTest::newRow("summary") << "HZ";
    }
    void roundTrip()
    {
        QFETCH(QString, system);
        TestAccountSetOptions options{.demoContent = true};
        options.demo.dupRate = 0.02;
        PgAccountSet pg(options);
        TEndYearDataMod& dm = pg.dm();
        dm.state.AccountSet = QStringLiteral("001");
        fixture::selectSystem(dm, system);
        fixture::FirstHalf half;
        fixture::runFirstHalf(dm, half);
        for (const DataClass* c : dataClassesOf(system)) {
            dm.ExecuteSQL(QStringLiteral("delete from ") + c->reviewTable());   // every review row given up
            half.state.of(*c).Remaining = false;
        }
        const fixture::Snapshot before = fixture::snapshot(pg, system);
        QTemporaryDir dir;
        QString file;
        {
            RecordingLog log;
            RecordingProgress bar, deleteBar;
            CountingEvents events;
            WriteBackBackup backup(dir.path(), dm.state.AccountSet, system);
            WriteBack wb(dm, half.state, WriteBackSinks{log, bar, deleteBar, events});
            wb.setBackup(&backup);
            QVERIFY2(wb.WriteBackAll(), qPrintable(log.lines.join(u'\n')));
            file = backup.fileName();
        }
        QVERIFY(fixture::snapshot(pg, system) != before);
        ScriptedPrompts prompts;
        NullEvents events;
        RecordingLog out;
        QVERIFY2(WriteBackRestoreJob(testJobContext(dm, events), out).run(file), qPrintable(out.lines.join(u'\n')));
        QCOMPARE(out.lines.filter(QStringLiteral("已删除")).size(), dataClassesOf(system).size());
        QCOMPARE(fixture::snapshot(pg, system), before);
        dm.QryGlobalOpen.close();
    }
};

QTEST_GUILESS_MAIN(TestPgRestore)
#include "test_pg_restore.moc"
