#include "projects/CopyProjectUnit.h"
#include "settings/Exception.h"
#include "settings/StringList.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TCopyProject> MakeProject(const QString &name, bool visible = true,
                                          bool checked = false, const QString &group = {})
{
    auto p = std::make_unique<TCopyProject>();
    p->SetProjectName(name);
    p->SetVisible(visible);
    p->SetChecked(checked);
    p->SetGroupName(group);
    return p;
}

QString Names(const TCopyProjectList &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.GetProject(i)->ProjectName();
    return names.join(',');
}

QString VisibleNames(const TCopyProjectList &list)
{
    QStringList names;
    for (int i = 0; i < list.VisibleCount(); ++i)
        names << list.GetVisibleProject(i)->ProjectName();
    return names.join(',');
}

// Fills a list from a description such as "A,b,C": lower-case names are hidden.
void Build(TCopyProjectList &list, const QString &names)
{
    for (const QString &name : names.split(',')) {
        bool visible = name.toUpper() == name;
        list.AddProject(MakeProject(name, visible));
    }
}

class ProjectListTest : public ::testing::Test
{
protected:
    void Build(const QString &names) { ::Build(list, names); }
    TCopyProject *P(const QString &name) { return list.FindProject(name); }

    TCopyProjectList list;
};

TEST(CopyProjectTest, ClearedProjectHasTheInitialValues)
{
    TCopyProject p;
    p.SetProjectName("x");
    p.AddSourceRow("*.txt", true, false);
    p.SetOverwrite(ofOlder);
    p.SetVisible(false);
    p.SetChecked(true);
    p.SetCopyIfExists(true);
    p.Clear();

    EXPECT_TRUE(p.ProjectName().isEmpty());
    EXPECT_EQ(p.SourceRowCount(), 0);
    EXPECT_TRUE(p.SourceSubFolders().isEmpty());
    EXPECT_TRUE(p.SourceJunkPath().isEmpty());
    EXPECT_EQ(p.Overwrite(), ofNone);
    EXPECT_TRUE(p.Visible());
    EXPECT_FALSE(p.Checked());
    EXPECT_FALSE(p.CopyIfExists());

    TCopyProject fromNone(static_cast<const TCopyProject *>(nullptr));
    EXPECT_TRUE(fromNone.Visible());
    EXPECT_TRUE(fromNone.ProjectName().isEmpty());
}

TEST(CopyProjectTest, CopyIsDeepAndTakesEveryField)
{
    TCopyProject a;
    a.SetProjectName("Site");
    a.SetGroupName("Web");
    a.SetSourceFolder("/src");
    a.AddSourceRow("**/*.css", true, false);
    a.AddSourceRow("index.html", false, true);
    a.SetExcludeFiles("*.bak;tmp");
    a.SetCopyIfExists(true);
    a.SetCopyIfExistsPath("{DestDir}/x");
    a.SetOutputFolder("{OutDir}/{ProjectName}");
    a.SetOverwrite(ofAll);
    a.SetFTPConnName("Server");
    a.SetChecked(true);
    a.SetVisible(false);

    TCopyProject b(&a);
    TCopyProject c;
    c = a;
    for (const TCopyProject *copy : {&b, &c}) {
        EXPECT_EQ(copy->ProjectName(), "Site");
        EXPECT_EQ(copy->GroupName(), "Web");
        EXPECT_EQ(copy->SourceFolder(), "/src");
        EXPECT_EQ(copy->SourceFiles(), QStringList({"**/*.css", "index.html"}));
        EXPECT_EQ(copy->SourceSubFolders(), QStringList({"Yes", "No"}));
        EXPECT_EQ(copy->SourceJunkPath(), QStringList({"No", "Yes"}));
        EXPECT_EQ(copy->ExcludeFiles(), "*.bak;tmp");
        EXPECT_TRUE(copy->CopyIfExists());
        EXPECT_EQ(copy->CopyIfExistsPath(), "{DestDir}/x");
        EXPECT_EQ(copy->OutputFolder(), "{OutDir}/{ProjectName}");
        EXPECT_EQ(copy->Overwrite(), ofAll);
        EXPECT_EQ(copy->FTPConnName(), "Server");
        EXPECT_TRUE(copy->Checked());
        EXPECT_FALSE(copy->Visible());
    }

    // The copy's lists are its own: editing them leaves the original alone.
    b.GetSourceFiles()[0] = "changed";
    b.ClearSourceRows();
    EXPECT_EQ(a.SourceFiles(), QStringList({"**/*.css", "index.html"}));
    EXPECT_EQ(a.SourceSubFolders().size(), 2);
}

TEST(CopyProjectTest, FlagIsSetOnlyForYesInAnyCase)
{
    for (const char *yes : {"yes", "YES", "Yes", "yEs"})
        EXPECT_TRUE(IsFlagSet(yes)) << yes;
    for (const char *no : {"", "No", "true", "1", "Y", "yes ", " yes", "yess"})
        EXPECT_FALSE(IsFlagSet(no)) << no;
}

TEST_F(ProjectListTest, FindProjectComparesNamesExactly)
{
    Build("Site,site2,Backup");
    list.AddProject(MakeProject("Site")); // a second project of the same name
    EXPECT_EQ(P("Site"), list.GetProject(0));
    EXPECT_EQ(list.FindProject("site"), nullptr);
    EXPECT_EQ(list.FindProject("Site "), nullptr);
    EXPECT_EQ(list.FindProject(""), nullptr);
    EXPECT_EQ(P("site2"), list.GetProject(1)); // hidden projects are found too
}

TEST_F(ProjectListTest, AddProjectJoinsTheVisibleSequenceOnlyWhenVisible)
{
    EXPECT_EQ(list.AddProject(MakeProject("A")), 0);
    EXPECT_EQ(list.AddProject(MakeProject("b", false)), 1);
    EXPECT_EQ(list.AddProject(MakeProject("C")), 2);
    EXPECT_EQ(list.AddProject(nullptr), -1);
    EXPECT_EQ(Names(list), "A,b,C");
    EXPECT_EQ(VisibleNames(list), "A,C");
}

TEST_F(ProjectListTest, IndexOutOfRangeRaisesTheListError)
{
    Build("A,b");
    struct Case
    {
        bool visible;
        int index;
        const char *message;
    };
    const Case cases[] = {
        {false, 2, "List index out of bounds (2)"},
        {false, -1, "List index out of bounds (-1)"},
        {true, 1, "List index out of bounds (1)"},
    };
    for (const Case &c : cases) {
        try {
            c.visible ? list.GetVisibleProject(c.index) : list.GetProject(c.index);
            ADD_FAILURE() << "no error for index " << c.index;
        } catch (const EListError &e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(ProjectListMoveTest, MoveProjectPlacesItAtTheTargetsFormerIndex)
{
    struct Case
    {
        const char *start, *move, *to, *order, *visible;
    };
    const Case cases[] = {
        {"A,B,C,D", "A", "C", "B,C,A,D", "B,C,A,D"}, // towards the end: after the target
        {"A,B,C,D", "D", "B", "A,D,B,C", "A,D,B,C"}, // towards the start: before the target
        {"A,B,C,D", "B", "B", "A,B,C,D", "A,B,C,D"}, // same project: nothing
        {"A,B,C,D", "A", "D", "B,C,D,A", "B,C,D,A"},
        {"A,b,C,D", "A", "D", "b,C,D,A", "C,D,A"}, // hidden project between: skipped in view
        {"A,b,C,D", "D", "b", "A,D,b,C", "A,C,D"}, // hidden target: the view keeps its order
        {"a,B,C,D", "a", "D", "B,C,D,a", "B,C,D"}, // hidden project: only the full order
    };
    for (const Case &c : cases) {
        TCopyProjectList list;
        Build(list, c.start);
        list.MoveProject(list.FindProject(c.move), list.FindProject(c.to));
        EXPECT_EQ(Names(list), c.order) << c.start << " move " << c.move << " to " << c.to;
        EXPECT_EQ(VisibleNames(list), c.visible) << c.start << " move " << c.move << " to " << c.to;
    }
}

TEST_F(ProjectListTest, MoveProjectFollowsTheVisibleOrderWhenItDiffers)
{
    Build("A,B,C");
    // Hide and show A: it is first in the list but last in the view.
    list.SetProjectVisibility(P("A"), false);
    list.SetProjectVisibility(P("A"), true);
    ASSERT_EQ(VisibleNames(list), "B,C,A");

    // In the list A moves towards the end (after C); in the view the same call moves A from
    // index 2 to C's index 1.
    list.MoveProject(P("A"), P("C"));
    EXPECT_EQ(Names(list), "B,C,A");
    EXPECT_EQ(VisibleNames(list), "B,A,C");
}

TEST_F(ProjectListTest, MoveProjectIgnoresProjectsOutsideTheList)
{
    Build("A,B");
    TCopyProject stranger;
    list.MoveProject(&stranger, P("A"));
    list.MoveProject(P("A"), &stranger);
    list.MoveProject(P("A"), nullptr);
    EXPECT_EQ(Names(list), "A,B");
    EXPECT_EQ(VisibleNames(list), "A,B");
}

TEST(ProjectListReplaceTest, ReplaceProjectKeepsOrAppendsTheVisiblePosition)
{
    struct Case
    {
        const char *start, *replaced;
        bool newVisible;
        const char *order, *visible;
    };
    const Case cases[] = {
        {"A,B,C", "B", true, "A,N,C", "A,N,C"}, // visible by visible: same place in the view
        {"A,b,C", "b", true, "A,N,C", "A,C,N"}, // hidden by visible: end of the view
        {"A,B,C", "B", false, "A,N,C", "A,C"},  // visible by hidden: leaves the view
        {"A,b,C", "b", false, "A,N,C", "A,C"},
    };
    for (const Case &c : cases) {
        TCopyProjectList list;
        Build(list, c.start);
        auto replacement = MakeProject("N", c.newVisible);
        TCopyProject *raw = replacement.get();
        ASSERT_TRUE(list.ReplaceProject(list.FindProject(c.replaced), replacement));
        EXPECT_EQ(replacement, nullptr);
        EXPECT_EQ(list.FindProject("N"), raw);
        EXPECT_EQ(list.FindProject(c.replaced), nullptr);
        EXPECT_EQ(Names(list), c.order) << c.start << " replace " << c.replaced;
        EXPECT_EQ(VisibleNames(list), c.visible) << c.start << " replace " << c.replaced;
    }
}

TEST_F(ProjectListTest, ReplaceProjectNotInTheListLeavesEverythingAlone)
{
    Build("A,B");
    TCopyProject stranger;
    auto replacement = MakeProject("N");
    EXPECT_FALSE(list.ReplaceProject(&stranger, replacement));
    ASSERT_NE(replacement, nullptr);
    EXPECT_EQ(replacement->ProjectName(), "N");
    EXPECT_EQ(Names(list), "A,B");
    EXPECT_EQ(VisibleNames(list), "A,B");
}

TEST_F(ProjectListTest, RemoveProjectLeavesBothSequences)
{
    Build("A,b,C,D");
    list.RemoveProject(P("C"));
    list.RemoveProject(P("b"));
    TCopyProject stranger;
    list.RemoveProject(&stranger);
    list.RemoveProject(nullptr);
    EXPECT_EQ(Names(list), "A,D");
    EXPECT_EQ(VisibleNames(list), "A,D");
}

TEST_F(ProjectListTest, HidingUnchecksAndShowingAppendsAtTheEnd)
{
    Build("A,B,C");
    P("A")->SetChecked(true);
    list.SetProjectVisibility(P("A"), false);
    EXPECT_FALSE(P("A")->Checked());
    EXPECT_FALSE(P("A")->Visible());
    EXPECT_EQ(VisibleNames(list), "B,C");

    list.SetProjectVisibility(P("A"), true);
    EXPECT_FALSE(P("A")->Checked());
    EXPECT_EQ(VisibleNames(list), "B,C,A");

    // Showing a visible project again changes nothing (no second entry).
    P("B")->SetChecked(true);
    list.SetProjectVisibility(P("B"), true);
    EXPECT_EQ(VisibleNames(list), "B,C,A");
    EXPECT_TRUE(P("B")->Checked());
}

TEST_F(ProjectListTest, CheckAllTouchesOnlyVisibleProjectsUnCheckAllEveryOne)
{
    Build("A,b,C");
    list.CheckAll();
    EXPECT_TRUE(P("A")->Checked());
    EXPECT_FALSE(P("b")->Checked());
    EXPECT_EQ(list.CheckedCount(), 2);
    EXPECT_EQ(list.CheckedVisibleCount(), 2);

    P("b")->SetChecked(true); // a hidden project can still carry a tick
    EXPECT_EQ(list.CheckedCount(), 3);
    EXPECT_EQ(list.CheckedVisibleCount(), 2);

    list.UnCheckAll();
    EXPECT_EQ(list.CheckedCount(), 0);
    EXPECT_FALSE(P("b")->Checked());
}

TEST(ProjectListGroupsTest, FillListOfGroupsAddsEachNonEmptyGroupOnce)
{
    TCopyProjectList list;
    list.AddProject(MakeProject("1", true, false, "Web"));
    list.AddProject(MakeProject("2", true, false, ""));
    list.AddProject(MakeProject("3", false, false, "Backup"));
    list.AddProject(MakeProject("4", true, false, "web"));
    list.AddProject(MakeProject("5", true, false, "Web"));

    QStringList exact;
    list.FillListOfGroups(exact);
    EXPECT_EQ(exact, QStringList({"Web", "Backup", "web"}));

    QStringList folded{"BACKUP"}; // the receiving list's own content and rule decide
    list.FillListOfGroups(folded, Qt::CaseInsensitive);
    EXPECT_EQ(folded, QStringList({"BACKUP", "Web"}));

    TStringList strings; // ignores letter case unless told otherwise
    list.FillListOfGroups(strings);
    EXPECT_EQ(strings.ToStringList(), QStringList({"Web", "Backup"}));
    TStringList exactStrings;
    exactStrings.SetCaseSensitive(true);
    list.FillListOfGroups(exactStrings);
    EXPECT_EQ(exactStrings.ToStringList(), QStringList({"Web", "Backup", "web"}));
}

} // namespace
