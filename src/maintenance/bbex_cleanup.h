#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"

#include <QString>
#include <QStringList>

class Database;

// Removes orphaned and duplicate rows of the report extension tables KRBBEX and HZBBEX:
// orphans by a NOT EXISTS test against the report dictionary, duplicates by copying the
// distinct rows into the work table tempKRBBEX / tempHZBBEX and writing them back.
class BbexCleanupJob {
public:
    explicit BbexCleanupJob(const JobContext& context);

    // Both systems, then "清除完成!", followed by what failed when a step did. A transaction
    // that cannot be begun ends the run with a DatabaseError (the caller shows the standard
    // error box).
    void run();
    // The closing box's text.
    QString closingText() const;
    // The five steps of one system, prefix "KR" or "HZ".
    void cleanSystem(const QString& prefix);

    void DropWorkTable(const QString& prefix);
    void CreateWorkTable(const QString& prefix);
    void DeleteOrphans(const QString& prefix);
    void RemoveDuplicates(const QString& prefix);

    // The statements as lines.
    static QStringList dropLines(const QString& prefix);
    static QStringList createLines(const QString& prefix);
    static QStringList orphanLines(const QString& prefix);
    static QStringList copyLines(const QString& prefix);
    static QStringList clearLines(const QString& prefix);
    static QStringList writeBackLines(const QString& prefix);

private:
    void send(const QStringList& lines);
    bool workTableEmpty(const QString& prefix);
    void rollback();
    void failed(const QString& prefix, const QString& what, const QString& message = {});

    JobContext m_context;
    Database& m_db;
    Query DelBBEXQuery;
    QStringList m_failures;
};
