#include "UiTestSupport.h"
#include "settings/StringList.h"

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

class ListViewHelpers : public ::testing::Test
{
protected:
    MessageBoxRecorder boxes;
    TestForm form;
};

} // namespace

TEST_F(ListViewHelpers, AddListItemFillsEveryColumnAndSelectsTheNewRow)
{
    TListView *view = MakeListView(&form, 3, true, {L({"old"})});
    view->SetSelected(view->Item(0));

    EXPECT_EQ(form.AddListItem(view, {}), nullptr);
    EXPECT_EQ(view->ItemCount(), 1);

    QTreeWidgetItem *item = form.AddListItem(view, L({"a.txt", "Yes"}));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Rows(view).back(), L({"a.txt", "Yes", ""}));
    EXPECT_EQ(view->Selected(), item);
    EXPECT_FALSE(view->IsChecked(item));
    EXPECT_EQ(item->checkState(0), Qt::Unchecked); // the box is shown

    // Extra values beyond the columns are not stored.
    form.AddListItem(view, L({"b", "1", "2", "3"}));
    EXPECT_EQ(Rows(view).back(), L({"b", "1", "2"}));
}

TEST_F(ListViewHelpers, UpdateSelectedReplacesGivenTextsAndPadsShortRows)
{
    TListView *view = MakeListView(&form, 4, false, {L({"short"}), L({"full", "x", "y", "z"})});

    form.UpdateSelected(view, L({"nothing selected"}));
    EXPECT_EQ(Rows(view)[0], L({"short"}));

    view->SetSelected(view->Item(0));
    form.UpdateSelected(view, L({"s2", "p"}));
    EXPECT_EQ(Rows(view)[0], L({"s2", "p", "", ""}));

    view->SetSelected(view->Item(1));
    form.UpdateSelected(view, {});
    EXPECT_EQ(Rows(view)[1], L({"full", "x", "y", "z"}));
    form.UpdateSelected(view, L({"f2", "q"}));
    EXPECT_EQ(Rows(view)[1], L({"f2", "q", "y", "z"})); // missing texts keep the old sub-items
}

TEST_F(ListViewHelpers, FindListItemFoldsOnlyAsciiLetters)
{
    TListView *view = MakeListView(&form, 1, false, {L({"Alpha"}), L({"ÄRGER"}), L({"alpha"})});
    EXPECT_EQ(form.FindListItem(view, QStringLiteral("alpha"), false), 2);
    EXPECT_EQ(form.FindListItem(view, QStringLiteral("ALPHA"), true), 0);
    EXPECT_EQ(form.FindListItem(view, QStringLiteral("ärger"), true), -1);
    EXPECT_EQ(form.FindListItem(view, QStringLiteral("ÄRGER"), true), 1);
    EXPECT_EQ(form.FindListItem(view, QStringLiteral("Alph"), true), -1);
}

TEST_F(ListViewHelpers, CheckListItemNotExistsLetsTheEditedRowKeepItsName)
{
    form.setWindowTitle(QStringLiteral("Edit"));
    TListView *view = MakeListView(&form, 1, false, {L({"one"}), L({"two"})});

    EXPECT_TRUE(
        form.CheckListItemNotExists(view, 1, QStringLiteral("TWO"), true, QStringLiteral("File")));
    EXPECT_TRUE(form.CheckListItemNotExists(view, -1, QStringLiteral("TWO"), false,
                                            QStringLiteral("File")));
    EXPECT_TRUE(boxes.Asked.empty());

    EXPECT_FALSE(
        form.CheckListItemNotExists(view, 0, QStringLiteral("TWO"), true, QStringLiteral("File")));
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("File \"TWO\" already exists."));
    EXPECT_EQ(boxes.Asked[0].Title, QStringLiteral("Edit"));
}

TEST_F(ListViewHelpers, DeleteSelectedAsksThenSelectsTheRowThatTookItsPlace)
{
    struct Case
    {
        int rows;
        int selected;
        int expectSelected; // -1: none
    };
    for (const Case c : {Case{3, 2, 1}, Case{3, 0, 0}, Case{3, 1, 1}, Case{1, 0, -1}}) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, deleting " << c.selected);
        boxes.Asked.clear();
        std::vector<QStringList> rows;
        for (int i = 0; i < c.rows; ++i)
            rows.push_back(QStringList(QStringLiteral("r%1").arg(i)));
        std::unique_ptr<TListView> view(MakeListView(nullptr, 1, false, rows));
        view->SetSelected(view->Item(c.selected));

        EXPECT_TRUE(form.DeleteSelected(view.get(), QStringLiteral("Delete File")));

        ASSERT_EQ(boxes.Asked.size(), 1u);
        EXPECT_EQ(boxes.Asked[0].Title, QStringLiteral("Delete File"));
        EXPECT_EQ(boxes.Asked[0].Text,
                  QStringLiteral("Delete \"r%1\".\"\r\n\r\nAre you sure?").arg(c.selected));
        EXPECT_EQ(view->ItemCount(), c.rows - 1);
        for (const QStringList &row : Rows(view.get()))
            EXPECT_NE(row.first(), QStringLiteral("r%1").arg(c.selected));
        EXPECT_EQ(view->Selected() ? view->IndexOfItem(view->Selected()) : -1, c.expectSelected);
    }
}

TEST_F(ListViewHelpers, DeleteSelectedKeepsRowsOnNoOrWithoutSelection)
{
    TListView *view = MakeListView(&form, 1, false, {L({"a"}), L({"b"})});
    EXPECT_FALSE(form.DeleteSelected(view, QStringLiteral("t")));
    EXPECT_TRUE(boxes.Asked.empty());

    view->SetSelected(view->Item(1));
    boxes.Answers = {QMessageBox::No};
    EXPECT_FALSE(form.DeleteSelected(view, QStringLiteral("t")));
    EXPECT_EQ(view->ItemCount(), 2);
    EXPECT_EQ(view->Selected(), view->Item(1));
}

TEST_F(ListViewHelpers, TickingCountingAndCollecting)
{
    TListView *view = MakeListView(&form, 2, true, {L({"a"}), L({"b"}), L({"c"}), L({"d"})});
    TStringList collected;
    collected.Add(QStringLiteral("stale"));

    EXPECT_FALSE(form.CheckListItemsChecked(view, QString()));
    EXPECT_TRUE(boxes.Asked.empty());
    EXPECT_FALSE(form.CheckListItemsChecked(view, QStringLiteral("Please, check one.")));
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Please, check one."));

    form.CheckAllListItems(view);
    EXPECT_EQ(form.CheckedCount(view), 4);
    view->SetChecked(view->Item(0), false);
    view->SetChecked(view->Item(2), false);
    EXPECT_TRUE(form.CheckListItemsChecked(view, QStringLiteral("x")));

    form.GetCheckedListItems(view, collected);
    EXPECT_EQ(collected.ToStringList(), L({"b", "d"}));
    form.GetAllListItems(view, collected);
    EXPECT_EQ(collected.ToStringList(), L({"a", "b", "c", "d"}));

    form.DeleteCheckedListItems(view);
    EXPECT_EQ(Rows(view), (std::vector<QStringList>{L({"a"}), L({"c"})}));
    form.UnCheckAllListItems(view);
    EXPECT_EQ(form.CheckedCount(view), 0);
    form.DeleteAllListItems(view);
    EXPECT_EQ(view->ItemCount(), 0);
}

TEST_F(ListViewHelpers, FillCheckedListViewUsesTheCheckedListsOwnLookup)
{
    TListView *view = MakeListView(&form, 1, true, {L({"gone"})});
    TStringList all;
    all.AddStrings(L({"Main", "Docs", "Site"}));
    TStringList checked;
    checked.AddStrings(L({"main", "site"})); // case-insensitive list

    form.FillCheckedListView(view, checked, all);
    EXPECT_EQ(Rows(view), (std::vector<QStringList>{L({"Main"}), L({"Docs"}), L({"Site"})}));
    EXPECT_TRUE(view->IsChecked(view->Item(0)));
    EXPECT_FALSE(view->IsChecked(view->Item(1)));
    EXPECT_TRUE(view->IsChecked(view->Item(2)));

    checked.SetCaseSensitive(true);
    form.FillCheckedListView(view, checked, all);
    EXPECT_EQ(form.CheckedCount(view), 0);
}

TEST_F(ListViewHelpers, SwitchingCheckBoxesOnAndOffKeepsRowsConsistent)
{
    TListView *view = MakeListView(&form, 1, false, {L({"a"}), L({"b"})});
    view->SetChecked(view->Item(0), true); // no boxes: nothing to tick
    EXPECT_EQ(form.CheckedCount(view), 0);
    EXPECT_FALSE(view->Item(0)->data(0, Qt::CheckStateRole).isValid());

    view->SetCheckboxes(true);
    for (int i = 0; i < view->ItemCount(); ++i) {
        EXPECT_EQ(view->Item(i)->checkState(0), Qt::Unchecked);
        EXPECT_TRUE(view->Item(i)->flags() & Qt::ItemIsUserCheckable);
    }
    form.CheckAllListItems(view);
    EXPECT_EQ(form.CheckedCount(view), 2);

    view->SetCheckboxes(false);
    EXPECT_EQ(form.CheckedCount(view), 0);
    EXPECT_FALSE(view->Item(1)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(view->Item(1)->data(0, Qt::CheckStateRole).isValid());
}
