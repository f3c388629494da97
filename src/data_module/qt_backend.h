#pragma once
#include "data_module/backend.h"

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

private:
    QString m_name;
    QString m_dbms;
};
