#include "platform/odbc_sources.h"

#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>

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

// One key of one section of odbc.ini or odbcinst.ini; empty when missing.
QString profileValue(const QByteArray& section, const char* key, const char* file)
{
    if (section.isEmpty())
        return {};   // an empty section name would list the sections instead
    char buffer[4096] = {};
    const int n = SQLGetPrivateProfileString(section.constData(), key, "", buffer, sizeof buffer, file);
    if (n <= 0)
        return {};
    return QString::fromLocal8Bit(buffer).trimmed();
}

// A section name the profile reader could mistake for something else is no data source.
bool usableName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('[')) && !name.contains(QLatin1Char(']'));
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
    if (!usableName(dataSourceName)
        || dataSourceName.compare(QLatin1String("ODBC Data Sources"), Qt::CaseInsensitive) == 0)
        return {};
    const QByteArray section = dataSourceName.toLocal8Bit();
    SQLSetConfigMode(ODBC_USER_DSN);
    QString driver = profileValue(section, "Driver", "ODBC.INI");
    if (driver.isEmpty()) {
        SQLSetConfigMode(ODBC_SYSTEM_DSN);
        driver = profileValue(section, "Driver", "ODBC.INI");
    }
    SQLSetConfigMode(ODBC_BOTH_DSN);
    return driver;
}

QString odbcDriverLibrary(const QString& driver)
{
    if (driver.isEmpty() || driver.startsWith(QLatin1Char('/')))
        return driver;
    if (!usableName(driver))
        return {};
    const QByteArray section = driver.toLocal8Bit();
    QString library = profileValue(section, "Driver64", "ODBCINST.INI");
    if (library.isEmpty())
        library = profileValue(section, "Driver", "ODBCINST.INI");
    return library;
}

QString odbcDataSourceLibrary(const QString& dataSourceName)
{
    return odbcDriverLibrary(odbcDriverOf(dataSourceName));
}
