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

// Reads a whole settings file; raises EFOpenError when it cannot be opened or read.
QStringList ReadSettingsFile(const QString &FileName);
// Replaces the file atomically (never left half-written) with owner-only permissions (it may
// hold passwords); raises EFCreateError when it cannot be written.
void WriteSettingsFile(const QString &FileName, const QStringList &Lines);
