#pragma once

#include "ui/RVFormUnit.h"

#include <QString>
#include <QUrl>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TCopyProject;
class TEditFTPForm;
class TFTPConnList;
class TSelectFileForm;

// Shows a folder browser starting at a folder; the chosen folder, or empty when cancelled.
using TBrowseForFolder = std::function<QString(QWidget *Parent, const QString &StartFolder)>;
// Opens a folder in the desktop's file manager.
using TOpenFolder = std::function<void(const QUrl &Folder)>;

// The editor of one copy project. It fills its controls from the project on each opening and
// writes them back only when the user confirms with OK; Cancel, Esc and the close box leave the
// project untouched. One instance is made at start-up and reused.
class TEditProjectForm : public TRVForm
{
    Q_OBJECT

public:
    TEditProjectForm(TFTPConnList &FTPConnList, TSelectFileForm &SelectFileForm,
                     TEditFTPForm &EditFTPForm, QWidget *parent = nullptr);

    // Clears the project, gives it the group, the output folder "{OutDir}/{ProjectName}" and
    // "Overwrite older files only", and edits it as a new project.
    bool AddProject(TCopyProject &Project, const QString &OutDir, const QString &GroupName);
    bool EditProject(TCopyProject &Project, const QString &OutDir, bool NewProject);
    // Fills the dialog from the project, shows it modally and writes back on OK (true).
    bool ExecuteProject(TCopyProject &Project, const QString &OutDir);

    // The output folder edit's text with its tags expanded for the current name and OutDir.
    QString GetExpandedOutFolder() const;
    // Refills the connection choice and selects the connection named Name (exact match).
    void FillFTPConnections(const QString &Name);
    // Opens the connections dialog at the chosen connection and reselects afterwards.
    void EditFTPConnections();

    // Moves the selected pattern rows, in their order, to just before Target (to the end for
    // none), as a drag of the rows onto the table does. Dropping the rows onto one of
    // themselves moves nothing.
    void MoveSelectedSrcFiles(QTreeWidgetItem *Target);

    // Replaceable for tests: the folder browser and the opening of a folder.
    TBrowseForFolder BrowseForFolder;
    TOpenFolder OpenFolder;

    QLineEdit *ProjectNameEdit;
    QLineEdit *GroupNameEdit;
    QLineEdit *ProjectSrcFolderEdit;
    QPushButton *ExploreProjectSrcFolderButton;
    QPushButton *BrowseProjectSrcFolderButton;
    // Shown below the source folder while it names no existing folder.
    QWidget *SourceFolderWarning;
    QLabel *SourceFolderWarningLabel;
    TListView *ProjectSrcFilesListView;
    QPushButton *AddProjectSrcFileButton;
    QPushButton *EditProjectScrFileButton;
    QPushButton *DeleteProjectScrFileButton;
    QLineEdit *ProjectExcludeSrcFilesEdit;
    QCheckBox *CopyIfExistsCheckBox;
    QLineEdit *CopyIfExistsEdit;
    QCheckBox *FTPConnCheckBox;
    QComboBox *FTPConnComboBox;
    QLabel *EditFTPLabel;
    QLineEdit *ProjectOutFolderEdit;
    QPushButton *ExploreProjectOutFolderButton;
    QPushButton *BrowseProjectOutFolderButton;
    QComboBox *ProjectOverwriteComboBox;
    QPushButton *OKButton;
    QPushButton *CancelButton;

    void AddProjectSrcFileButtonClick();
    void EditProjectScrFileButtonClick();
    void DeleteProjectScrFileButtonClick();
    void OKButtonClick();

protected:
    void DoInputFileItemAdded(TListView *ListView, const QString &AFileName,
                              QTreeWidgetItem *ListItem) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void UpdateSourceFolderWarning();
    void BuildLayout();
    void ConnectEvents();
    void ProjectSrcFilesListViewSelectItem();
    bool ProjectSrcFilesListViewDrag(QEvent *Message);
    void FTPConnCheckBoxClick();
    void FTPConnComboBoxChange();
    void ExploreFolder(const QString &Folder);
    void BrowseInto(QLineEdit *Edit, const QString &StartFolder);
    void WriteBack(TCopyProject &Project) const;

    TFTPConnList &FFTPConnList;
    TSelectFileForm &FSelectFileForm;
    TEditFTPForm &FEditFTPForm;
    QString FOutDir;
};
