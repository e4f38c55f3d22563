#pragma once

#include "runlog/RunEvent.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

// One thing a run told: a log line or an event.
struct TRunFeedItem
{
    bool IsEvent = false;
    QString Line;
    TRunEvent Event;
};

// What a run's worker tells the window, gathered until the GUI thread takes it in batches, so
// that the worker never waits for the window to show one line. The worker waits only while
// kMaxPending items are not taken yet (a window that cannot keep up slows the run down rather
// than filling the memory), and never after Abort.
class TRunFeed
{
public:
    static constexpr std::size_t kMaxPending = 100000;

    // Worker side.
    void PushLine(const QString &line);
    void PushEvent(const TRunEvent &event);
    // GUI side: everything told so far, in order, and the room for more.
    std::vector<TRunFeedItem> Take();
    // GUI side: what comes from now on is dropped, and a waiting worker goes on.
    void Abort();

private:
    void Push(TRunFeedItem item);

    std::mutex FMutex;
    std::condition_variable FRoom;
    std::deque<TRunFeedItem> FPending;
    bool FAborted = false;
};
