#include "settings/NumberedKeys.h"
#include "settings/uAppSettings.h"
#include "support/TempTree.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QStringList Lines(const TAppSettings &settings)
{
    return settings.Strings().ToStringList();
}

} // namespace

TEST(AppSettings, PropertyNamesFromStemIndexAndDelimiter)
{
    TAppSettings settings;
    const struct
    {
        const char *name;
        int index;
        const char *delimiter;
        const char *expected;
    } cases[] = {
        {"Main", -1, "", "MainCol"},
        {"Main", 3, "", "MainCol3"},
        {"", 3, "", "Col3"},
        {"", -1, ".", "Col"},
        {"Main", -5, ".", "Main.Col"},
        {"Main", 0, ".", "Main.Col0"},
        {"Main", 12, "::", "Main::Col12"},
    };
    for (const auto &c : cases) {
        settings.SetPropertyDelimiter(QString::fromLatin1(c.delimiter));
        EXPECT_EQ(settings.ExpandPropertyName(QString::fromLatin1(c.name), c.index,
                                              QStringLiteral("Col")),
                  QString::fromLatin1(c.expected));
    }
    settings.SetPropertyDelimiter(QStringLiteral("."));
    EXPECT_EQ(settings.ExpandPropertyName(QStringLiteral("Win"), QStringLiteral("Left")),
              QStringLiteral("Win.Left"));
}

TEST(AppSettings, TypedPropertiesWriteTheListForms)
{
    TAppSettings settings;
    settings.SetPropertyDelimiter(QStringLiteral("."));
    settings.SetStringProperty(QStringLiteral("W"), QStringLiteral("Title"), QStringLiteral("Hi"));
    settings.SetBoolProperty(QStringLiteral("W"), 2, QStringLiteral("On"), true);
    settings.SetIntProperty(QStringLiteral("W"), QStringLiteral("Left"), -12);
    settings.SetInt64Property(QString(), QStringLiteral("Big"), 1LL << 40);
    const TDateTime when = DateTimeFromQDateTime(
        QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), QTimeZone::utc()));
    settings.SetDateTimeProperty(QStringLiteral("W"), QStringLiteral("At"), when);
    settings.EncodeDateProperty(QStringLiteral("W"), 1, QStringLiteral("D"), when);
    settings.EncodeTimeProperty(QStringLiteral("W"), QStringLiteral("T"), when);
    settings.SetStringProperty(QStringLiteral("W"), QStringLiteral("Gone"), QString());
    EXPECT_EQ(Lines(settings),
              QStringList({"W.Title=Hi", "W.On2=1", "W.Left=-12", "Big=1099511627776",
                           "W.At=1577934245", "W.D1Year=2020", "W.D1Month=1", "W.D1Day=2",
                           "W.THour=3", "W.TMinute=4", "W.TSecond=5"}));

    EXPECT_TRUE(settings.PropertyExists(QStringLiteral("w"), QStringLiteral("title")));
    EXPECT_FALSE(settings.PropertyExists(QStringLiteral("W"), QStringLiteral("Gone")));
    EXPECT_EQ(settings.GetStringProperty(QStringLiteral("W"), QStringLiteral("TITLE")),
              QStringLiteral("Hi"));
    EXPECT_TRUE(settings.GetBoolPropertyDef(QStringLiteral("W"), 2, QStringLiteral("On"), false));
    EXPECT_FALSE(settings.GetBoolPropertyDef(QStringLiteral("W"), 3, QStringLiteral("On"), false));
    int32_t left = 0;
    EXPECT_TRUE(
        settings.TryGetIntProperty(QStringLiteral("W"), QStringLiteral("Left"), left, -20, 0));
    EXPECT_EQ(left, -12);
    EXPECT_FALSE(
        settings.TryGetIntProperty(QStringLiteral("W"), QStringLiteral("Left"), left, 0, 5));
    EXPECT_EQ(settings.GetInt64PropertyDef(QString(), QStringLiteral("Big"), 0), 1LL << 40);
    EXPECT_DOUBLE_EQ(settings.GetDateTimePropertyDef(QStringLiteral("W"), QStringLiteral("At"), 0),
                     when);
    TDateTime date = 0;
    EXPECT_TRUE(settings.TryDecodeDateProperty(QStringLiteral("W"), 1, QStringLiteral("D"), date));
    EXPECT_DOUBLE_EQ(date, std::floor(when));
    EXPECT_DOUBLE_EQ(
        settings.DecodeTimePropertyDef(QStringLiteral("W"), QStringLiteral("T"), 0),
        DateTimeFromQDateTime(QDateTime(QDate(1899, 12, 30), QTime(3, 4, 5), QTimeZone::utc())));
}

TEST(AppSettings, NumberedListsRoundTripWithAndWithoutEmptyEntries)
{
    TAppSettings settings;
    const QStringList three = {QStringLiteral("a"), QString(), QStringLiteral("b")};
    settings.SaveStrings(three, QStringLiteral("L"), QStringLiteral("["), QStringLiteral("]"));
    EXPECT_EQ(Lines(settings), QStringList({"L[1]=a", "L[3]=b", "LN=3"}));
    QStringList loaded = {QStringLiteral("kept")};
    EXPECT_TRUE(settings.LoadStrings(loaded, QStringLiteral("l"), QStringLiteral("["),
                                     QStringLiteral("]")));
    EXPECT_EQ(loaded, QStringList({"kept", "a", "", "b"}));

    TAppSettings dense;
    dense.SaveStrings(three, QStringLiteral("L"), QString(), QString(), true);
    EXPECT_EQ(Lines(dense), QStringList({"L1=a", "L2=b", "LN=2"}));
    loaded.clear();
    EXPECT_TRUE(dense.LoadStrings(loaded, QStringLiteral("L"), QString(), QString(), true));
    EXPECT_EQ(loaded, QStringList({"a", "b"}));

    // A shorter list saved over a longer one leaves old lines behind; the count bounds them.
    dense.SaveStrings(QStringList({QStringLiteral("z")}), QStringLiteral("L"));
    EXPECT_EQ(Lines(dense), QStringList({"L1=z", "L2=b", "LN=1"}));
    loaded.clear();
    dense.LoadStrings(loaded, QStringLiteral("L"));
    EXPECT_EQ(loaded, QStringList({"z"}));

    // The TStringList form appends as well.
    TVHashedStringList target;
    target.Add(QStringLiteral("first"));
    EXPECT_TRUE(settings.LoadStrings(target, QStringLiteral("L"), QStringLiteral("["),
                                     QStringLiteral("]")));
    EXPECT_EQ(target.ToStringList(), QStringList({"first", "a", "", "b"}));
}

TEST(AppSettings, MissingOrBadCountLoadsNothing)
{
    TAppSettings settings;
    settings.Strings().SetText(QStringLiteral("L1=a\r\nMN=x\r\nKN=-1\r\nK1=k"));
    // No count line, a count that is no integer, a negative count.
    for (const char *stem : {"L", "M", "K"}) {
        QStringList loaded = {QStringLiteral("kept")};
        EXPECT_EQ(settings.GetItemCount(QString::fromLatin1(stem)), -1) << stem;
        EXPECT_FALSE(settings.LoadStrings(loaded, QString::fromLatin1(stem))) << stem;
        EXPECT_EQ(loaded, QStringList({"kept"}));
        QString text = QStringLiteral("untouched");
        EXPECT_FALSE(settings.TryLoadTextSetting(QString::fromLatin1(stem), text));
        EXPECT_EQ(text, QStringLiteral("untouched"));
        EXPECT_EQ(settings.LoadTextSetting(QString::fromLatin1(stem)), QString());
    }
    settings.SetItemCount(QStringLiteral("Z"), 0);
    QStringList none;
    EXPECT_TRUE(settings.LoadStrings(none, QStringLiteral("Z")));
    EXPECT_TRUE(none.isEmpty());
}

TEST(AppSettings, TextSettingsSplitAtEveryLineBreakAndEndEachLineWithCrLf)
{
    TAppSettings settings;
    settings.SaveTextSetting(QStringLiteral("Memo"), QStringLiteral("one\r\ntwo\nthree\r\rfive"));
    EXPECT_EQ(settings.GetItemCount(QStringLiteral("Memo")), 5);
    EXPECT_EQ(settings.LoadTextSetting(QStringLiteral("Memo")),
              QStringLiteral("one\r\ntwo\r\nthree\r\n\r\nfive\r\n"));

    settings.SaveTextSetting(QStringLiteral("Two"), QStringLiteral("line 1\r\nline 2"));
    QString text;
    EXPECT_TRUE(settings.TryLoadTextSetting(QStringLiteral("Two"), text));
    EXPECT_EQ(text, QStringLiteral("line 1\r\nline 2\r\n"));

    settings.SaveTextSetting(QStringLiteral("Empty"), QString());
    EXPECT_EQ(settings.GetItemCount(QStringLiteral("Empty")), 0);
    text = QStringLiteral("x");
    EXPECT_TRUE(settings.TryLoadTextSetting(QStringLiteral("Empty"), text));
    EXPECT_EQ(text, QString());
}

TEST(AppSettings, NumberedIndexesFoundInOnePass)
{
    TVHashedStringList list;
    list.SetText(QStringLiteral("CopyProjectsN=2147483647\r\n"
                                "CopyProjects[7].ProjectName=seven\r\n"
                                "copyprojects[3].PROJECTNAME=three\r\n"
                                "CopyProjects[01].ProjectName=leading zero\r\n"
                                "CopyProjects[+4].ProjectName=sign\r\n"
                                "CopyProjects[5].ProjectName\r\n"
                                "CopyProjects[6].ProjectNameX=longer\r\n"
                                "CopyProjects[2].ProjectName=\r\n"
                                "CopyProjects[7].ProjectName=again\r\n"
                                "CopyProjects[2147483647].ProjectName=last\r\n"
                                "CopyProjects[2147483648].ProjectName=beyond\r\n"
                                "CopyProjects[].ProjectName=none\r\n"
                                "CopyProjects[9].GroupName=g"));
    const QString before = QStringLiteral("CopyProjects[");
    const QString after = QStringLiteral("].ProjectName");
    EXPECT_EQ(FindNumberedIndexes(list, before, after, 2147483647),
              std::vector<int32_t>({2, 3, 7, 2147483647}));
    EXPECT_EQ(FindNumberedIndexes(list, before, after, 5), std::vector<int32_t>({2, 3}));
    EXPECT_EQ(FindNumberedIndexes(list, before, after, 0), std::vector<int32_t>());
    list.SetCaseSensitive(true);
    EXPECT_EQ(FindNumberedIndexes(list, before, after, 10), std::vector<int32_t>({2, 7}));
}

// A count of 2147483647 beside a handful of entries: the load visits the lines present, and
// gives what walking every number would give.
TEST(AppSettings, HostileCountsLoadInTimeProportionalToTheFile)
{
    TAppSettings settings;
    settings.Strings().SetText(QStringLiteral("LN=2147483647\r\nL1=a\r\nL5=b\r\nL4=\r\nX=1"));
    QStringList dense;
    EXPECT_TRUE(settings.LoadStrings(dense, QStringLiteral("L"), QString(), QString(), true));
    EXPECT_EQ(dense, QStringList({"a", "b"}));
    EXPECT_EQ(settings.LoadTextSetting(QStringLiteral("L"), QString(), QString(), true),
              QStringLiteral("a\r\nb\r\n"));

    // With empty entries kept, every missing number is an empty entry; past the last line
    // present only a bounded run of them is produced.
    QStringList all;
    EXPECT_TRUE(settings.LoadStrings(all, QStringLiteral("L")));
    ASSERT_GE(all.size(), 5);
    EXPECT_EQ(all.mid(0, 5), QStringList({"a", "", "", "", "b"}));
    EXPECT_LE(all.size(), 5 + 65536);
    EXPECT_EQ(all.mid(5).join(QString()), QString());

    // A modest count is honoured exactly, trailing empty entries included.
    settings.SetItemCount(QStringLiteral("L"), 7);
    all.clear();
    settings.LoadStrings(all, QStringLiteral("L"));
    EXPECT_EQ(all, QStringList({"a", "", "", "", "b", "", ""}));
}

// Small counts are walked number by number, counts above the number of lines through the lines
// present; both must give what the plain walk over 1..count gives.
TEST(AppSettings, NumberedListLoadMatchesThePlainWalkForEveryCount)
{
    TAppSettings settings;
    settings.Strings().SetText(QStringLiteral("P[1]x=one\r\nP[3]x=three\r\nP[4]x=\r\n"
                                              "p[8]X=eight\r\nP[08]x=zero-led\r\nP[2]=other"));
    for (int32_t n = 0; n <= 12; ++n) {
        settings.SetItemCount(QStringLiteral("P"), n);
        for (bool nonEmpty : {false, true}) {
            QStringList expected;
            for (int32_t k = 1; k <= n; ++k) {
                const QString v = settings.Strings().Values(QStringLiteral("P[%1]x").arg(k));
                if (!nonEmpty || !v.isEmpty())
                    expected.append(v);
            }
            QStringList loaded;
            EXPECT_TRUE(settings.LoadStrings(loaded, QStringLiteral("P"), QStringLiteral("["),
                                             QStringLiteral("]x"), nonEmpty));
            EXPECT_EQ(loaded, expected) << "count " << n << (nonEmpty ? " non-empty" : "");
        }
    }
}

TEST(AppSettings, StoreSavesAndLoadsThroughItsFile)
{
    TempTree tree;
    const QString path = tree(QStringLiteral("rv.ini"));
    TAppSettings out;
    out.SetStringProperty(QString(), QStringLiteral("OutDir"), QStringLiteral("/pub"));
    out.SaveStrings(QStringList({"x", "y"}), QStringLiteral("List"));
    out.SaveToFile(path);
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")),
              QByteArray("\xEF\xBB\xBFOutDir=/pub\r\nList1=x\r\nList2=y\r\nListN=2\r\n"));

    TAppSettings in;
    in.LoadFromFile(path);
    EXPECT_EQ(in.GetStringProperty(QString(), QStringLiteral("outdir")), QStringLiteral("/pub"));
    QStringList list;
    EXPECT_TRUE(in.LoadStrings(list, QStringLiteral("LIST")));
    EXPECT_EQ(list, QStringList({"x", "y"}));
}
