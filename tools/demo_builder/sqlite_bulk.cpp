#include "sqlite_bulk.h"

#include "demo_builder.h"

#include <QLibrary>
#include <QSqlDriver>
#include <QSqlRecord>
#include <QStringList>

namespace demo {

namespace {
// The few entry points of the SQLite C interface that a bulk insert needs, resolved from
// the library the QSQLITE driver has loaded.
struct SqliteApi {
    using Destructor = void (*)(void*);
    int (*prepare)(void*, const char*, int, void**, const char**) = nullptr;
    int (*bindText16)(void*, int, const void*, int, Destructor) = nullptr;
    int (*bindInt64)(void*, int, qint64) = nullptr;
    int (*bindDouble)(void*, int, double) = nullptr;
    int (*bindBlob)(void*, int, const void*, int, Destructor) = nullptr;
    int (*bindNull)(void*, int) = nullptr;
    int (*step)(void*) = nullptr;
    int (*reset)(void*) = nullptr;
    int (*finalize)(void*) = nullptr;
    const char* (*errmsg)(void*) = nullptr;
    bool ok = false;

    static const SqliteApi& get()
    {
        static const SqliteApi api = [] {
            SqliteApi a;
            QLibrary lib(QStringLiteral("sqlite3"), 0);
            auto r = [&](auto& fn, const char* name) {
                fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(lib.resolve(name));
                return fn != nullptr;
            };
            a.ok = r(a.prepare, "sqlite3_prepare_v2") && r(a.bindText16, "sqlite3_bind_text16")
                && r(a.bindInt64, "sqlite3_bind_int64") && r(a.bindDouble, "sqlite3_bind_double")
                && r(a.bindBlob, "sqlite3_bind_blob") && r(a.bindNull, "sqlite3_bind_null")
                && r(a.step, "sqlite3_step") && r(a.reset, "sqlite3_reset")
                && r(a.finalize, "sqlite3_finalize") && r(a.errmsg, "sqlite3_errmsg");
            return a;
        }();
        return api;
    }
};

constexpr int kOk = 0;
constexpr int kDone = 101;
const SqliteApi::Destructor kTransient = reinterpret_cast<SqliteApi::Destructor>(-1);
} // namespace

BulkInsert::BulkInsert(QSqlDatabase db, const QString& table) : m_table(table)
{
    const SqliteApi& api = SqliteApi::get();
    if (!api.ok)
        throw BuildError(QStringLiteral("the SQLite library cannot be used for bulk inserts"));
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw BuildError(QStringLiteral("insert into %1: not an SQLite connection").arg(table));
    m_db = *static_cast<void* const*>(handle.data());
    m_width = db.record(table).count();
    if (m_width == 0)
        throw BuildError(QStringLiteral("insert into %1: no such table").arg(table));
    QStringList marks;
    for (int i = 0; i < m_width; ++i)
        marks << QStringLiteral("?");
    const QByteArray sql = QStringLiteral("insert into %1 values (%2)").arg(table, marks.join(QLatin1Char(','))).toUtf8();
    if (api.prepare(m_db, sql.constData(), int(sql.size()), &m_stmt, nullptr) != kOk)
        fail(QStringLiteral("prepare"));
}

BulkInsert::~BulkInsert()
{
    if (m_stmt)
        SqliteApi::get().finalize(m_stmt);
}

void BulkInsert::fail(const QString& what) const
{
    throw BuildError(QStringLiteral("insert into %1 (%2): %3")
                         .arg(m_table, what, QString::fromUtf8(SqliteApi::get().errmsg(m_db))));
}

void BulkInsert::bind(int column, const QVariant& v)
{
    const SqliteApi& api = SqliteApi::get();
    int rc = kOk;
    if (v.isNull()) {
        rc = api.bindNull(m_stmt, column);
    } else {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            rc = api.bindInt64(m_stmt, column, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = api.bindDouble(m_stmt, column, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = api.bindBlob(m_stmt, column, b.constData(), int(b.size()), kTransient);
            break;
        }
        default: {
            const QString s = v.toString();
            // A null QString in a QVariant is NULL, as the Qt driver binds it.
            rc = s.isNull() ? api.bindNull(m_stmt, column)
                            : api.bindText16(m_stmt, column, s.utf16(), int(s.size() * 2), kTransient);
        }
        }
    }
    if (rc != kOk)
        fail(QStringLiteral("value %1").arg(column));
}

void BulkInsert::add(const QVariantList& row)
{
    if (row.size() != m_width)
        throw BuildError(QStringLiteral("insert into %1: %2 values given for %3 columns")
                             .arg(m_table).arg(row.size()).arg(m_width));
    const SqliteApi& api = SqliteApi::get();
    for (int i = 0; i < m_width; ++i)
        bind(i + 1, row.at(i));
    if (api.step(m_stmt) != kDone) {
        api.reset(m_stmt);
        fail(QStringLiteral("row %1").arg(m_count + 1));
    }
    api.reset(m_stmt);
    ++m_count;
}

} // namespace demo
