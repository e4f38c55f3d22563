#pragma once

#include <QString>
#include <QStringView>

// Text compared and folded by the letters A-Z and a-z alone; every other character stays as it
// is, whatever the locale. Names, folder prefixes, remote paths and command-line options are
// compared this way everywhere.

// The character with a-z turned into A-Z.
constexpr char16_t AsciiUpperChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

// The text with a-z turned into A-Z.
QString AsciiUpper(QStringView text);
// Whether the two texts are equal when A-Z and a-z are compared alike.
bool SameTextAscii(QStringView A, QStringView B);
// Whether Text begins with Prefix when A-Z and a-z are compared alike.
bool StartsWithTextAscii(QStringView Text, QStringView Prefix);
