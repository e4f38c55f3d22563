#include "app/gui/CommandLine.h"

#include "settings/AsciiText.h"

QString StartNamesFromArguments(const QStringList &Arguments)
{
    QString names;
    for (qsizetype i = 0; i < Arguments.size(); ++i) {
        if (i + 1 < Arguments.size() && SameTextAscii(Arguments[i], u"-start")) {
            names = Arguments[i + 1];
            ++i;
        }
    }
    return names;
}

bool HasCloseArgument(const QStringList &Arguments)
{
    for (const QString &arg : Arguments)
        if (SameTextAscii(arg, u"-close"))
            return true;
    return false;
}
