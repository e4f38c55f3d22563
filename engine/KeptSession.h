#pragma once

#include "ftp/FTPSession.h"
#include "settings/Exception.h"

#include <chrono>
#include <memory>

// An FTP session that stays usable while it waits. Servers close a control connection that
// has been idle for a while (a 421, then the end: 300 s for vsftpd and pyftpdlib, less on
// shared hosts), and a walk can take longer than that between two commands, as can a session
// that waits for uploads to hand it. Before each operation the session is checked; one the
// server dropped logs in again, and an operation whose first command found the connection
// dropped (nothing of it reached the server) runs again on the new login. KeepAlive sends a
// NOOP when the session has been idle for half the keep-alive interval; whoever waits with a
// session calls it (from the thread the session belongs to: sessions are not thread-safe).
//
// A login refused then raises ELoginAgainRefused, with the login's own message; the session
// does not try again, and what follows fails as on a lost connection.
class TKeptSession : public TFTPSession
{
public:
    explicit TKeptSession(TFTPSession &session);
    explicit TKeptSession(std::unique_ptr<TFTPSession> session);

    void Connect() override;
    void Disconnect() override;
    bool FileExists(const QString &fileName) override;
    double FileAge(const QString &fileName) override;
    int FileAgePrecision(const QString &fileName) override;
    void ForceDirectories(const QString &dir) override;
    void CopyFile(const QString &existingFileName, const QString &newFileName,
                  bool failIfExists) override;
    std::unique_ptr<TFTPSession> NewTransferSession(TRunLog &log) override;
    bool Connected() const override;
    void NoteUploaded(const QString &fileName, qint64 size, TDateTime utcTime) override;
    void ForgetFolder(const QString &dir) override;
    // A NOOP when idle for half the keep-alive interval; a NOOP that fails leaves the session
    // to be mended at its next operation.
    void KeepAlive() override;
    bool ConnectionDropped() override;
    void Reconnect() override;
    quint64 RepliesRead() const override;

private:
    using TClock = std::chrono::steady_clock;
    // Runs an operation on the session as the class comment says.
    template <typename Operation>
    auto use(Operation operation);
    // Logs in again when the server dropped the connection.
    void mend();
    void loginAgain();

    TFTPSession &FSession;
    std::unique_ptr<TFTPSession> FOwned;
    TClock::time_point FLastUse = TClock::now();
    // Connect succeeded and Disconnect was not asked since.
    bool FLoggedIn = false;
    // A login again was refused.
    bool FGaveUp = false;
};

// A login again that the server refused (see TKeptSession); the message is the login's.
class ELoginAgainRefused : public Exception
{
public:
    explicit ELoginAgainRefused(const QString &message) : Exception(message, "ELoginAgainRefused")
    {}
};

// How often a waiting session tells the server it is there: well below the idle time-outs of
// common servers. Tests set a shorter one; returns the one it replaces.
std::chrono::milliseconds KeepAliveInterval();
std::chrono::milliseconds SetKeepAliveInterval(std::chrono::milliseconds interval);
