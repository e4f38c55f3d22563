#pragma once

#include "app/cli/ConsoleProgress.h"
#include "runlog/RunEvent.h"

#include <QString>

#include <chrono>
#include <cstdio>

// The progress line of rovanel-cli on a terminal: the counts of the run so far, drawn in place
// (a carriage return, the line, and an erase to the end of the line), at most as often as
// TProgressPacer allows and only when its text changed, cut to the terminal's width. When the
// run ends the line is erased: the log's summary says the rest.
//
// It is not thread-safe: its owner makes every call under the one lock that also guards the
// log lines written to the same terminal, and erases the line before writing them.
class TTerminalProgress
{
public:
    using Clock = std::chrono::steady_clock;

    // terminal: where the line is drawn; preview: the run writes nothing ("to copy").
    TTerminalProgress(std::FILE *terminal, bool preview);
    // Erases the line if it is shown.
    ~TTerminalProgress();
    TTerminalProgress(const TTerminalProgress &) = delete;
    TTerminalProgress &operator=(const TTerminalProgress &) = delete;

    // Counts an event that happened at `now` (the run's time starts with RunStarted); after
    // RunEnded the line is erased and never drawn again.
    void Count(const TRunEvent &event, Clock::time_point now);
    // Draws the line when the pacer allows it and its text differs from the one shown.
    void DrawIfDue(Clock::time_point now);
    // Takes the line off the terminal (if shown), so that what is written next starts on a
    // clean line; the next due draw brings it back.
    void Erase();
    // While held nothing is drawn: a question waits on the terminal for its answer.
    void Hold(bool held) { FHeld = held; }
    // When DrawIfDue may draw next; Clock::time_point::max() while there is nothing to draw
    // (before the run starts, and after it ended).
    Clock::time_point NextDraw() const;

private:
    void write(const QByteArray &bytes);
    // The terminal's width (TIOCGWINSZ), 80 when it cannot tell.
    int columns() const;

    std::FILE *FTerminal;
    const bool FPreview;
    TRunTally FCounts;
    TProgressPacer FPacer;
    Clock::time_point FStart;
    bool FStarted = false;
    bool FEnded = false;
    bool FHeld = false;
    // The text on the terminal now; empty when the line is not shown.
    QString FShown;
};
