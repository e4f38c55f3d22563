#include "settings/SettingsFile.h"

#include "settings/FileDescriptor.h"
#include "settings/FileErrorText.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char kBom[] = "\xEF\xBB\xBF";
} // namespace

QStringList SplitSettingsText(const QString &Text)
{
    QStringList lines;
    const QChar *data = Text.constData();
    const qsizetype n = Text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t c = data[i].unicode();
        if (c == 0)
            break;
        if (c == u'\r' || c == u'\n') {
            lines.append(QString(data + start, i - start));
            if (c == u'\r' && i + 1 < n && data[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (i > start)
        lines.append(QString(data + start, i - start));
    return lines;
}

QStringList DecodeSettingsBytes(const QByteArray &Bytes)
{
    QByteArrayView view(Bytes);
    if (view.startsWith(QByteArrayView(kBom, 3)))
        view = view.sliced(3);
    // A NUL ends the text; in UTF-8 a zero byte is always the NUL character itself.
    const qsizetype nul = view.indexOf('\0');
    if (nul >= 0)
        view = view.first(nul);
    return SplitSettingsText(QString::fromUtf8(view));
}

QByteArray EncodeSettingsLines(const QStringList &Lines)
{
    QByteArray bytes(kBom, 3);
    for (const QString &line : Lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

QStringList ReadSettingsFile(const QString &FileName)
{
    const auto failure = [&FileName](const QString &reason) {
        return EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, reason));
    };
    const QByteArray path = QFile::encodeName(FileName);
    // Decided before opening: opening a FIFO waits for a writer, and a device may never end.
    struct stat status;
    if (::stat(path.constData(), &status) != 0)
        throw failure(SystemReason(errno));
    if (!S_ISREG(status.st_mode))
        throw failure(NotRegularReason(status.st_mode));
    // Should something else have taken the name since, the open does not wait for it either,
    // and the check on the open file refuses it.
    const TFd file(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.isOpen() || ::fstat(file.get(), &status) != 0)
        throw failure(SystemReason(errno));
    if (!S_ISREG(status.st_mode))
        throw failure(NotRegularReason(status.st_mode));

    QByteArray bytes;
    if (status.st_size > 0)
        bytes.reserve(qsizetype(status.st_size));
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof(chunk));
        if (got > 0) {
            bytes.append(chunk, got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            throw failure(SystemReason(errno));
        }
    }
    return DecodeSettingsBytes(bytes);
}
