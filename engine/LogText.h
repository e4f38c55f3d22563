#pragma once

#include <QByteArray>
#include <QString>

// How names and paths appear in the log lines of a walk. A log line is one line of text, so
// characters that could break it or make it look like another line are shown escaped:
//   line feed, carriage return and tab as \n, \r and \t;
//   the other control characters U+0000-U+001F and U+007F as \xHH (the code, two hex digits);
//   the C1 controls U+0080-U+009F and the separators U+2028 and U+2029 as \uHHHH.
// A byte of a name that is not part of valid UTF-8 is shown as \xHH (the byte) by
// ShownNameBytes. A backslash stands for itself: names on this system rarely hold one, and the
// lines keep showing such names as they are. Only the text shown changes, never a name.
QString ShownInLog(const QString &text);

// A file name as the system gives it, in bytes, as ShownInLog shows it: valid UTF-8 decoded,
// every other byte as \xHH.
QString ShownNameBytes(const QByteArray &name);
