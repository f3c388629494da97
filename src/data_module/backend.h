#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// A result being read, forward only. fetch() throws DatabaseError on a read failure.
class Cursor {
public:
    virtual ~Cursor() = default;
    virtual QStringList columns() const = 0;
    // Fills row with the next row's values (NULL as an invalid QVariant); false at the end.
    virtual bool fetch(QList<QVariant>& row) = 0;
};

// A statement prepared once and run again with new values for its "?" placeholders.
// A cursor it returns must be gone before the statement runs again or is destroyed.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
    virtual int exec(const QList<QVariant>& binds) = 0;
    virtual std::unique_ptr<Cursor> open(const QList<QVariant>& binds) = 0;
};

// What the engine needs from a database access layer. The real one is Qt SQL over
// ODBC; tests substitute one that records statements and answers from a script.
class Backend {
public:
    virtual ~Backend() = default;
    // driverName and params as the connection component holds them ("USER NAME=x", ...).
    virtual void connect(const QString& driverName, const QStringList& params) = 0;
    virtual void disconnect() = 0;
    virtual bool connected() const = 0;
    // The DBMS name the server reports ("SQLite", "PostgreSQL", ...), empty when unknown.
    virtual QString dbmsName() const = 0;
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // Positional "?" placeholders take binds in order.
    virtual std::unique_ptr<Cursor> open(const QString& sql, const QList<QVariant>& binds) = 0;
    // Returns the number of rows affected, -1 when the backend cannot tell.
    virtual int exec(const QString& sql, const QList<QVariant>& binds) = 0;
    // Prepares a statement for runs with bound values; null when the backend cannot, the
    // engine then sends every run as text. Throws DatabaseError when the text is refused.
    virtual std::unique_ptr<PreparedStatement> prepare(const QString& sql)
    {
        Q_UNUSED(sql);
        return {};
    }
};
