#include "ftp/FTPPassive.h"

#include "ftp/FTPErrors.h"

#include <QStringList>

TIdPassiveAddress ParsePassiveReply(const QString &firstLine, int code, const QString &replyText)
{
    const QString line = firstLine.trimmed();
    QString numbers;
    const qsizetype open = line.indexOf(QLatin1Char('('));
    if (open >= 0) {
        const qsizetype close = line.indexOf(QLatin1Char(')'), open + 1);
        numbers = close >= 0 ? line.mid(open + 1, close - open - 1) : line.mid(open + 1);
    } else {
        numbers = line.mid(line.lastIndexOf(QLatin1Char(' ')) + 1);
    }
    // Some servers put a mark before the numbers ("227 =h1,h2,h3,h4,p1,p2").
    while (!numbers.isEmpty() && !numbers[0].isDigit() && numbers[0] != QLatin1Char(' '))
        numbers.remove(0, 1);
    const QStringList parts = numbers.split(QLatin1Char(','));
    if (parts.size() < 6)
        throw EIdReplyRFCError(code, replyText);
    int values[6];
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (i == 5 && ok && values[i] >= 0)
            values[i] &= 0xFF; // the low byte of the port
        if (!ok || values[i] < 0 || values[i] > 255)
            throw EIdReplyRFCError(code, replyText);
    }
    TIdPassiveAddress result;
    result.Host =
        QStringLiteral("%1.%2.%3.%4").arg(values[0]).arg(values[1]).arg(values[2]).arg(values[3]);
    result.Port = quint16(values[4] * 256 + values[5]);
    return result;
}

quint16 ParseExtendedPassiveReply(const QString &firstLine, int code, const QString &replyText)
{
    const qsizetype open = firstLine.indexOf(QLatin1Char('('));
    const qsizetype close = firstLine.indexOf(QLatin1Char(')'), open + 1);
    if (open < 0 || close < 0)
        throw EIdReplyRFCError(code, replyText);
    const QString inside = firstLine.mid(open + 1, close - open - 1);
    // <d><d><d><port><d>; the delimiter is a printable ASCII character (33-126).
    const QChar delimiter = inside.isEmpty() ? QChar() : inside[0];
    if (delimiter.unicode() < 33 || delimiter.unicode() > 126 || delimiter.isDigit())
        throw EIdReplyRFCError(code, replyText);
    const QStringList fields = inside.split(delimiter);
    if (fields.size() != 5 || !fields[0].isEmpty() || !fields[4].isEmpty())
        throw EIdReplyRFCError(code, replyText);
    const QString &digits = fields[3];
    bool ok = !digits.isEmpty() && digits.size() <= 5;
    for (const QChar c : digits)
        ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int port = ok ? digits.toInt() : 0;
    if (port < 1 || port > 65535)
        throw EIdReplyRFCError(code, replyText);
    return quint16(port);
}
