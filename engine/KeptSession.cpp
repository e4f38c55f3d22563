#include "engine/KeptSession.h"

#include "runlog/RunLog.h"

#include <atomic>
#include <utility>

namespace {

std::atomic<long long> &keepAliveMs()
{
    static std::atomic<long long> ms{20000};
    return ms;
}

} // namespace

std::chrono::milliseconds KeepAliveInterval()
{
    return std::chrono::milliseconds(keepAliveMs().load());
}

std::chrono::milliseconds SetKeepAliveInterval(std::chrono::milliseconds interval)
{
    return std::chrono::milliseconds(keepAliveMs().exchange(interval.count()));
}

TKeptSession::TKeptSession(TFTPSession &session) : FSession(session)
{}

TKeptSession::TKeptSession(std::unique_ptr<TFTPSession> session)
    : FSession(*session), FOwned(std::move(session))
{}

void TKeptSession::Connect()
{
    FLoggedIn = false;
    FGaveUp = false;
    FSession.Connect();
    FLoggedIn = true;
    FLastUse = TClock::now();
}

void TKeptSession::Disconnect()
{
    FLoggedIn = false;
    FSession.Disconnect();
}

void TKeptSession::loginAgain()
{
    try {
        FSession.Reconnect();
    } catch (const Exception &error) {
        FGaveUp = true;
        throw ELoginAgainRefused(error.Message());
    } catch (const std::exception &error) {
        FGaveUp = true;
        throw ELoginAgainRefused(QString::fromUtf8(error.what()));
    }
    FLastUse = TClock::now();
}

void TKeptSession::mend()
{
    if (FLoggedIn && !FGaveUp && FSession.ConnectionDropped())
        loginAgain();
}

template <typename Operation>
auto TKeptSession::use(Operation operation)
{
    mend();
    const quint64 replies = FSession.RepliesRead();
    try {
        auto result = operation();
        FLastUse = TClock::now();
        return result;
    } catch (const ERunStopped &) {
        // A stop closes the connection it cut short; the run ends, nothing is tried again.
        FLastUse = TClock::now();
        throw;
    } catch (const Exception &) {
        FLastUse = TClock::now();
        // Dropped at the first command (the server's idle time-out struck between the check
        // and the command): the server did nothing of it, so it runs again, once.
        if (!FLoggedIn || FGaveUp || FSession.RepliesRead() != replies
            || !FSession.ConnectionDropped())
            throw;
    }
    loginAgain();
    auto result = operation();
    FLastUse = TClock::now();
    return result;
}

bool TKeptSession::FileExists(const QString &fileName)
{
    return use([&] { return FSession.FileExists(fileName); });
}

double TKeptSession::FileAge(const QString &fileName)
{
    return use([&] { return FSession.FileAge(fileName); });
}

int TKeptSession::FileAgePrecision(const QString &fileName)
{
    return use([&] { return FSession.FileAgePrecision(fileName); });
}

void TKeptSession::ForceDirectories(const QString &dir)
{
    use([&] {
        FSession.ForceDirectories(dir);
        return true;
    });
}

void TKeptSession::CopyFile(const QString &existingFileName, const QString &newFileName,
                            bool failIfExists)
{
    use([&] {
        FSession.CopyFile(existingFileName, newFileName, failIfExists);
        return true;
    });
}

std::unique_ptr<TFTPSession> TKeptSession::NewTransferSession(TRunLog &log)
{
    return FSession.NewTransferSession(log);
}

bool TKeptSession::Connected() const
{
    return FSession.Connected();
}

void TKeptSession::NoteUploaded(const QString &fileName, qint64 size, TDateTime utcTime)
{
    FSession.NoteUploaded(fileName, size, utcTime);
}

void TKeptSession::ForgetFolder(const QString &dir)
{
    FSession.ForgetFolder(dir);
}

void TKeptSession::KeepAlive()
{
    if (!FLoggedIn || FGaveUp || TClock::now() - FLastUse < KeepAliveInterval() / 2)
        return;
    FLastUse = TClock::now();
    if (FSession.ConnectionDropped())
        return; // mended when next used
    try {
        FSession.KeepAlive();
    } catch (const Exception &) {
        // A connection that is gone shows at the next operation, which logs in again; any
        // other refusal of a NOOP harms nothing.
    }
}

bool TKeptSession::ConnectionDropped()
{
    return FSession.ConnectionDropped();
}

void TKeptSession::Reconnect()
{
    loginAgain();
}

quint64 TKeptSession::RepliesRead() const
{
    return FSession.RepliesRead();
}
