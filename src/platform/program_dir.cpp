#include "platform/program_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool isInstalledExecutableDir(const QString& executableDir)
{
    const QDir bin(executableDir);
    if (bin.dirName() != QLatin1String("bin") || QFileInfo::exists(bin.filePath(QStringLiteral("jwcw.ini"))))
        return false;
    const QString entry = QStringLiteral("../share/applications/%1.desktop").arg(QLatin1String(InstalledName));
    return QFileInfo(bin.filePath(entry)).isFile();
}

QString userSettingsFolder(const QString& configHome, const QString& userHome)
{
    // The desktop convention ignores a relative XDG_CONFIG_HOME.
    const QString base = !configHome.isEmpty() && QDir::isAbsolutePath(configHome)
        ? configHome
        : QDir(userHome).filePath(QStringLiteral(".config"));
    return QDir::cleanPath(QDir(base).filePath(QLatin1String(InstalledName)));
}

QString settingsFolder(const ProgramPlaces& places)
{
    if (!places.home.isEmpty())
        return QDir(places.home).absolutePath();
    if (isInstalledExecutableDir(places.executableDir))
        return userSettingsFolder(places.configHome, places.userHome);
    return places.executableDir;
}

QString programDirectory()
{
    return settingsFolder({
        .home = qEnvironmentVariable("VOSTREL_HOME"),
        .executableDir = QCoreApplication::applicationDirPath(),
        .configHome = qEnvironmentVariable("XDG_CONFIG_HOME"),
        .userHome = QDir::homePath(),
    });
}

QString programFile(const QString& fileName)
{
    return QDir(programDirectory()).filePath(fileName);
}
