#include "ftp/IdFTP.h"

#include "ProgramVersion.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPTrace.h"
#include "ftp/TlsContext.h"
#include "runlog/RunLog.h"

#include <QLoggingCategory>

#include <algorithm>

namespace {

// Debug messages stay off unless the rules enable them.
Q_LOGGING_CATEGORY(lcFtpState, "rovanel.ftp.state", QtInfoMsg)

QString VisibleControlChars(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    shown.replace(QChar(0), QLatin1String("\\0"));
    return shown;
}

} // namespace

TIdSSLIOHandlerSocketOpenSSL::TIdSSLIOHandlerSocketOpenSSL()
    : FContext(std::make_unique<TTlsContext>())
{}

TIdSSLIOHandlerSocketOpenSSL::~TIdSSLIOHandlerSocketOpenSSL() = default;

TIdFTP::TIdFTP() = default;

TIdFTP::~TIdFTP()
{
    CloseControl();
}

QString TIdFTP::ClientInfo()
{
    return QStringLiteral(RV_VERSION_TEXT);
}

void TIdFTP::SetUseTLS(TIdUseTLS mode)
{
    if (mode == FUseTLS)
        return;
    if (mode != utNoTLSSupport && !FIoHandler)
        throw EIdFTPNoIOHandler(QStringLiteral("SSL IOHandler is required for this setting"));
    if (mode == utUseImplicitTLS && FPort == 21)
        FPort = 990;
    else if (mode != utUseImplicitTLS && FPort == 990)
        FPort = 21;
    FUseTLS = mode;
}

void TIdFTP::SetReadTimeout(int ms)
{
    FReadTimeout = ms;
    FControl.SetReadTimeout(ms);
}

int TIdFTP::StopDescriptor() const
{
    return FRunLog ? FRunLog->StopDescriptor() : -1;
}

void TIdFTP::SetState(TIdFTPState state)
{
    if (state == FState)
        return;
    qCDebug(lcFtpState, "%s: %s -> %s", qUtf8Printable(FHost), StateName(FState), StateName(state));
    FState = state;
}

QByteArray TIdFTP::Encode(const QString &text) const
{
    return FFacts.UTF8 ? text.toUtf8() : text.toLatin1();
}

QString TIdFTP::Decode(const QByteArray &bytes) const
{
    return FFacts.UTF8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

void TIdFTP::CloseControl()
{
    // Also when the socket closed itself after an error: the context must not keep taking
    // sessions for a connection that is gone.
    if (FIoHandler)
        FIoHandler->Context().SetControl(nullptr);
    FControl.Close();
    SetState(TIdFTPState::Closed);
}

void TIdFTP::CheckCommand(const QString &command) const
{
    const QString shown = VisibleControlChars(
        command.startsWith(QLatin1String("PASS ")) ? QStringLiteral("PASS ****") : command);
    // A line break inside an argument would end the command early and let the rest be read
    // as a second command; such a command never goes out.
    if (command.contains(QLatin1Char('\r')) || command.contains(QLatin1Char('\n'))
        || command.contains(QChar(0)))
        throw EIdFTPCommandError(
            QStringLiteral("Line break in FTP command refused: %1").arg(shown));
    // Until the server lists UTF8 a character is one byte; a name the server cannot be given
    // must fail rather than go out under another name.
    if (!FFacts.UTF8) {
        for (const QChar c : command)
            if (c.unicode() > 0xFF)
                throw EIdFTPCommandError(
                    QStringLiteral(
                        "The server does not accept UTF-8; this command cannot be sent: %1")
                        .arg(shown));
    }
}

void TIdFTP::SendLine(const QString &command)
{
    CheckCommand(command);
    // QUIT goes out whatever is waiting: the connection ends with it anyway.
    if (VerbOf(command) != QLatin1String("QUIT"))
        CheckInStep();
    WriteCommands({command});
}

QString TIdFTP::VerbOf(const QString &command)
{
    return command.section(QLatin1Char(' '), 0, 0).toUpper();
}

void TIdFTP::WriteCommands(const QStringList &commands)
{
    QByteArray lines;
    for (const QString &command : commands) {
        TraceFtpCommand(FTraceName, command);
        lines += Encode(command) + "\r\n";
    }
    try {
        if (!FControl.Connected())
            throw EIdSocketError(QStringLiteral("Not Connected"), "EIdNotConnected");
        FAwaitedReply = QStringLiteral("the server's reply to ") + VerbOf(commands.first());
        FControl.Write(lines);
    } catch (const EIdSocketError &) {
        if (!FControl.Connected())
            CloseControl();
        throw;
    } catch (const ERunStopped &) {
        // A part of the commands may have gone out.
        CloseOutOfStep(QStringLiteral("Connection closed: the run was stopped while sending %1.")
                           .arg(VerbOf(commands.first())));
        throw;
    }
}

TIdFTPReply TIdFTP::GetReply()
{
    try {
        FLastReply = ReadFTPReply([this] { return Decode(FControl.ReadLine(kMaxReplyLineBytes)); });
        TraceFtpReply(FTraceName, FLastReply);
        if (FLastReply.Code != 421)
            ++FRepliesRead;
    } catch (const EIdReadTimeout &) {
        // The reply may still come, and would then be taken as the next command's.
        CloseOutOfStep(
            QStringLiteral("Connection closed: %1 did not arrive in time.").arg(FAwaitedReply));
        throw;
    } catch (const ERunStopped &) {
        // As a time-out: the reply may still come.
        CloseOutOfStep(
            QStringLiteral("Connection closed: the run was stopped while waiting for %1.")
                .arg(FAwaitedReply));
        throw;
    } catch (const EIdFTPProtocolError &) {
        // Where the unreadable reply ends is unknown; the rest of it would answer the next
        // command.
        CloseOutOfStep(
            QStringLiteral("Connection closed: %1 could not be read.").arg(FAwaitedReply));
        throw;
    } catch (const EIdSocketError &) {
        // A reset or a close by the peer closes the socket.
        if (!FControl.Connected())
            CloseControl();
        throw;
    }
    return FLastReply;
}

void TIdFTP::CloseOutOfStep(const QString &reason)
{
    CloseControl();
    FOutOfStep = reason;
}

void TIdFTP::CheckInStep()
{
    if (!FControl.Connected()) {
        if (!FOutOfStep.isEmpty())
            throw EIdSocketError(FOutOfStep, "EIdNotConnected");
        return; // sending reports the closed connection
    }
    // Replies come only when asked for; whatever is waiting now would be taken as the reply
    // to the command about to be sent. A closed or reset connection shows here too, and
    // reading then reports it.
    if (!FControl.HasDataToRead())
        return;
    FAwaitedReply = QStringLiteral("an unasked reply");
    const TIdFTPReply stray = GetReply();
    if (stray.Code == 421) {
        // The one reply a server may send unasked: it is going away (RFC 959, 4.2).
        CloseControl();
        RaiseReply(stray);
    }
    CloseOutOfStep(
        QStringLiteral("Connection closed: the server sent a reply that no command asked for."));
    throw EIdFTPProtocolError(QStringLiteral("Unexpected reply from the server: %1 %2")
                                  .arg(stray.Code)
                                  .arg(stray.Text.value(0).left(200)));
}

void TIdFTP::RaiseReply(const TIdFTPReply &reply)
{
    throw EIdReplyRFCError(reply.Code, reply.FormattedText());
}

TIdFTPReply TIdFTP::CheckReply(const TIdFTPReply &reply, std::initializer_list<int> accepted)
{
    const bool listed = std::find(accepted.begin(), accepted.end(), reply.Code) != accepted.end();
    if (reply.Code == 421 && !listed) {
        // The server is going away (RFC 959, 4.2): nothing more can be done on this connection.
        CloseControl();
        RaiseReply(reply);
    }
    if (accepted.size() > 0 && !listed)
        RaiseReply(reply);
    return reply;
}

QList<TIdFTPReply> TIdFTP::SendPipelined(const QStringList &commands)
{
    for (const QString &command : commands)
        CheckCommand(command); // before anything goes out
    CheckInStep();
    WriteCommands(commands);
    QList<TIdFTPReply> replies;
    for (const QString &command : commands) {
        FAwaitedReply = QStringLiteral("the server's reply to ") + VerbOf(command);
        replies.append(GetReply());
        if (replies.last().Code == 421) {
            CloseControl();
            RaiseReply(replies.last());
        }
    }
    return replies;
}

TIdFTPReply TIdFTP::SendCmd(const QString &command, std::initializer_list<int> accepted)
{
    SendLine(command);
    return CheckReply(GetReply(), accepted);
}

void TIdFTP::Disconnect()
{
    if (FControl.Connected()) {
        try {
            SendLine(QStringLiteral("QUIT"));
            if (FControl.WaitForData(100)) {
                FControl.SetReadTimeout(100);
                GetReply();
            }
        } catch (const std::exception &) {
            // The server may already be gone; closing is all that is left to do.
        }
    }
    CloseControl();
    // Closed on request: later commands say only that there is no connection.
    FOutOfStep.clear();
    FWasLoggedIn = false;
}
