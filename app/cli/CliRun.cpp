#include "app/cli/CliRun.h"

#include "ProgramVersion.h"
#include "app/cli/ConsoleRunLog.h"
#include "app/cli/StopSignals.h"
#include "app/cli/VerboseTrace.h"
#include "engine/ProgramSettings.h"
#include "engine/RunLoops.h"
#include "engine/RunSnapshot.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "settings/AsciiText.h"
#include "settings/SettingsLocation.h"
#include "settings/StoredKeys.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

// Empty when the text was written, else the system's reason.
QString print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream)
                         == size_t(bytes.size());
    if (std::fflush(stream) == 0 && written)
        return QString();
    return errno != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                      : QStringLiteral("write error");
}

// The usage or the version on out; a failed write is said on err and fails.
int answer(std::FILE *out, std::FILE *err, const QString &text)
{
    const QString error = print(out, text);
    if (error.isEmpty())
        return cliSucceeded;
    print(err, QStringLiteral("Unable to write to stdout (%1).\n").arg(error));
    return cliFailed;
}

struct CliOptions
{
    QString Names;
    bool HaveStart = false;
    bool Help = false;
    bool Version = false;
    bool Preview = false;
    bool Quiet = false;
    bool Verbose = false;
    QString Error;
};

// -start and -close ignore the letter case of A-Z; every other option is exact.
bool IsCaseBlindOption(const QString &arg)
{
    return SameTextAscii(arg, u"-start") || SameTextAscii(arg, u"-close");
}

// Only the options CliOptionNames lists get past this, so the manual page, which is checked
// against that list, names every one the program takes.
bool IsCliOption(const QString &arg)
{
    return IsCaseBlindOption(arg) || CliOptionNames().contains(arg);
}

// The settings-location options are read again by the location rules themselves.
CliOptions parseArguments(const QStringList &arguments)
{
    CliOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (!IsCliOption(arg)) {
            options.Error = QStringLiteral("Unknown argument: ") + arg;
            return options;
        }
        if (SameTextAscii(arg, u"-start")) {
            if (i + 1 >= arguments.size()) {
                options.Error = QStringLiteral("-start needs the names of the projects to run");
                return options;
            }
            options.Names = arguments[++i];
            options.HaveStart = true;
        } else if (arg == QLatin1String("-preview")) {
            options.Preview = true;
        } else if (arg == QLatin1String("-quiet")) {
            options.Quiet = true;
        } else if (arg == QLatin1String("-verbose")) {
            options.Verbose = true;
        } else if (SettingsLocationValueOptions().contains(arg)) {
            if (i + 1 >= arguments.size()) {
                options.Error = arg + QStringLiteral(" needs a value");
                return options;
            }
            ++i;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            if (!options.Version)
                options.Help = true;
        } else if (arg == QLatin1String("--version")) {
            if (!options.Help)
                options.Version = true;
        }
        // -close is taken for the desktop program's command lines: a console run always
        // ends. The location flags need nothing here.
    }
    if (!options.Help && !options.Version && options.Error.isEmpty() && options.Names.isEmpty())
        options.Error = QStringLiteral("Nothing to run: give -start with project names");
    return options;
}

// The progress line goes to err when it is a terminal that understands the line's control
// sequences, and never into a file or a pipe.
std::unique_ptr<TTerminalProgress> progressLine(const CliOptions &options, std::FILE *err)
{
    // The trace's lines would run into the progress line on the same terminal.
    if (options.Quiet || options.Verbose || isatty(fileno(err)) != 1
        || qgetenv("TERM") == QByteArrayLiteral("dumb"))
        return nullptr;
    return std::make_unique<TTerminalProgress>(err, options.Preview);
}

} // namespace

QStringList CliOptionNames()
{
    return QStringList{QStringLiteral("-start"), QStringLiteral("-preview"),
                       QStringLiteral("-quiet"), QStringLiteral("-verbose"),
                       QStringLiteral("-close")}
           + SettingsLocationFlags() + SettingsLocationValueOptions()
           + QStringList{QStringLiteral("-h"), QStringLiteral("--help"),
                         QStringLiteral("--version")};
}

QString CliUsage()
{
    return QStringLiteral(
        "Usage: rovanel-cli -start NAMES [-preview] [-quiet] [-verbose] [-close]\n"
        "                   [-appsettingsdir | -usersettingsdir] [-settingsdir FOLDER]\n"
        "                   [-config FILE]\n"
        "       rovanel-cli -h | --help | --version\n"
        "Runs the copy projects named in NAMES (separated by \",\") from the settings file and\n"
        "prints the log on stdout. With -preview every decision is taken and logged but\n"
        "nothing is written (over FTP: log in, change folders and list only).\n"
        "While the run goes on and stderr is a terminal, one line there shows its progress:\n"
        "the project, the files copied, already existing, skipped and failed, the bytes\n"
        "written and the time; -quiet leaves it out. Files and pipes never get it.\n"
        "With -verbose every FTP command and reply goes to stderr (\"ftp: \" first, the\n"
        "password hidden), in place of the progress line.\n"
        "Exit code 0: the run succeeded; 1: a project was not found, its FTP connection failed\n"
        "or its source folder is missing, or the log could not be written to stdout (the run\n"
        "stops there); 2: a usage error or an empty output folder; 3: the run succeeded but\n"
        "files failed. Ctrl-C (SIGINT), SIGTERM and SIGHUP stop the run: a file that fits in\n"
        "one piece is finished, a larger one in progress is abandoned with its target left as\n"
        "it was (\"Stopped: FILE was not copied.\"), a wait for an FTP server ends at once,\n"
        "then the project's summary line and \"Stopped.\" (exit code 128 + the signal: 130,\n"
        "143, 129); the same signal again ends the program at once.\n");
}

int RunCli(const QStringList &arguments, const QString &programFolder, std::FILE *out,
           std::FILE *err, std::FILE *in)
{
    // A closed stdout fails the write that meets it (which stops a run and is reported)
    // rather than ending the program in the middle of a copy.
    std::signal(SIGPIPE, SIG_IGN);
    const CliOptions options = parseArguments(arguments);
    if (options.Help)
        return answer(out, err, CliUsage());
    if (options.Version)
        return answer(out, err, QStringLiteral(RV_VERSION_TEXT "\n"));
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

    std::optional<TVerboseTrace> trace;
    if (options.Verbose)
        trace.emplace(err);
    TRunTotals totals;
    bool result = false;
    bool stopped = false;
    QString writeError;
    {
        TConsoleRunLog log(out, in, err, progressLine(options, err));
        TStopSignals stopSignals(log.Stop());
        result = StartProject(options.Names, SnapshotAllProjects(projects), outDir, connections,
                              log, &totals, options.Preview);
        stopped = log.StopRequested();
        log.Flush();
        writeError = log.WriteError();
    }
    // After the log, which takes its progress line off the terminal.
    if (!writeError.isEmpty())
        print(err, QStringLiteral("Unable to write the log to stdout (%1)%2\n")
                       .arg(writeError, stopped ? QStringLiteral("; the run was stopped.")
                                                : QStringLiteral(".")));
    if (TStopSignals::Received() != 0)
        return TStopSignals::ExitCode(TStopSignals::Received());
    if (!result || !writeError.isEmpty())
        return cliFailed;
    // Files that failed leave the result true; cron and CI still have to notice them.
    return totals.Failed > 0 ? cliFilesFailed : cliSucceeded;
}
