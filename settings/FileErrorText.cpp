#include "settings/FileErrorText.h"

#include <sys/stat.h>

QString SystemReason(int error)
{
    return qt_error_string(error);
}

QString NotRegularReason(mode_t mode)
{
    const char *kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : nullptr;
    if (!kind)
        return QStringLiteral("Not a regular file");
    return QStringLiteral("Not a regular file (%1)").arg(QLatin1String(kind));
}
