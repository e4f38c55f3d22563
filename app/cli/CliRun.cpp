#include "app/cli/CliRun.h"

#include "app/cli/ConsoleRunLog.h"
#include "app/cli/StopSignals.h"
#include "engine/ProgramSettings.h"
#include "engine/RunLoops.h"
#include "engine/RunSnapshot.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "settings/AsciiText.h"
#include "settings/SettingsLocation.h"
#include "settings/StoredKeys.h"

namespace {

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

struct CliOptions
{
    QString Names;
    bool HaveStart = false;
    bool Help = false;
    bool Preview = false;
    QString Error;
};

// -start and -close ignore the letter case of A-Z; the settings-location options are exact
// (and are read again by the location rules themselves).
CliOptions parseArguments(const QStringList &arguments)
{
    CliOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (SameTextAscii(arg, u"-start")) {
            if (i + 1 >= arguments.size()) {
                options.Error = QStringLiteral("-start needs the names of the projects to run");
                return options;
            }
            options.Names = arguments[++i];
            options.HaveStart = true;
        } else if (arg == QLatin1String("-preview")) {
            options.Preview = true;
        } else if (SameTextAscii(arg, u"-close")) {
            // Accepted for the desktop program's command lines; a console run always ends.
        } else if (arg == QLatin1String("-appsettingsdir")
                   || arg == QLatin1String("-usersettingsdir")) {
        } else if (arg == QLatin1String("-settingsdir") || arg == QLatin1String("-config")) {
            if (i + 1 >= arguments.size()) {
                options.Error = arg + QStringLiteral(" needs a value");
                return options;
            }
            ++i;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            options.Help = true;
        } else {
            options.Error = QStringLiteral("Unknown argument: ") + arg;
            return options;
        }
    }
    if (!options.Help && options.Error.isEmpty() && options.Names.isEmpty())
        options.Error = QStringLiteral("Nothing to run: give -start with project names");
    return options;
}

} // namespace

QString CliUsage()
{
    return QStringLiteral(
        "Usage: rovanel-cli -start NAMES [-preview] [-close] [-appsettingsdir | -usersettingsdir]\n"
        "                   [-settingsdir FOLDER] [-config FILE]\n"
        "Runs the copy projects named in NAMES (separated by \",\") from the settings file and\n"
        "prints the log. With -preview every decision is taken and logged but nothing is written\n"
        "(over FTP: log in, change folders and list only). Exit code 0: the run succeeded; 1: a "
        "project was not found, its FTP\n"
        "connection failed or its source folder is missing; 2: a usage error or an empty output\n"
        "folder; 3: the run succeeded but files failed. Ctrl-C (SIGINT), SIGTERM and SIGHUP stop\n"
        "the run: a file that fits in one piece is finished, a larger one in progress is\n"
        "abandoned with its target left as it was (\"Stopped: FILE was not copied.\"), then\n"
        "the project's summary line and \"Stopped.\" (exit code 128 + the signal: 130, 143,\n"
        "129); the same signal again ends the program at once.\n");
}

int RunCli(const QStringList &arguments, const QString &programFolder, std::FILE *out,
           std::FILE *err, std::FILE *in)
{
    const CliOptions options = parseArguments(arguments);
    if (options.Help) {
        print(out, CliUsage());
        return cliSucceeded;
    }
    if (!options.Error.isEmpty()) {
        print(err, options.Error + QLatin1Char('\n') + CliUsage());
        return cliUsage;
    }

    ResetSettingsLocation(arguments, programFolder);
    const QString path = ProgramSettingsPath(true);
    TCopyProjectList projects;
    TFTPConnList connections;
    const TProgramSettings stored = LoadProgramSettings(path, projects, connections);
    // As the desktop program: the error is shown and the run goes on with what was read.
    if (!stored.Error.isEmpty())
        print(err, stored.Error + QLatin1Char('\n'));
    const QString &outDir = stored.OutDir;

    if (outDir.isEmpty()) {
        print(err, QStringLiteral("Please, enter Output Folder\n"));
        return cliUsage;
    }

    TConsoleRunLog log(out, in, err);
    TStopSignals stopSignals;
    log.SetStopRequested([] { return TStopSignals::Received() != 0; });
    TRunTotals totals;
    const bool result = StartProject(options.Names, SnapshotAllProjects(projects), outDir,
                                     connections, log, &totals, options.Preview);
    if (TStopSignals::Received() != 0)
        return TStopSignals::ExitCode(TStopSignals::Received());
    if (!result)
        return cliFailed;
    // Files that failed leave the result true; cron and CI still have to notice them.
    return totals.Failed > 0 ? cliFilesFailed : cliSucceeded;
}
