#include "engine/FileSearch.h"

#include "engine/LogText.h"
#include "engine/PathAt.h"
#include "engine/PathText.h"
#include "settings/AsciiText.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char16_t foldCase(QChar c)
{
    return QChar::toCaseFolded(c.unicode());
}

// Classic wildcard matching with one back-tracking point for the last "*".
bool matchFolded(QStringView name, QStringView pattern)
{
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern[p] == QLatin1Char('?')
                       || foldCase(pattern[p]) == foldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool isAscii(const char *name)
{
    for (; *name; ++name) {
        if (static_cast<unsigned char>(*name) >= 0x80)
            return false;
    }
    return true;
}

bool matchesEverything(const QString &pattern)
{
    return pattern == QLatin1String("*") || pattern == QLatin1String("*.*");
}

struct SortKeyed
{
    QString Key;
    TSearchEntry Entry;
};

class DirHandle
{
public:
    explicit DirHandle(DIR *dir) : FDir(dir) {}
    ~DirHandle()
    {
        if (FDir)
            closedir(FDir);
    }
    DirHandle(const DirHandle &) = delete;
    DirHandle &operator=(const DirHandle &) = delete;
    DIR *get() const { return FDir; }

private:
    DIR *FDir;
};

} // namespace

bool MatchesWildcard(const QString &name, const QString &pattern)
{
    return matchesEverything(pattern) || matchFolded(name, pattern);
}

std::vector<TSearchEntry> FindEntries(const QString &pathPattern, TSearchKind kind,
                                      std::vector<TSearchFault> *faults)
{
    std::vector<TSearchEntry> result;
    const qsizetype slash = pathPattern.lastIndexOf(kPathDelim);
    const QString pattern = pathPattern.mid(slash + 1);
    if (pattern.isEmpty())
        return result;
    QString folder = slash < 0 ? QStringLiteral(".") : pathPattern.left(slash);
    if (slash == 0)
        folder = QString(kPathDelim);

    const QByteArray folderBytes = QFile::encodeName(folder);
    const auto fault = [&](const QString &shownPath, const QString &name, bool isFolder,
                           const QString &reason) {
        if (faults)
            faults->push_back(TSearchFault{shownPath, name, isFolder, reason});
    };
    const auto systemError = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };

    TPathAt at;
    int fd = -1;
    if (at.open(folderBytes))
        fd = ::openat(at.folder(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DirHandle dir(fd >= 0 ? fdopendir(fd) : nullptr);
    if (!dir.get()) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        // A folder that is not there holds nothing; one that is there but cannot be read is
        // a fault.
        if (error != ENOENT && error != ENOTDIR)
            fault(folder, QString(), true, systemError(error));
        return result;
    }
    const int dirFd = dirfd(dir.get());
    const bool all = matchesEverything(pattern);

    std::vector<SortKeyed> found;
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                fault(folder, QString(), true, systemError(errno));
            break;
        }
        // Hidden entries, "." and ".." included, are never listed.
        if (entry->d_name[0] == '.')
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (!all && !matchFolded(name, pattern))
            continue;

        TSearchEntry item;
        bool isDir = false;
        bool isFile = false;
        // The entry type from the listing saves a stat for plain files; links, unknown types
        // and folders (whose identity guards the walk) are looked at through stat.
        if (entry->d_type == DT_REG) {
            isFile = true;
        } else if (entry->d_type == DT_DIR || entry->d_type == DT_LNK
                   || entry->d_type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(dirFd, entry->d_name, &st, 0) != 0) {
                // A dangling link (or a loop of links) is a system entry. Anything else (no
                // search permission on the folder) hides what the entry is: a folder entry is a
                // fault of folder listings, a link or an entry of unknown type of either.
                const int error = errno;
                const bool asFolder = kind == TSearchKind::Folders;
                if (error != ENOENT && error != ELOOP && error != ENOTDIR
                    && (entry->d_type != DT_DIR || asFolder))
                    fault(WithTrailingDelim(folder) + ShownNameBytes(QByteArray(entry->d_name)),
                          name, asFolder, systemError(error));
                continue;
            }
            isDir = S_ISDIR(st.st_mode);
            isFile = S_ISREG(st.st_mode);
            item.Device = static_cast<std::uint64_t>(st.st_dev);
            item.Inode = static_cast<std::uint64_t>(st.st_ino);
        }
        if (kind == TSearchKind::Files ? !isFile : !isDir)
            continue;
        // A name that does not survive decoding (not valid UTF-8) could not be opened again
        // from its QString: it is reported instead of listed.
        if (!isAscii(entry->d_name) && QFile::encodeName(name) != entry->d_name) {
            fault(WithTrailingDelim(folder) + ShownNameBytes(QByteArray(entry->d_name)), name,
                  isDir, QStringLiteral("Name is not valid UTF-8"));
            continue;
        }
        item.Name = name;
        found.push_back(SortKeyed{AsciiUpper(name), std::move(item)});
    }

    std::sort(found.begin(), found.end(), [](const SortKeyed &a, const SortKeyed &b) {
        const int byKey = QString::compare(a.Key, b.Key, Qt::CaseSensitive);
        if (byKey != 0)
            return byKey < 0;
        return QString::compare(a.Entry.Name, b.Entry.Name, Qt::CaseSensitive) < 0;
    });
    result.reserve(found.size());
    for (SortKeyed &item : found)
        result.push_back(std::move(item.Entry));
    return result;
}

bool FolderIdentity(const QString &folder, std::uint64_t &device, std::uint64_t &inode)
{
    struct stat st;
    const QString path = folder.isEmpty() ? QStringLiteral(".") : folder;
    TPathAt at;
    if (!at.open(QFile::encodeName(path)) || fstatat(at.folder(), at.name(), &st, 0) != 0
        || !S_ISDIR(st.st_mode))
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}
