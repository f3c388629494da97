#pragma once
// Fault injection through the statement hook of Database, for every transaction a job opens.
//
//   const QStringList sent = recordStatements(db, [&] { job.run(); });   // a run without faults
//   for each index i of sent, for each moment:
//       StatementFault fault(db, i, moment);   // statement i fails
//       job.run();
//       QCOMPARE(fault.statement(), sent.at(i));
//       ... each unit (class, table, report) exactly as before or exactly done ...
//
// Statements are counted as the hook sees them: every statement after translation, "BEGIN"
// and "COMMIT" (a rollback is not counted). Before: the statement never runs. After: it took
// effect (a commit committed) and then reported failure, as a lost answer does.
#include "data_module/database.h"
#include "data_module/database_error.h"

#include <QString>
#include <QStringList>
#include <functional>

enum class FaultMoment { Before, After };

inline const char* faultMomentName(FaultMoment m) { return m == FaultMoment::Before ? "before" : "after"; }

class StatementFault {
public:
    StatementFault(Database& db, int at, FaultMoment moment,
        QString message = QStringLiteral("injected failure"))
        : m_db(db), m_at(at), m_moment(moment), m_message(std::move(message))
    {
        m_db.setStatementHook(
            [this](const QString& sql) {
                m_current = m_next++;
                if (m_current == m_at && m_moment == FaultMoment::Before)
                    fire(sql);
            },
            [this](const QString& sql) {
                if (m_current == m_at && m_moment == FaultMoment::After)
                    fire(sql);
            });
    }
    ~StatementFault() { m_db.setStatementHook({}); }
    StatementFault(const StatementFault&) = delete;
    StatementFault& operator=(const StatementFault&) = delete;

    bool fired() const { return m_fired; }
    // The statement that failed, empty when the run sent fewer statements.
    QString statement() const { return m_statement; }
    // Statements seen so far.
    int count() const { return m_next; }

private:
    void fire(const QString& sql)
    {
        m_fired = true;
        m_statement = sql;
        m_current = -1;
        throw DatabaseError(m_message);
    }

    Database& m_db;
    int m_at;
    FaultMoment m_moment;
    QString m_message;
    int m_next = 0;
    int m_current = -1;
    bool m_fired = false;
    QString m_statement;
};

// The statements a run sends, "BEGIN" and "COMMIT" included, counted as StatementFault does.
// tookEffect, when given, tells for each whether it succeeded (only those can fail after).
inline QStringList recordStatements(Database& db, const std::function<void()>& run,
    QList<bool>* tookEffect = nullptr)
{
    QStringList sent;
    QList<bool> effect;
    db.setStatementHook([&](const QString& sql) { sent << sql; effect << false; },
        [&](const QString&) { effect.last() = true; });
    if (tookEffect)
        tookEffect->clear();
    try {
        run();
    } catch (...) {
        db.setStatementHook({});
        throw;
    }
    db.setStatementHook({});
    if (tookEffect)
        *tookEffect = effect;
    return sent;
}
