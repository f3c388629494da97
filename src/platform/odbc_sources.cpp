#include "platform/odbc_sources.h"

#include <sql.h>
#include <sqlext.h>

namespace {
void collect(SQLHENV env, SQLUSMALLINT firstDirection, bool system, QList<OdbcDataSource>& out)
{
    SQLCHAR name[SQL_MAX_DSN_LENGTH * 4 + 1];
    SQLCHAR description[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = firstDirection;
    for (;;) {
        const SQLRETURN rc = SQLDataSources(env, direction, name, sizeof name, &nameLength, description,
            sizeof description, &descriptionLength);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            break;
        out.append(OdbcDataSource{QString::fromLocal8Bit(reinterpret_cast<const char*>(name)),
            QString::fromLocal8Bit(reinterpret_cast<const char*>(description)), system});
        direction = SQL_FETCH_NEXT;
    }
}
}

QList<OdbcDataSource> odbcDataSources()
{
    QList<OdbcDataSource> out;
    SQLHENV env = SQL_NULL_HENV;
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env) != SQL_SUCCESS)
        return out;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    collect(env, SQL_FETCH_FIRST_USER, false, out);
    collect(env, SQL_FETCH_FIRST_SYSTEM, true, out);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return out;
}

QString odbcDriverOf(const QString& dataSourceName)
{
    if (dataSourceName.isEmpty())
        return {};
    for (const OdbcDataSource& source : odbcDataSources())
        if (source.name.compare(dataSourceName, Qt::CaseInsensitive) == 0)
            return source.driver;
    return {};
}
