#pragma once
#include <QList>
#include <QString>

// One ODBC data source as the driver manager lists it.
struct OdbcDataSource {
    QString name;
    QString driver;   // the driver's description, as registered for the data source
    bool system = false;
};

// The data sources of the driver manager: the user's first, then the system ones.
QList<OdbcDataSource> odbcDataSources();

// One attribute of a data source's section in odbc.ini.
struct OdbcAttribute {
    QString key;
    QString value;
};
// The section of a data source as the driver manager finds it when it connects: the
// user's odbc.ini first, then the system one, names compared without regard to case, the
// file read once while it stays unchanged. Empty when the data source is not there.
QList<OdbcAttribute> odbcDataSourceAttributes(const QString& dataSourceName);

// The driver of a data source: its "Driver=" in the user's odbc.ini, else in the system
// one, looked up directly as the driver manager does when it connects (names compared
// without regard to case). An odbcinst.ini section name or a library path; empty when
// the data source is not there.
QString odbcDriverOf(const QString& dataSourceName);

// The driver library the driver manager loads for a driver: the value itself when it is a
// path, else the "Driver64=" or "Driver=" of that odbcinst.ini section. Empty when the
// section does not name one.
QString odbcDriverLibrary(const QString& driver);
// The same for the driver behind a data source.
QString odbcDataSourceLibrary(const QString& dataSourceName);
