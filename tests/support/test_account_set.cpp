#include "test_account_set.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QtGlobal>

#include <optional>

namespace {
QString uniqueDsn()
{
    static QAtomicInt serial;
    return QStringLiteral("vostrel_test_%1_%2")
        .arg(QCoreApplication::applicationPid())
        .arg(serial.fetchAndAddRelaxed(1) + 1);
}
}

void account_set::connectKindZero(TEndYearDataMod& dm, const QString& driver, const QString& dsn,
                                  const QString& user, const QString& password)
{
    Database& db = dm.mast;
    if (db.connected())
        db.disconnect();
    db.clearParams();
    db.setDriverName(driver);
    db.addParam(QStringLiteral("ODBC DSN=") + dsn);
    db.addParam(QStringLiteral("USER NAME=") + user);
    db.addParam(QStringLiteral("PASSWORD=") + password);
    db.setLoginPrompt(false);
    db.connect();
    dm.state.DatabaseKind = DbKind::Anywhere;
}

QString account_set::firstValue(const QList<QStringList>& rows)
{
    return rows.isEmpty() || rows.first().isEmpty() ? QString() : rows.first().first();
}

QString account_set::countSql(const QString& table, const QString& where)
{
    QString sql = QStringLiteral("select count(*) from ") + table;
    if (!where.isEmpty())
        sql += QStringLiteral(" where ") + where;
    return sql;
}

template <typename F>
auto TestAccountSet::guarded(F&& f) const -> decltype(f())
{
    try {
        return f();
    } catch (const demo::BuildError& e) {
        qWarning("TestAccountSet: %s", qPrintable(e.text()));
        throw;
    }
}

TestAccountSet::TestAccountSet(const TestAccountSetOptions& options) : m_dsn(uniqueDsn())
{
    try {
        build(options);
    } catch (...) {
        m_dm.reset();
        m_file.reset();
        restoreEnv();
        throw;
    }
}

void TestAccountSet::build(const TestAccountSetOptions& options)
{
    guarded([&] {
        if (!m_dir.isValid())
            throw demo::BuildError(QStringLiteral("no temporary folder: %1").arg(m_dir.errorString()));
        setEnv("ODBCINI", m_dir.filePath(QStringLiteral("odbc.ini")));
        setEnv("VOSTREL_HOME", m_dir.path());
        if (options.demoContent) {
            demo::DemoOptions d = options.demo;
            d.dsn = m_dsn;
            d.walJournal = true;
            m_dbFile = demo::buildDemo(m_dir.path(), d).dbFile;
            m_file = std::make_unique<demo::SqliteFile>(m_dbFile);
            if (!options.jwcwIni)
                QFile::remove(filePath(QStringLiteral("jwcw.ini")));
        } else {
            m_dbFile = m_dir.filePath(m_dsn + QStringLiteral(".db"));
            m_file = std::make_unique<demo::SqliteFile>(m_dbFile);
            // Readers (an open ODBC cursor) then never block the statements a test states.
            demo::execSql(db(), QStringLiteral("PRAGMA journal_mode = WAL"));
            demo::createSystemTables(db());
            const demo::TableOptions tables{.keyIndexes = options.keyIndexes};
            for (const QString& prefix : {QStringLiteral("KR"), QStringLiteral("HZ")}) {
                if (options.reportTables)
                    demo::createReportTables(db(), prefix, QString(), tables);
                for (const int year : options.historyYears)
                    demo::createReportTables(db(), prefix, QString::number(year), tables);
            }
            if (options.systemRows) {
                demo::insertRows(db(), QStringLiteral("kvdbztxx"),
                    {{"001", "演示", "dba", "sql", m_dsn}, {"002", "分公司", "dba", "sql", m_dsn}});
                demo::insertRows(db(), QStringLiteral("JWCONF"),
                    {{"BB_KJND", "2004", "报表管理会计年度"}, {"HZ_KJND", "2004", "报表汇总会计年度"}});
            }
            demo::writeOdbcIni(filePath(QStringLiteral("odbc.ini")), m_dsn, m_dbFile);
            if (options.jwcwIni)
                demo::writeJwcwIni(m_dir.path(), demo::demoJwcwSections(m_dsn));
        }
        m_dm = std::make_unique<TEndYearDataMod>();
        if (options.connect)
            connect();
    });
}

TestAccountSet::~TestAccountSet()
{
    if (m_dm && m_dm->mast.connected())
        m_dm->mast.disconnect();
    m_dm.reset();
    m_file.reset();
    restoreEnv();
}

void TestAccountSet::restoreEnv()
{
    for (auto it = m_savedEnv.crbegin(); it != m_savedEnv.crend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
    m_savedEnv.clear();
}

void TestAccountSet::setEnv(const char* name, const QString& value)
{
    std::optional<QByteArray> old;
    if (qEnvironmentVariableIsSet(name))
        old = qgetenv(name);
    m_savedEnv.append({QByteArray(name), old});
    qputenv(name, value.toLocal8Bit());
}

QString TestAccountSet::folder() const { return m_dir.path(); }

QString TestAccountSet::filePath(const QString& name) const { return m_dir.filePath(name); }

void TestAccountSet::connect(const QString& user, const QString& password)
{
    account_set::connectKindZero(*m_dm, QStringLiteral("SQLite3"), m_dsn, user, password);
}

QSqlDatabase TestAccountSet::db() const { return m_file->db(); }

void TestAccountSet::exec(const QString& sql) const
{
    guarded([&] { demo::execSql(db(), sql); });
}

void TestAccountSet::insert(const QString& table, const QList<QVariantList>& rows) const
{
    guarded([&] { demo::insertRows(db(), table, rows); });
}

void TestAccountSet::insert(const QString& table, const QStringList& columns,
                            const QList<QVariantList>& rows) const
{
    guarded([&] { demo::insertRows(db(), table, columns, rows); });
}

QList<QStringList> TestAccountSet::rows(const QString& sql) const
{
    return guarded([&] { return demo::queryRows(db(), sql, nullText()); });
}

QString TestAccountSet::value(const QString& sql) const
{
    return account_set::firstValue(rows(sql));
}

int TestAccountSet::count(const QString& table, const QString& where) const
{
    return value(account_set::countSql(table, where)).toInt();
}

bool TestAccountSet::tableExists(const QString& name) const
{
    return count(QStringLiteral("sqlite_master"),
                 QStringLiteral("type in ('table', 'view') and lower(name) = lower('%1')")
                     .arg(QString(name).replace(QLatin1Char('\''), QStringLiteral("''"))))
        > 0;
}

QStringList TestAccountSet::indexNames(const QString& table) const
{
    QStringList names;
    for (const QStringList& r : rows(QStringLiteral("select name from sqlite_master where type = 'index' "
                                                    "and lower(tbl_name) = lower('%1') order by name")
                                         .arg(QString(table).replace(QLatin1Char('\''), QStringLiteral("''")))))
        names << r.first();
    return names;
}

QStringList TestAccountSet::tables(const QString& likePattern) const
{
    QStringList names;
    for (const QStringList& r : rows(QStringLiteral("select name from sqlite_master where type in ('table', 'view') "
                                                    "and name like '%1' order by name")
                                         .arg(QString(likePattern).replace(QLatin1Char('\''), QStringLiteral("''")))))
        names << r.first();
    return names;
}

void TestAccountSet::createReportTables(const QString& prefix, const QString& yearSuffix, bool keyIndexes,
                                        bool extendedFormulas) const
{
    guarded([&] {
        demo::createReportTables(db(), prefix, yearSuffix,
                                 {.keyIndexes = keyIndexes, .extendedFormulas = extendedFormulas});
    });
}

void TestAccountSet::createReportTable(const QString& prefix, const QString& base, const QString& yearSuffix,
                                       bool keyIndexes, bool extendedFormulas) const
{
    guarded([&] {
        demo::createReportTable(db(), prefix, base, yearSuffix,
                                {.keyIndexes = keyIndexes, .extendedFormulas = extendedFormulas});
    });
}

void TestAccountSet::writeGbk(const QString& fileName, const QString& text) const
{
    guarded([&] { demo::writeGbkText(filePath(fileName), text); });
}

void TestAccountSet::writeJwcw(const QList<demo::IniSection>& sections) const
{
    guarded([&] { demo::writeJwcwIni(folder(), sections); });
}

void TestAccountSet::writeKolvarin(const QList<demo::IniSection>& sections) const
{
    guarded([&] { demo::writeKolvarinIni(folder(), sections); });
}

QString TestAccountSet::writeAutoStart(const QDate& day, const QString& ztbh, const QString& dbms) const
{
    return guarded([&] { return demo::writeAutoStartFile(folder(), day, m_dsn, ztbh, dbms); });
}
