#pragma once

#include <QStringView>

// Comparisons that fold only the letters A-Z and a-z, all other characters compared exactly
// (as names and folder prefixes are compared in the windows, whatever the locale).
bool SameTextAscii(QStringView A, QStringView B);
bool StartsWithTextAscii(QStringView Text, QStringView Prefix);
