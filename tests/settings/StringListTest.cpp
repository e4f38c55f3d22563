#include "settings/Exception.h"
#include "settings/StringList.h"

#include <gtest/gtest.h>

// The plain list (no indexes) answers lookups by scanning; its rules must match the hashed
// list's: first separator, letter case ignored, first match wins.
TEST(StringList, ScanningLookupsAndValueSetting)
{
    TStringList list;
    list.SetText(QStringLiteral("a=1\r\nA=2\r\nnote\r\nleft=mid=right"));
    EXPECT_EQ(list.IndexOfName(QStringLiteral("a")), 0);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("note")), -1);
    EXPECT_EQ(list.IndexOf(QStringLiteral("NOTE")), 2);
    EXPECT_EQ(list.Values(QStringLiteral("LEFT")), QStringLiteral("mid=right"));
    EXPECT_EQ(list.Names(2), QString());
    EXPECT_EQ(list.ValueFromIndex(2), QString());

    list.SetValue(QStringLiteral("a"), QString());
    list.SetValue(QStringLiteral("z"), QStringLiteral("9"));
    EXPECT_EQ(list.ToStringList(),
              QStringList({QStringLiteral("A=2"), QStringLiteral("note"),
                           QStringLiteral("left=mid=right"), QStringLiteral("z=9")}));

    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("a")), -1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("A")), 0);
}

TEST(StringList, SeparatorMoveAndSort)
{
    TStringList list;
    list.SetText(QStringLiteral("b:2\nC:3\na:1"));
    list.SetNameValueSeparator(QLatin1Char(':'));
    EXPECT_EQ(list.Values(QStringLiteral("c")), QStringLiteral("3"));
    list.Sort();
    EXPECT_EQ(list.Text(), QStringLiteral("a:1\r\nb:2\r\nC:3\r\n"));
    list.Move(0, 2);
    EXPECT_EQ(list.Text(), QStringLiteral("b:2\r\nC:3\r\na:1\r\n"));
    EXPECT_THROW(list.Move(0, 3), EListError);
    list.SetCaseSensitive(true);
    list.Sort(); // upper case first in a case-sensitive order
    EXPECT_EQ(list.Text(), QStringLiteral("C:3\r\na:1\r\nb:2\r\n"));
}

TEST(StringList, UnbalancedEndUpdateIsHarmless)
{
    TStringList list;
    int changes = 0;
    list.SetOnChange([&](TStringList *) { ++changes; });
    list.EndUpdate();
    EXPECT_EQ(list.UpdateCount(), 0);
    list.Add(QStringLiteral("x"));
    EXPECT_EQ(changes, 1);
}

// A batch of lines notifies its change once, after the last line; a batch inside an outer
// update waits for the outer one.
TEST(StringList, BatchesNotifyOnceWhenTheyEnd)
{
    TStringList list;
    int changes = 0;
    list.SetOnChange([&](TStringList *) { ++changes; });
    list.AddStrings({QStringLiteral("a=1"), QStringLiteral("b=2"), QStringLiteral("c=3")});
    EXPECT_EQ(changes, 1);
    list.SetText(QStringLiteral("x\r\ny"));
    EXPECT_EQ(changes, 2);

    list.BeginUpdate();
    list.SetText(QStringLiteral("z"));
    list.AddStrings({QStringLiteral("w")});
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.UpdateCount(), 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(list.ToStringList(), QStringList({QStringLiteral("z"), QStringLiteral("w")}));
}

// A change handler that raises at the end of a batch reaches the caller, and the batch is over:
// later changes notify again.
TEST(StringList, AnErrorAtTheEndOfABatchLeavesNoUpdateOpen)
{
    TStringList list;
    int changes = 0;
    bool fail = true;
    list.SetOnChange([&](TStringList *) {
        ++changes;
        if (fail)
            throw EListError(QStringLiteral("refused"));
    });
    EXPECT_THROW(list.AddStrings({QStringLiteral("a")}), EListError);
    EXPECT_EQ(list.UpdateCount(), 0);
    fail = false;
    list.Add(QStringLiteral("b"));
    EXPECT_EQ(changes, 2);
}
