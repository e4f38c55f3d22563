#pragma once

#include <QString>

// The program's title, version and edition texts.
QString AppTitle();
// "1.30".
QString AppVersionShort();
// "1.30 [x64]" on x86-64; another processor names itself in the brackets.
QString AppVersionLong();
// The copyright line of the About page for a year (the year minus 2000, at least two digits).
QString AppCopyrightText(int Year);
// "64-Bit Edition" (32-Bit on a 32-bit build).
QString AppEditionText();
// The maker's web page opened by the About page's link.
QString AppMakerUrl();
