#pragma once
#include "data_module/backend.h"
#include "data_module/dialect.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSqlDatabase;

// A statement text a caller runs again and again with new values for its "?" placeholders:
// prepared on its first run and kept until the text changes or the connection goes. Owned
// by the caller (a Query); the database only borrows it while it is prepared.
struct StatementSlot {
    StatementSlot() = default;
    StatementSlot(const StatementSlot&) = delete;
    StatementSlot& operator=(const StatementSlot&) = delete;
    QString source;     // as the caller wrote it
    QString text;       // as this backend needs it
    std::unique_ptr<PreparedStatement> prepared;
    bool textOnly = false;   // the backend keeps no prepared statements: runs go as text
};

// The connection component `mast`: a driver (or alias) name, ordered parameter lines
// ("NAME=value"), connect/disconnect and transactions. Serves the database name "MisDb".
// Every statement of the program passes through send()/openCursor(), which apply the
// backend dialect, the statement trace and the test hook in one place.
class Database {
public:
    explicit Database(std::unique_ptr<Backend> backend = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString databaseName() const { return QStringLiteral("MisDb"); }

    // Design alias "cwbase3"; setting a driver name replaces it.
    void setAliasName(const QString& alias);
    QString aliasName() const { return m_alias; }
    void setDriverName(const QString& driver);
    QString driverName() const { return m_driver; }

    QStringList params() const { return m_params; }
    void clearParams() { m_params.clear(); }
    void addParam(const QString& line) { m_params.append(line); }
    // Changes the line NAME=... in place, or appends it.
    void setParam(const QString& name, const QString& value);
    QString param(const QString& name) const;
    void setLoginPrompt(bool on) { m_loginPrompt = on; }
    bool loginPrompt() const { return m_loginPrompt; }

    void connect();     // throws DatabaseError
    void disconnect();
    bool connected() const;

    void startTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    // As the server names itself after connecting ("SQLite", ...).
    QString dbmsName() const { return m_dbms; }
    bool isSqlite() const;

    // The statement as this backend needs it (the one place of dialect translation).
    QString translate(const QString& sql) const;

    // Low level, used by Query, Table and the cached-update query.
    int send(const QString& sql, const QList<QVariant>& binds = {});
    std::unique_ptr<Cursor> openCursor(const QString& sql, const QList<QVariant>& binds = {});
    // The same for statements sent many times: run prepared with bound values where the
    // backend allows it, else as text with the values written in. The hook and the trace
    // see every run with its values written in, as a text statement would read.
    int send(StatementSlot& slot, const QString& sql, const QList<QVariant>& binds);
    std::unique_ptr<Cursor> openCursor(StatementSlot& slot, const QString& sql, const QList<QVariant>& binds);
    // Off: every run of such a statement goes as text with its values written in (to compare
    // with, or for a driver that mishandles prepared statements). On by default.
    void setPreparedStatements(bool on);
    bool preparedStatements() const { return m_prepare; }
    // Off: a StatementGroup opens no transaction, a walk's statements run in autocommit
    // (to compare with). On by default.
    void setGroupedRuns(bool on) { m_groupRuns = on; }
    bool groupedRuns() const { return m_groupRuns; }
    // Forgets a slot before its owner goes.
    void release(StatementSlot& slot);

    // Test hooks for fault injection. `before` is called with every statement (after
    // translation), with "BEGIN" and with "COMMIT" before it is sent: throwing
    // DatabaseError there means the statement never ran. `after` is called once the
    // statement, begin or commit took effect: throwing there is a statement that took
    // effect and then reported failure. setStatementHook({}) removes both.
    using StatementHook = std::function<void(const QString& sql)>;
    void setStatementHook(StatementHook before, StatementHook after = {})
    {
        m_hook = std::move(before);
        m_afterHook = std::move(after);
    }

    // The server whose dialect applies (from the DBMS name of the connection).
    dialect::Server server() const { return m_server; }

    // Statements sent since the counter was last reset.
    qint64 statementCount() const { return m_statements; }
    void resetStatementCount() { m_statements = 0; }

    Backend& backend() { return *m_backend; }

private:
    void before(const QString& sql, const QList<QVariant>& binds);
    void after(const QString& sql);
    // Readies the slot for sql; returns the text to show the hook and the trace, or to send.
    QString beforeReuse(StatementSlot& slot, const QString& sql, const QList<QVariant>& binds);
    void prepare(StatementSlot& slot);
    void dropPrepared();

    std::unique_ptr<Backend> m_backend;
    QString m_alias = QStringLiteral("cwbase3");
    QString m_driver;
    QStringList m_params;
    bool m_loginPrompt = false;
    bool m_inTransaction = false;
    QString m_dbms;
    dialect::Server m_server = dialect::Server::Other;
    StatementHook m_hook;
    StatementHook m_afterHook;
    qint64 m_statements = 0;
    QList<StatementSlot*> m_slots;   // slots holding a prepared statement
    bool m_prepare = true;
    bool m_groupRuns = true;
    class Trace;
    std::unique_ptr<Trace> m_trace;
};

// A walk's statements (one or a few per row, on the working tables) in one transaction
// where the dialect says so (dialect::groupsStatementRuns): begun when it is made, unless
// a transaction is already open (it then leaves that one alone), committed by finish() or
// when it goes. A statement that failed in between stays undone as in autocommit, and what
// ran before it is committed as autocommit would have done. A begin that fails leaves the
// statements to autocommit.
class StatementGroup {
public:
    explicit StatementGroup(Database& db);
    ~StatementGroup();
    StatementGroup(const StatementGroup&) = delete;
    StatementGroup& operator=(const StatementGroup&) = delete;
    // Commits. False when the commit failed: the walk's changes are then rolled back and
    // error holds the database's text.
    bool finish(QString* error = nullptr);
    bool open() const { return m_open; }

private:
    Database& m_db;
    bool m_open = false;
};
