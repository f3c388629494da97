#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

// The table component: a table opened by name (optionally through a filter), records
// appended or edited and posted with bound values, and a case-insensitive locate.
class Table {
public:
    explicit Table(Database& db);

    void setTableName(const QString& name) { m_name = name; }
    QString tableName() const { return m_name; }
    void setFilter(const QString& expression) { m_filter = expression; }
    void setFiltered(bool on) { m_filtered = on; }
    // Fields that identify a record when an edit is posted ("A;B;C"); without them
    // every column of the record as read identifies it.
    void setKeyFields(const QString& fields) { m_keyFields = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts); }

    void open();   // throws DatabaseError
    void close();
    bool active() const { return m_active; }

    QStringList fieldNames() const { return m_columns; }
    int recordCount() const { return m_rows.size(); }
    bool eof() const { return m_current >= m_rows.size(); }
    void first() { m_current = 0; }
    void next() { if (m_current < m_rows.size()) ++m_current; }

    // Moves to the first record whose fields equal the values, letter case ignored.
    bool locate(const QString& fields, const QList<QVariant>& values);

    void append();
    void edit();
    void setField(const QString& name, const QVariant& value);
    // Loads a byte field from a file, byte for byte; false when the file cannot be read.
    bool loadFieldFromFile(const QString& name, const QString& path);
    void post();   // throws DatabaseError
    void cancel();

    QVariant field(const QString& name) const;
    QString text(const QString& name) const;
    QByteArray bytes(const QString& name) const;

private:
    enum class Mode { Browse, Insert, Edit };
    int column(const QString& name) const;
    void requireActive() const;

    Database& m_db;
    QString m_name;
    QString m_filter;
    bool m_filtered = false;
    QStringList m_keyFields;
    bool m_active = false;
    QStringList m_columns;
    QList<QList<QVariant>> m_rows;
    int m_current = 0;
    Mode m_mode = Mode::Browse;
    QList<QVariant> m_buffer;
    QList<bool> m_changed;
};
