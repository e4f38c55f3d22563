#pragma once

#include "ftp/FTPListItem.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>

// Interprets the lines of an MLSD listing (RFC 3659, 7.2): one entry per non-empty line.
// Lines are raw bytes: a name is decoded with its "charset" fact, UTF-8 by default, and read as
// 8-bit characters when that fails. "modify" is UTC and becomes a local time as that instant.
QList<TIdFTPListItem> ParseMLSDListing(const QList<QByteArray> &lines);

// Interprets the lines of a LIST listing in the Unix "ls -l" or the MS-DOS/IIS format. Times
// are read as UTC; a Unix date without a year lies within the twelve months before nowUtc.
// "total" lines and empty lines are skipped. Raises EIdFTPListParseError with
// "No FTP list parsers have been registered." for a line of no known format.
QList<TIdFTPListItem> ParseLISTListing(const QStringList &lines, const QDateTime &nowUtc);

// Splits listing data into lines at CR LF, LF or CR.
QList<QByteArray> SplitListingLines(const QByteArray &data);

// A UTC date-time cut down to a listing's precision (seconds), counted in UTC as listings are:
// the result compares with a listed time of that precision without false differences.
TDateTime CutToListedPrecision(TDateTime utcTime, int precisionSeconds);
