// What the window shows of a run besides its log: the progress area while it goes on, the
// summary in the status area when it ends, and the desktop's notification.
#include "MainWindowFixture.h"
#include "app/gui/RunFeed.h"
#include "app/gui/RunProgress.h"
#include "runlog/RunTally.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

TRunEvent event(TRunEventKind Kind, const char *Project = "", qint64 Bytes = 0)
{
    TRunEvent e;
    e.Kind = Kind;
    e.Project = QString::fromLatin1(Project);
    e.Bytes = Bytes;
    return e;
}

TRunEvent runStarted(int Projects)
{
    TRunEvent e = event(TRunEventKind::RunStarted);
    e.Projects = Projects;
    return e;
}

} // namespace

class RunProgressTest : public MainWindowTest
{
protected:
    // Projects "Good" (two files) and, when asked, "Missing" (a source folder that is not
    // there), both ticked, copying into {OutDir}/{ProjectName}.
    void WriteProjects(bool WithMissing)
    {
        Tree.write(QStringLiteral("src/a.txt"), "aaaa");
        Tree.write(QStringLiteral("src/b.txt"), "bb");
        QStringList lines{QStringLiteral("CopyProjectsN=%1").arg(WithMissing ? 2 : 1)};
        const QString sources[] = {Tree(QStringLiteral("src")), Tree(QStringLiteral("gone"))};
        for (int i = 1; i <= (WithMissing ? 2 : 1); ++i) {
            const QString p = QStringLiteral("CopyProjects[%1].").arg(i);
            lines << p + QStringLiteral("ProjectName=")
                         + (i == 1 ? QStringLiteral("Good") : QStringLiteral("Missing"))
                  << p + QStringLiteral("SourceFolder=") + sources[i - 1]
                  << p + QStringLiteral("SourceFilesN=1")
                  << p + QStringLiteral("SourceFiles[1]=*.txt")
                  << p + QStringLiteral("OutputFolder={OutDir}/{ProjectName}")
                  << p + QStringLiteral("Checked=1");
        }
        lines << QStringLiteral("OutDir=") + Tree(QStringLiteral("out"));
        WriteSettings(lines);
    }

    struct Notice
    {
        QString Title;
        QString Text;
    };
    std::vector<Notice> Notices;

    void Open()
    {
        MainWindowTest::Open();
        Form().Notify = [this](const QString &Title, const QString &Text) {
            Notices.push_back({Title, Text});
        };
    }
};

TEST_F(RunProgressTest, TheAreaFollowsRunEventsNotLogLines)
{
    Open();
    TRunProgressPanel *panel = Form().RunProgressPanel;
    // A line that reads like a project's start is only a line.
    Form().UpdateRunStatus(runStarted(2));
    Form().LogMsg(QStringLiteral("Project \"X\"..."));
    Form().LogMsg(QStringLiteral("Copy: /out/X <= a.txt"));
    EXPECT_EQ(panel->ProjectLabel->text(), QStringLiteral("Starting..."));

    const QString counts = QStringLiteral(
        "Copied %1  \u00B7  Replaced %2  \u00B7  Already existed %3  \u00B7  Skipped %4  \u00B7  "
        "Failed %5  \u00B7  %6 written");
    const struct
    {
        TRunEvent Event;
        QString Project;
        QString Counts;
        int BarValue;
    } steps[] = {
        {event(TRunEventKind::ProjectStarted, "A"), "Project \"A\" (1 of 2)",
         counts.arg(0).arg(0).arg(0).arg(0).arg(0).arg("0 bytes"), 0},
        {event(TRunEventKind::FileCopied, "", 600), "Project \"A\" (1 of 2)",
         counts.arg(1).arg(0).arg(0).arg(0).arg(0).arg("600 bytes"), 0},
        {event(TRunEventKind::FileReplaced, "", 2000), "Project \"A\" (1 of 2)",
         counts.arg(1).arg(1).arg(0).arg(0).arg(0).arg("2.6 kB"), 0},
        {event(TRunEventKind::FileExisted), "Project \"A\" (1 of 2)",
         counts.arg(1).arg(1).arg(1).arg(0).arg(0).arg("2.6 kB"), 0},
        {event(TRunEventKind::FileSkipped), "Project \"A\" (1 of 2)",
         counts.arg(1).arg(1).arg(1).arg(1).arg(0).arg("2.6 kB"), 0},
        {event(TRunEventKind::FileFailed), "Project \"A\" (1 of 2)",
         counts.arg(1).arg(1).arg(1).arg(1).arg(1).arg("2.6 kB"), 0},
        {event(TRunEventKind::ProjectEnded, "A"), "Project \"A\" (1 of 2)",
         counts.arg(1).arg(1).arg(1).arg(1).arg(1).arg("2.6 kB"), 1},
        {event(TRunEventKind::ProjectStarted, "B"), "Project \"B\" (2 of 2)",
         counts.arg(1).arg(1).arg(1).arg(1).arg(1).arg("2.6 kB"), 1},
    };
    for (const auto &step : steps) {
        Form().UpdateRunStatus(step.Event);
        EXPECT_EQ(panel->ProjectLabel->text(), step.Project);
        EXPECT_EQ(panel->CountsLabel->text(), step.Counts);
        EXPECT_EQ(panel->Bar->maximum(), 2);
        EXPECT_EQ(panel->Bar->value(), step.BarValue);
    }
    // One project: nothing tells how far the run is, and the bar says so.
    Form().UpdateRunStatus(runStarted(1));
    EXPECT_EQ(panel->Bar->maximum(), 0);
}

TEST_F(RunProgressTest, ARunShowsTheAreaThenItsSummaryAndTellsTheDesktop)
{
    WriteProjects(false);
    Open();
    Form().CopyFilesButton->click();
    EXPECT_TRUE(Form().RunProgressPanel->isVisibleTo(&Form()));
    EXPECT_EQ(Form().RunStatusLabel->text(), QStringLiteral("Running..."));
    WaitForRun();
    EXPECT_FALSE(Form().RunProgressPanel->isVisibleTo(&Form()));
    const QString status = Form().RunStatusLabel->text();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Done in \\d+\\.\\d s: 2 copied, 0 failed$"))
                    .match(status)
                    .hasMatch())
        << status.toStdString();
    EXPECT_FALSE(Form().RunStatusIcon->isVisibleTo(&Form()));
    // The window is not the active one here: the desktop hears of the end.
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_EQ(Notices[0].Title, QStringLiteral("Rovanel"));
    EXPECT_EQ(Notices[0].Text, status);

    // Again, with the file there and the window active: the counts are the new run's and the
    // desktop is left alone.
    Form().show();
    QApplication::setActiveWindow(&Form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
    Form().CopyFilesButton->click();
    WaitForRun();
    EXPECT_TRUE(Form().RunStatusLabel->text().endsWith(
        QStringLiteral(": 0 copied, 2 already existed, 0 failed")))
        << Form().RunStatusLabel->text().toStdString();
    EXPECT_EQ(Notices.size(), 1u);
}

TEST_F(RunProgressTest, ARunWithErrorsEndsMarkedAndCountsThem)
{
    WriteProjects(true);
    Open();
    Form().CopyFilesButton->click();
    WaitForRun();
    const QString status = Form().RunStatusLabel->text();
    EXPECT_TRUE(status.endsWith(QStringLiteral(": 2 copied, 0 failed. Completed with 1 error.")))
        << status.toStdString();
    EXPECT_TRUE(Form().RunStatusIcon->isVisibleTo(&Form()));
    // The log marks that line, and only it.
    const QStringList lines = LogLines();
    const QString missing = QStringLiteral("Source folder \"") + Tree(QStringLiteral("gone"))
                            + QStringLiteral("\" not found.");
    ASSERT_TRUE(lines.contains(missing));
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(Form().LogMemo->IsErrorLine(i), lines[i] == missing) << lines[i].toStdString();
    EXPECT_EQ(Form().LogMemo->ErrorLineCount(), 1);
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_EQ(Notices[0].Text, status);

    // The mark goes with the next run that has no errors.
    Form().GetItemProject(1)->SetChecked(false);
    Form().UpdateProjectsView();
    Form().CopyFilesButton->click();
    WaitForRun();
    EXPECT_FALSE(Form().RunStatusIcon->isVisibleTo(&Form()));
}

TEST_F(RunProgressTest, AnErrorIsMarkedWhicheverBatchesItsLinesAndItsEventComeIn)
{
    Open();
    const auto line = [](const char *Text) {
        TRunFeedItem item;
        item.Line = QString::fromLatin1(Text);
        return item;
    };
    const auto error = [](const char *Message) {
        TRunFeedItem item;
        item.IsEvent = true;
        item.Event = event(TRunEventKind::Error);
        item.Event.Message = QString::fromLatin1(Message);
        return item;
    };
    // Everything the run tells, in order; each case cuts it into batches at other places.
    const std::vector<TRunFeedItem> told = {
        line("before"), line("first\nsecond"), error("first\nsecond"), line("between"),
        line("one"),    error("one"),          line("after"),
    };
    const std::vector<bool> marked = {false, true, true, false, true, false};
    const std::vector<std::vector<std::size_t>> cuts = {
        {},        // one batch
        {2},       // both lines of the first error, then its event
        {3, 6},    // each event first in its batch
        {1, 2, 3}, // the first error's lines apart, then its event
        {1, 2, 3, 4, 5, 6},
    };
    for (const std::vector<std::size_t> &cut : cuts) {
        Form().ClearLog();
        std::size_t from = 0;
        for (std::size_t to : cut) {
            Form().ShowRunFeedItems({told.begin() + from, told.begin() + to});
            from = to;
        }
        Form().ShowRunFeedItems({told.begin() + from, told.end()});
        const QStringList lines = LogLines();
        ASSERT_EQ(lines.size(), qsizetype(marked.size()));
        std::string where;
        for (std::size_t c : cut)
            where += std::to_string(c) + " ";
        for (std::size_t i = 0; i < marked.size(); ++i)
            EXPECT_EQ(Form().LogMemo->IsErrorLine(int(i)), marked[i])
                << lines[qsizetype(i)].toStdString() << ", cut at " << where;
        EXPECT_EQ(Form().LogMemo->ErrorLineCount(), 3) << where;
    }
}

TEST_F(RunProgressTest, AStoppedRunSaysSoInItsSummary)
{
    WriteBigProject(5000);
    Open();
    Form().CopyFilesButton->click();
    Form().StopButton->click();
    WaitForRun();
    const QString status = Form().RunStatusLabel->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("Stopped after "))) << status.toStdString();
    const QStringList lines = LogLines();
    ASSERT_GE(lines.size(), 2);
    // The summary's count of copies is the log's.
    const QString copied = lines[lines.size() - 2].section(QLatin1Char(' '), 1, 1).chopped(1);
    EXPECT_TRUE(status.contains(QStringLiteral(": ") + CountText(copied.toInt())
                                + QStringLiteral(" copied")))
        << status.toStdString() << " / " << lines[lines.size() - 2].toStdString();
}
