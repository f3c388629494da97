#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"
#include "data_module/table.h"

#include <QString>
#include <QStringList>
#include <functional>

class Database;

// The two passes over a system's tables.
enum class CheckPass {
    EarlierYear,   // rows of other years move to the year's historical tables ("历史年度")
    LeapDay,       // bare-year dates of a 29 February save become the February date ("闰年年度")
};

// LeapGroup: what to do when a report was saved under both February dates.
enum LeapChoice {
    LeapAsk = 0,          // 清除前提示
    LeapKeep29th = 1,     // 保留2月29日数据并删除2月28日数据
    LeapKeep28th = 2,     // 删除2月29日数据并保留2月28日数据
};

struct CheckYearOptions {
    bool management = true;   // BBCheckBox
    bool summary = true;      // HZCheckBox
    // Accounting years as read from JWCONF when the window was shown.
    QString bbKjnd, hzKjnd;
    // The LeapGroup item, asked afresh for every row; empty: LeapAsk.
    std::function<int()> leapChoice;
    // Time of the report lines' stamps; empty: the system's long time format.
    QString timeFormat;
};

// 年结前数据检查整理: per system, first moves rows of other years out of the current
// tables into the year's historical tables, then repairs bare-year (29 February) report
// dates. Every data change is committed on its own.
class CheckYearJob {
public:
    CheckYearJob(const JobContext& context, CheckYearOptions options, ReportSink& report);

    // Empties the report, checks the chosen systems, ends with the closing box.
    void run();

    // F_VAL of JWCONF's row S + "_KJND"; empty without one. Throws DatabaseError.
    static QString ReadKjnd(Database& db, const QString& system);
    // The tables examined for a prefix, in order.
    static QStringList tableBases(const QString& prefix);
    // The system's long time format without a time-zone part.
    static QString longTimeFormat();
    // The leap-day question about report bh of table t.
    static QString leapQuestion(const QString& bh, const QString& t);

    bool HasLaterData(const QString& year);
    bool FindIrregularRows(const QString& table, const QString& year, CheckPass pass);
    bool RowExists(const QString& table, const QString& y4, const QString& bh, const QString& date);
    // The copy of a bare-year report (date == y4) is re-dated to February in the same
    // transaction, so that a failure cannot leave a copy under the bare year behind.
    bool CopyRows(const QString& table, const QString& y4, const QString& bh, const QString& date);
    bool CopyDictRow(const QString& table, const QString& y4, const QString& bh, const QString& date);
    // False when rolled back.
    bool DeleteRows(const QString& table, const QString& bh, const QString& date);
    bool ChangeDate(const QString& table, const QString& oldDate, const QString& newDate, const QString& bh);
    void CheckSystem(const QString& year, CheckPass pass);
    void CheckTable(const QString& base, const QString& year, CheckPass pass);

    void setCurPrefix(const QString& prefix) { CurPrefix = prefix; }

private:
    void checkPrefix(const QString& prefix, const QString& year, const QString& laterDataLine);
    QString stamp() const;
    void addLine(const QString& text);
    void replaceLine(const QString& text);
    int leapChoice() const;
    // Runs the statements in a transaction of their own; false when rolled back, and the
    // row in work is then reported as failed.
    bool executeOwn(const QList<QStringList>& statements);
    static QStringList changeDateLines(const QString& table, const QString& oldDate, const QString& newDate,
        const QString& bh);

    JobContext m_context;
    CheckYearOptions m_options;
    ReportSink& m_report;
    QString m_timeFormat;
    QString CurPrefix;
    bool m_rowFailed = false;
    Query MastQry;
    Query OpenQry;
    Query ExecSQLQry;
    Table BBZDTab;
};
