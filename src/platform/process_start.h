#pragma once
#include <QString>
#include <QStringList>

// Starts a command line detached from this program, without a shell and without a
// window of its own: the line is split into the program and its arguments (blanks
// separate them, double quotes group them). False when nothing could be started.
bool startHidden(const QString& commandLine);
// Starts program with these arguments, each passed as it is (no splitting, no shell),
// detached and without a window. False when the program could not be started.
bool startHidden(const QString& program, const QStringList& arguments);
