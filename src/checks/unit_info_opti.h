#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"

#include <QString>
#include <QStringList>
#include <optional>

struct UnitInfoOptiOptions {
    bool management = true;   // BBCheckBox
    QString bbSuffix;         // BBGroup/BBYearSpin: empty or the historical year
    bool summary = true;      // HZCheckBox
    QString hzSuffix;
};

// 单元格不规范数据整理: cells whose number DYZD_DATA is 0 while their text DYZD_SJ holds a
// number other than 0 get that number, one update per cell.
class UnitInfoOptiJob {
public:
    // Row kinds: 1 cell dictionary, 2 unit data (DWZD_BH), 3 summary data (LBZD_BH).
    UnitInfoOptiJob(const JobContext& context, UnitInfoOptiOptions options);

    // One progress window per system, ends with the summary box.
    void run();

    // Scans one table and returns the rows it repaired.
    int OptiTable(const QString& table, const QString& label, int kind, ProgressSink& progress);

    // Repaired rows per table of the last run: KRDYZD, HZDYZD, HZDWSJ, HZHZSJ.
    const int* counters() const { return m_counters; }

    // The number a cell text stands for: the whole text, blanks around it aside, read as a
    // decimal number; nothing for an empty text or any other text.
    static std::optional<double> cellNumber(const QString& text);
    // The number as it goes into the update: the shortest text that reads back the same.
    static QString numberLiteral(double value);
    static QStringList scanLines(const QString& table, int kind);
    // keys: the key columns of the kind in where-clause order, as read.
    static QStringList updateLines(const QString& table, int kind, const QStringList& keys, const QString& number);
    static QStringList keyColumns(int kind);
    static QString summaryText(bool management, bool summary, const int counters[4]);

private:
    JobContext m_context;
    UnitInfoOptiOptions m_options;
    Query OpenQuery;
    Query ExecQuery;
    int m_counters[4] = {0, 0, 0, 0};
};
