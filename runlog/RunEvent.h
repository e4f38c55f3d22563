#pragma once

#include <QString>
#include <QtGlobal>

// The counts of a project's summary line; a run adds up those of its projects, so that its
// caller can tell a run whose files failed without reading the log.
struct TRunTotals
{
    int Copied = 0;
    int Skipped = 0;
    int Existed = 0;
    int Failed = 0;

    TRunTotals &operator+=(const TRunTotals &other)
    {
        Copied += other.Copied;
        Skipped += other.Skipped;
        Existed += other.Existed;
        Failed += other.Failed;
        return *this;
    }
};

// What happened in a run, told beside its log lines so that whoever shows a run (the window's
// status, a progress display) never has to read the lines back.
enum class TRunEventKind {
    // A run began / ended (at the start Projects: how many projects it goes through; at the end
    // Totals: the run's counts, Result: the run's result).
    RunStarted,
    RunEnded,
    // A project began / ended (Project; at the end Totals: its summary's counts, Result: false
    // when it ended without a summary: a connection or a source folder missing).
    ProjectStarted,
    ProjectEnded,
    // One file's decision (Path: the source path; Bytes: the size copied). A file whose copy
    // was broken off by a stop gets no decision: its line "Stopped: <source> was not copied."
    // is neither an error nor counted.
    FileCopied,   // the output file did not exist
    FileReplaced, // an existing output file was overwritten
    FileExisted,  // "File already exists"
    FileSkipped,  // the copy-if-exists condition did not hold
    FileFailed,   // Message: the error line
    // An error line (Message: the line's text, several lines joined by CR LF as logged), whether
    // or not it ends a file. Every error line is followed by exactly one Error event, told right
    // after the line and before any other event (a FileFailed of the same file comes next), so
    // that whoever shows the log can mark the line and count the errors from the events alone.
    Error,
};

struct TRunEvent
{
    TRunEventKind Kind = TRunEventKind::RunStarted;
    QString Project;
    QString Path;
    qint64 Bytes = 0;
    QString Message;
    TRunTotals Totals;
    bool Result = true;
    // RunStarted: the number of projects the run goes through (the checked visible projects of
    // "Copy Files", or the names given to a run by names, found or not), for a progress display.
    int Projects = 0;
};
