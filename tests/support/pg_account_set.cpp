#include "pg_account_set.h"

#include "data_module/sql_text.h"

#include <QAtomicInt>
#include <QCoreApplication>

namespace {
QString serial()
{
    static QAtomicInt n;
    return QString::number(n.fetchAndAddRelaxed(1) + 1);
}
} // namespace

PgAccountSet::PgAccountSet(const TestAccountSetOptions& options)
{
    PgCluster& cluster = PgCluster::instance();
    m_sqlite = std::make_unique<TestAccountSet>(options);
    m_database = QStringLiteral("vs_%1_%2").arg(QCoreApplication::applicationPid()).arg(serial());
    m_dsn = m_sqlite->dsn() + QStringLiteral("_pg");
    cluster.createAccountSetDatabase(m_database);
    openOwner();
    copyFromSqlite();
    if (tableExists(QStringLiteral("kvdbztxx"))) {
        exec(QStringLiteral("grant select on %1.kvdbztxx to %2")
                 .arg(PgCluster::owner(), PgCluster::loginRoles().join(QLatin1Char(','))));
        exec(QStringLiteral("update kvdbztxx set kvdbztxx_base = %1").arg(sqlQuoted(m_dsn)));
    }

    // The DSN beside the twin's in the tests' own odbc.ini.
    addDsn(m_dsn, m_database);
    if (options.jwcwIni)
        m_sqlite->writeJwcw(demo::demoJwcwSections(m_dsn));
    m_dm = std::make_unique<TEndYearDataMod>();
    if (options.connect)
        connect();
}

PgAccountSet::~PgAccountSet()
{
    if (m_dm && m_dm->mast.connected())
        m_dm->mast.disconnect();
    m_dm.reset();
    closeOwner();
}

void PgAccountSet::openOwner()
{
    m_owner = std::make_unique<demo::OdbcConnection>(
        PgCluster::instance().connectionString(m_database, PgCluster::owner(), PgCluster::ownerPassword()));
}

void PgAccountSet::closeOwner() { m_owner.reset(); }

void PgAccountSet::addDsn(const QString& dsn, const QString& database) const
{
    PgCluster::instance().appendDsn(m_sqlite->filePath(QStringLiteral("odbc.ini")), dsn, database);
}

QString PgAccountSet::cloneDatabase(const QString& suffix)
{
    // A template database must have no other sessions.
    if (m_dm->mast.connected())
        m_dm->mast.disconnect();
    closeOwner();
    const QString name = m_database + QLatin1Char('_') + suffix;
    try {
        PgCluster::instance().adminExec(QStringLiteral("postgres"),
            QStringLiteral("create database %1 owner %2 template %3").arg(name, PgCluster::owner(), m_database));
    } catch (...) {
        openOwner();
        throw;
    }
    openOwner();
    const QString dsn = m_dsn + QLatin1Char('_') + suffix;
    addDsn(dsn, name);
    return dsn;
}

QList<QStringList> PgAccountSet::rowsIn(const QString& database, const QString& sql)
{
    const demo::OdbcConnection c(
        PgCluster::instance().connectionString(database, PgCluster::owner(), PgCluster::ownerPassword()));
    return demo::queryRows(c.db(), sql, TestAccountSet::nullText());
}

void PgAccountSet::connect(const QString& user, const QString& password)
{
    account_set::connectKindZero(*m_dm, PgCluster::instance().driver(), m_dsn, user, password);
}

QSqlDatabase PgAccountSet::db() const { return m_owner ? m_owner->db() : QSqlDatabase(); }

void PgAccountSet::exec(const QString& sql) const { demo::execSql(db(), sql); }

QList<QStringList> PgAccountSet::rows(const QString& sql) const
{
    return demo::queryRows(db(), sql, TestAccountSet::nullText());
}

QString PgAccountSet::value(const QString& sql) const
{
    return account_set::firstValue(rows(sql));
}

int PgAccountSet::count(const QString& table, const QString& where) const
{
    return value(account_set::countSql(table, where)).toInt();
}

bool PgAccountSet::tableExists(const QString& name) const
{
    return !tables(name.toUpper()).isEmpty()
        && tables(name.toUpper()).contains(name.toUpper());
}

QStringList PgAccountSet::tables(const QString& likePattern) const
{
    QStringList names;
    for (const QStringList& r : rows(QStringLiteral("select upper(c.relname) from pg_class c join pg_namespace n "
                                                    "on n.oid = c.relnamespace where n.nspname = %1 and c.relkind in "
                                                    "('r', 'v', 'p') and upper(c.relname) like %2 order by 1")
                                         .arg(sqlQuoted(PgCluster::owner()), sqlQuoted(likePattern))))
        names << r.first();
    return names;
}

void PgAccountSet::copyFromSqlite() { demo::copyToPostgres(m_sqlite->db(), db()); }
