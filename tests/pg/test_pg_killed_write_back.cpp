// The server stopped during the write-back: the check, the automatic cleanup and the review
// run once on the PostgreSQL copy of the demo account set; each run then starts from a
// copy of that database, the write-back runs in a child process (this program started with
// --write-back-child) and the server is stopped with "pg_ctl stop -m immediate" (no
// checkpoint, sessions cut) at a random moment of it. After a restart every report table
// is, as a multiset of rows, exactly as at the start or exactly as after a complete run.
#include "support/pg_account_set.h"
#include "support/write_back_child.h"

#include "test_write_back_fixture.h"

#include "cleanup/write_back.h"
#include "data_module/database_error.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

namespace {
const QString kSystem = QStringLiteral("HZ");

// Found and AutoCleaned of every class as "11,10,..." for the child's command line.
QString flagsText(const CleanupState& state)
{
    QStringList parts;
    for (const DataClass* c : dataClassesOf(kSystem))
        parts << QStringLiteral("%1%2").arg(int(state.of(*c).Found)).arg(int(state.of(*c).AutoCleaned));
    return parts.join(u',');
}

// The child: the write-back on the DSN with the flags of the first half, printing
// "write-back" and then, before every statement is sent, its number and text on one line.
// Before statement stopAt it waits for a line on its input: the parent has begun to stop
// the server by then.
int writeBackChild(const QString& driver, const QString& dsn, const QString& flags, int stopAt)
{
    TEndYearDataMod dm;
    dm.mast.setDriverName(driver);
    dm.mast.addParam(QStringLiteral("ODBC DSN=") + dsn);
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
    CleanupState state;
    const QStringList parts = flags.split(u',');
    int i = 0;
    for (const DataClass* c : dataClassesOf(kSystem)) {
        state.of(*c).Found = parts.value(i).startsWith(u'1');
        state.of(*c).AutoCleaned = parts.value(i).endsWith(u'1');
        ++i;
    }
    std::fputs("write-back\n", stdout);
    std::fflush(stdout);
    int n = 0;
    dm.mast.setStatementHook([&](const QString& sql) {
        std::printf("%d %s\n", n, sql.simplified().toUtf8().constData());
        std::fflush(stdout);
        if (n++ == stopAt) {
            char line[16];
            if (!std::fgets(line, sizeof line, stdin))
                return;
        }
    });
    RecordingLog log;
    RecordingProgress bar, deleteBar;
    CountingEvents events;
    bool ok = false;
    try {
        ok = WriteBack(dm, state, WriteBackSinks{log, bar, deleteBar, events}).WriteBackAll();
    } catch (const DatabaseError& e) {
        std::fprintf(stderr, "write-back: %s\n", qPrintable(e.message()));
    }
    dm.mast.setStatementHook({});
    std::printf("done %d\n", ok ? 1 : 0);
    std::fflush(stdout);
    return ok ? 0 : 3;
}

using Tables = QMap<QString, QStringList>;

Tables readTables(const QString& database)
{
    Tables t;
    for (const DataClass* c : dataClassesOf(kSystem)) {
        const QString table = fixture::prefixOf(kSystem) + c->base;
        QStringList lines;
        for (const QStringList& r : PgAccountSet::rowsIn(database, QStringLiteral("select * from ") + table))
            lines << r.join(QLatin1Char('|'));
        std::sort(lines.begin(), lines.end());
        t[table] = lines;
    }
    return t;
}

struct ChildRun {
    bool stopped = false;       // the server was stopped while the child ran
    int lastSeen = -1;          // the last statement number the child announced
    int exitCode = -1;
    QString output;
};
} // namespace

class TestPgKilledWriteBack : public QObject {
    Q_OBJECT

    std::unique_ptr<PgAccountSet> m_pg;
    QString m_flags;
    Tables m_before, m_cleaned;
    int m_lastIndex = 0;        // number of the last class's "create unique index"
    QList<int> m_reportCopies;  // numbers of the copies of cleaned rows into a report table
    int m_runs = 0;

    // A fresh copy of the start state: its database name and DSN.
    QPair<QString, QString> freshCopy()
    {
        const QString suffix = QStringLiteral("run%1").arg(++m_runs);
        const QString dsn = m_pg->cloneDatabase(suffix);
        return {m_pg->database() + u'_' + suffix, dsn};
    }

    // Runs the child on the DSN. When it announces statement `stopAt` (never when < 0) the
    // server is told to stop at once and, `delayUs` microseconds later (once it is down when
    // < 0), the child is let go on to send that statement; the server is started again
    // afterwards.
    ChildRun runChild(const QString& dsn, int stopAt, int delayUs, QStringList* statements = nullptr)
    {
        ChildRun run;
        QProcess child, stop;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-back-child"), PgCluster::instance().driver(), dsn, m_flags,
                                                                 QString::number(stopAt)});
        if (!child.waitForStarted(10000))
            return run;
        followWriteBackChild(child, stopAt, 30000, run.lastSeen, run.output, statements, [&] {
            const PgCluster& cluster = PgCluster::instance();
            const QStringList cmd = cluster.asClusterUser(cluster.pgCtl(), {QStringLiteral("-D"), cluster.dataDir(),
                QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
            stop.setProcessChannelMode(QProcess::MergedChannels);
            stop.start(cmd.first(), cmd.mid(1));
            stop.waitForStarted(10000);
            if (delayUs < 0)
                stop.waitForFinished(60000);
            else if (delayUs > 0)
                QThread::usleep(delayUs);
            child.write("go\n");
            child.waitForBytesWritten(1000);
            run.stopped = true;
        });
        child.waitForFinished(30000);
        run.output += QString::fromUtf8(child.readAll());
        if (run.stopped && (!stop.waitForFinished(60000) || stop.exitCode() != 0))
            run.output += QStringLiteral("pg_ctl stop: ") + QString::fromLocal8Bit(stop.readAll());
        run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        if (!PgCluster::instance().running())
            PgCluster::instance().start();
        return run;
    }

private slots:
    void initTestCase()
    {
        if (const QString why = PgCluster::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        m_pg = std::make_unique<PgAccountSet>(TestAccountSetOptions{.demoContent = true});
        TEndYearDataMod& dm = m_pg->dm();
        fixture::selectSystem(dm, kSystem);
        m_before = readTables(m_pg->database());
        fixture::FirstHalf half;
        fixture::runFirstHalf(dm, half);
        // The review: keys still duplicated are given up.
        for (const DataClass* c : dataClassesOf(kSystem)) {
            QStringList on;
            for (const QString& k : c->keyColumns)
                on << QStringLiteral("k.%1 = r.%1").arg(k);
            m_pg->exec(QStringLiteral("delete from %1 r where exists (select 1 from %2 k where %3)")
                           .arg(c->reviewTable(), c->countTable(), on.join(QStringLiteral(" and "))));
            QVERIFY2(half.state.mayWriteBack(c->id), qPrintable(c->base));
        }
        m_flags = flagsText(half.state);

        // A complete run gives the cleaned tables and the statement numbers to aim at.
        const auto [database, dsn] = freshCopy();
        QStringList sent;
        const ChildRun full = runChild(dsn, -1, 0, &sent);
        QVERIFY2(full.exitCode == 0, qPrintable(full.output));
        m_cleaned = readTables(database);
        for (auto it = m_before.cbegin(); it != m_before.cend(); ++it)
            QVERIFY2(m_cleaned.value(it.key()) != it.value(), qPrintable(it.key() + " is not changed by a run"));
        for (int i = 0; i < sent.size(); ++i) {
            if (sent.at(i).startsWith(QLatin1String("create unique index")))
                m_lastIndex = i;
            if (sent.at(i).startsWith(QStringLiteral("insert into ") + fixture::prefixOf(kSystem), Qt::CaseInsensitive))
                m_reportCopies << i;
        }
        QVERIFY(m_lastIndex > 0);
        QCOMPARE(m_reportCopies.size(), dataClassesOf(kSystem).size());
        qInfo("a complete write-back sends %lld statements, the last index at %d", qlonglong(sent.size()), m_lastIndex);
    }
    void cleanupTestCase() { m_pg.reset(); }

    void stoppedAtRandomMoments()
    {
        // One stop in each of kSpread equal stretches of the write-back up to its last
        // index, at a random statement of it and a random delay after its announcement;
        // then kAimed stops just before a random class's copy into its report table, when
        // its key range is already deleted.
        constexpr int kSpread = 4, kAimed = 2, kStops = kSpread + kAimed;
        const quint32 seed = qEnvironmentVariableIsSet("VOSTREL_KILL_SEED")
            ? quint32(qEnvironmentVariableIntValue("VOSTREL_KILL_SEED"))
            : QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int stoppedInside = 0, asBefore = 0, mixed = 0;
        QElapsedTimer clock;
        clock.start();
        for (int k = 0; k < kStops; ++k) {
            const int from = m_lastIndex * k / kSpread;
            const int to = std::max(from + 1, m_lastIndex * (k + 1) / kSpread);
            const int at = k < kSpread ? from + int(random.bounded(to - from))
                                       : m_reportCopies.at(int(random.bounded(int(m_reportCopies.size()))));
            const int delay = k < kSpread ? int(random.bounded(2000)) : -1;
            const auto [database, dsn] = freshCopy();
            const ChildRun run = runChild(dsn, at, delay);
            const QString where = QStringLiteral("seed %1, stop %2 at statement %3 %4 (last sent %5): ")
                                      .arg(seed).arg(k).arg(at)
                                      .arg(delay < 0 ? QStringLiteral("once down") : QStringLiteral("+ %1 us").arg(delay))
                                      .arg(run.lastSeen);
            QVERIFY2(run.stopped, qPrintable(where + run.output));
            // Stopped before the end: the child reports the failure rather than success.
            const bool finished = run.output.contains(QStringLiteral("done 1"));
            stoppedInside += !finished;
            const Tables after = readTables(database);
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
            qInfo("%s%s, %d of %d tables as at the start", qPrintable(where),
                finished ? "finished" : "cut off", before, int(after.size()));
        }
        qInfo("%d stops in %.1f s", kStops, clock.elapsed() / 1000.0);
        QVERIFY2(stoppedInside >= kStops / 2,
            qPrintable(QStringLiteral("only %1 of %2 stops landed inside the write-back").arg(stoppedInside).arg(kStops)));
        QVERIFY(asBefore + mixed > 0);
    }
};

int main(int argc, char** argv)
{
    if (argc > 4 && qstrcmp(argv[1], "--write-back-child") == 0) {
        QCoreApplication app(argc, argv);
        return writeBackChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                              QString::fromLocal8Bit(argv[4]), argc > 5 ? std::atoi(argv[5]) : -1);
    }
    QCoreApplication app(argc, argv);
    TestPgKilledWriteBack test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_pg_killed_write_back.moc"
