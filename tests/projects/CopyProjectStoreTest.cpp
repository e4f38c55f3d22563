#include "projects/CopyProjectUnit.h"
#include "settings/VHashedStringList.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString Prefix = QStringLiteral("CopyProjects");

// A settings list holding the given lines, as the store holds them after loading a file.
std::unique_ptr<TVHashedStringList> ListOf(const QStringList &lines)
{
    auto lst = std::make_unique<TVHashedStringList>(256);
    lst->AddStrings(lines);
    return lst;
}

std::unique_ptr<TCopyProject> FullProject()
{
    auto p = std::make_unique<TCopyProject>();
    p->SetProjectName("Site");
    p->SetGroupName("Web");
    p->SetSourceFolder("/srv/site");
    p->AddSourceRow("**/*.css", true, false);
    p->AddSourceRow("index.html", false, true);
    p->SetExcludeFiles("*.bak; old/*");
    p->SetCopyIfExists(true);
    p->SetCopyIfExistsPath("{DestDir}/{FileName}.ok");
    p->SetOutputFolder("{OutDir}/{ProjectName}");
    p->SetOverwrite(ofOlder);
    p->SetFTPConnName("Server");
    p->SetChecked(true);
    p->SetVisible(true);
    return p;
}

void ExpectSameProject(const TCopyProject &a, const TCopyProject &b)
{
    EXPECT_EQ(a.ProjectName(), b.ProjectName());
    EXPECT_EQ(a.GroupName(), b.GroupName());
    EXPECT_EQ(a.SourceFolder(), b.SourceFolder());
    EXPECT_EQ(a.SourceFiles(), b.SourceFiles());
    EXPECT_EQ(a.SourceSubFolders(), b.SourceSubFolders());
    EXPECT_EQ(a.SourceJunkPath(), b.SourceJunkPath());
    EXPECT_EQ(a.ExcludeFiles(), b.ExcludeFiles());
    EXPECT_EQ(a.CopyIfExists(), b.CopyIfExists());
    EXPECT_EQ(a.CopyIfExistsPath(), b.CopyIfExistsPath());
    EXPECT_EQ(a.OutputFolder(), b.OutputFolder());
    EXPECT_EQ(a.Overwrite(), b.Overwrite());
    EXPECT_EQ(a.FTPConnName(), b.FTPConnName());
    EXPECT_EQ(a.Checked(), b.Checked());
    EXPECT_EQ(a.Visible(), b.Visible());
}

QString Names(const TCopyProjectList &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.GetProject(i)->ProjectName();
    return names.join(',');
}

// Loads one project stored under "P." from the given lines (the name line is added).
TCopyProject LoadOne(const QStringList &lines, bool replaceNewer = false)
{
    QStringList all{"P.ProjectName=X"};
    all += lines;
    auto lst = ListOf(all);
    TCopyProject p;
    EXPECT_TRUE(p.LoadFromList(*lst, "P.", replaceNewer));
    return p;
}

TEST(CopyProjectStoreTest, SavedLinesFollowTheStoredFormInOrder)
{
    TCopyProjectList list;
    list.AddProject(FullProject());
    auto hidden = std::make_unique<TCopyProject>();
    hidden->SetProjectName("Backup");
    hidden->SetOverwrite(ofAll);
    hidden->SetVisible(false);
    list.AddProject(std::move(hidden));

    TVHashedStringList lst(256);
    list.SaveToList(lst, Prefix);
    const QStringList expected{
        "CopyProjectsN=2",
        "CopyProjects[1].ProjectName=Site",
        "CopyProjects[1].GroupName=Web",
        "CopyProjects[1].SourceFolder=/srv/site",
        "CopyProjects[1].SourceFilesN=2",
        "CopyProjects[1].SourceFiles[1]=**/*.css",
        "CopyProjects[1].SourceSubFolders[1]=Yes",
        "CopyProjects[1].SourceJunkPath[1]=No",
        "CopyProjects[1].SourceFiles[2]=index.html",
        "CopyProjects[1].SourceSubFolders[2]=No",
        "CopyProjects[1].SourceJunkPath[2]=Yes",
        "CopyProjects[1].ExcludeFiles=*.bak; old/*",
        "CopyProjects[1].CopyIfExists=1",
        "CopyProjects[1].CopyIfExistsPath={DestDir}/{FileName}.ok",
        "CopyProjects[1].OutputFolder={OutDir}/{ProjectName}",
        "CopyProjects[1].Overwrite=2",
        "CopyProjects[1].FTPConnName=Server",
        "CopyProjects[1].Checked=1",
        "CopyProjects[1].Visible=1",
        // Empty texts leave no line; counts and flags are always written.
        "CopyProjects[2].ProjectName=Backup",
        "CopyProjects[2].SourceFilesN=0",
        "CopyProjects[2].CopyIfExists=0",
        "CopyProjects[2].Overwrite=1",
        "CopyProjects[2].Checked=0",
        "CopyProjects[2].Visible=0",
    };
    EXPECT_EQ(lst.ToStringList(), expected);
}

TEST(CopyProjectStoreTest, RoundTripKeepsEveryFieldAndTheHiddenProjects)
{
    TCopyProjectList list;
    list.AddProject(FullProject());
    auto second = std::make_unique<TCopyProject>();
    second->SetProjectName("Backup");
    second->SetOverwrite(ofAll);
    second->SetVisible(false);
    second->AddSourceRow("a=b.txt", false, false); // values are stored unescaped
    list.AddProject(std::move(second));

    TVHashedStringList lst(256);
    list.SaveToList(lst, Prefix);
    TCopyProjectList loaded;
    loaded.LoadFromList(lst, Prefix, false);

    ASSERT_EQ(loaded.Count(), 2);
    ExpectSameProject(*loaded.GetProject(0), *list.GetProject(0));
    ExpectSameProject(*loaded.GetProject(1), *list.GetProject(1));
    EXPECT_EQ(loaded.VisibleCount(), 1);
    EXPECT_EQ(loaded.GetVisibleProject(0)->ProjectName(), "Site");
}

TEST(CopyProjectStoreTest, OverwriteCodesIncludingTheOldReplaceNewerMeaning)
{
    struct Case
    {
        const char *line;
        bool replaceNewer;
        TOverwriteFile expected;
    };
    const Case cases[] = {
        {"P.Overwrite=1", false, ofAll},   {"P.Overwrite=1", true, ofOlder},
        {"P.Overwrite=2", false, ofOlder}, {"P.Overwrite=2", true, ofOlder},
        {"P.Overwrite=0", true, ofNone},   {"P.Overwrite=3", false, ofNone},
        {"P.Overwrite=x", true, ofNone},   {"P.Overwrite=-1", false, ofNone},
        {"P.Overwrite=1.0", true, ofNone}, {"", true, ofNone},
    };
    for (const Case &c : cases) {
        QStringList lines;
        if (*c.line)
            lines << c.line;
        EXPECT_EQ(LoadOne(lines, c.replaceNewer).Overwrite(), c.expected)
            << c.line << " replaceNewer=" << c.replaceNewer;
    }

    // Saved, the old code becomes the explicit one and needs the switch no more.
    TCopyProject p = LoadOne({"P.Overwrite=1"}, true);
    TVHashedStringList lst(256);
    p.SaveToList(lst, "P.");
    EXPECT_EQ(lst.Values("P.Overwrite"), "2");
    p.SetOverwrite(ofAll);
    p.SaveToList(lst, "P.");
    EXPECT_EQ(lst.Values("P.Overwrite"), "1");
}

TEST(CopyProjectStoreTest, FlagTextsLoadAsYesOrNo)
{
    struct Case
    {
        const char *text;
        const char *expected;
    };
    const Case cases[] = {
        {"yes", "Yes"}, {"YES", "Yes"}, {"Yes", "Yes"}, {"yEs", "Yes"}, {"true", "No"},
        {"1", "No"},    {"Y", "No"},    {"No", "No"},   {"yes ", "No"}, {nullptr, "No"}, // absent
    };
    for (const Case &c : cases) {
        QStringList lines{"P.SourceFilesN=1", "P.SourceFiles[1]=*.txt"};
        if (c.text) {
            lines << QString("P.SourceSubFolders[1]=%1").arg(c.text)
                  << QString("P.SourceJunkPath[1]=%1").arg(c.text);
        }
        TCopyProject p = LoadOne(lines);
        ASSERT_EQ(p.SourceRowCount(), 1);
        EXPECT_EQ(p.SourceSubFolders().at(0), c.expected) << (c.text ? c.text : "(absent)");
        EXPECT_EQ(p.SourceJunkPath().at(0), c.expected) << (c.text ? c.text : "(absent)");
    }
}

TEST(CopyProjectStoreTest, BooleansAreTrueOnlyForOneAndVisibleFalseOnlyForZero)
{
    struct Case
    {
        const char *text;
        bool checked;
        bool visible;
    };
    const Case cases[] = {
        {"1", true, true},    {"0", false, false}, {"true", false, true},  {"false", false, true},
        {"yes", false, true}, {" 1", false, true}, {nullptr, false, true},
    };
    for (const Case &c : cases) {
        QStringList lines;
        if (c.text) {
            lines << QString("P.Checked=%1").arg(c.text) << QString("P.Visible=%1").arg(c.text)
                  << QString("P.CopyIfExists=%1").arg(c.text);
        }
        TCopyProject p = LoadOne(lines);
        const char *label = c.text ? c.text : "(absent)";
        EXPECT_EQ(p.Checked(), c.checked) << label;
        EXPECT_EQ(p.CopyIfExists(), c.checked) << label;
        EXPECT_EQ(p.Visible(), c.visible) << label;
    }
}

TEST(CopyProjectStoreTest, RowWithoutPatternIsDroppedWithItsFlags)
{
    auto lst = ListOf({
        "CopyProjectsN=1",
        "CopyProjects[1].ProjectName=Site",
        "CopyProjects[1].SourceFilesN=4",
        "CopyProjects[1].SourceFiles[1]=a",
        "CopyProjects[1].SourceSubFolders[1]=Yes",
        "CopyProjects[1].SourceFiles[2]=",
        "CopyProjects[1].SourceSubFolders[2]=Yes",
        "CopyProjects[1].SourceJunkPath[2]=Yes",
        // row 3 has flags but no pattern line at all
        "CopyProjects[1].SourceSubFolders[3]=yes",
        "CopyProjects[1].SourceFiles[4]=d",
        "CopyProjects[1].SourceJunkPath[4]=YES",
    });
    TCopyProjectList list;
    list.LoadFromList(*lst, Prefix, false);
    ASSERT_EQ(list.Count(), 1);
    const TCopyProject *p = list.GetProject(0);
    EXPECT_EQ(p->SourceFiles(), QStringList({"a", "d"}));
    EXPECT_EQ(p->SourceSubFolders(), QStringList({"Yes", "No"}));
    EXPECT_EQ(p->SourceJunkPath(), QStringList({"No", "Yes"}));

    TVHashedStringList saved(256);
    list.SaveToList(saved, Prefix);
    EXPECT_EQ(saved.Values("CopyProjects[1].SourceFilesN"), "2");
    EXPECT_EQ(saved.Values("CopyProjects[1].SourceFiles[2]"), "d");
    EXPECT_EQ(saved.IndexOfName("CopyProjects[1].SourceFiles[3]"), -1);
}

TEST(CopyProjectStoreTest, UnreadableRowCountsGiveNoRows)
{
    for (const char *count : {"abc", "-3", "0", "", "1e3"}) {
        TCopyProject p = LoadOne(
            {QString("P.SourceFilesN=%1").arg(count), "P.SourceFiles[1]=a", "P.SourceFiles[2]=b"});
        EXPECT_EQ(p.SourceRowCount(), 0) << count;
    }
    TCopyProject p = LoadOne({"P.SourceFiles[1]=a"}); // no count line at all
    EXPECT_EQ(p.SourceRowCount(), 0);
}

TEST(CopyProjectStoreTest, EntryWithoutNameIsSkippedAndTheNextSaveRenumbers)
{
    auto lst = ListOf({
        "CopyProjectsN=4",
        "CopyProjects[1].ProjectName=A",
        "CopyProjects[2].GroupName=orphan", // no name
        "CopyProjects[3].ProjectName=",     // empty name
        "CopyProjects[3].GroupName=orphan",
        "CopyProjects[4].ProjectName=D",
        "CopyProjects[4].Visible=0",
    });
    TCopyProjectList list;
    list.LoadFromList(*lst, Prefix, false);
    EXPECT_EQ(Names(list), "A,D");
    EXPECT_EQ(list.VisibleCount(), 1);

    TVHashedStringList saved(256);
    list.SaveToList(saved, Prefix);
    EXPECT_EQ(saved.Values("CopyProjectsN"), "2");
    EXPECT_EQ(saved.Values("CopyProjects[2].ProjectName"), "D");
    EXPECT_EQ(saved.Values("CopyProjects[2].Visible"), "0");
    EXPECT_EQ(saved.IndexOfName("CopyProjects[4].ProjectName"), -1);
}

TEST(CopyProjectStoreTest, MissingOrUnreadableCountLoadsNothing)
{
    for (const char *count : {static_cast<const char *>(nullptr), "", "abc", "-1", "0"}) {
        QStringList lines{"CopyProjects[1].ProjectName=A"};
        if (count)
            lines << QString("CopyProjectsN=%1").arg(count);
        auto lst = ListOf(lines);
        TCopyProjectList list;
        list.LoadFromList(*lst, Prefix, false);
        EXPECT_EQ(list.Count(), 0) << (count ? count : "(absent)");
    }
}

TEST(CopyProjectStoreTest, LoadingAppendsAfterTheProjectsAlreadyListed)
{
    auto lst = ListOf({"CopyProjectsN=1", "CopyProjects[1].ProjectName=B"});
    TCopyProjectList list;
    auto a = std::make_unique<TCopyProject>();
    a->SetProjectName("A");
    list.AddProject(std::move(a));
    list.LoadFromList(*lst, Prefix, false);
    list.LoadFromList(*lst, Prefix, false);
    EXPECT_EQ(Names(list), "A,B,B");
}

TEST(CopyProjectStoreTest, EmptyTextsLeaveNoLineAndLoadBackEmpty)
{
    TCopyProject p;
    p.SetProjectName("Plain");
    p.AddSourceRow("*", false, false);
    TVHashedStringList lst(256);
    p.SaveToList(lst, "P.");
    for (const char *key : {"P.GroupName", "P.SourceFolder", "P.ExcludeFiles", "P.CopyIfExistsPath",
                            "P.OutputFolder", "P.FTPConnName"})
        EXPECT_EQ(lst.IndexOfName(key), -1) << key;

    TCopyProject back;
    back.SetGroupName("stale"); // loading reads every text key, absent ones as empty
    ASSERT_TRUE(back.LoadFromList(lst, "P.", false));
    EXPECT_TRUE(back.GroupName().isEmpty());
    ExpectSameProject(back, p);
}

TEST(CopyProjectStoreTest, SavingOverAnOlderListReplacesLinesInPlace)
{
    auto lst = ListOf({"Other=1", "P.ProjectName=Old", "P.GroupName=G", "P.Checked=1"});
    TCopyProject p;
    p.SetProjectName("New");
    p.SaveToList(*lst, "P.");
    EXPECT_EQ(lst->Strings(0), "Other=1");
    EXPECT_EQ(lst->Strings(1), "P.ProjectName=New");
    EXPECT_EQ(lst->IndexOfName("P.GroupName"), -1); // the empty group removed the old line
    EXPECT_EQ(lst->Values("P.Checked"), "0");
}

TEST(CopyProjectStoreTest, LoadWithoutNameLeavesTheProjectAsItWas)
{
    auto lst = ListOf({"P.ProjectName=", "P.GroupName=G", "P.Overwrite=2"});
    TCopyProject p = *FullProject();
    TCopyProject before(p);
    EXPECT_FALSE(p.LoadFromList(*lst, "P.", false));
    ExpectSameProject(p, before);
}

TEST(CopyProjectStoreTest, KeysIgnoreLetterCaseOfTheStoredNames)
{
    auto lst = ListOf({"copyprojectsn=1", "COPYPROJECTS[1].PROJECTNAME=Site",
                       "copyProjects[1].sourcefilesn=1", "CopyProjects[1].SOURCEFILES[1]=*.x",
                       "CopyProjects[1].overwrite=2"});
    TCopyProjectList list;
    list.LoadFromList(*lst, Prefix, false);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetProject(0)->ProjectName(), "Site");
    EXPECT_EQ(list.GetProject(0)->SourceFiles(), QStringList({"*.x"}));
    EXPECT_EQ(list.GetProject(0)->Overwrite(), ofOlder);
}

} // namespace
