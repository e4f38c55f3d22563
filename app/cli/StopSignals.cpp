#include "app/cli/StopSignals.h"

#include <csignal>
#include <iterator>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t gReceived = 0;
struct sigaction gPrevious[std::size(kSignals)];

void askToStop(int signalNumber)
{
    if (gReceived != 0) {
        // Asked twice: the run is not waited for any longer.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    gReceived = signalNumber;
}

} // namespace

TStopSignals::TStopSignals()
{
    gReceived = 0;
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
}

int TStopSignals::Received()
{
    return gReceived;
}
