#include "maintenance/temp_table_purge.h"

#include "app/prompt_service.h"
#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/sql_text.h"

TempTablePurgeJob::TempTablePurgeJob(Database& db, const ConnectionState& state, EventsHook& events,
    ProgressFactory progress)
    : m_state(state), m_events(events), m_progress(std::move(progress)), QryDropTemp(db), QrySysTab(db)
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

QStringList TempTablePurgeJob::catalogueLines(int kind, const QString& prefix, bool escape, bool checkLocal,
    const QString& workstationCode)
{
    QStringList lines;
    if (kind != 3) {
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
    const PromptAnswer answer = prompts().message(QStringLiteral("操作前必须保证所有系统已经退出，确认清除临时表？"),
        QStringLiteral("提示"), PromptIcon::Information, PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes)
        return;
    for (const QString& prefix : commonPrefixes())
        PurgePrefix(prefix, false);
    if (m_state.DatabaseKind == 0)
        PurgePrefix(QStringLiteral("#"), false);
    if (m_state.DatabaseKind == 3)
        PurgePrefix(QStringLiteral("T"), true);
    prompts().message(QStringLiteral("临时表清理完毕"), QStringLiteral("提示"), PromptIcon::Information,
        PromptButtons::Ok);
}

void TempTablePurgeJob::PurgePrefix(const QString& prefix, bool escape)
{
    int n = 0;
    try {
        QrySysTab.close();
        QrySysTab.clear();
        for (const QString& line :
            catalogueLines(m_state.DatabaseKind, prefix, escape, m_checkLocal, m_state.WorkstationCode))
            QrySysTab.add(line);
        QrySysTab.open();
        QrySysTab.first();
        n = QrySysTab.recordCount();
    } catch (const DatabaseError&) {
        // A catalogue this database does not have: the prefix is passed over.
        QrySysTab.close();
        return;
    }
    if (n == 0) {
        QrySysTab.close();
        return;
    }

    std::unique_ptr<ProgressSink> step = m_progress ? m_progress() : nullptr;
    NullProgress none;
    ProgressSink& progress = step ? *step : none;
    progress.setLabel(QStringLiteral("正在清除临时表......"));
    progress.setRange(0, n);
    try {
        while (!QrySysTab.eof()) {
            const QString name = QrySysTab.text(QStringLiteral("TmpName"));
            // Only a plain table name from the catalogue goes into the drop statement.
            if (isPlainTableName(name)) {
                progress.setLabel(QStringLiteral("正在清除临时表") + name);
                QryDropTemp.close();
                QryDropTemp.clear();
                QryDropTemp.add(QStringLiteral("drop table ") + name);
                try {
                    QryDropTemp.exec();
                } catch (const DatabaseError&) {
                    // In use, no right to drop it, already gone: the next name is taken.
                }
            }
            progress.step();
            m_events.processEvents();
            QryDropTemp.close();
            QrySysTab.next();
        }
    } catch (const DatabaseError&) {
    }
    QrySysTab.close();
}
