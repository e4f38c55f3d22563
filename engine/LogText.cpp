#include "engine/LogText.h"

namespace {

bool needsEscape(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

void appendHex(QString &out, unsigned value, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += QLatin1Char(hex[(value >> shift) & 0xf]);
}

void appendEscaped(QString &out, char16_t c)
{
    switch (c) {
    case u'\n':
        out += QLatin1String("\\n");
        return;
    case u'\r':
        out += QLatin1String("\\r");
        return;
    case u'\t':
        out += QLatin1String("\\t");
        return;
    default:
        break;
    }
    if (c <= 0x7f) {
        out += QLatin1String("\\x");
        appendHex(out, c, 2);
    } else {
        out += QLatin1String("\\u");
        appendHex(out, c, 4);
    }
}

// The length of the valid UTF-8 sequence at p (1 to 4), or 0 when the byte there does not begin
// one: a stray continuation byte, a cut or overlong sequence, a surrogate, a code above U+10FFFF.
int validSequence(const unsigned char *p, const unsigned char *end)
{
    const unsigned char b = p[0];
    if (b < 0x80)
        return 1;
    int length;
    unsigned min;
    unsigned code;
    if ((b & 0xe0) == 0xc0) {
        length = 2;
        min = 0x80;
        code = b & 0x1f;
    } else if ((b & 0xf0) == 0xe0) {
        length = 3;
        min = 0x800;
        code = b & 0x0f;
    } else if ((b & 0xf8) == 0xf0) {
        length = 4;
        min = 0x10000;
        code = b & 0x07;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3f);
    }
    if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

} // namespace

QString ShownInLog(const QString &text)
{
    qsizetype first = 0;
    while (first < text.size() && !needsEscape(text[first].unicode()))
        ++first;
    if (first == text.size())
        return text;
    QString out = text.left(first);
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (needsEscape(c))
            appendEscaped(out, c);
        else
            out += text[i];
    }
    return out;
}

QString ShownNameBytes(const QByteArray &name)
{
    QString out;
    const auto *p = reinterpret_cast<const unsigned char *>(name.constData());
    const auto *end = p + name.size();
    while (p < end) {
        const int length = validSequence(p, end);
        if (length == 0) {
            out += QLatin1String("\\x");
            appendHex(out, *p, 2);
            ++p;
            continue;
        }
        out += QString::fromUtf8(reinterpret_cast<const char *>(p), length);
        p += length;
    }
    return ShownInLog(out);
}
