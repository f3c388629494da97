#pragma once
#include <QList>
#include <QString>
#include <QStringList>

class IniProfile;

// The maintenance settings file Kolvarin.ini in the program's directory: index entries
// (sections BB1.., HZ1..), default entries (DefBB1.., DefHZ1..) and control files
// (OCX1..). Read only; a missing file gives empty lists.
//
// A list's count is the number of section names that begin with its prefix (exact case,
// in file order); entries 1 to count are then read from the sections prefix + number
// (looked up without regard to case), a missing key giving its default.

struct TIndexInfo {
    QString IndexType;
    QString IndexName;
    QString TableName;
    QString Columns;
};

struct TDefaultInfo {
    QString TableName;
    QString Column;
    QString DefVal;
};

struct IndexLists {
    QList<TIndexInfo> BBIndexes;
    QList<TIndexInfo> HZIndexes;
};

struct DefaultLists {
    QList<TDefaultInfo> BBDefaults;
    QList<TDefaultInfo> HZDefaults;
};

// The file the three lists are read from.
QString maintenanceSettingsPath();

IndexLists ReadIndexLists();
IndexLists ReadIndexLists(const IniProfile& file);
DefaultLists ReadDefaultLists();
DefaultLists ReadDefaultLists(const IniProfile& file);
// Empty: the caller uses its built-in list.
QStringList ReadControlNames();
QStringList ReadControlNames(const IniProfile& file);
