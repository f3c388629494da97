#pragma once
#include <QString>

// Starts a command line detached from this program, without a shell and without a
// window of its own: the line is split into the program and its arguments (blanks
// separate them, double quotes group them). False when nothing could be started.
bool startHidden(const QString& commandLine);
