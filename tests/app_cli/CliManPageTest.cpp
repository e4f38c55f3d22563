// rovanel-cli's manual page against the program: the options it documents are the options the
// program takes, and the page says what a user of cron needs.
#include "app/cli/CliRun.h"
#include "support/ManPage.h"
#include "support/TempTree.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kPage = QStringLiteral(RV_BINARY_DIR "/man/rovanel-cli.1");

// Runs rovanel-cli with Option, a value after it and a project to run, with no settings
// file, and tells whether it called Option unknown.
bool refusedAsUnknown(const QString &Option)
{
    TempTree home;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    process.setProcessEnvironment(environment);
    process.start(
        QStringLiteral(RV_BINARY_DIR "/app/rovanel-cli"),
        {Option, QStringLiteral("value"), QStringLiteral("-start"), QStringLiteral("Site")});
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000)) << process.errorString().toStdString();
    return QString::fromUtf8(process.readAllStandardError())
        .contains(QStringLiteral("Unknown argument: ") + Option + QLatin1Char('\n'));
}

} // namespace

TEST(CliManPage, DocumentsExactlyTheOptionsTheProgramTakes)
{
    const TManPage page(kPage);
    ASSERT_TRUE(page.IsRead()) << kPage.toStdString();
    EXPECT_EQ(page.OptionsAgainst(CliOptionNames()).toStdString(), "");
    for (const QString &option : CliOptionNames())
        EXPECT_TRUE(CliUsage().contains(option)) << option.toStdString();
}

TEST(CliManPage, EveryListedOptionIsTakenAndNoOther)
{
    for (const QString &option : CliOptionNames())
        EXPECT_FALSE(refusedAsUnknown(option)) << option.toStdString();
    for (const char *option : {"-help", "-version", "--start", "-v", "-Quiet"})
        EXPECT_TRUE(refusedAsUnknown(QString::fromLatin1(option))) << option;
}

TEST(CliManPage, SaysWhereSettingsAreHowItEndsAndHowToRunItFromCron)
{
    const TManPage page(kPage);
    ASSERT_TRUE(page.IsRead());
    for (const char *section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS",
                                "ENVIRONMENT", "FILES", "EXAMPLES", "SEE ALSO"})
        EXPECT_TRUE(page.Sections().contains(QLatin1String(section))) << section;
    const QString exits = page.Section(QStringLiteral("EXIT STATUS"));
    for (int code : {cliSucceeded, cliFailed, cliUsage, cliFilesFailed})
        EXPECT_TRUE(exits.contains(QStringLiteral(".TP\n.B %1\n").arg(code))) << code;
    EXPECT_TRUE(page.Section(QStringLiteral("FILES")).contains(QLatin1String("/Rovanel/rv.ini")));
    static const QRegularExpression cronLine(
        QStringLiteral(
            "^[0-9*/,-]+ [0-9*/,-]+ [0-9*/,-]+ [0-9*/,-]+ [0-9*/,-]+ rovanel-cli -start "),
        QRegularExpression::MultilineOption);
    EXPECT_TRUE(cronLine.match(page.Section(QStringLiteral("EXAMPLES"))).hasMatch());
}
