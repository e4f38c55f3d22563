#include "ui/AsciiText.h"

namespace {

char16_t FoldAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
}

} // namespace

bool StartsWithTextAscii(QStringView Text, QStringView Prefix)
{
    if (Prefix.size() > Text.size())
        return false;
    for (qsizetype i = 0; i < Prefix.size(); ++i) {
        if (FoldAscii(Text[i].unicode()) != FoldAscii(Prefix[i].unicode()))
            return false;
    }
    return true;
}

bool SameTextAscii(QStringView A, QStringView B)
{
    return A.size() == B.size() && StartsWithTextAscii(A, B);
}
