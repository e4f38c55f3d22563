#include "settings/SettingsFile.h"
#include "settings/uAppSettings.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

struct DecodeCase
{
    const char *label;
    QByteArray bytes;
    QStringList lines;
};

QStringList L(std::initializer_list<const char16_t *> items)
{
    QStringList result;
    for (const char16_t *item : items)
        result.append(QString::fromUtf16(item));
    return result;
}

} // namespace

TEST(SettingsFile, DecodesLineEndsByteOrderMarkNulAndInvalidUtf8)
{
    const QByteArray bom("\xEF\xBB\xBF");
    const DecodeCase cases[] = {
        {"crlf with bom", bom + "a=1\r\nb=2\r\n", L({u"a=1", u"b=2"})},
        {"no bom", "a=1\r\nb=2\r\n", L({u"a=1", u"b=2"})},
        {"lone lf", "a=1\nb=2\n", L({u"a=1", u"b=2"})},
        {"lone cr", "a=1\rb=2\r", L({u"a=1", u"b=2"})},
        {"mixed, cr cr lf", "a\r\r\nb\n\rc", L({u"a", u"", u"b", u"", u"c"})},
        {"last line without break", "a\r\nb", L({u"a", u"b"})},
        {"empty lines kept", "a\r\n\r\n\r\nb\r\n", L({u"a", u"", u"", u"b"})},
        {"trailing empty line", "a\r\n\r\n", L({u"a", u""})},
        {"only bom", bom, QStringList()},
        {"nothing", QByteArray(), QStringList()},
        {"single break", "\r\n", L({u""})},
        {"nul ends the text", QByteArray("a=1\r\nb=\0tail\r\nc=3", 18), L({u"a=1", u"b="})},
        {"nul at start", QByteArray("\0a=1", 4), QStringList()},
        {"bom not at start is text", "a" + bom + "=1", L({u"a\uFEFF=1"})},
        {"utf-8 text", "n=\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", L({u"n=ä€\U0001F600"})},
        {"invalid utf-8", "n=\xFF\xC3(x\r\nm=\xE2\x82",
         L({u"n=\uFFFD\uFFFD(x", u"m=\uFFFD\uFFFD"})},
    };
    for (const DecodeCase &c : cases)
        EXPECT_EQ(DecodeSettingsBytes(c.bytes), c.lines) << c.label;
}

TEST(SettingsFile, SavedBytesAreBomUtf8AndCrLfAfterEveryLine)
{
    TempTree tree;
    TAppSettings settings;
    settings.Strings().Add(QStringLiteral("a=1"));
    settings.Strings().Add(QString());
    settings.Strings().Add(QString::fromUtf16(u"ä=€"));
    const QString path = tree(QStringLiteral("rv.ini"));
    settings.SaveToFile(path);
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")),
              QByteArray("\xEF\xBB\xBF"
                         "a=1\r\n\r\n\xC3\xA4=\xE2\x82\xAC\r\n"));
    EXPECT_EQ(QFileInfo(path).permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                 | QFileDevice::ReadUser | QFileDevice::WriteUser);

    // An empty list is just the byte-order mark.
    TAppSettings empty;
    empty.SaveToFile(path);
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")), QByteArray("\xEF\xBB\xBF"));
}

TEST(SettingsFile, SaveReplacesTheWholeFileLeavesNoTempFilesAndTightensPermissions)
{
    TempTree tree;
    const QString path = tree.write(QStringLiteral("rv.ini"), QByteArray(4096, 'x'));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                    | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    TAppSettings settings;
    settings.Strings().Add(QStringLiteral("k=v"));
    settings.SaveToFile(path);
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")), QByteArray("\xEF\xBB\xBFk=v\r\n"));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("rv.ini")}));
}

TEST(SettingsFile, SaveThroughASymbolicLinkWritesTheLinkedFile)
{
    TempTree tree;
    const QString target = tree.write(QStringLiteral("dotfiles/rv.ini"), "old");
    const QString link = tree(QStringLiteral("rv.ini"));
    ASSERT_TRUE(QFile::link(target, link));
    TAppSettings settings;
    settings.Strings().Add(QStringLiteral("k=v"));
    settings.SaveToFile(link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(tree.read(QStringLiteral("dotfiles/rv.ini")), QByteArray("\xEF\xBB\xBFk=v\r\n"));
}

TEST(SettingsFile, RoundTripKeepsOddLinesVerbatim)
{
    TempTree tree;
    const QStringList lines = {QStringLiteral("[Section]"),          QStringLiteral("; comment"),
                               QStringLiteral("  spaced = value  "), QStringLiteral("=novalue"),
                               QStringLiteral("a=\"quoted\"\\t"),    QString(),
                               QString::fromUtf16(u"名前=値")};
    TAppSettings settings;
    settings.Strings().AddStrings(lines);
    const QString path = tree(QStringLiteral("rv.ini"));
    settings.SaveToFile(path);
    TAppSettings loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Strings().ToStringList(), lines);
    EXPECT_EQ(loaded.Strings().Values(QStringLiteral("  SPACED ")), QStringLiteral(" value  "));
}

TEST(SettingsFile, FileErrorsCarryTheMessageAndKeepTheList)
{
    TempTree tree;
    TAppSettings settings;
    settings.Strings().Add(QStringLiteral("keep=1"));

    const QString missing = tree(QStringLiteral("missing.ini"));
    try {
        settings.LoadFromFile(missing);
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError &e) {
        EXPECT_TRUE(
            e.Message().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)))
            << e.what();
        EXPECT_GT(e.Message().size(), missing.size() + 22); // the system's reason follows
    }
    EXPECT_EQ(settings.Strings().Values(QStringLiteral("keep")), QStringLiteral("1"));

    // A folder cannot be loaded either.
    EXPECT_THROW(settings.LoadFromFile(tree.path()), EFOpenError);

    const QString noFolder = tree(QStringLiteral("no/such/folder/rv.ini"));
    try {
        settings.SaveToFile(noFolder);
        ADD_FAILURE() << "no error";
    } catch (const EFCreateError &e) {
        EXPECT_TRUE(
            e.Message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(noFolder)))
            << e.what();
    }
    EXPECT_FALSE(QFileInfo::exists(tree(QStringLiteral("no"))));
    EXPECT_THROW(settings.SaveToFile(tree.mkdir(QStringLiteral("adir"))), EFCreateError);
}

TEST(SettingsFile, LoadingReplacesTheLinesAndRebuildsTheIndexes)
{
    TempTree tree;
    const QString path = tree.write(QStringLiteral("rv.ini"), "x=new\r\nY=2\r\n");
    TAppSettings settings;
    TStringList &list = settings.Strings();
    list.Add(QStringLiteral("x=old"));
    EXPECT_EQ(list.Values(QStringLiteral("x")), QStringLiteral("old"));
    int changes = 0;
    list.SetOnChange([&](TStringList *) { ++changes; });
    settings.LoadFromFile(path);
    EXPECT_EQ(changes, 1); // one notification for the whole load
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Values(QStringLiteral("x")), QStringLiteral("new"));
    EXPECT_EQ(list.Values(QStringLiteral("y")), QStringLiteral("2"));
}

TEST(SettingsFile, HostileBytesLoadWithoutCrashOrHang)
{
    TempTree tree;
    // A 50 MB line between two ordinary ones, invalid UTF-8 and a NUL further on.
    QByteArray bytes("\xEF\xBB\xBF"
                     "a=1\r\nbig=");
    bytes += QByteArray(50 * 1024 * 1024, 'z');
    bytes += "\r\n\xC0\xC1\xF5\xFF=bad\r\nc=3\r\n";
    bytes += QByteArray("d=4\0e=5\r\n", 9);
    const QString path = tree.write(QStringLiteral("rv.ini"), bytes);
    bytes.clear();

    TAppSettings settings;
    settings.LoadFromFile(path);
    const TStringList &list = settings.Strings();
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Values(QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_EQ(list.Values(QStringLiteral("big")).size(), 50 * 1024 * 1024);
    EXPECT_EQ(list.Values(QString(4, QChar(0xFFFD))), QStringLiteral("bad"));
    EXPECT_EQ(list.Values(QStringLiteral("c")), QStringLiteral("3"));
    EXPECT_EQ(list.Values(QStringLiteral("d")), QStringLiteral("4"));
    EXPECT_EQ(list.Values(QStringLiteral("e")), QString());
}
