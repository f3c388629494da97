#include "utilities/record_statistics.h"

#include "data_module/database.h"
#include "data_module/database_error.h"
#include "data_module/sql_text.h"

#include <QSaveFile>
#include <QStringEncoder>

RecordStatisticsJob::RecordStatisticsJob(const JobContext& context, RecordStatisticsOptions options,
    ReportSink& report)
    : m_context(context), m_options(std::move(options)), m_state(context.state), m_report(report),
      QrySysTab(context.db), QryCount(context.db)
{
}

void RecordStatisticsJob::run()
{
    m_state.TableNames.YearSuffix = m_options.yearSuffix;
    {
        const std::unique_ptr<ProgressSink> progress = m_context.progressWindow();
        progress->setLabel(QStringLiteral("正在统计......"));
        CountTables(*progress);
    }
    m_context.prompts.information(QStringLiteral("统计完毕，请查看统计报告！"), QStringLiteral("提示"));
}

void RecordStatisticsJob::CountTables(ProgressSink& progress)
{
    m_report.clear();
    m_report.addLine(m_context.stamp() + QStringLiteral("开始统计！"));
    try {
        QrySysTab.open(QStringLiteral("select * from JWTABN order by F_XTBH  "));
        progress.setRange(0, QrySysTab.recordCount());
        QrySysTab.first();
        QString previous;
        while (!QrySysTab.eof()) {
            const QString module = QrySysTab.text(QStringLiteral("F_XTBH"));
            const QString table = catalogueName(QrySysTab.text(QStringLiteral("F_TABN")));
            if (module != previous) {
                previous = module;
                m_report.addLine(module + QStringLiteral("模块统计："));
            }
            countOne(table + m_state.TableNames.YearSuffix);
            QryCount.close();
            m_context.events.processEvents();
            progress.step();
            QrySysTab.next();
        }
    } catch (const DatabaseError&) {
        // A catalogue that cannot be read ends the listing; the closing line still follows.
    }
    QrySysTab.close();
    m_report.addLine(m_context.stamp() + QStringLiteral("统计结束！"));
}

void RecordStatisticsJob::countOne(const QString& table)
{
    // Only a plain name goes into the statement; anything else counts as a missing table.
    if (isPlainTableName(table)) {
        try {
            QryCount.open(QStringLiteral("select count(1) con1 from ") + table);
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
