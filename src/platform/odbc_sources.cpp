#include "platform/odbc_sources.h"

#include "platform/ini_profile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>

// Where the driver manager keeps the user's and the system's odbc.ini.
extern "C" {
BOOL _odbcinst_UserINI(char* pszFileName, BOOL bVerify);
BOOL _odbcinst_SystemINI(char* pszFileName, BOOL bVerify);
}

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

QString iniPath(BOOL (*where)(char*, BOOL))
{
    char buffer[4096 + 1] = {};
    if (!where(buffer, 0))
        return {};
    return QString::fromLocal8Bit(buffer);
}

// A site's odbc.ini may hold thousands of data sources: the file is read and its sections
// located once, again only when it changed, and only the lines of the section asked for
// are parsed.
IniProfile sectionOf(const QString& path, const QString& name)
{
    struct Cached {
        QDateTime modified;
        qint64 size = -1;
        QByteArray bytes;
        QHash<QByteArray, QList<std::pair<qsizetype, qsizetype>>> sections;   // lower-cased name -> lines
    };
    static QMutex mutex;
    static QHash<QString, Cached> cache;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return {};
    const QMutexLocker lock(&mutex);
    Cached& c = cache[path];
    if (c.size != info.size() || c.modified != info.lastModified()) {
        QFile file(path);
        c.bytes = file.open(QIODevice::ReadOnly) ? file.read(IniProfile::MaxFileSize) : QByteArray();
        c.size = info.size();
        c.modified = info.lastModified();
        c.sections.clear();
        QList<std::pair<qsizetype, qsizetype>>* current = nullptr;
        for (qsizetype at = 0; at < c.bytes.size();) {
            qsizetype end = c.bytes.indexOf('\n', at);
            if (end < 0)
                end = c.bytes.size();
            qsizetype first = at;
            while (first < end && (c.bytes.at(first) == ' ' || c.bytes.at(first) == '\t'))
                ++first;
            if (first < end && c.bytes.at(first) == '[') {
                const qsizetype close = c.bytes.indexOf(']', first);
                current = close > first && close < end
                    ? &c.sections[c.bytes.mid(first + 1, close - first - 1).trimmed().toLower()]
                    : nullptr;
            }
            if (current)
                current->append({at, end + 1});
            at = end + 1;
        }
    }
    QByteArray slice;
    for (const auto& [from, to] : c.sections.value(name.toLocal8Bit().toLower()))
        slice += c.bytes.mid(from, to - from);
    return IniProfile::fromBytes(slice);
}

bool isListSection(const QString& name)
{
    return name.compare(QLatin1String("ODBC Data Sources"), Qt::CaseInsensitive) == 0;
}
}

QList<OdbcAttribute> odbcDataSourceAttributes(const QString& dataSourceName)
{
    if (!usableName(dataSourceName) || isListSection(dataSourceName))
        return {};
    for (const QString& path : {iniPath(_odbcinst_UserINI), iniPath(_odbcinst_SystemINI)}) {
        const IniProfile profile = sectionOf(path, dataSourceName);
        if (profile.value(dataSourceName, QStringLiteral("Driver")).isEmpty())
            continue;   // as the driver manager, which takes the first file naming a driver
        QList<OdbcAttribute> out;
        for (const QString& key : profile.keys(dataSourceName))
            out.append({key, profile.value(dataSourceName, key)});
        return out;
    }
    return {};
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
    for (const OdbcAttribute& a : odbcDataSourceAttributes(dataSourceName))
        if (a.key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0)
            return a.value;
    return {};
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
