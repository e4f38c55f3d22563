#include "app/cli/StopSignals.h"

#include "runlog/StopRequest.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Written by the handler, read by the run's threads.
std::atomic<int> gReceived{0};
std::atomic<TStopRequest *> gRequest{nullptr};
static_assert(std::atomic<int>::is_always_lock_free
              && std::atomic<TStopRequest *>::is_always_lock_free);
struct sigaction gPrevious[std::size(kSignals)];

void askToStop(int signalNumber)
{
    int none = 0;
    if (!gReceived.compare_exchange_strong(none, signalNumber)) {
        // Asked twice: the run is not waited for any longer.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    if (TStopRequest *request = gRequest.load())
        request->Request();
}

} // namespace

TStopSignals::TStopSignals(TStopRequest &request)
{
    gReceived = 0;
    gRequest = &request;
    struct sigaction action = {};
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &gPrevious[i]);
}

TStopSignals::~TStopSignals()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &gPrevious[i], nullptr);
    gRequest = nullptr;
}

int TStopSignals::Received()
{
    return gReceived;
}
