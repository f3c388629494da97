// The before-image of the write-back and its restore: the report tables come back as they
// were, a failing restore statement leaves the class as it was or restored, and a class
// whose backup cannot be made is not written back.
#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"
#include "cleanup/write_back_backup.h"
#include "cleanup/write_back_restore.h"
#include "support/job_rig.h"
#include "support/scripted_prompts.h"
#include "support/statement_faults.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kAccountSet = QStringLiteral("001");

struct Prepared {
    explicit Prepared(const QString& system) : system(system)
    {
        fixture::plantDuplicates(as, system);
        fixture::selectSystem(as.dm(), system);
        as.dm().state.AccountSet = kAccountSet;
        fixture::runFirstHalf(as.dm(), half);
        fixture::resolveReview(as, system, half.state);
        before = fixture::snapshot(as, system);
    }
    ~Prepared() { as.dm().QryGlobalOpen.close(); }

    // The write-back with its backup in folder; returns the backup file. ready sees the
    // backup before the write-back starts.
    QString writeBack(const QString& folder, bool* result = nullptr,
        const std::function<void(WriteBackBackup&)>& ready = {})
    {
        RecordingProgress bar, deleteBar;
        CountingEvents events;
        WriteBack wb(as.dm(), half.state, WriteBackSinks{log, bar, deleteBar, events});
        WriteBackBackup backup(folder, as.dm().state.AccountSet, system);
        if (ready)
            ready(backup);
        wb.setBackup(&backup);
        const bool ok = wb.WriteBackAll();
        if (result)
            *result = ok;
        return backup.fileName();
    }
    bool restore(const QString& file, RecordingLog& out)
    {
        NullEvents events;
        return WriteBackRestoreJob(testJobContext(as.dm(), events), out).run(file);
    }
    QString table(const DataClass* c) { return c->reportTable(as.dm().state.TableNames); }
    QString index(const DataClass* c) { return c->indexName(as.dm().state.TableNames); }

    QString system;
    TestAccountSet as;
    fixture::FirstHalf half;
    fixture::Snapshot before;
    RecordingLog log;
};

void systemRows()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("report management") << QStringLiteral("BB");
    QTest::newRow("report summary") << QStringLiteral("HZ");
}
}

class TestWriteBackRestore : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() { systemRows(); }
    void roundTrip();
    void backupFailureKeepsTheClassOut_data();
    void backupFailureKeepsTheClassOut();
    void faultAtEveryRestoreStatement_data();
    void faultAtEveryRestoreStatement();
};

void TestWriteBackRestore::roundTrip()
{
    QFETCH(QString, system);
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Prepared p(system);
    const QList<const DataClass*> classes = dataClassesOf(system);

    // When a class's delete is sent, its rows are already in the file.
    QStringList savedAtDelete;
    QString file;
    bool ok = false;
    p.writeBack(dir.path(), &ok, [&](WriteBackBackup& backup) {
        file = backup.fileName();
        p.as.mast().setStatementHook([&](const QString& sql) {
            BackupInfo seen;
            if (sql.startsWith(QLatin1String("delete from ")) && WriteBackBackup::read(file, seen).isEmpty())
                savedAtDelete << seen.classes.last().reportTable + QLatin1Char(':')
                        + QString::number(seen.classes.last().rowCount);
        });
    });
    p.as.mast().setStatementHook({});
    QVERIFY2(ok, qPrintable(p.log.lines.join('\n')));
    QVERIFY(fixture::snapshot(p.as, system) != p.before);
    QVERIFY(QFileInfo(file).fileName().startsWith(kAccountSet + QLatin1Char('_') + system + QLatin1Char('_')));

    BackupInfo info;
    QCOMPARE(WriteBackBackup::read(file, info), QString());
    QCOMPARE(info.accountSet, kAccountSet);
    // Two duplicated keys of two rows each per class: exactly the rows its delete removes.
    QStringList expectedAtDelete;
    for (const DataClass* c : classes) {
        expectedAtDelete << p.table(c) + QStringLiteral(":4");
        QCOMPARE(p.log.lines.filter(QStringLiteral(" 已将") + c->className + QStringLiteral("主表中将被替换的4行数据备份到")
                     + QDir::toNativeSeparators(file)).size(), 1);
    }
    QCOMPARE(savedAtDelete, expectedAtDelete);
    QCOMPARE(WriteBackBackup::list(dir.path()).size(), 1);

    RecordingLog out;
    QVERIFY2(p.restore(file, out), qPrintable(out.lines.join('\n')));
    QCOMPARE(fixture::snapshot(p.as, system), p.before);
    for (const BackupClass& c : info.classes)
        QCOMPARE(out.lines.filter(QStringLiteral("已删除") + c.className + QStringLiteral("主表的唯一索引") + c.indexName).size(), 1);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("恢复完毕！")});

    // Twice: nothing more changes.
    RecordingLog again;
    QVERIFY2(p.restore(file, again), qPrintable(again.lines.join('\n')));
    QCOMPARE(fixture::snapshot(p.as, system), p.before);
    QCOMPARE(again.lines.filter(QStringLiteral("（该索引不存在或无法删除）")).size(), classes.size());

    // Another account set's backup is refused and changes nothing.
    p.as.dm().state.AccountSet = QStringLiteral("002");
    p.as.exec("delete from " + info.classes.first().reportTable);
    const fixture::Snapshot emptied = fixture::snapshot(p.as, system);
    prompts.boxes.clear();
    RecordingLog refused;
    QVERIFY(!p.restore(file, refused));
    QCOMPARE(fixture::snapshot(p.as, system), emptied);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("该备份属于帐套001，不是当前帐套002，不能恢复！")});
}

void TestWriteBackRestore::backupFailureKeepsTheClassOut_data()
{
    QTest::addColumn<QString>("blocker");   // what stands in the backup's way
    QTest::addColumn<int>("failing");       // the class that cannot be saved; -1: every class
    QTest::newRow("backups folder is a file") << "file as folder" << -1;
    QTest::newRow("backup file name taken by a folder") << "folder as file" << -1;
    QTest::newRow("rows of the column dictionary cannot be read") << "read fault" << 1;
    QTest::newRow("rows of the cell dictionary cannot be read") << "read fault" << 2;
}

void TestWriteBackRestore::backupFailureKeepsTheClassOut()
{
    QFETCH(QString, blocker);
    QFETCH(int, failing);
    const QString system = QStringLiteral("BB");
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Prepared p(system);
    const QList<const DataClass*> classes = dataClassesOf(system);
    const QString folder = dir.filePath(QStringLiteral("backups"));
    std::function<void(WriteBackBackup&)> ready;
    if (blocker == "file as folder") {
        QFile plain(folder);
        QVERIFY(plain.open(QIODevice::WriteOnly));
    } else if (blocker == "folder as file") {
        ready = [](WriteBackBackup& backup) { QVERIFY(QDir().mkpath(backup.fileName())); };
    } else {
        const QString select = QStringLiteral("select * from ") + p.table(classes.at(failing)) + QStringLiteral(" where");
        p.as.mast().setStatementHook([select](const QString& sql) {
            if (sql.startsWith(select))
                throw DatabaseError(QStringLiteral("injected failure"));
        });
    }
    bool ok = true;
    const QString file = p.writeBack(folder, &ok, ready);
    p.as.mast().setStatementHook({});
    QVERIFY(!ok);

    const fixture::Snapshot after = fixture::snapshot(p.as, system);
    BackupInfo info;
    WriteBackBackup::read(file, info);
    QStringList saved;
    for (const BackupClass& c : info.classes)
        saved << c.className;
    QStringList expectedSaved;
    for (int i = 0; i < classes.size(); ++i) {
        const DataClass* c = classes.at(i);
        const bool out = failing < 0 || failing == i;
        const QStringList lines = p.log.lines.filter(c->className + QStringLiteral("主表数据未能备份"));
        QCOMPARE(lines.size(), out ? 1 : 0);
        QCOMPARE(after[p.table(c)] == p.before[p.table(c)], out);
        QCOMPARE(p.as.indexNames(p.table(c)).contains(p.index(c)), !out);
        if (!out)
            expectedSaved << c->className;
    }
    QCOMPARE(saved, expectedSaved);
    // A run that saved nothing leaves no file behind.
    QCOMPARE(QFileInfo(file).isFile(), !expectedSaved.isEmpty());
}

void TestWriteBackRestore::faultAtEveryRestoreStatement_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<FaultMoment>("moment");
    for (const QString& system : {QStringLiteral("BB"), QStringLiteral("HZ")})
        for (FaultMoment moment : {FaultMoment::Before, FaultMoment::After})
            QTest::addRow("%s %s", qPrintable(system), faultMomentName(moment)) << system << moment;
}

void TestWriteBackRestore::faultAtEveryRestoreStatement()
{
    QFETCH(QString, system);
    QFETCH(FaultMoment, moment);
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Prepared p(system);
    const QString file = p.writeBack(dir.path());
    BackupInfo info;
    QCOMPARE(WriteBackBackup::read(file, info), QString());
    const BackupClass& c = info.classes.last();
    const QString& t = c.reportTable;
    const QStringList before = p.before[t];
    const QStringList cleaned = fixture::snapshot(p.as, system)[t];
    p.as.exec("create table keep_" + t + " as select * from " + t);
    const auto reset = [&] {
        p.as.exec("delete from " + t);
        p.as.exec("insert into " + t + " select * from keep_" + t);
        if (!p.as.indexNames(t).contains(c.indexName))
            p.as.exec("create unique index " + c.indexName + " on " + t + "(" + c.keyColumns.join(',') + ")");
    };
    NullEvents events;
    RecordingLog out;
    WriteBackRestoreJob job(testJobContext(p.as.dm(), events), out);
    const QStringList sent = recordStatements(p.as.mast(), [&] { QVERIFY(job.restoreClass(file, c)); });
    QCOMPARE(fixture::snapshot(p.as, system)[t], before);
    QVERIFY(sent.contains("BEGIN") && sent.contains("COMMIT"));
    for (int i = 0; i < sent.size(); ++i) {
        reset();
        out.lines.clear();
        bool ok = false;
        {
            StatementFault fault(p.as.mast(), i, moment);
            ok = job.restoreClass(file, c);
            QCOMPARE(fault.statement(), sent.at(i));
        }
        const QString at = QString::number(i) + ": " + sent.at(i) + "\n" + out.lines.join('\n');
        const QStringList now = fixture::snapshot(p.as, system)[t];
        // Restored only by a drop or a commit that took effect; otherwise as it was, index and all.
        const bool restored = moment == FaultMoment::After
            && (sent.at(i) == "COMMIT" || sent.at(i).startsWith("drop index"));
        QVERIFY2(now == (restored ? before : cleaned), qPrintable(at));
        if (!restored) {
            QVERIFY2(!ok, qPrintable(at));
            QVERIFY2(p.as.indexNames(t).contains(c.indexName), qPrintable(at));
            QCOMPARE(out.lines.filter(QStringLiteral("**********恢复") + c.className + QStringLiteral("失败")).size(), 1);
        }
        // Whatever the fault left, the next restore completes.
        QVERIFY2(job.restoreClass(file, c), qPrintable(at));
        QCOMPARE(fixture::snapshot(p.as, system)[t], before);
    }
}

QTEST_MAIN(TestWriteBackRestore)
#include "test_write_back_restore.moc"
