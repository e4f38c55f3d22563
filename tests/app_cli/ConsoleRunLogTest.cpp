// The console run log: when its lines reach a file or pipe, and the terminal it leaves behind.
#include "app/cli/ConsoleRunLog.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// What has reached the file so far, read without moving the position the log writes at.
QByteArray contentsOf(std::FILE *file)
{
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t n; (n = pread(fileno(file), buffer, sizeof buffer, off_t(bytes.size()))) > 0;)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}

} // namespace

TEST(ConsoleRunLog, LinesReachAFileInOrderAndSoonWithoutWaitingForTheNextOne)
{
    std::FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        TConsoleRunLog log(file, stdin, stderr);
        QByteArray expected;
        for (int i = 0; i < 5000; ++i) {
            log.Log(QStringLiteral("line %1").arg(i));
            expected += "line " + QByteArray::number(i) + '\n';
        }
        log.Log(QStringLiteral("two\r\nlines"));
        expected += "two\nlines\n";
        // The run is now busy elsewhere: the last lines still appear, soon (the bound is
        // generous for loaded machines; the writer is due after 50 ms).
        const auto start = std::chrono::steady_clock::now();
        while (contentsOf(file) != expected
               && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
            std::this_thread::sleep_for(TConsoleRunLog::kGatherDelay);
        EXPECT_EQ(contentsOf(file), expected);
        log.Log(QStringLiteral("last"));
    }
    EXPECT_TRUE(contentsOf(file).endsWith("lines\nlast\n"));
    std::fclose(file);
}

TEST(ConsoleRunLog, CtrlCAtThePasswordPromptGivesTheEchoBack)
{
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no pseudo-terminal here: " << std::strerror(errno);
    int prompt[2];
    ASSERT_EQ(pipe(prompt), 0);
    termios before;
    ASSERT_EQ(tcgetattr(slave, &before), 0);
    ASSERT_TRUE(before.c_lflag & ECHO);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(prompt[0]);
        std::FILE *in = fdopen(slave, "r");
        std::FILE *question = fdopen(prompt[1], "w");
        TConsoleRunLog log(stdout, in, question);
        bool remember = false;
        QString password;
        log.AskPassword(QStringLiteral("host"), QStringLiteral("user"), remember, password);
        _exit(3);
    }
    close(prompt[1]);
    // The question is out once the echo is about to go off; wait for it to be off.
    char buffer[256];
    const ssize_t n = read(prompt[0], buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    EXPECT_EQ(QByteArray(buffer, int(n)), QByteArray("Password for user@host: "));
    termios during{};
    for (int i = 0; i < 200; ++i) {
        tcgetattr(slave, &during);
        if (!(during.c_lflag & ECHO))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(during.c_lflag & ECHO);

    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    termios after;
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_TRUE(after.c_lflag & ECHO);
    close(prompt[0]);
    close(slave);
    close(master);
}

// A password question on the terminal of the progress line: the line makes way for it and is
// not drawn over it while the answer is typed, however long that takes.
TEST(ConsoleRunLog, TheProgressLineLeavesAPasswordQuestionAlone)
{
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no pseudo-terminal here: " << std::strerror(errno);
    int terminal[2];
    ASSERT_EQ(pipe(terminal), 0);
    std::FILE *in = fdopen(slave, "r");
    std::FILE *err = fdopen(terminal[1], "w");
    std::FILE *out = std::tmpfile();
    ASSERT_TRUE(in && err && out);

    QByteArray shown;
    auto readShown = [&] {
        char buffer[4096];
        const ssize_t n = read(terminal[0], buffer, sizeof buffer);
        if (n > 0)
            shown.append(buffer, qsizetype(n));
        return n > 0;
    };
    QString password;
    {
        TConsoleRunLog log(out, in, err, std::make_unique<TTerminalProgress>(err, false));
        std::thread run([&] {
            TRunEvent started;
            started.Kind = TRunEventKind::RunStarted;
            log.Event(started);
            bool remember = false;
            log.AskPassword(QStringLiteral("host"), QStringLiteral("user"), remember, password);
            TRunEvent ended;
            ended.Kind = TRunEventKind::RunEnded;
            log.Event(ended);
        });
        while (!shown.contains("Password for user@host: ") && readShown()) {
        }
        // Several of the line's turns pass while the answer is awaited.
        std::this_thread::sleep_for(10 * TProgressPacer::kInterval);
        const char answer[] = "secret\n";
        EXPECT_EQ(write(master, answer, sizeof answer - 1), ssize_t(sizeof answer - 1));
        run.join();
    }
    std::fclose(err);
    while (readShown()) {
    }
    EXPECT_EQ(password, QStringLiteral("secret"));
    EXPECT_TRUE(shown.startsWith("\r0 copied, 0 existed, 0 skipped, 0 failed, 0 bytes, 0:00\x1b[K"
                                 "\r\x1b[KPassword for user@host: \n"))
        << shown.toStdString();
    // A line drawn again after the answer is gone at the end of the run.
    const QByteArray afterAnswer = shown.mid(shown.indexOf("user@host: \n") + 12);
    EXPECT_TRUE(afterAnswer.isEmpty() || afterAnswer.endsWith("\r\x1b[K")) << shown.toStdString();
    close(terminal[0]);
    std::fclose(in);
    std::fclose(out);
    close(master);
}
