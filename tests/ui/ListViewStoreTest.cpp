#include "UiTestSupport.h"
#include "settings/VHashedStringList.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList L(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *t : texts)
        list.append(QString::fromUtf8(t));
    return list;
}

} // namespace

TEST(ListViewEscaping, EncodeAndDecodeCases)
{
    struct Case
    {
        QString plain;
        QString encoded;
    };
    const Case cases[] = {
        {QStringLiteral("a\\b\t"), QStringLiteral("a\\\\b\\t")},
        {QStringLiteral("line1\r\nline2"), QStringLiteral("line1\\r\\nline2")},
        {QStringLiteral("\\n"), QStringLiteral("\\\\n")}, // a backslash before n is no line feed
        {QStringLiteral("\\\\"), QStringLiteral("\\\\\\\\")},
        {QStringLiteral("a;b=c \"q\""), QStringLiteral("a;b=c \"q\"")},
        {QString(), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.plain.toStdString());
        EXPECT_EQ(TRVForm::EncodeValue(c.plain), c.encoded);
        EXPECT_EQ(TRVForm::DecodeValue(c.encoded), c.plain);
    }
}

TEST(ListViewEscaping, DecodeOfTextsNoEncoderWrites)
{
    EXPECT_EQ(TRVForm::DecodeValue(QStringLiteral("end\\")), QStringLiteral("end\\"));
    EXPECT_EQ(TRVForm::DecodeValue(QStringLiteral("\\q\\x")), QStringLiteral("qx"));
    EXPECT_EQ(TRVForm::DecodeValue(QStringLiteral("\\\\\\")), QStringLiteral("\\\\"));
    EXPECT_EQ(TRVForm::DecodeValue(QStringLiteral("\\")), QStringLiteral("\\"));
}

TEST(ListViewStore, SavesTheDocumentedLines)
{
    TestForm form;
    TListView *view = MakeListView(&form, 2, true, {L({"a;b", "x\t"}), L({"", "only sub"})});
    view->SetChecked(view->Item(0), true);
    TVHashedStringList lst;
    lst.Add(QStringLiteral("Other=kept"));

    TRVForm::SaveListView(view, lst, QStringLiteral("Files"));

    EXPECT_EQ(lst.ToStringList(),
              L({"Other=kept", "Files[1][0]=a;b", "Files[1][1]=x\\t", "FilesChecked[1]=1",
                 "Files[2][1]=only sub", "FilesChecked[2]=0", "FilesN=2"}));
}

TEST(ListViewStore, SaveStopsAtTheFirstMissingSubItem)
{
    TestForm form;
    TListView *view = MakeListView(&form, 3, false, {L({"cap", "one"})});
    TVHashedStringList lst;
    TRVForm::SaveListView(view, lst, QStringLiteral("P"));
    EXPECT_EQ(lst.ToStringList(), L({"P[1][0]=cap", "P[1][1]=one", "PN=1"}));
}

TEST(ListViewStore, LoadSkipsMissingRowsPadsShortRowsAndAppends)
{
    TestForm form;
    TListView *view = MakeListView(&form, 3, true, {L({"existing", "e1", "e2"})});
    TVHashedStringList lst;
    lst.SetText(QStringLiteral("FILESN=3\r\n"
                               "Files[1][0]=first\\\\dir\r\n"
                               "Files[1][1]=a\\tb\r\n"
                               "FilesChecked[1]=1\r\n"
                               "Files[2][1]=orphan sub-item\r\n"
                               "FilesChecked[2]=1\r\n"
                               "files[3][0]=third\r\n"
                               "FilesChecked[3]=yes\r\n"
                               "Files[4][0]=beyond the count\r\n"));

    TRVForm::LoadListView(view, lst, QStringLiteral("Files"));

    EXPECT_EQ(Rows(view),
              (std::vector<QStringList>{L({"existing", "e1", "e2"}), L({"first\\dir", "a\tb", ""}),
                                        L({"third", "", ""})}));
    EXPECT_TRUE(view->IsChecked(view->Item(1)));
    EXPECT_FALSE(view->IsChecked(view->Item(2)));
}

TEST(ListViewStore, LoadWithAbsentBadOrHugeCounts)
{
    struct Case
    {
        const char *count;
        int rows;
    };
    for (const Case c :
         {Case{"", 0}, Case{"x", 0}, Case{"-4", 0}, Case{"1", 1}, Case{"2147483647", 2}}) {
        SCOPED_TRACE(c.count);
        TestForm form;
        TListView *view = MakeListView(&form, 1, false);
        TVHashedStringList lst;
        if (*c.count)
            lst.SetValue(QStringLiteral("LN"), QString::fromLatin1(c.count));
        lst.SetValue(QStringLiteral("L[1][0]"), QStringLiteral("a"));
        lst.SetValue(QStringLiteral("L[70000][0]"), QStringLiteral("b"));
        TRVForm::LoadListView(view, lst, QStringLiteral("L"));
        EXPECT_EQ(view->ItemCount(), c.rows);
    }
}

TEST(ListViewStore, RoundTripKeepsTextsChecksAndShortRows)
{
    TestForm form;
    TListView *source = MakeListView(
        &form, 3, true,
        {L({"C:\\Data\\*.txt", "Yes", "No"}), L({"multi\r\nline", "tab\there"}), L({"plain"})});
    source->SetChecked(source->Item(1), true);
    TVHashedStringList lst;
    TRVForm::SaveListView(source, lst, QStringLiteral("Src"));

    TListView *target = MakeListView(&form, 3, true);
    TRVForm::LoadListView(target, lst, QStringLiteral("Src"));

    // Loading gives every row all its columns; the texts themselves come back unchanged.
    EXPECT_EQ(Rows(target), (std::vector<QStringList>{L({"C:\\Data\\*.txt", "Yes", "No"}),
                                                      L({"multi\r\nline", "tab\there", ""}),
                                                      L({"plain", "", ""})}));
    EXPECT_EQ(TRVForm::CheckedCount(target), 1);
    EXPECT_TRUE(target->IsChecked(target->Item(1)));
    for (int i = 0; i < lst.Count(); ++i)
        EXPECT_FALSE(lst.Strings(i).contains(QLatin1Char('\n')));
}
