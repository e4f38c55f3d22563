// A run's tally, counted from its events, and the texts the window and the console make of it.
#include "runlog/RunTally.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TRunEvent event(TRunEventKind kind, qint64 bytes = 0, const QString &project = QString())
{
    TRunEvent e;
    e.Kind = kind;
    e.Bytes = bytes;
    e.Project = project;
    return e;
}

} // namespace

TEST(RunTally, CountsEveryDecisionAndTheBytesOfCopiesOnly)
{
    using K = TRunEventKind;
    TRunTally c;
    TRunEvent started = event(K::RunStarted);
    started.Projects = 2;
    for (const TRunEvent &e :
         {started, event(K::ProjectStarted, 0, QStringLiteral("Site")), event(K::FileCopied, 100),
          event(K::FileReplaced, 20), event(K::FileExisted, 7), event(K::FileSkipped, 9),
          event(K::FileFailed, 11), event(K::Error), event(K::FileFailed), event(K::ProjectEnded),
          event(K::ProjectStarted, 0, QStringLiteral("Backup")), event(K::FileCopied, 3)})
        c.Count(e);
    EXPECT_EQ(c.Project, QStringLiteral("Backup"));
    EXPECT_EQ(c.ProjectNumber, 2);
    EXPECT_EQ(c.Projects, 2);
    // An error line is no file of its own.
    EXPECT_EQ(c.Copied, 2);
    EXPECT_EQ(c.Replaced, 1);
    EXPECT_EQ(c.ProjectsEnded, 1);
    EXPECT_EQ(c.Errors, 1);
    EXPECT_EQ(c.Existed, 1);
    EXPECT_EQ(c.Skipped, 1);
    EXPECT_EQ(c.Failed, 2);
    EXPECT_EQ(c.Bytes, 123);

    // A new run counts from nothing.
    c.Count(event(K::RunStarted));
    EXPECT_EQ(c.Copied, 0);
    EXPECT_EQ(c.Bytes, 0);
    EXPECT_TRUE(c.Project.isEmpty());
    EXPECT_EQ(c.ProjectNumber, 0);
}

TEST(RunTallyTexts, CountsBytesAndDurationsAsTheyAreShown)
{
    EXPECT_EQ(CountText(0), QStringLiteral("0"));
    EXPECT_EQ(CountText(20000), QStringLiteral("20,000"));
    EXPECT_EQ(CountText(1234567), QStringLiteral("1,234,567"));

    const struct
    {
        qint64 Bytes;
        const char *Text;
    } bytes[] = {{0, "0 bytes"},
                 {1, "1 byte"},
                 {999, "999 bytes"},
                 {1000, "1.0 kB"},
                 {31234567, "31.2 MB"},
                 {999999, "1.0 MB"},
                 {5000000000, "5.0 GB"},
                 {999949, "999.9 kB"},
                 {999950, "1.0 MB"},
                 {5000000000000000000, "5.0 EB"},
                 {std::numeric_limits<qint64>::max(), "9.2 EB"}};
    for (const auto &c : bytes)
        EXPECT_EQ(ByteText(c.Bytes), QLatin1String(c.Text)) << c.Bytes;

    const struct
    {
        qint64 Ms;
        const char *Text;
    } durations[] = {{0, "0.0 s"},          {640, "0.6 s"},        {9949, "9.9 s"},
                     {10000, "10 s"},       {31400, "31 s"},       {59600, "1 min 0 s"},
                     {125000, "2 min 5 s"}, {3840000, "1 h 4 min"}};
    for (const auto &c : durations)
        EXPECT_EQ(DurationText(c.Ms), QLatin1String(c.Text)) << c.Ms;
}

TEST(RunTallyTexts, TheSummarySaysHowTheRunEndedAndCountsItsErrors)
{
    TRunTally clean;
    clean.Copied = 19000;
    clean.Replaced = 1000;
    TRunTally mixed;
    mixed.Copied = 2;
    mixed.Existed = 3;
    mixed.Skipped = 1;
    mixed.Failed = 1;
    mixed.Errors = 1;
    TRunTally errors;
    errors.Failed = 2;
    errors.Errors = 3;
    const struct
    {
        TRunTally Tally;
        qint64 Ms;
        TRunEnd End;
        const char *Text;
    } cases[] = {
        {clean, 31000, TRunEnd::Done, "Done in 31 s: 20,000 copied, 0 failed"},
        {clean, 2500, TRunEnd::Preview, "Preview done in 2.5 s: 20,000 to copy, 0 failed"},
        {mixed, 12000, TRunEnd::Stopped,
         "Stopped after 12 s: 2 copied, 3 already existed, 1 skipped, 1 failed. Completed with 1 "
         "error."},
        {errors, 1000, TRunEnd::Done,
         "Done in 1.0 s: 0 copied, 2 failed. Completed with 3 errors."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RunSummaryText(c.Tally, c.Ms, c.End), QLatin1String(c.Text));
}
