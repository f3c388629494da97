#pragma once
#include <QString>

// The table-name set of the cleanup wizard: fifteen entries in this order.
struct TableNameSet {
    QString BBZDName;    // 0
    QString FormatName;  // 1
    QString HZDName;     // 2
    QString LZDName;     // 3
    QString DYZDName;    // 4
    QString DWSJName;    // 5
    QString HZSJName;    // 6
    QString DWZDName;    // 7
    QString LBZDName;    // 8
    QString YearSuffix;  // 9
    QString HZDBase;     // 10
    QString LZDBase;     // 11
    QString DYZDBase;    // 12
    QString DWSJBase;    // 13
    QString HZSJBase;    // 14

    static constexpr int Count = 15;
    QString& entry(int index);
    const QString& entry(int index) const;
};

// Program-lifetime connection state every function reads.
struct ConnectionState {
    int DatabaseKind = 0;           // 0 ASA/ODBC, 1 Sybase, 2 MS SQL Server, 3 DB2 or Oracle
    QString WorkstationCode;        // kind 3 only; "ERROR" when the lookup failed
    QString SystemSelector;         // "BB" or "HZ"
    TableNameSet TableNames;
};
