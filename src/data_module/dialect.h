#pragma once
#include <QString>

// Statement forms a backend lacks, translated in this one place. Everything else is
// sent as written.
namespace dialect {
// SQLite: "TRUNCATE table X" -> "delete from X"; "drop index T.I" -> "drop index I";
// owner qualifiers dba., system. and db2admin. outside literals are dropped.
QString forSqlite(const QString& sql);
}
