#include "app/gui/RunFeed.h"

void TRunFeed::PushLine(const QString &line)
{
    TRunFeedItem item;
    item.Line = line;
    Push(std::move(item));
}

void TRunFeed::PushEvent(const TRunEvent &event)
{
    TRunFeedItem item;
    item.IsEvent = true;
    item.Event = event;
    Push(std::move(item));
}

void TRunFeed::Push(TRunFeedItem item)
{
    std::unique_lock lock(FMutex);
    FRoom.wait(lock, [this] { return FAborted || FPending.size() < kMaxPending; });
    if (FAborted)
        return;
    FPending.push_back(std::move(item));
}

std::vector<TRunFeedItem> TRunFeed::Take()
{
    std::vector<TRunFeedItem> taken;
    {
        std::lock_guard lock(FMutex);
        taken.reserve(FPending.size());
        for (TRunFeedItem &item : FPending)
            taken.push_back(std::move(item));
        FPending.clear();
    }
    FRoom.notify_all();
    return taken;
}

void TRunFeed::Abort()
{
    {
        std::lock_guard lock(FMutex);
        FAborted = true;
        FPending.clear();
    }
    FRoom.notify_all();
}
