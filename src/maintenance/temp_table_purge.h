#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"

#include <QString>
#include <QStringList>

struct TempTablePurgeOptions {
    // "只清除本机临时表": on kind 3 only tables whose names end with the workstation code.
    bool checkLocal = false;
};

// Drops the work tables that the report system and its neighbours leave behind, found in
// the database catalogue by fixed name prefixes.
class TempTablePurgeJob {
public:
    explicit TempTablePurgeJob(const JobContext& context, TempTablePurgeOptions options = {});

    // Asks, purges every prefix of this database kind, ends with the closing box.
    void run();

    // Finds and drops the tables of one prefix; a progress window only when some match.
    void PurgePrefix(const QString& prefix, bool escape);

    // Prefixes purged on every kind, in order ("#" on kind 0 and "T" on kind 3 follow).
    static const QStringList& commonPrefixes();
    // The catalogue query of one prefix as lines.
    static QStringList catalogueLines(DbKind kind, const QString& prefix, bool escape, bool checkLocal,
        const QString& workstationCode);

    // The closing box: "临时表清理完毕", and when something failed also how many tables
    // were dropped and which prefixes and tables failed.
    QString closingText() const;

private:
    JobContext m_context;
    int m_dropped = 0;
    QStringList m_failedPrefixes;   // catalogue query failed
    QStringList m_failedTables;     // drop failed
    TempTablePurgeOptions m_options;
    Query QryDropTemp;
    Query QrySysTab;
};
