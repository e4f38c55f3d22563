// The events a run tells beside its lines: one per file decision, with what was copied, and
// the counts of each project and of the run.
#include "EngineTestSupport.h"
#include "engine/RunLoops.h"
#include "ftp/FTPConnUnit.h"
#include "support/TempTree.h"

#include <QDateTime>

#include <gtest/gtest.h>

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
    ASSERT_EQ(events.size(), 8) << log.Told.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(events.mid(0, 5),
              (QStringList{"RunStarted", "ProjectStarted P", "FileCopied P a.txt 3 bytes",
                           "FileReplaced P b.txt 5 bytes", "FileExisted P c.txt"}));
    EXPECT_TRUE(
        events.value(5).startsWith(QStringLiteral("FileFailed P d.txt: Unable to copy file ")))
        << events.value(5).toStdString();
    EXPECT_EQ(events.value(6), QStringLiteral("ProjectEnded P 2/0/1/1 true"));
    EXPECT_EQ(events.value(7), QStringLiteral("RunEnded 2/0/1/1 false"));
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
              (QStringList{"RunStarted", "ProjectStarted P", "ProjectEnded P 0/0/0/0 false",
                           "RunEnded 0/0/0/0 false"}));
}
