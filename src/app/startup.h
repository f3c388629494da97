#pragma once
#include "app/main_form.h"

#include <QString>
#include <QStringList>
#include <functional>

class TEndYearDataMod;
class VostrelApplication;

// The command-line argument "user code,password", split at the first comma; without a
// comma the whole argument is the password. Nothing is trimmed.
struct LoginArgument {
    QString userCode;
    QString password;
};
LoginArgument splitLoginArgument(const QString& argument);

// How start-up reaches a connection.
struct StartupSteps {
    // AutoConnect: an empty text on success.
    std::function<QString(const QString& userCode, const QString& password)> autoConnect;
    // Shows the login window modally: true when it closed with OK.
    std::function<bool()> login;
};

// Decides from the arguments after the program name whether the main loop runs:
// none -> login window; one -> automatic connection, falling back silently to the login
// window; two or more -> nothing, the program ends.
bool ConnectAtStart(const QStringList& arguments, const StartupSteps& steps);

// The text of the box a second start shows.
inline constexpr char16_t AlreadyRunning[] = u"系统已运行!";

class SingleInstanceGuard;
// The single-instance test: when another instance holds the guard, shows "系统已运行!"
// (captioned with the application title) and returns true: this start must end.
bool refuseSecondStart(SingleInstanceGuard& guard);

class QWidget;
// Calls done once, from the event loop, when window is visible and exposed on the screen.
void whenShown(QWidget& window, std::function<void()> done);

// Check hook of an unpacked or installed copy (scripts/package-check): with the environment
// variable VOSTREL_QUIT_WHEN_SHOWN set, the program prints QuitWhenShownLine on standard
// output once the main window is shown and ends with exit code 0.
inline constexpr char QuitWhenShownLine[] = "vostrel-optimizer: main window shown";

// The whole start: title, single-instance test, main window and data module, the
// connection, then the main loop. buildTable gives the main window's dispatch table.
int RunProgram(VostrelApplication& app, const std::function<DispatchTable(TEndYearDataMod&)>& buildTable);

// The data module, created once at start-up.
extern TEndYearDataMod* EndYearDataMod;
