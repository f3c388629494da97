#include "maintenance/maintenance_settings.h"

#include "platform/ini_profile.h"
#include "platform/program_dir.h"

namespace {
int countPrefix(const QStringList& sections, const QString& prefix)
{
    int n = 0;
    for (const QString& name : sections)
        if (name.left(prefix.size()) == prefix)
            ++n;
    return n;
}

QList<TIndexInfo> readIndexes(const IniProfile& file, const QString& prefix, int count)
{
    QList<TIndexInfo> list;
    list.reserve(count);
    for (int k = 1; k <= count; ++k) {
        const QString section = prefix + QString::number(k);
        list.append({file.value(section, QStringLiteral("IndexType")), file.value(section, QStringLiteral("IndexName")),
            file.value(section, QStringLiteral("TableName")), file.value(section, QStringLiteral("Columns"))});
    }
    return list;
}

QList<TDefaultInfo> readDefaults(const IniProfile& file, const QString& prefix, int count)
{
    QList<TDefaultInfo> list;
    list.reserve(count);
    for (int k = 1; k <= count; ++k) {
        const QString section = prefix + QString::number(k);
        list.append({file.value(section, QStringLiteral("TableName")), file.value(section, QStringLiteral("Column")),
            file.value(section, QStringLiteral("DefVal"))});
    }
    return list;
}
}

QString maintenanceSettingsPath()
{
    return programFile(QStringLiteral("Kolvarin.ini"));
}

IndexLists ReadIndexLists()
{
    return ReadIndexLists(IniProfile::load(maintenanceSettingsPath()));
}

IndexLists ReadIndexLists(const IniProfile& file)
{
    const QStringList sections = file.sections();
    const QString bb = QStringLiteral("BB");
    const QString hz = QStringLiteral("HZ");
    return {readIndexes(file, bb, countPrefix(sections, bb)), readIndexes(file, hz, countPrefix(sections, hz))};
}

DefaultLists ReadDefaultLists()
{
    return ReadDefaultLists(IniProfile::load(maintenanceSettingsPath()));
}

DefaultLists ReadDefaultLists(const IniProfile& file)
{
    const QStringList sections = file.sections();
    const QString bb = QStringLiteral("DefBB");
    const QString hz = QStringLiteral("DefHZ");
    return {readDefaults(file, bb, countPrefix(sections, bb)), readDefaults(file, hz, countPrefix(sections, hz))};
}

QStringList ReadControlNames()
{
    return ReadControlNames(IniProfile::load(maintenanceSettingsPath()));
}

QStringList ReadControlNames(const IniProfile& file)
{
    const QString prefix = QStringLiteral("OCX");
    const int count = countPrefix(file.sections(), prefix);
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names << file.value(prefix + QString::number(k), QStringLiteral("OCXName"), QStringLiteral("TTF16.ocx"));
    return names;
}
