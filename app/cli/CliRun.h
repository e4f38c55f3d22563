#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// Exit codes of rovanel-cli.
enum TCliExitCode : int {
    cliSucceeded = 0,   // the run's result was true
    cliFailed = 1,      // a name not found, a connection missing or failing, an escaping error,
                        // a log that could not be written
    cliUsage = 2,       // a usage error, or an empty output folder
    cliFilesFailed = 3, // the run's result was true, but files failed
};

// Runs rovanel-cli with the arguments after the program name: reads the settings file (never
// writing it), runs the projects named by -start and prints the log to `out`; messages about
// the command line go to `err`. programFolder stands for the folder of the program file in
// the settings-location rules. Returns a TCliExitCode.
int RunCli(const QStringList &arguments, const QString &programFolder, std::FILE *out,
           std::FILE *err, std::FILE *in);

// The text printed for -h / --help and after a usage error.
QString CliUsage();
// Every option rovanel-cli takes, as written in its usage text and manual page ("-start" and
// "-close" in any letter case of A-Z as well).
QStringList CliOptionNames();
