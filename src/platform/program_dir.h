#pragma once
#include <QString>

// The folder that holds jwcw.ini, the automatic-start file, the maintenance settings
// file and the engine settings file: $VOSTREL_HOME when set, else the executable's folder.
QString programDirectory();
// programDirectory() joined with a bare file name.
QString programFile(const QString& fileName);
