#include "platform/program_dir.h"

#include <QCoreApplication>
#include <QDir>

QString programDirectory()
{
    const QString home = qEnvironmentVariable("VOSTREL_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString programFile(const QString& fileName)
{
    return QDir(programDirectory()).filePath(fileName);
}
