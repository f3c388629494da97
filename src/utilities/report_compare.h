#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One count line of a record-count report: the module heading it stands under, the table
// as written and its count (none for a "无历史表。" line).
struct CountLine {
    QString module;
    QString table;
    std::optional<qint64> count;
};

struct CountReport {
    QList<CountLine> lines;
    int passedOver = 0;   // non-blank lines that are neither headings nor count lines
    // The four-digit year the report's table names carry (a historical-year report), else empty.
    QString year;
};

// Reads the lines of a report as the count run writes them (and as earlier versions saved
// them); every other line is passed over.
CountReport parseCountReport(const QStringList& lines);

// Reads a saved report (GBK, CR LF or LF). Returns an error text, empty on success.
QString readReportFile(const QString& fileName, QStringList& lines);

enum class CompareState { Equal, Changed, FirstOnly, SecondOnly };

struct ComparedTable {
    QString module;
    QString table;         // the name without the year
    QString firstName;     // as written in each report; empty where the report lacks it
    QString secondName;
    bool inFirst = false;
    bool inSecond = false;
    std::optional<qint64> first;    // none: not in the report, or "无历史表。"
    std::optional<qint64> second;
    CompareState state = CompareState::Equal;
};

struct ModuleTotal {
    QString module;
    qint64 first = 0;
    qint64 second = 0;
};

struct ReportComparison {
    QList<ComparedTable> tables;   // every matched line, in the order of the reports
    QList<ModuleTotal> totals;     // per module, in the order of the reports
    int passedOverFirst = 0;
    int passedOverSecond = 0;
    int count(CompareState state) const;
};

// Matches the lines by module and table name without the report's year; a table listed
// twice in a module is matched occurrence by occurrence.
ReportComparison compareCountReports(const CountReport& first, const CountReport& second);

// The comparison as report lines: the tables that differ or stand in one report only, the
// totals per module and a summary.
QStringList comparisonLines(const ReportComparison& comparison, const QString& firstTitle,
    const QString& secondTitle);

// "+5", "-3", "0"
QString signedDifference(qint64 difference);
