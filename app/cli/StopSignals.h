#pragma once

class TStopRequest;

// While it lives, SIGINT, SIGTERM and SIGHUP ask the run to stop (the first one), through
// request: a file that fits in one piece is finished, a larger one in progress is abandoned
// with its target left as it was, and a wait for a server ends at once; the same kind of
// signal once more ends the program at once, as it would have without this. The handling that
// was there before comes back when it goes.
class TStopSignals
{
public:
    explicit TStopSignals(TStopRequest &request);
    ~TStopSignals();
    TStopSignals(const TStopSignals &) = delete;
    TStopSignals &operator=(const TStopSignals &) = delete;

    // The signal that asked for a stop, or 0.
    static int Received();
    // The exit code of a run that a signal stopped: 128 + the signal's number (130 after
    // Ctrl-C, 143 after SIGTERM), as a shell reports a program the signal ended.
    static int ExitCode(int signalNumber) { return 128 + signalNumber; }
};
