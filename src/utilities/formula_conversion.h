#pragma once
#include "data_module/job_context.h"
#include "data_module/query.h"
#include "data_module/report_system.h"
#include "utilities/system_year.h"

#include <QString>

struct FormulaConversionOptions {
    SystemYear management;
    SystemYear summary;
};

// Copies the calculation formulas of every report's cell dictionary into the check-formula
// table of the same system: macros and empty formulas are left out, a formula the table
// already holds for its cell is not copied again, new check formulas are numbered after
// the report's highest ordinal. A rejected insert neither takes an ordinal nor counts.
class FormulaConversionJob {
public:
    FormulaConversionJob(const JobContext& context, FormulaConversionOptions options, ReportSink& report);

    // Clears the report, converts each chosen system under a progress window and ends
    // with the closing box.
    void run();

    // The tables of one system and year, as the passes set them.
    void setTables(ReportSystem system, const QString& suffix);
    void ConvertSystem();
    bool HasExtendedColumns();
    void ConvertReport();
    bool FormulaExists(const QString& row, const QString& column, const QString& formula);
    QString NextCheckOrdinal();
    bool InsertCheckFormula(const QString& row, const QString& column, const QString& ordinal);

    // The current report (set by ConvertSystem; tests set it to call the steps alone).
    void setReport(const QString& number, const QString& date) { m_bh = number; m_date = date; }
    void setExtended(bool on) { m_extended = on; }

private:
    void convertPass(ReportSystem system, const SystemYear& year);
    void line(const QString& text);

    JobContext m_context;
    FormulaConversionOptions m_options;
    ReportSink& m_report;
    QString m_reportTable, m_cellTable, m_checkTable;
    QString m_bh, m_date;
    bool m_extended = false;
    Query BBZDQuery;
    Query JSQuery;
    Query MaxQuery;
};
