// The private PostgreSQL cluster and the copy of an SQLite account set into it.
#include "pg_cluster.h"

#include "demo_builder.h"
#include "data_module/sql_text.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace demo {

namespace {
const QString kSuperuser = QStringLiteral("vostrel");
const QString kSuperPassword = QStringLiteral("vostrel_admin");

QString errorText(const QSqlError& e)
{
    const QString d = e.databaseText().trimmed();
    return d.isEmpty() ? e.text().trimmed() : d;
}

QString serial()
{
    static QAtomicInt n;
    return QString::number(n.fetchAndAddRelaxed(1) + 1);
}

// The directory holding initdb, pg_ctl and postgres, or empty.
QString binDir()
{
    QStringList candidates;
    const QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& v : versions)
        candidates << lib.filePath(v + QStringLiteral("/bin"));
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("pg_ctl"));
    if (!onPath.isEmpty())
        candidates << QFileInfo(onPath).absolutePath();
    for (const QString& dir : candidates) {
        bool all = true;
        for (const char* tool : {"initdb", "pg_ctl", "postgres"})
            all = all && QFileInfo(dir + QLatin1Char('/') + QLatin1String(tool)).isExecutable();
        if (all)
            return dir;
    }
    return {};
}

// psqlodbc: its odbcinst name when the driver list has it, else the library's path.
QString psqlodbcDriver()
{
    QProcess p;
    p.start(QStringLiteral("odbcinst"), {QStringLiteral("-q"), QStringLiteral("-d"), QStringLiteral("-n"),
                                         QStringLiteral("PostgreSQL Unicode")});
    if (p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
        && p.readAllStandardOutput().contains("PostgreSQL Unicode"))
        return QStringLiteral("PostgreSQL Unicode");
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc", "/usr/lib/odbc",
                            "/usr/local/lib", "/usr/lib64"}) {
        const QString lib = QLatin1String(dir) + QStringLiteral("/psqlodbcw.so");
        if (QFile::exists(lib))
            return lib;
    }
    return {};
}

struct Availability {
    QString bin, driver, reason;
};

const Availability& availability()
{
    static const Availability a = [] {
        Availability r;
        r.bin = binDir();
        r.driver = psqlodbcDriver();
        if (r.bin.isEmpty())
            r.reason = QStringLiteral("PostgreSQL is not installed (no initdb, pg_ctl and postgres); scripts/setup installs it");
        else if (r.driver.isEmpty())
            r.reason = QStringLiteral("psqlodbc is not installed (no \"PostgreSQL Unicode\" driver); scripts/setup installs it");
        return r;
    }();
    return a;
}


std::unique_ptr<PgCluster>& clusterSlot()
{
    static std::unique_ptr<PgCluster> slot;
    return slot;
}

// A value of the SQLite twin as a PostgreSQL literal for a column of the given type.
QString literal(const QVariant& v, bool bytea)
{
    if (v.isNull() || !v.isValid())
        return QStringLiteral("NULL");
    if (bytea || v.typeId() == QMetaType::QByteArray) {
        const QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        return QStringLiteral("'\\x") + QString::fromLatin1(b.toHex()) + QStringLiteral("'::bytea");
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toString();
    case QMetaType::Double:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return sqlQuoted(v.toString());
    }
}
} // namespace

OdbcConnection::OdbcConnection(const QString& connectionString) : m_name(QStringLiteral("vo_odbc_") + serial())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    db.setDatabaseName(connectionString);
    if (!db.open()) {
        const QString msg = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw BuildError(QStringLiteral("ODBC connection failed: ") + msg);
    }
}

OdbcConnection::~OdbcConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase OdbcConnection::db() const { return QSqlDatabase::database(m_name, false); }

void OdbcConnection::exec(const QString& sql) const { execSql(db(), sql); }

QString PgCluster::unavailable() { return availability().reason; }

PgCluster& PgCluster::instance()
{
    static std::mutex m;
    std::lock_guard lock(m);
    auto& slot = clusterSlot();
    if (!slot) {
        if (!unavailable().isEmpty())
            throw BuildError(unavailable());
        slot.reset(new PgCluster());
        // Stopped at exit, also after failed tests.
        std::atexit([] { clusterSlot().reset(); });
    }
    return *slot;
}

QString PgCluster::socketDir() const { return m_dir->path(); }
QString PgCluster::dataDir() const { return m_dir->filePath(QStringLiteral("data")); }

QStringList PgCluster::asClusterUser(const QString& program, const QStringList& args) const
{
    if (m_runAs.isEmpty())
        return QStringList{program} + args;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), m_runAs, QStringLiteral("--"), program} + args;
}

void PgCluster::run(const QString& program, const QStringList& args) const
{
    const QStringList cmd = asClusterUser(program, args);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(cmd.first(), cmd.mid(1));
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
        throw BuildError(QStringLiteral("%1 failed: %2").arg(cmd.join(QLatin1Char(' ')),
                                                                    QString::fromLocal8Bit(p.readAll())));
    }
}

PgCluster::PgCluster() : m_bin(availability().bin), m_driver(availability().driver)
{
    // A short folder: the socket's path must stay within the system's limit.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/vopg-XXXXXX"));
    if (!m_dir->isValid())
        throw BuildError(QStringLiteral("no temporary folder for the cluster"));
    if (geteuid() == 0) {
        // The server refuses to run as root: the folder goes to an unprivileged user.
        const passwd* pw = getpwnam("nobody");
        if (!pw)
            throw BuildError(QStringLiteral("no user nobody to run the cluster as"));
        if (::chown(QFile::encodeName(m_dir->path()).constData(), pw->pw_uid, pw->pw_gid) != 0)
            throw BuildError(QStringLiteral("cannot give the cluster folder to nobody"));
        m_runAs = QStringLiteral("nobody");
    }
    const QString pwFile = m_dir->filePath(QStringLiteral("pw"));
    {
        QFile f(pwFile);
        if (!f.open(QIODevice::WriteOnly))
            throw BuildError(QStringLiteral("cannot write %1").arg(pwFile));
        f.write(kSuperPassword.toUtf8() + '\n');
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }
    run(m_bin + QStringLiteral("/initdb"),
        {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), kSuperuser, QStringLiteral("--auth=scram-sha-256"),
         QStringLiteral("--pwfile=") + pwFile, QStringLiteral("-E"), QStringLiteral("UTF8"),
         QStringLiteral("--no-locale"), QStringLiteral("--no-sync")});
    QFile::remove(pwFile);
    {
        // Reached only through the socket in the folder; no TCP port at all.
        QFile conf(dataDir() + QStringLiteral("/postgresql.conf"));
        if (!conf.open(QIODevice::Append))
            throw BuildError(QStringLiteral("cannot extend postgresql.conf"));
        conf.write(QStringLiteral("\nlisten_addresses = ''\nunix_socket_directories = '%1'\nport = %2\n"
                                  "fsync = off\nmax_connections = 60\n")
                       .arg(socketDir())
                       .arg(port())
                       .toUtf8());
    }
    start();

    // A watchdog that stops the server should this process die without its exit handlers.
    {
        QProcess dog;
        dog.setStandardInputFile(QProcess::nullDevice());
        dog.setStandardOutputFile(QProcess::nullDevice());
        dog.setStandardErrorFile(QProcess::nullDevice());
        const QString script = QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 1; done; "
                                              "[ -f '%2/postmaster.pid' ] && %3 -D '%2' -m immediate stop")
                                   .arg(QCoreApplication::applicationPid())
                                   .arg(dataDir(), asClusterUser(pgCtl(), {}).join(QLatin1Char(' ')));
        dog.setProgram(QStringLiteral("sh"));
        dog.setArguments({QStringLiteral("-c"), script});
        dog.startDetached();
    }

    OdbcConnection admin(connectionString(QStringLiteral("postgres"), kSuperuser, kSuperPassword));
    admin.exec(QStringLiteral("create role %1 login password %2").arg(PgCluster::owner(), sqlQuoted(PgCluster::ownerPassword())));
    for (const QString& role : PgCluster::loginRoles())
        admin.exec(QStringLiteral("create role %1 login password %2").arg(role, sqlQuoted(loginPassword())));
}

PgCluster::~PgCluster()
{
    try {
        if (running())
            run(pgCtl(), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"), QStringLiteral("fast"),
                          QStringLiteral("-w"), QStringLiteral("stop")});
    } catch (const BuildError& e) {
        qWarning("PgCluster: %s", qPrintable(e.text()));
    }
}

bool PgCluster::running() const { return QFile::exists(dataDir() + QStringLiteral("/postmaster.pid")); }

void PgCluster::start()
{
    // -w: pg_ctl returns once the server accepts connections (bounded by -t).
    run(pgCtl(), {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"), m_dir->filePath(QStringLiteral("server.log")),
                  QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")});
}

void PgCluster::stopImmediately()
{
    run(pgCtl(), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"), QStringLiteral("immediate"),
                  QStringLiteral("-w"), QStringLiteral("stop")});
}

QString PgCluster::connectionString(const QString& database, const QString& user, const QString& password) const
{
    return QStringLiteral("DRIVER={%1};Servername=%2;Port=%3;Database=%4;UID=%5;PWD=%6")
        .arg(m_driver, socketDir())
        .arg(port())
        .arg(database, user, password);
}


QString PgCluster::adminConnectionString(const QString& database) const
{
    return connectionString(database, kSuperuser, kSuperPassword);
}

void PgCluster::adminExec(const QString& database, const QString& sql) const
{
    OdbcConnection admin(adminConnectionString(database));
    admin.exec(sql);
}

void PgCluster::createAccountSetDatabase(const QString& database) const
{
    adminExec(QStringLiteral("postgres"),
        QStringLiteral("create database %1 owner %2 template template0 encoding 'UTF8'").arg(database, owner()));
    OdbcConnection admin(adminConnectionString(database));
    admin.exec(QStringLiteral("create schema %1 authorization %1").arg(owner()));
    // The report database's own type of cell values.
    admin.exec(QStringLiteral("create domain public.u001 as numeric"));
    admin.exec(QStringLiteral("grant usage on schema %1 to %2").arg(owner(), loginRoles().join(QLatin1Char(','))));
}

void PgCluster::appendDsn(const QString& odbcIni, const QString& dsn, const QString& database) const
{
    QFile ini(odbcIni);
    if (!ini.open(QIODevice::Append | QIODevice::Text))
        throw BuildError(QStringLiteral("cannot extend %1").arg(odbcIni));
    ini.write(QStringLiteral("\n[%1]\nDriver=%2\nServername=%3\nPort=%4\nDatabase=%5\n")
                  .arg(dsn, driver(), socketDir())
                  .arg(port())
                  .arg(database)
                  .toUtf8());
}

void copyToPostgres(QSqlDatabase src, QSqlDatabase dst)
{
    const QList<QStringList> tables = queryRows(src,
        QStringLiteral("select name from sqlite_master where type = 'table' and name not like 'sqlite%' order by name"));
    for (const QStringList& t : tables) {
        const QString name = t.first();
        // Column names and declared types; blobs become bytea.
        QStringList defs, names;
        QList<bool> bytea;
        for (const QStringList& c : queryRows(src, QStringLiteral("pragma table_info(%1)").arg(name))) {
            QString type = c.at(2).trimmed();
            const bool b = type.compare(QLatin1String("blob"), Qt::CaseInsensitive) == 0;
            if (b)
                type = QStringLiteral("bytea");
            defs << c.at(1) + QLatin1Char(' ') + type + QStringLiteral(" null");
            names << c.at(1);
            bytea << b;
        }
        execSql(dst, QStringLiteral("create table %1 (%2)").arg(name, defs.join(QStringLiteral(", "))));

        if (!dst.transaction())
            throw BuildError(QStringLiteral("begin: ") + errorText(dst.lastError()));
        QSqlQuery q(src);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("select * from ") + name))
            throw BuildError(QStringLiteral("read %1: %2").arg(name, errorText(q.lastError())));
        QStringList batch;
        const auto flush = [&] {
            if (batch.isEmpty())
                return;
            execSql(dst, QStringLiteral("insert into %1 (%2) values %3")
                                   .arg(name, names.join(QLatin1Char(',')), batch.join(QLatin1Char(','))));
            batch.clear();
        };
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < names.size(); ++i)
                values << literal(q.value(i), bytea.at(i));
            batch << QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
            if (batch.size() >= 500)
                flush();
        }
        flush();
        if (!dst.commit())
            throw BuildError(QStringLiteral("commit: ") + errorText(dst.lastError()));
    }
    for (const QStringList& i : queryRows(src,
             QStringLiteral("select sql from sqlite_master where type = 'index' and sql is not null order by name")))
        execSql(dst, i.first());
    // The catalogue the report system reads: the owner's tables and views by upper-case name.
    execSql(dst, QStringLiteral(
        "create view sysobjects as select upper(c.relname)::varchar(128) as name, "
        "(case c.relkind when 'v' then 'V' else 'U' end)::varchar(2) as type "
        "from pg_class c join pg_namespace n on n.oid = c.relnamespace "
        "where n.nspname = current_schema() and c.relkind in ('r', 'v', 'p')"));
}

} // namespace demo
