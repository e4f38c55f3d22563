// The desktop program's own command line: --help and --version answered before any window,
// and the manual page naming exactly the options the program acts on.
#include "ProgramVersion.h"
#include "app/gui/CommandLine.h"
#include "support/ManPage.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

const QString kPage = QStringLiteral(RV_BINARY_DIR "/man/rovanel.1");

QString request(TAppRequest Request)
{
    switch (Request) {
    case TAppRequest::Run:
        return QStringLiteral("run");
    case TAppRequest::Help:
        return QStringLiteral("help");
    case TAppRequest::Version:
        return QStringLiteral("version");
    }
    return QString();
}

} // namespace

TEST(AppCommandLine, HelpAndVersionAreAskedByTheFirstOneThatIsNotAValue)
{
    const QList<std::pair<QStringList, QString>> cases{
        {{}, QStringLiteral("run")},
        {{QStringLiteral("-start"), QStringLiteral("Site"), QStringLiteral("-close")},
         QStringLiteral("run")},
        {{QStringLiteral("--help")}, QStringLiteral("help")},
        {{QStringLiteral("-h")}, QStringLiteral("help")},
        {{QStringLiteral("--version")}, QStringLiteral("version")},
        {{QStringLiteral("-START"), QStringLiteral("Site"), QStringLiteral("--version")},
         QStringLiteral("version")},
        {{QStringLiteral("--version"), QStringLiteral("--help")}, QStringLiteral("version")},
        {{QStringLiteral("-unknown"), QStringLiteral("-h")}, QStringLiteral("help")},
        // Values: a project named "--help", a settings file named "--version".
        {{QStringLiteral("-start"), QStringLiteral("--help")}, QStringLiteral("run")},
        {{QStringLiteral("-Start"), QStringLiteral("-h")}, QStringLiteral("run")},
        {{QStringLiteral("-config"), QStringLiteral("--version")}, QStringLiteral("run")},
        {{QStringLiteral("-settingsdir"), QStringLiteral("-h"), QStringLiteral("--version")},
         QStringLiteral("version")},
        // Only the exact spellings.
        {{QStringLiteral("-help"), QStringLiteral("--Version"), QStringLiteral("-v")},
         QStringLiteral("run")},
    };
    for (const auto &[arguments, expected] : cases)
        EXPECT_EQ(request(AppRequestFromArguments(arguments)), expected)
            << arguments.join(QLatin1Char(' ')).toStdString();
}

TEST(AppCommandLine, HelpAndVersionAnswerWithoutADisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const QList<std::pair<QStringList, QString>> cases{
        {{QStringLiteral("--help")}, QStringLiteral("Usage: rovanel ")},
        {{QStringLiteral("-h")}, QStringLiteral("Usage: rovanel ")},
        {{QStringLiteral("--version")}, QStringLiteral(RV_VERSION_TEXT "\n")},
        {{QStringLiteral("-start"), QStringLiteral("Site"), QStringLiteral("--version")},
         QStringLiteral(RV_VERSION_TEXT "\n")},
    };
    for (const auto &[arguments, expected] : cases) {
        const std::string shown = arguments.join(QLatin1Char(' ')).toStdString();
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(RV_BINARY_DIR "/app/rovanel"), arguments);
        ASSERT_TRUE(program.waitForFinished(30000)) << shown;
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << shown;
        EXPECT_EQ(program.exitCode(), 0) << shown;
        EXPECT_TRUE(out.startsWith(expected)) << shown << ": " << out.toStdString();
        EXPECT_EQ(program.readAllStandardError(), QByteArray()) << shown;
    }
}

TEST(AppCommandLine, TheManualPageNamesExactlyTheOptionsTheProgramActsOn)
{
    const TManPage page(kPage);
    ASSERT_TRUE(page.IsRead()) << kPage.toStdString();
    EXPECT_EQ(page.OptionsAgainst(AppOptionNames()).toStdString(), "");
    for (const QString &option : AppOptionNames())
        EXPECT_TRUE(AppUsage().contains(option)) << option.toStdString();
    for (const char *section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS",
                                "ENVIRONMENT", "FILES", "EXAMPLES", "SEE ALSO"})
        EXPECT_TRUE(page.Sections().contains(QLatin1String(section))) << section;
    const QString files = page.Section(QStringLiteral("FILES"));
    for (const char *file : {"/Rovanel/rv.ini", "/Rovanel/rv-window.ini", "/Rovanel/rv.ini.lock",
                             "/Rovanel/trusted-certificates"})
        EXPECT_TRUE(files.contains(QLatin1String(file))) << file;
}
