#include "data_module/qt_backend.h"

#include "data_module/database_error.h"
#include "data_module/engine_config.h"

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

class QtCursor : public Cursor {
public:
    explicit QtCursor(QSqlQuery&& q) : m_q(std::move(q))
    {
        const QSqlRecord r = m_q.record();
        for (int i = 0; i < r.count(); ++i)
            m_columns << r.fieldName(i);
    }
    QStringList columns() const override { return m_columns; }
    bool fetch(QList<QVariant>& row) override
    {
        if (!m_q.next()) {
            if (m_q.lastError().isValid())
                throw DatabaseError(errorText(m_q.lastError()));
            return false;
        }
        row.resize(m_columns.size());
        for (int i = 0; i < m_columns.size(); ++i) {
            const QVariant v = m_q.value(i);
            row[i] = v.isNull() ? QVariant() : v;
        }
        return true;
    }

private:
    QSqlQuery m_q;
    QStringList m_columns;
};
}

QtSqlBackend::QtSqlBackend() : m_name(QStringLiteral("MisDb")) {}

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
