#include "engine/LocalFiles.h"

#include "settings/Exception.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace {

bool statPath(const QString &path, bool followLinks, struct stat &st)
{
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    return (followLinks ? stat(native.constData(), &st) : lstat(native.constData(), &st)) == 0;
}

bool makeFolder(const QByteArray &path)
{
    struct stat st;
    if (stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (mkdir(path.constData(), 0777) == 0)
        return true;
    if (errno == EEXIST)
        return stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    if (errno != ENOENT)
        return false;
    // A parent is missing: make it first, then try again.
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == '/')
        --end;
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    if (slash <= 0 || !makeFolder(path.left(slash)))
        return false;
    return mkdir(path.constData(), 0777) == 0
           || (errno == EEXIST && stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode));
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
