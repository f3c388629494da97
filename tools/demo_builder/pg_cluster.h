#pragma once
// A private PostgreSQL cluster for account sets on a server behind psqlodbc: initdb in a
// temporary folder, reached only through a Unix socket in that folder, run as an
// unprivileged user when started as root, stopped at exit (a watchdog stops it should the
// process die without its exit handlers). One per process:
//
//   if (const QString why = demo::PgCluster::unavailable(); !why.isEmpty()) ...skip...
//   demo::PgCluster& cluster = demo::PgCluster::instance();
//   cluster.createAccountSetDatabase("vs_1");
//   ... open cluster.connectionString("vs_1", "dba", "sql") and demo::copyToPostgres ...
//
// Roles as at a site: the owner "dba" (password "sql", schema dba holding the tables) and
// the login roles cw0019999 and cw0029999 (password loginPassword()). PostgreSQL's
// differences from the SQLite account set all live here: blob columns become bytea, the
// domain u001 stands for the report database's own type, and the catalogue view
// sysobjects lists the owner's tables and views in upper case.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace demo {

// A QODBC connection of its own name, opened from a connection string (throws BuildError),
// closed and removed with the object.
class OdbcConnection {
public:
    explicit OdbcConnection(const QString& connectionString);
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;
    QSqlDatabase db() const;
    void exec(const QString& sql) const;

private:
    QString m_name;
};

class PgCluster {
public:
    // Empty when a cluster can run; else why not (binaries or driver missing).
    static QString unavailable();
    static PgCluster& instance();   // started on first use; throws BuildError when it cannot

    static QString owner() { return QStringLiteral("dba"); }
    static QString ownerPassword() { return QStringLiteral("sql"); }
    static QStringList loginRoles() { return {QStringLiteral("cw0019999"), QStringLiteral("cw0029999")}; }
    static QString loginPassword() { return QStringLiteral("mm9999"); }

    QString socketDir() const;
    int port() const { return 5432; }
    QString driver() const { return m_driver; }   // odbcinst name or the library's path
    // A direct connection (QODBC) to a database of the cluster as the given role.
    QString connectionString(const QString& database, const QString& user, const QString& password) const;
    // The same as the cluster's superuser.
    QString adminConnectionString(const QString& database) const;
    // Runs one statement as the superuser on a database of the cluster.
    void adminExec(const QString& database, const QString& sql) const;

    // An empty database for an account set: owned by the owner, with its schema, the u001
    // domain and the login roles' use of the schema.
    void createAccountSetDatabase(const QString& database) const;
    // The DSN section of a database of the cluster, appended to an odbc.ini.
    void appendDsn(const QString& odbcIni, const QString& dsn, const QString& database) const;

    // Stops the server at once (no checkpoint, sessions cut) and starts it again.
    void stopImmediately();
    void start();
    bool running() const;
    QString pgCtl() const { return m_bin + QStringLiteral("/pg_ctl"); }
    QString dataDir() const;
    // Arguments that run a command as the cluster's operating-system user.
    QStringList asClusterUser(const QString& program, const QStringList& args) const;

    ~PgCluster();

private:
    PgCluster();
    void run(const QString& program, const QStringList& args) const;
    QString m_bin, m_driver, m_runAs;
    std::unique_ptr<QTemporaryDir> m_dir;
};

// Copies every table and index of an SQLite account set into an empty PostgreSQL database
// (the connection's schema), rows in their own types, and adds the catalogue view.
void copyToPostgres(QSqlDatabase sqlite, QSqlDatabase pg);

} // namespace demo
