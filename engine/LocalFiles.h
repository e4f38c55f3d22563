#pragma once

#include "settings/DateTime.h"

#include <QString>

// The local side of file facts: existence, last-write time and folder creation.

// Whether a file (not a folder) stands at the path; a link is followed when followLinks is set.
bool LocalFileExists(const QString &path, bool followLinks);
// The file's last-write time as a UTC date-time (an instant), sub-seconds dropped; 0 when the
// file does not exist or its time cannot be read.
TDateTime LocalFileAge(const QString &path, bool followLinks);
// The size of the file (links followed) in bytes; 0 when it cannot be read.
qint64 LocalFileSize(const QString &path);
// LocalFileExists and LocalFileAge (links followed) with one look at the file: whether a file
// stands at the path, and its time in age when it does.
bool LocalFileFacts(const QString &path, TDateTime &age);
// Creates every missing folder of the path. True when the folder exists afterwards. An empty
// path raises Exception "Unable to create directory".
bool LocalForceDirectories(const QString &folder);
