#include "settings/SettingsFile.h"

#include <QFile>
#include <QSaveFile>

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
    QFile file(FileName);
    QByteArray bytes;
    bool ok = file.open(QIODevice::ReadOnly);
    if (ok) {
        bytes = file.readAll();
        ok = file.error() == QFileDevice::NoError;
    }
    if (!ok) {
        throw EFOpenError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, file.errorString()));
    }
    return DecodeSettingsBytes(bytes);
}

void WriteSettingsFile(const QString &FileName, const QStringList &Lines)
{
    const QByteArray bytes = EncodeSettingsLines(Lines);
    QSaveFile file(FileName);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        ok = file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
             && file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, reason));
    }
}
