#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

// A query with cached updates: its rows are held here, deletions are kept locally
// until applyUpdates() writes them through the delete statement, whose :OLD_<column>
// parameters take the deleted row's values. Writing a deletion fails with a
// DatabaseError when the statement affects other than exactly one row.
class CachedQuery {
public:
    explicit CachedQuery(Database& db);

    void setSql(const QString& sql) { m_sql = sql; }
    QString sql() const { return m_sql; }
    void setDeleteSql(const QString& sql) { m_deleteSql = sql; }
    QString deleteSql() const { return m_deleteSql; }

    void open();   // throws DatabaseError
    void close();
    bool active() const { return m_active; }

    QStringList columns() const { return m_columns; }
    int columnIndex(const QString& name) const;  // -1 when absent
    int rowCount() const { return m_rows.size(); }
    QVariant value(int row, int column) const;
    QString text(int row, int column) const;
    const QList<QVariant>& rowValues(int row) const { return m_rows.at(row); }

    // Removes the row from the view and keeps it for applyUpdates().
    void deleteRow(int row);
    int pendingDeletes() const { return m_deleted.size(); }
    // Sends one delete per pending row, in order. On a failure the rows not yet written
    // stay pending and the error is thrown.
    void applyUpdates();
    // Forgets pending deletions and shows the rows again.
    void cancelUpdates();

private:
    Database& m_db;
    QString m_sql;
    QString m_deleteSql;
    bool m_active = false;
    QStringList m_columns;
    QList<QList<QVariant>> m_rows;
    QList<QList<QVariant>> m_deleted;
};
