#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Where the settings file lives. The decision is process-wide and made once, on the first
// location call, from the command-line options (compared exactly):
//   -appsettingsdir        the program's folder
//   -usersettingsdir       the per-user folder ($XDG_CONFIG_HOME, else ~/.config, + sub-folder)
//   -settingsdir FOLDER    FOLDER, used as given (never created)
//   -config FILE           FILE as the settings file name; switches the per-user mode to the
//                          program's folder; a FILE beginning with "/" is used unchanged
// Option values keep their first 260 characters; an option without its value is ignored.
enum TSettingsDirMode : uint8_t {
    sdmNone = 0,
    sdmAppDir = 1,
    sdmSettingsDir = 2,
    sdmUserDir = 255,
};

// The settings folder. In the per-user mode the folder is created when missing, and the files
// matching ConfigFiles (";"-separated wildcards) in the program's folder are copied into it on
// that occasion only. Falls back to the program's folder whenever the per-user folder cannot be
// found or created, or SubFolder is empty.
QString GetAppDataDir(const QString &SubFolder, const QString &ConfigFiles);
// The settings file's path: the -config value or DefAppConfigFile, under AppDataDir (or the
// -settingsdir folder when AppDataDir is empty).
QString GetAppConfigPath(const QString &DefAppConfigFile, const QString &AppDataDir);
// The mode used when no option decides; effective only before the first location call.
void SetDefAppSettingsDir(TSettingsDirMode Value);

// The decided mode (sdmNone before the first location call).
TSettingsDirMode SettingsDirMode();

// The location options, in the order above: those without a value, then those with one.
QStringList SettingsLocationFlags();
QStringList SettingsLocationValueOptions();

// Forgets every decision and takes the options from Arguments (without the program name) and
// the program's folder from ProgramFolder instead of the running process; the default mode
// becomes sdmUserDir again. For start-up code that parsed its own command line, and for tests.
void ResetSettingsLocation(const QStringList &Arguments, const QString &ProgramFolder);
