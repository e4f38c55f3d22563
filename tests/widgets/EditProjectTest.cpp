#include "DialogTestSupport.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/CopyProjectUnit.h"
#include "projects/widgets/EditProjectUnit.h"
#include "projects/widgets/SelectFileUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class EditProjectTest : public ::testing::Test
{
protected:
    EditProjectTest()
    {
        for (const char *name : {"Main", "Backup"}) {
            auto conn = std::make_unique<TFTPConnection>();
            conn->SetConnName(name);
            conn->SetHost(QString(name).toLower() + ".example");
            conns.AddConnection(std::move(conn));
        }
        form.BrowseForFolder = [this](QWidget *, const QString &start) {
            browsedFrom.append(start);
            return browseAnswer;
        };
        form.OpenFolder = [this](const QUrl &url) { opened.append(url); };
    }

    bool Edit(TCopyProject &project, std::function<void()> action, bool isNew = false)
    {
        WhenShown(&form, std::move(action));
        return form.EditProject(project, "/out", isNew);
    }

    QStringList Captions() const
    {
        QStringList rows;
        for (int i = 0; i < form.ProjectSrcFilesListView->ItemCount(); ++i)
            rows.append(form.ProjectSrcFilesListView->Item(i)->text(0));
        return rows;
    }

    static TCopyProject Sample()
    {
        TCopyProject p;
        p.SetProjectName("Site");
        p.SetGroupName("Web");
        p.SetSourceFolder("/data/site");
        p.AddSourceRow("**.css", true, false);
        p.AddSourceRow("img/*.png", false, true);
        p.GetSourceFiles().append("odd");
        p.GetSourceSubFolders().append("YES"); // stored texts are kept as they are
        p.GetSourceJunkPath().append("");
        p.SetExcludeFiles("*.bak;tmp/**");
        p.SetCopyIfExists(true);
        p.SetCopyIfExistsPath("{OutFileDir}/.keep");
        p.SetOutputFolder("{OutDir}/{ProjectName}");
        p.SetOverwrite(ofAll);
        p.SetFTPConnName("Backup");
        return p;
    }

    TFTPConnList conns;
    TSelectFileForm selectFile;
    TEditFTPForm editFTP{conns};
    TEditProjectForm form{conns, selectFile, editFTP};
    BoxRecorder boxes;
    QStringList browsedFrom;
    QString browseAnswer;
    QList<QUrl> opened;
};

TEST_F(EditProjectTest, AddOpensWithTheDefaults)
{
    TCopyProject project = Sample();
    WhenShown(&form, [&] {
        EXPECT_EQ(form.windowTitle(), "Add New Project");
        EXPECT_TRUE(form.ProjectNameEdit->text().isEmpty());
        EXPECT_EQ(form.GroupNameEdit->text(), "Team");
        EXPECT_EQ(form.ProjectOutFolderEdit->text(), "{OutDir}/{ProjectName}");
        EXPECT_EQ(form.ProjectOverwriteComboBox->currentText(), "Overwrite older files only");
        EXPECT_FALSE(form.FTPConnCheckBox->isChecked());
        EXPECT_EQ(form.FTPConnComboBox->currentText(), "<Select FTP Connection>");
        EXPECT_EQ(form.FTPConnComboBox->count(), 3);
        EXPECT_EQ(form.ProjectSrcFilesListView->ItemCount(), 0);
        EXPECT_FALSE(form.EditProjectScrFileButton->isEnabled());
        EXPECT_FALSE(form.DeleteProjectScrFileButton->isEnabled());
        QTest::keyClicks(form.ProjectNameEdit, "Fresh");
        QTest::keyClick(form.ProjectNameEdit, Qt::Key_Return);
    });
    ASSERT_TRUE(form.AddProject(project, "/out", "Team"));
    EXPECT_EQ(project.ProjectName(), "Fresh");
    EXPECT_EQ(project.GroupName(), "Team");
    EXPECT_EQ(project.SourceRowCount(), 0);
    EXPECT_EQ(project.OutputFolder(), "{OutDir}/{ProjectName}");
    EXPECT_EQ(project.Overwrite(), ofOlder);
    EXPECT_TRUE(project.FTPConnName().isEmpty());
    EXPECT_TRUE(boxes.Asked.empty());
}

// Every field goes back into the project on OK, the stored flag texts unchanged.
TEST_F(EditProjectTest, OkWritesEveryFieldBack)
{
    const TCopyProject original = Sample();
    TCopyProject project = original;
    const bool result = Edit(project, [&] {
        EXPECT_EQ(form.windowTitle(), "Edit Project");
        EXPECT_TRUE(form.FTPConnCheckBox->isChecked());
        EXPECT_EQ(form.FTPConnComboBox->currentText(), "Backup");
        EXPECT_EQ(form.ProjectOverwriteComboBox->currentIndex(), 1);
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(project.ProjectName(), original.ProjectName());
    EXPECT_EQ(project.GroupName(), original.GroupName());
    EXPECT_EQ(project.SourceFolder(), original.SourceFolder());
    EXPECT_EQ(project.SourceFiles(), original.SourceFiles());
    EXPECT_EQ(project.SourceSubFolders(), original.SourceSubFolders());
    EXPECT_EQ(project.SourceJunkPath(), original.SourceJunkPath());
    EXPECT_EQ(project.ExcludeFiles(), original.ExcludeFiles());
    EXPECT_EQ(project.CopyIfExists(), original.CopyIfExists());
    EXPECT_EQ(project.CopyIfExistsPath(), original.CopyIfExistsPath());
    EXPECT_EQ(project.OutputFolder(), original.OutputFolder());
    EXPECT_EQ(project.Overwrite(), ofAll);
    EXPECT_EQ(project.FTPConnName(), "Backup");
}

TEST_F(EditProjectTest, TypedChangesReachTheProjectOnlyOnOk)
{
    for (bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        TCopyProject project = Sample();
        const bool result = Edit(project, [&] {
            form.ProjectNameEdit->selectAll();
            QTest::keyClicks(form.ProjectNameEdit, " Renamed ");
            form.GroupNameEdit->clear();
            form.ProjectExcludeSrcFilesEdit->setText("*.tmp");
            form.CopyIfExistsCheckBox->click();
            form.ProjectOverwriteComboBox->setCurrentIndex(0);
            form.ProjectSrcFilesListView->SetSelected(form.ProjectSrcFilesListView->Item(0));
            form.DeleteProjectScrFileButton->click();
            (confirm ? form.OKButton : form.CancelButton)->click();
        });
        EXPECT_EQ(result, confirm);
        if (confirm) {
            EXPECT_EQ(project.ProjectName(), " Renamed "); // as typed, not trimmed
            EXPECT_TRUE(project.GroupName().isEmpty());
            EXPECT_EQ(project.ExcludeFiles(), "*.tmp");
            EXPECT_FALSE(project.CopyIfExists());
            EXPECT_EQ(project.Overwrite(), ofNone);
            EXPECT_EQ(project.SourceFiles(), QStringList({"img/*.png", "odd"}));
        } else {
            const TCopyProject sample = Sample();
            EXPECT_EQ(project.ProjectName(), "Site");
            EXPECT_EQ(project.SourceFiles(), sample.SourceFiles());
            EXPECT_EQ(project.Overwrite(), ofAll);
        }
    }
}

// A copy opens as a new project with an empty name; OK warns and keeps the dialog open.
TEST_F(EditProjectTest, EmptyNameIsRefused)
{
    TCopyProject project = Sample();
    project.SetProjectName(QString());
    bool openAfterWarning = false;
    const bool result = Edit(
        project,
        [&] {
            EXPECT_EQ(form.windowTitle(), "Add New Project");
            form.OKButton->click();
            openAfterWarning = form.isVisible();
            QTest::keyClicks(form.ProjectNameEdit, "Copy");
            form.OKButton->click();
        },
        true);
    EXPECT_TRUE(openAfterWarning);
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, "Please, enter Project Name");
    EXPECT_EQ(boxes.Asked[0].Title, "Add New Project");
    EXPECT_EQ(boxes.Asked[0].Icon, QMessageBox::Warning);
    ASSERT_TRUE(result);
    EXPECT_EQ(project.ProjectName(), "Copy");
}

// Ticking "Upload to FTP" with no connection chosen opens the connections dialog at once.
TEST_F(EditProjectTest, TickingUploadOpensTheConnectionsDialog)
{
    TCopyProject project = Sample();
    project.SetFTPConnName(QString());
    const bool result = Edit(project, [&] {
        EXPECT_FALSE(form.FTPConnCheckBox->isChecked());
        // Closed otherwise than with OK: nothing chosen, the box stays ticked, OK refuses.
        WhenShown(&editFTP, [&] { editFTP.CloseButton->click(); });
        form.FTPConnCheckBox->click();
        EXPECT_TRUE(form.FTPConnCheckBox->isChecked());
        EXPECT_EQ(form.FTPConnComboBox->currentIndex(), 0);
        form.OKButton->click();
        EXPECT_TRUE(form.isVisible());
        // Through the link, with OK while a saved connection is shown: it becomes the choice.
        WhenShown(&editFTP, [&] {
            editFTP.ConnListView->SetSelected(editFTP.ConnListView->Item(0));
            editFTP.OKButton->click();
        });
        Q_EMIT form.EditFTPLabel->linkActivated("ftp-connections");
        EXPECT_EQ(form.FTPConnComboBox->currentText(), "Main");
        form.OKButton->click();
    });
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, "Please, select FTP Connection");
    ASSERT_TRUE(result);
    EXPECT_EQ(project.FTPConnName(), "Main");
}

// A connection created in the connections dialog is chosen when the dialog closes with OK.
TEST_F(EditProjectTest, ConnectionCreatedInTheDialogBecomesTheChoice)
{
    TCopyProject project = Sample();
    project.SetFTPConnName("Main");
    const bool result = Edit(project, [&] {
        WhenShown(&editFTP, [&] {
            EXPECT_EQ(editFTP.ConnNameEdit->text(), "Main"); // opened at the chosen one
            editFTP.ConnNameEdit->setText("Mirror");
            editFTP.OKButton->click();
        });
        Q_EMIT form.EditFTPLabel->linkActivated("ftp-connections");
        EXPECT_EQ(form.FTPConnComboBox->count(), 4);
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(project.FTPConnName(), "Mirror");
    EXPECT_EQ(conns.Count(), 3);
}

TEST_F(EditProjectTest, UploadChoiceRules)
{
    struct Case
    {
        const char *name;
        const char *stored;
        std::function<void(TEditProjectForm &)> act;
        bool ticked;      // "Upload to FTP" after opening and acting
        int item;         // combo item after opening and acting
        const char *kept; // FTPConnName after OK; nullptr when OK is refused
    };
    const std::vector<Case> cases = {
        {"unticking stores no connection", "Main",
         [](TEditProjectForm &f) { f.FTPConnCheckBox->click(); }, false, 1, ""},
        {"picking a connection ticks the box", "",
         [](TEditProjectForm &f) {
             f.FTPConnComboBox->setCurrentIndex(2);
             Q_EMIT f.FTPConnComboBox->activated(2);
         },
         true, 2, "Backup"},
        {"a vanished connection asks for one", "Gone", [](TEditProjectForm &) {}, true, 0, nullptr},
        {"names match exactly", "main", [](TEditProjectForm &) {}, true, 0, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        boxes.Asked.clear();
        TCopyProject project = Sample();
        project.SetFTPConnName(c.stored);
        const bool result = Edit(project, [&] {
            c.act(form);
            EXPECT_EQ(form.FTPConnCheckBox->isChecked(), c.ticked);
            EXPECT_EQ(form.FTPConnComboBox->currentIndex(), c.item);
            form.OKButton->click();
            if (form.isVisible())
                form.CancelButton->click();
        });
        EXPECT_EQ(result, c.kept != nullptr);
        if (c.kept) {
            EXPECT_EQ(project.FTPConnName(), c.kept);
            EXPECT_TRUE(boxes.Asked.empty());
        } else {
            ASSERT_EQ(boxes.Asked.size(), 1u);
            EXPECT_EQ(boxes.Asked[0].Text, "Please, select FTP Connection");
            EXPECT_EQ(project.FTPConnName(), c.stored);
        }
    }
}

TEST_F(EditProjectTest, OutputFolderPreviewFollowsTheTypedName)
{
    TCopyProject project = Sample();
    project.SetOutputFolder("{OutDir}\\{projectname}");
    Edit(project, [&] {
        EXPECT_EQ(form.GetExpandedOutFolder(), "/out/Site");
        form.ProjectNameEdit->setText("Blog");
        EXPECT_EQ(form.GetExpandedOutFolder(), "/out/Blog");
        form.ProjectOutFolderEdit->setText("{OutDir}/{Date}");
        EXPECT_TRUE(QRegularExpression("^/out/\\d{4}_\\d\\d_\\d\\d$")
                        .match(form.GetExpandedOutFolder())
                        .hasMatch())
            << form.GetExpandedOutFolder().toStdString();
        form.ProjectOutFolderEdit->setText("{OutDir}/{ProjectName}");
        form.ExploreProjectOutFolderButton->click();
        browseAnswer = "/chosen";
        form.BrowseProjectOutFolderButton->click();
        EXPECT_EQ(form.ProjectOutFolderEdit->text(), "/chosen");
        browseAnswer.clear();
        form.BrowseProjectSrcFolderButton->click(); // cancelled: the text stays
        EXPECT_EQ(form.ProjectSrcFolderEdit->text(), "/data/site");
        form.ExploreProjectSrcFolderButton->click();
        form.ProjectSrcFolderEdit->clear();
        form.ExploreProjectSrcFolderButton->click(); // nothing to open
        form.CancelButton->click();
    });
    EXPECT_EQ(browsedFrom, QStringList({"/out/Blog", "/data/site"}));
    EXPECT_EQ(opened,
              QList<QUrl>({QUrl::fromLocalFile("/out/Blog"), QUrl::fromLocalFile("/data/site")}));
}

// Dropped files become rows; the source folder is cut off when the name begins with it exactly.
TEST_F(EditProjectTest, DroppedFilesBecomeRows)
{
    TCopyProject project = Sample();
    project.ClearSourceRows();
    project.SetSourceFolder("/data");
    const bool result = Edit(project, [&] {
        EXPECT_TRUE(DropFiles(
            TWinProcHandler::EventTarget(form.ProjectSrcFilesListView),
            {"/data/sub/a.txt", "/DATA/b.txt", "/database/c.txt", "/data/line\nbreak.txt"}));
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(project.SourceFiles(),
              QStringList({"sub/a.txt", "/DATA/b.txt", "/database/c.txt", "linebreak.txt"}));
    EXPECT_EQ(project.SourceSubFolders(), QStringList({"No", "No", "No", "No"}));
    EXPECT_EQ(project.SourceJunkPath(), QStringList({"No", "No", "No", "No"}));
}

TEST_F(EditProjectTest, AddAndEditGoThroughThePatternDialog)
{
    TCopyProject project = Sample();
    const bool result = Edit(project, [&] {
        WhenShown(&selectFile, [&] {
            EXPECT_TRUE(selectFile.FileNameEdit->text().isEmpty());
            EXPECT_EQ(selectFile.InputFileStripDir(), "/data/site/");
            QTest::keyClicks(selectFile.FileNameEdit, "*.js");
            selectFile.JunkPathCheckBox->click();
            selectFile.OKButton->click();
        });
        form.AddProjectSrcFileButton->click();
        // Edit the third row ("odd", "YES", ""): its flags are read case-insensitively.
        form.ProjectSrcFilesListView->SetSelected(form.ProjectSrcFilesListView->Item(2));
        WhenShown(&selectFile, [&] {
            EXPECT_EQ(selectFile.FileNameEdit->text(), "odd");
            EXPECT_TRUE(selectFile.SubFoldersCheckBox->isChecked());
            EXPECT_FALSE(selectFile.JunkPathCheckBox->isChecked());
            selectFile.FileNameEdit->setText("even");
            selectFile.OKButton->click();
        });
        QTest::keyClick(form.ProjectSrcFilesListView, Qt::Key_Space);
        // Cancelled edits change nothing.
        form.ProjectSrcFilesListView->SetSelected(form.ProjectSrcFilesListView->Item(0));
        WhenShown(&selectFile, [&] { selectFile.CancelButton->click(); });
        Q_EMIT form.ProjectSrcFilesListView->itemDoubleClicked(
            form.ProjectSrcFilesListView->Item(0), 0);
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(project.SourceFiles(), QStringList({"**.css", "img/*.png", "even", "*.js"}));
    EXPECT_EQ(project.SourceSubFolders(), QStringList({"Yes", "No", "Yes", "No"}));
    EXPECT_EQ(project.SourceJunkPath(), QStringList({"No", "Yes", "No", "Yes"}));
}

TEST_F(EditProjectTest, DeleteKeyRemovesEverySelectedRow)
{
    TCopyProject project = Sample();
    const bool result = Edit(project, [&] {
        TListView *view = form.ProjectSrcFilesListView;
        view->Item(0)->setSelected(true);
        view->Item(2)->setSelected(true);
        EXPECT_TRUE(form.DeleteProjectScrFileButton->isEnabled());
        QTest::keyClick(view, Qt::Key_Delete);
        EXPECT_EQ(Captions(), QStringList({"img/*.png"}));
        EXPECT_FALSE(form.EditProjectScrFileButton->isEnabled());
        EXPECT_FALSE(form.DeleteProjectScrFileButton->isEnabled());
        QTest::keyClick(view, Qt::Key_Delete); // nothing selected: nothing happens
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(project.SourceFiles(), QStringList({"img/*.png"}));
    EXPECT_TRUE(boxes.Asked.empty());
}

// Dragged rows move as one block, in their order, to just before the row dropped on.
TEST_F(EditProjectTest, DraggedRowsMoveAsOneBlock)
{
    struct Case
    {
        std::vector<int> selected;
        int target; // -1: below the last row
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {{0, 2}, 4, {"2", "4", "1", "3", "5"}},
        {{3, 4}, 0, {"4", "5", "1", "2", "3"}},
        {{0, 1}, -1, {"3", "4", "5", "1", "2"}},
        {{1, 3}, 3, {"1", "2", "3", "4", "5"}}, // onto a row of the block: no move
    };
    for (const Case &c : cases) {
        TCopyProject project;
        project.SetProjectName("Order");
        for (const char *row : {"1", "2", "3", "4", "5"})
            project.AddSourceRow(row, false, false);
        const bool result = Edit(project, [&] {
            TListView *view = form.ProjectSrcFilesListView;
            QTreeWidgetItem *target = c.target >= 0 ? view->Item(c.target) : nullptr;
            for (int row : c.selected)
                view->Item(row)->setSelected(true);
            form.MoveSelectedSrcFiles(target);
            EXPECT_TRUE(view->selectedItems().isEmpty() || target);
            form.OKButton->click();
        });
        ASSERT_TRUE(result);
        EXPECT_EQ(project.SourceFiles(), c.expected);
    }
}

// Only the table's own rows and files from the desktop may be dropped onto it.
TEST_F(EditProjectTest, OtherDropsOntoThePatternTableAreRefused)
{
    TCopyProject project = Sample();
    bool taken = true;
    const bool result = Edit(project, [&] {
        QWidget *target = TWinProcHandler::EventTarget(form.ProjectSrcFilesListView);
        QMimeData data;
        data.setText("dragged text");
        const QPoint pos = target->rect().center();
        QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        taken = enter.isAccepted() || drop.isAccepted();
        form.OKButton->click();
    });
    EXPECT_FALSE(taken);
    ASSERT_TRUE(result);
    EXPECT_EQ(project.SourceFiles(), Sample().SourceFiles());
}

// Every field is one line of the settings file: pasted or set line breaks are removed.
TEST_F(EditProjectTest, LineBreaksNeverReachTheProject)
{
    TCopyProject project = Sample();
    const bool result = Edit(project, [&] {
        form.ProjectNameEdit->setText("Site\r\nCopyProjectsN=9");
        form.GroupNameEdit->setText("Web\n");
        form.ProjectSrcFolderEdit->setText("/data\r");
        form.ProjectExcludeSrcFilesEdit->setText("*.a\n*.b");
        form.CopyIfExistsEdit->setText("x\ny");
        form.ProjectOutFolderEdit->setText("/o\r\n");
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(project.ProjectName(), "SiteCopyProjectsN=9");
    EXPECT_EQ(project.GroupName(), "Web");
    EXPECT_EQ(project.SourceFolder(), "/data");
    EXPECT_EQ(project.ExcludeFiles(), "*.a*.b");
    EXPECT_EQ(project.CopyIfExistsPath(), "xy");
    EXPECT_EQ(project.OutputFolder(), "/o");
}

} // namespace

TEST_F(EditProjectTest, AMissingSourceFolderIsWarnedOfButAccepted)
{
    QTemporaryDir existing;
    ASSERT_TRUE(existing.isValid());
    const QString missing = existing.filePath(QStringLiteral("not-there"));
    const struct
    {
        QString Folder;
        bool Warned;
    } cases[] = {{existing.path(), false}, {missing, true}, {QString(), false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Folder.toStdString());
        TCopyProject project = Sample();
        project.SetSourceFolder(c.Folder);
        bool warnedAtOpen = !c.Warned;
        const bool result = Edit(project, [&] {
            warnedAtOpen = form.SourceFolderWarning->isVisibleTo(&form);
            form.OKButton->click();
        });
        EXPECT_EQ(warnedAtOpen, c.Warned);
        // Never a reason to refuse OK.
        EXPECT_TRUE(result);
        EXPECT_EQ(project.SourceFolder(), c.Folder);
    }

    // Typing follows the folder as it is typed.
    TCopyProject project = Sample();
    project.SetSourceFolder(existing.path());
    Edit(project, [&] {
        form.ProjectSrcFolderEdit->setText(missing);
        EXPECT_TRUE(form.SourceFolderWarning->isVisibleTo(&form));
        EXPECT_FALSE(form.SourceFolderWarningLabel->text().isEmpty());
        form.ProjectSrcFolderEdit->setText(existing.path());
        EXPECT_FALSE(form.SourceFolderWarning->isVisibleTo(&form));
        form.CancelButton->click();
    });
    EXPECT_TRUE(boxes.Asked.empty());
}
