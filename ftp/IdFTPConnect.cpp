// Connecting, TLS negotiation on the control connection, login and the feature query.
#include "ftp/IdFTP.h"

#include "ftp/FTPErrors.h"
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
    m_tlsInUse = false;
    m_dataSettingsSent = false;
    m_features.clear();
    m_canUseMLS = false;
    m_utf8 = false;
    m_serverUtcOffset.reset();
    m_greeting = TIdFTPReply();
    m_loginReply = TIdFTPReply();
    m_serverDesc.clear();
    m_systemDesc.clear();

    bool greetingRead = false;
    try {
        m_control.SetReadTimeout(m_readTimeout);
        m_control.Connect(m_host, m_port);
        if (m_useTLS == utUseImplicitTLS)
            StartControlTLS(true);

        TIdFTPReply greeting = GetReply();
        while (greeting.Code >= 100 && greeting.Code < 200)
            greeting = GetReply();
        if (greeting.Code != 220) {
            CloseControl();
            RaiseReply(greeting);
        }
        greetingRead = true;
        SetState(TIdFTPState::Connected);
        m_greeting = greeting;
        m_serverDesc = greeting.Text.value(0);

        if (sendHost) {
            const QString target = m_host == m_control.PeerAddress()
                                       ? QLatin1Char('[') + m_host + QLatin1Char(']')
                                       : m_host;
            bool closed = false;
            try {
                SendLine(QStringLiteral("HOST ") + target);
                const TIdFTPReply reply = GetReply();
                if (reply.Code != 220)
                    closed = m_control.PeerClosed(reply.Code == 421 ? 1000 : 0);
            } catch (const EIdSocketError &) {
                closed = true; // closed or reset while we sent HOST or waited for its reply
            }
            if (closed) {
                m_control.DiscardInput();
                CloseControl();
                return false;
            }
        }

        if (m_onBannerBeforeLogin)
            m_onBannerBeforeLogin(*this, m_greeting.FormattedText());
        Login();
        if (m_useTLS == utUseImplicitTLS)
            m_tlsInUse = true;
        const TIdFTPReply syst = SendCmd(QStringLiteral("SYST"), {});
        m_systemDesc = syst.Text.value(0);
        if (ServerKnowsZone(m_serverDesc) || SiteZoneListed())
            QueryServerZone();
        // Binary: uploads must arrive byte for byte, whatever the server does in ASCII mode.
        SendCmd(QStringLiteral("TYPE I"), {200});
        SetState(TIdFTPState::LoggedIn);
    } catch (...) {
        if (greetingRead && m_control.Connected()) {
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
    if (!m_ioHandler)
        throw Exception(QStringLiteral("SSL IOHandler is required for this setting"), "EIdFTPNoIOHandler");
    TTlsContext &context = m_ioHandler->Context();
    try {
        m_control.StartTls(context, m_host, nullptr);
    } catch (const EIdOSSLError &error) {
        CloseControl();
        if (implicit)
            throw EIdOSSLError(QStringLiteral("Error connecting with SSL.\r\n") + error.Message());
        throw EIdOSSLError(QStringLiteral("SSL negotiation failed."), "EIdTLSClientTLSHandShakeFailed");
    }
    context.SetControl(m_control.TlsHandle());
}

void TIdFTP::NegotiateTLS()
{
    for (const char *argument : kAuthArguments) {
        const TIdFTPReply reply = SendCmd(QStringLiteral("AUTH ") + QLatin1String(argument), {});
        if (reply.Code == 234 || reply.Code == 334) {
            StartControlTLS(false);
            m_tlsInUse = true;
            return;
        }
        if (reply.Code / 100 != 5) {
            CloseControl();
            throw Exception(QStringLiteral("Start SSL negotiation command failed."), "EIdTLSClientStartTLSCmdFailed");
        }
    }
}

void TIdFTP::Login()
{
    m_tlsInUse = false;
    if (m_useTLS == utUseRequireTLS || m_useTLS == utUseExplicitTLS) {
        NegotiateTLS();
        if (!m_tlsInUse && m_useTLS == utUseRequireTLS) {
            CloseControl();
            throw Exception(QStringLiteral("SSL is not available on this server."), "EIdFTPNoTLSSupport");
        }
    }
    TIdFTPReply reply = SendCmd(QStringLiteral("USER ") + m_username, {230, 232, 331});
    if (reply.Code == 331) {
        reply = SendCmd(QStringLiteral("PASS ") + m_password, {230, 332});
        if (reply.Code == 332)
            RaiseReply(reply); // an account is needed and none is configured
    }
    m_loginReply = reply;
    if (m_onBannerAfterLogin)
        m_onBannerAfterLogin(*this, reply.FormattedText());
    ReadFeatures();
    SendCmd(QStringLiteral("TYPE I"), {200});
}

void TIdFTP::ReadFeatures()
{
    const TIdFTPReply reply = SendCmd(QStringLiteral("FEAT"), {});
    m_features.clear();
    if ((reply.Code == 211 || reply.Code == 221) && reply.Text.size() > 2)
        m_features = reply.Text.mid(1, reply.Text.size() - 2);
    m_canUseMLS = IsFeatureListed(QStringLiteral("MLSD")) || IsFeatureListed(QStringLiteral("MLST"));
    if (IsFeatureListed(QStringLiteral("CLNT")))
        SendCmd(QStringLiteral("CLNT ") + ClientInfo(), {});
    // RFC 2640: a server listing UTF8 takes and gives path names in UTF-8.
    if (IsFeatureListed(QStringLiteral("UTF8")))
        m_utf8 = true;
}

bool TIdFTP::SiteZoneListed() const
{
    // A feature line such as "SITE PSWD;SET;ZONE;CHMOD".
    for (const QString &line : m_features) {
        const QString trimmed = line.trimmed();
        if (trimmed.section(QLatin1Char(' '), 0, 0).compare(QLatin1String("SITE"), Qt::CaseInsensitive) != 0)
            continue;
        for (const QString &fact : trimmed.section(QLatin1Char(' '), 1).split(QLatin1Char(';')))
            if (fact.trimmed().compare(QLatin1String("ZONE"), Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
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
        m_serverUtcOffset = minutes;
}
