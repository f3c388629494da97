#pragma once
#include <QString>
#include <QStringList>

#include "data_module/connection_state.h"

#include <optional>

class Backend;

// Statement forms a backend lacks, translated in this one place, keyed by the DBMS name
// the driver reports. Everything else is sent as written; text inside quoted literals and
// quoted names is never touched.
namespace dialect {

enum class Server { Other, Sqlite, Db2, Oracle, PostgreSql };

// "SQLite" anywhere in the name; DB2 reports names beginning with "DB2" ("DB2/LINUXX8664",
// "DB2/NT"); Oracle reports "Oracle"; psqlodbc reports "PostgreSQL".
Server serverOf(const QString& dbmsName);

QString translate(Server server, const QString& sql);

// SQLite: "TRUNCATE table X" -> "delete from X"; "create nonclustered index" -> "create
// index"; the key-range delete "delete from T where exists (select 1 from K RelTab where
// RelTab.a = T.a and ...)" -> "delete from T where (a, ...) in (select a, ... from K)",
// which SQLite runs through T's key index if any; owner qualifiers dba., system. and
// db2admin. outside literals are dropped.
QString forSqlite(const QString& sql);

// DB2: "TRUNCATE table X" -> "TRUNCATE table X IMMEDIATE"; substring( -> substr(;
// "alter table T modify C default V" -> "alter table T alter column C set default V";
// the Oracle catalogue view user_tables is read from syscat.tables of the current schema;
// the column option "null" of create table (nullable is DB2's default) is left out.
QString forDb2(const QString& sql);

// Oracle: substring( -> substr(. TRUNCATE keeps its plain form.
QString forOracle(const QString& sql);

// PostgreSQL: "drop index T.I" -> "drop index I" (T would be read as a schema; index names
// are per schema there).
QString forPostgreSql(const QString& sql);

// Statements that SQLite carries out in steps of its own rather than as one text:
// - a column default re-declared, in any of the four forms the servers take
//   ("ALTER TABLE T MODIFY C DEFAULT V", "alter table T replace C default V",
//   "ALTER TABLE T ADD CONSTRAINT N DEFAULT V FOR C", "alter table T modify C default V"):
//   the column's default is changed in the table's schema text, checked, inside a
//   savepoint; existing rows stay as they are;
// - "drop index T.I": index I is dropped only when it belongs to table T (SQLite's index
//   names are not per table, so I alone could name another table's index).
// The steps go out through steps (each throws DatabaseError on failure), so that they are
// traced and seen by the statement hook one by one.
// sql is the text after forSqlite(). True when it was such a statement and has been
// carried out; a failure throws DatabaseError and leaves the schema as it was.
struct SqliteSteps {
    std::function<void(const QString& sql, const QList<QVariant>& binds)> exec;
    std::function<QList<QList<QVariant>>(const QString& sql, const QList<QVariant>& binds)> rows;
};
bool runSqliteProcedure(const QString& sql, const SqliteSteps& steps);

struct DefaultChange {
    QString table;
    QString column;
    QString value;
};
// The parts of a default re-declaration in one of the four forms above.
std::optional<DefaultChange> parseDefaultChange(const QString& sql);
// The CREATE TABLE text with the column's DEFAULT clause replaced by "DEFAULT value", or
// added at the end of the column's definition; empty when the table has no such column.
QString withColumnDefault(const QString& createSql, const QString& column, const QString& value);

// The drop of index `index` of `table` in the form of the database kind: "drop index I" on
// DB2 and Oracle (index names are per schema), "drop index T.I" on the others.
QString dropIndexStatement(DbKind kind, const QString& table, const QString& index);

// Whether a walk's many small statements run inside one transaction: SQLite commits each
// statement of autocommit on its own (journal written, synced and deleted, file locks
// taken and released), and a statement that fails inside a transaction undoes only itself,
// as in autocommit. Elsewhere they run as they come (PostgreSQL, for one, refuses every
// statement after a failed one until the transaction ends).
bool groupsStatementRuns(Server server);

// Whether the driver hands character data over as UTF-8 when asked for SQL_C_CHAR, so that
// rows can be read from the statement handle without a conversion by the driver manager:
// the SQLite driver (ANSI only, its texts are UTF-8). Elsewhere rows are read through Qt.
bool readsUtf8Text(Server server);

// "distinct e1, e2, ..." that keeps apart every spelling of a text (SQLite: each one
// compared as bytes), or empty where the server's collation may take texts that differ in
// case or trailing blanks as one and so keep only one of their spellings.
QString exactDistinct(Server server, const QStringList& expressions);

// "select S.* from T S left join (select ...) L on ... where ...": whether the server runs
// it as one pass over T in T's own order, the order "select * from T" gives (SQLite, whose
// left joins keep the left table outermost; elsewhere the planner may hash, sort and
// reorder).
bool picksRowsInTableOrder(Server server);

// Text concatenation of column expressions in which a NULL part counts as empty, in the
// operator of the DBMS the driver names: "||" on SQLite, DB2, Oracle and PostgreSQL, where
// "+" is arithmetic; "+" on SQL Anywhere, Sybase and SQL Server.
// textConcat("SQLite", {"A", "B"}) -> "coalesce(A,'')||coalesce(B,'')".
QString textConcat(const QString& dbmsName, const QStringList& expressions);
bool concatenatesWithBars(const QString& dbmsName);
}
