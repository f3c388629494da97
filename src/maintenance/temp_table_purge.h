#pragma once
#include "app/run_guard.h"
#include "data_module/connection_state.h"
#include "data_module/query.h"
#include "data_module/sinks.h"

#include <QString>
#include <QStringList>

class Database;

// Drops the work tables that the report system and its neighbours leave behind, found in
// the database catalogue by fixed name prefixes.
class TempTablePurgeJob {
public:
    TempTablePurgeJob(Database& db, const ConnectionState& state, EventsHook& events, ProgressFactory progress);

    // "只清除本机临时表": on kind 3 only tables whose names end with the workstation code.
    void setCheckLocal(bool on) { m_checkLocal = on; }

    // Asks, purges every prefix of this database kind, ends with the closing box.
    void run();

    // Finds and drops the tables of one prefix; a progress window only when some match.
    void PurgePrefix(const QString& prefix, bool escape);

    // Prefixes purged on every kind, in order ("#" on kind 0 and "T" on kind 3 follow).
    static const QStringList& commonPrefixes();
    // The catalogue query of one prefix as lines.
    static QStringList catalogueLines(int kind, const QString& prefix, bool escape, bool checkLocal,
        const QString& workstationCode);

private:
    const ConnectionState& m_state;
    EventsHook& m_events;
    ProgressFactory m_progress;
    bool m_checkLocal = false;
    Query QryDropTemp;
    Query QrySysTab;
};
