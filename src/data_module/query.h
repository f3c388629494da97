#pragma once
#include "data_module/backend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <vector>
#include <memory>

class Database;
struct StatementSlot;

// The query component: SQL held as lines, open/exec/close, and a forward-only view of
// the result with first/next/eof. Reading fields of a closed query throws DatabaseError.
class Query {
public:
    explicit Query(Database& db);
    ~Query();

    void clear() { m_lines.clear(); m_binds.clear(); }
    void add(const QString& line) { m_lines.append(line); }
    void setSql(const QString& text) { m_lines = QStringList{text}; m_binds.clear(); }
    QString sql() const { return m_lines.join(QLatin1Char('\n')); }
    // Positional values for "?" placeholders. A statement with values is kept prepared
    // (the last few texts of this query), and each open or exec only binds the new values.
    void addBind(const QVariant& value) { m_binds.append(value); }
    void setBinds(QList<QVariant> values) { m_binds = std::move(values); }

    // The one way to send a statement of lines without result: close, take the lines,
    // execute, close. execute() throws DatabaseError; executeOrError() returns the
    // database's message, empty on success. Both return with the query closed.
    int execute(const QStringList& lines);
    int execute(const QString& sql) { return execute(QStringList{sql}); }
    QString executeOrError(const QStringList& lines);
    QString executeOrError(const QString& sql) { return executeOrError(QStringList{sql}); }
    // Close, take the lines, open on the first row (throws DatabaseError).
    void open(const QStringList& lines);
    void open(const QString& sql) { open(QStringList{sql}); }

    void open();        // throws DatabaseError; positioned on the first row
    int exec();         // throws DatabaseError; rows affected or -1
    void close();
    bool active() const { return m_cursor != nullptr; }

    // Re-opens when already past the first row. Throws when closed.
    void first();
    void next();        // throws when closed
    bool eof() const;   // true when closed
    bool isEmpty() const; // true when closed or without rows
    // Rows of the whole result; reads the rest ahead once and keeps it, never twice.
    int recordCount();

    int fieldCount() const;
    QString fieldName(int index) const;
    int fieldIndex(const QString& name) const; // case-insensitive; throws when absent

    QVariant value(int index) const;
    QVariant value(const QString& name) const;
    bool isNull(const QString& name) const;
    QString text(int index) const;
    QString text(const QString& name) const;
    qint64 integer(const QString& name) const;   // throws on text that is no number
    qint64 integer(int index) const;
    double number(const QString& name) const;
    QByteArray bytes(const QString& name) const;
    // The current row as fetched.
    const QList<QVariant>& row() const;

private:
    void requireOpen() const;
    void advance();

    Database& m_db;
    StatementSlot& slotFor(const QString& sql);
    std::vector<std::unique_ptr<StatementSlot>> m_slots;   // prepared statements, latest first
    QStringList m_lines;
    QList<QVariant> m_binds;
    std::unique_ptr<Cursor> m_cursor;
    QStringList m_columns;
    QList<QVariant> m_row;
    std::deque<QList<QVariant>> m_ahead;
    bool m_eof = true;
    bool m_drained = false;
    int m_position = 0;   // 1-based index of the current row
};

// Text of a value as the engine shows fields: NULL gives an empty text, whole floating
// numbers lose ".0", others the shortest text that reads back the same.
QString variantText(const QVariant& value);
