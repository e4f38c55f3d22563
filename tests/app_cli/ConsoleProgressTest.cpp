// The progress line of rovanel-cli without a terminal: what it counts from events, its text at
// a given width, and when it is drawn, erased and left alone, on a clock the test moves.
#include "app/cli/ConsoleProgress.h"
#include "app/cli/TerminalProgress.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

TRunEvent event(TRunEventKind kind, qint64 bytes = 0, const QString &project = QString())
{
    TRunEvent e;
    e.Kind = kind;
    e.Bytes = bytes;
    e.Project = project;
    return e;
}

TRunTally counts(const QString &project, int number, int projects, qint64 copied, qint64 existed,
                 qint64 skipped, qint64 failed, qint64 bytes)
{
    TRunTally c;
    c.Project = project;
    c.ProjectNumber = number;
    c.Projects = projects;
    c.Copied = copied;
    c.Existed = existed;
    c.Skipped = skipped;
    c.Failed = failed;
    c.Bytes = bytes;
    return c;
}

} // namespace

TEST(ConsoleProgress, LineTexts)
{
    const QString longName = QStringLiteral("A project with a name much too long for one line");
    const QString wideName = QStringLiteral("日本語のプロジェクト名前");
    struct Case
    {
        TRunTally Counts;
        std::chrono::milliseconds Elapsed;
        bool Preview;
        int Columns;
        QString Expected;
    } cases[] = {
        // Before the first project.
        {counts(QString(), 0, 1, 0, 0, 0, 0, 0), 0ms, false, 80,
         QStringLiteral("0 copied, 0 existed, 0 skipped, 0 failed, 0 bytes, 0:00")},
        {counts(QStringLiteral("Site"), 1, 1, 1204, 3, 0, 1, 12345678), 42999ms, false, 80,
         QStringLiteral("Site: 1,204 copied, 3 existed, 0 skipped, 1 failed, 12.3 MB, 0:42")},
        {counts(QStringLiteral("Site"), 2, 5, 1204, 3, 0, 1, 12345678), 42000ms, false, 80,
         QStringLiteral(
             "Site (2 of 5): 1,204 copied, 3 existed, 0 skipped, 1 failed, 12.3 MB, 0:42")},
        {counts(QStringLiteral("Site"), 1, 1, 2, 0, 0, 0, 1), 1000ms, true, 80,
         QStringLiteral("Site: 2 to copy, 0 existed, 0 skipped, 0 failed, 1 byte, 0:01")},
        // A project with an empty name still has its number.
        {counts(QString(), 1, 2, 0, 0, 0, 0, 0), 0ms, false, 80,
         QStringLiteral("(1 of 2): 0 copied, 0 existed, 0 skipped, 0 failed, 0 bytes, 0:00")},
        // A long name is cut so that the counts stay; 79 columns of 80 are used at most.
        {counts(longName, 1, 1, 5, 0, 0, 0, 5000), 0ms, false, 80,
         QStringLiteral("A project with a nam...: 5 copied, 0 existed, 0 skipped, 0 failed, "
                        "5.0 kB, 0:00")},
        // Wide characters take two columns each.
        {counts(wideName, 1, 1, 5, 0, 0, 0, 5000), 0ms, false, 70,
         QStringLiteral("日本語のプ...: 5 copied, 0 existed, 0 skipped, 0 failed, 5.0 kB, 0:00")},
        // Control characters of a name are shown as the log shows them, never sent to the
        // terminal.
        {counts(QStringLiteral("a\x1b]0;x\x07\nb"), 1, 1, 0, 0, 0, 0, 0), 0ms, false, 80,
         QStringLiteral("a\\x1B]0;x\\x07\\nb: 0 copied, 0 existed, 0 skipped, 0 failed, 0 bytes, "
                        "0:00")},
        // Too narrow for the counts: the name keeps a few characters and the end is cut.
        {counts(longName, 1, 1, 5, 0, 0, 0, 5000), 0ms, false, 30,
         QStringLiteral("A pr...: 5 copied, 0 existed,")},
        // A short name is not cut before the end goes.
        {counts(QStringLiteral("Site"), 1, 2, 3000, 0, 0, 0, 5000), 0ms, false, 30,
         QStringLiteral("Site (1 of 2): 3,000 copied, ")},
        {counts(QStringLiteral("Site"), 1, 1, 5, 0, 0, 0, 5000), 0ms, false, 1, QString()},
        {counts(QStringLiteral("Site"), 1, 1, 5, 0, 0, 0, 5000), 0ms, false, 0, QString()},
    };
    for (const Case &c : cases) {
        const QString text = ProgressLineText(c.Counts, c.Elapsed, c.Preview, c.Columns);
        EXPECT_EQ(text, c.Expected) << c.Expected.toStdString();
        EXPECT_LT(TerminalColumns(text), std::max(c.Columns, 1)) << text.toStdString();
    }
}

TEST(ConsoleProgress, ElapsedTimeAndColumns)
{
    const std::pair<std::chrono::milliseconds, const char *> times[] = {
        {0ms, "0:00"},        {999ms, "0:00"},        {42000ms, "0:42"}, {725000ms, "12:05"},
        {3599999ms, "59:59"}, {3723000ms, "1:02:03"}, {-5ms, "0:00"},    {360000000ms, "100:00:00"},
    };
    for (const auto &[value, text] : times)
        EXPECT_EQ(ProgressElapsed(value), QString::fromUtf8(text)) << value.count();

    const std::pair<QString, int> widths[] = {
        {QStringLiteral("abc"), 3},
        {QStringLiteral("日本"), 4},
        // e and a combining acute accent.
        {QStringLiteral("e\u0301"), 1},
        // An emoji outside the first plane, written as a surrogate pair.
        {QString::fromUcs4(U"\U0001F600x"), 3},
        {QString(), 0},
    };
    for (const auto &[text, columns] : widths)
        EXPECT_EQ(TerminalColumns(text), columns) << text.toStdString();
}

TEST(ConsoleProgress, PacerAllowsTheFirstDrawAndThenOneIn100Ms)
{
    using Clock = TProgressPacer::Clock;
    const Clock::time_point t0 = Clock::now();
    TProgressPacer pacer;
    EXPECT_TRUE(pacer.Due(t0));
    pacer.Drawn(t0);
    EXPECT_FALSE(pacer.Due(t0));
    EXPECT_FALSE(pacer.Due(t0 + 99ms));
    EXPECT_EQ(pacer.NextDraw(), t0 + 100ms);
    EXPECT_TRUE(pacer.Due(t0 + 100ms));
    pacer.Drawn(t0 + 150ms);
    EXPECT_FALSE(pacer.Due(t0 + 200ms));
    EXPECT_TRUE(pacer.Due(t0 + 250ms));
}

namespace {

// A progress line drawn into a file, read back piece by piece.
class TerminalProgressTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        file = std::tmpfile();
        ASSERT_NE(file, nullptr);
    }
    void TearDown() override
    {
        if (file)
            std::fclose(file);
    }

    // What was written since the previous call.
    QByteArray written()
    {
        QByteArray bytes;
        char buffer[4096];
        for (ssize_t n; (n = pread(fileno(file), buffer, sizeof buffer, off_t(read))) > 0;) {
            bytes.append(buffer, qsizetype(n));
            read += n;
        }
        return bytes;
    }

    std::FILE *file = nullptr;
    qint64 read = 0;
    const TTerminalProgress::Clock::time_point t0 = TTerminalProgress::Clock::now();
};

} // namespace

TEST_F(TerminalProgressTest, DrawnInPlaceAtMostOnceIn100MsAndOnlyWhenItChanged)
{
    using K = TRunEventKind;
    TTerminalProgress progress(file, false);
    // Nothing before the run starts.
    progress.DrawIfDue(t0);
    EXPECT_EQ(written(), QByteArray());
    EXPECT_EQ(progress.NextDraw(), TTerminalProgress::Clock::time_point::max());

    progress.Count(event(K::RunStarted), t0);
    progress.DrawIfDue(t0);
    EXPECT_EQ(written(), "\r0 copied, 0 existed, 0 skipped, 0 failed, 0 bytes, 0:00\x1b[K");

    // A thousand files within the next 100 ms: not one draw.
    progress.Count(event(K::ProjectStarted, 0, QStringLiteral("Site")), t0 + 1ms);
    for (int i = 0; i < 1000; ++i) {
        progress.Count(event(K::FileCopied, 1000), t0 + 1ms + i * 90us);
        progress.DrawIfDue(t0 + 1ms + i * 90us);
    }
    EXPECT_EQ(written(), QByteArray());
    EXPECT_EQ(progress.NextDraw(), t0 + 100ms);

    progress.DrawIfDue(t0 + 100ms);
    EXPECT_EQ(written(),
              "\rSite: 1,000 copied, 0 existed, 0 skipped, 0 failed, 1.0 MB, 0:00\x1b[K");
    // Unchanged: not drawn again; a second later the time has moved.
    progress.DrawIfDue(t0 + 300ms);
    EXPECT_EQ(written(), QByteArray());
    progress.DrawIfDue(t0 + 1000ms);
    EXPECT_EQ(written(),
              "\rSite: 1,000 copied, 0 existed, 0 skipped, 0 failed, 1.0 MB, 0:01\x1b[K");

    // Erased once for log lines, then drawn again at its next turn.
    progress.Erase();
    progress.Erase();
    EXPECT_EQ(written(), "\r\x1b[K");
    progress.DrawIfDue(t0 + 1100ms);
    EXPECT_EQ(written(),
              "\rSite: 1,000 copied, 0 existed, 0 skipped, 0 failed, 1.0 MB, 0:01\x1b[K");

    // Held while a question waits on the terminal.
    progress.Erase();
    progress.Hold(true);
    progress.DrawIfDue(t0 + 1200ms);
    EXPECT_EQ(written(), "\r\x1b[K");
    progress.Hold(false);
    progress.Count(event(K::FileFailed), t0 + 1300ms);
    progress.DrawIfDue(t0 + 1300ms);
    EXPECT_EQ(written(),
              "\rSite: 1,000 copied, 0 existed, 0 skipped, 1 failed, 1.0 MB, 0:01\x1b[K");

    // The end of the run takes the line away for good.
    progress.Count(event(K::RunEnded), t0 + 2000ms);
    EXPECT_EQ(written(), "\r\x1b[K");
    EXPECT_EQ(progress.NextDraw(), TTerminalProgress::Clock::time_point::max());
    progress.Count(event(K::FileCopied), t0 + 3000ms);
    progress.DrawIfDue(t0 + 3000ms);
    EXPECT_EQ(written(), QByteArray());
}

TEST_F(TerminalProgressTest, ALineStillShownIsErasedWhenTheDisplayGoes)
{
    {
        TTerminalProgress progress(file, true);
        progress.Count(event(TRunEventKind::RunStarted), t0);
        progress.Count(event(TRunEventKind::FileCopied, 2), t0);
        progress.DrawIfDue(t0);
        EXPECT_EQ(written(), "\r1 to copy, 0 existed, 0 skipped, 0 failed, 2 bytes, 0:00\x1b[K");
    }
    EXPECT_EQ(written(), "\r\x1b[K");
    {
        // Never shown: nothing to erase.
        TTerminalProgress progress(file, false);
    }
    EXPECT_EQ(written(), QByteArray());
}
