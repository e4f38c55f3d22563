// Passive data connections: data protection (RFC 4217), PRET, PASV, upload and listing.
#include "ftp/IdFTP.h"

#include "ftp/FTPErrors.h"
#include "ftp/FTPListParse.h"
#include "ftp/FTPPassive.h"
#include "ftp/TlsContext.h"

#include <QDateTime>

namespace {

constexpr qint64 kTransferBlock = 64 * 1024;

} // namespace

bool TIdFTP::ProtectData() const
{
    return m_tlsInUse && m_dataPortProtection == ftpdpsPrivate;
}

void TIdFTP::SendDataSettings()
{
    if (m_dataSettingsSent || !m_tlsInUse)
        return;
    SendCmd(QStringLiteral("PBSZ 0"), {});
    SendCmd(m_dataPortProtection == ftpdpsPrivate ? QStringLiteral("PROT P") : QStringLiteral("PROT C"),
            {200});
    m_dataSettingsSent = true;
}

QString TIdFTP::PassiveRequest(const QString &transferCommand, quint16 &port)
{
    if (!m_passive)
        throw Exception(QStringLiteral("Only passive data connections are supported."), "EIdFTPException");
    if (IsFeatureListed(QStringLiteral("PRET")))
        SendCmd(QStringLiteral("PRET ") + transferCommand, {});
    SendDataSettings();
    const TIdFTPReply reply = SendCmd(QStringLiteral("PASV"), {227});
    const TIdPassiveAddress address = ParsePassiveReply(reply.Text.value(0), reply.Code, reply.FormattedText());
    port = address.Port;
    return ChooseDataHost(address.Host, m_control.PeerAddress());
}

void TIdFTP::StartDataTLS(TSocket &data)
{
    TTlsContext &context = m_ioHandler->Context();
    data.StartTls(context, m_host, context.ResumableSession());
}

void TIdFTP::DrainPendingReplies()
{
    // A transfer that failed on our side still gets its replies from the server; read them so
    // the next command is paired with its own reply.
    try {
        TIdFTPReply reply = GetReply();
        while (reply.Code >= 100 && reply.Code < 200)
            reply = GetReply();
        if (reply.Code == 421)
            CloseControl();
    } catch (const std::exception &) {
        // No reply came: the original failure is the one to report.
    }
}

void TIdFTP::Put(QIODevice &source, const QString &name)
{
    const QString command = QStringLiteral("STOR ") + name;
    CheckCommand(command); // before PRET and PASV, so that nothing at all goes out
    quint16 port = 0;
    const QString host = PassiveRequest(command, port);
    SendLine(command);

    TSocket data;
    data.SetReadTimeout(m_readTimeout);
    try {
        data.Connect(host, port);
    } catch (const std::exception &) {
        DrainPendingReplies();
        throw;
    }
    CheckReply(GetReply(), {110, 125, 150});

    try {
        if (ProtectData())
            StartDataTLS(data);
        source.seek(0);
        QByteArray block(kTransferBlock, Qt::Uninitialized);
        for (;;) {
            const qint64 n = source.read(block.data(), block.size());
            if (n < 0)
                throw Exception(source.errorString(), "EReadError");
            if (n == 0)
                break;
            data.Write(QByteArray::fromRawData(block.constData(), qsizetype(n)));
        }
        data.Finish();
    } catch (const std::exception &) {
        data.Abort();
        // The server's own account of the broken transfer (426, 451, ...) says more than
        // a reset seen from here.
        TIdFTPReply final;
        bool gotReply = false;
        try {
            final = GetReply();
            gotReply = true;
        } catch (const std::exception &) {
        }
        if (gotReply) {
            CheckReply(final, {});
            if (final.Code >= 400)
                RaiseReply(final);
        }
        throw;
    }
    data.Close();
    CheckReply(GetReply(), {226, 225, 250});
}

void TIdFTP::List()
{
    const QString command = m_canUseMLS ? QStringLiteral("MLSD") : QStringLiteral("LIST");
    quint16 port = 0;
    const QString host = PassiveRequest(command, port);
    TSocket data;
    data.SetReadTimeout(m_readTimeout);
    data.Connect(host, port);
    const TIdFTPReply opened = SendCmd(command, {125, 150, 154, 450});
    QByteArray received;
    if (opened.Code != 450) {
        try {
            if (ProtectData())
                StartDataTLS(data);
            char buffer[16384];
            for (;;) {
                const qint64 n = data.Read(buffer, sizeof buffer);
                if (n <= 0)
                    break;
                received.append(buffer, qsizetype(n));
            }
        } catch (const std::exception &) {
            data.Close();
            DrainPendingReplies();
            throw;
        }
    }
    data.Close();
    if (opened.Code < 300)
        CheckReply(GetReply(), {226, 225, 250});

    m_listing = SplitListingLines(received);
    m_listingIsMLSD = m_canUseMLS;
    m_listingUtf8 = m_utf8;
    m_listingInterpreted = false;
    m_items.clear();
}

const QList<TIdFTPListItem> &TIdFTP::DirectoryListing()
{
    if (m_listingInterpreted)
        return m_items;
    // Marked first: a listing that cannot be interpreted raises once and then reads as empty.
    m_listingInterpreted = true;
    m_items.clear();
    if (m_listing.isEmpty())
        return m_items;
    if (m_listingIsMLSD) {
        m_items = ParseMLSDListing(m_listing);
        return m_items;
    }
    QStringList lines;
    lines.reserve(m_listing.size());
    for (const QByteArray &line : m_listing)
        lines.append(m_listingUtf8 ? QString::fromUtf8(line) : QString::fromLatin1(line));
    m_items = ParseLISTListing(lines, QDateTime::currentDateTimeUtc());
    return m_items;
}
