#include "maintenance/schema_rebuild.h"

#include "data_module/dialect.h"

namespace {
// "【k】" and the failure text.
QString numbered(int k, const QString& error)
{
    return QStringLiteral("【") + QString::number(k) + QStringLiteral("】") + error;
}

void startReports(ReportSink& bb, ReportSink& hz, const QString& what)
{
    bb.clear();
    hz.clear();
    bb.addLine(QStringLiteral("------报表管理") + what + QStringLiteral("重建报告开始------"));
    hz.addLine(QStringLiteral("------报表汇总") + what + QStringLiteral("重建报告开始------"));
}

void endReports(ReportSink& bb, ReportSink& hz, const QString& what)
{
    bb.addLine(QStringLiteral("------报表管理") + what + QStringLiteral("重建报告结束------"));
    hz.addLine(QStringLiteral("------报表汇总") + what + QStringLiteral("重建报告结束------"));
}
}

IndexRebuildJob::IndexRebuildJob(const JobContext& context, const IndexLists& lists, RebuildOptions options,
    ReportSink& bbMemo, ReportSink& hzMemo)
    : m_context(context), m_lists(lists), m_options(std::move(options)), m_bbMemo(bbMemo), m_hzMemo(hzMemo),
      ReIndexQuery(context.db)
{
}

QString IndexRebuildJob::dropStatement(DbKind kind, const QString& indexName, const QString& tableName,
    const QString& yearSuffix)
{
    // Only the DB2/Oracle form names the year's index.
    return dialect::dropIndexStatement(
        kind, tableName + yearSuffix, kind == DbKind::Db2Oracle ? indexName + yearSuffix : indexName);
}

QString IndexRebuildJob::createStatement(const QString& indexType, const QString& indexName,
    const QString& tableName, const QString& yearSuffix, const QString& columns)
{
    return QStringLiteral("create ") + indexType + QStringLiteral(" index ") + indexName + yearSuffix
        + QStringLiteral(" on ") + tableName + yearSuffix + columns;
}

void IndexRebuildJob::DropIndex(const QString& indexName, const QString& tableName, const QString& yearSuffix)
{
    ReIndexQuery.executeOrError(dropStatement(m_context.kind(), indexName, tableName, yearSuffix));
}

QString IndexRebuildJob::CreateIndex(const QString& indexType, const QString& indexName, const QString& tableName,
    const QString& yearSuffix, const QString& columns)
{
    const QString error = ReIndexQuery.executeOrError(createStatement(indexType, indexName, tableName, yearSuffix, columns));
    if (error.isEmpty())
        return {};
    return QStringLiteral("创建表") + tableName + yearSuffix + QStringLiteral("索引") + indexName + yearSuffix
        + QStringLiteral("失败:") + error;
}

void IndexRebuildJob::run()
{
    const QString what = QStringLiteral("索引");
    startReports(m_bbMemo, m_hzMemo, what);
    if (m_options.bbChosen)
        rebuild(m_lists.BBIndexes, m_options.bbYearSuffix, QStringLiteral("正在重建报表管理索引"), m_bbMemo);
    if (m_options.hzChosen)
        rebuild(m_lists.HZIndexes, m_options.hzYearSuffix, QStringLiteral("正在重建汇总报表索引"), m_hzMemo);
    endReports(m_bbMemo, m_hzMemo, what);
    m_context.prompts.message(QStringLiteral("重建索引结束，请查看重建报告! "), QStringLiteral("提示"),
        PromptIcon::Information, PromptButtons::Ok);
}

void IndexRebuildJob::rebuild(const QList<TIndexInfo>& indexes, const QString& yearSuffix, const QString& label,
    ReportSink& memo)
{
    const std::unique_ptr<ProgressSink> window = m_context.progressWindow();
    ProgressSink& progress = *window;
    progress.setLabel(label);
    progress.setRange(0, int(indexes.size()));
    for (int k = 1; k <= indexes.size(); ++k) {
        const TIndexInfo& entry = indexes.at(k - 1);
        progress.setLabel(QStringLiteral("正在删除原索引") + entry.IndexName);
        DropIndex(entry.IndexName, entry.TableName, yearSuffix);
        progress.setLabel(QStringLiteral("正在重建表") + entry.TableName + QStringLiteral("的索引"));
        const QString error = CreateIndex(entry.IndexType, entry.IndexName, entry.TableName, yearSuffix, entry.Columns);
        progress.step();
        m_context.events.processEvents();
        if (!error.isEmpty())
            memo.addLine(numbered(k, error));
    }
}

DefaultRebuildJob::DefaultRebuildJob(const JobContext& context, const DefaultLists& lists, RebuildOptions options,
    ReportSink& bbMemo, ReportSink& hzMemo)
    : m_context(context), m_lists(lists), m_options(std::move(options)), m_bbMemo(bbMemo), m_hzMemo(hzMemo),
      ReDefQuery(context.db)
{
}

QString DefaultRebuildJob::statement(DbKind kind, const QString& tableName, const QString& column,
    const QString& defVal, const QString& yearSuffix)
{
    const QString table = tableName + yearSuffix;
    switch (kind) {
    case DbKind::Anywhere:
        return QStringLiteral(" ALTER TABLE ") + table + QStringLiteral(" MODIFY       ") + column + QStringLiteral(" ")
            + QStringLiteral(" DEFAULT ") + defVal;
    case DbKind::Sybase:
        return QStringLiteral(" alter table ") + table + QStringLiteral(" replace       ") + column
            + QStringLiteral(" ") + QStringLiteral(" default ") + defVal;
    case DbKind::SqlServer:
        return QStringLiteral(" ALTER TABLE ") + table + QStringLiteral(" ADD CONSTRAINT       DF_") + table
            + QStringLiteral("_") + column + QStringLiteral(" DEFAULT ") + defVal + QStringLiteral(" FOR ") + column;
    case DbKind::Db2Oracle:
        break;
    }
    return QStringLiteral(" alter table ") + table + QStringLiteral(" modify       ") + column + QStringLiteral(" ")
        + QStringLiteral(" default ") + defVal;
}

QString DefaultRebuildJob::RebuildDefault(const QString& tableName, const QString& column, const QString& defVal,
    const QString& yearSuffix)
{
    const QString error = ReDefQuery.executeOrError(statement(m_context.kind(), tableName, column, defVal, yearSuffix));
    if (error.isEmpty())
        return {};
    return QStringLiteral("创建表") + tableName + yearSuffix + QStringLiteral("索引") + column + QStringLiteral("失败:")
        + error;
}

void DefaultRebuildJob::run()
{
    const QString what = QStringLiteral("默认值");
    startReports(m_bbMemo, m_hzMemo, what);
    if (m_options.bbChosen)
        rebuild(m_lists.BBDefaults, m_options.bbYearSuffix, QStringLiteral("正在重建报表管理默认值"), m_bbMemo);
    if (m_options.hzChosen)
        rebuild(m_lists.HZDefaults, m_options.hzYearSuffix, QStringLiteral("正在重建汇总报表默认值"), m_hzMemo);
    endReports(m_bbMemo, m_hzMemo, what);
    m_context.prompts.message(QStringLiteral("重建默认值结束，请查看重建报告! "), QStringLiteral("提示"),
        PromptIcon::Information, PromptButtons::Ok);
}

void DefaultRebuildJob::rebuild(const QList<TDefaultInfo>& defaults, const QString& yearSuffix,
    const QString& label, ReportSink& memo)
{
    const std::unique_ptr<ProgressSink> window = m_context.progressWindow();
    ProgressSink& progress = *window;
    progress.setLabel(label);
    progress.setRange(0, int(defaults.size()));
    for (int k = 1; k <= defaults.size(); ++k) {
        const TDefaultInfo& entry = defaults.at(k - 1);
        progress.setLabel(QStringLiteral("正在重建表") + entry.TableName + QStringLiteral("字段") + entry.Column
            + QStringLiteral("的默认值"));
        const QString error = RebuildDefault(entry.TableName, entry.Column, entry.DefVal, yearSuffix);
        progress.step();
        m_context.events.processEvents();
        if (!error.isEmpty())
            memo.addLine(numbered(k, error));
    }
}
