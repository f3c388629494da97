#include "cleanup/data_classes.h"

const std::array<DataClass, 5>& allDataClasses()
{
    const QString number = QStringLiteral("BBZD_BH"), date = QStringLiteral("BBZD_DATE");
    const QString row = QStringLiteral("HZD_ORDE"), column = QStringLiteral("LZD_ORDE");
    static const std::array<DataClass, 5> classes{{
        {.id = DataClassId::HZD, .base = QStringLiteral("HZD"), .className = QStringLiteral("行字典"),
            .initialLabel = QStringLiteral("检查行字典数据"), .keyColumns = {number, date, row},
            .countColumn = QStringLiteral("HZD_ZB"), .indexSuffix = QStringLiteral("_ORDE"),
            .reportName = &TableNameSet::HZDName, .baseName = &TableNameSet::HZDBase, .summaryOnly = false},
        {.id = DataClassId::LZD, .base = QStringLiteral("LZD"), .className = QStringLiteral("列字典"),
            .initialLabel = QStringLiteral("检查列字典数据"), .keyColumns = {number, date, column},
            .countColumn = QStringLiteral("LZD_ZB"), .indexSuffix = QStringLiteral("_ORDE"),
            .reportName = &TableNameSet::LZDName, .baseName = &TableNameSet::LZDBase, .summaryOnly = false},
        {.id = DataClassId::DYZD, .base = QStringLiteral("DYZD"), .className = QStringLiteral("单元字典"),
            .initialLabel = QStringLiteral("检查单元字典数据"), .keyColumns = {number, date, row, column},
            .countColumn = QStringLiteral("DYZD_DATA"), .indexSuffix = QStringLiteral("_HL"),
            .reportName = &TableNameSet::DYZDName, .baseName = &TableNameSet::DYZDBase, .summaryOnly = false},
        {.id = DataClassId::DWSJ, .base = QStringLiteral("DWSJ"), .className = QStringLiteral("单位数据"),
            .initialLabel = QStringLiteral("检查单位数据"),
            .keyColumns = {QStringLiteral("DWZD_BH"), number, date, row, column},
            .countColumn = QStringLiteral("DYZD_DATA"), .indexSuffix = {},
            .reportName = &TableNameSet::DWSJName, .baseName = &TableNameSet::DWSJBase, .summaryOnly = true},
        {.id = DataClassId::HZSJ, .base = QStringLiteral("HZSJ"), .className = QStringLiteral("汇总数据"),
            .initialLabel = QStringLiteral("检查汇总数据"),
            .keyColumns = {QStringLiteral("LBZD_BH"), number, date, row, column},
            .countColumn = QStringLiteral("DYZD_DATA"), .indexSuffix = {},
            .reportName = &TableNameSet::HZSJName, .baseName = &TableNameSet::HZSJBase, .summaryOnly = true},
    }};
    return classes;
}

const DataClass& dataClass(DataClassId id)
{
    return allDataClasses().at(static_cast<size_t>(static_cast<int>(id) - 1));
}

QList<const DataClass*> dataClassesOf(ReportSystem system)
{
    QList<const DataClass*> list;
    for (const DataClass& c : allDataClasses())
        if (c.belongsTo(system))
            list.append(&c);
    return list;
}

bool isSummarySystem(const QString& systemSelector)
{
    return systemOfSelector(systemSelector) == ReportSystem::Summary;
}

QList<const DataClass*> dataClassesOf(const QString& systemSelector)
{
    return dataClassesOf(systemOfSelector(systemSelector));
}

QString DataClass::indexName(const TableNameSet& names) const
{
    return QStringLiteral("NDX_") + baseTable(names) + indexSuffix + names.YearSuffix;
}
