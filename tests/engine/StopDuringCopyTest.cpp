// A stop asked while a large file is copied: the copy is abandoned between two chunks and the
// target stays as it was, with nothing left beside it; a copy that fits in one chunk finishes.
#include "engine/FileCopy.h"
#include "engine/RunLoops.h"
#include "ftp/FTPConnUnit.h"
#include "runlog/RunLog.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr qint64 kLarge = 64 * 1024 * 1024;

// A large sparse file with marks at the places where chunks of the copy meet, so that a copy
// that lost or moved a chunk shows.
QString writeLarge(TempTree &tree, const QString &relative)
{
    const QString path = tree.write(relative);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.resize(kLarge))
        return QString();
    for (const qint64 at : {qint64(0), qint64(8 * 1024 * 1024 - 1), qint64(8 * 1024 * 1024),
                            qint64(256 * 1024), kLarge - 5}) {
        file.seek(at);
        file.write(QByteArray::number(at).left(5));
    }
    return path;
}

// The files of a folder, hidden ones too, sorted.
QStringList filesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

// Says stop from its nth question on, and counts the questions.
struct StopAt
{
    int From;
    int Asked = 0;
    bool operator()() { return ++Asked >= From; }
};

struct CopyCase
{
    const char *Label;
    bool UnnamedFile;
    bool TargetExists;
};

} // namespace

TEST(StopDuringCopy, ALargeFileIsAbandonedBetweenChunksAndTheTargetStaysAsItWas)
{
    const CopyCase cases[] = {
        {"unnamed file over an existing target", true, true},
        {"unnamed file, new target", true, false},
        {"named temporary over an existing target", false, true},
        {"named temporary, new target", false, false},
    };
    const QDateTime oldTime(QDate(2020, 5, 6), QTime(7, 8, 9));
    for (const CopyCase &c : cases) {
        SCOPED_TRACE(c.Label);
        TempTree tree;
        const QString source = writeLarge(tree, QStringLiteral("src/big.bin"));
        ASSERT_FALSE(source.isEmpty());
        tree.mkdir(QStringLiteral("out"));
        if (c.TargetExists) {
            tree.write(QStringLiteral("out/big.bin"), "old bytes");
            tree.setMTime(QStringLiteral("out/big.bin"), oldTime);
        }

        StopAt stop{2};
        TFileCopyOptions options;
        options.UnnamedFile = c.UnnamedFile;
        options.StopRequested = std::ref(stop);
        QString why;
        EXPECT_EQ(CopyFileWithOptions(source, tree(QStringLiteral("out/big.bin")), options, &why),
                  TFileCopyResult::Stopped)
            << why.toStdString();
        // Asked between chunks, not once the copy has gone on to the end.
        EXPECT_EQ(stop.Asked, 2);

        if (c.TargetExists) {
            EXPECT_EQ(filesIn(tree(QStringLiteral("out"))), QStringList{"big.bin"});
            EXPECT_EQ(tree.read(QStringLiteral("out/big.bin")), QByteArray("old bytes"));
            EXPECT_EQ(tree.mtime(QStringLiteral("out/big.bin")), oldTime);
        } else {
            EXPECT_EQ(filesIn(tree(QStringLiteral("out"))), QStringList());
        }
    }
}

TEST(StopDuringCopy, ACopyThatIsNotStoppedOrFitsInOneChunkFinishes)
{
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed file" : "named temporary");
        TempTree tree;
        const QString large = writeLarge(tree, QStringLiteral("src/big.bin"));
        const QString small = tree.write(QStringLiteral("src/small.txt"), "small");
        tree.write(QStringLiteral("out/small.txt"), "old");

        // Asked between the chunks of the large file, never stopping it: copied whole.
        StopAt never{1000000};
        TFileCopyOptions options;
        options.UnnamedFile = unnamed;
        options.StopRequested = std::ref(never);
        EXPECT_EQ(CopyFileWithOptions(large, tree(QStringLiteral("out/big.bin")), options),
                  TFileCopyResult::Copied);
        EXPECT_GT(never.Asked, 0);
        EXPECT_TRUE(tree.read(QStringLiteral("out/big.bin"))
                    == tree.read(QStringLiteral("src/big.bin")));

        // A stop already asked does not keep a file of one chunk from being copied.
        options.StopRequested = [] { return true; };
        EXPECT_EQ(CopyFileWithOptions(small, tree(QStringLiteral("out/small.txt")), options),
                  TFileCopyResult::Copied);
        EXPECT_EQ(tree.read(QStringLiteral("out/small.txt")), QByteArray("small"));
        EXPECT_EQ(filesIn(tree(QStringLiteral("out"))), (QStringList{"big.bin", "small.txt"}));
    }
}

TEST(StopDuringCopy, ARunStoppedDuringALargeFileLeavesItsOlderTargetAndSaysSo)
{
    TempTree tree;
    const QDateTime oldTime(QDate(2020, 5, 6), QTime(7, 8, 9));
    const QDateTime newTime(QDate(2024, 2, 3), QTime(4, 5, 6));
    tree.write(QStringLiteral("src/a.txt"), "first");
    const QString large = writeLarge(tree, QStringLiteral("src/big.bin"));
    ASSERT_FALSE(large.isEmpty());
    tree.write(QStringLiteral("src/z.txt"), "last");
    for (const char *name : {"src/a.txt", "src/big.bin", "src/z.txt"})
        tree.setMTime(QString::fromLatin1(name), newTime);
    tree.write(QStringLiteral("out/P/big.bin"), "old bytes");
    tree.setMTime(QStringLiteral("out/P/big.bin"), oldTime);

    TCopyProject project;
    project.SetProjectName(QStringLiteral("P"));
    project.SetChecked(true);
    project.SetSourceFolder(tree(QStringLiteral("src")) + QLatin1Char('/'));
    // One row each, so that the order of the files is known.
    for (const char *row : {"a.txt", "big.bin", "z.txt"})
        project.AddSourceRow(QString::fromLatin1(row), false, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetOverwrite(ofOlder);
    TFTPConnList connections;
    StopDuringLog log(QStringLiteral("big.bin"));
    TRunTotals totals;

    CopyFiles({project}, tree(QStringLiteral("out")), connections, log, &totals);

    const QString text = log.Lines.join(QLatin1Char('\n'));
    ASSERT_GE(log.Lines.size(), 3) << text.toStdString();
    EXPECT_EQ(log.Lines.mid(log.Lines.size() - 3),
              (QStringList{QStringLiteral("Stopped: ") + large + QStringLiteral(" was not copied."),
                           "Copied: 1, skipped: 0, already existed: 0, failed: 0", "Stopped."}))
        << text.toStdString();
    EXPECT_EQ(filesIn(tree(QStringLiteral("out/P"))), (QStringList{"a.txt", "big.bin"}));
    EXPECT_EQ(tree.read(QStringLiteral("out/P/big.bin")), QByteArray("old bytes"));
    EXPECT_EQ(tree.mtime(QStringLiteral("out/P/big.bin")), oldTime);
    // The abandoned file is neither copied nor failed, and tells no decision.
    EXPECT_EQ(log.Events,
              QStringList{QStringLiteral("%1 a.txt: ").arg(int(TRunEventKind::FileCopied))});
    EXPECT_EQ(totals.Copied, 1);
    EXPECT_EQ(totals.Failed, 0);
    EXPECT_FALSE(log.Ended.Result);
}
