#pragma once
#include "data_module/backend.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// A backend for tests of the database kinds no server here runs: it records the driver
// name, the parameter lines of every connect and every statement, and answers queries
// from a script. Statements match an answer when they contain its text (case-insensitive).
class RecordingBackend : public Backend {
public:
    struct Event {
        QString kind;          // "connect", "disconnect", "open", "exec", "begin", "commit", "rollback"
        QString text;          // the statement, or the driver name for "connect"
        QStringList params;    // the parameter lines for "connect"
    };
    struct Answer {
        QStringList columns;
        QList<QList<QVariant>> rows;
        QString error;         // non-empty: the statement fails with this text
        int affected = 0;
    };

    // Answers statements containing `containing`; `times` < 0 answers for ever.
    void answer(const QString& containing, const Answer& a, int times = -1);
    void fail(const QString& containing, const QString& error = QStringLiteral("scripted failure"), int times = -1);
    // Called on every connect; throw DatabaseError from it to refuse.
    std::function<void(const QString& driver, const QStringList& params)> onConnect;
    QString dbms = QStringLiteral("Recording");

    QList<Event> events;
    // The statements sent with open or exec, in order.
    QStringList statements() const;
    QList<Event> connects() const;

    void connect(const QString& driverName, const QStringList& params) override;
    void disconnect() override;
    bool connected() const override { return m_connected; }
    QString dbmsName() const override { return m_connected ? dbms : QString(); }
    void begin() override;
    void commit() override;
    void rollback() override;
    std::unique_ptr<Cursor> open(const QString& sql, const QList<QVariant>& binds) override;
    int exec(const QString& sql, const QList<QVariant>& binds) override;

private:
    struct Rule {
        QString containing;
        Answer answer;
        int times;
    };
    const Answer* match(const QString& sql);
    QList<Rule> m_rules;
    bool m_connected = false;
};
