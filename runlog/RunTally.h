#pragma once

#include "runlog/RunEvent.h"

#include <QString>
#include <QtGlobal>

// What a run has done so far, counted from its events: the progress area shows it while the
// run goes on, and the status area sums it up at the end.
struct TRunTally
{
    QString Project;
    // The project in progress counted from 1, of Projects (0 while unknown).
    int ProjectNumber = 0;
    int Projects = 0;
    int ProjectsEnded = 0;
    int Copied = 0;
    int Replaced = 0;
    int Existed = 0;
    int Skipped = 0;
    int Failed = 0;
    // Error lines of the log, whether or not they end a file.
    int Errors = 0;
    qint64 Bytes = 0;

    // Counts one event; true when anything shown of the tally changes.
    bool Count(const TRunEvent &Event);
};

// How a run ended, for its summary.
enum class TRunEnd {
    Done,
    Stopped,
    Preview,
};

// "20,000": counts grouped in thousands, as the window and the console show them.
QString CountText(qint64 Count);
// "31.2 MB" (powers of 1000), "512 bytes".
QString ByteText(qint64 Bytes);
// "0.6 s", "31 s", "2 min 5 s", "1 h 4 min".
QString DurationText(qint64 Milliseconds);
// The status line at the end of a run, e.g. "Done in 31 s: 20,000 copied, 0 failed"; a run
// with error lines ends with "Completed with N errors.".
QString RunSummaryText(const TRunTally &Tally, qint64 Milliseconds, TRunEnd End);
