#include "engine/FileCopy.h"

#include "engine/PathAt.h"
#include "settings/FileDescriptor.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

enum class Outcome { Done, Failed, NotSupported, Stopped };

// How much goes in one step between two looks at a stop: a large file can be abandoned within
// a fraction of a second, and the looks cost nothing next to the copying.
constexpr off_t kKernelChunk = 8 * 1024 * 1024;
constexpr size_t kBuffer = 256 * 1024;

// Whether the copy is to be abandoned before its next chunk (never before the first one).
bool stopBefore(off_t done, const std::function<bool()> &stop)
{
    return done > 0 && stop && stop();
}

// Kernel-side copy (reflinks or server-side copies where the file system has them); plain
// reads and writes where copy_file_range is not supported between the two files.
// The file's size when it was opened is what is copied; a file that shrinks meanwhile ends
// at its new end. Done, Failed (with error) or Stopped.
Outcome copyContents(int in, int out, off_t size, const std::function<bool()> &stop, int &error)
{
    off_t done = 0;
    bool kernelCopy = true;
    while (kernelCopy && done < size) {
        if (stopBefore(done, stop))
            return Outcome::Stopped;
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr,
                                          size_t(std::min(size - done, kKernelChunk)), 0);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n == 0)
            return Outcome::Done;
        if (errno == EINTR)
            continue;
        if ((errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
             || errno == EBADF)
            && done == 0) {
            kernelCopy = false;
            break;
        }
        error = errno;
        return Outcome::Failed;
    }
    if (kernelCopy)
        return Outcome::Done;
    std::unique_ptr<char[]> buffer(new char[kBuffer]);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), kBuffer);
        if (n == 0)
            return Outcome::Done;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return Outcome::Failed;
        }
        // Only where more is to come: a copy with nothing left to write is finished.
        if (stopBefore(done, stop))
            return Outcome::Stopped;
        ssize_t written = 0;
        while (written < n) {
            const ssize_t w = ::write(out, buffer.get() + written, size_t(n - written));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                return Outcome::Failed;
            }
            written += w;
        }
        done += n;
    }
}

// Temporary files are named ".NAME.PID.N.rvtmp" beside their target NAME (cut to 200 bytes, so
// that the temporary name stays within the 255 bytes a name may have): PID is the writing
// process, N counts the temporaries of that process. Hidden, so scans of the folder pass over
// them. A process that is killed while it writes one leaves it behind; the next copy to the same
// target removes it (see removeStaleTemporaries).
constexpr qsizetype kTemporaryNameKept = 200;
constexpr char kTemporarySuffix[] = ".rvtmp";

// The numbers of this process's temporaries that exist right now (created and not yet renamed
// or removed), so that one thread never takes another's temporary for a stale one.
std::mutex inFlightMutex;
std::set<unsigned> inFlight;

// A temporary name for a target, reserved for this process while the object lives.
class TTemporary
{
public:
    explicit TTemporary(const QByteArray &targetName)
    {
        static std::atomic<unsigned> counter{0};
        FNumber = counter.fetch_add(1);
        {
            const std::lock_guard<std::mutex> lock(inFlightMutex);
            inFlight.insert(FNumber);
        }
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u%s", long(getpid()), FNumber,
                      kTemporarySuffix);
        FName = '.' + targetName.left(kTemporaryNameKept) + suffix;
    }
    ~TTemporary()
    {
        const std::lock_guard<std::mutex> lock(inFlightMutex);
        inFlight.erase(FNumber);
    }
    TTemporary(const TTemporary &) = delete;
    TTemporary &operator=(const TTemporary &) = delete;

    const QByteArray &name() const { return FName; }

private:
    unsigned FNumber = 0;
    QByteArray FName;
};

// Reads a decimal number written without leading zeros (as printf writes it) from text[pos],
// up to the character stop; false when the text there is anything else or too large.
bool readNumber(const QByteArray &text, qsizetype &pos, char stop, unsigned long long max,
                unsigned long long &value)
{
    const qsizetype start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + unsigned(text[pos] - '0');
        if (value > max)
            return false;
        ++pos;
    }
    const qsizetype digits = pos - start;
    if (digits == 0 || (digits > 1 && text[start] == '0'))
        return false;
    return pos < text.size() && text[pos] == stop;
}

// Whether name is a temporary of the target with the name targetName left by a writer that is
// gone: a process that no longer exists, or this process when it is not writing it now.
bool staleTemporaryOf(const QByteArray &name, const QByteArray &targetName)
{
    const QByteArray prefix = '.' + targetName.left(kTemporaryNameKept) + '.';
    if (!name.startsWith(prefix) || !name.endsWith(kTemporarySuffix))
        return false;
    qsizetype pos = prefix.size();
    unsigned long long pid = 0;
    unsigned long long number = 0;
    if (!readNumber(name, pos, '.', 0x7fffffff, pid) || pid == 0)
        return false;
    ++pos;
    if (!readNumber(name, pos, '.', 0xffffffffu, number)
        || name.size() - pos != qsizetype(sizeof kTemporarySuffix - 1))
        return false;
    if (pid == static_cast<unsigned long long>(getpid())) {
        const std::lock_guard<std::mutex> lock(inFlightMutex);
        return inFlight.count(unsigned(number)) == 0;
    }
    // Only a process that does not exist is gone; one that exists but belongs to another user
    // (EPERM) may still be writing. A writer in another PID namespace that shares the folder
    // cannot be told apart from a dead one.
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// The temporaries of the target's folder, listed once per folder and at most once a second (a
// copy into a folder of many files must not list it again for every file); a temporary left
// meanwhile is found by a later run.
struct TemporaryListing
{
    QByteArray Folder;
    std::chrono::steady_clock::time_point When;
    std::vector<QByteArray> Names;
};

// Removes the stale temporaries of the target (see staleTemporaryOf) from its folder. Failing to
// list the folder or to remove one is left to the copy itself, which reports what is wrong with
// the folder.
void removeStaleTemporaries(const TPathAt &at, const QByteArray &folder,
                            const QByteArray &targetName)
{
    thread_local TemporaryListing listing;
    const auto now = std::chrono::steady_clock::now();
    if (listing.Folder != folder || listing.Folder.isEmpty()
        || now - listing.When > std::chrono::seconds(1)) {
        listing.Folder = folder;
        listing.When = now;
        listing.Names.clear();
        const int fd = ::openat(at.folder(), at.sibling(QByteArrayLiteral(".")).constData(),
                                O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *dir = fd >= 0 ? fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                continue;
            const QByteArray name(entry->d_name);
            if (name.endsWith(kTemporarySuffix))
                listing.Names.push_back(name);
        }
        closedir(dir);
    }
    for (auto it = listing.Names.begin(); it != listing.Names.end();) {
        if (staleTemporaryOf(*it, targetName)) {
            ::unlinkat(at.folder(), at.sibling(*it).constData(), 0);
            it = listing.Names.erase(it);
        } else {
            ++it;
        }
    }
}

// The process's file-creation mask, read once from /proc: the programs never change it, and
// umask() would change it for every thread while it is read. 07777 when unknown.
mode_t creationMask()
{
    static const mode_t mask = [] {
        mode_t value = 07777;
        if (std::FILE *status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, status)) {
                unsigned octal = 0;
                if (std::sscanf(line, "Umask: %o", &octal) == 1) {
                    value = mode_t(octal & 0777);
                    break;
                }
            }
            std::fclose(status);
        }
        return value;
    }();
    return mask;
}

// Whether new files in the folder take their permission bits from a default ACL instead of
// the creation mask (or whether that is unknown); asked once for several files in a row.
bool defaultAclRules(const QByteArray &folder)
{
    thread_local QByteArray lastFolder;
    thread_local bool lastAnswer = true;
    if (folder != lastFolder || lastFolder.isEmpty()) {
        const ssize_t size = ::getxattr(folder.constData(), "system.posix_acl_default", nullptr, 0);
        lastAnswer = size >= 0 || (errno != ENODATA && errno != ENOTSUP);
        lastFolder = folder;
    }
    return lastAnswer;
}

// Contents, permission bits and times of the source into an open target. The bits are set
// unless the target was created with them already.
Outcome fillTarget(int in, int out, const struct stat &st, bool bitsSet,
                   const std::function<bool()> &stop, int &error)
{
    const Outcome contents = copyContents(in, out, st.st_size, stop, error);
    if (contents != Outcome::Done)
        return contents;
    if (!bitsSet && fchmod(out, st.st_mode & 07777) != 0) {
        error = errno;
        return Outcome::Failed;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(out, times) != 0) {
        error = errno;
        return Outcome::Failed;
    }
    return Outcome::Done;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Where the copy goes: the target reached through its folder (see TPathAt), and its name.
struct Target
{
    const TPathAt &At;
    QByteArray Name;
    QByteArray Folder;
};

// The fast way for a new file: an unnamed file in the target's folder, given its name only
// when complete (one change to the folder instead of a create and a rename). A failure or a
// stop leaves nothing, as the unnamed file vanishes when closed. NotSupported when the file
// system or /proc cannot do it, so that the caller takes the named temporary file instead.
Outcome copyUnnamed(int in, const struct stat &st, const Target &dst, bool failIfExists,
                    const std::function<bool()> &stop, int &error)
{
    // Unnamed, the file can have the source's permission bits from the start; then only a
    // mask that took some of them away, special bits or a default ACL need them set again.
    const mode_t created = st.st_mode & 0777;
    TFd out(::openat(dst.At.folder(), dst.At.sibling(QByteArrayLiteral(".")).constData(),
                     O_TMPFILE | O_WRONLY | O_CLOEXEC, created));
    if (out.get() < 0)
        return Outcome::NotSupported;
    const bool bitsSet = (created & ~creationMask()) == (st.st_mode & 07777)
                         && !defaultAclRules(dst.Folder);
    const Outcome filled = fillTarget(in, out.get(), st, bitsSet, stop, error);
    if (filled != Outcome::Done)
        return filled;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", out.get());
    if (::linkat(AT_FDCWD, self, dst.At.folder(), dst.At.name(), AT_SYMLINK_FOLLOW) == 0)
        return Outcome::Done;
    if (errno != EEXIST)
        return Outcome::NotSupported;
    if (failIfExists) {
        error = EEXIST;
        return Outcome::Failed;
    }
    // An existing target is replaced in one step: the complete file gets a hidden name
    // first and is then renamed over the target.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const TTemporary temp(dst.Name);
        const QByteArray tempPath = dst.At.sibling(temp.name());
        if (::linkat(AT_FDCWD, self, dst.At.folder(), tempPath.constData(), AT_SYMLINK_FOLLOW)
            != 0) {
            if (errno == EEXIST)
                continue;
            error = errno;
            return Outcome::Failed;
        }
        if (::renameat(dst.At.folder(), tempPath.constData(), dst.At.folder(), dst.At.name()) == 0)
            return Outcome::Done;
        error = errno;
        ::unlinkat(dst.At.folder(), tempPath.constData(), 0);
        return Outcome::Failed;
    }
    error = EEXIST;
    return Outcome::Failed;
}

} // namespace

bool CopyFileKeepingTime(const QString &source, const QString &target, bool failIfExists,
                         QString *errorText)
{
    TFileCopyOptions options;
    options.FailIfExists = failIfExists;
    return CopyFileWithOptions(source, target, options, errorText) == TFileCopyResult::Copied;
}

TFileCopyResult CopyFileWithOptions(const QString &source, const QString &target,
                                    const TFileCopyOptions &options, QString *errorText)
{
    const auto fail = [errorText](int error) {
        if (errorText)
            *errorText = systemError(error);
        return TFileCopyResult::Failed;
    };
    const bool failIfExists = options.FailIfExists;
    const QByteArray src = QFile::encodeName(source);
    const QByteArray dst = QFile::encodeName(target);
    if (dst.isEmpty() || dst.endsWith('/'))
        return fail(EISDIR);

    TPathAt srcAt;
    if (!srcAt.open(src))
        return fail(errno);
    // O_NONBLOCK: a FIFO put in the file's place must not hang the run.
    TFd in(::openat(srcAt.folder(), srcAt.name(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return fail(errno);
    struct stat st;
    if (fstat(in.get(), &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(st.st_mode)) {
        if (errorText)
            *errorText = QStringLiteral("Not a regular file");
        return TFileCopyResult::Failed;
    }
    TPathAt dstAt;
    if (!dstAt.open(dst))
        return fail(errno);
    const Target to{dstAt, dst.mid(dst.lastIndexOf('/') + 1), folderOf(dst)};
    if (failIfExists) {
        struct stat existing;
        if (fstatat(dstAt.folder(), dstAt.name(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
            return fail(EEXIST);
    }
    removeStaleTemporaries(dstAt, to.Folder, to.Name);

    int error = 0;
    const Outcome unnamed = options.UnnamedFile ? copyUnnamed(in.get(), st, to, failIfExists,
                                                              options.StopRequested, error)
                                                : Outcome::NotSupported;
    switch (unnamed) {
    case Outcome::Done:
        return TFileCopyResult::Copied;
    case Outcome::Failed:
        return fail(error);
    case Outcome::Stopped:
        return TFileCopyResult::Stopped;
    case Outcome::NotSupported:
        // Start again from the beginning of the source.
        if (lseek(in.get(), 0, SEEK_SET) != 0)
            return fail(errno);
        break;
    }

    std::optional<TTemporary> temp;
    QByteArray tempPath;
    TFd out;
    for (int attempt = 0; attempt < 100 && out.get() < 0; ++attempt) {
        temp.emplace(to.Name);
        tempPath = dstAt.sibling(temp->name());
        out.reset(::openat(dstAt.folder(), tempPath.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() < 0 && errno != EEXIST)
            return fail(errno);
    }
    if (out.get() < 0)
        return fail(EEXIST);

    const Outcome filled = fillTarget(in.get(), out.get(), st, false, options.StopRequested, error);
    bool ok = filled == Outcome::Done;
    if (out.close() != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (filled == Outcome::Stopped) {
        ::unlinkat(dstAt.folder(), tempPath.constData(), 0);
        return TFileCopyResult::Stopped;
    }
    if (ok) {
        int rc;
        if (failIfExists) {
            // link() refuses an existing name, so a target that appeared meanwhile is kept.
            rc = ::linkat(dstAt.folder(), tempPath.constData(), dstAt.folder(), dstAt.name(), 0);
            if (rc == 0)
                ::unlinkat(dstAt.folder(), tempPath.constData(), 0);
        } else {
            rc = ::renameat(dstAt.folder(), tempPath.constData(), dstAt.folder(), dstAt.name());
        }
        if (rc == 0)
            return TFileCopyResult::Copied;
        error = errno;
    }
    ::unlinkat(dstAt.folder(), tempPath.constData(), 0);
    return fail(error);
}
