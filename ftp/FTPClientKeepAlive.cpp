// A session that waits between commands: NOOPs, a connection the server dropped, a new login.
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"

#include <QScopeGuard>

void TFTPClient::KeepAlive()
{
    FIdFTP->Noop();
}

bool TFTPClient::ConnectionDropped()
{
    return FIdFTP->ConnectionDropped();
}

void TFTPClient::Reconnect()
{
    ForgetDirectories();
    // The protocol client still holds the password of the last login (typed, remembered or
    // saved): the user is not asked again in the middle of a run. Whether it works is still
    // what the connection's LoggedIn says.
    FIdFTP->SetOnBannerBeforeLogin(
        [this](TIdFTP &, const QString &) { FFTPConn.SetLoggedIn(false); });
    const auto restore = qScopeGuard([this] {
        FIdFTP->SetOnBannerBeforeLogin([this](TIdFTP &, const QString &) { BannerBeforeLogin(); });
    });
    FIdFTP->Connect();
}

quint64 TFTPClient::RepliesRead() const
{
    return FIdFTP->RepliesRead();
}
