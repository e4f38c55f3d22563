#include "engine/LocalFiles.h"

#include "settings/Exception.h"

#include <QFile>

#include <cerrno>
#include <ctime>
#include <sys/stat.h>

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

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

TDateTime LocalDateTimeFromUnix(long long seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm local;
    if (!localtime_r(&t, &local))
        return 0;
    const long long days = daysFromCivil(local.tm_year + 1900LL, unsigned(local.tm_mon + 1),
                                         unsigned(local.tm_mday));
    const int secondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return double(days) + kUnixEpochDays + secondOfDay / 86400.0;
}

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
    return LocalDateTimeFromUnix(static_cast<long long>(st.st_mtim.tv_sec));
}

bool LocalFileFacts(const QString &path, TDateTime &age)
{
    struct stat st;
    if (!statPath(path, true, st) || S_ISDIR(st.st_mode))
        return false;
    age = LocalDateTimeFromUnix(static_cast<long long>(st.st_mtim.tv_sec));
    return true;
}

bool LocalForceDirectories(const QString &folder)
{
    if (folder.isEmpty())
        throw Exception(QStringLiteral("Unable to create directory"));
    return makeFolder(QFile::encodeName(folder));
}
