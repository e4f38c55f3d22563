#pragma once

#include <QString>
#include <QStringView>

// Path texts as the engine handles them: "/" separates folders, a full path begins with "/",
// and the root "/" is a folder of its own (its folder part is itself).

inline constexpr QChar kPathDelim = QLatin1Char('/');

// Whether the text is a full path (begins with "/").
bool IsFullPath(QStringView path);
// The text before the last "/"; "/" for a name directly in the root; empty without a "/".
QString FolderPart(const QString &path);
// The text after the last "/" (all of it without a "/").
QString NamePart(const QString &path);
// The text with every "\\" turned into "/": settings written on Windows separate folders with
// "\\" and still name the same folders here.
QString WithLocalSeparators(QString text);
// The folder with one "/" appended; the root "/" stays as it is.
QString WithTrailingDelim(const QString &folder);
// Replaces every occurrence of tag, compared without regard to letter case, by value.
void ReplaceTag(QString &text, const QString &tag, const QString &value);
