#include "app/gui/CommandLine.h"

namespace {

QString lowerAscii(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return result;
}

} // namespace

QString StartNamesFromArguments(const QStringList &Arguments)
{
    QString names;
    for (qsizetype i = 0; i < Arguments.size(); ++i) {
        if (i + 1 < Arguments.size() && lowerAscii(Arguments[i]) == QLatin1String("-start")) {
            names = Arguments[i + 1];
            ++i;
        }
    }
    return names;
}

bool HasCloseArgument(const QStringList &Arguments)
{
    for (const QString &arg : Arguments)
        if (lowerAscii(arg) == QLatin1String("-close"))
            return true;
    return false;
}
