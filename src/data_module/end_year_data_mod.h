#pragma once
#include "data_module/connection_state.h"
#include "data_module/database.h"
#include "data_module/query.h"

#include <QString>
#include <QStringList>
#include <memory>

class ProgressSink;
class EventsHook;

// The shared data module: the one connection `mast` and the connection state, created
// once at start-up and living as long as the program. It also carries the query
// components and routines the cleanup wizard sends all its SQL through.
class TEndYearDataMod {
public:
    explicit TEndYearDataMod(std::unique_ptr<Backend> backend = {});

    Database mast;
    ConnectionState state;
    Query LoginQuery;

    Query QryGlobalExecSQL;   // every statement without result set (ExecuteSQL)
    Query QryGlobalOpen;      // the one shared result set (OpenSQL); opening closes the last
    Query QryCheckDYZD;       // lookups of the illegal-cell removal

    // --- query routines of the cleanup wizard ---------------------------------------
    // Runs one statement; false on any database error, which is swallowed.
    bool ExecuteSQL(const QString& sql);
    // The same with values for its "?" placeholders: statements sent once per key or row,
    // kept prepared by QryGlobalExecSQL.
    bool ExecuteSQL(const QString& sql, const QList<QVariant>& binds);
    // Opens QryGlobalOpen on its first row; false on any database error (query left closed).
    bool OpenSQL(const QString& sql);
    // The message of the last failed ExecuteSQL / OpenSQL.
    QString lastError() const { return m_lastError; }

    // Whether the year's report dictionary (state.TableNames.BBZDName) can be opened.
    bool ReportTableExists();
    // count(1) of a table is not 0. Throws DatabaseError when the table cannot be read.
    bool HasRows(const QString& table);
    // Empties the count table, then one row per key occurring more than once in source:
    // the key columns and, in the count column, the number of rows. Result of the insert.
    bool CountDuplicates(const QString& source, const QString& countTable, const QString& keyList,
        const QString& countColumn);
    // Appends to destination the rows of source whose key equals a row of keyTable.
    bool CopyMatchingRows(const QString& source, const QString& keyTable, const QString& destination,
        const QStringList& keyColumns);
    // One delete per key-table row, removing the table's rows of that key. False at the
    // first failing statement. Key values are quoted with their quotes doubled. A key-table
    // row with a missing (NULL) key part sends no statement: with = comparisons such rows
    // are never copied into working tables, so they must not be deleted either.
    // Throws DatabaseError when the key table cannot be opened.
    bool DeleteMatchingRows(const QString& table, const QString& keyTable, const QStringList& keyColumns,
        ProgressSink& bar, EventsHook* events = nullptr);
    // The set form of DeleteMatchingRows for the write-back: one statement removes the rows
    // of every key of keyTable (keys with a missing part match nothing), so that its cost is
    // one pass whether or not the table has an index on its key; the bar still counts the
    // key-table rows, one step per row after the statement. False when the statement fails.
    // Throws DatabaseError when the key table cannot be counted.
    bool DeleteKeyRange(const QString& table, const QString& keyTable, const QStringList& keyColumns,
        ProgressSink& bar, EventsHook* events = nullptr);
    bool CopyDistinctRows(const QString& source, const QString& destination);
    bool AppendRows(const QString& source, const QString& destination);
    bool TruncateTable(const QString& table);
    // The eight report-dictionary columns the review shows; always true.
    bool CopyReportDictionary(const QString& source, const QString& destination);
    bool CreateUniqueIndex(const QString& table, const QString& indexName, const QString& columnList);
    // The thirty working tables in their order; a failure does not stop the others.
    // Returns the tables whose drop failed (before they are created again, those that
    // were not there).
    QStringList DropWorkingTables();
    void CreateWorkingTables();
    // The indexes of the working tables (working_tables.h), after CreateWorkingTables;
    // every failure ignored. They go with the tables.
    void CreateWorkingIndexes();

private:
    QString m_lastError;
};
