#pragma once

#include <QString>

// The program's settings file and the keys of its top level, shared by the desktop program and
// rovanel-cli.
inline const QString SettingsFileName = QStringLiteral("rv.ini");
inline const QString SettingsSubFolder = QStringLiteral("Rovanel");

inline const QString ProjectsPrefix = QStringLiteral("CopyProjects");
inline const QString ConnectionsPrefix = QStringLiteral("FTPConn");
inline const QString GroupFilterKey = QStringLiteral("GroupFilter");
inline const QString OutDirKey = QStringLiteral("OutDir");
// Read, never written: "1" is handed to the project list's load.
inline const QString ReplaceNewerKey = QStringLiteral("ReplaceNewer");

// The settings file's path. For reading, a first start in the per-user mode copies the
// settings file found in the program's folder into the new per-user folder.
QString ProgramSettingsPath(bool ForReading);
