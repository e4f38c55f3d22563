#pragma once

#include <QString>
#include <QStringList>

// The program's own options; Arguments exclude the program name. "-start" and "-close" are
// recognised in any letter case of A-Z.

// The names text of the last "-start" that has an argument after it (taken whatever it looks
// like); empty when there is none.
QString StartNamesFromArguments(const QStringList &Arguments);
// True when an argument equals "-close" in lower case.
bool HasCloseArgument(const QStringList &Arguments);
