#include "data_module/qt_backend.h"

#include "data_module/database_error.h"
#include "data_module/engine_config.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sql.h>
#include <sqlext.h>

namespace {
QString errorText(const QSqlError& e)
{
    const QString db = e.databaseText().trimmed();
    return db.isEmpty() ? e.text().trimmed() : db;
}

QString askDbmsName(const QSqlDatabase& db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid())
        return {};
    SQLHANDLE hdbc = *static_cast<const SQLHANDLE*>(h.constData());
    if (!hdbc)
        return {};
    SQLCHAR buf[256] = {};
    SQLSMALLINT len = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(hdbc, SQL_DBMS_NAME, buf, sizeof buf - 1, &len)))
        return {};
    return QString::fromLocal8Bit(reinterpret_cast<const char*>(buf)).trimmed();
}

// Reads a result of a query it owns, or of the query of a prepared statement, whose
// result set it closes when it goes.
class QtCursor : public Cursor {
public:
    explicit QtCursor(QSqlQuery&& q) : m_own(std::move(q)), m_q(&m_own) { readColumns(); }
    explicit QtCursor(std::shared_ptr<QSqlQuery> prepared) : m_prepared(std::move(prepared)), m_q(m_prepared.get())
    {
        readColumns();
    }
    ~QtCursor() override
    {
        if (m_prepared)
            m_prepared->finish();
    }
    QStringList columns() const override { return m_columns; }
    bool fetch(QList<QVariant>& row) override
    {
        if (!m_q->next()) {
            if (m_q->lastError().isValid())
                throw DatabaseError(errorText(m_q->lastError()));
            return false;
        }
        row.resize(m_columns.size());
        for (int i = 0; i < m_columns.size(); ++i) {
            const QVariant v = m_q->value(i);
            row[i] = v.isNull() ? QVariant() : v;
        }
        return true;
    }

private:
    void readColumns()
    {
        const QSqlRecord r = m_q->record();
        for (int i = 0; i < r.count(); ++i)
            m_columns << r.fieldName(i);
    }
    QSqlQuery m_own;
    std::shared_ptr<QSqlQuery> m_prepared;   // kept alive should the statement go first
    QSqlQuery* m_q;
    QStringList m_columns;
};

// One QSqlQuery prepared once; each run binds the values anew.
class QtPrepared : public PreparedStatement {
public:
    QtPrepared(const QSqlDatabase& db, const QString& sql) : m_q(std::make_shared<QSqlQuery>(db))
    {
        m_q->setForwardOnly(true);
        if (!m_q->prepare(sql))
            throw DatabaseError(errorText(m_q->lastError()));
    }
    int exec(const QList<QVariant>& binds) override
    {
        run(binds);
        const int affected = m_q->numRowsAffected();
        m_q->finish();
        return affected;
    }
    std::unique_ptr<Cursor> open(const QList<QVariant>& binds) override
    {
        run(binds);
        return std::make_unique<QtCursor>(m_q);
    }

private:
    void run(const QList<QVariant>& binds)
    {
        for (int i = 0; i < binds.size(); ++i)
            m_q->bindValue(i, binds.at(i));
        if (!m_q->exec())
            throw DatabaseError(errorText(m_q->lastError()));
    }
    std::shared_ptr<QSqlQuery> m_q;
};
}

// Every backend has a connection of its own: two data modules in one process (a test that
// runs a job on two account sets) must not replace each other's connection.
QtSqlBackend::QtSqlBackend()
{
    static QAtomicInt serial;
    const int n = serial.fetchAndAddRelaxed(1);
    m_name = n == 0 ? QStringLiteral("MisDb") : QStringLiteral("MisDb_%1").arg(n);
}

QtSqlBackend::~QtSqlBackend() { disconnect(); }

void QtSqlBackend::connect(const QString& driverName, const QStringList& params)
{
    disconnect();
    // Every value is checked before anything reaches the driver manager.
    const OdbcTarget target = EngineConfig::load().resolve(driverName, params);
    const QString databaseName = target.connectionString.isEmpty() ? target.dataSourceText() : target.connectionString;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
        db.setDatabaseName(databaseName);
        db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1")
                                 .arg(target.loginTimeoutSeconds));
        if (!db.open()) {
            const QString message = errorText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            throw DatabaseError(message);
        }
        m_dbms = askDbmsName(db);
    }
}

void QtSqlBackend::disconnect()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_dbms.clear();
}

bool QtSqlBackend::connected() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void QtSqlBackend::begin()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.transaction())
        throw DatabaseError(errorText(db.lastError()));
}

void QtSqlBackend::commit()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.commit())
        throw DatabaseError(errorText(db.lastError()));
}

void QtSqlBackend::rollback()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.rollback())
        throw DatabaseError(errorText(db.lastError()));
}

static QSqlQuery run(const QString& name, const QString& sql, const QList<QVariant>& binds, bool forwardOnly)
{
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isOpen())
        throw DatabaseError(QStringLiteral("数据库未连接"));
    QSqlQuery q(db);
    q.setForwardOnly(forwardOnly);
    bool ok;
    if (binds.isEmpty()) {
        ok = q.exec(sql);
    } else {
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant& v : binds)
                q.addBindValue(v);
            ok = q.exec();
        }
    }
    if (!ok)
        throw DatabaseError(errorText(q.lastError()));
    return q;
}

std::unique_ptr<Cursor> QtSqlBackend::open(const QString& sql, const QList<QVariant>& binds)
{
    return std::make_unique<QtCursor>(run(m_name, sql, binds, true));
}

int QtSqlBackend::exec(const QString& sql, const QList<QVariant>& binds)
{
    QSqlQuery q = run(m_name, sql, binds, true);
    return q.numRowsAffected();
}

std::unique_ptr<PreparedStatement> QtSqlBackend::prepare(const QString& sql)
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (!db.isOpen())
        throw DatabaseError(QStringLiteral("数据库未连接"));
    const QSqlDriver* driver = db.driver();
    if (!driver->hasFeature(QSqlDriver::PreparedQueries) || !driver->hasFeature(QSqlDriver::PositionalPlaceholders))
        return {};
    return std::make_unique<QtPrepared>(db, sql);
}
