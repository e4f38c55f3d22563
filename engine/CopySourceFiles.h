#pragma once

#include "projects/CopyProjectUnit.h"

#include <QString>

class TExcludeList;
class TOutputSide;
class TRunLog;

// Processes one source pattern of a project: finds the files the mask names (walking
// sub-folders for "**", a wildcard folder component or the SubFolders flag), decides for each
// whether and where it goes, copies it into OutDir on Output, logs one line per decision and
// counts the outcome in Copied, Skipped, Existed and Failed.
//
// OutDir is the project's resolved output folder (tags expanded, no trailing "/" except the
// root; when empty, every file fails with the line of the empty folder); BaseFolder is the folder
// that relative output paths are taken from. An error while one file is handled is logged and
// counted as failed; the walk goes on. So is a folder the walk cannot read and a file or folder
// whose name is not valid UTF-8 ("Unable to read folder|file PATH (REASON)"), once per call.
// Error lines are logged through LogError (each followed by its Error event). A stop asked
// through Thread is looked at before each file and folder; a copy it breaks off is logged as
// "Stopped: SOURCE was not copied." and counted nowhere, and the walk ends there.
// Names appear in the lines as ShownInLog shows them (control characters escaped).
void CopySourceFiles(const QString &ProjectName, const QString &OutDir, const QString &Mask,
                     const QString &BaseFolder, bool SubFolders, bool JunkPath,
                     const TExcludeList *Excludes, bool CopyIfExists,
                     const QString &CopyIfExistsPath, TOverwriteFile Overwrite, TOutputSide &Output,
                     int &Copied, int &Skipped, int &Existed, int &Failed, TRunLog &Thread);

// The folder that the walk of a pattern with this base folder starts from: the base folder up to
// its first component holding a "*" (such a component is walked, not named); the root stays the
// root. A full-path pattern "/data/**/*.log" has the base folder "/data/**" and starts at "/data".
QString WalkStartFolder(const QString &BaseFolder);
