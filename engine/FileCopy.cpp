#include "engine/FileCopy.h"

#include "settings/FileDescriptor.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool fail(QString *errorText, int error)
{
    if (errorText)
        *errorText = systemError(error);
    return false;
}

// Kernel-side copy (reflinks or server-side copies where the file system has them); plain
// reads and writes where copy_file_range is not supported between the two files.
// The file's size when it was opened is what is copied; a file that shrinks meanwhile ends
// at its new end.
bool copyContents(int in, int out, off_t size, int &error)
{
    off_t done = 0;
    bool kernelCopy = true;
    while (kernelCopy && done < size) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, size_t(size - done), 0);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n == 0)
            return true;
        if (errno == EINTR)
            continue;
        if ((errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
             || errno == EBADF)
            && done == 0) {
            kernelCopy = false;
            break;
        }
        error = errno;
        return false;
    }
    if (kernelCopy)
        return true;
    static constexpr size_t kBuffer = 256 * 1024;
    std::unique_ptr<char[]> buffer(new char[kBuffer]);
    for (;;) {
        const ssize_t n = ::read(in, buffer.get(), kBuffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        ssize_t written = 0;
        while (written < n) {
            const ssize_t w = ::write(out, buffer.get() + written, size_t(n - written));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                return false;
            }
            written += w;
        }
    }
}

// A name beside the target that no other copy of this process uses at the same moment; hidden,
// so scans of the folder pass over it.
QByteArray temporaryName(const QByteArray &target)
{
    static std::atomic<unsigned> counter{0};
    static const long pid = long(getpid());
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = target.left(slash + 1);
    // Keep the temporary name within the 255 bytes a name may have.
    const QByteArray name = target.mid(slash + 1).left(200);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.rvtmp", pid, counter.fetch_add(1));
    return folder + '.' + name + suffix;
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
bool fillTarget(int in, int out, const struct stat &st, bool bitsSet, int &error)
{
    if (!copyContents(in, out, st.st_size, error))
        return false;
    if (!bitsSet && fchmod(out, st.st_mode & 07777) != 0) {
        error = errno;
        return false;
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(out, times) != 0) {
        error = errno;
        return false;
    }
    return true;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

enum class Outcome { Done, Failed, NotSupported };

// The fast way for a new file: an unnamed file in the target's folder, given its name only
// when complete (one change to the folder instead of a create and a rename). A failure
// leaves nothing, as the unnamed file vanishes when closed. NotSupported when the file system
// or /proc cannot do it, so that the caller takes the named temporary file instead.
Outcome copyUnnamed(int in, const struct stat &st, const QByteArray &dst, bool failIfExists,
                    int &error)
{
    // Unnamed, the file can have the source's permission bits from the start; then only a
    // mask that took some of them away, special bits or a default ACL need them set again.
    const QByteArray folder = folderOf(dst);
    const mode_t created = st.st_mode & 0777;
    TFd out(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, created));
    if (out.get() < 0)
        return Outcome::NotSupported;
    const bool bitsSet = (created & ~creationMask()) == (st.st_mode & 07777)
                         && !defaultAclRules(folder);
    if (!fillTarget(in, out.get(), st, bitsSet, error))
        return Outcome::Failed;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", out.get());
    if (::linkat(AT_FDCWD, self, AT_FDCWD, dst.constData(), AT_SYMLINK_FOLLOW) == 0)
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
        const QByteArray temp = temporaryName(dst);
        if (::linkat(AT_FDCWD, self, AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                continue;
            error = errno;
            return Outcome::Failed;
        }
        if (::rename(temp.constData(), dst.constData()) == 0)
            return Outcome::Done;
        error = errno;
        ::unlink(temp.constData());
        return Outcome::Failed;
    }
    error = EEXIST;
    return Outcome::Failed;
}

} // namespace

bool CopyFileKeepingTime(const QString &source, const QString &target, bool failIfExists,
                         QString *errorText)
{
    const QByteArray src = QFile::encodeName(source);
    const QByteArray dst = QFile::encodeName(target);
    if (dst.isEmpty() || dst.endsWith('/'))
        return fail(errorText, EISDIR);

    // O_NONBLOCK: a FIFO put in the file's place must not hang the run.
    TFd in(::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return fail(errorText, errno);
    struct stat st;
    if (fstat(in.get(), &st) != 0)
        return fail(errorText, errno);
    if (S_ISDIR(st.st_mode))
        return fail(errorText, EISDIR);
    if (!S_ISREG(st.st_mode)) {
        if (errorText)
            *errorText = QStringLiteral("Not a regular file");
        return false;
    }
    if (failIfExists) {
        struct stat existing;
        if (lstat(dst.constData(), &existing) == 0)
            return fail(errorText, EEXIST);
    }

    int error = 0;
    switch (copyUnnamed(in.get(), st, dst, failIfExists, error)) {
    case Outcome::Done:
        return true;
    case Outcome::Failed:
        return fail(errorText, error);
    case Outcome::NotSupported:
        // Start again from the beginning of the source.
        if (lseek(in.get(), 0, SEEK_SET) != 0)
            return fail(errorText, errno);
        break;
    }

    QByteArray temp;
    TFd out;
    for (int attempt = 0; attempt < 100 && out.get() < 0; ++attempt) {
        temp = temporaryName(dst);
        out.reset(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.get() < 0 && errno != EEXIST)
            return fail(errorText, errno);
    }
    if (out.get() < 0)
        return fail(errorText, EEXIST);

    bool ok = fillTarget(in.get(), out.get(), st, false, error);
    if (out.close() != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        int rc;
        if (failIfExists) {
            // link() refuses an existing name, so a target that appeared meanwhile is kept.
            rc = ::link(temp.constData(), dst.constData());
            if (rc == 0)
                ::unlink(temp.constData());
        } else {
            rc = ::rename(temp.constData(), dst.constData());
        }
        if (rc == 0)
            return true;
        error = errno;
    }
    ::unlink(temp.constData());
    return fail(errorText, error);
}
