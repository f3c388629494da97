// A process killed during the write-back: the cleanup runs in a child process (this program
// started with --write-back-child) on a copy of an SQLite account set in rollback-journal
// mode and is killed at random moments of its write-back. Afterwards every report table is,
// as a multiset of rows, exactly as at the start or exactly as after a complete run.
#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"
#include "data_module/database_error.h"
#include "support/write_back_child.h"

#include <QProcess>
#include <QThread>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/types.h>

namespace {
const QString kDsn = QStringLiteral("vostrel_killed_write_back");
const QString kSystem = QStringLiteral("HZ");

// The user's choice in the review, as fixture::resolveReview makes it, on the child's own
// connection.
void keepFirstVersion(TEndYearDataMod& dm, CleanupState& state)
{
    for (const QString& sql : {QStringLiteral("delete from dirtyHZD where HZD_ZB = 9"),
             QStringLiteral("delete from dirtyLZD where LZD_MC = '上月数'"),
             QStringLiteral("delete from dirtyDYZD where DYZD_SJ = '6'"),
             QStringLiteral("delete from dirtyDWSJ where DYZD_SJ = '6'"),
             QStringLiteral("delete from dirtyHZSJ where DYZD_SJ = '6'")})
        dm.ExecuteSQL(sql);
    for (const DataClass* c : dataClassesOf(kSystem))
        state.of(*c).Remaining = false;
}

// The child: check, automatic cleanup, review, then the write-back, printing "write-back"
// and then, before every statement is sent, its number and its text on one line.
int writeBackChild()
{
    TEndYearDataMod dm;
    dm.mast.setDriverName(QStringLiteral("SQLite3"));
    dm.mast.addParam(QStringLiteral("ODBC DSN=") + kDsn);
    dm.mast.addParam(QStringLiteral("USER NAME=dba"));
    dm.mast.addParam(QStringLiteral("PASSWORD=sql"));
    try {
        dm.mast.connect();
    } catch (const DatabaseError& e) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(e.message()));
        return 2;
    }
    dm.state.DatabaseKind = DbKind::Anywhere;
    fixture::selectSystem(dm, kSystem);
    fixture::FirstHalf half;
    fixture::runFirstHalf(dm, half);
    keepFirstVersion(dm, half.state);

    std::fputs("write-back\n", stdout);
    std::fflush(stdout);
    int n = 0;
    dm.mast.setStatementHook([&](const QString& sql) {
        std::printf("%d %s\n", n++, sql.simplified().toUtf8().constData());
        std::fflush(stdout);
    });
    RecordingLog log;
    RecordingProgress bar, deleteBar;
    CountingEvents events;
    const bool ok = WriteBack(dm, half.state, WriteBackSinks{log, bar, deleteBar, events}).WriteBackAll();
    dm.mast.setStatementHook({});
    dm.QryGlobalOpen.close();
    dm.mast.disconnect();
    std::printf("done %d\n", ok ? 1 : 0);
    std::fflush(stdout);
    return ok ? 0 : 3;
}

using Tables = QMap<QString, QStringList>;

// The report tables of the system as sorted row texts, read on a connection that may write,
// so that it first rolls a hot journal back.
Tables readTables(const QString& dbFile, QString* integrity = nullptr)
{
    Tables t;
    const demo::SqliteFile file(dbFile);
    if (integrity)
        *integrity = demo::queryRows(file.db(), QStringLiteral("PRAGMA integrity_check")).value(0).value(0);
    for (const DataClass* c : dataClassesOf(kSystem)) {
        const QString table = fixture::prefixOf(kSystem) + c->base;
        QStringList lines;
        for (const QStringList& r : demo::queryRows(file.db(), QStringLiteral("select * from ") + table))
            lines << r.join(QLatin1Char('|'));
        std::sort(lines.begin(), lines.end());
        t[table] = lines;
    }
    return t;
}

struct ChildRun {
    bool killed = false;        // ended by the signal, not by itself
    int lastSeen = -1;          // the last statement number the child announced
    int exitCode = -1;
    QString output;
};
}

class TestKilledWriteBack : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_start, m_work;
    Tables m_before, m_cleaned;
    int m_statements = 0;       // statements of a complete write-back
    int m_lastIndex = 0;        // number of the last class's "create unique index"

    void resetWork()
    {
        for (const QString& f : {m_work, m_work + "-journal", m_work + "-wal", m_work + "-shm"})
            QFile::remove(f);
        QVERIFY(QFile::copy(m_start, m_work));
    }

    // Starts the child on the work copy; kills it once it announced statement `killAt` and a
    // further `delayUs` microseconds passed (never when killAt < 0).
    ChildRun runChild(int killAt, int delayUs, QStringList* statements = nullptr)
    {
        ChildRun run;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ODBCINI"), m_dir.filePath(QStringLiteral("odbc.ini")));
        env.remove(QStringLiteral("VOSTREL_SQL_TRACE"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-back-child")});
        if (!child.waitForStarted(10000))
            return run;
        followWriteBackChild(child, killAt, 20000, run.lastSeen, run.output, statements, [&] {
            if (delayUs > 0)
                QThread::usleep(delayUs);
            ::kill(pid_t(child.processId()), SIGKILL);
        });
        child.waitForFinished(20000);
        run.output += QString::fromUtf8(child.readAll());
        run.killed = child.exitStatus() == QProcess::CrashExit;
        run.exitCode = child.exitCode();
        return run;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        {
            TestAccountSet as;
            fixture::plantDuplicates(as, kSystem);
            as.mast().disconnect();
            // The account set as the demo builder writes it: a rollback journal, no WAL.
            as.exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
            m_start = m_dir.filePath(QStringLiteral("start.db"));
            QVERIFY(QFile::copy(as.dbFile(), m_start));
        }
        m_work = m_dir.filePath(QStringLiteral("work.db"));
        // Without fsync: a killed process loses nothing the operating system was given, so
        // the journal protects the same way, and the child runs several times faster.
        QFile ini(m_dir.filePath(QStringLiteral("odbc.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[%1]\nDriver=SQLite3\nDatabase=%2\nTimeout=5000\nSyncPragma=OFF\n")
                      .arg(kDsn, m_work)
                      .toUtf8());
        ini.close();
        m_before = readTables(m_start);

        // A complete run gives the cleaned tables and the statement numbers to aim at.
        resetWork();
        QStringList sent;
        const ChildRun full = runChild(-1, 0, &sent);
        QVERIFY2(!full.killed && full.exitCode == 0, qPrintable(full.output));
        m_statements = int(sent.size());
        m_cleaned = readTables(m_work);
        for (auto it = m_before.cbegin(); it != m_before.cend(); ++it)
            QVERIFY2(m_cleaned.value(it.key()) != it.value(), qPrintable(it.key() + " is not changed by a run"));

        for (int i = 0; i < sent.size(); ++i)
            if (sent.at(i).startsWith(QLatin1String("create unique index")))
                m_lastIndex = i;
        QVERIFY(m_lastIndex > 0 && m_lastIndex < m_statements);
    }

    void killedAtRandomMoments()
    {
        // Spread over the write-back up to the last index: one kill in each of kKills equal
        // stretches, at a random statement of it and a random delay after its announcement.
        constexpr int kKills = 8;
        const quint32 seed = qEnvironmentVariableIsSet("VOSTREL_KILL_SEED")
            ? quint32(qEnvironmentVariableIntValue("VOSTREL_KILL_SEED"))
            : QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int killed = 0, asBefore = 0, mixed = 0;
        for (int k = 0; k < kKills; ++k) {
            const int from = m_lastIndex * k / kKills;
            const int to = std::max(from + 1, m_lastIndex * (k + 1) / kKills);
            const int at = from + int(random.bounded(to - from));
            const int delay = int(random.bounded(500));
            resetWork();
            const ChildRun run = runChild(at, delay);
            const QString where = QStringLiteral("seed %1, kill %2 at statement %3 + %4 us (last seen %5): ")
                                      .arg(seed).arg(k).arg(at).arg(delay).arg(run.lastSeen);
            QVERIFY2(run.killed || run.exitCode == 0, qPrintable(where + run.output));
            killed += run.killed;
            const bool hotJournal = QFile::exists(m_work + "-journal");
            QString integrity;
            const Tables after = readTables(m_work, &integrity);
            QCOMPARE(integrity, QStringLiteral("ok"));
            int before = 0;
            for (auto it = after.cbegin(); it != after.cend(); ++it) {
                const bool wasBefore = it.value() == m_before.value(it.key());
                const bool wasCleaned = it.value() == m_cleaned.value(it.key());
                QVERIFY2(wasBefore || wasCleaned,
                    qPrintable(where + it.key() + " is neither as at the start nor as after a complete run"));
                before += wasBefore;
            }
            asBefore += before == after.size();
            mixed += before > 0 && before < after.size();
            qInfo("%s%s, %d of %d tables as at the start%s", qPrintable(where), run.killed ? "killed" : "finished",
                before, int(after.size()), hotJournal ? ", hot journal rolled back" : "");
        }
        // Most kills must land inside the write-back for the test to mean anything.
        QVERIFY2(killed >= kKills / 2, qPrintable(QStringLiteral("only %1 of %2 kills landed").arg(killed).arg(kKills)));
        QVERIFY(asBefore + mixed > 0);
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--write-back-child") == 0) {
        QCoreApplication app(argc, argv);
        return writeBackChild();
    }
    QCoreApplication app(argc, argv);
    TestKilledWriteBack test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_killed_write_back.moc"
