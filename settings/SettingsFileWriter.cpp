// Saving the settings file: a temporary beside it, flushed, then renamed over it.
#include "settings/FileDescriptor.h"
#include "settings/FileErrorText.h"
#include "settings/SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The writer's temporaries: "<name>.saving-" and six ASCII letters or digits, beside the file.
const char kTempInfix[] = ".saving-";
constexpr qsizetype kTempInfixSize = sizeof(kTempInfix) - 1;
constexpr qsizetype kTempRandomSize = 6;
const char kTempCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// QSaveFile, which wrote the file before, named its temporaries "<name>." and six ASCII
// letters (Qt 6 QTemporaryFileName: upper and lower case drawn alike).
constexpr qsizetype kQtTempRandomSize = 6;

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiLetterOrDigit(char c)
{
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

// Whether Entry is a temporary that a save of the file Name left behind: this writer's
// pattern, or QSaveFile's. A QSaveFile name is taken only with both an upper- and a lower-case
// letter in it: "rv.ini.backup" or "rv.ini.BACKUP" is far likelier a user's copy than one of
// the 1 in 32 names QSaveFile drew in one letter case alone.
bool IsLeftoverTemporary(QByteArrayView Entry, QByteArrayView Name)
{
    if (!Entry.startsWith(Name))
        return false;
    const QByteArrayView rest = Entry.sliced(Name.size());
    if (rest.size() == kTempInfixSize + kTempRandomSize
        && rest.startsWith(QByteArrayView(kTempInfix, kTempInfixSize))) {
        const QByteArrayView random = rest.sliced(kTempInfixSize);
        return std::all_of(random.begin(), random.end(), IsAsciiLetterOrDigit);
    }
    if (rest.size() == 1 + kQtTempRandomSize && rest.front() == '.') {
        const QByteArrayView random = rest.sliced(1);
        return std::all_of(random.begin(), random.end(), IsAsciiLetter)
               && std::any_of(random.begin(), random.end(), [](char c) { return c <= 'Z'; })
               && std::any_of(random.begin(), random.end(), [](char c) { return c >= 'a'; });
    }
    return false;
}

// Removes the temporaries of Name in the folder that a killed program left. Only regular files
// go, and only those no save holds locked (a save of the same file by another process that is
// still going on keeps its temporary). Best effort: what cannot be removed now is tried again
// at the next save, and the save itself does not depend on it.
void RemoveLeftoverTemporaries(int Folder, const QByteArray &Name)
{
    QList<QByteArray> found;
    {
        const int listing = ::openat(Folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listing < 0)
            return;
        DIR *dir = ::fdopendir(listing);
        if (!dir) {
            ::close(listing);
            return;
        }
        while (const dirent *entry = ::readdir(dir)) {
            if (IsLeftoverTemporary(QByteArrayView(entry->d_name), Name))
                found.append(QByteArray(entry->d_name));
        }
        ::closedir(dir);
    }
    for (const QByteArray &entry : found) {
        struct stat named;
        if (::fstatat(Folder, entry.constData(), &named, AT_SYMLINK_NOFOLLOW) != 0
            || !S_ISREG(named.st_mode))
            continue;
        const TFd file(::openat(Folder, entry.constData(),
                                O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
        struct stat opened;
        if (!file.isOpen() || ::fstat(file.get(), &opened) != 0 || opened.st_dev != named.st_dev
            || opened.st_ino != named.st_ino)
            continue;
        // Where locks are not supported, nothing tells an abandoned temporary from one in use.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        ::unlinkat(Folder, entry.constData(), 0);
    }
}

// The file a save replaces: the end of a chain of symbolic links (which stay links), also when
// that end does not exist yet.
QString SaveTarget(const QString &FileName)
{
    QFileInfo info(FileName);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

// Creates a new temporary beside the target, opened for writing with mode 0600 and locked
// against RemoveLeftoverTemporaries; false with errno set when it cannot.
bool CreateTemporary(int Folder, const QByteArray &Name, QByteArray &TempName, TFd &File)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempName = Name + kTempInfix;
        for (qsizetype i = 0; i < kTempRandomSize; ++i)
            TempName += kTempCharacters[QRandomGenerator::global()->bounded(
                int(sizeof(kTempCharacters) - 1))];
        File.reset(::openat(Folder, TempName.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
        if (!File.isOpen()) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        // Another save that removed this name's leftovers between the creation and the lock
        // has unlinked it: take another name.
        struct stat status;
        if (::flock(File.get(), LOCK_EX) == 0 && ::fstat(File.get(), &status) == 0
            && status.st_nlink == 0)
            continue;
        // The umask may have taken bits away; the file is to be exactly 0600.
        if (::fchmod(File.get(), S_IRUSR | S_IWUSR) != 0) {
            const int error = errno;
            ::unlinkat(Folder, TempName.constData(), 0);
            File.reset();
            errno = error;
            return false;
        }
        return true;
    }
    File.reset();
    errno = EEXIST;
    return false;
}

bool WriteAll(int File, const QByteArray &Bytes)
{
    const char *data = Bytes.constData();
    qsizetype left = Bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(File, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

void WriteSettingsFile(const QString &FileName, const QStringList &Lines)
{
    const auto failure = [&FileName](const QString &reason) {
        return EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, reason));
    };
    const QByteArray bytes = EncodeSettingsLines(Lines);

    const QByteArray target = QFile::encodeName(SaveTarget(FileName));
    // Only a regular file is replaced (a FIFO or a device given as the settings file stays what
    // it is); nothing there yet is a new file.
    struct stat status;
    if (::stat(target.constData(), &status) == 0) {
        if (!S_ISREG(status.st_mode))
            throw failure(NotRegularReason(status.st_mode));
        // A file its owner made read-only stays as it is (the rename would not ask), as it did
        // with QSaveFile, whose words these are.
        if (::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
            throw failure(errno == EACCES
                              ? QStringLiteral("Existing file %1 is not writable").arg(FileName)
                              : SystemReason(errno));
        }
    } else if (errno != ENOENT) {
        throw failure(SystemReason(errno));
    }
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray name = target.mid(slash + 1);
    const QByteArray folderPath = slash < 0    ? QByteArray(".")
                                  : slash == 0 ? QByteArray("/")
                                               : target.left(slash);
    if (name.isEmpty() || name == "." || name == "..")
        throw failure(SystemReason(target.isEmpty() ? ENOENT : EISDIR));

    // The folder is opened for reading to list it and to flush it; a folder that may be written
    // but not read is still written, without the two.
    TFd folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const bool readable = folder.isOpen();
    if (!readable && errno == EACCES)
        folder.reset(::open(folderPath.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen())
        throw failure(SystemReason(errno));
    if (readable)
        RemoveLeftoverTemporaries(folder.get(), name);

    // The new contents go to a temporary beside the file and reach the disk before the rename
    // replaces the file, so that the file is at every moment the old one or the new one, whole
    // (a full disk fails the write or the flush, never the old file).
    QByteArray tempName;
    TFd temp;
    if (!CreateTemporary(folder.get(), name, tempName, temp))
        throw failure(SystemReason(errno));
    if (!WriteAll(temp.get(), bytes) || ::fsync(temp.get()) != 0
        || ::renameat(folder.get(), tempName.constData(), folder.get(), name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(folder.get(), tempName.constData(), 0);
        throw failure(SystemReason(error));
    }
    // Closed only now: until the rename the lock keeps other saves from taking the temporary
    // for a leftover. The data has been flushed, so close has nothing left to report.
    temp.close();
    // The rename itself reaches the disk with the folder. Folders that cannot be flushed say
    // EINVAL.
    if (readable && ::fsync(folder.get()) != 0 && errno != EINVAL)
        throw failure(SystemReason(errno));
}
