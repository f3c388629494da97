#include "platform/host.h"

#include <QSysInfo>

QString computerName() { return QSysInfo::machineHostName(); }
