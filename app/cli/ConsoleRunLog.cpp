#include "app/cli/ConsoleRunLog.h"

#include <QByteArray>

#include <csignal>
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
            sigaction(kSignals[i], &action, &m_previous[i]);
    }
    ~EchoGuard()
    {
        tcsetattr(g_echoFd, TCSAFLUSH, &g_echoSettings);
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    EchoGuard(const EchoGuard &) = delete;
    EchoGuard &operator=(const EchoGuard &) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)];
};

} // namespace

TConsoleRunLog::TConsoleRunLog(std::FILE *out, std::FILE *in, std::FILE *prompt)
    : m_out(out), m_in(in), m_prompt(prompt), m_lineByLine(isatty(fileno(out)) == 1),
      m_lastWrite(Clock::now())
{
    if (!m_lineByLine)
        m_writer = std::thread([this] { writeLoop(); });
}

TConsoleRunLog::~TConsoleRunLog()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_writer.joinable())
        m_writer.join();
    const std::lock_guard<std::mutex> lock(m_mutex);
    writeGathered();
}

void TConsoleRunLog::Log(const QString &msg)
{
    if (msg.isEmpty())
        return;
    QString text = msg;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QByteArray bytes = text.toUtf8() + '\n';

    const std::lock_guard<std::mutex> lock(m_mutex);
    const bool wasEmpty = m_gathered.isEmpty();
    m_gathered += bytes;
    if (m_lineByLine || m_gathered.size() >= 64 * 1024
        || Clock::now() - m_lastWrite >= kGatherDelay)
        writeGathered();
    else if (wasEmpty)
        m_wake.notify_one();
}

void TConsoleRunLog::writeGathered()
{
    if (!m_gathered.isEmpty()) {
        std::fwrite(m_gathered.constData(), 1, size_t(m_gathered.size()), m_out);
        std::fflush(m_out);
        m_gathered.clear();
    }
    m_lastWrite = Clock::now();
}

void TConsoleRunLog::writeLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (m_gathered.isEmpty()) {
            m_wake.wait(lock);
            continue;
        }
        // Lines wait for the next ones at most kGatherDelay after the last write.
        const Clock::time_point due = m_lastWrite + kGatherDelay;
        m_wake.wait_until(lock, due, [this] { return m_stop; });
        if (!m_gathered.isEmpty() && Clock::now() >= due)
            writeGathered();
    }
}

bool TConsoleRunLog::AskPassword(const QString &host, const QString &user, bool &,
                                 QString &password)
{
    password.clear();
    const int fd = fileno(m_in);
    if (fd < 0 || !isatty(fd))
        return false;

    {
        // The log so far comes before the question.
        const std::lock_guard<std::mutex> lock(m_mutex);
        writeGathered();
    }
    const QByteArray question = QStringLiteral("Password for %1@%2: ").arg(user, host).toUtf8();
    std::fwrite(question.constData(), 1, size_t(question.size()), m_prompt);
    std::fflush(m_prompt);

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
    for (int c; (c = std::fgetc(m_in)) != EOF;) {
        if (c == '\n') {
            complete = true;
            break;
        }
        line.push_back(char(c));
    }
    guard.reset();
    std::fputc('\n', m_prompt);
    std::fflush(m_prompt);

    // End of input before a line break is the terminal's Cancel.
    if (!complete && line.empty())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    password = QString::fromUtf8(line.data(), qsizetype(line.size()));
    return true;
}
