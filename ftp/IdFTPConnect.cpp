// Connecting, TLS negotiation on the control connection, login and the feature query.
#include "ftp/CertificateTrust.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPTrace.h"
#include "ftp/IdFTP.h"
#include "ftp/TlsContext.h"

namespace {

const char *const kAuthArguments[] = {"TLS", "SSL", "TLS-C", "TLS-P"};

// Servers known to answer SITE ZONE with their offset from UTC.
bool ServerKnowsZone(const QString &serverDesc)
{
    for (const char *prefix : {"Serv-U ", "BPFTP Server ", "TitanFTP server ", "Titan FTP Server "})
        if (serverDesc.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

} // namespace

void TIdFTP::Connect()
{
    // A server that cannot take HOST (RFC 7151) may drop the connection on it; one more
    // attempt goes without it.
    if (!ConnectAttempt(true))
        ConnectAttempt(false);
}

bool TIdFTP::ConnectAttempt(bool sendHost)
{
    CloseControl();
    FFacts = {};
    FOutOfStep.clear();
    FWasLoggedIn = false;
    FAwaitedReply = QStringLiteral("the server's greeting");

    bool greetingRead = false;
    try {
        SetState(TIdFTPState::Connecting);
        FTraceName = FtpTraceName(FHost, FPort);
        FControl.SetReadTimeout(FReadTimeout);
        FControl.WatchStop(StopDescriptor());
        FControl.Connect(FHost, FPort);
        if (FUseTLS == utUseImplicitTLS)
            StartControlTLS(true);

        SetState(TIdFTPState::Greeting);
        TIdFTPReply greeting = GetReply();
        while (greeting.Code >= 100 && greeting.Code < 200)
            greeting = GetReply();
        if (greeting.Code != 220) {
            CloseControl();
            RaiseReply(greeting);
        }
        greetingRead = true;
        FFacts.Greeting = greeting;
        FFacts.ServerDesc = greeting.Text.value(0);

        if (sendHost) {
            SetState(TIdFTPState::Host);
            // An address goes in brackets (RFC 7151, 3): the configured host when it is the
            // very address connected to, and an IPv6 address always, however it was written.
            const QString bare = BareHost(FHost);
            const QString target = bare == FControl.PeerAddress() || bare.contains(QLatin1Char(':'))
                                       ? QLatin1Char('[') + bare + QLatin1Char(']')
                                       : FHost;
            bool closed = false;
            try {
                SendLine(QStringLiteral("HOST ") + target);
                const TIdFTPReply reply = GetReply();
                if (reply.Code != 220)
                    closed = FControl.PeerClosed(reply.Code == 421 ? 1000 : 0);
            } catch (const EIdSocketError &) {
                closed = true; // closed or reset while we sent HOST or waited for its reply
            }
            if (closed) {
                FControl.DiscardInput();
                CloseControl();
                return false;
            }
        }

        if (FOnBannerBeforeLogin)
            FOnBannerBeforeLogin(*this, FFacts.Greeting.FormattedText());
        Login();
        SetState(TIdFTPState::Setup);
        const TIdFTPReply syst = SendCmd(QStringLiteral("SYST"), {});
        FFacts.SystemDesc = syst.Text.value(0);
        if (ServerKnowsZone(FFacts.ServerDesc) || FFacts.Capabilities.SiteZone)
            QueryServerZone();
        SetState(TIdFTPState::LoggedIn);
        FWasLoggedIn = true;
    } catch (...) {
        if (greetingRead && FControl.Connected()) {
            try {
                SendLine(QStringLiteral("QUIT"));
            } catch (const std::exception &) {
                // Telling the server is a courtesy; the error that matters is the one below.
            }
        }
        CloseControl();
        throw;
    }
    return true;
}

void TIdFTP::StartControlTLS(bool implicit)
{
    if (!FIoHandler)
        throw EIdFTPNoIOHandler(QStringLiteral("SSL IOHandler is required for this setting"));
    SetState(TIdFTPState::TlsHandshake);
    TTlsContext &context = FIoHandler->Context();
    try {
        FControl.StartTls(context, BareHost(FHost), nullptr);
    } catch (const EIdOSSLError &error) {
        CloseControl();
        if (implicit)
            throw EIdOSSLError(QStringLiteral("Error connecting with SSL.\r\n") + error.Message());
        throw EIdTLSClientTLSHandShakeFailed(QStringLiteral("SSL negotiation failed."));
    }
    // Before anything else goes over it: USER and PASS follow, or with implicit TLS the
    // greeting. A refused certificate closes the connection without QUIT.
    try {
        FFacts.CertificateFingerprint = CertificateTrust::Check(FControl.TlsHandle(), FHost, FPort,
                                                                FRunLog);
    } catch (...) {
        CloseControl();
        throw;
    }
    context.SetControl(FControl.TlsHandle());
    FFacts.TLSInUse = true;
}

void TIdFTP::NegotiateTLS()
{
    SetState(TIdFTPState::Auth);
    for (const char *argument : kAuthArguments) {
        const TIdFTPReply reply = SendCmd(QStringLiteral("AUTH ") + QLatin1String(argument), {});
        if (reply.Code == 234 || reply.Code == 334) {
            StartControlTLS(false);
            return;
        }
        if (reply.Code / 100 != 5) {
            CloseControl();
            throw EIdTLSClientStartTLSCmdFailed(
                QStringLiteral("Start SSL negotiation command failed."));
        }
    }
}

void TIdFTP::Login()
{
    if (FUseTLS == utUseRequireTLS || FUseTLS == utUseExplicitTLS) {
        NegotiateTLS();
        if (!FFacts.TLSInUse && FUseTLS == utUseRequireTLS) {
            CloseControl();
            throw EIdFTPNoTLSSupport(QStringLiteral("SSL is not available on this server."));
        }
    }
    SetState(TIdFTPState::Login);
    TIdFTPReply reply = SendCmd(QStringLiteral("USER ") + FUsername, {230, 232, 331});
    if (reply.Code == 331) {
        reply = SendCmd(QStringLiteral("PASS ") + FPassword, {230, 332});
        if (reply.Code == 332)
            RaiseReply(reply); // an account is needed and none is configured
    }
    FFacts.LoginReply = reply;
    if (FOnBannerAfterLogin)
        FOnBannerAfterLogin(*this, reply.FormattedText());
    ReadFeatures();
    SetState(TIdFTPState::Setup);
    // Binary: uploads must arrive byte for byte, whatever the server does in ASCII mode. Once
    // is enough: nothing later changes the type.
    SendCmd(QStringLiteral("TYPE I"), {200});
}

void TIdFTP::ReadFeatures()
{
    SetState(TIdFTPState::Features);
    FFacts.Capabilities = TIdFTPCapabilities::FromFeatReply(SendCmd(QStringLiteral("FEAT"), {}));
    // Sent before UTF-8 is taken up, so the name goes out as it always has.
    if (FFacts.Capabilities.CLNT)
        SendCmd(QStringLiteral("CLNT ") + ClientInfo(), {});
    // RFC 2640: a server listing UTF8 takes and gives path names in UTF-8.
    if (FFacts.Capabilities.UTF8)
        FFacts.UTF8 = true;
}

void TIdFTP::QueryServerZone()
{
    const TIdFTPReply reply = SendCmd(QStringLiteral("SITE ZONE"), {});
    if (reply.Code != 210)
        return;
    // "UTC-300" and "UTC+60" name the offset from UTC in minutes, sign included.
    const QString text = reply.Text.value(0).trimmed();
    if (!text.startsWith(QLatin1String("UTC"), Qt::CaseInsensitive))
        return;
    bool ok = false;
    const int minutes = text.mid(3).section(QLatin1Char(' '), 0, 0).toInt(&ok);
    if (ok)
        FFacts.ServerUtcOffset = minutes;
}
