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
