#pragma once

#include <QString>
#include <QStringList>

// The program's own options; Arguments exclude the program name. "-start" and "-close" are
// recognised in any letter case of A-Z; other arguments the program does not know are ignored.

// The names text of the last "-start" that has an argument after it (taken whatever it looks
// like); empty when there is none.
QString StartNamesFromArguments(const QStringList &Arguments);
// True when an argument equals "-close" in lower case.
bool HasCloseArgument(const QStringList &Arguments);

// What a command line asks for before any window opens. The first "-h", "--help" or
// "--version" decides; an option's value ("-start --help") is a value, not a request.
enum class TAppRequest { Run, Help, Version };
TAppRequest AppRequestFromArguments(const QStringList &Arguments);

// Every option the program acts on, as written in its usage text and manual page.
QStringList AppOptionNames();
// The text printed for -h / --help.
QString AppUsage();
