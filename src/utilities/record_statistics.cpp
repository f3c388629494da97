#include "utilities/record_statistics.h"

#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/sql_text.h"

#include <QSaveFile>
#include <QStringEncoder>

RecordStatisticsJob::RecordStatisticsJob(Database& db, ConnectionState& state, ReportSink& report,
    EventsHook& events, ProgressFactory progress)
    : m_state(state), m_report(report), m_events(events), m_progress(std::move(progress)),
      QrySysTab(db), QryCount(db)
{
}

void RecordStatisticsJob::run(const QString& yearSuffix)
{
    m_state.TableNames.YearSuffix = yearSuffix;
    {
        std::unique_ptr<ProgressSink> step = m_progress ? m_progress() : nullptr;
        NullProgress none;
        ProgressSink& progress = step ? *step : none;
        progress.setLabel(QStringLiteral("正在统计......"));
        CountTables(progress);
    }
    prompts().information(QStringLiteral("统计完毕，请查看统计报告！"), QStringLiteral("提示"));
}

void RecordStatisticsJob::CountTables(ProgressSink& progress)
{
    m_report.clear();
    m_report.addLine(reportStamp() + QStringLiteral("开始统计！"));
    try {
        QrySysTab.close();
        QrySysTab.clear();
        QrySysTab.add(QStringLiteral("select * from JWTABN order by F_XTBH  "));
        QrySysTab.open();
        progress.setRange(0, QrySysTab.recordCount());
        QrySysTab.first();
        QString previous;
        while (!QrySysTab.eof()) {
            const QString module = QrySysTab.text(QStringLiteral("F_XTBH"));
            const QString table = QrySysTab.text(QStringLiteral("F_TABN"));
            if (module != previous) {
                previous = module;
                m_report.addLine(module + QStringLiteral("模块统计："));
            }
            countOne(table + m_state.TableNames.YearSuffix);
            QryCount.close();
            m_events.processEvents();
            progress.step();
            QrySysTab.next();
        }
    } catch (const DatabaseError&) {
        // A catalogue that cannot be read ends the listing; the closing line still follows.
    }
    QrySysTab.close();
    m_report.addLine(reportStamp() + QStringLiteral("统计结束！"));
}

void RecordStatisticsJob::countOne(const QString& table)
{
    // Only a plain name goes into the statement; anything else counts as a missing table.
    if (isPlainTableName(table)) {
        try {
            QryCount.close();
            QryCount.clear();
            QryCount.add(QStringLiteral("select count(1) con1 from ") + table);
            QryCount.open();
            const qint64 count = QryCount.integer(QStringLiteral("con1"));
            m_report.addLine(QStringLiteral("   ") + table + QStringLiteral("记录数：") + QString::number(count));
            return;
        } catch (const DatabaseError&) {
        }
    }
    m_report.addLine(QStringLiteral("   ") + table + QStringLiteral("无历史表。"));
}

QString saveReportFile(const QString& fileName, const QStringList& lines)
{
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid())
        return QStringLiteral("不支持GBK编码。");
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encoder.encode(line);
        bytes += "\r\n";
    }
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}
