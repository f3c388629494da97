#pragma once
// Bulk inserts on the SQLite connection of a QSQLITE database, through the SQLite C
// library the driver itself uses: one prepared statement, values bound in column order, no
// per-value work of the Qt SQL layer. Used for the millions of rows of a large demo.

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace demo {

class BulkInsert {
public:
    BulkInsert(QSqlDatabase db, const QString& table);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    int width() const { return m_width; }
    qint64 count() const { return m_count; }

    // One row of exactly width() values; a null QVariant is NULL.
    void add(const QVariantList& row);

private:
    void bind(int column, const QVariant& value);
    void fail(const QString& what) const;

    QString m_table;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_width = 0;
    qint64 m_count = 0;
};

} // namespace demo
