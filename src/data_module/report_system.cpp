#include "data_module/report_system.h"

QString systemPrefix(ReportSystem system)
{
    return system == ReportSystem::Summary ? QStringLiteral("HZ") : QStringLiteral("KR");
}

QString systemSelector(ReportSystem system)
{
    return system == ReportSystem::Summary ? QStringLiteral("HZ") : QStringLiteral("BB");
}

QString systemCaption(ReportSystem system)
{
    return system == ReportSystem::Summary ? QStringLiteral("报表汇总") : QStringLiteral("报表管理");
}

ReportSystem systemOfSelector(const QString& selector)
{
    return selector == u"HZ" ? ReportSystem::Summary : ReportSystem::Management;
}

QString reportTableName(ReportSystem system, const QString& base, const QString& yearSuffix)
{
    return systemPrefix(system) + base + yearSuffix;
}

TableNameSet tableNamesFor(ReportSystem system, DbKind kind, const QString& yearSuffix)
{
    const bool summary = system == ReportSystem::Summary;
    const QString prefix = systemPrefix(system);
    TableNameSet t;
    t.BBZDName = prefix + QStringLiteral("BBZD");
    t.FormatName = prefix + (kind == DbKind::SqlServer || kind == DbKind::Db2Oracle ? QStringLiteral("BBZD")
                                                                                    : QStringLiteral("BBGS"));
    t.HZDName = prefix + QStringLiteral("HZD");
    t.LZDName = prefix + QStringLiteral("LZD");
    t.DYZDName = prefix + QStringLiteral("DYZD");
    if (summary) {
        t.DWSJName = QStringLiteral("HZDWSJ");
        t.HZSJName = QStringLiteral("HZHZSJ");
        t.DWZDName = QStringLiteral("HZDWZD");
        t.LBZDName = QStringLiteral("HZLBZD");
    }
    t.HZDBase = t.HZDName;
    t.LZDBase = t.LZDName;
    t.DYZDBase = t.DYZDName;
    t.DWSJBase = t.DWSJName;
    t.HZSJBase = t.HZSJName;
    if (!yearSuffix.isEmpty()) {
        for (QString* name : {&t.BBZDName, &t.FormatName, &t.HZDName, &t.LZDName, &t.DYZDName, &t.DWSJName,
                 &t.HZSJName, &t.DWZDName, &t.LBZDName})
            if (!name->isEmpty())
                *name += yearSuffix;
    }
    t.YearSuffix = yearSuffix;
    return t;
}

void FillTableNames(ConnectionState& state, const QString& selector)
{
    const ReportSystem system = systemOfSelector(selector);
    state.TableNames = tableNamesFor(system, state.DatabaseKind);
    state.SystemSelector = systemSelector(system);
}
