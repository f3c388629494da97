#pragma once
#include "platform/odbc_sources.h"

#include <QString>
#include <QStringList>

// How a driver name and parameter lines become an ODBC connection. Built-in defaults
// for every driver the account-set settings name; a site overrides them, or defines
// an alias such as "cwbase3", in the engine settings file "engine.ini" of the program's
// directory:
//
//   [MSSQL]
//   ConnectionString=DRIVER={FreeTDS};SERVER={SERVER NAME};DATABASE={DATABASE NAME};UID={USER NAME};PWD={PASSWORD}
//   [cwbase3]
//   DataSource=cwbase3
//   Credentials=yes
//   [engine]
//   LoginTimeout=15
//   RegisterCommand=regsvr32
//
// {NAME} stands for the value of the parameter line NAME. A plain value goes as it is, so
// that every driver reads it; a value holding ";", "{", "}" or "=" or beginning or ending
// with a blank is put in braces with "}" doubled, so that it cannot add attributes. A driver
// known not to read braces gets no such value at all: the connection is refused.

// How the driver behind a connection reads attribute values, known by its library.
struct DriverTraits {
    bool bracesHonoured = true;   // {...} is one value, "}}" a brace in it
    bool hasUsers = true;         // user and password mean something to it
};
// The traits of a driver library (its file name, symbolic links followed); a driver name
// stands in when the library is not known.
DriverTraits driverTraits(const QString& library, const QString& driverName = {});

struct OdbcTarget {
    // Either a data source name (with user and password) or a full connection string.
    QString dataSource;
    QString connectionString;
    QString userName;
    QString password;
    int loginTimeoutSeconds = 15;
    // SQLite has no users: user and password are not sent to it.
    bool sendCredentials = true;
    // The driver library behind the data source or the connection string (empty when the
    // driver manager does not name one) and how it reads values.
    QString driverLibrary;
    bool bracesHonoured = true;
    // The data source's section of odbc.ini. Sent in place of its name, so that neither the
    // driver manager nor the driver reads odbc.ini again for each of its keys (a site's file
    // may hold thousands of data sources); the name is sent when a value could not go as it
    // stands.
    QList<OdbcAttribute> dataSourceAttributes;

    // What QODBC is given as its database name for a data source: the section's attributes
    // with its DRIVER=, or the name (Qt puts "DSN=" in front); user and password follow.
    // Throws for a name or a value that could add attributes.
    QString dataSourceText() const;

private:
    QString inlineAttributes() const;
};

class EngineConfig {
public:
    // Reads engine.ini from the program's directory (missing file = built-in defaults only).
    static EngineConfig load();
    // From a text in the format above.
    static EngineConfig fromText(const QString& text);

    // Throws DatabaseError for a driver or alias that cannot be resolved, and for a value
    // that the driver behind it would read as further attributes.
    OdbcTarget resolve(const QString& driverName, const QStringList& params) const;

    // The control registration's program with any leading arguments of its own (blanks
    // separate, double quotes group); "regsvr32" from the PATH unless [engine] names another.
    QString registerCommand() const { return m_registerCommand; }

    static QString paramValue(const QStringList& params, const QString& name);
    // Braced ODBC attribute value: x}y -> {x}}y}.
    static QString braced(const QString& value);
    // A value that must be braced to stay one value: ";", "{", "}", "=", edge blanks.
    static bool needsQuoting(const QString& value);
    // The value as an attribute value: plain, braced, or (for a driver that does not read
    // braces) refused with a DatabaseError naming the parameter.
    static QString attributeValue(const QString& value, bool bracesHonoured, const QString& parameter);

private:
    struct Entry {
        QString section;
        QString dataSource;
        QString connectionString;
        QString credentials;
    };
    const Entry* find(const QString& name) const;
    QList<Entry> m_entries;
    int m_loginTimeout = 15;
    QString m_registerCommand = QStringLiteral("regsvr32");
};
