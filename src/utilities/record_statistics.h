#pragma once
#include "app/run_guard.h"
#include "data_module/connection_state.h"
#include "data_module/query.h"
#include "data_module/sinks.h"

#include <QString>
#include <QStringList>

class Database;

// Record counts of every table that JWTABN lists, grouped by module, for the current year
// (empty suffix) or one historical year (the four digits appended to every table name).
class RecordStatisticsJob {
public:
    RecordStatisticsJob(Database& db, ConnectionState& state, ReportSink& report, EventsHook& events,
        ProgressFactory progress);

    // One counting run: stores the suffix in TableNames.YearSuffix, counts under a progress
    // window and ends with the closing box.
    void run(const QString& yearSuffix);

    // Fills the report with the counts for TableNames.YearSuffix.
    void CountTables(ProgressSink& progress);

private:
    void countOne(const QString& table);

    ConnectionState& m_state;
    ReportSink& m_report;
    EventsHook& m_events;
    ProgressFactory m_progress;
    Query QrySysTab;
    Query QryCount;
};

// Writes the lines, each ended by CR LF, in the report system's code page (GBK), replacing
// the file only once everything is written. Returns an error text, empty on success.
QString saveReportFile(const QString& fileName, const QStringList& lines);
