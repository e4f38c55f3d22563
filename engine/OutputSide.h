#pragma once

#include "settings/DateTime.h"

#include <QString>

class TFTPSession;

// The output side of a copy: the local file system when session is null, the FTP server of the
// project's session otherwise. Paths handed to a session go through ToFTPPath first.

// The path with every local separator turned into "/", the remote separator.
QString ToFTPPath(const QString &path);

// Copies (or uploads) one file. The local copy keeps the file's permission bits and time and
// raises nothing: a failure returns false, with the reason in errorText when given. A session
// raises its own errors.
bool DoCopyFile(TFTPSession *session, const QString &existingFileName, const QString &newFileName,
                bool failIfExists, QString *errorText = nullptr);
// The file's last-write time as a local date-time (whole seconds locally; 0 when a local file
// does not exist or its time cannot be read).
TDateTime DoFileAge(TFTPSession *session, const QString &fileName, bool followLinks);
// Whether a file stands at the path.
bool DoFileExists(TFTPSession *session, const QString &fileName, bool followLinks);
// Makes the folder exist. Locally an empty path raises Exception "Unable to create directory".
bool DoForceDirectories(TFTPSession *session, const QString &dir);
