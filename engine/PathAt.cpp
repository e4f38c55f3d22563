#include "engine/PathAt.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens a folder path of any length by opening pieces of it relative to each other; -1 with
// errno set on failure.
int openFolderInPieces(const QByteArray &folder)
{
    int current = -1;
    qsizetype pos = 0;
    while (pos < folder.size()) {
        qsizetype cut = folder.size();
        if (cut - pos >= PATH_MAX) {
            // The last "/" that leaves the piece shorter than PATH_MAX.
            const qsizetype slash = folder.lastIndexOf('/', pos + PATH_MAX - 2);
            if (slash < pos) {
                if (current >= 0)
                    ::close(current);
                errno = ENAMETOOLONG;
                return -1;
            }
            cut = slash + 1;
        }
        const QByteArray piece = folder.mid(pos, cut - pos);
        const int fd = ::openat(current >= 0 ? current : AT_FDCWD, piece.constData(),
                                O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (current >= 0)
            ::close(current);
        if (fd < 0) {
            errno = error;
            return -1;
        }
        current = fd;
        pos = cut;
    }
    return current;
}

} // namespace

bool TPathAt::open(const QByteArray &path)
{
    FFolder.reset();
    // Short only when every entry of its folder is short as well, so that sibling() stays
    // below PATH_MAX for any name of up to NAME_MAX bytes.
    const qsizetype lastSlash = path.lastIndexOf('/');
    if (path.size() < PATH_MAX && lastSlash + 1 + NAME_MAX < PATH_MAX) {
        FName = path;
        FPrefixSize = lastSlash + 1;
        return true;
    }
    qsizetype end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash < 0) {
        errno = ENAMETOOLONG;
        return false;
    }
    FName = path.mid(slash + 1, end - slash - 1);
    if (FName.isEmpty())
        FName = QByteArrayLiteral(".");
    FPrefixSize = 0;
    const int fd = openFolderInPieces(path.left(slash + 1));
    if (fd < 0)
        return false;
    FFolder.reset(fd);
    return true;
}

int TPathAt::folder() const
{
    return FFolder.isOpen() ? FFolder.get() : AT_FDCWD;
}

QByteArray TPathAt::sibling(const QByteArray &entryName) const
{
    return FName.left(FPrefixSize) + entryName;
}
