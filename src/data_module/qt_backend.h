#pragma once
#include "data_module/backend.h"

#include <memory>

// The production backend: Qt SQL over QODBC, one connection of its own
// (the first backend's named "MisDb", later ones "MisDb_1", ...).
// Driver name and parameter lines become an ODBC connection through EngineConfig.
class QtSqlBackend : public Backend {
public:
    QtSqlBackend();
    ~QtSqlBackend() override;

    void connect(const QString& driverName, const QStringList& params) override;
    void disconnect() override;
    bool connected() const override;
    QString dbmsName() const override { return m_dbms; }
    void begin() override;
    void commit() override;
    void rollback() override;
    std::unique_ptr<Cursor> open(const QString& sql, const QList<QVariant>& binds) override;
    int exec(const QString& sql, const QList<QVariant>& binds) override;
    std::unique_ptr<PreparedStatement> prepare(const QString& sql) override;

    // Off: rows are read through QSqlQuery on every server (to compare with). On by default:
    // where the dialect allows it (dialect::readsUtf8Text) they are read from the statement
    // handle. Applies to results opened, and statements prepared, from then on.
    void setHandleRows(bool on) { m_handleRows = on; }
    bool handleRows() const { return m_handleRows; }
    // Results read from the statement handle so far.
    qint64 handleResults() const { return *m_handleResults; }

private:
    bool rowsFromHandle() const { return m_handleRows && m_readsHandle; }
    QString m_name;
    QString m_dbms;
    bool m_handleRows = true;
    bool m_readsHandle = false;   // the server's driver allows it
    std::shared_ptr<qint64> m_handleResults = std::make_shared<qint64>(0);
};
