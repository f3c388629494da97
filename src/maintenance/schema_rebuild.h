#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"
#include "maintenance/maintenance_settings.h"

#include <QString>

// What a rebuild run works on: for each system whether it is ticked and the year suffix
// of its year choice (empty for the current year).
struct RebuildOptions {
    bool bbChosen = true;
    QString bbYearSuffix;
    bool hzChosen = true;
    QString hzYearSuffix;
};

// 索引重建: drops and re-creates the indexes of the settings file's BB and HZ lists,
// one numbered report line per entry whose creation fails.
class IndexRebuildJob {
public:
    IndexRebuildJob(const JobContext& context, const IndexLists& lists, RebuildOptions options,
        ReportSink& bbMemo, ReportSink& hzMemo);

    // Both memos' start lines, the ticked systems' passes, both end lines, the closing box.
    void run();

    // The drop of one entry; a failure (typically: no such index) is passed over.
    void DropIndex(const QString& indexName, const QString& tableName, const QString& yearSuffix);
    // Empty on success, else "创建表..索引..失败:" and the database's message.
    QString CreateIndex(const QString& indexType, const QString& indexName, const QString& tableName,
        const QString& yearSuffix, const QString& columns);

    static QString dropStatement(DbKind kind, const QString& indexName, const QString& tableName,
        const QString& yearSuffix);
    static QString createStatement(const QString& indexType, const QString& indexName, const QString& tableName,
        const QString& yearSuffix, const QString& columns);

private:
    void rebuild(const QList<TIndexInfo>& indexes, const QString& yearSuffix, const QString& label, ReportSink& memo);

    JobContext m_context;
    IndexLists m_lists;
    RebuildOptions m_options;
    ReportSink& m_bbMemo;
    ReportSink& m_hzMemo;
    Query ReIndexQuery;
};

// 默认值重建: re-declares the column defaults of the settings file's DefBB and DefHZ lists
// in the form of this database kind, one numbered report line per failing entry.
class DefaultRebuildJob {
public:
    DefaultRebuildJob(const JobContext& context, const DefaultLists& lists, RebuildOptions options,
        ReportSink& bbMemo, ReportSink& hzMemo);

    void run();

    // Empty on success, else "创建表..索引..失败:" and the database's message.
    QString RebuildDefault(const QString& tableName, const QString& column, const QString& defVal,
        const QString& yearSuffix);

    static QString statement(DbKind kind, const QString& tableName, const QString& column, const QString& defVal,
        const QString& yearSuffix);

private:
    void rebuild(const QList<TDefaultInfo>& defaults, const QString& yearSuffix, const QString& label,
        ReportSink& memo);

    JobContext m_context;
    DefaultLists m_lists;
    RebuildOptions m_options;
    ReportSink& m_bbMemo;
    ReportSink& m_hzMemo;
    Query ReDefQuery;
};
