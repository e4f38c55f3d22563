#pragma once

#include "runlog/RunEvent.h"

#include <QString>

class TCopyProject;
class TFTPConnList;
class TRunLog;

// Executes one project: connects its FTP session when it names a connection of Connections
// (the run's own copy of the saved connections), checks that the folders its patterns start
// from exist (the source folder, and the own folder of a full-path pattern), resolves the
// output folder, builds the exclude list, processes every source pattern and logs the summary
// line. Returns false when the connection is missing or cannot be opened, or when a source
// folder is missing or not a folder (each logged as "Source folder "<folder>" not found."):
// nothing copied, no summary line. True otherwise, also when files failed. With Totals, the
// counts of the summary line are added to it. Errors outside the
// handling of single files reach the caller. Tells ProjectStarted first and ProjectEnded last
// (also when an error leaves).
// With Preview, every decision is taken and logged as in a real run but nothing is written:
// no folder made, no file copied, nothing sent to a server but logging in, changing folders and
// listing them (see TPreviewOutput).
bool RunProject(const TCopyProject &Project, const QString &OutDir, TFTPConnList &Connections,
                TRunLog &Thread, TRunTotals *Totals = nullptr, bool Preview = false);
