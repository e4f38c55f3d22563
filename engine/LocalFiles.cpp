#include "engine/LocalFiles.h"

#include "engine/PathAt.h"
#include "settings/Exception.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

bool statPath(const QString &path, bool followLinks, struct stat &st)
{
    if (path.isEmpty())
        return false;
    TPathAt at;
    return at.open(QFile::encodeName(path))
           && fstatat(at.folder(), at.name(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) == 0;
}

// stat and mkdir for paths of any length (see TPathAt).
bool statFolder(const QByteArray &path, struct stat &st)
{
    TPathAt at;
    return at.open(path) && fstatat(at.folder(), at.name(), &st, 0) == 0;
}

int makeOneFolder(const QByteArray &path)
{
    TPathAt at;
    return at.open(path) ? mkdirat(at.folder(), at.name(), 0777) : -1;
}

bool makeFolder(const QByteArray &path)
{
    struct stat st;
    if (statFolder(path, st))
        return S_ISDIR(st.st_mode);
    if (makeOneFolder(path) == 0)
        return true;
    if (errno == EEXIST)
        return statFolder(path, st) && S_ISDIR(st.st_mode);
    if (errno != ENOENT)
        return false;
    // A parent is missing: make it first, then try again.
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == '/')
        --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash <= 0 || !makeFolder(path.left(slash)))
        return false;
    return makeOneFolder(path) == 0
           || (errno == EEXIST && statFolder(path, st) && S_ISDIR(st.st_mode));
}

} // namespace

bool LocalFileExists(const QString &path, bool followLinks)
{
    struct stat st;
    return statPath(path, followLinks, st) && !S_ISDIR(st.st_mode);
}

TDateTime LocalFileAge(const QString &path, bool followLinks)
{
    struct stat st;
    if (!statPath(path, followLinks, st))
        return 0;
    return UtcDateTimeFromUnix(static_cast<qint64>(st.st_mtim.tv_sec));
}

qint64 LocalFileSize(const QString &path)
{
    struct stat st;
    if (!statPath(path, true, st))
        return 0;
    return static_cast<qint64>(st.st_size);
}

bool LocalFileFacts(const QString &path, TDateTime &age)
{
    struct stat st;
    if (!statPath(path, true, st) || S_ISDIR(st.st_mode))
        return false;
    age = UtcDateTimeFromUnix(static_cast<qint64>(st.st_mtim.tv_sec));
    return true;
}

bool LocalForceDirectories(const QString &folder)
{
    if (folder.isEmpty())
        throw Exception(QStringLiteral("Unable to create directory"));
    return makeFolder(QFile::encodeName(folder));
}
