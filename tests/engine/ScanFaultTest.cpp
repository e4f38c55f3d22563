// Faults on the source and output side: nothing lost, every fault a log line, the walk goes on.
#include "EngineTestSupport.h"
#include "engine/CopySourceFiles.h"
#include "engine/LocalOutput.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A log that runs an action when a line with a given beginning is written; "Copy: " is logged
// just before the copy, so the action can pull the rug from under it.
class HookLog : public RecordingLog
{
public:
    void Log(const QString &msg) override
    {
        RecordingLog::Log(msg);
        if (Action && msg.startsWith(Trigger)) {
            auto action = std::move(Action);
            Action = nullptr;
            action();
        }
    }
    QString Trigger;
    std::function<void()> Action;
};

struct Counters
{
    int Copied = 0, Skipped = 0, Existed = 0, Failed = 0;
};

QStringList scan(const QString &mask, const QString &base, const QString &out, TRunLog &log,
                 Counters &c, TOverwriteFile mode = ofAll, bool subFolders = false)
{
    TLocalOutput output;
    CopySourceFiles(QStringLiteral("P"), out, mask, base, subFolders, false, nullptr, false,
                    QString(), mode, output, c.Copied, c.Skipped, c.Existed, c.Failed, log);
    return static_cast<RecordingLog &>(log).Lines;
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// A mount made for one test and undone when it ends.
class ScopedMount
{
public:
    ~ScopedMount()
    {
        if (!FTarget.isEmpty())
            umount2(QFile::encodeName(FTarget).constData(), MNT_DETACH);
    }
    bool tmpfs(const QString &target, const char *options)
    {
        if (mount("tmpfs", QFile::encodeName(target).constData(), "tmpfs", 0, options) != 0)
            return false;
        FTarget = target;
        return true;
    }
    bool readOnlyBind(const QString &target)
    {
        const QByteArray t = QFile::encodeName(target);
        if (mount(t.constData(), t.constData(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        FTarget = target;
        return mount(nullptr, t.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr)
               == 0;
    }

private:
    QString FTarget;
};

TEST(ScanFaults, SourceVanishingBeforeItsCopyFailsThatFileOnly)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "a");
    tree.write(QStringLiteral("src/b.txt"), "b");
    tree.write(QStringLiteral("out/a.txt"), "previous a");
    HookLog log;
    log.Trigger = QStringLiteral("Copy: ") + tree(QStringLiteral("out"))
                  + QStringLiteral(" <= a.txt");
    log.Action = [&] { QFile::remove(tree(QStringLiteral("src/a.txt"))); };
    Counters c;

    const QStringList lines = scan(QStringLiteral("*.txt"), tree(QStringLiteral("src")),
                                   tree(QStringLiteral("out")), log, c);

    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(c.Copied, 1);
    EXPECT_TRUE(lines.contains(QStringLiteral("Unable to copy file ")
                               + tree(QStringLiteral("out/a.txt"))
                               + QStringLiteral(" (No such file or directory)")))
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(tree.read(QStringLiteral("out/a.txt")), QByteArray("previous a"));
    EXPECT_EQ(tree.read(QStringLiteral("out/b.txt")), QByteArray("b"));
    EXPECT_EQ(leftovers(tree(QStringLiteral("out"))), (QStringList{"a.txt", "b.txt"}));
}

TEST(ScanFaults, SourceTurnedIntoAFifoNeitherHangsNorOverwrites)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "a");
    tree.write(QStringLiteral("out/a.txt"), "previous");
    HookLog log;
    log.Trigger = QStringLiteral("Copy: ");
    log.Action = [&] {
        const QString path = tree(QStringLiteral("src/a.txt"));
        QFile::remove(path);
        ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    };
    Counters c;

    scan(QStringLiteral("*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log, c);

    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(log.Lines.last(), QStringLiteral("Unable to copy file ")
                                    + tree(QStringLiteral("out/a.txt"))
                                    + QStringLiteral(" (Not a regular file)"));
    EXPECT_EQ(tree.read(QStringLiteral("out/a.txt")), QByteArray("previous"));
}

TEST(ScanFaults, FileStandingWhereAnOutputFolderBelongsFailsWithItsLine)
{
    TempTree tree;
    tree.write(QStringLiteral("src/sub/a.txt"), "a");
    tree.write(QStringLiteral("src/b.txt"), "b");
    tree.write(QStringLiteral("out/sub"), "a file, not a folder");
    RecordingLog log;
    Counters c;

    const QStringList lines = scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")),
                                   tree(QStringLiteral("out")), log, c);

    EXPECT_TRUE(lines.contains(QStringLiteral("Unable to create directory ")
                               + tree(QStringLiteral("out/sub"))));
    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(c.Copied, 1);
    EXPECT_EQ(tree.read(QStringLiteral("out/sub")), QByteArray("a file, not a folder"));
}

TEST(ScanFaults, ReadOnlyOutputFolderKeepsExistingFiles)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "new");
    tree.write(QStringLiteral("out/a.txt"), "old");
    ScopedMount ro;
    // Root ignores permission bits, so the folder is made read-only by a read-only bind mount.
    if (!ro.readOnlyBind(tree(QStringLiteral("out"))))
        GTEST_SKIP() << "cannot make a read-only bind mount here";
    RecordingLog log;
    Counters c;

    scan(QStringLiteral("a.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log, c);

    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(log.Lines.last(), QStringLiteral("Unable to copy file ")
                                    + tree(QStringLiteral("out/a.txt"))
                                    + QStringLiteral(" (Read-only file system)"));
    EXPECT_EQ(tree.read(QStringLiteral("out/a.txt")), QByteArray("old"));
}

TEST(ScanFaults, FullFileSystemLeavesTheOldTargetAndNoPartialFile)
{
    TempTree tree;
    tree.write(QStringLiteral("src/big.bin"), QByteArray(1 << 20, 'x'));
    tree.write(QStringLiteral("src/small.txt"), "small");
    tree.mkdir(QStringLiteral("out"));
    ScopedMount small;
    if (!small.tmpfs(tree(QStringLiteral("out")), "size=256k"))
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    tree.write(QStringLiteral("out/big.bin"), "old contents");
    RecordingLog log;
    Counters c;

    scan(QStringLiteral("*"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log, c);

    EXPECT_EQ(c.Failed, 1);
    EXPECT_EQ(c.Copied, 1);
    EXPECT_TRUE(log.Lines.contains(QStringLiteral("Unable to copy file ")
                                   + tree(QStringLiteral("out/big.bin"))
                                   + QStringLiteral(" (No space left on device)")))
        << log.Lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(tree.read(QStringLiteral("out/big.bin")), QByteArray("old contents"));
    EXPECT_EQ(tree.read(QStringLiteral("out/small.txt")), QByteArray("small"));
    EXPECT_EQ(leftovers(tree(QStringLiteral("out"))), (QStringList{"big.bin", "small.txt"}));
}

TEST(ScanFaults, LinkBackToAFolderOnTheWalkIsNotEnteredAgain)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "a");
    tree.write(QStringLiteral("src/sub/b.txt"), "b");
    ASSERT_EQ(symlink(QFile::encodeName(tree(QStringLiteral("src"))).constData(),
                      QFile::encodeName(tree(QStringLiteral("src/sub/loop"))).constData()),
              0);
    RecordingLog log;
    Counters c;

    for (bool subFolders : {false, true}) {
        log.Lines.clear();
        c = Counters();
        const QString mask = subFolders ? QStringLiteral("*.txt") : QStringLiteral("**/*.txt");
        scan(mask, tree(QStringLiteral("src")), tree(QStringLiteral("out")), log, c, ofAll,
             subFolders);
        EXPECT_EQ(c.Copied, 2) << log.Lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(log.Lines.count(QStringLiteral("Skipped folder already being scanned: ")
                                  + tree(QStringLiteral("src/sub/loop"))),
                  1);
    }
}

TEST(ScanFaults, LinkToAFolderBesideTheWalkIsFollowed)
{
    TempTree tree;
    tree.write(QStringLiteral("shared/s.txt"), "s");
    tree.write(QStringLiteral("src/a.txt"), "a");
    ASSERT_EQ(symlink(QFile::encodeName(tree(QStringLiteral("shared"))).constData(),
                      QFile::encodeName(tree(QStringLiteral("src/link"))).constData()),
              0);
    RecordingLog log;
    Counters c;

    scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log,
         c);

    EXPECT_EQ(c.Copied, 2);
    EXPECT_EQ(tree.read(QStringLiteral("out/link/s.txt")), QByteArray("s"));
}

} // namespace
