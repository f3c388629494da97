#include "sqlite_bulk.h"

#include "demo_builder.h"

#include <QSqlDriver>
#include <QSqlRecord>
#include <QStringList>

#include <sqlite3.h>

namespace demo {


BulkInsert::BulkInsert(QSqlDatabase db, const QString& table) : m_table(table)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw BuildError(QStringLiteral("insert into %1: not an SQLite connection").arg(table));
    m_db = *static_cast<sqlite3* const*>(handle.data());
    m_width = db.record(table).count();
    if (m_width == 0)
        throw BuildError(QStringLiteral("insert into %1: no such table").arg(table));
    QStringList marks;
    for (int i = 0; i < m_width; ++i)
        marks << QStringLiteral("?");
    const QByteArray sql = QStringLiteral("insert into %1 values (%2)").arg(table, marks.join(QLatin1Char(','))).toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
        fail(QStringLiteral("prepare"));
}

BulkInsert::~BulkInsert()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

void BulkInsert::fail(const QString& what) const
{
    throw BuildError(QStringLiteral("insert into %1 (%2): %3")
                         .arg(m_table, what, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void BulkInsert::bind(int column, const QVariant& v)
{
    int rc = SQLITE_OK;
    if (v.isNull()) {
        rc = sqlite3_bind_null(m_stmt, column);
    } else {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(m_stmt, column, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(m_stmt, column, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(m_stmt, column, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString s = v.toString();
            // A null QString in a QVariant is NULL, as the Qt driver binds it.
            rc = s.isNull() ? sqlite3_bind_null(m_stmt, column)
                            : sqlite3_bind_text16(m_stmt, column, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        fail(QStringLiteral("value %1").arg(column));
}

void BulkInsert::add(const QVariantList& row)
{
    if (row.size() != m_width)
        throw BuildError(QStringLiteral("insert into %1: %2 values given for %3 columns")
                             .arg(m_table).arg(row.size()).arg(m_width));
    for (int i = 0; i < m_width; ++i)
        bind(i + 1, row.at(i));
    if (sqlite3_step(m_stmt) != SQLITE_DONE) {
        sqlite3_reset(m_stmt);
        fail(QStringLiteral("row %1").arg(m_count + 1));
    }
    sqlite3_reset(m_stmt);
    ++m_count;
}

} // namespace demo
