// Copy runs from the window: the checks of "Copy Files", the log, the -start run with -close,
// changes to the list and closing the window while a run goes on, and the password hand-over.
#include "MainWindowFixture.h"
#include "engine/FTPSessionFactory.h"
#include "ftp/FTPSession.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "settings/Exception.h"
#include "support/SilentListener.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <chrono>

namespace {

// Keeps the default session factory outside the test that replaces it.
struct ScopedSessionFactory
{
    explicit ScopedSessionFactory(TFTPSessionFactory Factory)
        : Previous(SetFTPSessionFactory(std::move(Factory)))
    {}
    ~ScopedSessionFactory() { SetFTPSessionFactory(Previous); }
    TFTPSessionFactory Previous;
};

// A session that asks for the password at login as a connection with AskPassword does, and
// accepts any file.
class AskingSession : public TFTPSession
{
public:
    AskingSession(TFTPConnection &Conn, TRunLog &Log) : FConn(Conn), FLog(Log) {}
    void Connect() override
    {
        if (FConn.AskPassword() && !(FConn.RememberPassword() && FConn.LoggedIn())) {
            bool remember = FConn.RememberPassword();
            QString password;
            if (!FLog.AskPassword(FConn.Host(), FConn.UserName(), remember, password))
                throw Exception(QStringLiteral("Login cancelled"));
            FConn.SetRememberPassword(remember);
            if (remember)
                FConn.SetPassword(password);
        }
        FConn.SetLoggedIn(true);
    }
    bool FileExists(const QString &) override { return false; }
    double FileAge(const QString &) override { return 0; }
    void ForceDirectories(const QString &) override {}
    void CopyFile(const QString &, const QString &, bool) override {}

private:
    TFTPConnection &FConn;
    TRunLog &FLog;
};

} // namespace

class RunsTest : public MainWindowTest
{
protected:
    // Source files a.txt and b.txt under src/ and a settings file with projects A and B
    // copying them into {OutDir}/{ProjectName}.
    void WriteTwoProjects(const QString &OutDir)
    {
        Tree.write(QStringLiteral("src/a.txt"), "a");
        Tree.write(QStringLiteral("src/b.txt"), "b");
        QStringList lines{QStringLiteral("CopyProjectsN=2")};
        for (int i = 1; i <= 2; ++i) {
            const QString p = QStringLiteral("CopyProjects[%1].").arg(i);
            lines << p + QStringLiteral("ProjectName=") + QLatin1Char(char('A' + i - 1))
                  << p + QStringLiteral("SourceFolder=") + Tree(QStringLiteral("src"))
                  << p + QStringLiteral("SourceFilesN=1")
                  << p + QStringLiteral("SourceFiles[1]=*.txt")
                  << p + QStringLiteral("OutputFolder={OutDir}/{ProjectName}")
                  << p + QStringLiteral("Checked=1");
        }
        if (!OutDir.isEmpty())
            lines << QStringLiteral("OutDir=") + OutDir;
        WriteSettings(lines);
    }

    // The lines that name a project, end a project or end the run.
    static QStringList Milestones(const QStringList &Lines)
    {
        QStringList result;
        for (const QString &line : Lines)
            if (line.startsWith(QStringLiteral("Project "))
                || line.startsWith(QStringLiteral("Copied: "))
                || line == QStringLiteral("Completed."))
                result << line;
        return result;
    }
};

TEST_F(RunsTest, CopyFilesRefusesWithoutTicksOrOutputFolder)
{
    WriteTwoProjects(QString());
    Open();
    Form().UnCheckAllProjectsActionExecute();
    Form().OutDirEdit->setText(QStringLiteral("/x"));
    Form().CopyFilesButton->click();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Please, check one or more projects."));

    Form().CheckAllProjectsActionExecute();
    Form().OutDirEdit->clear();
    Form().CopyFilesButton->click();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, QStringLiteral("Please, enter Output Folder"));
    EXPECT_FALSE(Form().Running());
    EXPECT_TRUE(Form().CopyFilesButton->isEnabled());
    EXPECT_FALSE(QFile::exists(SettingsPath() + QStringLiteral(".new")));
}

TEST_F(RunsTest, CopyFilesDoesNotStartWhenTheSettingsCannotBeSaved)
{
    SettingsName = QStringLiteral("missing/rv.ini");
    Open();
    AddProject(QStringLiteral("A"), QString(), Tree(QStringLiteral("src")))->SetChecked(true);
    Form().OutDirEdit->setText(Tree(QStringLiteral("out")));
    Form().CopyFilesButton->click();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Critical);
    EXPECT_FALSE(Boxes[0].Text.isEmpty());
    EXPECT_FALSE(Form().Running());
    EXPECT_TRUE(Form().CopyFilesButton->isEnabled());
    EXPECT_EQ(Form().MainPageControl->currentWidget(), Form().ProjectsTabSheet);
}

TEST_F(RunsTest, CopyFilesSavesLogsInOrderAndReenablesTheButtonAtTheEnd)
{
    WriteTwoProjects(Tree(QStringLiteral("out")));
    Open();
    Form().LogMsg(QStringLiteral("old line"));
    Form().OutDirEdit->setText(Tree(QStringLiteral("out2")));
    int finished = 0;
    bool enabledInHandler = false;
    Form().OnRunFinished = [&] {
        ++finished;
        enabledInHandler = Form().CopyFilesButton->isEnabled();
    };

    Form().CopyFilesButton->click();
    EXPECT_TRUE(Form().Running());
    EXPECT_FALSE(Form().CopyFilesButton->isEnabled());
    EXPECT_EQ(Form().MainPageControl->currentWidget(), Form().LogTabSheet);
    // Saved as the run started, with the output folder as typed.
    EXPECT_TRUE(ReadSettings().contains(QStringLiteral("OutDir=") + Tree(QStringLiteral("out2"))));

    WaitForRun();
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(enabledInHandler);
    const QStringList lines = LogLines();
    EXPECT_FALSE(lines.contains(QStringLiteral("old line")));
    EXPECT_FALSE(lines.contains(QString()));
    EXPECT_EQ(
        Milestones(lines),
        (QStringList{"Project \"A\"...", "Copied: 2, skipped: 0, already existed: 0, failed: 0",
                     "Project \"B\"...", "Copied: 2, skipped: 0, already existed: 0, failed: 0",
                     "Completed."}));
    EXPECT_TRUE(Tree.exists(QStringLiteral("out2/B/b.txt")));
}

TEST_F(RunsTest, ARunOfManyFilesShowsEveryLineInOrder)
{
    WriteBigProject(3000);
    Open();
    Form().CopyFilesButton->click();
    WaitForRun();
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3000 + 4) << lines.mid(0, 5).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.first(), QStringLiteral("Project \"Big\"..."));
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("f%1.txt)").arg(i, 4, 10, QLatin1Char('0'));
        if (!lines[i + 2].endsWith(name))
            FAIL() << "line " << i + 2 << ": " << lines[i + 2].toStdString();
    }
    EXPECT_EQ(lines.value(3002),
              QStringLiteral("Copied: 3000, skipped: 0, already existed: 0, failed: 0"));
    EXPECT_EQ(lines.value(3003), QStringLiteral("Completed."));
}

TEST_F(RunsTest, StopAndEscEndARunAfterTheFileInProgress)
{
    constexpr int kFiles = 20000;
    for (int i = 0; i < kFiles; ++i)
        Tree.write(QStringLiteral("src/f%1.txt").arg(i, 5, 10, QLatin1Char('0')), "x");
    WriteSettings({"CopyProjectsN=2", "CopyProjects[1].ProjectName=Big",
                   "CopyProjects[1].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[1].SourceFilesN=1", "CopyProjects[1].SourceFiles[1]=*.txt",
                   "CopyProjects[1].OutputFolder={OutDir}/{ProjectName}",
                   "CopyProjects[1].Overwrite=1", "CopyProjects[1].Checked=1",
                   "CopyProjects[2].ProjectName=After",
                   "CopyProjects[2].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[2].SourceFilesN=1", "CopyProjects[2].SourceFiles[1]=*.txt",
                   "CopyProjects[2].OutputFolder={OutDir}/{ProjectName}",
                   "CopyProjects[2].Checked=1", "OutDir=" + Tree(QStringLiteral("out"))});
    Open();
    EXPECT_TRUE(Form().StopButton->isHidden());
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Esc" : "Stop");
        Form().CopyFilesButton->click();
        ASSERT_TRUE(Form().Running());
        EXPECT_FALSE(Form().StopButton->isHidden());
        QDeadlineTimer deadline(20000);
        while (!LogLines().filter(QStringLiteral("Copy: ")).size() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (escape)
            QTest::keyClick(&Form(), Qt::Key_Escape);
        else
            Form().StopButton->click();
        EXPECT_FALSE(Form().StopButton->isEnabled());
        WaitForRun();
        EXPECT_TRUE(Form().StopButton->isHidden());

        const QStringList lines = LogLines();
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines.last(), QStringLiteral("Stopped."));
        EXPECT_FALSE(lines.contains(QStringLiteral("Project \"After\"...")));
        const QString summary = lines[lines.size() - 2];
        ASSERT_TRUE(summary.startsWith(QStringLiteral("Copied: "))) << summary.toStdString();
        const int copied = summary.section(QLatin1Char(' '), 1, 1).chopped(1).toInt();
        EXPECT_LT(copied, kFiles);
        EXPECT_EQ(
            QDir(Tree(QStringLiteral("out/Big"))).entryList(QDir::Files | QDir::Hidden).size(),
            copied);
        QDir(Tree(QStringLiteral("out"))).removeRecursively();
    }
}

TEST_F(RunsTest, PreviewLogsTheDecisionsAndWritesNothing)
{
    WriteTwoProjects(Tree(QStringLiteral("out")));
    Open();
    Form().PreviewButton->click();
    EXPECT_FALSE(Form().PreviewButton->isEnabled());
    WaitForRun();
    EXPECT_TRUE(Form().PreviewButton->isEnabled());
    const QStringList lines = LogLines();
    EXPECT_EQ(lines.value(0), QStringLiteral("Preview: nothing is written."));
    EXPECT_EQ(lines.filter(QStringLiteral("Copy: ")).size(), 4);
    EXPECT_EQ(lines.last(), QStringLiteral("Completed."));
    EXPECT_FALSE(Tree.exists(QStringLiteral("out")));
}

TEST_F(RunsTest, ClosingDuringARunAsksAndStopsItFirst)
{
    for (int i = 0; i < 20000; ++i)
        Tree.write(QStringLiteral("src/f%1.txt").arg(i, 5, 10, QLatin1Char('0')), "x");
    WriteSettings({"CopyProjectsN=1", "CopyProjects[1].ProjectName=Big",
                   "CopyProjects[1].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[1].SourceFilesN=1", "CopyProjects[1].SourceFiles[1]=*.txt",
                   "CopyProjects[1].OutputFolder={OutDir}/{ProjectName}",
                   "CopyProjects[1].Checked=1", "OutDir=" + Tree(QStringLiteral("out"))});
    Open();
    Form().show();
    Form().CopyFilesButton->click();
    ASSERT_TRUE(Form().Running());
    Answer = QMessageBox::No;
    EXPECT_FALSE(Form().close());
    EXPECT_TRUE(Form().Running());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Files are being copied. Stop the copying and close?"));
    Answer = QMessageBox::Yes;
    EXPECT_TRUE(Form().close());
    EXPECT_FALSE(Form().Running());
    // Stopped, not run to its end without the window.
    EXPECT_LT(QDir(Tree(QStringLiteral("out/Big"))).entryList(QDir::Files).size(), 20000);
}

// Stop, and closing the window, while the run waits for a server that never greets: the wait
// ends at once rather than after the 60 s reply time-out, and the window does not freeze.
TEST_F(RunsTest, StopAndClosingEndAWaitForASilentServerAtOnce)
{
    SilentListener server;
    ASSERT_NE(server.Port(), 0);
    Tree.write(QStringLiteral("src/a.txt"), "a");
    WriteSettings({"CopyProjectsN=1", "CopyProjects[1].ProjectName=Site",
                   "CopyProjects[1].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[1].SourceFilesN=1", "CopyProjects[1].SourceFiles[1]=*.txt",
                   "CopyProjects[1].OutputFolder=/site", "CopyProjects[1].FTPConnName=silent",
                   "CopyProjects[1].Checked=1", "OutDir=/out", "FTPConnN=1",
                   "FTPConn[1].ConnName=silent", "FTPConn[1].Host=127.0.0.1",
                   QStringLiteral("FTPConn[1].Port=%1").arg(server.Port()), "FTPConn[1].UserName=u",
                   "FTPConn[1].Password=p"});
    Open();
    Form().show();
    for (const bool closing : {false, true}) {
        SCOPED_TRACE(closing ? "closing the window" : "Stop");
        Form().CopyFilesButton->click();
        ASSERT_TRUE(Form().Running());
        QDeadlineTimer deadline(20000);
        while (!LogLines().contains(QStringLiteral("Connecting to FTP \"silent\"..."))
               && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(LogLines().contains(QStringLiteral("Connecting to FTP \"silent\"...")));
        QThread::msleep(300);
        const auto asked = std::chrono::steady_clock::now();
        if (closing) {
            Answer = QMessageBox::Yes;
            EXPECT_TRUE(Form().close());
        } else {
            Form().StopButton->click();
            WaitForRun();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
        EXPECT_LT(seconds, 3.0);
        EXPECT_FALSE(Form().Running());
        if (!closing) {
            const QStringList lines = LogLines();
            ASSERT_GE(lines.size(), 2);
            EXPECT_EQ(
                lines.mid(lines.size() - 2),
                (QStringList{"Copied: 0, skipped: 0, already existed: 0, failed: 0", "Stopped."}));
            // A stop, not a failed connection.
            EXPECT_TRUE(Form().RunStatusIcon->isHidden());
            for (int i = 0; i < lines.size(); ++i)
                EXPECT_FALSE(Form().LogMemo->IsErrorLine(i)) << lines[i].toStdString();
        }
    }
}

TEST_F(RunsTest, EmptyLinesAreNeverShownAndSeveralLineMessagesKeepTheirLines)
{
    Open();
    Form().LogMsg(QStringLiteral("one"));
    Form().LogMsg(QString());
    Form().LogMsg(QStringLiteral("two\r\nthree"));
    Form().LogMsg(QStringLiteral("four\r\n\r\nfive\r\n"));
    EXPECT_EQ(LogLines(), (QStringList{"one", "two", "three", "four", "five"}));
    // The view follows the last line.
    const QScrollBar *bar = Form().LogMemo->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        Form().LogMsg(QStringLiteral("line %1").arg(i));
    QCoreApplication::processEvents();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    // Scrolled back, the view stays where it was while lines come; at the end it follows again.
    Form().LogMemo->verticalScrollBar()->setValue(3);
    Form().AppendLogLines({QStringLiteral("more"), QStringLiteral("and more")});
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), 3);
    Form().LogMemo->verticalScrollBar()->setValue(bar->maximum());
    Form().AppendLogLines({QStringLiteral("last")});
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(LogLines().last(), QStringLiteral("last"));
    Form().ClearLog();
    EXPECT_TRUE(LogLines().isEmpty());
}

struct StartCloseCase
{
    const char *Label;
    QStringList Arguments;
    QStringList Milestones; // empty: no run
    bool Closes;
};

void PrintTo(const StartCloseCase &Case, std::ostream *Out)
{
    *Out << Case.Label;
}

class StartCloseTest : public RunsTest, public ::testing::WithParamInterface<StartCloseCase>
{};

TEST_P(StartCloseTest, RunsTheNamedProjectsAndClosesOnlyAfterSuccess)
{
    const StartCloseCase &c = GetParam();
    WriteTwoProjects(Tree(QStringLiteral("out")));
    Open(c.Arguments);
    QSignalSpy closed(&Form(), &QDialog::finished);
    Show();
    WaitForRun();
    EXPECT_EQ(Milestones(LogLines()), c.Milestones);
    EXPECT_EQ(closed.count(), c.Closes ? 1 : 0);
    EXPECT_EQ(Form().isVisible(), !c.Closes);
    EXPECT_TRUE(Boxes.empty());
}

const QString CopiedTwo = QStringLiteral("Copied: 2, skipped: 0, already existed: 0, failed: 0");

INSTANTIATE_TEST_SUITE_P(
    CommandLine, StartCloseTest,
    ::testing::Values(StartCloseCase{"UpperCaseOption",
                                     {"-START", "A"},
                                     {"Project \"A\"...", CopiedTwo, "Completed."},
                                     false},
                      StartCloseCase{"LaterStartWins",
                                     {"-start", "A", "-start", "B"},
                                     {"Project \"B\"...", CopiedTwo, "Completed."},
                                     false},
                      StartCloseCase{"StartTakesCloseAsName",
                                     {"-start", "-close"},
                                     {"Project \"-close\" not found.", "Completed."},
                                     false},
                      StartCloseCase{"CloseAlone", {"-close"}, {}, false},
                      StartCloseCase{"CloseAfterSuccess",
                                     {"-start", "A,B", "-CLOSE"},
                                     {"Project \"A\"...", CopiedTwo, "Project \"B\"...", CopiedTwo,
                                      "Completed."},
                                     true},
                      StartCloseCase{"NoCloseAfterFailure",
                                     {"-start", "A,,B", "-close"},
                                     {"Project \"A\"...", CopiedTwo, "Project \"\" not found.",
                                      "Project \"B\"...", CopiedTwo, "Completed."},
                                     false},
                      StartCloseCase{"ProjectNamesKeepCase",
                                     {"-start", "a"},
                                     {"Project \"a\" not found.", "Completed."},
                                     false}),
    [](const ::testing::TestParamInfo<StartCloseCase> &Case) {
        return std::string(Case.param.Label);
    });

TEST_F(RunsTest, StartWithoutOutputFolderWarnsAndRunsNothing)
{
    WriteTwoProjects(QString());
    Open({QStringLiteral("-start"), QStringLiteral("A"), QStringLiteral("-close")});
    Show();
    EXPECT_FALSE(Form().Running());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Please, enter Output Folder"));
    EXPECT_TRUE(Form().isVisible());
}

TEST_F(RunsTest, DeletingAndReorderingProjectsDuringARunLeavesTheRunAlone)
{
    WriteTwoProjects(Tree(QStringLiteral("out")));
    Open();
    Form().CopyFilesButton->click();
    ASSERT_TRUE(Form().Running());
    // The worker waits for its first line to be shown, which cannot happen before this
    // returns to the event loop: the run has started and the list changes under it.
    Form().SelectRow(0);
    Form().DeleteProjectActionExecute();
    Form().Projects().MoveProject(Form().Projects().GetProject(0), nullptr);
    Form().UpdateProjectsView();
    ASSERT_EQ(VisibleNames(), QStringList{"B"});
    WaitForRun();
    EXPECT_EQ(Milestones(LogLines()), (QStringList{"Project \"A\"...", CopiedTwo,
                                                   "Project \"B\"...", CopiedTwo, "Completed."}));
    EXPECT_TRUE(Tree.exists(QStringLiteral("out/A/a.txt")));
}

TEST_F(RunsTest, ClosingTheWindowDuringARunEndsItWithoutHarmAndSaves)
{
    WriteTwoProjects(Tree(QStringLiteral("out")));
    Open();
    Form().CopyFilesButton->click();
    ASSERT_TRUE(Form().Running());
    Form().OutDirEdit->setText(QStringLiteral("/changed"));
    Close(); // the worker is waiting for its first line to be shown
    EXPECT_TRUE(ReadSettings().contains(QStringLiteral("OutDir=/changed")));
}

TEST_F(RunsTest, PasswordIsAskedOnTheGuiThreadAndLoginStateReachesTheSavedConnection)
{
    Tree.write(QStringLiteral("src/a.txt"), "a");
    WriteSettings({"CopyProjectsN=2",
                   "CopyProjects[1].ProjectName=A",
                   "CopyProjects[1].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[1].SourceFilesN=1",
                   "CopyProjects[1].SourceFiles[1]=*.txt",
                   "CopyProjects[1].OutputFolder=/site",
                   "CopyProjects[1].FTPConnName=srv",
                   "CopyProjects[1].Checked=1",
                   "CopyProjects[2].ProjectName=B",
                   "CopyProjects[2].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[2].SourceFilesN=1",
                   "CopyProjects[2].SourceFiles[1]=*.txt",
                   "CopyProjects[2].OutputFolder=/site",
                   "CopyProjects[2].FTPConnName=srv",
                   "CopyProjects[2].Checked=1",
                   "OutDir=/out",
                   "FTPConnN=1",
                   "FTPConn[1].ConnName=srv",
                   "FTPConn[1].Host=127.0.0.1",
                   "FTPConn[1].UserName=u",
                   "FTPConn[1].AskPassword=1"});
    ScopedSessionFactory factory([](TFTPConnection &Conn, TRunLog &Log) {
        return std::unique_ptr<TFTPSession>(new AskingSession(Conn, Log));
    });
    Open();
    ASSERT_EQ(Connections.Count(), 1);
    int asked = 0;
    Form().AskPasswordHandler = [&](const QString &Host, const QString &User, bool &Remember,
                                    QString &Password) {
        ++asked;
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        // What the run told before asking is on the page when it asks.
        EXPECT_EQ(LogLines().value(LogLines().size() - 1),
                  QStringLiteral("Connecting to FTP \"srv\"..."));
        EXPECT_EQ(Host, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(User, QStringLiteral("u"));
        Remember = true;
        Password = QStringLiteral("secret");
        return true;
    };
    Form().CopyFilesButton->click();
    WaitForRun();
    // Asked once: the second project shares the run's connection, remembered and logged in.
    EXPECT_EQ(asked, 1);
    const TFTPConnection *saved = Connections.FindConnection(QStringLiteral("srv"));
    ASSERT_NE(saved, nullptr);
    EXPECT_TRUE(saved->LoggedIn());
    EXPECT_TRUE(saved->RememberPassword());
    EXPECT_EQ(saved->Password(), QStringLiteral("secret"));

    // The next run finds the remembered login and does not ask again.
    Form().CopyFilesButton->click();
    WaitForRun();
    EXPECT_EQ(asked, 1);
}

TEST_F(RunsTest, StartRunsHiddenAndUncheckedProjectsAndDoesNotSave)
{
    WriteTwoProjects(Tree(QStringLiteral("out")));
    const QStringList stored = ReadSettings();
    Open({QStringLiteral("-start"), QStringLiteral("B")});
    Form().UnCheckAllProjectsActionExecute();
    Form().Projects().SetProjectVisibility(Form().Projects().FindProject(QStringLiteral("B")),
                                           false);
    Form().UpdateProjectsView();
    Show();
    WaitForRun();
    EXPECT_EQ(Milestones(LogLines()), (QStringList{"Project \"B\"...", CopiedTwo, "Completed."}));
    EXPECT_TRUE(Tree.exists(QStringLiteral("out/B/a.txt")));
    // Only "Copy Files" saves as a run starts.
    EXPECT_EQ(ReadSettings(), stored);
}
