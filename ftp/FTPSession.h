#pragma once

#include "settings/DateTime.h"

#include <QString>

#include <memory>

class TRunLog;

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

    // For uploads over several connections at once. Nothing of it, unless overridden.
    //
    // Another session to the same server with the same login (the password this one logged in
    // with, never asked again), not connected, reporting through log; none when the session
    // cannot make one.
    virtual std::unique_ptr<TFTPSession> NewTransferSession(TRunLog &log)
    {
        (void)log;
        return nullptr;
    }
    // Whether the control connection is still open (a session that lost it fails whatever it
    // is asked).
    virtual bool Connected() const { return true; }
    // Another session uploaded a local file of size bytes to fileName and gave it utcTime (0:
    // none): what this one knows of the folder says so, as a new listing would.
    virtual void NoteUploaded(const QString &fileName, qint64 size, TDateTime utcTime)
    {
        (void)fileName;
        (void)size;
        (void)utcTime;
    }
    // Another session's upload into the folder dir failed: what the folder holds is not known.
    virtual void ForgetFolder(const QString &dir) { (void)dir; }

    // For sessions that wait between commands (see engine/KeptSession.h). Nothing of it,
    // unless overridden.
    //
    // Tells the server that the session is still there (NOOP), so that its idle time-out does
    // not end it; raises as a command does.
    virtual void KeepAlive() {}
    // Whether the server closed the logged-in control connection under the session (a 421, as
    // an idle time-out sends, its end or a reset), after taking in what it sent unasked; a new
    // login mends that. Not a connection closed on request or for a fault of the protocol.
    virtual bool ConnectionDropped() { return false; }
    // Logs in again as the last Connect did, with the password it logged in with (never asked
    // again); what the session held of the server (current folder, listings) is forgotten.
    virtual void Reconnect() { Connect(); }
    // How many replies the server has given the session, over all its connections: an
    // operation that failed on a dropped connection with this unchanged was never acted on.
    virtual quint64 RepliesRead() const { return 0; }
};
