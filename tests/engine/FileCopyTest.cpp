// The whole-file copy of the platform layer and the local file facts.
#include "engine/FileCopy.h"
#include "engine/LocalFiles.h"
#include "settings/Exception.h"
#include "support/TempTree.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(FileCopy, KeepsContentsPermissionBitsAndTimeAndReplacesTheTarget)
{
    TempTree tree;
    const QByteArray contents(300000, 'z');
    const QString src = tree.write(QStringLiteral("a.sh"), contents);
    ASSERT_EQ(chmod(QFile::encodeName(src).constData(), 0751), 0);
    const QDateTime when(QDate(2020, 2, 29), QTime(23, 59, 58));
    tree.setMTime(QStringLiteral("a.sh"), when);
    tree.write(QStringLiteral("b.sh"), "older and shorter");

    QString why;
    ASSERT_TRUE(CopyFileKeepingTime(src, tree(QStringLiteral("b.sh")), false, &why))
        << why.toStdString();

    EXPECT_EQ(tree.read(QStringLiteral("b.sh")), contents);
    EXPECT_EQ(modeOf(tree(QStringLiteral("b.sh"))), mode_t(0751));
    EXPECT_EQ(tree.mtime(QStringLiteral("b.sh")), when);
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// New files take the source's bits however the creation mask or the folder's default ACL would
// have cut them, special bits included.
TEST(FileCopy, NewFilesGetTheSourcePermissionBitsWhateverTheMaskOrDefaultAcl)
{
    TempTree tree;
    QDir(tree.path()).mkpath(QStringLiteral("plain"));
    QDir(tree.path()).mkpath(QStringLiteral("acl"));
    // A default ACL of user rwx, group r-x, other none (version 2 entries: tag, perm, id).
    const unsigned char acl[] = {2,    0, 0, 0,                          // version
                                 1,    0, 7, 0, 0xff, 0xff, 0xff, 0xff,  // user::rwx
                                 4,    0, 5, 0, 0xff, 0xff, 0xff, 0xff,  // group::r-x
                                 0x20, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}; // other::---
    const bool aclSet = setxattr(QFile::encodeName(tree(QStringLiteral("acl"))).constData(),
                                 "system.posix_acl_default", acl, sizeof acl, 0)
                        == 0;
    const mode_t modes[] = {0644, 0600, 0666, 0777, 0751, 0000, 04755, 02750, 01777};
    for (const char *folder : {"plain", "acl"}) {
        if (QLatin1String(folder) == QLatin1String("acl") && !aclSet)
            continue;
        for (const mode_t mode : modes) {
            const QString name = QString::number(mode, 8);
            const QString src = tree.write(QStringLiteral("src/") + name, "x");
            ASSERT_EQ(chmod(QFile::encodeName(src).constData(), mode), 0);
            const QString dst = tree(QLatin1String(folder) + QLatin1Char('/') + name);
            QString why;
            ASSERT_TRUE(CopyFileKeepingTime(src, dst, false, &why)) << why.toStdString();
            EXPECT_EQ(modeOf(dst), mode) << folder << " " << name.toStdString();
        }
    }
    if (!aclSet)
        GTEST_SKIP() << "no default ACLs on this file system: only the mask was checked";
}

TEST(FileCopy, FailIfExistsKeepsTheTarget)
{
    TempTree tree;
    const QString src = tree.write(QStringLiteral("a"), "new");
    tree.write(QStringLiteral("b"), "old");
    QString why;
    EXPECT_FALSE(CopyFileKeepingTime(src, tree(QStringLiteral("b")), true, &why));
    EXPECT_EQ(why, QStringLiteral("File exists"));
    EXPECT_EQ(tree.read(QStringLiteral("b")), QByteArray("old"));
    EXPECT_TRUE(CopyFileKeepingTime(src, tree(QStringLiteral("c")), true));
    EXPECT_EQ(tree.read(QStringLiteral("c")), QByteArray("new"));
}

TEST(FileCopy, FolderAsSourceOrTargetFailsAndLeavesNothingBehind)
{
    TempTree tree;
    const QString src = tree.write(QStringLiteral("a"), "x");
    tree.mkdir(QStringLiteral("dir"));
    tree.write(QStringLiteral("dir/keep"), "k");
    EXPECT_FALSE(
        CopyFileKeepingTime(tree(QStringLiteral("dir")), tree(QStringLiteral("b")), false));
    EXPECT_FALSE(tree.exists(QStringLiteral("b")));
    EXPECT_FALSE(CopyFileKeepingTime(src, tree(QStringLiteral("dir")), false));
    EXPECT_EQ(tree.read(QStringLiteral("dir/keep")), QByteArray("k"));
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(LocalFiles, AgeIsAnInstantInWholeSecondsAndZeroForMissingFiles)
{
    TempTree tree;
    tree.write(QStringLiteral("f"));
    const QDateTime when(QDate(2021, 7, 1), QTime(12, 0, 30, 999), QTimeZone::utc());
    QFile f(tree(QStringLiteral("f")));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    f.close();

    const double expected = double(QDate(1899, 12, 30).daysTo(when.date()))
                            + (12 * 3600 + 30) / 86400.0;
    EXPECT_DOUBLE_EQ(LocalFileAge(tree(QStringLiteral("f")), true), expected);
    EXPECT_EQ(LocalFileAge(tree(QStringLiteral("missing")), true), 0.0);
    EXPECT_FALSE(LocalFileExists(tree.path(), true)); // a folder is not a file
}

TEST(LocalFiles, ForceDirectoriesMakesEveryLevelAndRefusesAnEmptyPath)
{
    TempTree tree;
    EXPECT_TRUE(LocalForceDirectories(tree(QStringLiteral("a/b/c"))));
    EXPECT_TRUE(QDir(tree(QStringLiteral("a/b/c"))).exists());
    EXPECT_TRUE(LocalForceDirectories(tree(QStringLiteral("a/b/c"))));
    tree.write(QStringLiteral("file"));
    EXPECT_FALSE(LocalForceDirectories(tree(QStringLiteral("file/sub"))));
    try {
        LocalForceDirectories(QString());
        ADD_FAILURE() << "an empty path was accepted";
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Unable to create directory"));
    }
}

} // namespace
