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
// The driver of a data source (names compared without regard to case; the user's data
// source wins over a system one of the same name); empty when it is not listed.
QString odbcDriverOf(const QString& dataSourceName);
