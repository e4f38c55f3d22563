#pragma once

#include <atomic>

// A stop asked of a run, from any thread or from a signal handler: a flag, and a descriptor
// that turns readable when the flag is set and stays readable from then on, so that a wait in
// poll() can watch it beside its sockets and end at once (see TSocket::WatchStop).
class TStopRequest
{
public:
    TStopRequest();
    ~TStopRequest();
    TStopRequest(const TStopRequest &) = delete;
    TStopRequest &operator=(const TStopRequest &) = delete;

    // Sets the flag and wakes every wait on Descriptor(). Async-signal-safe: an atomic store
    // and one write(2).
    void Request() noexcept;
    bool Requested() const noexcept { return FRequested.load(); }
    // Readable once Request was called; -1 when no descriptor could be made (then only the
    // flag tells).
    int Descriptor() const noexcept { return FRead; }

private:
    std::atomic<bool> FRequested{false};
    int FRead = -1;
    int FWrite = -1;
};
