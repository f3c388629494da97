#pragma once
#include <QString>

// The local computer's name (the host name).
QString computerName();
