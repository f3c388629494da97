#include "cleanup/data_classes.h"

const std::array<DataClass, 5>& allDataClasses()
{
    static const std::array<DataClass, 5> classes{{
        {DataClassId::HZD, QStringLiteral("HZD"), QStringLiteral("行字典"), QStringLiteral("检查行字典数据"),
            {QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE"), QStringLiteral("HZD_ORDE")},
            QStringLiteral("HZD_ZB"), QStringLiteral("_ORDE")},
        {DataClassId::LZD, QStringLiteral("LZD"), QStringLiteral("列字典"), QStringLiteral("检查列字典数据"),
            {QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE"), QStringLiteral("LZD_ORDE")},
            QStringLiteral("LZD_ZB"), QStringLiteral("_ORDE")},
        {DataClassId::DYZD, QStringLiteral("DYZD"), QStringLiteral("单元字典"), QStringLiteral("检查单元字典数据"),
            {QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE"), QStringLiteral("HZD_ORDE"),
                QStringLiteral("LZD_ORDE")},
            QStringLiteral("DYZD_DATA"), QStringLiteral("_HL")},
        {DataClassId::DWSJ, QStringLiteral("DWSJ"), QStringLiteral("单位数据"), QStringLiteral("检查单位数据"),
            {QStringLiteral("DWZD_BH"), QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE"),
                QStringLiteral("HZD_ORDE"), QStringLiteral("LZD_ORDE")},
            QStringLiteral("DYZD_DATA"), QString()},
        {DataClassId::HZSJ, QStringLiteral("HZSJ"), QStringLiteral("汇总数据"), QStringLiteral("检查汇总数据"),
            {QStringLiteral("LBZD_BH"), QStringLiteral("BBZD_BH"), QStringLiteral("BBZD_DATE"),
                QStringLiteral("HZD_ORDE"), QStringLiteral("LZD_ORDE")},
            QStringLiteral("DYZD_DATA"), QString()},
    }};
    return classes;
}

const DataClass& dataClass(DataClassId id)
{
    return allDataClasses().at(static_cast<size_t>(static_cast<int>(id) - 1));
}

bool isSummarySystem(const QString& systemSelector)
{
    return systemSelector == QLatin1String("HZ");
}

QList<const DataClass*> dataClassesOf(const QString& systemSelector)
{
    QList<const DataClass*> list;
    const int n = isSummarySystem(systemSelector) ? 5 : 3;
    for (int i = 0; i < n; ++i)
        list.append(&allDataClasses().at(static_cast<size_t>(i)));
    return list;
}

QString DataClass::reportTable(const TableNameSet& names) const
{
    return names.entry(2 + index());   // HZDName .. HZSJName
}

QString DataClass::baseTable(const TableNameSet& names) const
{
    return names.entry(10 + index());  // HZDBase .. HZSJBase
}

QString DataClass::indexName(const TableNameSet& names) const
{
    return QStringLiteral("NDX_") + baseTable(names) + indexSuffix + names.YearSuffix;
}
