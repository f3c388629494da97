// The query routines of the cleanup wizard: every statement goes through ExecuteSQL or
// OpenSQL, which turn database errors into a false result.
#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/sinks.h"
#include "data_module/sql_text.h"
#include "data_module/working_tables.h"

bool TEndYearDataMod::ExecuteSQL(const QString& sql)
{
    const QString error = QryGlobalExecSQL.executeOrError(sql);
    if (error.isEmpty())
        return true;
    m_lastError = error;
    return false;
}

bool TEndYearDataMod::ExecuteSQL(const QString& sql, const QList<QVariant>& binds)
{
    QryGlobalExecSQL.close();
    QryGlobalExecSQL.setSql(sql);
    QryGlobalExecSQL.setBinds(binds);
    bool ok = true;
    try {
        QryGlobalExecSQL.exec();
    } catch (const DatabaseError& e) {
        m_lastError = e.message();
        ok = false;
    }
    QryGlobalExecSQL.close();
    return ok;
}

bool TEndYearDataMod::OpenSQL(const QString& sql)
{
    try {
        QryGlobalOpen.open(sql);
        QryGlobalOpen.first();
        return true;
    } catch (const DatabaseError& e) {
        m_lastError = e.message();
        QryGlobalOpen.close();
        return false;
    }
}

bool TEndYearDataMod::ReportTableExists()
{
    const bool ok = OpenSQL(QStringLiteral("select 1 from ") + state.TableNames.BBZDName + QStringLiteral(" where 1>2"));
    QryGlobalOpen.close();
    return ok;
}

bool TEndYearDataMod::HasRows(const QString& table)
{
    // A table that cannot be read is an error for the caller, with the database's text.
    if (!OpenSQL(QStringLiteral("select count(1) as DirtyCount from ") + table))
        throw DatabaseError(m_lastError);
    const qint64 count = QryGlobalOpen.integer(QStringLiteral("DirtyCount"));
    QryGlobalOpen.close();
    return count != 0;
}

bool TEndYearDataMod::CountDuplicates(const QString& source, const QString& countTable, const QString& keyList,
    const QString& countColumn)
{
    TruncateTable(countTable);
    return ExecuteSQL(QStringLiteral("insert into ") + countTable + QLatin1Char('(') + keyList + QLatin1Char(',')
        + countColumn + QStringLiteral(") select ") + keyList + QStringLiteral(", count(1) from ") + source
        + QStringLiteral(" group by ") + keyList + QStringLiteral(" having count(1)>1"));
}

bool TEndYearDataMod::CopyMatchingRows(const QString& source, const QString& keyTable, const QString& destination,
    const QStringList& keyColumns)
{
    QString sql = QStringLiteral("insert into ") + destination + QStringLiteral(" select SrcTab.* from ") + source
        + QStringLiteral(" SrcTab, ") + keyTable + QStringLiteral(" RelTab where 1 = 1");
    for (const QString& k : keyColumns)
        sql += QStringLiteral(" and SrcTab.") + k + QStringLiteral("=RelTab.") + k;
    return ExecuteSQL(sql);
}

bool TEndYearDataMod::DeleteMatchingRows(const QString& table, const QString& keyTable,
    const QStringList& keyColumns, ProgressSink& bar, EventsHook* events)
{
    if (!OpenSQL(QStringLiteral("select * from ") + keyTable))
        throw DatabaseError(m_lastError);
    Query& keys = QryGlobalOpen;
    bar.setRange(0, keys.recordCount());
    bar.setPosition(0);

    QList<int> columns;
    for (const QString& k : keyColumns)
        columns.append(keys.fieldIndex(k));

    // One prepared statement, the key values bound; the hook and the trace see each
    // statement with its values written in.
    QString sql = QStringLiteral("delete from ") + table + QStringLiteral(" where 1=1");
    for (const QString& k : keyColumns)
        sql += QStringLiteral(" and ") + k + QStringLiteral("=?");
    QList<QVariant> values(columns.size());
    StatementGroup group(mast);
    for (; !keys.eof(); keys.next()) {
        bool missingPart = false;
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant v = keys.value(columns.at(i));
            if (!v.isValid() || v.isNull()) {
                missingPart = true;
                break;
            }
            values[i] = variantText(v);
        }
        if (!missingPart && !ExecuteSQL(sql, values))
            return false;
        bar.step();
        if (events)
            events->processEvents();
    }
    return group.finish(&m_lastError);
}

bool TEndYearDataMod::DeleteKeyRange(const QString& table, const QString& keyTable, const QStringList& keyColumns,
    ProgressSink& bar, EventsHook* events)
{
    if (!OpenSQL(QStringLiteral("select count(1) as DirtyCount from ") + keyTable))
        throw DatabaseError(m_lastError);
    const qint64 keys = QryGlobalOpen.integer(QStringLiteral("DirtyCount"));
    QryGlobalOpen.close();
    bar.setRange(0, int(keys));
    bar.setPosition(0);

    QStringList match;
    for (const QString& k : keyColumns)
        match.append(QStringLiteral("RelTab.") + k + QStringLiteral(" = ") + table + QLatin1Char('.') + k);
    if (!ExecuteSQL(QStringLiteral("delete from ") + table + QStringLiteral(" where exists (select 1 from ") + keyTable
            + QStringLiteral(" RelTab where ") + match.join(QStringLiteral(" and ")) + QStringLiteral(")")))
        return false;
    for (qint64 i = 0; i < keys; ++i) {
        bar.step();
        if (events)
            events->processEvents();
    }
    return true;
}

bool TEndYearDataMod::CopyDistinctRows(const QString& source, const QString& destination)
{
    TruncateTable(destination);
    return ExecuteSQL(QStringLiteral("insert into ") + destination + QStringLiteral(" select distinct * from ") + source);
}

bool TEndYearDataMod::AppendRows(const QString& source, const QString& destination)
{
    return ExecuteSQL(QStringLiteral("insert into ") + destination + QStringLiteral(" select * from ") + source);
}

bool TEndYearDataMod::TruncateTable(const QString& table)
{
    return ExecuteSQL(QStringLiteral("TRUNCATE table ") + table);
}

bool TEndYearDataMod::CopyReportDictionary(const QString& source, const QString& destination)
{
    QStringList names;
    for (const ColumnDef& c : reportColumns(QStringLiteral("BBZD"), state.DatabaseKind))
        names.append(c.name);
    const QString cols = names.join(QLatin1Char(','));
    TruncateTable(destination);
    ExecuteSQL(QStringLiteral("insert into ") + destination + QLatin1Char('(') + cols + QStringLiteral(") select ")
        + cols + QStringLiteral(" from ") + source);
    return true;
}

bool TEndYearDataMod::CreateUniqueIndex(const QString& table, const QString& indexName, const QString& columnList)
{
    return ExecuteSQL(QStringLiteral("create unique index ") + indexName + QStringLiteral(" on ") + table
        + QLatin1Char('(') + columnList + QLatin1Char(')'));
}

QStringList TEndYearDataMod::DropWorkingTables()
{
    QStringList failed;
    for (const QString& name : workingTableNames())
        if (!ExecuteSQL(QStringLiteral("drop table ") + name))
            failed << name;
    return failed;
}

void TEndYearDataMod::CreateWorkingTables()
{
    for (const QString& role : workingTableRoles())
        for (const QString& base : workingTableBases())
            ExecuteSQL(createWorkingTableStatement(role, base, state.DatabaseKind));
}

void TEndYearDataMod::CreateWorkingIndexes()
{
    for (const QString& role : workingTableRoles())
        for (const QString& base : workingTableBases())
            if (const QString sql = createWorkingIndexStatement(role, base, state.DatabaseKind); !sql.isEmpty())
                ExecuteSQL(sql);
}
