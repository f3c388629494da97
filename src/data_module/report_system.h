#pragma once
#include "data_module/connection_state.h"

#include <QString>
#include <optional>

// The two report systems of an account set. Their tables carry the prefix, the connection
// state and the main window name them by the selector, the windows show the caption.
enum class ReportSystem { Management, Summary };

QString systemPrefix(ReportSystem system);     // "KR", "HZ"
QString systemSelector(ReportSystem system);   // "BB", "HZ"
QString systemCaption(ReportSystem system);    // "报表管理", "报表汇总"
// "HZ" is the summary system; any other selector is report management.
ReportSystem systemOfSelector(const QString& selector);
// Both systems in the order every window handles them.
constexpr ReportSystem bothSystems[] = {ReportSystem::Management, ReportSystem::Summary};

// The year's table-name set of a system: prefix + base name + year suffix, with the bases
// (no suffix) of the five cleanup classes. The report-format table of the cleanup is the
// report dictionary on kinds 2 and 3, as the report system keeps it there.
TableNameSet tableNamesFor(ReportSystem system, DbKind kind, const QString& yearSuffix = {});
// A report table of a system and year: "KR" + "BBGS" + "2001".
QString reportTableName(ReportSystem system, const QString& base, const QString& yearSuffix = {});

// Fills SystemSelector and TableNames for the cleanup wizard: selector "BB" (report
// management, prefix KR) or "HZ" (report summary, prefix HZ). The year suffix is emptied.
void FillTableNames(ConnectionState& state, const QString& selector);
