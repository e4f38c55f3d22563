// The two run loops: name splitting, result rules, and an error that ends a "Copy Files" run.
#include "EngineTestSupport.h"
#include "engine/RunLoops.h"
#include "ftp/FTPConnUnit.h"
#include "settings/Exception.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kSummary = QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 0");

TCopyProject named(const QString &name)
{
    TCopyProject p;
    p.SetProjectName(name);
    return p;
}

struct StartCase
{
    const char *Names;
    QStringList Lines;
    bool Result;
};

class StartProjectTest : public ::testing::TestWithParam<StartCase>
{};

TEST_P(StartProjectTest, SplitsNamesAtCommasWithoutTrimming)
{
    const std::vector<TCopyProject> projects{named(QStringLiteral("A")), named(QStringLiteral("B")),
                                             named(QStringLiteral(" C"))};
    TFTPConnList connections;
    RecordingLog log;

    const bool result = StartProject(QString::fromLatin1(GetParam().Names), projects,
                                     QStringLiteral("/tmp/unused"), connections, log);

    EXPECT_EQ(log.Lines, GetParam().Lines);
    EXPECT_EQ(result, GetParam().Result);
}

INSTANTIATE_TEST_SUITE_P(
    Names, StartProjectTest,
    ::testing::Values(
        StartCase{"A,,B",
                  {"Project \"A\"...", kSummary, "Project \"\" not found.", "Project \"B\"...",
                   kSummary, "Completed."},
                  false},
        StartCase{"A,", {"Project \"A\"...", kSummary, "Completed."}, true},
        StartCase{"A, B",
                  {"Project \"A\"...", kSummary, "Project \" B\" not found.", "Completed."},
                  false},
        StartCase{"A, C",
                  {"Project \"A\"...", kSummary, "Project \" C\"...", kSummary, "Completed."},
                  true},
        StartCase{"a", {"Project \"a\" not found.", "Completed."}, false},
        StartCase{
            ",A", {"Project \"\" not found.", "Project \"A\"...", kSummary, "Completed."}, false}));

TEST(StartProject, RunsHiddenAndUncheckedProjectsAndTakesTheFirstOfEqualNames)
{
    TCopyProject hidden = named(QStringLiteral("A"));
    hidden.SetVisible(false);
    hidden.SetChecked(false);
    hidden.SetOutputFolder(QStringLiteral("first"));
    TCopyProject second = named(QStringLiteral("A"));
    second.SetFTPConnName(QStringLiteral("missing"));
    TFTPConnList connections;
    RecordingLog log;

    EXPECT_TRUE(StartProject(QStringLiteral("A"), {hidden, second}, QString(), connections, log));
    EXPECT_EQ(log.Lines, (QStringList{"Project \"A\"...", kSummary, "Completed."}));
}

TEST(StartProject, MissingConnectionMakesTheResultFalseButFailedFilesDoNot)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"));
    TCopyProject ftp = named(QStringLiteral("Ftp"));
    ftp.SetFTPConnName(QStringLiteral("Nowhere"));
    // An empty output folder with the junk-path flag fails every file.
    TCopyProject failing = named(QStringLiteral("Failing"));
    failing.SetSourceFolder(tree(QStringLiteral("src")));
    failing.AddSourceRow(QStringLiteral("*.txt"), false, true);
    TFTPConnList connections;
    RecordingLog log;

    EXPECT_TRUE(StartProject(QStringLiteral("Failing"), {ftp, failing}, QStringLiteral("/x"),
                             connections, log));
    EXPECT_EQ(log.Lines.at(log.Lines.size() - 2),
              QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 1"));

    log.Lines.clear();
    EXPECT_FALSE(StartProject(QStringLiteral("Ftp,Failing"), {ftp, failing}, QStringLiteral("/x"),
                              connections, log));
    EXPECT_EQ(log.Lines.at(1), QStringLiteral("FTP connection \"Nowhere\" not found."));
    EXPECT_EQ(log.Lines.last(), QStringLiteral("Completed."));
}

// A log that fails once when a line with the given beginning is written: an error outside the
// handling of single files.
class FailingLog : public RecordingLog
{
public:
    void Log(const QString &msg) override
    {
        if (!FailOn.isEmpty() && msg.startsWith(FailOn)) {
            FailOn.clear();
            throw Exception(QStringLiteral("Log window closed"));
        }
        RecordingLog::Log(msg);
    }
    QString FailOn;
};

TEST(StartProject, AnErrorEscapingAProjectIsLoggedAndTheNextNameFollows)
{
    TempTree tree;
    TCopyProject a = named(QStringLiteral("A"));
    a.SetSourceFolder(tree.path());
    a.AddSourceRow(QStringLiteral("*.txt"), false, false);
    TFTPConnList connections;
    FailingLog log;
    log.FailOn = QStringLiteral("Scanning: ");

    EXPECT_FALSE(StartProject(QStringLiteral("A,B"), {a, named(QStringLiteral("B"))},
                              QStringLiteral("/x"), connections, log));
    EXPECT_EQ(log.Lines, (QStringList{"Project \"A\"...", "Log window closed.", "Project \"B\"...",
                                      kSummary, "Completed."}));
}

TEST(CopyFiles, RunsOnlyCheckedProjectsInOrderAndStopsAtAnEscapingError)
{
    TempTree tree;
    TCopyProject first = named(QStringLiteral("First"));
    first.SetChecked(true);
    first.SetSourceFolder(tree.path());
    first.AddSourceRow(QStringLiteral("*.txt"), false, false);
    TCopyProject unchecked = named(QStringLiteral("Unchecked"));
    TCopyProject second = named(QStringLiteral("Second"));
    second.SetChecked(true);
    TFTPConnList connections;

    FailingLog log;
    CopyFiles({unchecked, second, first}, QStringLiteral("/x"), connections, log);
    EXPECT_EQ(log.Lines,
              (QStringList{"Project \"Second\"...", kSummary, "Project \"First\"...",
                           "Scanning: " + tree.path() + "/*.txt", kSummary, "Completed."}));

    log.Lines.clear();
    log.FailOn = QStringLiteral("Scanning: ");
    CopyFiles({first, second}, QStringLiteral("/x"), connections, log);
    EXPECT_EQ(log.Lines, (QStringList{"Project \"First\"...", "Log window closed.", "Completed."}));
}

TEST(CopyFiles, MissingConnectionDoesNotStopTheRun)
{
    TCopyProject ftp = named(QStringLiteral("Ftp"));
    ftp.SetChecked(true);
    ftp.SetFTPConnName(QStringLiteral("Nowhere"));
    TCopyProject local = named(QStringLiteral("Local"));
    local.SetChecked(true);
    TFTPConnList connections;
    RecordingLog log;

    CopyFiles({ftp, local}, QStringLiteral("/x"), connections, log);

    EXPECT_EQ(log.Lines, (QStringList{"Project \"Ftp\"...", "FTP connection \"Nowhere\" not found.",
                                      "Project \"Local\"...", kSummary, "Completed."}));
}

// Both loops add up the summary lines of their projects for the caller; a project that ends
// without a summary adds nothing.
TEST(RunLoops, AddUpTheCountsOfEveryProject)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/b.txt"));
    tree.write(QStringLiteral("out/P/a.txt"));
    tree.mkdir(QStringLiteral("out/Q/b.txt"));
    std::vector<TCopyProject> projects;
    for (const char *name : {"P", "Q", "Ftp"}) {
        TCopyProject p = named(QString::fromLatin1(name));
        p.SetChecked(true);
        p.SetSourceFolder(tree(QStringLiteral("src")));
        p.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        p.AddSourceRow(QStringLiteral("*.txt"), false, false);
        projects.push_back(p);
    }
    projects.back().SetFTPConnName(QStringLiteral("Nowhere"));
    TFTPConnList connections;
    RecordingLog log;

    // P: a.txt exists, b.txt copied; Q: a.txt copied, a folder stands where b.txt goes.
    TRunTotals totals;
    EXPECT_FALSE(StartProject(QStringLiteral("P,Q,Ftp"), projects, tree(QStringLiteral("out")),
                              connections, log, &totals));
    EXPECT_EQ(std::vector<int>({totals.Copied, totals.Skipped, totals.Existed, totals.Failed}),
              std::vector<int>({2, 0, 1, 1}));

    // A second run: now everything exists but Q's b.txt, which fails again.
    TRunTotals again;
    CopyFiles(projects, tree(QStringLiteral("out")), connections, log, &again);
    EXPECT_EQ(std::vector<int>({again.Copied, again.Skipped, again.Existed, again.Failed}),
              std::vector<int>({0, 0, 3, 1}));
}

} // namespace
