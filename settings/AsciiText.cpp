#include "settings/AsciiText.h"

QString AsciiUpper(QStringView text)
{
    QString result(text.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = QChar(AsciiUpperChar(text[i].unicode()));
    return result;
}

bool StartsWithTextAscii(QStringView Text, QStringView Prefix)
{
    if (Prefix.size() > Text.size())
        return false;
    for (qsizetype i = 0; i < Prefix.size(); ++i) {
        if (AsciiUpperChar(Text[i].unicode()) != AsciiUpperChar(Prefix[i].unicode()))
            return false;
    }
    return true;
}

bool SameTextAscii(QStringView A, QStringView B)
{
    return A.size() == B.size() && StartsWithTextAscii(A, B);
}
