#pragma once

#include <QString>

// What the copy engine needs of an upload session: a small file-system view of one FTP
// server. Remote paths use "/" as separator. TFTPClient is the real implementation; tests of
// the engine may provide their own. Every operation raises an Exception on failure.
class TFTPSession
{
public:
    virtual ~TFTPSession() = default;

    // Connects and logs in; raises on failure.
    virtual void Connect() = 0;
    // Ends the connection politely (QUIT, then close); never raises. Destroying the session
    // without it only closes the connection. Nothing to do unless overridden.
    virtual void Disconnect() {}
    // Whether the name part of a remote path is listed in its directory part.
    virtual bool FileExists(const QString &fileName) = 0;
    // The listed modification time of a remote file as a UTC date-time (an instant; 0 when the
    // listing gave none); raises "File not found: " + fileName when absent.
    virtual double FileAge(const QString &fileName) = 0;
    // How exact FileAge is for this file, in seconds: a listing may give only the minute or
    // the day. A time compared with FileAge must first be cut to it (CutToListedPrecision).
    virtual int FileAgePrecision(const QString &fileName)
    {
        (void)fileName;
        return 1;
    }
    // Makes a remote folder path exist and become the current directory.
    virtual void ForceDirectories(const QString &dir) = 0;
    // Uploads a local file under a remote path and gives it the local file's time. An upload
    // broken off because the run's log asked to stop raises ECopyStopped (runlog/RunLog.h),
    // with the remote file as it was.
    virtual void CopyFile(const QString &existingFileName, const QString &newFileName,
                          bool failIfExists) = 0;
};
