// A preview run takes every decision of a real run and writes nothing.
#include "EngineTestSupport.h"
#include "engine/RunLoops.h"
#include "ftp/FTPConnUnit.h"
#include "support/TempTree.h"

#include <QDateTime>
#include <QDirIterator>

#include <gtest/gtest.h>

namespace {

// Every file and folder under a folder, with its size and time.
QStringList Snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.append(info.filePath()
                       + QStringLiteral(" %1 %2")
                             .arg(info.size())
                             .arg(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

} // namespace

TEST(PreviewRun, LogsWhatARealRunWouldDoAndWritesNothing)
{
    TempTree tree;
    const QDateTime old(QDate(2020, 1, 1), QTime(0, 0));
    const QDateTime recent(QDate(2024, 1, 1), QTime(0, 0));
    for (const char *name : {"src/a.txt", "src/b.txt", "src/sub/c.txt", "src/new/d.txt"}) {
        tree.write(QString::fromLatin1(name), name);
        tree.setMTime(QString::fromLatin1(name), recent);
    }
    tree.write(QStringLiteral("out/P/a.txt"), "older output"); // replaced
    tree.setMTime(QStringLiteral("out/P/a.txt"), old);
    tree.write(QStringLiteral("out/P/b.txt"), "newer output"); // already exists
    tree.setMTime(QStringLiteral("out/P/b.txt"), recent.addDays(1));
    tree.mkdir(QStringLiteral("out/P/sub")); // c.txt: new in a folder there
                                             // d.txt: in a folder not made yet
    TCopyProject project;
    project.SetProjectName(QStringLiteral("P"));
    project.SetSourceFolder(tree(QStringLiteral("src")) + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("**/*.txt"), false, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetOverwrite(ofOlder);
    TFTPConnList connections;
    const QStringList before = Snapshot(tree(QStringLiteral("out")));

    RecordingLog preview;
    TRunTotals previewTotals;
    EXPECT_TRUE(StartProject(QStringLiteral("P"), {project}, tree(QStringLiteral("out")),
                             connections, preview, &previewTotals, true));
    EXPECT_EQ(Snapshot(tree(QStringLiteral("out"))), before);
    EXPECT_EQ(preview.Lines.value(0), QStringLiteral("Preview: nothing is written."));

    RecordingLog real;
    TRunTotals realTotals;
    EXPECT_TRUE(StartProject(QStringLiteral("P"), {project}, tree(QStringLiteral("out")),
                             connections, real, &realTotals));
    EXPECT_EQ(preview.Lines.mid(1), real.Lines);
    EXPECT_EQ(previewTotals.Copied, 3);
    EXPECT_EQ(previewTotals.Existed, 1);
    EXPECT_EQ(realTotals.Copied, previewTotals.Copied);
    EXPECT_EQ(tree.read(QStringLiteral("out/P/new/d.txt")), QByteArray("src/new/d.txt"));
}
