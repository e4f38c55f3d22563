#include "engine/OutputSide.h"

#include "engine/FileCopy.h"
#include "engine/LocalFiles.h"
#include "engine/PathText.h"
#include "ftp/FTPSession.h"

QString ToFTPPath(const QString &path)
{
    // The local separator is already the remote one here; the conversion stays explicit so
    // that a port to a system with another separator keeps remote paths right.
    QString result = path;
    if (kPathDelim != QLatin1Char('/'))
        result.replace(kPathDelim, QLatin1Char('/'));
    return result;
}

bool DoCopyFile(TFTPSession *session, const QString &existingFileName, const QString &newFileName,
                bool failIfExists, QString *errorText)
{
    if (session)
        return session->CopyFile(ToFTPPath(existingFileName), ToFTPPath(newFileName), failIfExists);
    return CopyFileKeepingTime(existingFileName, newFileName, failIfExists, errorText);
}

TDateTime DoFileAge(TFTPSession *session, const QString &fileName, bool followLinks)
{
    if (session)
        return session->FileAge(ToFTPPath(fileName));
    return LocalFileAge(fileName, followLinks);
}

bool DoFileExists(TFTPSession *session, const QString &fileName, bool followLinks)
{
    if (session)
        return session->FileExists(ToFTPPath(fileName));
    return LocalFileExists(fileName, followLinks);
}

bool DoForceDirectories(TFTPSession *session, const QString &dir)
{
    if (session)
        return session->ForceDirectories(ToFTPPath(dir));
    return LocalForceDirectories(dir);
}
