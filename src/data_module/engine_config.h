#pragma once
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
// {NAME} stands for the value of the parameter line NAME; inside a ConnectionString it is
// put in braces with "}" doubled, so no value can add attributes.
struct OdbcTarget {
    // Either a data source name (with user and password) or a full connection string.
    QString dataSource;
    QString connectionString;
    QString userName;
    QString password;
    int loginTimeoutSeconds = 15;
    // SQLite has no users, and its driver reads attributes without honouring braces:
    // user and password are not sent to it.
    bool sendCredentials = true;

    // What QODBC is given as its database name for a data source: Qt puts "DSN=" in
    // front; user and password follow braced. Throws for a name that could add attributes.
    QString dataSourceText() const;
};

class EngineConfig {
public:
    // Reads engine.ini from the program's directory (missing file = built-in defaults only).
    static EngineConfig load();
    // From a text in the format above.
    static EngineConfig fromText(const QString& text);

    // Throws DatabaseError for a driver or alias that cannot be resolved.
    OdbcTarget resolve(const QString& driverName, const QStringList& params) const;

    // The control registration's program with any leading arguments of its own (blanks
    // separate, double quotes group); "regsvr32" from the PATH unless [engine] names another.
    QString registerCommand() const { return m_registerCommand; }

    static QString paramValue(const QStringList& params, const QString& name);
    // Braced ODBC attribute value: x}y -> {x}}y}.
    static QString braced(const QString& value);

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
