#include "ftp/FTPReply.h"

#include "ftp/FTPErrors.h"

namespace {

bool StartsWithCode(const QString &line)
{
    return line.size() >= 3 && line[0].isDigit() && line[1].isDigit() && line[2].isDigit()
           && line[0].unicode() < 128 && line[1].unicode() < 128 && line[2].unicode() < 128;
}

QString TrimLeft(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    return text.mid(i);
}

} // namespace

QString TIdFTPReply::FormattedText() const
{
    return Text.join(QStringLiteral("\r\n"));
}

TIdFTPReply ReadFTPReply(const std::function<QString()> &readLine)
{
    const QString first = readLine();
    if (!StartsWithCode(first))
        throw EIdFTPProtocolError(
            QStringLiteral("Invalid reply from the server: %1").arg(first.left(200)));
    TIdFTPReply reply;
    const QString code = first.left(3);
    reply.Code = code.toInt();
    reply.Text.append(first.mid(4));
    if (first.size() < 4 || first[3] != QLatin1Char('-'))
        return reply;

    const QString lastPrefix = code + QLatin1Char(' ');
    const QString middlePrefix = code + QLatin1Char('-');
    for (;;) {
        if (reply.Text.size() >= kMaxReplyLines)
            throw EIdFTPProtocolError(
                QStringLiteral("Reply of more than %1 lines.").arg(kMaxReplyLines));
        const QString line = readLine();
        if (line == code || line.startsWith(lastPrefix)) {
            reply.Text.append(line.mid(4));
            return reply;
        }
        if (line.startsWith(middlePrefix))
            reply.Text.append(line.mid(4));
        else
            reply.Text.append(TrimLeft(line));
    }
}
