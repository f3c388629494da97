#include "data_module/working_tables.h"

QString numericDataType(DbKind databaseKind)
{
    return databaseKind == DbKind::Db2Oracle ? QStringLiteral("float") : QStringLiteral("u001");
}

const QStringList& workingTableBases()
{
    static const QStringList bases{QStringLiteral("HZD"), QStringLiteral("LZD"), QStringLiteral("DYZD"),
        QStringLiteral("DWSJ"), QStringLiteral("HZSJ"), QStringLiteral("BBZD")};
    return bases;
}

QString workingRolePrefix(WorkingRole role)
{
    switch (role) {
    case WorkingRole::Cleaned:
        return QStringLiteral("opti");
    case WorkingRole::Review:
        return QStringLiteral("dirty");
    case WorkingRole::Count:
        return QStringLiteral("hav");
    case WorkingRole::Range:
        return QStringLiteral("range");
    case WorkingRole::Staging:
        return QStringLiteral("old");
    }
    return {};
}

QString workingTableName(WorkingRole role, const QString& base) { return workingRolePrefix(role) + base; }

const QStringList& workingTableRoles()
{
    static const QStringList roles{workingRolePrefix(WorkingRole::Cleaned), workingRolePrefix(WorkingRole::Review),
        workingRolePrefix(WorkingRole::Count), workingRolePrefix(WorkingRole::Range),
        workingRolePrefix(WorkingRole::Staging)};
    return roles;
}

QStringList workingTableNames()
{
    QStringList names;
    for (const QString& role : workingTableRoles())
        for (const QString& base : workingTableBases())
            names.append(role + base);
    return names;
}

QList<ColumnDef> reportColumns(const QString& base, DbKind databaseKind)
{
    const QString v8 = QStringLiteral("varchar(8)");
    const QString v9 = QStringLiteral("varchar(9)");
    const QString v11 = QStringLiteral("varchar(11)");
    const QString v1 = QStringLiteral("varchar(1)");
    const QString v255 = QStringLiteral("varchar(255)");
    const QString i = QStringLiteral("int");
    const QString data = numericDataType(databaseKind);

    if (base == QLatin1String("HZD"))
        return {{"BBZD_BH", v8}, {"BBZD_DATE", v8}, {"HZD_ORDE", v9}, {"HZD_ZB", i}, {"BZBM_BM", v11}};
    if (base == QLatin1String("LZD"))
        return {{"BBZD_BH", v8}, {"BBZD_DATE", v8}, {"LZD_ORDE", v9}, {"LZD_ZB", i}, {"BZBM_BM", v11},
            {"LZD_MC", QStringLiteral("varchar(60)")}, {"LZD_SZ", v1}, {"LZD_HZ", v1}, {"LZD_TZ", v1},
            {"LZD_XM", v1}};
    if (base == QLatin1String("DYZD"))
        return {{"BBZD_BH", v8}, {"BBZD_DATE", v8}, {"DYZD_ORDE", v9}, {"HZD_ORDE", v9}, {"LZD_ORDE", v9},
            {"H_BZBM", v11}, {"L_BZBM", v11}, {"DYZD_LX", v1}, {"DYZD_DEC", i}, {"DYZD_SJ", v255},
            {"DYZD_DATA", data}, {"DYZD_SFTZ", v1}, {"DYZD_SFBH", v1}, {"DYZD_HOFFSET", i},
            {"DYZD_LOFFSET", i}, {"DYZD_GSX", v255}, {"DYZD_GSX1", v255}, {"DYZD_GSBZ", v1},
            {"DYZD_GSJB", i}};
    if (base == QLatin1String("DWSJ") || base == QLatin1String("HZSJ")) {
        QList<ColumnDef> cols;
        if (base == QLatin1String("DWSJ"))
            cols.append({"DWZD_BH", QStringLiteral("varchar(4)")});
        else
            cols.append({"LBZD_BH", v8});
        cols += QList<ColumnDef>{{"BBZD_BH", v8}, {"BBZD_DATE", v8}, {"HZD_ORDE", v9}, {"LZD_ORDE", v9},
            {"H_BZBM", v11}, {"L_BZBM", v11}, {"DYZD_SJ", QStringLiteral("varchar(128)")}, {"DYZD_DATA", data}};
        return cols;
    }
    if (base == QLatin1String("BBZD"))
        return {{"BBZD_BH", v8}, {"BBZD_DATE", v8}, {"BBZD_MC", QStringLiteral("varchar(60)")},
            {"BBZD_TITLE", i}, {"BBZD_HEAD", i}, {"BBZD_BT", i}, {"BBZD_HS", i}, {"BBZD_LS", i}};
    return {};
}

QString createWorkingTableStatement(const QString& role, const QString& base, DbKind databaseKind)
{
    QStringList cols;
    for (const ColumnDef& c : reportColumns(base, databaseKind))
        cols.append(c.name + QLatin1Char(' ') + c.type + QStringLiteral(" null"));
    return QStringLiteral("create table ") + role + base + QStringLiteral(" (") + cols.join(QStringLiteral(", "))
        + QLatin1Char(')');
}

QStringList workingIndexColumns(const QString& role, const QString& base)
{
    // The count and key-range tables are only read whole or joined as the smaller side: an
    // index on them would lead SQLite to read the report table whole and probe them, where
    // it otherwise walks them and seeks the report table's key index.
    if (role == QLatin1String("old") || role == QLatin1String("hav") || role == QLatin1String("range")
        || base == QLatin1String("BBZD"))
        return {};
    QStringList cols{QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE")};
    if (base == QLatin1String("HZD"))
        cols << QStringLiteral("HZD_ORDE");
    else if (base == QLatin1String("LZD"))
        cols << QStringLiteral("LZD_ORDE");
    else if (base == QLatin1String("DYZD"))
        cols << QStringLiteral("HZD_ORDE") << QStringLiteral("LZD_ORDE");
    else if (base == QLatin1String("DWSJ"))
        cols << QStringLiteral("HZD_ORDE") << QStringLiteral("LZD_ORDE") << QStringLiteral("DWZD_BH");
    else if (base == QLatin1String("HZSJ"))
        cols << QStringLiteral("HZD_ORDE") << QStringLiteral("LZD_ORDE") << QStringLiteral("LBZD_BH");
    else
        return {};
    return cols;
}

QString workingIndexName(const QString& role, const QString& base)
{
    return QStringLiteral("IX_") + role + base;
}

QString createWorkingIndexStatement(const QString& role, const QString& base, DbKind databaseKind)
{
    const QStringList cols = workingIndexColumns(role, base);
    if (cols.isEmpty())
        return {};
    const QString table = role + base;
    const QString list = QLatin1Char('(') + cols.join(QLatin1Char(',')) + QLatin1Char(')');
    switch (databaseKind) {
    case DbKind::Sybase:
    case DbKind::SqlServer:
        // Heap tables: a nonclustered index leaves the rows where the inserts put them.
        return QStringLiteral("create nonclustered index ") + workingIndexName(role, base) + QStringLiteral(" on ")
            + table + list;
    case DbKind::Anywhere:
    case DbKind::Db2Oracle:
        break;
    }
    return QStringLiteral("create index ") + workingIndexName(role, base) + QStringLiteral(" on ") + table + list;
}
