// The events a run tells beside its lines: one per file decision, with what was copied, and
// the counts of each project and of the run.
#include "EngineTestSupport.h"
#include "RawTree.h"
#include "engine/FTPSessionFactory.h"
#include "engine/RunLoops.h"
#include "ftp/FTPConnUnit.h"
#include "support/TempTree.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

// Lines and events in the one order they were told in.
class EventLog : public TRunLog
{
public:
    void Log(const QString &msg) override { Told.append(QStringLiteral("line ") + msg); }
    void Event(const TRunEvent &e) override
    {
        static const char *const names[] = {
            "RunStarted",   "RunEnded",    "ProjectStarted", "ProjectEnded", "FileCopied",
            "FileReplaced", "FileExisted", "FileSkipped",    "FileFailed",   "Error"};
        QString text = QString::fromLatin1(names[int(e.Kind)]);
        if (!e.Project.isEmpty())
            text += QLatin1Char(' ') + e.Project;
        if (!e.Path.isEmpty())
            text += QLatin1Char(' ') + e.Path.section(QLatin1Char('/'), -1);
        if (e.Bytes)
            text += QStringLiteral(" %1 bytes").arg(e.Bytes);
        if (e.Kind == TRunEventKind::RunStarted)
            text += QStringLiteral(" (%1)").arg(e.Projects);
        if (e.Kind == TRunEventKind::ProjectEnded || e.Kind == TRunEventKind::RunEnded)
            text += QStringLiteral(" %1/%2/%3/%4 %5")
                        .arg(e.Totals.Copied)
                        .arg(e.Totals.Skipped)
                        .arg(e.Totals.Existed)
                        .arg(e.Totals.Failed)
                        .arg(e.Result ? "true" : "false");
        if (!e.Message.isEmpty())
            text += QStringLiteral(": ") + e.Message;
        Told.append(text);
    }
    QStringList Events() const
    {
        QStringList result;
        for (const QString &item : Told) {
            if (!item.startsWith(QLatin1String("line ")))
                result.append(item);
        }
        return result;
    }
    QStringList Told;
};

} // namespace

TEST(RunEvents, EveryDecisionIsToldWithItsSizeAndTheCountsCloseEachProjectAndTheRun)
{
    TempTree tree;
    const QDateTime old(QDate(2020, 1, 1), QTime(0, 0));
    const QDateTime recent(QDate(2024, 1, 1), QTime(0, 0));
    tree.write(QStringLiteral("src/a.txt"), "aaa");
    tree.write(QStringLiteral("src/b.txt"), "bbbbb");
    tree.write(QStringLiteral("src/c.txt"), "c");
    tree.write(QStringLiteral("src/d.txt"), "d");
    for (const char *name : {"src/a.txt", "src/b.txt", "src/c.txt", "src/d.txt"})
        tree.setMTime(QString::fromLatin1(name), recent);
    tree.write(QStringLiteral("out/P/b.txt"), "old"); // older: replaced
    tree.setMTime(QStringLiteral("out/P/b.txt"), old);
    tree.write(QStringLiteral("out/P/c.txt"), "new"); // newer: already exists
    tree.setMTime(QStringLiteral("out/P/c.txt"), recent.addDays(1));
    tree.mkdir(QStringLiteral("out/P/d.txt")); // a folder in the way: fails

    TCopyProject project;
    project.SetProjectName(QStringLiteral("P"));
    project.SetSourceFolder(tree(QStringLiteral("src")) + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("*.txt"), false, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetOverwrite(ofOlder);
    TFTPConnList connections;
    EventLog log;
    TRunTotals totals;

    EXPECT_TRUE(StartProject(QStringLiteral("P,Q"), {project}, tree(QStringLiteral("out")),
                             connections, log, &totals)
                == false); // Q is not found

    const QStringList events = log.Events();
    ASSERT_EQ(events.size(), 10) << log.Told.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(events.mid(0, 5),
              (QStringList{"RunStarted (2)", "ProjectStarted P", "FileCopied P a.txt 3 bytes",
                           "FileReplaced P b.txt 5 bytes", "FileExisted P c.txt"}));
    EXPECT_TRUE(events.value(5).startsWith(QStringLiteral("Error: Unable to copy file ")))
        << events.value(5).toStdString();
    EXPECT_TRUE(
        events.value(6).startsWith(QStringLiteral("FileFailed P d.txt: Unable to copy file ")))
        << events.value(6).toStdString();
    EXPECT_EQ(events.value(7), QStringLiteral("ProjectEnded P 2/0/1/1 true"));
    EXPECT_EQ(events.value(8), QStringLiteral("Error: Project \"Q\" not found."));
    EXPECT_EQ(events.value(9), QStringLiteral("RunEnded 2/0/1/1 false"));
    EXPECT_EQ(totals.Copied, 2);
    EXPECT_EQ(totals.Failed, 1);
    // Each event follows the line that tells the same thing.
    EXPECT_EQ(log.Told.indexOf(QStringLiteral("ProjectStarted P")),
              log.Told.indexOf(QStringLiteral("line Project \"P\"...")) + 1);
    EXPECT_EQ(log.Told.indexOf(QStringLiteral("RunEnded 2/0/1/1 false")),
              log.Told.indexOf(QStringLiteral("line Completed.")) + 1);
}

TEST(RunEvents, AProjectEndedWithoutASummaryIsToldAsFailed)
{
    TCopyProject project;
    project.SetProjectName(QStringLiteral("P"));
    project.SetSourceFolder(QStringLiteral("/nonexistent-rovanel-source/"));
    project.SetChecked(true);
    project.AddSourceRow(QStringLiteral("*.txt"), false, false);
    TFTPConnList connections;
    EventLog log;
    CopyFiles({project}, QStringLiteral("/tmp/unused"), connections, log);
    EXPECT_EQ(log.Events(),
              (QStringList{"RunStarted (1)", "ProjectStarted P",
                           "Error: Source folder \"/nonexistent-rovanel-source\" not found.",
                           "ProjectEnded P 0/0/0/0 false", "RunEnded 0/0/0/0 false"}));
}

namespace {

// Writes a file whose name is given as raw bytes into an existing folder.
bool writeRaw(const QString &folder, const QByteArray &name, const QByteArray &contents)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    return ::close(fd) == 0 && ok;
}

// An upload session whose every upload fails with the given message.
class FailingSession : public FakeSession
{
public:
    explicit FailingSession(const QString &error) { CopyError = error; }
};

struct ErrorCase
{
    const char *Label;
    // Builds the case in the tree and the project (named "P", source folder "src/", pattern
    // "*.txt", output "{OutDir}/P"); returns the names to run ("" for "Copy Files").
    QString (*Setup)(TempTree &tree, TCopyProject &project, TFTPConnList &connections);
    // The error lines the run must log, each as its beginning.
    std::vector<const char *> Lines;
};

const ErrorCase kErrorCases[] = {
    {"a file name the walk cannot read",
     [](TempTree &tree, TCopyProject &, TFTPConnList &) {
         tree.mkdir(QStringLiteral("src"));
         writeRaw(tree(QStringLiteral("src")), "b\xff.txt", "b");
         return QString();
     },
     {"Unable to read file "}},
    {"a folder in the way of the output file (its name shown escaped)",
     [](TempTree &tree, TCopyProject &, TFTPConnList &) {
         tree.write(QStringLiteral("src/d\te.txt"), "d");
         tree.mkdir(QStringLiteral("out/P/d\te.txt"));
         return QString();
     },
     {"Unable to copy file "}},
    {"a missing source folder",
     [](TempTree &, TCopyProject &project, TFTPConnList &) {
         project.SetSourceFolder(QStringLiteral("/nonexistent-rovanel-source/"));
         return QString();
     },
     {"Source folder \"/nonexistent-rovanel-source\" not found."}},
    {"a missing connection",
     [](TempTree &tree, TCopyProject &project, TFTPConnList &) {
         tree.write(QStringLiteral("src/a.txt"), "a");
         project.SetFTPConnName(QStringLiteral("Nowhere"));
         return QString();
     },
     {"FTP connection \"Nowhere\" not found."}},
    {"project names that are not found",
     [](TempTree &tree, TCopyProject &, TFTPConnList &) {
         tree.write(QStringLiteral("src/a.txt"), "a");
         return QStringLiteral("Q,P,R");
     },
     {"Project \"Q\" not found.", "Project \"R\" not found."}},
    {"an upload that fails (an error raised, two lines)",
     [](TempTree &tree, TCopyProject &project, TFTPConnList &connections) {
         tree.write(QStringLiteral("src/a.txt"), "a");
         tree.write(QStringLiteral("src/b.txt"), "b");
         auto conn = std::make_unique<TFTPConnection>();
         conn->SetConnName(QStringLiteral("Server"));
         connections.AddConnection(std::move(conn));
         project.SetFTPConnName(QStringLiteral("Server"));
         SetFTPSessionFactory([](TFTPConnection &, TRunLog &) -> std::unique_ptr<TFTPSession> {
             return std::make_unique<FailingSession>(QStringLiteral("Refused\r\nby the server"));
         });
         return QString();
     },
     {"Refused\r\nby the server.", "Refused\r\nby the server."}},
    {"an empty output folder",
     [](TempTree &tree, TCopyProject &project, TFTPConnList &) {
         tree.write(QStringLiteral("src/a.txt"), "a");
         project.SetOutputFolder(QString());
         project.ClearSourceRows();
         project.AddSourceRow(QStringLiteral("*.txt"), false, true);
         return QString();
     },
     {"Unable to create directory."}},
};

} // namespace

// Each error line is followed by exactly one Error event carrying its text, before any other
// event; no other line is followed by one.
TEST(RunEvents, EveryErrorLineIsFollowedByExactlyOneErrorEvent)
{
    for (const ErrorCase &c : kErrorCases) {
        SCOPED_TRACE(c.Label);
        RawTempTree tree;
        TCopyProject project;
        project.SetProjectName(QStringLiteral("P"));
        project.SetChecked(true);
        project.SetSourceFolder(tree(QStringLiteral("src")) + QLatin1Char('/'));
        project.AddSourceRow(QStringLiteral("*.txt"), false, false);
        project.SetOutputFolder(QStringLiteral("{OutDir}/P"));
        TFTPConnList connections;
        const QString names = c.Setup(tree, project, connections);
        EventLog log;
        if (names.isEmpty())
            CopyFiles({project}, tree(QStringLiteral("out")), connections, log);
        else
            StartProject(names, {project}, tree(QStringLiteral("out")), connections, log);
        SetFTPSessionFactory(nullptr);

        const QString told = log.Told.join(QLatin1Char('\n'));
        std::vector<const char *> expected = c.Lines;
        int errors = 0;
        for (qsizetype i = 0; i < log.Told.size(); ++i) {
            const QString &item = log.Told[i];
            if (item.startsWith(QLatin1String("Error: "))) {
                ++errors;
                // Right after the line it tells.
                EXPECT_EQ(QStringLiteral("line ") + item.mid(7), log.Told.value(i - 1))
                    << told.toStdString();
                continue;
            }
            if (!item.startsWith(QLatin1String("line ")))
                continue;
            const QString line = item.mid(5);
            const auto match = std::find_if(
                expected.begin(), expected.end(),
                [&line](const char *start) { return line.startsWith(QString::fromUtf8(start)); });
            if (match == expected.end())
                continue;
            expected.erase(match);
            EXPECT_EQ(log.Told.value(i + 1), QStringLiteral("Error: ") + line)
                << told.toStdString();
        }
        EXPECT_TRUE(expected.empty()) << "a line was not logged: " << expected.front() << "\n"
                                      << told.toStdString();
        EXPECT_EQ(errors, int(c.Lines.size())) << told.toStdString();
    }
}

TEST(RunEvents, TheStartOfARunTellsHowManyProjectsItGoesThrough)
{
    TempTree tree;
    tree.mkdir(QStringLiteral("src"));
    std::vector<TCopyProject> projects(3);
    for (int i = 0; i < 3; ++i) {
        projects[i].SetProjectName(QStringLiteral("P%1").arg(i));
        projects[i].SetChecked(i != 1);
        projects[i].SetSourceFolder(tree(QStringLiteral("src")) + QLatin1Char('/'));
    }
    TFTPConnList connections;
    const struct
    {
        const char *Names; // nullptr: "Copy Files"
        int Projects;
    } cases[] = {{nullptr, 2}, {"P1", 1}, {"P0,P1,", 2}, {"P0,,X,P2", 4}, {"", 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Names ? c.Names : "Copy Files");
        EventLog log;
        if (c.Names)
            StartProject(QString::fromLatin1(c.Names), projects, tree(QStringLiteral("out")),
                         connections, log);
        else
            CopyFiles(projects, tree(QStringLiteral("out")), connections, log);
        EXPECT_EQ(log.Events().value(0), QStringLiteral("RunStarted (%1)").arg(c.Projects));
    }
}
