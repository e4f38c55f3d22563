// Passive data connections: data protection (RFC 4217), PRET, PASV, upload and listing.
#include "ftp/CertificateTrust.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPListParse.h"
#include "ftp/FTPPassive.h"
#include "ftp/FTPTrace.h"
#include "ftp/IdFTP.h"
#include "ftp/TlsContext.h"
#include "runlog/RunLog.h"

#include <QDateTime>

#include <memory>

namespace {

constexpr qint64 kTransferBlock = 64 * 1024;

} // namespace

bool TIdFTP::ProtectData() const
{
    return FFacts.TLSInUse && FDataPortProtection == ftpdpsPrivate;
}

void TIdFTP::SendDataSettings()
{
    if (FFacts.DataSettingsSent || !FFacts.TLSInUse)
        return;
    SendCmd(QStringLiteral("PBSZ 0"), {});
    SendCmd(FDataPortProtection == ftpdpsPrivate ? QStringLiteral("PROT P")
                                                 : QStringLiteral("PROT C"),
            {200});
    FFacts.DataSettingsSent = true;
}

QString TIdFTP::PassiveRequest(const QString &transferCommand, quint16 &port)
{
    if (!FPassive)
        throw EIdFTPException(QStringLiteral("Only passive data connections are supported."));
    // PRET (announced in FEAT) tells a distributed server which transfer the PASV is for.
    if (FFacts.Capabilities.PRET)
        SendCmd(QStringLiteral("PRET ") + transferCommand, {});
    SendDataSettings();
    // Only the port is taken from the reply; the data connection goes to the control
    // connection's peer. A server behind NAT announces an inside address the client cannot
    // reach, and a server must not be able to send the client's data to a third host (the
    // bounce risk of RFC 2577, 3).
    // PASV names IPv4 addresses only: over IPv6 the request is EPSV (RFC 2428), as it is with
    // a server that does not know PASV.
    if (!FControl.PeerIsIPv6() && !FPassiveRefused) {
        const TIdFTPReply reply = SendCmd(QStringLiteral("PASV"), {227, 500, 502});
        if (reply.Code == 227) {
            port = ParsePassiveReply(reply.Text.value(0), reply.Code, reply.FormattedText()).Port;
            return FControl.PeerAddress();
        }
        FPassiveRefused = true;
    }
    const TIdFTPReply reply = SendCmd(QStringLiteral("EPSV"), {229});
    port = ParseExtendedPassiveReply(reply.Text.value(0), reply.Code, reply.FormattedText());
    return FControl.PeerAddress();
}

void TIdFTP::StartDataTLS(TSocket &data)
{
    TTlsContext &context = FIoHandler->Context();
    data.StartTls(context, BareHost(FHost), context.ResumableSession());
    // The data connection must reach the server the control connection trusted.
    const std::unique_ptr<X509, void (*)(X509 *)> certificate(
        SSL_get1_peer_certificate(data.TlsHandle()), X509_free);
    const QString offered = certificate ? CertificateTrust::Fingerprint(certificate.get())
                                        : QString();
    if (offered != FFacts.CertificateFingerprint) {
        const QString address = CertificateTrust::AddressText(FHost, FPort);
        data.Abort();
        throw EIdCertificateRefused(
            QStringLiteral("The data connection to %1 offered another certificate than the "
                           "control connection: SHA-256 %2 instead of SHA-256 %3.")
                .arg(address, offered.isEmpty() ? QStringLiteral("(none)") : offered,
                     FFacts.CertificateFingerprint));
    }
}

std::optional<TIdFTPReply> TIdFTP::FinalReplyOfBrokenTransfer()
{
    // A transfer that failed on our side still gets its replies from the server; read them so
    // the next command is paired with its own reply.
    const int timeout = FControl.ReadTimeout();
    if (timeout <= 0 || timeout > kBrokenTransferReplyMs)
        FControl.SetReadTimeout(kBrokenTransferReplyMs);
    std::optional<TIdFTPReply> final;
    try {
        TIdFTPReply reply = GetReply();
        while (reply.Code >= 100 && reply.Code < 200)
            reply = GetReply();
        if (reply.Code == 421)
            CloseControl(); // the server is going away (RFC 959, 4.2)
        final = reply;
    } catch (const std::exception &) {
        // Whatever kept the reply from us (a time-out, a reply that breaks the protocol), it
        // may still come and would then answer the next command: this connection is done.
        CloseControl();
    }
    FControl.SetReadTimeout(timeout);
    return final;
}

std::optional<TIdFTPReply> TIdFTP::ReplyDuringTransfer()
{
    try {
        const TIdFTPReply reply = GetReply();
        if (reply.Code >= 100 && reply.Code < 200)
            return std::nullopt; // preliminary: the transfer goes on
        return reply;
    } catch (const std::exception &) {
        // A reply that did not come whole leaves the connection out of step.
        CloseControl();
        throw;
    }
}

bool TIdFTP::Put(QIODevice &source, const QString &name, const std::function<bool()> &stopRequested)
{
    const QString command = QStringLiteral("STOR ") + name;
    CheckCommand(command); // before PRET and PASV, so that nothing at all goes out
    FStoreOpened = false;
    quint16 port = 0;
    const QString host = PassiveRequest(command, port);
    SendLine(command);

    TSocket data;
    data.SetReadTimeout(FReadTimeout);
    data.WatchStop(StopDescriptor());
    try {
        TraceFtpNote(FTraceName, QStringLiteral("data connection to ") + HostAndPort(host, port));
        data.Connect(host, port);
    } catch (const std::exception &) {
        FinalReplyOfBrokenTransfer();
        throw;
    }
    try {
        CheckReply(GetReply(), {110, 125, 150});
        FStoreOpened = true;
    } catch (const std::exception &) {
        // Broken off, so that a server that opens the transfer after all does not take the
        // connection's end for a whole (empty) file.
        data.Abort();
        throw;
    }

    // The server's final reply when it came while the data connection was still open.
    std::optional<TIdFTPReply> early;
    bool sentAll = false;
    // Broken off by a stop: the data ends where it is, as the end of a transfer would.
    bool stopped = false;
    try {
        if (ProtectData())
            StartDataTLS(data);
        source.seek(0);
        QByteArray block(kTransferBlock, Qt::Uninitialized);
        bool firstBlock = true;
        while (!early) {
            const qint64 n = source.read(block.data(), block.size());
            if (n < 0)
                throw EReadError(source.errorString());
            if (n == 0) {
                sentAll = true;
                break;
            }
            // Only where more is to come: a transfer with nothing left to send is finished.
            if (!firstBlock && stopRequested && stopRequested()) {
                stopped = true;
                break;
            }
            firstBlock = false;
            const QByteArray chunk = QByteArray::fromRawData(block.constData(), qsizetype(n));
            qsizetype sent = 0;
            while (!early && sent < chunk.size()) {
                sent += data.Write(chunk.mid(sent), &FControl);
                if (sent < chunk.size())
                    early = ReplyDuringTransfer();
            }
        }
        // Closed in the same orderly way when stopped, so that the server sees a transfer that
        // ended rather than a broken connection; its reply keeps the control connection in step.
        while ((sentAll || stopped) && !early && !data.Finish(&FControl))
            early = ReplyDuringTransfer();
    } catch (const EIdCertificateRefused &) {
        // Nothing was sent; the server's reply to the broken transfer only keeps the control
        // connection in step, the certificate is what the user must hear about.
        data.Abort();
        FinalReplyOfBrokenTransfer();
        throw;
    } catch (const ERunStopped &) {
        // Broken off, as a broken connection leaves it; whatever the server answers to that,
        // the stop is what happened.
        data.Abort();
        FinalReplyOfBrokenTransfer();
        throw;
    } catch (const std::exception &) {
        data.Abort();
        // The server's own account of the broken transfer (426, 451, ...) says more than
        // a reset seen from here.
        if (const std::optional<TIdFTPReply> final = FinalReplyOfBrokenTransfer()) {
            CheckReply(*final, {});
            if (final->Code >= 400)
                RaiseReply(*final);
        }
        throw;
    }
    if (stopped) {
        // Any final reply ends the broken-off transfer (226, 426, 451, ...), except one that
        // says the server is going away.
        if (early)
            data.Finish();
        else
            data.Close();
        CheckReply(early ? *early : GetReply(), {});
        return false;
    }
    if (!early) {
        data.Close();
        CheckReply(GetReply(), {226, 225, 250});
        return true;
    }
    // The server ended the transfer on its side. Before all data went out, that is a failure
    // whatever the reply says; after it, a success waits for the server to close.
    if (!sentAll || early->Code >= 300)
        data.Abort();
    else
        data.Finish();
    if (!sentAll) {
        CheckReply(*early, {});
        RaiseReply(*early);
    }
    CheckReply(*early, {226, 225, 250});
    return true;
}

void TIdFTP::List()
{
    const bool mlsd = CanUseMLS();
    const QString command = mlsd ? QStringLiteral("MLSD") : QStringLiteral("LIST");
    quint16 port = 0;
    const QString host = PassiveRequest(command, port);
    TSocket data;
    data.SetReadTimeout(FReadTimeout);
    data.WatchStop(StopDescriptor());
    TraceFtpNote(FTraceName, QStringLiteral("data connection to ") + HostAndPort(host, port));
    data.Connect(host, port);
    const TIdFTPReply opened = SendCmd(command, {125, 150, 154, 450});
    QByteArray received;
    // The server's final reply when it came while the data connection was still open: a
    // refusal ends the listing at once; a success only says that the rest is on its way.
    std::optional<TIdFTPReply> early;
    if (opened.Code != 450) {
        try {
            if (ProtectData())
                StartDataTLS(data);
            char buffer[16384];
            for (;;) {
                const qint64 n = data.Read(buffer, sizeof buffer, early ? nullptr : &FControl);
                if (n < 0) {
                    early = ReplyDuringTransfer();
                    if (early && early->Code >= 300)
                        break;
                    continue;
                }
                if (n == 0)
                    break;
                received.append(buffer, qsizetype(n));
            }
        } catch (const std::exception &) {
            data.Close();
            if (!early)
                FinalReplyOfBrokenTransfer();
            throw;
        }
    }
    data.Close();
    if (opened.Code < 300)
        CheckReply(early ? *early : GetReply(), {226, 225, 250});

    FListing = Listing{SplitListingLines(received), mlsd, FFacts.UTF8, false, {}};
    ++FListingSerial;
}

const QList<TIdFTPListItem> &TIdFTP::DirectoryListing()
{
    if (!FOutOfStep.isEmpty())
        throw EIdSocketError(FOutOfStep, "EIdNotConnected");
    if (FListing.Interpreted)
        return FListing.Items;
    // Marked first: a listing that cannot be interpreted raises once and then reads as empty.
    FListing.Interpreted = true;
    FListing.Items.clear();
    if (FListing.Lines.isEmpty())
        return FListing.Items;
    if (FListing.IsMLSD) {
        FListing.Items = ParseMLSDListing(FListing.Lines);
        return FListing.Items;
    }
    QStringList lines;
    lines.reserve(FListing.Lines.size());
    for (const QByteArray &line : FListing.Lines)
        lines.append(FListing.Utf8 ? QString::fromUtf8(line) : QString::fromLatin1(line));
    FListing.Items = ParseLISTListing(lines, QDateTime::currentDateTimeUtc());
    return FListing.Items;
}
