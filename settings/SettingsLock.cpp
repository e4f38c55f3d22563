#include "settings/SettingsLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

TSettingsLock::TSettingsLock(const QString &SettingsPath)
{
    const QByteArray path = QFile::encodeName(LockPath(SettingsPath));
    FFd.reset(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!FFd.isOpen())
        return;
    int rc;
    do {
        rc = ::flock(FFd.get(), LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        FTakenByOther = errno == EWOULDBLOCK;
        FFd.reset();
    }
}

QString TSettingsLock::LockPath(const QString &SettingsPath)
{
    return SettingsPath + QStringLiteral(".lock");
}
