#pragma once

#include "app/cli/TerminalProgress.h"
#include "runlog/RunLog.h"
#include "runlog/StopRequest.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The run log of the console front-end. Lines of a several-line message each go on their own
// line. On a terminal every line is written at once; into a file or a pipe, lines written in
// quick succession are gathered and written together, none later than kGatherDelay after it
// was logged (a thread of its own writes the last ones while the run is busy elsewhere).
// A password is asked on the terminal without echo; without a terminal the answer is Cancel
// (an empty password).
// With a progress line (on stderr's terminal), the run's events keep it up to date; when the
// log lines go to a terminal too, the line is erased before they are written and drawn again
// below them at its next draw, so that it never runs into a log line.
// A write that fails (a closed pipe, a full disk) stops the run, as the log is its record:
// nothing more is written, and WriteError says why.
class TConsoleRunLog : public TRunLog
{
public:
    static constexpr std::chrono::milliseconds kGatherDelay{50};

    // in: where a password is read from; prompt: where the question is written; progress: the
    // progress line, or none.
    TConsoleRunLog(std::FILE *out, std::FILE *in, std::FILE *prompt,
                   std::unique_ptr<TTerminalProgress> progress = nullptr);
    // Writes what is still gathered.
    ~TConsoleRunLog() override;
    TConsoleRunLog(const TConsoleRunLog &) = delete;
    TConsoleRunLog &operator=(const TConsoleRunLog &) = delete;

    void Log(const QString &msg) override;
    void Event(const TRunEvent &event) override;
    // The run's stop: asked by a failed write here, and by whoever else is given it (signals).
    TStopRequest &Stop() { return FRunStop; }
    bool StopRequested() const override { return FRunStop.Requested(); }
    int StopDescriptor() const override { return FRunStop.Descriptor(); }
    // Writes what is gathered now.
    void Flush();
    // Why writing the log failed (the system's reason), or empty.
    QString WriteError() const;
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override;

private:
    using Clock = std::chrono::steady_clock;

    // Both with FMutex held.
    void writeGathered();
    void writeLoop();

    TStopRequest FRunStop;
    std::FILE *FOut;
    std::FILE *FIn;
    std::FILE *FPrompt;
    const bool FLineByLine;
    std::unique_ptr<TTerminalProgress> FProgress;
    // Whether the progress line is erased before log lines are written (they go to a terminal).
    const bool FEraseProgressForLines;

    mutable std::mutex FMutex;
    QString FWriteError;
    std::condition_variable FWake;
    QByteArray FGathered;
    Clock::time_point FLastWrite;
    bool FStop = false;
    std::thread FWriter;
};
