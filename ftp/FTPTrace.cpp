#include "ftp/FTPTrace.h"

#include "ftp/FTPReply.h"
#include "ftp/Socket.h"

#include <atomic>

Q_LOGGING_CATEGORY(lcFtpTrace, "rovanel.ftp.trace", QtInfoMsg)

QString FtpTraceName(const QString &host, quint16 port)
{
    static std::atomic<int> connections{0};
    return QStringLiteral("%1 #%2").arg(HostAndPort(host, port)).arg(++connections);
}

QString FtpTraceCommand(const QString &command)
{
    if (command.size() >= 4
        && command.left(4).compare(QLatin1String("PASS"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("PASS ****");
    return command;
}

void TraceFtpCommand(const QString &connection, const QString &command)
{
    qCDebug(lcFtpTrace).noquote() << connection << ">" << FtpTraceCommand(command);
}

void TraceFtpReply(const QString &connection, const TIdFTPReply &reply)
{
    if (!lcFtpTrace().isDebugEnabled())
        return;
    for (qsizetype i = 0; i < reply.Text.size(); ++i) {
        const QString code = i == 0 ? QString::number(reply.Code) : QStringLiteral("   ");
        qCDebug(lcFtpTrace).noquote()
            << connection << "<" << code + QLatin1Char(' ') + reply.Text[i];
    }
    if (reply.Text.isEmpty())
        qCDebug(lcFtpTrace).noquote() << connection << "<" << reply.Code;
}

void TraceFtpNote(const QString &connection, const QString &text)
{
    qCDebug(lcFtpTrace).noquote() << connection << "-" << text;
}
