#include "app/gui/CommandLine.h"

#include "settings/AsciiText.h"
#include "settings/SettingsLocation.h"

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

TAppRequest AppRequestFromArguments(const QStringList &Arguments)
{
    const QStringList withValue = SettingsLocationValueOptions();
    for (qsizetype i = 0; i < Arguments.size(); ++i) {
        const QString &arg = Arguments[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help"))
            return TAppRequest::Help;
        if (arg == QLatin1String("--version"))
            return TAppRequest::Version;
        if (SameTextAscii(arg, u"-start") || withValue.contains(arg))
            ++i;
    }
    return TAppRequest::Run;
}

QStringList AppOptionNames()
{
    return QStringList{QStringLiteral("-start"), QStringLiteral("-close")} + SettingsLocationFlags()
           + SettingsLocationValueOptions()
           + QStringList{QStringLiteral("-h"), QStringLiteral("--help"),
                         QStringLiteral("--version")};
}

QString AppUsage()
{
    return QStringLiteral(
        "Usage: rovanel [-start NAMES] [-close]\n"
        "               [-appsettingsdir | -usersettingsdir] [-settingsdir FOLDER]\n"
        "               [-config FILE]\n"
        "       rovanel -h | --help | --version\n"
        "Opens the window with the copy projects of the settings file. -start runs the\n"
        "projects named in NAMES (separated by \",\") as soon as the window opens, ticked or\n"
        "not; -close then closes the program when that run succeeded. The settings file rv.ini\n"
        "is in $XDG_CONFIG_HOME/Rovanel (else ~/.config/Rovanel) unless -appsettingsdir (the\n"
        "program's folder), -usersettingsdir, -settingsdir or -config moves it.\n"
        "rovanel-cli runs the same projects without a window.\n");
}
