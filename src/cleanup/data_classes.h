#pragma once
#include "data_module/connection_state.h"
#include "data_module/report_system.h"
#include "data_module/working_tables.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

// The five kinds of rows the duplicate cleanup repairs, always handled in this order.
// The report-management system has the first three, the report-summary system all five.
enum class DataClassId : int { HZD = 1, LZD = 2, DYZD = 3, DWSJ = 4, HZSJ = 5 };

struct DataClass {
    DataClassId id;
    QString base;           // "HZD", "LZD", "DYZD", "DWSJ", "HZSJ"
    QString className;      // shown: "行字典", "列字典", "单元字典", "单位数据", "汇总数据"
    QString initialLabel;   // "检查行字典数据" ... before any check
    QStringList keyColumns; // in table order
    QString countColumn;    // where the count table keeps the rows per key
    QString indexSuffix;    // "_ORDE", "_HL" or empty
    QString TableNameSet::* reportName;   // &TableNameSet::HZDName ...
    QString TableNameSet::* baseName;     // &TableNameSet::HZDBase ...
    bool summaryOnly;       // unit and summary data: only the report-summary system has them

    int number() const { return static_cast<int>(id); }   // 1..5, also the list image
    int index() const { return number() - 1; }            // 0..4
    // "BBZD_BH,BBZD_DATE,HZD_ORDE"
    QString keyList() const { return keyColumns.join(QLatin1Char(',')); }
    // "BBZD_BH;BBZD_DATE;HZD_ORDE", for locating rows in a grid
    QString locateFields() const { return keyColumns.join(QLatin1Char(';')); }

    // Working tables: fixed names, no system prefix, no year suffix.
    QString workingTable(WorkingRole role) const { return workingTableName(role, base); }
    QString countTable() const { return workingTable(WorkingRole::Count); }
    QString rangeTable() const { return workingTable(WorkingRole::Range); }
    QString stagingTable() const { return workingTable(WorkingRole::Staging); }
    QString cleanedTable() const { return workingTable(WorkingRole::Cleaned); }
    QString reviewTable() const { return workingTable(WorkingRole::Review); }

    // The year's report table (HZDName ... HZSJName of the table-name set).
    QString reportTable(const TableNameSet& names) const { return names.*reportName; }
    // The report table without year suffix (HZDBase ... HZSJBase).
    QString baseTable(const TableNameSet& names) const { return names.*baseName; }
    // "NDX_" + base table + index suffix + year suffix, e.g. NDX_HZHZD_ORDE2002.
    QString indexName(const TableNameSet& names) const;

    // Cell dictionary, unit data and summary data: the classes with DYZD_DATA, the
    // illegal-cell removal and the value normalisation.
    bool isCellClass() const { return id == DataClassId::DYZD || id == DataClassId::DWSJ || id == DataClassId::HZSJ; }
    bool belongsTo(ReportSystem system) const { return system == ReportSystem::Summary || !summaryOnly; }
};

const std::array<DataClass, 5>& allDataClasses();
const DataClass& dataClass(DataClassId id);
// The classes of a system in processing order: three for report management, five for
// report summary.
QList<const DataClass*> dataClassesOf(ReportSystem system);

// The same by the selector of the connection state ("HZ" is report summary, anything else
// report management).
bool isSummarySystem(const QString& systemSelector);
QList<const DataClass*> dataClassesOf(const QString& systemSelector);
