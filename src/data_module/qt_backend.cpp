#include "data_module/qt_backend.h"

#include "data_module/database_error.h"
#include "data_module/dialect.h"
#include "data_module/engine_config.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <optional>

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

// The messages of the statement's and the connection's diagnostic records, as QODBC
// joins them for its errors.
QString diagnostics(SQLHANDLE stmt, SQLHANDLE dbc)
{
    QString out;
    const auto collect = [&out](SQLSMALLINT type, SQLHANDLE h) {
        if (!h)
            return;
        for (SQLSMALLINT i = 1;; ++i) {
            SQLWCHAR state[SQL_SQLSTATE_SIZE + 1];
            SQLINTEGER native = 0;
            SQLSMALLINT len = 0;
            if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, i, state, &native, nullptr, 0, &len)))
                break;
            QList<SQLWCHAR> text(len + 1);
            if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, i, state, &native, text.data(), SQLSMALLINT(text.size()), &len)))
                break;
            const QString message = QString::fromUtf16(reinterpret_cast<const char16_t*>(text.constData()),
                qMin<qsizetype>(len, text.size() - 1));
            if (!message.isEmpty() && !out.endsWith(message))
                out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + message;
        }
    };
    collect(SQL_HANDLE_DBC, dbc);
    collect(SQL_HANDLE_STMT, stmt);
    return out.trimmed().isEmpty() ? QStringLiteral("QODBC: Unable to fetch next") : out.trimmed();
}

SQLHANDLE handleOf(const QVariant& h)
{
    return h.metaType() == QMetaType::fromType<SQLHANDLE>() ? *static_cast<const SQLHANDLE*>(h.constData()) : nullptr;
}

// Reads the rows of an executed query straight from its ODBC statement handle: texts as
// the driver's UTF-8 (SQL_C_CHAR), numbers and bytes in the C types QODBC asks for, so that
// every value and its type are what QSqlQuery::value() would give. Used only where the
// dialect says texts come as UTF-8; the query itself is never moved on.
class HandleRows {
public:
    // Null when a column has a type it does not read as QODBC would: such a result is read
    // through QSqlQuery.
    static std::unique_ptr<HandleRows> make(const QSqlQuery& q, const QSqlRecord& r)
    {
        const SQLHANDLE stmt = handleOf(q.result()->handle());
        if (!stmt || r.isEmpty())
            return {};
        auto rows = std::unique_ptr<HandleRows>(new HandleRows(stmt, handleOf(q.driver()->handle())));
        for (int i = 0; i < r.count(); ++i) {
            const int type = r.field(i).metaType().id();
            switch (type) {
            case QMetaType::QString:
            case QMetaType::Short:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::QByteArray:
            case QMetaType::QDate:
            case QMetaType::QTime:
            case QMetaType::QDateTime:
                break;
            case QMetaType::Double:
                if (q.numericalPrecisionPolicy() != QSql::LowPrecisionDouble)
                    return {};
                break;
            default:
                return {};
            }
            rows->m_types << type;
        }
        return rows;
    }

    bool fetch(QList<QVariant>& row)
    {
        const SQLRETURN r = SQLFetch(m_stmt);
        if (r == SQL_NO_DATA)
            return false;
        if (!SQL_SUCCEEDED(r))
            throw DatabaseError(diagnostics(m_stmt, m_dbc));
        row.resize(m_types.size());
        for (int i = 0; i < m_types.size(); ++i)
            row[i] = value(SQLUSMALLINT(i + 1), m_types.at(i));
        return true;
    }

private:
    HandleRows(SQLHANDLE stmt, SQLHANDLE dbc) : m_stmt(stmt), m_dbc(dbc), m_buffer(4096, Qt::Uninitialized) {}

    // A value of fixed size; empty for NULL.
    template <typename T> std::optional<T> fixed(SQLUSMALLINT column, SQLSMALLINT cType)
    {
        T v{};
        SQLLEN indicator = 0;
        check(SQLGetData(m_stmt, column, cType, &v, sizeof v, &indicator));
        return indicator == SQL_NULL_DATA ? std::nullopt : std::optional<T>(v);
    }
    template <typename T> QVariant number(SQLUSMALLINT column, SQLSMALLINT cType)
    {
        const std::optional<T> v = fixed<T>(column, cType);
        return v ? QVariant::fromValue(*v) : QVariant();
    }

    QVariant value(SQLUSMALLINT column, int type)
    {
        switch (type) {
        case QMetaType::Short:   // QODBC reads small integers as int
        case QMetaType::Int:
            return number<qint32>(column, SQL_C_SLONG);
        case QMetaType::UInt:
            return number<quint32>(column, SQL_C_ULONG);
        case QMetaType::LongLong:
            return number<qlonglong>(column, SQL_C_SBIGINT);
        case QMetaType::ULongLong:
            return number<qulonglong>(column, SQL_C_UBIGINT);
        case QMetaType::Double:
            return number<double>(column, SQL_C_DOUBLE);
        case QMetaType::QDate: {
            const auto d = fixed<DATE_STRUCT>(column, SQL_C_DATE);
            return d ? QVariant(QDate(d->year, d->month, d->day)) : QVariant();
        }
        case QMetaType::QTime: {
            const auto t = fixed<TIME_STRUCT>(column, SQL_C_TIME);
            return t ? QVariant(QTime(t->hour, t->minute, t->second)) : QVariant();
        }
        case QMetaType::QDateTime: {
            const auto s = fixed<TIMESTAMP_STRUCT>(column, SQL_C_TIMESTAMP);
            return s ? QVariant(QDateTime(QDate(s->year, s->month, s->day),
                           QTime(s->hour, s->minute, s->second, int(s->fraction / 1000000))))
                     : QVariant();
        }
        case QMetaType::QByteArray: {
            const qsizetype n = whole(column, SQL_C_BINARY);
            return n < 0 ? QVariant() : QVariant(QByteArray(m_buffer.constData(), n));
        }
        default: {
            qsizetype n = whole(column, SQL_C_CHAR);
            if (n < 0)
                return {};
            // QODBC drops a trailing NUL, which some drivers count in.
            if (n > 0 && m_buffer.at(n - 1) == '\0')
                --n;
            return QString::fromUtf8(m_buffer.constData(), n);
        }
        }
    }

    // Reads the column's whole value into m_buffer, in as many parts as it takes (the
    // buffer grows to hold it); its length in bytes, -1 for NULL.
    qsizetype whole(SQLUSMALLINT column, SQLSMALLINT cType)
    {
        const qsizetype terminator = cType == SQL_C_CHAR ? 1 : 0;
        qsizetype have = 0;
        for (;;) {
            const qsizetype room = m_buffer.size() - have;
            SQLLEN indicator = 0;
            const SQLRETURN r = SQLGetData(m_stmt, column, cType, m_buffer.data() + have, SQLLEN(room), &indicator);
            if (r == SQL_NO_DATA)
                return have;
            check(r);
            if (indicator == SQL_NULL_DATA)
                return -1;
            if (indicator != SQL_NO_TOTAL && indicator <= room - terminator)
                return have + indicator;
            // Cut short: the buffer is full up to its terminator; the indicator tells how much
            // was left before this part (or nothing, and the buffer doubles).
            const qsizetype got = room - terminator;
            const qsizetype left = indicator == SQL_NO_TOTAL ? m_buffer.size() : qsizetype(indicator) - got;
            have += got;
            m_buffer.resize(have + qMax<qsizetype>(left, 1) + terminator);
        }
    }

    void check(SQLRETURN r) const
    {
        if (!SQL_SUCCEEDED(r))
            throw DatabaseError(diagnostics(m_stmt, m_dbc));
    }

    SQLHANDLE m_stmt;
    SQLHANDLE m_dbc;
    QList<int> m_types;
    QByteArray m_buffer;
};

// Reads a result of a query it owns, or of the query of a prepared statement, whose
// result set it closes when it goes. fromHandle: through HandleRows where it reads every
// column; else, and always on other servers, through QSqlQuery.
class QtCursor : public Cursor {
public:
    QtCursor(QSqlQuery&& q, bool fromHandle) : m_own(std::move(q)), m_q(&m_own) { readColumns(fromHandle); }
    QtCursor(std::shared_ptr<QSqlQuery> prepared, bool fromHandle)
        : m_prepared(std::move(prepared)), m_q(m_prepared.get())
    {
        readColumns(fromHandle);
    }
    ~QtCursor() override
    {
        if (m_prepared)
            m_prepared->finish();
    }
    QStringList columns() const override { return m_columns; }
    bool readsHandle() const { return m_rows != nullptr; }
    bool fetch(QList<QVariant>& row) override
    {
        if (m_rows)
            return m_rows->fetch(row);
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
    void readColumns(bool fromHandle)
    {
        const QSqlRecord r = m_q->record();
        for (int i = 0; i < r.count(); ++i)
            m_columns << r.fieldName(i);
        if (fromHandle)
            m_rows = HandleRows::make(*m_q, r);
    }
    QSqlQuery m_own;
    std::shared_ptr<QSqlQuery> m_prepared;   // kept alive should the statement go first
    QSqlQuery* m_q;
    QStringList m_columns;
    std::unique_ptr<HandleRows> m_rows;
};

// One QSqlQuery prepared once; each run binds the values anew.
class QtPrepared : public PreparedStatement {
public:
    QtPrepared(const QSqlDatabase& db, const QString& sql, bool fromHandle, std::shared_ptr<qint64> handleResults)
        : m_q(std::make_shared<QSqlQuery>(db)), m_fromHandle(fromHandle), m_handleResults(std::move(handleResults))
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
        auto cursor = std::make_unique<QtCursor>(m_q, m_fromHandle);
        *m_handleResults += cursor->readsHandle();
        return cursor;
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
    bool m_fromHandle;
    std::shared_ptr<qint64> m_handleResults;
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
        m_readsHandle = dialect::readsUtf8Text(dialect::serverOf(m_dbms));
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
    m_readsHandle = false;
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
    auto cursor = std::make_unique<QtCursor>(run(m_name, sql, binds, true), rowsFromHandle());
    *m_handleResults += cursor->readsHandle();
    return cursor;
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
    return std::make_unique<QtPrepared>(db, sql, rowsFromHandle(), m_handleResults);
}
