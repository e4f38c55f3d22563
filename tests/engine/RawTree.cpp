#include "RawTree.h"

#include <QByteArray>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

void removeBelow(int folder)
{
    const int listed = dup(folder);
    DIR *dir = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!dir) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent *entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    for (const QByteArray &name : names) {
        const int sub = openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (sub >= 0) {
            removeBelow(sub);
            ::close(sub);
            unlinkat(folder, name.constData(), AT_REMOVEDIR);
        } else {
            unlinkat(folder, name.constData(), 0);
        }
    }
}

} // namespace

RawTempTree::~RawTempTree()
{
    const int fd = ::open(QFile::encodeName(path()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        removeBelow(fd);
        ::close(fd);
    }
}
