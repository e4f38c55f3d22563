#include "app/gui/RunHandOver.h"

#include <QMetaObject>

TRunHandOver::TRunHandOver(QObject *Context) : FContext(Context)
{}

std::shared_ptr<TRunHandOver> TRunHandOver::Create(QObject *Context)
{
    return std::shared_ptr<TRunHandOver>(new TRunHandOver(Context));
}

bool TRunHandOver::Run(std::function<void()> Step)
{
    auto pending = std::make_shared<TPending>();
    {
        std::lock_guard lock(FMutex);
        if (FAborted || !FContext)
            return false;
    }
    std::shared_ptr<TRunHandOver> self = shared_from_this();
    // The step may refer to the worker's locals; it runs only while the worker still waits,
    // that is, when it starts before an abort.
    const bool queued = QMetaObject::invokeMethod(
        FContext.data(),
        [self, pending, Step] {
            {
                std::lock_guard lock(self->FMutex);
                if (self->FAborted)
                    return;
                pending->Started = true;
            }
            Step();
            std::lock_guard lock(self->FMutex);
            pending->Done = true;
            self->FChanged.notify_all();
        },
        Qt::QueuedConnection);
    if (!queued)
        return false;
    std::unique_lock lock(FMutex);
    // A step that has begun is waited for even after an abort: it uses the worker's locals.
    FChanged.wait(lock, [&] { return pending->Done || (FAborted && !pending->Started); });
    return pending->Done;
}

void TRunHandOver::Abort()
{
    std::lock_guard lock(FMutex);
    FAborted = true;
    FChanged.notify_all();
}

bool TRunHandOver::Aborted() const
{
    std::lock_guard lock(FMutex);
    return FAborted;
}
