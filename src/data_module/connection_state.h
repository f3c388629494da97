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

// The database kind, with the numbers the connection sets from the settings value DBMS.
enum class DbKind : int {
    Anywhere = 0,    // SQL Anywhere through an ODBC data source
    Sybase = 1,
    SqlServer = 2,   // Microsoft SQL Server
    Db2Oracle = 3,   // DB2 or Oracle, one code for both
};
inline int kindNumber(DbKind kind) { return static_cast<int>(kind); }

// Program-lifetime connection state every function reads.
struct ConnectionState {
    DbKind DatabaseKind = DbKind::Anywhere;
    QString WorkstationCode;        // kind 3 only; "ERROR" when the lookup failed
    QString AccountSet;             // the account-set code (Ztbh) of the connection
    QString SystemSelector;         // "BB" or "HZ"
    TableNameSet TableNames;
};
