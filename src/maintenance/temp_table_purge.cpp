#include "maintenance/temp_table_purge.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/sql_text.h"

TempTablePurgeJob::TempTablePurgeJob(const JobContext& context, TempTablePurgeOptions options)
    : m_context(context), m_options(options), QryDropTemp(context.db), QrySysTab(context.db)
{
}

const QStringList& TempTablePurgeJob::commonPrefixes()
{
    static const QStringList prefixes{
        QStringLiteral("TMP_CA_"), QStringLiteral("TMP_DG_"), QStringLiteral("TMP_FX_"),
        QStringLiteral("HZTMP_"), QStringLiteral("ZWKMJEBB_"), QStringLiteral("ZWKMSLBB_"),
        QStringLiteral("ZWKMWBBB_"), QStringLiteral("ZWFZJEBB_"), QStringLiteral("ZWFZSLBB_"),
        QStringLiteral("ZWFZWBBB_"),
    };
    return prefixes;
}

QStringList TempTablePurgeJob::catalogueLines(DbKind kind, const QString& prefix, bool escape, bool checkLocal,
    const QString& workstationCode)
{
    QStringList lines;
    if (kind != DbKind::Db2Oracle) {
        lines << QStringLiteral("select name  TmpName from sysobjects where type='U' and name like '") + prefix
                + QStringLiteral("%'");
        return lines;
    }
    if (escape)
        lines << QStringLiteral("select table_name TmpName from user_tables where table_name like '") + prefix
                + QStringLiteral("\\_%' escape '\\'");
    else
        lines << QStringLiteral("select table_name TmpName from user_tables where table_name like '") + prefix
                + QStringLiteral("%'");
    if (checkLocal)
        lines << QStringLiteral(" and table_name like '%") + sqlEscaped(workstationCode) + QStringLiteral("'");
    return lines;
}

void TempTablePurgeJob::run()
{
    const PromptAnswer answer = m_context.prompts.message(QStringLiteral("操作前必须保证所有系统已经退出，确认清除临时表？"),
        QStringLiteral("提示"), PromptIcon::Information, PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes)
        return;
    m_dropped = 0;
    m_failedPrefixes.clear();
    m_failedTables.clear();
    for (const QString& prefix : commonPrefixes())
        PurgePrefix(prefix, false);
    if (m_context.kind() == DbKind::Anywhere)
        PurgePrefix(QStringLiteral("#"), false);
    if (m_context.kind() == DbKind::Db2Oracle)
        PurgePrefix(QStringLiteral("T"), true);
    const bool clean = m_failedPrefixes.isEmpty() && m_failedTables.isEmpty();
    m_context.prompts.message(closingText(), QStringLiteral("提示"), clean ? PromptIcon::Information : PromptIcon::Warning,
        PromptButtons::Ok);
}

QString TempTablePurgeJob::closingText() const
{
    QString text = QStringLiteral("临时表清理完毕");
    if (m_failedPrefixes.isEmpty() && m_failedTables.isEmpty())
        return text;
    text += QStringLiteral("\n\n清理没有全部成功，已删除 %1 个临时表。").arg(m_dropped);
    if (!m_failedPrefixes.isEmpty())
        text += QStringLiteral("\n查询失败的前缀：") + m_failedPrefixes.join(QStringLiteral("、"));
    if (!m_failedTables.isEmpty())
        text += QStringLiteral("\n未能删除的表（%1 个）：").arg(m_failedTables.size()) + m_failedTables.join(QStringLiteral("、"));
    return text;
}

void TempTablePurgeJob::PurgePrefix(const QString& prefix, bool escape)
{
    int n = 0;
    try {
        QrySysTab.open(
            catalogueLines(m_context.kind(), prefix, escape, m_options.checkLocal, m_context.state.WorkstationCode));
        n = QrySysTab.recordCount();
    } catch (const DatabaseError&) {
        // A catalogue this database does not have: the prefix is passed over, and named.
        QrySysTab.close();
        m_failedPrefixes << prefix;
        return;
    }
    if (n == 0) {
        QrySysTab.close();
        return;
    }

    const std::unique_ptr<ProgressSink> window = m_context.progressWindow();
    ProgressSink& progress = *window;
    progress.setLabel(QStringLiteral("正在清除临时表......"));
    progress.setRange(0, n);
    try {
        while (!QrySysTab.eof()) {
            const QString name = catalogueName(QrySysTab.text(QStringLiteral("TmpName")));
            // Only a plain table name from the catalogue goes into the drop statement.
            if (isPlainTableName(name)) {
                progress.setLabel(QStringLiteral("正在清除临时表") + name);
                // In use, no right to drop it, already gone: the next name is taken.
                if (QryDropTemp.executeOrError(QStringLiteral("drop table ") + name).isEmpty())
                    ++m_dropped;
                else
                    m_failedTables << name;
            }
            progress.step();
            m_context.events.processEvents();
            QrySysTab.next();
        }
    } catch (const DatabaseError&) {
        // The catalogue's rows could not be read to the end.
        m_failedPrefixes << prefix;
    }
    QrySysTab.close();
}
