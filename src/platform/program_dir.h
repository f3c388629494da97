#pragma once
#include <QString>

// The folder that holds jwcw.ini, the automatic-start file, the maintenance settings
// file and the engine settings file (see settingsFolder), taken from the environment:
// $VOSTREL_HOME, the executable's folder, $XDG_CONFIG_HOME and the user's home folder.
QString programDirectory();
// programDirectory() joined with a bare file name.
QString programFile(const QString& fileName);

// What the settings folder is chosen from.
struct ProgramPlaces {
    QString home;           // $VOSTREL_HOME, empty when unset
    QString executableDir;  // the folder of the running executable
    QString configHome;     // $XDG_CONFIG_HOME, empty when unset
    QString userHome;       // the user's home folder
};

// The folder name of the program under the desktop's per-user settings folder, and the
// desktop entry whose presence marks an installed copy.
inline constexpr char InstalledName[] = "vostrel-optimizer";

// An installed executable: its folder is <prefix>/bin, <prefix>/share/applications holds
// vostrel-optimizer.desktop (put there by the install), and no jwcw.ini lies beside the
// executable. A build folder has no desktop entry; a site that keeps its files beside an
// installed copy has its jwcw.ini there.
bool isInstalledExecutableDir(const QString& executableDir);

// The desktop's per-user settings folder of the program: $XDG_CONFIG_HOME/vostrel-optimizer
// when that is an absolute path, else <user home>/.config/vostrel-optimizer.
QString userSettingsFolder(const QString& configHome, const QString& userHome);

// $VOSTREL_HOME when set (made absolute); else the per-user folder for an installed
// executable; else the executable's folder (a build folder or a site folder).
QString settingsFolder(const ProgramPlaces& places);
