#pragma once

#include "settings/Exception.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// "Cannot open file "%s". %s"
class EFOpenError : public Exception
{
public:
    explicit EFOpenError(const QString &message) : Exception(message, "EFOpenError") {}
};

// "Cannot create file "%s". %s"
class EFCreateError : public Exception
{
public:
    explicit EFCreateError(const QString &message) : Exception(message, "EFCreateError") {}
};

// The settings file's text form. Reading: an optional UTF-8 byte-order mark is skipped, the rest
// decoded as UTF-8 (invalid sequences become U+FFFD), a NUL ends the text, lines end at CR LF,
// lone CR or lone LF, and a final line break adds no empty line. Writing: byte-order mark, then
// every line in UTF-8 followed by CR LF.
QStringList SplitSettingsText(const QString &Text);
QStringList DecodeSettingsBytes(const QByteArray &Bytes);
QByteArray EncodeSettingsLines(const QStringList &Lines);

// Reads a whole settings file; raises EFOpenError when it cannot be opened or read, or when
// the path (a symbolic link followed) is not a regular file: a folder, a FIFO or a device is
// refused before it is opened, so that nothing waits for a writer or reads without end.
QStringList ReadSettingsFile(const QString &FileName);
// Replaces the file with owner-only permissions (0600: it may hold passwords), never leaving it
// half-written: the lines go to a temporary "<name>.saving-XXXXXX" beside it (a symbolic link
// is followed and stays), which is flushed to disk and renamed over the file, and the folder is
// flushed after it. Only a regular file its user may write is replaced; nothing at the path is a
// new file. Temporaries of earlier saves of the same file that a killed program left (its own,
// and QSaveFile's "<name>.XXXXXX" with letters of both cases) are removed first, unless a save
// still going on holds them locked. Raises EFCreateError when the file cannot be written, the
// disk being full included; the old file is then still whole and the temporary gone.
void WriteSettingsFile(const QString &FileName, const QStringList &Lines);
