#pragma once
#include "data_module/connection_state.h"

#include <QList>
#include <QString>
#include <QStringList>

// Column lists of the report tables the cleanup copies whole (insert ... select *), and
// the thirty working tables of the cleanup declared with the same lists.

struct ColumnDef {
    QString name;
    QString type;   // as declared, e.g. "varchar(8)", "int", "u001"
};

// Declared type of DYZD_DATA: "u001" on kinds 0, 1 and 2, "float" on kind 3.
QString numericDataType(DbKind databaseKind);

// Bases in working-table order: HZD, LZD, DYZD, DWSJ, HZSJ, BBZD.
const QStringList& workingTableBases();
// The roles of the working tables, each a name prefix before the base.
enum class WorkingRole {
    Cleaned,   // "opti": keys made unique by the automatic cleanup
    Review,    // "dirty": rows still duplicated, for the manual review
    Count,     // "hav": one row per duplicated key and its number of rows
    Range,     // "range": the duplicated keys whose report rows the write-back replaces
    Staging,   // "old": the report rows of the key range, copied before the cleanup
};
QString workingRolePrefix(WorkingRole role);
// prefix + base, e.g. "havHZD"; "dirtyBBZD" for the report dictionary of the review.
QString workingTableName(WorkingRole role, const QString& base);
// Roles in working-table order: opti, dirty, hav, range, old.
const QStringList& workingTableRoles();
// The thirty names, role by role, base by base (also the drop order).
QStringList workingTableNames();

// The columns of a base ("HZD", "LZD", "DYZD", "DWSJ", "HZSJ", or "BBZD" for the eight
// report-dictionary columns the wizard reads), in table order. Empty for an unknown base.
QList<ColumnDef> reportColumns(const QString& base, DbKind databaseKind);

// "create table optiHZD (BBZD_BH varchar(8) null, ...)": every column nullable, no key,
// no index. The base is the name without its role prefix.
QString createWorkingTableStatement(const QString& role, const QString& base, DbKind databaseKind);

// The index a working table gets after its creation, so that the statements sent once per
// key or per row (deletes and lookups by key, joins on the key) find their rows without a
// scan. Columns: report number, date, row code, column code, then the unit or category
// code, so that the deletes by coordinates alone use the index too. Empty for the tables
// that are only read whole or joined as the smaller side (staging, count, key-range and
// report-dictionary tables).
QStringList workingIndexColumns(const QString& role, const QString& base);
// "IX_" + table name: unique within the schema, as DB2 and Oracle need.
QString workingIndexName(const QString& role, const QString& base);
// The statement of the kind; empty when the table gets no index. Dropping the table drops it.
QString createWorkingIndexStatement(const QString& role, const QString& base, DbKind databaseKind);
