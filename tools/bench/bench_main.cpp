// vostrel-bench: builds demo account sets of several sizes and runs the duplicate check
// and the automatic cleanup on them without widgets, through the same ODBC path as the
// program, printing per phase the seconds, statements sent, rows per second and peak
// memory, and per cleanup step where the time goes.
//
//   vostrel-bench                       the whole matrix (100k and 1M cells, 0.1 % and 1 %)
//   vostrel-bench --series [--sizes 100000,300000,1000000,3000000] [--repeat 3] [--dup 0.01] [--dir D]
//                 per size, with and without the report tables' key index, both systems,
//                 each run --repeat times from the same account set: check, cleanup and
//                 write-back with the median CPU seconds scaled by a calibration workload
//                 timed around each phase, statements, the growth
//                 exponent against the previous size, the peak memory of the whole run so
//                 far and a digest of the report tables afterwards
//   vostrel-bench --cells 100000 --dup 0.01 [--no-index] [--system HZ|BB]
//                 [--dir D] [--start FILE] [--trace FILE] [--no-illegal] [--reuse]
//                 [--write-back] [--kinds] [--probe N] [--qt-rows]
//
// --server postgresql copies each account set as built into a database of a private
// PostgreSQL cluster (demo_builder/pg_cluster.h) and runs on it through psqlodbc;
// --dsn NAME [--driver D] [--user U] [--password P] runs on an account set already behind
// a data source of the ODBCINI in force (nothing is built). On a server every figure and
// the digest are read through an ODBC connection of their own to the data source.
//
// --start copies the database as built (before the run) to FILE; --trace records every
// statement of the run to FILE; tools/bench/replay-trace uses both. --reuse runs on the
// account set a previous run left in --dir instead of building it again; --write-back adds
// the write-back (keeping every review row) as a last phase and prints a digest of the
// report tables afterwards; --kinds adds the time per statement kind; --probe N only times
// N small indexed lookups (the cost of one statement through the whole engine path);
// --qt-rows reads every result through QSqlQuery, as on servers other than SQLite.
// Account sets of the series are built, and digests read, by child processes of the same
// program (--build-only, --digest FILE), so that the peak memory is the cleanup's.

#include "data_module/report_system.h"
#include "cleanup/auto_cleanup.h"
#include "cleanup/duplicate_check.h"
#include "cleanup/write_back.h"
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/qt_backend.h"
#include "demo_builder/demo_builder.h"
#include "demo_builder/pg_cluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QCryptographicHash>
#include <QSqlQuery>
#include <QSqlError>
#include <QSqlRecord>
#include <cmath>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>

namespace {

QTextStream out(stdout);

bool g_keepPeak = false;   // series: the peak of the whole run, never reset
QList<double> g_calibrations;

// Peak resident memory since the last reset, in MiB (Linux).
void resetPeak()
{
    if (g_keepPeak)
        return;
    std::ofstream f("/proc/self/clear_refs");
    if (f)
        f << "5";
}
double peakMiB()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// CPU seconds (user and system) of the process so far: on a loaded machine the honest
// measure of work, where wall time also counts the waiting for a processor.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of a fixed SQLite workload on a file of its own in dir (rows inserted,
// indexed, grouped and looked up, some 0.3 s): the machine's speed at that moment. A shared
// machine's speed drifts by half within minutes, so the series scales its figures by it.
// Every calibration of the series is kept.
double calibration(const QString& dir)
{
    const QString file = QDir(dir).filePath(QStringLiteral("calibration.db"));
    QFile::remove(file);
    const double cpu0 = cpuSeconds();
    {
        demo::SqliteFile f(file);
        QSqlQuery q(f.db());
        for (const char* sql : {"create table k(a integer, b text)",
                 "insert into k with recursive c(x) as (select 1 union all select x + 1 from c where x < 100000) "
                 "select x * 7919 % 100003, printf('%08d', x) from c",
                 "create index k_a on k(a, b)",
                 "select count(1) from (select a % 997, count(1), max(b) from k group by a % 997, substr(b, 1, 6))",
                 "select count(1) from k k1 where exists (select 1 from k k2 where k2.a = k1.a + 1)"}) {
            if (!q.exec(QLatin1String(sql)))
                throw demo::BuildError(QStringLiteral("calibration: %1").arg(q.lastError().text()));
            while (q.next()) {
            }
        }
    }
    const double cpu = cpuSeconds() - cpu0;
    QFile::remove(file);
    g_calibrations.append(cpu);
    return cpu;
}

struct Config {
    qint64 cells = 100000;
    double dup = 0.001;
    bool index = true;
    QString system = QStringLiteral("HZ");
    bool illegal = true;
    bool reuse = false;   // run on the account set already in the folder
    bool kinds = false;     // time spent per statement kind
    int probe = 0;          // only time this many small lookups
    bool writeBack = false; // also write the cleaned rows back (review rows kept as they are)
    bool qtRows = false;    // rows read through QSqlQuery on every server (to compare with)
    bool childBuild = false; // build the account set in a child process
    QString server;          // "postgresql": the account set copied into a private cluster
    QString dsn, driver = QStringLiteral("ODBC"), user = QStringLiteral("dba"), password = QStringLiteral("sql");
    QString figuresConnection;   // empty: DSN=dsn;UID=user;PWD=password
};

// What a series keeps of one run.
struct Figures {
    qint64 classRows = 0, keyRows = 0;
    double cpu[3] = {0, 0, 0};      // check, cleanup, write-back
    double relative[3] = {0, 0, 0};   // cpu in calibrations timed around the phase
    qint64 statements[3] = {0, 0, 0};
    double peak = 0;
    QString digest;
};

class DropLabels : public ClassLabelSink {
public:
    void setClassLabel(DataClassId, const QString&, const QColor&) override {}
};
class CountList : public DirtyListSink {
public:
    int entries = 0;
    void clearEntries() override { entries = 0; }
    void addEntry(const DirtyEntry&) override { ++entries; }
};

// Times the spans between log lines: a span belongs to the line that opens it.
class StepLog : public ReportSink {
public:
    explicit StepLog(Database& db) : m_db(db) {}
    struct Span {
        QString line;
        double seconds = 0;
        qint64 statements = 0;
    };
    QList<Span> spans;
    QStringList lines;

    void start()
    {
        m_timer.start();
        m_mark = 0;
        m_statements = m_db.statementCount();
        m_open.clear();
    }
    void finish() { close(); }
    void addLine(const QString& line) override
    {
        lines.append(line);
        close();
        const qsizetype at = line.indexOf(QStringLiteral("】 "));
        m_open = at >= 0 ? line.mid(at + 2) : QString();
    }
    void clear() override {}

private:
    void close()
    {
        const qint64 now = m_timer.nsecsElapsed();
        const qint64 st = m_db.statementCount();
        if (!m_open.isEmpty())
            spans.append({m_open, (now - m_mark) / 1e9, st - m_statements});
        m_mark = now;
        m_statements = st;
        m_open.clear();
    }
    Database& m_db;
    QElapsedTimer m_timer;
    qint64 m_mark = 0;
    qint64 m_statements = 0;
    QString m_open;
};

struct Phase {
    QString name;
    double seconds = 0;
    double cpu = 0;
    qint64 statements = 0;
    qint64 rows = 0;
    double peak = 0;
};

void printPhase(const Phase& p)
{
    const double rate = p.seconds > 0 && p.rows > 0 ? p.rows / p.seconds : 0;
    out << QStringLiteral("  %1 %2 s (cpu %7 s)  %3 statements  %4 rows  %5 rows/s  peak %6 MiB\n")
               .arg(p.name, -10)
               .arg(p.seconds, 9, 'f', 3)
               .arg(p.statements, 8)
               .arg(p.rows, 9)
               .arg(rate, 11, 'f', 0)
               .arg(p.peak, 7, 'f', 1)
               .arg(p.cpu, 8, 'f', 3);
    out.flush();
}

// Figures for the report are read on a connection of their own, so that they stay out of
// the statement count and the trace.
qint64 scalar(QSqlDatabase db, const QString& sql)
{
    const QList<QStringList> rows = demo::queryRows(db, sql, QStringLiteral("0"));
    return rows.isEmpty() ? 0 : rows.first().value(0).toDouble();
}

// An order-free digest of the report tables of the system's data classes: per table the
// row count and the sum of a hash of every row's texts; read row by row.
QString digestOf(QSqlDatabase db, const QString& system)
{
    QStringList parts;
    for (const DataClass* cls : dataClassesOf(system)) {
        const QString table = systemPrefix(systemOfSelector(system)) + cls->base;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("select * from ") + table))
            return QStringLiteral("unreadable ") + table;
        quint64 sum = 0;
        qint64 rows = 0;
        const int n = q.record().count();
        QByteArray text;
        while (q.next()) {
            text.clear();
            for (int i = 0; i < n; ++i) {
                const QVariant v = q.value(i);
                text += v.isNull() ? QByteArray("\x01") : v.toString().toUtf8();
                text += '\x1f';
            }
            const QByteArray h = QCryptographicHash::hash(text, QCryptographicHash::Sha1);
            quint64 x = 0;
            for (int i = 0; i < 8; ++i)
                x = x << 8 | quint8(h.at(i));
            sum += x;
            ++rows;
        }
        parts << QStringLiteral("%1:%2:%3").arg(table).arg(rows).arg(sum, 16, 16, QLatin1Char('0'));
    }
    return parts.join(QLatin1Char(' '));
}

QString digestOf(const QString& dbFile, const QString& system)
{
    const demo::SqliteFile file(dbFile);
    return digestOf(file.db(), system);
}

// The connection string for the figures: the data source's, or the server's own.
QString dsnConnection(const Config& c)
{
    return c.figuresConnection.isEmpty() ? QStringLiteral("DSN=%1;UID=%2;PWD=%3").arg(c.dsn, c.user, c.password)
                                         : c.figuresConnection;
}

// The account set as built, copied into a new database of the private cluster, with a
// data source of its own in the folder's odbc.ini; c gets the data source.
void loadIntoCluster(Config& c, const demo::DemoResult& demo)
{
    static int serial = 0;
    demo::PgCluster& cluster = demo::PgCluster::instance();
    const QString database = QStringLiteral("bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    cluster.createAccountSetDatabase(database);
    {
        const demo::SqliteFile file(demo.dbFile);
        const demo::OdbcConnection pg(cluster.connectionString(database, demo::PgCluster::owner(),
                                                               demo::PgCluster::ownerPassword()));
        demo::copyToPostgres(file.db(), pg.db());
        pg.exec(QStringLiteral("analyze"));
    }
    c.dsn = demo.dsn + QStringLiteral("_pg");
    cluster.appendDsn(demo.odbcIni, c.dsn, database);
    c.driver = cluster.driver();
    c.user = demo::PgCluster::owner();
    c.password = demo::PgCluster::ownerPassword();
    // The driver manager keeps the odbc.ini it read before the data source was added.
    c.figuresConnection = cluster.connectionString(database, c.user, c.password);
    printPhase({QStringLiteral("load pg"), t.nsecsElapsed() / 1e9, cpuSeconds() - cpu0, 0, 0, peakMiB()});
}

// Runs this program again with the arguments and returns what it printed.
QString child(const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(), arguments);
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int run(Config c, const QString& dirPath, const QString& startCopy, const QString& trace,
    Figures* keep = nullptr)
{
    const bool onServer = !c.dsn.isEmpty() || !c.server.isEmpty();
    out << QStringLiteral("== cells %1, duplicated %2 %, key index %3, system %4%5\n")
               .arg(c.cells)
               .arg(c.dup * 100, 0, 'g', 3)
               .arg(c.index ? QStringLiteral("yes") : QStringLiteral("no"), c.system,
                   c.illegal ? QString() : QStringLiteral(", illegal-cell removal off"));
    out.flush();

    demo::DemoOptions o;
    o.scale = demo::scaleForCellRows(c.cells);
    o.dupRate = c.dup;
    o.keyIndexes = c.index;
    o.dsn = QStringLiteral("vostrel_bench");
    resetPeak();
    QElapsedTimer t;
    const double buildCpu = cpuSeconds();
    t.start();
    demo::DemoResult demo;
    if (!c.dsn.isEmpty()) {
        // An account set behind a data source: nothing to build.
    } else if (c.reuse && QFile::exists(QDir(dirPath).filePath(o.dsn + QStringLiteral(".db")))) {
        demo.dbFile = QDir(dirPath).filePath(o.dsn + QStringLiteral(".db"));
        demo.odbcIni = QDir(dirPath).filePath(QStringLiteral("odbc.ini"));
        demo.dsn = o.dsn;
    } else if (c.childBuild) {
        QStringList args{QStringLiteral("--build-only"), QStringLiteral("--cells"), QString::number(c.cells),
            QStringLiteral("--dup"), QString::number(c.dup), QStringLiteral("--dir"), dirPath};
        if (!c.index)
            args << QStringLiteral("--no-index");
        out << child(args).replace(QStringLiteral("build "), QStringLiteral("build (child) "));
        out.flush();
        demo.dbFile = QDir(dirPath).filePath(o.dsn + QStringLiteral(".db"));
        demo.odbcIni = QDir(dirPath).filePath(QStringLiteral("odbc.ini"));
        demo.dsn = o.dsn;
        if (!QFile::exists(demo.dbFile)) {
            out << "the child process built no account set\n";
            return 2;
        }
    } else {
        demo = demo::buildDemo(dirPath, o);
        Phase build{QStringLiteral("build"), t.nsecsElapsed() / 1e9, cpuSeconds() - buildCpu, 0, demo.totalRows, peakMiB()};
        printPhase(build);
    }

    if (!startCopy.isEmpty()) {
        QFile::remove(startCopy);
        if (!QFile::copy(demo.dbFile, startCopy)) {
            out << "cannot copy the database to " << startCopy << "\n";
            return 2;
        }
    }
    if (!demo.odbcIni.isEmpty())
        qputenv("ODBCINI", QFile::encodeName(demo.odbcIni));
    if (c.server == QLatin1String("postgresql"))
        loadIntoCluster(c, demo);
    else if (!c.server.isEmpty())
        throw demo::BuildError(QStringLiteral("unknown server %1 (postgresql)").arg(c.server));
    if (!trace.isEmpty()) {
        QFile::remove(trace);
        qputenv("VOSTREL_SQL_TRACE", QFile::encodeName(trace));
    } else {
        qunsetenv("VOSTREL_SQL_TRACE");
    }

    TEndYearDataMod dm;
    dm.mast.setDriverName(onServer ? c.driver : QStringLiteral("SQLite3"));
    dm.mast.addParam(QStringLiteral("ODBC DSN=") + (onServer ? c.dsn : demo.dsn));
    dm.mast.addParam(QStringLiteral("USER NAME=") + c.user);
    dm.mast.addParam(QStringLiteral("PASSWORD=") + c.password);
    if (auto* qt = dynamic_cast<QtSqlBackend*>(&dm.mast.backend()))
        qt->setHandleRows(!c.qtRows);
    dm.mast.connect();
    dm.state.DatabaseKind = DbKind::Anywhere;
    FillTableNames(dm.state, c.system);
    out << QStringLiteral("  database %1 through %2\n").arg(dm.mast.dbmsName(), onServer ? c.dsn : demo.dsn);

    // Figures on a connection of their own: the file, or the data source.
    std::unique_ptr<demo::SqliteFile> figuresFile;
    std::unique_ptr<demo::OdbcConnection> figuresSource;
    if (onServer)
        figuresSource = std::make_unique<demo::OdbcConnection>(dsnConnection(c));
    else
        figuresFile = std::make_unique<demo::SqliteFile>(demo.dbFile);
    const QSqlDatabase figures = onServer ? figuresSource->db() : figuresFile->db();
    if (c.probe > 0) {
        // The cost of one small statement through the whole engine path.
        const Phase probe = [&] {
            dm.mast.resetStatementCount();
            QElapsedTimer pt;
            const double cpu0 = cpuSeconds();
            pt.start();
            for (int i = 0; i < c.probe; ++i) {
                dm.QryCheckDYZD.close();
                dm.QryCheckDYZD.setSql(QStringLiteral("select HZD_ZB from ") + dm.state.TableNames.HZDName
                    + QStringLiteral(" where BBZD_BH ='201' and BBZD_DATE ='200401' and HZD_ORDE ='%1'").arg(i % 20 + 1, 4, 10, QLatin1Char('0')));
                dm.QryCheckDYZD.open();
                dm.QryCheckDYZD.isEmpty();
                dm.QryCheckDYZD.close();
            }
            return Phase{QStringLiteral("probe"), pt.nsecsElapsed() / 1e9, cpuSeconds() - cpu0, dm.mast.statementCount(), c.probe, 0};
        }();
        printPhase(probe);
        out << QStringLiteral("program_seconds=%1\nprogram_cpu_seconds=%2\n").arg(probe.seconds, 0, 'f', 3).arg(probe.cpu, 0, 'f', 3);
        out.flush();
        return 0;
    }
    qint64 classRows = 0;
    for (const DataClass* cls : dataClassesOf(c.system))
        classRows += scalar(figures, QStringLiteral("select count(1) from ") + cls->reportTable(dm.state.TableNames));

    CleanupState state;
    DropLabels labels;
    CountList list;
    NullProgress bar, rowBar;
    NullEvents events;
    StepLog log(dm.mast);

    // --kinds: where the time goes, by statement kind (text up to the first literal), in CPU
    // seconds; the time from one statement to the next counts for the first.
    QMap<QString, QPair<double, int>> kinds;
    double between = cpuSeconds();
    QString lastKind;
    if (c.kinds) {
        dm.mast.setStatementHook([&](const QString& sql) {
            const double now = cpuSeconds();
            const double t = now - between;
            between = now;
            if (!lastKind.isEmpty()) {
                kinds[lastKind].first += t;
                kinds[lastKind].second += 1;
            }
            lastKind = sql.left(sql.indexOf(QLatin1Char('\'')) > 0 ? std::min<qsizetype>(sql.indexOf(QLatin1Char('\'')), 60) : 60);
        });
    }
    // Series: the speed before each of the check, cleanup and write-back and after the last.
    QList<double> speeds;
    auto phase = [&](const QString& name, qint64 rows, const std::function<void()>& work) {
        if (keep && name != QLatin1String("tables"))
            speeds.append(calibration(dirPath));
        resetPeak();
        dm.mast.resetStatementCount();
        QElapsedTimer pt;
        const double cpu0 = cpuSeconds();
        pt.start();
        work();
        Phase p{name, pt.nsecsElapsed() / 1e9, cpuSeconds() - cpu0, dm.mast.statementCount(), rows, peakMiB()};
        printPhase(p);
        return p;
    };

    const Phase tables = phase(QStringLiteral("tables"), 0, [&] {
        dm.DropWorkingTables();
        dm.CreateWorkingTables();
        dm.CreateWorkingIndexes();
    });
    const Phase check = phase(QStringLiteral("check"), classRows, [&] {
        DuplicateCheck job(dm, state, {labels, bar, list, events});
        job.CheckAllClasses();
    });

    qint64 keyRows = 0;
    for (const DataClass* cls : dataClassesOf(c.system))
        if (state.of(*cls).Found)
            keyRows += scalar(figures, QStringLiteral("select sum(") + cls->countColumn + QStringLiteral(") from ")
                    + cls->rangeTable());
    log.start();
    const Phase clean = phase(QStringLiteral("cleanup"), keyRows, [&] {
        AutoCleanup job(dm, state, {log, bar, rowBar, events});
        job.setRemoveIllegal(c.illegal);
        job.AutoCleanAll();
    });
    log.finish();
    double programSeconds = tables.seconds + check.seconds + clean.seconds;
    double programCpu = tables.cpu + check.cpu + clean.cpu;
    Phase write{QStringLiteral("write-back")};
    if (c.writeBack) {
        StepLog writeLog(dm.mast);
        NullProgress writeBar, deleteBar;
        write = phase(QStringLiteral("write-back"), keyRows, [&] {
            WriteBack job(dm, state, {writeLog, writeBar, deleteBar, events});
            job.WriteBackAll();
        });
        programSeconds += write.seconds;
        programCpu += write.cpu;
    }
    if (keep) {
        speeds.append(calibration(dirPath));
        keep->classRows = classRows;
        keep->keyRows = keyRows;
        int i = 0;
        for (const Phase* p : {&check, &clean, static_cast<const Phase*>(&write)}) {
            keep->cpu[i] = p->cpu;
            if (i + 1 < speeds.size())
                keep->relative[i] = p->cpu * 2 / (speeds.at(i) + speeds.at(i + 1));
            keep->statements[i] = p->statements;
            ++i;
        }
        keep->peak = peakMiB();
    }

    out << QStringLiteral("  list entries %1; rows of duplicated keys %2; left out: %3\n")
               .arg(list.entries)
               .arg(keyRows)
               .arg(state.leftOutNames(c.system).join(QLatin1Char(',')));
    // The steps that cost most.
    QList<StepLog::Span> spans = log.spans;
    std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.seconds > b.seconds; });
    out << "  costliest cleanup steps:\n";
    for (int i = 0; i < std::min<qsizetype>(8, spans.size()); ++i)
        out << QStringLiteral("    %1 s %2 statements  %3\n")
                   .arg(spans.at(i).seconds, 8, 'f', 3)
                   .arg(spans.at(i).statements, 7)
                   .arg(spans.at(i).line);
    if (c.kinds) {
        dm.mast.setStatementHook({});
        QList<QPair<double, QString>> byTime;
        for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
            byTime.append({it.value().first, QStringLiteral("%1 x %2").arg(it.value().second, 7).arg(it.key())});
        std::sort(byTime.begin(), byTime.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        out << "  statement kinds (cpu):\n";
        for (int i = 0; i < std::min<qsizetype>(16, byTime.size()); ++i)
            out << QStringLiteral("    %1 s %2\n").arg(byTime.at(i).first, 8, 'f', 3).arg(byTime.at(i).second);
    }
    out << QStringLiteral("program_seconds=%1\n").arg(programSeconds, 0, 'f', 3);
    out << QStringLiteral("program_cpu_seconds=%1\n").arg(programCpu, 0, 'f', 3);
    out.flush();
    dm.QryGlobalOpen.close();
    dm.mast.disconnect();
    if (c.writeBack) {
        const QString digest = onServer ? digestOf(figures, c.system)
            : c.childBuild
            ? child({QStringLiteral("--digest"), demo.dbFile, QStringLiteral("--system"), c.system}).trimmed()
                  .remove(QStringLiteral("digest="))
            : digestOf(demo.dbFile, c.system);
        out << QStringLiteral("digest=%1\n").arg(digest);
        out.flush();
        if (keep)
            keep->digest = digest;
    }
    return 0;
}

double exponent(double a, double b, double na, double nb)
{
    return a > 0 && b > 0 && na > 0 && nb > na ? std::log(b / a) / std::log(nb / na) : 0;
}

// Per phase the median of the runs' seconds; the peak of them all; the digest where all
// runs agree on it.
Figures median(QList<Figures> runs)
{
    Figures m = runs.first();
    auto middle = [&runs](auto value) {
        QList<double> v;
        for (const Figures& f : runs)
            v.append(value(f));
        std::sort(v.begin(), v.end());
        return v.at(v.size() / 2);
    };
    for (int i = 0; i < 3; ++i) {
        m.cpu[i] = middle([i](const Figures& f) { return f.cpu[i]; });
        m.relative[i] = middle([i](const Figures& f) { return f.relative[i]; });
    }
    for (const Figures& f : runs) {
        m.peak = std::max(m.peak, f.peak);
        if (f.digest != m.digest)
            m.digest = QStringLiteral("runs differ: ") + m.digest + QStringLiteral(" / ") + f.digest;
    }
    return m;
}

// Both systems, with and without the key index, size by size, each configuration run
// `repeat` times; the table of the medians at the end.
int series(Config base, const QList<qint64>& sizes, const QString& folder, int repeat)
{
    g_keepPeak = true;
    base.writeBack = true;
    base.childBuild = true;
    struct Row {
        qint64 cells;
        QString system;
        bool index;
        Figures f;
    };
    QList<Row> rows;
    for (const qint64 cells : sizes)
        for (const bool index : {true, false}) {
            // One folder for all: unixODBC keeps the data sources of the first odbc.ini it read.
            const QString dir = QDir(folder).filePath(QStringLiteral("series"));
            QDir(dir).removeRecursively();
            QDir().mkpath(dir);
            const QString start = QDir(dir).filePath(QStringLiteral("start.db"));
            QMap<QString, QList<Figures>> runs;
            for (int r = 0; r < repeat; ++r) {
                // Every repeat starts from the account set as built.
                const QString db = QDir(dir).filePath(QStringLiteral("vostrel_bench.db"));
                if (r > 0 && !(QFile::remove(db) && QFile::copy(start, db))) {
                    out << "cannot restore the account set from " << start << "\n";
                    return 2;
                }
                for (const QString& system : {QStringLiteral("HZ"), QStringLiteral("BB")}) {
                    Config c = base;
                    c.cells = cells;
                    c.index = index;
                    c.system = system;
                    // BB: the account set the summary run had.
                    c.reuse = r > 0 || system == QLatin1String("BB");
                    Figures f;
                    if (int rc = run(c, dir, r == 0 && repeat > 1 && system == QLatin1String("HZ") ? start : QString(),
                            QString(), &f))
                        return rc;
                    runs[system].append(f);
                }
            }
            for (const QString& system : {QStringLiteral("HZ"), QStringLiteral("BB")})
                rows.append({cells, system, index, median(runs.value(system))});
            QDir(dir).removeRecursively();
        }

    // The speed the figures are scaled to: the median of all calibrations.
    QList<double> speeds = g_calibrations;
    std::sort(speeds.begin(), speeds.end());
    const double reference = speeds.isEmpty() ? 0 : speeds.at(speeds.size() / 2);
    out << QStringLiteral("\n== series, duplicated %1 %: per phase the median of %2 runs of the CPU seconds at the "
                          "median speed of the machine (the CPU seconds measured in brackets), the statements and "
                          "the growth exponent of the scaled seconds against the previous size (by rows of the class "
                          "tables); peak of the whole run so far. Calibrations: %3, median %4 s, least %5 s, most %6 s\n")
               .arg(base.dup * 100, 0, 'g', 3)
               .arg(repeat)
               .arg(speeds.size())
               .arg(reference, 0, 'f', 3)
               .arg(speeds.value(0), 0, 'f', 3)
               .arg(speeds.value(speeds.size() - 1), 0, 'f', 3);
    for (const QString& system : {QStringLiteral("HZ"), QStringLiteral("BB")})
        for (const bool index : {true, false}) {
            out << QStringLiteral("\n%1, key index %2\n").arg(system, index ? "yes" : "no");
            out << QStringLiteral("| cells | class rows | rows of dup keys | check | cleanup | write-back | total | peak MiB |\n");
            out << "|---|---|---|---|---|---|---|---|\n";
            const Row* previous = nullptr;
            for (const Row& r : rows) {
                if (r.system != system || r.index != index)
                    continue;
                QString line = QStringLiteral("| %1 | %2 | %3 |").arg(r.cells).arg(r.f.classRows).arg(r.f.keyRows);
                double total = 0, totalCpu = 0;
                for (int i = 0; i < 3; ++i) {
                    const double scaled = r.f.relative[i] * reference;
                    total += scaled;
                    totalCpu += r.f.cpu[i];
                    line += QStringLiteral(" %1 (%2) s, %3 st").arg(scaled, 0, 'f', 2).arg(r.f.cpu[i], 0, 'f', 2)
                                .arg(r.f.statements[i]);
                    if (previous)
                        line += QStringLiteral(", e %1").arg(
                            exponent(previous->f.relative[i], r.f.relative[i], previous->f.classRows, r.f.classRows), 0, 'f', 2);
                    line += QStringLiteral(" |");
                }
                line += QStringLiteral(" %1 (%2) | %3 |").arg(total, 0, 'f', 2).arg(totalCpu, 0, 'f', 2).arg(r.f.peak, 0, 'f', 1);
                out << line << "\n";
                previous = &r;
            }
        }
    out << "\ndigests of the report tables after the write-back:\n";
    for (const Row& r : rows)
        out << QStringLiteral("  %1 %2 %3: %4\n").arg(r.cells).arg(r.system, r.index ? "index" : "plain", r.f.digest);
    out.flush();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Config one;
    bool single = false, seriesMode = false, buildOnly = false;
    QString dir, start, trace, digestFile;
    QList<qint64> sizes{100000, 300000, 1000000, 3000000};
    int repeat = 3;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args.at(i);
        auto value = [&]() { return i + 1 < args.size() ? args.at(++i) : QString(); };
        if (a == QLatin1String("--cells")) {
            one.cells = value().toLongLong();
            single = true;
        } else if (a == QLatin1String("--dup")) {
            one.dup = value().toDouble();
            single = true;
        } else if (a == QLatin1String("--no-index")) {
            one.index = false;
            single = true;
        } else if (a == QLatin1String("--series")) {
            seriesMode = true;
        } else if (a == QLatin1String("--sizes")) {
            sizes.clear();
            for (const QString& n : value().split(QLatin1Char(','), Qt::SkipEmptyParts))
                sizes.append(n.toLongLong());
        } else if (a == QLatin1String("--repeat")) {
            repeat = std::max(1, value().toInt());
        } else if (a == QLatin1String("--build-only")) {
            buildOnly = true;
        } else if (a == QLatin1String("--digest")) {
            digestFile = value();
        } else if (a == QLatin1String("--kinds")) {
            one.kinds = true;
        } else if (a == QLatin1String("--probe")) {
            one.probe = value().toInt();
        } else if (a == QLatin1String("--write-back")) {
            one.writeBack = true;
        } else if (a == QLatin1String("--reuse")) {
            one.reuse = true;
        } else if (a == QLatin1String("--qt-rows")) {
            one.qtRows = true;
        } else if (a == QLatin1String("--no-illegal")) {
            one.illegal = false;
        } else if (a == QLatin1String("--server")) {
            one.server = value();
            single = true;
        } else if (a == QLatin1String("--dsn")) {
            one.dsn = value();
            single = true;
        } else if (a == QLatin1String("--driver")) {
            one.driver = value();
        } else if (a == QLatin1String("--user")) {
            one.user = value();
        } else if (a == QLatin1String("--password")) {
            one.password = value();
        } else if (a == QLatin1String("--system")) {
            one.system = value();
        } else if (a == QLatin1String("--dir")) {
            dir = value();
        } else if (a == QLatin1String("--start")) {
            start = value();
        } else if (a == QLatin1String("--trace")) {
            trace = value();
        } else {
            out << "usage: vostrel-bench [--cells N] [--dup RATE] [--no-index] [--no-illegal] [--system HZ|BB]"
                   " [--reuse] [--write-back] [--kinds] [--probe N] [--qt-rows] [--dir DIR] [--start FILE] [--trace FILE]\n"
                   "                    [--server postgresql | --dsn NAME [--driver D] [--user U] [--password P]]\n"
                   "       vostrel-bench --series [--sizes N,N,...] [--repeat N] [--dup RATE] [--dir DIR]\n";
            return 1;
        }
    }

    QTemporaryDir tmp;
    const QString folder = dir.isEmpty() ? tmp.path() : dir;
    QDir().mkpath(folder);
    try {
        if (!digestFile.isEmpty()) {
            out << "digest=" << digestOf(digestFile, one.system) << "\n";
            return 0;
        }
        if (buildOnly) {
            demo::DemoOptions o;
            o.scale = demo::scaleForCellRows(one.cells);
            o.dupRate = one.dup;
            o.keyIndexes = one.index;
            o.dsn = QStringLiteral("vostrel_bench");
            QElapsedTimer t;
            t.start();
            const demo::DemoResult demo = demo::buildDemo(folder, o);
            printPhase({QStringLiteral("build"), t.nsecsElapsed() / 1e9, cpuSeconds(), 0, demo.totalRows, peakMiB()});
            return 0;
        }
        if (seriesMode) {
            if (!single)
                one.dup = 0.01;
            return series(one, sizes, folder, repeat);
        }
        if (single)
            return run(one, folder, start, trace);
        QList<Config> matrix;
        for (const auto& [cells, dup, index] : {std::tuple{100000, 0.001, true}, std::tuple{100000, 0.01, true},
                 std::tuple{1000000, 0.001, true}, std::tuple{1000000, 0.01, true}, std::tuple{100000, 0.01, false}}) {
            Config c = one;
            c.cells = cells;
            c.dup = dup;
            c.index = index;
            c.reuse = false;
            matrix.append(c);
        }
        for (const Config& c : matrix)
            if (int rc = run(c, folder, QString(), QString()))
                return rc;
    } catch (const demo::BuildError& e) {
        out << "build failed: " << e.text() << "\n";
        return 2;
    } catch (const DatabaseError& e) {
        out << "database error: " << e.message() << "\n";
        return 2;
    }
    return 0;
}
