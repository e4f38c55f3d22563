// What the walk cannot see through the plain path calls: paths longer than PATH_MAX, names
// that are not UTF-8, folders it may not read, names with control characters. Each is copied,
// or is an error line counted as failed; none is passed over in silence.
#include "RawTree.h"
#include "engine/CopySourceFiles.h"
#include "engine/LocalOutput.h"
#include "support/TestLogs.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Counters
{
    int Copied = 0, Skipped = 0, Existed = 0, Failed = 0;
};

void scan(const QString &mask, const QString &base, const QString &out, RecordingLog &log,
          Counters &c, bool subFolders = false, TOverwriteFile mode = ofNone)
{
    TLocalOutput output;
    CopySourceFiles(QStringLiteral("P"), out, mask, base, subFolders, false, nullptr, false,
                    QString(), mode, output, c.Copied, c.Skipped, c.Existed, c.Failed, log);
}

QString joined(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

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

// A chain of folders below root, each named by piece, built and read through descriptors so
// that its depth is not bounded by PATH_MAX. Every level holds a file "f<level>.txt".
class DeepTree
{
public:
    DeepTree(const QString &root, const QByteArray &piece, int levels)
        : FRoot(QFile::encodeName(root)), FPiece(piece), FLevels(levels)
    {}
    bool build() const
    {
        int fd = ::open(FRoot.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 1; fd >= 0 && level <= FLevels; ++level) {
            if (mkdirat(fd, FPiece.constData(), 0755) != 0 && errno != EEXIST)
                break;
            const int next = openat(fd, FPiece.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
            if (fd < 0)
                return false;
            const QByteArray name = "f" + QByteArray::number(level) + ".txt";
            const int file = openat(fd, name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (file < 0 || ::write(file, name.constData(), size_t(name.size())) != name.size()) {
                ::close(fd);
                return false;
            }
            ::close(file);
        }
        const bool ok = fd >= 0;
        if (ok)
            ::close(fd);
        return ok;
    }
    // The contents of the file of a level below another root (the output folder).
    QByteArray read(const QString &root, int level) const
    {
        int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int i = 1; fd >= 0 && i <= level; ++i) {
            const int next = openat(fd, FPiece.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        }
        if (fd < 0)
            return QByteArray("(missing folder)");
        const QByteArray name = "f" + QByteArray::number(level) + ".txt";
        const int file = openat(fd, name.constData(), O_RDONLY | O_CLOEXEC);
        ::close(fd);
        if (file < 0)
            return QByteArray("(missing file)");
        char buffer[64];
        const ssize_t n = ::read(file, buffer, sizeof buffer);
        ::close(file);
        return QByteArray(buffer, n < 0 ? 0 : int(n));
    }

private:
    QByteArray FRoot;
    QByteArray FPiece;
    int FLevels;
};

TEST(WalkFaults, TreeDeeperThanPathMaxIsCopiedWhole)
{
    RawTempTree tree;
    tree.mkdir(QStringLiteral("src"));
    tree.mkdir(QStringLiteral("out"));
    const int levels = 50;
    const DeepTree deep(tree(QStringLiteral("src")), QByteArray(100, 'd'), levels);
    ASSERT_TRUE(deep.build());
    ASSERT_GT(levels * 101, PATH_MAX);

    RecordingLog log;
    Counters c;
    scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log,
         c);

    EXPECT_EQ(c.Copied, levels);
    EXPECT_EQ(c.Failed, 0);
    // Lines other than "Scanning: " and "Copy: " say what went wrong.
    QStringList faults = log.Lines.filter(QRegularExpression(QStringLiteral("^(?!Scanning|Copy)")));
    EXPECT_TRUE(faults.isEmpty()) << joined(faults).left(2000).toStdString();

    // Again, replacing every file: the copies go through temporaries beside the deep targets.
    Counters again;
    scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log,
         again, false, ofAll);
    EXPECT_EQ(again.Copied, levels);
    EXPECT_EQ(again.Failed, 0);
    // And once more without overwriting: the deep targets are seen to exist.
    Counters kept;
    scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log,
         kept);
    EXPECT_EQ(kept.Existed, levels);
    EXPECT_EQ(kept.Copied, 0);
    for (int level : {1, 40, 41, levels})
        EXPECT_EQ(deep.read(tree(QStringLiteral("out")), level),
                  "f" + QByteArray::number(level) + ".txt");
}

TEST(WalkFaults, NamesThatAreNotUtf8AreErrorLinesCountedAsFailed)
{
    RawTempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "a");
    ASSERT_TRUE(writeRaw(tree(QStringLiteral("src")), "b\xff.txt", "b"));
    ASSERT_EQ(mkdir(QFile::encodeName(tree(QStringLiteral("src"))).append("/d\xfe\x01").constData(),
                    0755),
              0);
    ASSERT_TRUE(writeRaw(tree(QStringLiteral("src")), "d\xfe\x01/c.txt", "c"));
    tree.write(QStringLiteral("src/e/f.txt"), "f");
    RecordingLog log;
    Counters c;

    scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log,
         c);

    const QString src = tree(QStringLiteral("src"));
    EXPECT_EQ(c.Copied, 2) << joined(log.Lines).toStdString();
    EXPECT_EQ(c.Failed, 2);
    EXPECT_EQ(log.Lines.count(QStringLiteral("Unable to read file ") + src
                              + QStringLiteral("/b\\xFF.txt (Name is not valid UTF-8)")),
              1)
        << joined(log.Lines).toStdString();
    EXPECT_EQ(log.Lines.count(QStringLiteral("Unable to read folder ") + src
                              + QStringLiteral("/d\\xFE\\x01 (Name is not valid UTF-8)")),
              1)
        << joined(log.Lines).toStdString();
    EXPECT_EQ(tree.read(QStringLiteral("out/e/f.txt")), QByteArray("f"));
}

TEST(WalkFaults, FolderThatCannotBeReadIsAnErrorLineCountedOnce)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "a");
    tree.write(QStringLiteral("src/locked/b.txt"), "b");
    tree.mkdir(QStringLiteral("out"));
    const QByteArray locked = QFile::encodeName(tree(QStringLiteral("src/locked")));
    ASSERT_EQ(chmod(locked.constData(), 0), 0);
    // Root reads every folder; the walk then runs as nobody, which may read the rest.
    const bool root = geteuid() == 0;
    if (root) {
        for (const char *path : {"", "src", "out"})
            ASSERT_EQ(chmod(QFile::encodeName(tree(QString::fromLatin1(path))).constData(), 0777),
                      0);
        chmod(QFile::encodeName(tree(QStringLiteral("src/a.txt"))).constData(), 0644);
    }

    for (bool subFolders : {false, true}) {
        RecordingLog log;
        Counters c;
        if (root) {
            ASSERT_EQ(seteuid(65534), 0);
        }
        scan(subFolders ? QStringLiteral("*.txt") : QStringLiteral("**/*.txt"),
             tree(QStringLiteral("src")),
             tree(QStringLiteral("out/") + QString::number(subFolders)), log, c, subFolders);
        if (root) {
            ASSERT_EQ(seteuid(0), 0);
        }

        EXPECT_EQ(c.Copied, 1) << joined(log.Lines).toStdString();
        EXPECT_EQ(c.Failed, 1);
        EXPECT_EQ(log.Lines.count(QStringLiteral("Unable to read folder ")
                                  + tree(QStringLiteral("src/locked"))
                                  + QStringLiteral(" (Permission denied)")),
                  1)
            << joined(log.Lines).toStdString();
    }
    chmod(locked.constData(), 0755);
}

// A folder that may be listed but not entered (read permission without search permission)
// shows the names of its entries but not what they are.
TEST(WalkFaults, FolderOfAFolderThatCannotBeEnteredIsAnErrorLine)
{
    TempTree tree;
    tree.write(QStringLiteral("src/a.txt"), "a");
    tree.write(QStringLiteral("src/listed/sub/c.txt"), "c");
    const QByteArray listed = QFile::encodeName(tree(QStringLiteral("src/listed")));
    ASSERT_EQ(chmod(listed.constData(), 0444), 0);
    const bool root = geteuid() == 0;
    if (root) {
        for (const char *path : {"", "src"})
            ASSERT_EQ(chmod(QFile::encodeName(tree(QString::fromLatin1(path))).constData(), 0777),
                      0);
        chmod(QFile::encodeName(tree(QStringLiteral("src/a.txt"))).constData(), 0644);
        ASSERT_EQ(seteuid(65534), 0);
    }
    RecordingLog log;
    Counters c;
    scan(QStringLiteral("**/*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log,
         c);
    if (root) {
        ASSERT_EQ(seteuid(0), 0);
    }

    EXPECT_EQ(c.Copied, 1) << joined(log.Lines).toStdString();
    EXPECT_EQ(c.Failed, 1);
    EXPECT_TRUE(log.Lines.contains(QStringLiteral("Unable to read folder ")
                                   + tree(QStringLiteral("src/listed/sub"))
                                   + QStringLiteral(" (Permission denied)")))
        << joined(log.Lines).toStdString();
    chmod(listed.constData(), 0755);
}

TEST(WalkFaults, ControlCharactersInNamesCannotForgeLogLines)
{
    TempTree tree;
    tree.mkdir(QStringLiteral("src"));
    ASSERT_TRUE(writeRaw(tree(QStringLiteral("src")), "a\nCompleted.\r\t\x1b.txt", "a"));
    RecordingLog log;
    Counters c;

    scan(QStringLiteral("*.txt"), tree(QStringLiteral("src")), tree(QStringLiteral("out")), log, c);

    ASSERT_EQ(c.Copied, 1);
    const QString shown = QStringLiteral("a\\nCompleted.\\r\\t\\x1B.txt");
    EXPECT_EQ(log.Lines.last(), QStringLiteral("Copy: ") + tree(QStringLiteral("out"))
                                    + QStringLiteral(" <= ") + shown + QStringLiteral(" (")
                                    + tree(QStringLiteral("src/")) + shown + QLatin1Char(')'));
    for (const QString &line : log.Lines)
        EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
            << line.toStdString();
    // The name on disk is the name it had.
    EXPECT_TRUE(QFile::exists(tree(QStringLiteral("out/a\nCompleted.\r\t\x1b.txt"))));
}

} // namespace
