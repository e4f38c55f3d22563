#pragma once

#include "engine/RunProject.h"
#include "projects/CopyProjectUnit.h"

#include <QString>

#include <vector>

class TFTPConnList;
class TRunLog;

// The two run loops, working on the run's own copies of the projects and connections (see
// RunSnapshot.h), so that edits made while a run goes on neither change nor break it.

// "Copy Files": runs every checked project of VisibleProjects (the visible projects in display
// order) with OutDir as read once at the start of the run. An error escaping a project is
// logged and ends the loop. Logs "Completed." at the end; a stop asked for through the run log
// ends the run after the project in progress with "Stopped." instead. With Totals, the counts
// of every project's summary line are added to it.
// With Preview the run writes nothing (see RunProject) and its first line says so: "Preview:
// nothing is written.".
void CopyFiles(const std::vector<TCopyProject> &VisibleProjects, const QString &OutDir,
               TFTPConnList &Connections, TRunLog &Thread, TRunTotals *Totals = nullptr,
               bool Preview = false);

// A run by names: ProjectName holds names separated by "," (not trimmed; a trailing "," adds
// no name, ",," an empty one). Each is looked up in Projects (all projects in list order,
// exact name) and run. Returns false when a name is not found, a project's connection is
// missing or fails, a source folder is missing, or an error escapes a project; failed files do
// not count (they are in Totals: with Totals, the counts of every project's summary line are
// added to it). Logs "Completed." at the end, or "Stopped." as CopyFiles does (the result is
// then false).
bool StartProject(const QString &ProjectName, const std::vector<TCopyProject> &Projects,
                  const QString &OutDir, TFTPConnList &Connections, TRunLog &Thread,
                  TRunTotals *Totals = nullptr, bool Preview = false);
