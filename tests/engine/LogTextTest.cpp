// How names appear in log lines.
#include "engine/LogText.h"

#include <gtest/gtest.h>

namespace {

TEST(LogText, ControlCharactersAreShownEscapedAndEverythingElseAsItIs)
{
    const struct
    {
        QString Text;
        QString Shown;
    } cases[] = {
        {QStringLiteral("plain name.txt"), QStringLiteral("plain name.txt")},
        {QStringLiteral("a\nb\rc\td"), QStringLiteral("a\\nb\\rc\\td")},
        {QString::fromUtf16(u"nul\x00.\x1f.\x7f", 8), QStringLiteral("nul\\x00.\\x1F.\\x7F")},
        {QString::fromUtf16(u"c1\x85\x9b"), QStringLiteral("c1\\u0085\\u009B")},
        {QString::fromUtf16(u"sep\u2028\u2029"), QStringLiteral("sep\\u2028\\u2029")},
        {QString::fromUtf16(u"\u00e9t\u00e9 \u65e5\u672c back\\slash \U0001F600"),
         QString::fromUtf16(u"\u00e9t\u00e9 \u65e5\u672c back\\slash \U0001F600")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ShownInLog(c.Text).toStdString(), c.Shown.toStdString());
}

TEST(LogText, NameBytesShowValidUtf8AndEachInvalidByteAsHex)
{
    const struct
    {
        QByteArray Name;
        QString Shown;
    } cases[] = {
        {QByteArray("caf\xc3\xa9"), QString::fromUtf16(u"caf\u00e9")},
        {QByteArray("b\xff.txt"), QStringLiteral("b\\xFF.txt")},
        // A cut sequence, an overlong "/", a surrogate, a code above U+10FFFF.
        {QByteArray("\xc3"), QStringLiteral("\\xC3")},
        {QByteArray("\xc0\xaf"), QStringLiteral("\\xC0\\xAF")},
        {QByteArray("\xed\xa0\x80"), QStringLiteral("\\xED\\xA0\\x80")},
        {QByteArray("\xf4\x90\x80\x80"), QStringLiteral("\\xF4\\x90\\x80\\x80")},
        {QByteArray("\xf0\x9f\x98\x80\n"), QString::fromUtf16(u"\U0001F600\\n")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ShownNameBytes(c.Name).toStdString(), c.Shown.toStdString());
}

} // namespace
