#include "app/cli/ConsoleRunLog.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal's settings to put back when a signal ends the program during the prompt.
int g_echoFd = -1;
termios g_echoSettings;

void restoreEchoAndDie(int signalNumber)
{
    tcsetattr(g_echoFd, TCSANOW, &g_echoSettings);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

// While it lives, Ctrl-C and the other ending signals put the terminal's echo back before the
// program ends; when it goes, the echo and the signals' handling are restored.
class EchoGuard
{
public:
    EchoGuard(int fd, const termios &settings)
    {
        g_echoFd = fd;
        g_echoSettings = settings;
        struct sigaction action = {};
        action.sa_handler = restoreEchoAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &action, &FPrevious[i]);
    }
    ~EchoGuard()
    {
        tcsetattr(g_echoFd, TCSAFLUSH, &g_echoSettings);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &FPrevious[i], nullptr);
    }
    EchoGuard(const EchoGuard &) = delete;
    EchoGuard &operator=(const EchoGuard &) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
    struct sigaction FPrevious[std::size(kSignals)];
};

} // namespace

TConsoleRunLog::TConsoleRunLog(std::FILE *out, std::FILE *in, std::FILE *prompt,
                               std::unique_ptr<TTerminalProgress> progress)
    : FOut(out), FIn(in), FPrompt(prompt), FLineByLine(isatty(fileno(out)) == 1),
      FProgress(std::move(progress)), FEraseProgressForLines(FProgress && FLineByLine),
      FLastWrite(Clock::now())
{
    // The thread writes gathered lines, and keeps the progress line (and its time) moving
    // while the run is busy with one file.
    if (!FLineByLine || FProgress)
        FWriter = std::thread([this] { writeLoop(); });
}

TConsoleRunLog::~TConsoleRunLog()
{
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
    }
    FWake.notify_one();
    if (FWriter.joinable())
        FWriter.join();
    const std::lock_guard<std::mutex> lock(FMutex);
    writeGathered();
    FProgress.reset();
}

void TConsoleRunLog::Log(const QString &msg)
{
    if (msg.isEmpty())
        return;
    QString text = msg;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray bytes = text.toUtf8() + '\n';

    const std::lock_guard<std::mutex> lock(FMutex);
    const bool wasEmpty = FGathered.isEmpty();
    FGathered += bytes;
    if (FLineByLine || FGathered.size() >= 64 * 1024 || Clock::now() - FLastWrite >= kGatherDelay)
        writeGathered();
    else if (wasEmpty)
        FWake.notify_one();
}

void TConsoleRunLog::Event(const TRunEvent &event)
{
    if (!FProgress)
        return;
    const Clock::time_point now = Clock::now();
    const std::lock_guard<std::mutex> lock(FMutex);
    const bool wasIdle = FProgress->NextDraw() == Clock::time_point::max();
    FProgress->Count(event, now);
    FProgress->DrawIfDue(now);
    // The writer may be waiting for lines only; from now on it keeps the line's time moving.
    if (wasIdle)
        FWake.notify_one();
}

void TConsoleRunLog::Flush()
{
    const std::lock_guard<std::mutex> lock(FMutex);
    writeGathered();
}

QString TConsoleRunLog::WriteError() const
{
    const std::lock_guard<std::mutex> lock(FMutex);
    return FWriteError;
}

void TConsoleRunLog::writeGathered()
{
    if (!FGathered.isEmpty() && FWriteError.isEmpty()) {
        if (FEraseProgressForLines)
            FProgress->Erase();
        errno = 0;
        const size_t size = size_t(FGathered.size());
        const bool written = std::fwrite(FGathered.constData(), 1, size, FOut) == size;
        const bool flushed = std::fflush(FOut) == 0;
        if (!written || !flushed) {
            const int error = errno;
            FWriteError = error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                     : QStringLiteral("write error");
            // Nobody would learn what the run does from here on.
            FRunStop.Request();
        }
    }
    FGathered.clear();
    FLastWrite = Clock::now();
}

void TConsoleRunLog::writeLoop()
{
    std::unique_lock<std::mutex> lock(FMutex);
    while (!FStop) {
        // Lines wait for the next ones at most kGatherDelay after the last write; the progress
        // line is drawn when its pacer allows.
        Clock::time_point due = Clock::time_point::max();
        if (!FGathered.isEmpty())
            due = FLastWrite + kGatherDelay;
        if (FProgress)
            due = std::min(due, FProgress->NextDraw());
        if (due == Clock::time_point::max())
            FWake.wait(lock);
        else
            FWake.wait_until(lock, due);
        if (FStop)
            break;
        const Clock::time_point now = Clock::now();
        if (!FGathered.isEmpty() && now >= FLastWrite + kGatherDelay)
            writeGathered();
        if (FProgress)
            FProgress->DrawIfDue(now);
    }
}

bool TConsoleRunLog::AskPassword(const QString &host, const QString &user, bool &,
                                 QString &password)
{
    password.clear();
    const int fd = fileno(FIn);
    if (fd < 0 || !isatty(fd))
        return false;

    {
        // The log so far comes before the question, and the progress line makes way for it.
        const std::lock_guard<std::mutex> lock(FMutex);
        writeGathered();
        if (FProgress) {
            FProgress->Erase();
            FProgress->Hold(true);
        }
    }
    const QByteArray question = QStringLiteral("Password for %1@%2: ").arg(user, host).toUtf8();
    std::fwrite(question.constData(), 1, size_t(question.size()), FPrompt);
    std::fflush(FPrompt);

    termios saved;
    const bool haveTerminal = tcgetattr(fd, &saved) == 0;
    std::optional<EchoGuard> guard;
    if (haveTerminal) {
        guard.emplace(fd, saved);
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &silent);
    }
    std::string line;
    bool complete = false;
    for (int c; (c = std::fgetc(FIn)) != EOF;) {
        if (c == '\n') {
            complete = true;
            break;
        }
        line.push_back(char(c));
    }
    guard.reset();
    std::fputc('\n', FPrompt);
    std::fflush(FPrompt);
    if (FProgress) {
        const std::lock_guard<std::mutex> lock(FMutex);
        FProgress->Hold(false);
    }

    // End of input before a line break is the terminal's Cancel.
    if (!complete && line.empty())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    password = QString::fromUtf8(line.data(), qsizetype(line.size()));
    return true;
}
