// The projects page: filter, ticking, the project commands with their dialogs, moving by drag
// and drop, and the folder shortcuts.
#include "MainWindowFixture.h"
#include "app/gui/GroupComboBox.h"
#include "app/gui/ProjectsModel.h"
#include "app/gui/ProjectsView.h"
#include "projects/CopyProjectUnit.h"
#include "projects/widgets/EditProjectUnit.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Answers the project editor when it opens: the name (and group, when given), then OK or
// Cancel. Records the title and the name the dialog opened with.
struct EditorAnswer
{
    EditorAnswer(const QString &AName, const QString &AGroup = QString(), bool AOk = true)
        : Name(AName), Group(AGroup), Ok(AOk)
    {}
    QString Name;
    QString Group;
    bool Ok = true;
    QString SeenTitle;
    QString SeenName;
    QString SeenGroup;
};

void answerEditor(TEditProjectForm &Editor, EditorAnswer &Answer)
{
    QTimer::singleShot(0, &Editor, [&Editor, &Answer] {
        Answer.SeenTitle = Editor.windowTitle();
        Answer.SeenName = Editor.ProjectNameEdit->text();
        Answer.SeenGroup = Editor.GroupNameEdit->text();
        Editor.ProjectNameEdit->setText(Answer.Name);
        if (!Answer.Group.isNull())
            Editor.GroupNameEdit->setText(Answer.Group);
        if (Answer.Ok)
            Editor.OKButton->click();
        else
            Editor.CancelButton->click();
    });
}

} // namespace

class ProjectsPageTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        Open();
        Form().resize(945, 551);
        Form().show();
    }

    TEditProjectForm &Editor() { return *Windows->EditProjectForm; }

    void PickFilter(const QString &Text)
    {
        Form().GroupComboBoxDropDown();
        const int index = Form().GroupComboBox->findText(Text, Qt::MatchFixedString
                                                                   | Qt::MatchCaseSensitive);
        ASSERT_GE(index, 0) << Text.toStdString();
        Form().GroupComboBox->setCurrentIndex(index);
        Form().GroupComboBoxClick();
    }

    QStringList FilterItems()
    {
        QStringList items;
        for (int i = 0; i < Form().GroupComboBox->count(); ++i)
            items << Form().GroupComboBox->itemText(i);
        return items;
    }
};

TEST_F(ProjectsPageTest, WithoutProjectsOnlyAddAndTickingCommandsAreEnabled)
{
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("0 checked."));
    EXPECT_TRUE(Form().AddProjectButton->isEnabled());
    for (QPushButton *button :
         {Form().CopyProjectButton, Form().EditProjectButton, Form().DeleteProjectButton,
          Form().OpenSourceFolderButton, Form().OpenOutputFolderButton})
        EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();

    AddProject(QStringLiteral("A"));
    EXPECT_FALSE(Form().EditProjectButton->isEnabled());
    Form().SelectRow(0);
    EXPECT_TRUE(Form().EditProjectButton->isEnabled());
    EXPECT_TRUE(Form().DeleteProjectAction->isEnabled());
}

TEST_F(ProjectsPageTest, GroupsDifferingInCaseShareOneFilterItemButFilterMatchesExactly)
{
    AddProject(QStringLiteral("P1"), QStringLiteral("web"));
    AddProject(QStringLiteral("P2"), QStringLiteral("Web"));
    AddProject(QStringLiteral("P3"), QStringLiteral("Tools"));
    AddProject(QStringLiteral("P4"));

    Form().GroupComboBoxDropDown();
    EXPECT_EQ(FilterItems(), (QStringList{"<All projects>", "Tools", "web"}));

    PickFilter(QStringLiteral("web"));
    EXPECT_EQ(VisibleNames(), QStringList{"P1"});

    // Ticks of hidden projects go; shown again, they follow the ones that were visible.
    Form().CheckAllProjectsActionExecute();
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("1 checked."));
    PickFilter(QStringLiteral("Tools"));
    EXPECT_EQ(VisibleNames(), QStringList{"P3"});
    EXPECT_EQ(Form().Projects().CheckedCount(), 0);
    Form().CheckAllProjectsActionExecute();
    PickFilter(QStringLiteral("<All projects>"));
    EXPECT_EQ(VisibleNames(), (QStringList{"P3", "P1", "P2", "P4"}));
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("1 checked."));
    Form().UnCheckAllProjectsActionExecute();
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("0 checked."));
}

TEST_F(ProjectsPageTest, OpeningFilterAfterItsGroupVanishedSelectsAllWithoutChangingView)
{
    TCopyProject *a = AddProject(QStringLiteral("A"), QStringLiteral("Web"));
    AddProject(QStringLiteral("B"), QStringLiteral("Tools"));
    PickFilter(QStringLiteral("Web"));
    ASSERT_EQ(VisibleNames(), QStringList{"A"});
    a->SetGroupName(QStringLiteral("Other"));
    Form().GroupComboBoxDropDown();
    EXPECT_EQ(Form().GroupComboBox->currentIndex(), 0);
    EXPECT_EQ(VisibleNames(), QStringList{"A"});
}

TEST_F(ProjectsPageTest, AddProposesFilterGroupAndShowsNewProjectWhateverTheFilter)
{
    AddProject(QStringLiteral("A"), QStringLiteral("Web"));
    AddProject(QStringLiteral("B"), QStringLiteral("Tools"));
    PickFilter(QStringLiteral("Web"));

    EditorAnswer answer{QStringLiteral("C"), QStringLiteral("Tools")};
    answerEditor(Editor(), answer);
    Form().AddProjectActionExecute();
    EXPECT_EQ(answer.SeenTitle, QStringLiteral("Add New Project"));
    EXPECT_EQ(answer.SeenGroup, QStringLiteral("Web"));
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "C"}));
    EXPECT_TRUE(Boxes.empty());

    // A duplicate name is refused with the warning, adding nothing.
    EditorAnswer duplicate{QStringLiteral("B")};
    answerEditor(Editor(), duplicate);
    Form().AddProjectActionExecute();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Project \"B\" already exists."));
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(Form().Projects().Count(), 3);

    // Cancel adds nothing.
    EditorAnswer cancel{QStringLiteral("D"), QString(), false};
    answerEditor(Editor(), cancel);
    Form().AddProjectActionExecute();
    EXPECT_EQ(Form().Projects().Count(), 3);
}

TEST_F(ProjectsPageTest, CopyClearsTheNameAndRefusesDuplicates)
{
    TCopyProject *a = AddProject(QStringLiteral("A"), QStringLiteral("Web"),
                                 QStringLiteral("/src"));
    a->SetChecked(true);
    Form().SelectRow(0);

    EditorAnswer duplicate{QStringLiteral("A")};
    answerEditor(Editor(), duplicate);
    Form().CopyProjectActionExecute();
    EXPECT_EQ(duplicate.SeenTitle, QStringLiteral("Add New Project"));
    EXPECT_TRUE(duplicate.SeenName.isEmpty());
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Form().Projects().Count(), 1);

    EditorAnswer fresh{QStringLiteral("A2")};
    answerEditor(Editor(), fresh);
    Form().CopyProjectActionExecute();
    ASSERT_EQ(Form().Projects().Count(), 2);
    const TCopyProject *copy = Form().Projects().GetProject(1);
    EXPECT_EQ(copy->ProjectName(), QStringLiteral("A2"));
    EXPECT_EQ(copy->SourceFolder(), QStringLiteral("/src"));
    EXPECT_EQ(copy->GroupName(), QStringLiteral("Web"));
    EXPECT_TRUE(copy->Checked());
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("2 checked."));
}

TEST_F(ProjectsPageTest, EditKeepsOwnNameRefusesAnotherProjectsNameAndStaysInPlace)
{
    AddProject(QStringLiteral("A"), QStringLiteral("Web"));
    AddProject(QStringLiteral("B"), QStringLiteral("Web"));
    PickFilter(QStringLiteral("Web"));
    Form().SelectRow(0);

    EditorAnswer other{QStringLiteral("B")};
    answerEditor(Editor(), other);
    Form().EditProjectActionExecute();
    EXPECT_EQ(other.SeenTitle, QStringLiteral("Edit Project"));
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "B"}));

    // Its own name, and a group the filter does not show: it stays, in its place.
    EditorAnswer own{QStringLiteral("A"), QStringLiteral("Tools")};
    answerEditor(Editor(), own);
    Form().EditProjectActionExecute();
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "B"}));
    EXPECT_EQ(Form().Projects().GetProject(0)->GroupName(), QStringLiteral("Tools"));

    // A double click edits as the button does.
    EditorAnswer renamed{QStringLiteral("A1")};
    answerEditor(Editor(), renamed);
    Form().ProjectsListViewDblClick();
    EXPECT_EQ(VisibleNames(), (QStringList{"A1", "B"}));
}

TEST_F(ProjectsPageTest, DeleteAsksFirstAndRemovesOnlyOnYes)
{
    AddProject(QStringLiteral("A"));
    AddProject(QStringLiteral("B"));
    Form().SelectRow(0);

    Answer = QMessageBox::No;
    Form().DeleteProjectActionExecute();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Title, QStringLiteral("Delete Project"));
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Delete \"A\".\"\r\n\r\nAre you sure?"));
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "B"}));

    Answer = QMessageBox::Yes;
    Form().DeleteProjectActionExecute();
    EXPECT_EQ(VisibleNames(), QStringList{"B"});
}

TEST_F(ProjectsPageTest, DroppingOnAProjectRowMovesTheDraggedProjectThere)
{
    for (const char *name : {"A", "B", "C", "D"})
        AddProject(QString::fromLatin1(name));
    TProjectsView &view = *Form().ProjectsListView;
    auto rowCentre = [&view](int Row) {
        return view.visualRect(view.model()->index(Row, 1)).center();
    };
    TCopyProjectList &list = Form().Projects();

    Form().ProjectsListViewDragDrop(list.GetProject(0), rowCentre(2)); // down: after C
    EXPECT_EQ(VisibleNames(), (QStringList{"B", "C", "A", "D"}));
    Form().ProjectsListViewDragDrop(list.GetProject(3), rowCentre(0)); // up: before B
    EXPECT_EQ(VisibleNames(), (QStringList{"D", "B", "C", "A"}));
    // Below the last row nothing happens.
    const QPoint below(rowCentre(3).x(), rowCentre(3).y() + 200);
    Form().ProjectsListViewDragDrop(list.GetProject(0), below);
    EXPECT_EQ(VisibleNames(), (QStringList{"D", "B", "C", "A"}));
    // The stored order follows.
    EXPECT_EQ(list.GetProject(0)->ProjectName(), QStringLiteral("D"));
}

TEST_F(ProjectsPageTest, PressOnCheckIndicatorWithAnyButtonTogglesAndTextPressOnlySelects)
{
    AddProject(QStringLiteral("A"));
    AddProject(QStringLiteral("B"));
    TProjectsView &view = *Form().ProjectsListView;
    QWidget *viewport = view.viewport();
    const QPoint tick = view.CheckIndicatorRect(1).center();
    ASSERT_TRUE(view.CheckIndicatorRect(1).isValid());

    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, tick);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, tick);
    EXPECT_TRUE(Form().Projects().GetProject(1)->Checked());
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("1 checked."));

    QTest::mousePress(viewport, Qt::RightButton, Qt::NoModifier, tick);
    QTest::mouseRelease(viewport, Qt::RightButton, Qt::NoModifier, tick);
    EXPECT_FALSE(Form().Projects().GetProject(1)->Checked());

    const QPoint text = view.visualRect(view.model()->index(0, 2)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, text);
    EXPECT_FALSE(Form().Projects().GetProject(0)->Checked());
    EXPECT_EQ(Form().SelectedRow(), 0);
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("0 checked."));
}

TEST_F(ProjectsPageTest, ExploreCommandsOpenLocalFolderUrlsAndNothingForEmptyText)
{
    std::vector<QUrl> opened;
    Form().OpenUrl = [&opened](const QUrl &Url) { opened.push_back(Url); };
    Form().OutDirEdit->setText(QStringLiteral("/pub"));
    AddProject(QStringLiteral("Site"), QString(), QStringLiteral("/data/site dir"));
    Form().SelectRow(0);

    Form().OpenSourceFolderActionExecute();
    Form().OpenOutputFolderActionExecute();
    Form().ExploreOutDirButtonClick();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QStringLiteral("/data/site dir")));
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(QStringLiteral("/pub/Site")));
    EXPECT_EQ(opened[2], QUrl::fromLocalFile(QStringLiteral("/pub")));

    Form().OutDirEdit->clear();
    Form().ExploreOutDirButtonClick();
    EXPECT_EQ(opened.size(), 3u);

    Form().BrowseForFolder = [](QWidget *, const QString &Start) {
        return Start.isEmpty() ? QStringLiteral("/chosen") : QString();
    };
    Form().BrowseOutDirButtonClick();
    EXPECT_EQ(Form().OutDirEdit->text(), QStringLiteral("/chosen"));
    Form().BrowseOutDirButtonClick(); // cancelled: the text stays
    EXPECT_EQ(Form().OutDirEdit->text(), QStringLiteral("/chosen"));
}

TEST_F(ProjectsPageTest, RowsShowTheSixColumns)
{
    TCopyProject *p = AddProject(QStringLiteral("A"), QStringLiteral("G"), QStringLiteral("/s"),
                                 QStringLiteral("{OutDir}/x"));
    p->SetFTPConnName(QStringLiteral("ftp1"));
    const TProjectsModel &model = *Form().ProjectsModel;
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << model.data(model.index(0, c)).toString();
    EXPECT_EQ(cells, (QStringList{"A", "G", "/s", "{OutDir}/x", "ftp1", "No"}));
    EXPECT_EQ(TProjectsModel::OverwriteText(ofAll), QStringLiteral("All"));
    EXPECT_EQ(TProjectsModel::OverwriteText(ofOlder), QStringLiteral("Older"));
}

TEST_F(ProjectsPageTest, EnterInTheOutputFolderFieldPressesNoButton)
{
    AddProject(QStringLiteral("A"))->SetChecked(true);
    Form().SelectRow(0);
    Form().activateWindow();
    Form().OutDirEdit->setFocus();
    // Should a dialog open after all, it is closed so that the test can report it.
    bool dialogOpened = false;
    QTimer::singleShot(200, &Form(), [&dialogOpened] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            dialogOpened = true;
            modal->close();
        }
    });
    QTest::keyClick(Form().OutDirEdit, Qt::Key_Return);
    QTest::qWait(300);
    EXPECT_FALSE(dialogOpened);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(Form().Projects().Count(), 1);
}
