// The settings file under faults: a full disk, a path that is not a regular file, temporaries
// a killed program left behind.
#include "settings/SettingsFile.h"
#include "settings/uAppSettings.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <iostream>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray Native(const QString &path)
{
    return QFile::encodeName(path);
}

// About 6 KB of settings, as a user's file with a few projects.
QStringList SettingsLines(const QString &value, int count = 120)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(
            QStringLiteral("CopyProjects[%1].SourceFolder=/home/me/%2/site-%1").arg(i).arg(value));
    return lines;
}

// Everything in a folder, FIFOs, devices and hidden names included.
QStringList Listing(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                               | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// The message of the EFCreateError a save raises, empty when it raised none.
QString SaveFailure(const QString &path, const QStringList &lines)
{
    try {
        WriteSettingsFile(path, lines);
    } catch (const EFCreateError &error) {
        return error.Message();
    }
    return QString();
}

QString CreateMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}

// Runs Call on its own thread. Should it still wait after 10 s (a FIFO opened for reading waits
// for a writer), the test fails and each FIFO named is opened for writing and closed again, so
// that a reader waiting on it sees its end and the test goes on.
template <class Function>
auto WithinTenSeconds(Function call, const QStringList &fifos) -> decltype(call())
{
    auto result = std::async(std::launch::async, call);
    if (result.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "still waiting after 10 s";
        for (const QString &fifo : fifos) {
            const int fd = ::open(Native(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return result.get();
}

// A 64 KB tmpfs mounted on a temporary folder, unmounted again at the end (mounting needs root).
class SmallTmpfs
{
public:
    SmallTmpfs()
    {
        if (!FDir.isValid())
            return;
        FMounted = ::mount("tmpfs", Native(FDir.path()).constData(), "tmpfs",
                           MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=64k,mode=0700")
                   == 0;
        if (!FMounted)
            FError = errno;
    }
    ~SmallTmpfs()
    {
        if (FMounted)
            ::umount2(Native(FDir.path()).constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool isMounted() const { return FMounted; }
    const char *error() const { return std::strerror(FError); }
    QString operator()(const QString &name) const { return FDir.path() + QLatin1Char('/') + name; }

    // Fills the file system with the file Name until FreeBytes are left.
    bool fill(const QString &name, off_t freeBytes) const
    {
        const int fd = ::open(Native((*this)(name)).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        const bool full = errno == ENOSPC;
        const off_t size = ::lseek(fd, 0, SEEK_END);
        const bool freed = ::ftruncate(fd, std::max<off_t>(0, size - freeBytes)) == 0;
        ::close(fd);
        return full && freed;
    }
    off_t freeBytes() const
    {
        struct statvfs status;
        if (::statvfs(Native(FDir.path()).constData(), &status) != 0)
            return -1;
        return off_t(status.f_bavail) * off_t(status.f_frsize);
    }

private:
    QTemporaryDir FDir;
    bool FMounted = false;
    int FError = 0;
};

// Where a thing stands and what it is: the same values after a refused save mean untouched.
struct Identity
{
    dev_t Device = 0;
    ino_t Inode = 0;
    mode_t Mode = 0;
    dev_t SpecialDevice = 0;
    bool operator==(const Identity &) const = default;
};

Identity IdentityOf(const QString &path)
{
    struct stat status;
    if (::lstat(Native(path).constData(), &status) != 0)
        return Identity();
    return Identity{status.st_dev, status.st_ino, status.st_mode, status.st_rdev};
}

} // namespace

// A full file system: the save fails with the system's reason, the old file stays whole and no
// temporary is left; once there is room again the save succeeds.
TEST(SettingsFileSafety, AFullDiskKeepsTheOldFileWholeAndRaises)
{
    SmallTmpfs disk;
    if (!disk.isMounted())
        GTEST_SKIP() << "no tmpfs to fill: " << disk.error();
    const QString path = disk(QStringLiteral("rv.ini"));
    // Nothing left, and one page left (less than the new file needs).
    for (const off_t left : {off_t(0), off_t(4096)}) {
        SCOPED_TRACE(left);
        WriteSettingsFile(path, SettingsLines(QStringLiteral("old")));
        QFile oldFile(path);
        ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
        const QByteArray old = oldFile.readAll();
        oldFile.close();
        ASSERT_GT(old.size(), 6000);
        ASSERT_TRUE(disk.fill(QStringLiteral("filler"), left));
        ASSERT_LE(disk.freeBytes(), left);

        const QStringList newer = SettingsLines(QStringLiteral("newer-and-longer"));
        EXPECT_EQ(SaveFailure(path, newer).toStdString(),
                  CreateMessage(path, qt_error_string(ENOSPC)).toStdString());
        ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(oldFile.readAll(), old);
        oldFile.close();
        EXPECT_EQ(Listing(disk(QString())),
                  QStringList({QStringLiteral("filler"), QStringLiteral("rv.ini")}));

        ASSERT_TRUE(QFile::remove(disk(QStringLiteral("filler"))));
        WriteSettingsFile(path, newer);
        ASSERT_TRUE(oldFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(oldFile.readAll(), EncodeSettingsLines(newer));
        oldFile.close();
    }
}

// The same with a file-size limit (RLIMIT_FSIZE, SIGXFSZ ignored) standing in for the full disk:
// this runs without root.
TEST(SettingsFileSafety, AFileSizeLimitKeepsTheOldFileWholeAndRaises)
{
    TempTree tree;
    const QString path = tree(QStringLiteral("rv.ini"));
    WriteSettingsFile(path, SettingsLines(QStringLiteral("old")));
    const QByteArray old = tree.read(QStringLiteral("rv.ini"));
    ASSERT_GT(old.size(), 6000);

    QString message;
    {
        // The limit and the signal are put back at the end of this block, whatever is raised.
        struct Restore
        {
            struct sigaction FSignal;
            struct rlimit FLimit;
            ~Restore()
            {
                ::setrlimit(RLIMIT_FSIZE, &FLimit);
                ::sigaction(SIGXFSZ, &FSignal, nullptr);
            }
        } restore;
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &restore.FSignal), 0);
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &restore.FLimit), 0);
        struct rlimit limit = restore.FLimit;
        limit.rlim_cur = 4096;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        // Nothing is printed before the limit is lifted: gtest's own output may be a file.
        message = SaveFailure(path, SettingsLines(QStringLiteral("new")));
    }
    EXPECT_EQ(message.toStdString(), CreateMessage(path, qt_error_string(EFBIG)).toStdString());
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")), old);
    EXPECT_EQ(Listing(tree.path()), QStringList({QStringLiteral("rv.ini")}));
}

// A folder, a character device, a FIFO (directly or through a symbolic link) at the settings
// path are refused with the reason, and reading one neither waits nor reads without end.
TEST(SettingsFileSafety, ReadingSomethingElseThanARegularFileIsRefused)
{
    TempTree tree;
    const QString fifo = tree(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(Native(fifo).constData(), 0600), 0) << std::strerror(errno);
    const QString fifoLink = tree(QStringLiteral("fifo-link.ini"));
    ASSERT_TRUE(QFile::link(fifo, fifoLink));
    const QString zeroLink = tree(QStringLiteral("zero-link.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zeroLink));
    const struct
    {
        const char *Label;
        QString Path;
        const char *Kind;
    } cases[] = {
        {"folder", tree.mkdir(QStringLiteral("folder.ini")), "a folder"},
        {"/dev/null", QStringLiteral("/dev/null"), "a character device"},
        {"/dev/zero", QStringLiteral("/dev/zero"), "a character device"},
        {"link to /dev/zero", zeroLink, "a character device"},
        {"FIFO", fifo, "a FIFO"},
        {"link to a FIFO", fifoLink, "a FIFO"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Label);
        const QString message = WithinTenSeconds(
            [&]() -> QString {
                try {
                    ReadSettingsFile(c.Path);
                } catch (const EFOpenError &error) {
                    return error.Message();
                }
                return QStringLiteral("no error");
            },
            {fifo});
        EXPECT_EQ(message.toStdString(),
                  QStringLiteral("Cannot open file \"%1\". Not a regular file (%2)")
                      .arg(c.Path, QLatin1String(c.Kind))
                      .toStdString());
    }

    // Through the settings store the lines read before stay.
    TAppSettings settings;
    settings.Strings().Add(QStringLiteral("keep=1"));
    EXPECT_THROW(WithinTenSeconds([&]() { settings.LoadFromFile(fifo); }, {fifo}), EFOpenError);
    EXPECT_EQ(settings.Strings().Values(QStringLiteral("keep")), QStringLiteral("1"));
    EXPECT_EQ(IdentityOf(fifo).Mode & S_IFMT, mode_t(S_IFIFO));
}

// Saving over a folder, a character device or a FIFO (directly or through a symbolic link) is
// refused with the reason, and the thing stays as it was, nothing added beside it. The device is
// a copy of /dev/null made in the temporary folder: a fault must not cost the system its own.
TEST(SettingsFileSafety, SavingOverSomethingElseThanARegularFileIsRefusedAndLeavesItAlone)
{
    TempTree tree;
    const QString folder = tree.mkdir(QStringLiteral("folder.ini"));
    tree.write(QStringLiteral("folder.ini/inside"), "x");
    const QString fifo = tree(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(Native(fifo).constData(), 0600), 0) << std::strerror(errno);
    const QString fifoLink = tree(QStringLiteral("fifo-link.ini"));
    ASSERT_TRUE(QFile::link(fifo, fifoLink));
    const QString device = tree(QStringLiteral("null.ini"));
    const bool haveDevice = ::mknod(Native(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const QString deviceLink = tree(QStringLiteral("null-link.ini"));
    if (haveDevice)
        ASSERT_TRUE(QFile::link(device, deviceLink));
    else
        std::cout << "no device node (mknod: " << std::strerror(errno) << "): those rows skipped\n";

    struct Case
    {
        const char *Label;
        QString Path;
        QString Target;
        const char *Kind;
    };
    std::vector<Case> cases = {
        {"folder", folder, folder, "a folder"},
        {"FIFO", fifo, fifo, "a FIFO"},
        {"link to a FIFO", fifoLink, fifo, "a FIFO"},
    };
    if (haveDevice) {
        cases.push_back({"character device", device, device, "a character device"});
        cases.push_back({"link to a character device", deviceLink, device, "a character device"});
    }
    const QStringList before = Listing(tree.path());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Label);
        const Identity path = IdentityOf(c.Path);
        const Identity target = IdentityOf(c.Target);
        const QString message = WithinTenSeconds(
            [&]() { return SaveFailure(c.Path, SettingsLines(QStringLiteral("x"), 3)); }, {fifo});
        EXPECT_EQ(message.toStdString(),
                  CreateMessage(c.Path, QStringLiteral("Not a regular file (%1)").arg(c.Kind))
                      .toStdString());
        EXPECT_EQ(IdentityOf(c.Path), path);
        EXPECT_EQ(IdentityOf(c.Target), target);
        EXPECT_EQ(Listing(tree.path()), before);
    }
    EXPECT_EQ(Listing(folder), QStringList({QStringLiteral("inside")}));
}

// Temporaries of earlier saves of the same file are removed by the next save: this writer's
// ("rv.ini.saving-" and six letters or digits) and QSaveFile's ("rv.ini." and six letters in
// mixed case). Anything else stays: other names, other files' temporaries, what is not a
// regular file, a temporary that a save going on holds locked, and a suffix in one letter case
// (far likelier a user's copy such as rv.ini.backup).
TEST(SettingsFileSafety, TheNextSaveRemovesTemporariesAKilledSaveLeft)
{
    TempTree tree;
    const QString path = tree.write(QStringLiteral("rv.ini"), "old");
    const QStringList removed = {QStringLiteral("rv.ini.saving-Ab3xY9"),
                                 QStringLiteral("rv.ini.saving-000000"),
                                 QStringLiteral("rv.ini.HIkLdW"), QStringLiteral("rv.ini.aBcdef")};
    const QStringList kept = {QStringLiteral("rv.ini.backup"),
                              QStringLiteral("rv.ini.BACKUP"),
                              QStringLiteral("rv.ini.HIkLd"),
                              QStringLiteral("rv.ini.HIkLdWx"),
                              QStringLiteral("rv.ini.HIkLd9"),
                              QStringLiteral("rv.ini.saving-Ab3xY"),
                              QStringLiteral("rv.ini.saving-Ab3xY99"),
                              QStringLiteral("rv.ini.saving-Ab3x_9"),
                              QStringLiteral("rv.ini.tmp-Ab3xY9"),
                              QStringLiteral("other.ini.HIkLdW"),
                              QStringLiteral("other.ini.saving-Ab3xY9"),
                              QStringLiteral("xrv.ini.HIkLdW"),
                              QStringLiteral("rv.ini.bak")};
    for (const QString &name : removed + kept)
        tree.write(name, "\xEF\xBB\xBF"
                         "half=");
    // Not regular files: a folder, a symbolic link (to a file that must stay as well), a FIFO.
    tree.write(QStringLiteral("rv.ini.saving-Dir123/inside"), "x");
    tree.write(QStringLiteral("linked"), "linked");
    ASSERT_TRUE(
        QFile::link(tree(QStringLiteral("linked")), tree(QStringLiteral("rv.ini.saving-Lnk123"))));
    ASSERT_EQ(::mkfifo(Native(tree(QStringLiteral("rv.ini.saving-Fif123"))).constData(), 0600), 0);
    // A save of the same file by another process, still going on.
    const QString busy = tree.write(QStringLiteral("rv.ini.saving-Lck123"), "busy");
    const int busyFd = ::open(Native(busy).constData(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(busyFd, 0);
    ASSERT_EQ(::flock(busyFd, LOCK_EX), 0);

    WriteSettingsFile(path, {QStringLiteral("k=v")});
    ::close(busyFd);

    QStringList expected = kept;
    expected << QStringLiteral("rv.ini") << QStringLiteral("rv.ini.saving-Dir123")
             << QStringLiteral("linked") << QStringLiteral("rv.ini.saving-Lnk123")
             << QStringLiteral("rv.ini.saving-Fif123") << QStringLiteral("rv.ini.saving-Lck123");
    expected.sort();
    EXPECT_EQ(Listing(tree.path()), expected);
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")), QByteArray("\xEF\xBB\xBFk=v\r\n"));
    EXPECT_EQ(tree.read(QStringLiteral("linked")), QByteArray("linked"));
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini.saving-Lck123")), QByteArray("busy"));
}

// Saved through a symbolic link, the temporaries beside the linked file are the ones removed.
TEST(SettingsFileSafety, TemporariesAreRemovedBesideTheLinkedFile)
{
    TempTree tree;
    const QString target = tree.write(QStringLiteral("dotfiles/real.ini"), "old");
    tree.write(QStringLiteral("dotfiles/real.ini.saving-Ab3xY9"), "half");
    tree.write(QStringLiteral("rv.ini.saving-Ab3xY9"), "not this file's");
    const QString link = tree(QStringLiteral("rv.ini"));
    ASSERT_TRUE(QFile::link(target, link));

    WriteSettingsFile(link, {QStringLiteral("k=v")});
    EXPECT_EQ(Listing(tree(QStringLiteral("dotfiles"))), QStringList({QStringLiteral("real.ini")}));
    EXPECT_EQ(Listing(tree.path()),
              QStringList({QStringLiteral("dotfiles"), QStringLiteral("rv.ini"),
                           QStringLiteral("rv.ini.saving-Ab3xY9")}));
    EXPECT_EQ(tree.read(QStringLiteral("dotfiles/real.ini")), QByteArray("\xEF\xBB\xBFk=v\r\n"));
}

// A settings file its owner made read-only is not replaced (root may write it all the same).
TEST(SettingsFileSafety, AReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    TempTree tree;
    const QString path = tree.write(QStringLiteral("rv.ini"), "old");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    EXPECT_EQ(SaveFailure(path, {QStringLiteral("k=v")}).toStdString(),
              CreateMessage(path, QStringLiteral("Existing file %1 is not writable").arg(path))
                  .toStdString());
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")), QByteArray("old"));
    EXPECT_EQ(Listing(tree.path()), QStringList({QStringLiteral("rv.ini")}));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
