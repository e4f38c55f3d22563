// rovanel-cli's progress line on a real pseudo-terminal: shown on a terminal, never in a file,
// left out with -quiet, and never mixed into the log, which stdout holds byte for byte.
#include "support/TempTree.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kFiles = 3000;
const QByteArray kErase = QByteArrayLiteral("\r\x1b[K");

enum class Err { Terminal, File };
enum class Out { Pipe, Terminal };

struct Streams
{
    Err Stderr = Err::Terminal;
    Out Stdout = Out::Pipe;
    QByteArrayList Arguments;
    QByteArray Term = QByteArrayLiteral("xterm");
    unsigned short Columns = 120;
};

struct Result
{
    int ExitCode = -1;
    // What went to stdout's pipe, what reached the terminal, and stderr's file.
    QByteArray Out;
    QByteArray Terminal;
    QByteArray ErrFile;
    qint64 Milliseconds = 0;
};

// What reached a terminal, split into the progress line's pieces ("\r" TEXT "\x1b[K", the
// erase being the piece without text) and the text between them.
struct Piece
{
    bool Progress = false;
    QByteArray Bytes;
};

QList<Piece> piecesOf(const QByteArray &terminal)
{
    QList<Piece> pieces;
    qsizetype i = 0;
    while (i < terminal.size()) {
        if (terminal.at(i) == '\r') {
            const qsizetype end = terminal.indexOf("\x1b[K", i);
            if (end < 0) {
                pieces.append({false, terminal.mid(i)});
                break;
            }
            pieces.append({true, terminal.mid(i + 1, end - i - 1)});
            i = end + 3;
        } else {
            qsizetype end = terminal.indexOf('\r', i);
            if (end < 0)
                end = terminal.size();
            pieces.append({false, terminal.mid(i, end - i)});
            i = end;
        }
    }
    return pieces;
}

class CliProgressTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.isValid());
        for (int i = 0; i < kFiles; ++i)
            tree.write(QStringLiteral("src/f%1.txt").arg(i, 4, 10, QLatin1Char('0')),
                       QByteArray(10, 'x'));
        QByteArray settings("\xEF\xBB\xBF");
        for (const QString &line :
             {QStringLiteral("CopyProjectsN=1"), QStringLiteral("CopyProjects[1].ProjectName=Site"),
              QStringLiteral("CopyProjects[1].SourceFolder=") + tree(QStringLiteral("src")),
              QStringLiteral("CopyProjects[1].SourceFilesN=1"),
              QStringLiteral("CopyProjects[1].SourceFiles[1]=*.txt"),
              QStringLiteral("CopyProjects[1].OutputFolder={OutDir}/{ProjectName}"),
              QStringLiteral("CopyProjects[1].Overwrite=2"),
              QStringLiteral("OutDir=") + tree(QStringLiteral("out"))})
            settings += line.toUtf8() + "\r\n";
        tree.write(QStringLiteral("rv.ini"), settings);
    }

    // Runs rovanel-cli on the project twice over ("Site,Site": copied, then already there),
    // into an output folder emptied first, so that every run logs the same lines.
    Result run(const Streams &setup)
    {
        Result result;
        QDir(tree(QStringLiteral("out"))).removeRecursively();

        int master = -1;
        int slave = -1;
        winsize size{};
        size.ws_row = 24;
        size.ws_col = setup.Columns;
        if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) {
            ADD_FAILURE() << "no pseudo-terminal: " << std::strerror(errno);
            return result;
        }
        // The bytes as written: no CR added before each line feed.
        termios settings;
        tcgetattr(slave, &settings);
        settings.c_oflag &= ~tcflag_t(OPOST);
        tcsetattr(slave, TCSANOW, &settings);

        int outPipe[2] = {-1, -1};
        if (setup.Stdout == Out::Pipe && ::pipe(outPipe) != 0) {
            ADD_FAILURE() << "pipe: " << std::strerror(errno);
            return result;
        }
        const QByteArray errPath = QFile::encodeName(tree(QStringLiteral("stderr.txt")));
        const int errFile = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int devNull = ::open("/dev/null", O_RDONLY);

        // Everything the child needs is made before the fork: it only redirects and execs.
        const QByteArray program = QByteArrayLiteral(RV_BINARY_DIR "/app/rovanel-cli");
        QByteArrayList arguments{program, "-config",
                                 QFile::encodeName(tree(QStringLiteral("rv.ini"))), "-start",
                                 "Site,Site"};
        arguments += setup.Arguments;
        QByteArrayList environment;
        for (char **variable = environ; *variable; ++variable) {
            const QByteArray entry(*variable);
            if (!entry.startsWith("TERM=") && !entry.startsWith("XDG_CONFIG_HOME="))
                environment.append(entry);
        }
        environment.append("TERM=" + setup.Term);
        environment.append("XDG_CONFIG_HOME=" + QFile::encodeName(tree(QStringLiteral("config"))));
        std::vector<char *> argv;
        for (QByteArray &argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::vector<char *> envp;
        for (QByteArray &entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        QElapsedTimer timer;
        timer.start();
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(devNull, 0);
            ::dup2(setup.Stdout == Out::Pipe ? outPipe[1] : slave, 1);
            ::dup2(setup.Stderr == Err::Terminal ? slave : errFile, 2);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(slave);
        ::close(devNull);
        ::close(errFile);
        if (outPipe[1] >= 0)
            ::close(outPipe[1]);
        if (child < 0) {
            ADD_FAILURE() << "fork: " << std::strerror(errno);
            ::close(master);
            return result;
        }

        // Both are read as they come: a full terminal or pipe would hold the program up.
        pollfd fds[2] = {{master, POLLIN, 0}, {outPipe[0], POLLIN, 0}};
        int open = outPipe[0] >= 0 ? 2 : 1;
        while (open > 0) {
            if (timer.elapsed() > 120000) {
                ADD_FAILURE() << "rovanel-cli did not end";
                ::kill(child, SIGKILL);
                break;
            }
            if (::poll(fds, 2, 1000) < 0 && errno != EINTR)
                break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char buffer[65536];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    (i == 0 ? result.Terminal : result.Out).append(buffer, qsizetype(n));
                } else if (n == 0 || errno != EINTR) {
                    // The terminal says EIO once the program, its last user, is gone.
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        result.Milliseconds = timer.elapsed();
        for (const pollfd &fd : fds) {
            if (fd.fd >= 0)
                ::close(fd.fd);
        }
        result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.ErrFile = tree.read(QStringLiteral("stderr.txt"));
        return result;
    }

    // The log every run prints; checked once in full, then compared byte for byte.
    void checkLog(const QByteArray &log)
    {
        const QList<QByteArray> lines = log.split('\n');
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines.first(), "Project \"Site\"...");
        qsizetype copies = 0;
        qsizetype existing = 0;
        for (const QByteArray &line : lines) {
            copies += line.startsWith("Copy: ");
            existing += line.startsWith("File already exists: ");
        }
        EXPECT_EQ(copies, kFiles);
        EXPECT_EQ(existing, kFiles);
        EXPECT_TRUE(lines.contains("Copied: 3000, skipped: 0, already existed: 0, failed: 0"));
        EXPECT_TRUE(lines.contains("Copied: 0, skipped: 0, already existed: 3000, failed: 0"));
        EXPECT_EQ(lines.at(lines.size() - 2), "Completed.");
        EXPECT_TRUE(lines.last().isEmpty());
        for (const QByteArray &line : lines) {
            EXPECT_FALSE(line.contains('\r') || line.contains('\x1b')) << line.toStdString();
        }
    }

    // The progress lines drawn: each within the terminal's width less one column, in the
    // line's form, with counts that never go back, and never more than one in 100 ms.
    void checkDraws(const QList<Piece> &pieces, const Result &result, int columns)
    {
        static const QRegularExpression form(QStringLiteral(
            "^(Site \\((1|2) of 2\\): )?([0-9,]+) copied, ([0-9,]+) existed, 0 skipped, 0 failed, "
            "[0-9.]+ (bytes|kB), [0-9]+:[0-9][0-9]$"));
        int draws = 0;
        qint64 before = 0;
        for (const Piece &piece : pieces) {
            if (!piece.Progress || piece.Bytes.isEmpty())
                continue;
            ++draws;
            const QString text = QString::fromUtf8(piece.Bytes);
            EXPECT_LT(text.size(), columns) << text.toStdString();
            if (text.size() + 1 < columns) {
                const QRegularExpressionMatch match = form.match(text);
                ASSERT_TRUE(match.hasMatch()) << text.toStdString();
                const qint64 handled = match.captured(3).remove(QLatin1Char(',')).toLongLong()
                                       + match.captured(4).remove(QLatin1Char(',')).toLongLong();
                EXPECT_GE(handled, before) << text.toStdString();
                before = handled;
            } else {
                // Cut at the end: before the first project, or in one.
                EXPECT_TRUE(text.startsWith(QLatin1String("Site ("))
                            || text.startsWith(QLatin1String("0 copied, ")))
                    << text.toStdString();
            }
        }
        // The first event draws it at once; from then on the pacer allows one draw in 100 ms
        // of the program's life, which this test's clock outlasts.
        EXPECT_GE(draws, 1);
        EXPECT_LE(draws, result.Milliseconds / 100 + 1)
            << "drawn per event rather than paced: " << draws << " draws in " << result.Milliseconds
            << " ms";
    }

    TempTree tree;
};

} // namespace

TEST_F(CliProgressTest, ShownOnTheTerminalOnlyAndStdoutStaysTheLog)
{
    // Into a file, stderr gets nothing (there is no error); the log is the reference.
    const Result toFile = run({Err::File, Out::Pipe, {}});
    ASSERT_EQ(toFile.ExitCode, 0) << toFile.ErrFile.toStdString();
    checkLog(toFile.Out);
    EXPECT_EQ(toFile.ErrFile, QByteArray());
    EXPECT_EQ(toFile.Terminal, QByteArray());

    // On a terminal: only the progress line's pieces, erased at the end.
    const Result shown = run({Err::Terminal, Out::Pipe, {}});
    EXPECT_EQ(shown.ExitCode, 0);
    EXPECT_EQ(shown.Out, toFile.Out);
    const QList<Piece> pieces = piecesOf(shown.Terminal);
    for (const Piece &piece : pieces)
        EXPECT_TRUE(piece.Progress) << piece.Bytes.toStdString();
    checkDraws(pieces, shown, 120);
    EXPECT_TRUE(shown.Terminal.endsWith(kErase)) << shown.Terminal.right(200).toStdString();

    // Left out by -quiet, and on a terminal that cannot erase a line.
    for (const Streams &setup :
         {Streams{Err::Terminal, Out::Pipe, {"-quiet"}},
          Streams{Err::Terminal, Out::Pipe, {}, QByteArrayLiteral("dumb")}}) {
        SCOPED_TRACE(setup.Arguments.join(' ').toStdString() + " TERM=" + setup.Term.toStdString());
        const Result quiet = run(setup);
        EXPECT_EQ(quiet.ExitCode, 0);
        EXPECT_EQ(quiet.Out, toFile.Out);
        EXPECT_EQ(quiet.Terminal, QByteArray());
    }
}

// The log on the same terminal: the progress line is erased before log lines and drawn again
// at a line's start only, so that taking its pieces out leaves the log byte for byte. A narrow
// terminal cuts the line to its width.
TEST_F(CliProgressTest, ALogOnTheSameTerminalNeverRunsIntoTheLine)
{
    const Result reference = run({Err::File, Out::Pipe, {}});
    ASSERT_EQ(reference.ExitCode, 0);

    const Result shared = run({Err::Terminal, Out::Terminal, {}, "xterm", 50});
    EXPECT_EQ(shared.ExitCode, 0);
    const QList<Piece> pieces = piecesOf(shared.Terminal);
    QByteArray log;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const Piece &piece = pieces[i];
        if (!piece.Progress) {
            log += piece.Bytes;
            // Log text starts on a clean line: never right after a drawn line.
            if (i > 0) {
                EXPECT_TRUE(pieces[i - 1].Progress && pieces[i - 1].Bytes.isEmpty())
                    << "log text after a drawn line: " << piece.Bytes.left(80).toStdString();
            }
            // A line is drawn after whole log lines only.
            if (i + 1 < pieces.size()) {
                EXPECT_TRUE(piece.Bytes.endsWith('\n')) << piece.Bytes.right(80).toStdString();
            }
        }
    }
    EXPECT_EQ(log, reference.Out);
    checkDraws(pieces, shared, 50);
}
