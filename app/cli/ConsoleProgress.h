#pragma once

#include "runlog/RunTally.h"

#include <QString>
#include <QtGlobal>

#include <chrono>

// The progress line, e.g.
//   Site (2 of 5): 1,204 copied, 3 existed, 0 skipped, 1 failed, 12.3 MB, 0:42
// ("Site: ..." for a run of one project, no project before the first one starts, "to copy"
// in a preview). It takes fewer than `columns` terminal columns, so that it never wraps: a
// project name too long for them is cut and ends with "...", and what still does not fit is
// cut at the end. Control characters of the name are shown escaped as in the log.
QString ProgressLineText(const TRunTally &counts, std::chrono::milliseconds elapsed, bool preview,
                         int columns);

// "0:07", "12:05", "1:02:03": whole seconds.
QString ProgressElapsed(std::chrono::milliseconds elapsed);
// The columns a text takes on a terminal: East Asian wide characters two, combining marks and
// format characters none, every other character one.
int TerminalColumns(const QString &text);

// When the progress line may be drawn: the first time at once, then never sooner than
// kInterval after the previous draw, however many events come in between.
class TProgressPacer
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{100};

    bool Due(Clock::time_point now) const { return !FDrawn || now >= NextDraw(); }
    // The earliest time of the next draw.
    Clock::time_point NextDraw() const { return FDrawn ? FLast + kInterval : Clock::time_point(); }
    void Drawn(Clock::time_point now)
    {
        FDrawn = true;
        FLast = now;
    }

private:
    bool FDrawn = false;
    Clock::time_point FLast;
};
