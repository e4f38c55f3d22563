// Paths of any length through TPathAt.
#include "RawTree.h"
#include "engine/PathAt.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool createAt(const TPathAt &at, const char *path)
{
    const int fd = ::openat(at.folder(), path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

// Folders of mixed name lengths down to twice PATH_MAX, so that the pieces a long path is
// opened in end at every kind of place; at each level a file is made and found again through
// its full path, and a second one beside it through sibling().
TEST(PathAt, ReachesEveryLevelOfATreeDeeperThanPathMax)
{
    RawTempTree tree;
    QByteArray folder = QFile::encodeName(tree.path());
    const int lengths[] = {255, 1, 37, 254, 128, 3, 200};
    int levels = 0;
    for (int i = 0; folder.size() < 2 * PATH_MAX; ++i, ++levels) {
        folder += '/' + QByteArray(lengths[i % 7], char('a' + i % 26));
        TPathAt at;
        ASSERT_TRUE(at.open(folder)) << folder.size();
        ASSERT_EQ(mkdirat(at.folder(), at.name(), 0755), 0) << folder.size();

        const QByteArray file = folder + "/file";
        ASSERT_TRUE(at.open(file)) << file.size();
        ASSERT_TRUE(createAt(at, at.name())) << file.size();
        ASSERT_TRUE(createAt(at, at.sibling(QByteArray(255, 's')).constData())) << file.size();

        TPathAt again;
        struct stat st;
        ASSERT_TRUE(again.open(folder + '/' + QByteArray(255, 's')));
        ASSERT_EQ(fstatat(again.folder(), again.name(), &st, 0), 0) << file.size();
        EXPECT_TRUE(S_ISREG(st.st_mode));
    }
    EXPECT_GT(levels, 20);
}

// A "/" just before, at and just after the place where a piece of PATH_MAX - 1 bytes ends: the
// path is cut before it wherever the piece would be too long.
TEST(PathAt, CutsPiecesAtTheLastSlashThatFits)
{
    RawTempTree tree;
    for (int slashAt = PATH_MAX - 3; slashAt <= PATH_MAX + 1; ++slashAt) {
        // The first folder's name is as long as it must be for the last one to end at slashAt.
        const QByteArray root = QFile::encodeName(tree.path()) + '/';
        QByteArray path = root + QByteArray::number(slashAt);
        // (No folder name may be empty: the names left over must not come out at 0 bytes.)
        while ((slashAt - path.size() - 1) % 256 == 0)
            path += '_';
        ASSERT_EQ(mkdir(path.constData(), 0755), 0);
        std::vector<QByteArray> folders;
        while (path.size() < slashAt) {
            const qsizetype left = slashAt - path.size() - 1;
            path += '/' + QByteArray(int(std::min<qsizetype>(left, 255)), 'n');
            folders.push_back(path);
        }
        ASSERT_EQ(path.size(), slashAt);
        folders.push_back(path + '/' + QByteArray(255, 'z'));
        for (const QByteArray &folder : folders) {
            TPathAt at;
            ASSERT_TRUE(at.open(folder)) << slashAt;
            ASSERT_EQ(mkdirat(at.folder(), at.name(), 0755), 0) << slashAt;
        }
        TPathAt at;
        ASSERT_TRUE(at.open(folders.back() + "/file")) << slashAt;
        EXPECT_TRUE(createAt(at, at.name())) << slashAt;
    }
}

TEST(PathAt, MissingFolderOfALongPathIsAnError)
{
    RawTempTree tree;
    const QByteArray path = QFile::encodeName(tree.path()) + "/missing/"
                            + QByteArray(PATH_MAX, 'x').replace(100, 1, "/") + "/f";
    TPathAt at;
    errno = 0;
    EXPECT_FALSE(at.open(path));
    EXPECT_EQ(errno, ENOENT);
}

} // namespace
