#include "settings/FileUpdateLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

TFileUpdateLock::TFileUpdateLock(const QString &Path)
{
    const QByteArray path = QFile::encodeName(Path + QStringLiteral(".lock"));
    FFd.reset(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!FFd.isOpen()) {
        FError = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    int rc;
    do {
        rc = ::flock(FFd.get(), LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        FError = QString::fromLocal8Bit(std::strerror(errno));
        FFd.reset();
    }
}
