#include "engine/FileSearch.h"

#include "engine/PathText.h"
#include "settings/AsciiText.h"

#include <QFile>

#include <algorithm>
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

std::vector<TSearchEntry> FindEntries(const QString &pathPattern, TSearchKind kind)
{
    std::vector<TSearchEntry> result;
    const qsizetype slash = pathPattern.lastIndexOf(kPathDelim);
    const QString pattern = pathPattern.mid(slash + 1);
    if (pattern.isEmpty())
        return result;
    QString folder = slash < 0 ? QStringLiteral(".") : pathPattern.left(slash);
    if (slash == 0)
        folder = QString(kPathDelim);

    DirHandle dir(opendir(QFile::encodeName(folder).constData()));
    if (!dir.get())
        return result;
    const int dirFd = dirfd(dir.get());
    const bool all = matchesEverything(pattern);

    std::vector<SortKeyed> found;
    while (const dirent *entry = readdir(dir.get())) {
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
            if (fstatat(dirFd, entry->d_name, &st, 0) != 0)
                continue;
            isDir = S_ISDIR(st.st_mode);
            isFile = S_ISREG(st.st_mode);
            item.Device = static_cast<std::uint64_t>(st.st_dev);
            item.Inode = static_cast<std::uint64_t>(st.st_ino);
        }
        if (kind == TSearchKind::Files ? !isFile : !isDir)
            continue;
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
    if (stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}
