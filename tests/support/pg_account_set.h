#pragma once
// The same account set on a PostgreSQL server behind psqlodbc. One private cluster per test
// executable (demo_builder/pg_cluster.h); one database per account set:
//
//   if (const QString why = PgCluster::unavailable(); !why.isEmpty()) QSKIP(qPrintable(why));
//   PgAccountSet pg({.demoContent = true});
//   ... run the job on pg.dm() and on pg.sqlite().dm() ...
//   QCOMPARE(pg.rows("select ..."), pg.sqlite().rows("select ..."));
//
// The account set is first built on SQLite with the demo builder (pg.sqlite(), a full
// TestAccountSet of its own) and then copied table by table, so both backends hold the same
// rows. Roles as at a site: the owner "dba" (password "sql", schema dba holding the tables,
// the registry dba.kvdbztxx among them) and the login roles "cw" + account set + user code
// (cw0019999, cw0029999; password loginPassword()) that may read the registry only.
// PostgreSQL's differences all live in the cluster's database set-up and copy
// (demo_builder/pg_cluster.cpp).

#include "test_account_set.h"
#include "demo_builder/pg_cluster.h"

#include <QSqlDatabase>

#include <memory>

using demo::PgCluster;

class PgAccountSet {
public:
    explicit PgAccountSet(const TestAccountSetOptions& options = {});
    ~PgAccountSet();
    PgAccountSet(const PgAccountSet&) = delete;
    PgAccountSet& operator=(const PgAccountSet&) = delete;

    static QString loginPassword() { return PgCluster::loginPassword(); }

    TestAccountSet& sqlite() { return *m_sqlite; }
    QString dsn() const { return m_dsn; }
    QString database() const { return m_database; }
    TEndYearDataMod& dm() { return *m_dm; }
    Database& mast() { return m_dm->mast; }
    // (Re)connects dm().mast as kind 0 on the DSN through the program's own path.
    void connect(const QString& user = QStringLiteral("dba"), const QString& password = QStringLiteral("sql"));

    // Direct reads and statements as the owner; throw demo::BuildError on failure.
    QSqlDatabase db() const;
    void exec(const QString& sql) const;
    QList<QStringList> rows(const QString& sql) const;
    QString value(const QString& sql) const;
    int count(const QString& table, const QString& where = {}) const;
    bool tableExists(const QString& name) const;
    // Owner's tables and views matching an SQL LIKE pattern (upper case), sorted.
    QStringList tables(const QString& likePattern = QStringLiteral("%")) const;

    // Copies every table of the SQLite twin into the (empty) database.
    void copyFromSqlite();

    // A copy of the database as it is now, named database() + "_" + suffix, with a DSN of
    // its own in odbc.ini (returned). dm() is disconnected for the copy.
    QString cloneDatabase(const QString& suffix);
    // Rows of a query in another database of the cluster, as the owner.
    static QList<QStringList> rowsIn(const QString& database, const QString& sql);

private:
    void openOwner();
    void closeOwner();
    void addDsn(const QString& dsn, const QString& database) const;

    std::unique_ptr<TestAccountSet> m_sqlite;
    QString m_database, m_dsn;
    std::unique_ptr<demo::OdbcConnection> m_owner;   // the owner's own connection
    std::unique_ptr<TEndYearDataMod> m_dm;
};
