#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"

#include <QString>
#include <QStringList>

struct RecordStatisticsOptions {
    QString yearSuffix;   // empty for the current year
};

// Record counts of every table that JWTABN lists, grouped by module, for the current year
// (empty suffix) or one historical year (the four digits appended to every table name).
class RecordStatisticsJob {
public:
    RecordStatisticsJob(const JobContext& context, RecordStatisticsOptions options, ReportSink& report);

    // One counting run: stores the suffix in TableNames.YearSuffix, counts under a progress
    // window and ends with the closing box.
    void run();

    // Fills the report with the counts for TableNames.YearSuffix.
    void CountTables(ProgressSink& progress);

private:
    void countOne(const QString& table);

    JobContext m_context;
    RecordStatisticsOptions m_options;
    ConnectionState& m_state;
    ReportSink& m_report;
    Query QrySysTab;
    Query QryCount;
};

// Writes the lines, each ended by CR LF, in the report system's code page (GBK), replacing
// the file only once everything is written. Returns an error text, empty on success.
QString saveReportFile(const QString& fileName, const QStringList& lines);
