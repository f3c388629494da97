#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"
#include "data_module/report_system.h"
#include "data_module/table.h"
#include "utilities/system_year.h"

#include <QFile>
#include <QString>
#include <QStringList>

struct FormatExchangeOptions {
    QString root;            // the folder chosen in the window
    SystemYear management;
    SystemYear summary;
};

// Exports the report formats of a standalone database (kind 0) to files and imports them
// back. Export: per system the folder root/BB+suffix or root/HZ+suffix holds one format
// file per row (the blob byte for byte) and the list file KRBBGS.txt or HZBBGS.txt (GBK,
// "BH<TAB>DATE<TAB>XH<TAB>file;" and CR LF per row, appended and flushed row by row, so it
// lists every row exported so far). Import: the list file in root itself puts each listed
// file into the row of the same key (letter case ignored); rows are never added. File
// names that would leave their folder are refused.
class FormatExchangeJob {
public:
    FormatExchangeJob(const JobContext& context, FormatExchangeOptions options, ReportSink& report);

    void exportRun();   // 导出
    void importRun();   // 导入

    // One format table (set by the run) into the current folder and list file.
    void ExportFormats(const QString& system);
    void ImportFormats(const QString& listPath, const QString& table);
    void setExportTarget(const QString& table, const QString& folder, const QString& listPath);

    // A plain file name: not empty, no separator or drive, not "." or "..".
    static bool isPlainFileName(const QString& name);
    // The four fields of a list line, split at the first three TABs, the last one without
    // its final character (the ";").
    static QStringList listFields(const QString& line);
    // The list line of a row, as written (GBK, CR LF).
    static QByteArray listLine(const QString& bh, const QString& date, const QString& xh, const QString& fileName);

private:
    bool checks();
    void exportPass(ReportSystem system, const SystemYear& year);
    void importPass(ReportSystem system, const SystemYear& year);
    bool exportRow(QFile& list, const QString& system);
    void line(const QString& text);

    JobContext m_context;
    FormatExchangeOptions m_options;
    ReportSink& m_report;
    QString m_table, m_folder, m_listPath;
    Query ExpQuery;
    Table ImpTable;
};
