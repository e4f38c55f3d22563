#pragma once

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Runs steps of a worker thread on the GUI thread while the worker waits. Abort, called on the
// GUI thread before it waits for the worker (when the window closes during a run), lets every
// waiting and every later hand-over return at once without running its step, so the GUI
// thread and the worker never wait for each other.
class TRunHandOver : public std::enable_shared_from_this<TRunHandOver>
{
public:
    // Context: the GUI-thread object the steps run with; a step is dropped when it is gone.
    static std::shared_ptr<TRunHandOver> Create(QObject *Context);

    // Worker side: runs Step on the GUI thread and returns when it has run (true), or false
    // when the hand-over was aborted before the step began.
    bool Run(std::function<void()> Step);
    // GUI side.
    void Abort();
    bool Aborted() const;

private:
    explicit TRunHandOver(QObject *Context);

    struct TPending
    {
        bool Started = false;
        bool Done = false;
    };

    QPointer<QObject> FContext;
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    bool FAborted = false;
};
