#pragma once

#include "app/gui/LogFindBar.h"
#include "app/gui/LogView.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/CertificateInfo.h"
#include "runlog/RunTally.h"
#include "ui/RVFormUnit.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;
class TAskPasswordForm;
class TEditFTPForm;
class TEditProjectForm;
class TFTPConnList;
class TGroupComboBox;
class TProjectsModel;
class TProjectsView;
class QTimer;
class TRunFeed;
struct TRunFeedItem;
class TRunHandOver;
class TRunProgressPanel;
struct TRunEvent;
struct TRunSinks;
class TRVThread;

// The program's main window: the projects list with its commands, the common output folder,
// the log of copy runs and the About page. It loads the settings file when it is created,
// saves it when a "Copy Files" run starts and when it is destroyed, and starts the run named
// by "-start" when it is first shown.
class TRVMainForm : public TRVForm
{
public:
    // Arguments: the command line without the program name (for -start and -close).
    TRVMainForm(TFTPConnList &FTPConnList, const QStringList &Arguments, QWidget *parent = nullptr);
    ~TRVMainForm() override;

    // The dialogs the window opens; created after it and set once they exist.
    void SetDialogs(TEditProjectForm *EditProjectForm, TEditFTPForm *EditFTPForm,
                    TAskPasswordForm *AskPasswordForm);

    // --- settings ---
    QString GetSettingsPath(bool ForReading) const;
    void LoadSettings();
    void SaveSettings();
    // The window's size and the list's column widths, kept beside the settings file.
    void LoadWindowState();
    void SaveWindowState();

    // --- projects page ---
    TCopyProjectList &Projects() { return FProjects; }
    TCopyProject *GetItemProject(int Row) const;
    TCopyProject *GetSelectedProject() const;
    int SelectedRow() const;
    void SelectRow(int Row);
    void UpdateProjectsView();
    void UpdateProjectActions();
    void ToggleItemChecked(int Row);
    bool ProjectNameExists(const QString &ProjectName, const TCopyProject *Project);

    void AddProjectActionExecute();
    void CopyProjectActionExecute();
    void EditProjectActionExecute();
    void DeleteProjectActionExecute();
    void OpenSourceFolderActionExecute();
    void OpenOutputFolderActionExecute();
    void CheckAllProjectsActionExecute();
    void UnCheckAllProjectsActionExecute();
    void ExploreOutDirButtonClick();
    void BrowseOutDirButtonClick();
    void EditFTPLabelClick();
    void GroupComboBoxDropDown();
    // The user picked a filter item.
    void GroupComboBoxClick();
    // A project dragged onto the list at Pos (viewport coordinates of the list).
    void ProjectsListViewDragDrop(TCopyProject *Dragged, const QPoint &Pos);
    void ProjectsListViewDblClick();

    // --- runs ---
    void CopyFilesButtonClick();
    // As "Copy Files", writing nothing.
    void PreviewButtonClick();
    void StopButtonClick();
    // Starts the run named by -start, as when the window is first shown.
    void StartFromCommandLine();
    bool Running() const { return FRunThread != nullptr; }
    void LogMsg(const QString &AMsg);

    // --- log page ---
    // Writes the log's lines to a file the user names.
    void SaveLogButtonClick();
    // Shows the log page with its find bar (Ctrl+F).
    void OpenLogFind();
    // Appends messages to the log page in one go (a message of several lines gives several
    // lines); the view follows the end only while it is scrolled to the end.
    void AppendLogLines(const QStringList &Messages);
    // Lines already split; Errors[i] marks Lines[i] as an error line.
    void AppendLogLines(const QStringList &Lines, const QList<bool> &Errors);
    static QStringList SplitLogMessage(const QString &Message);
    // The progress area's account of a run, kept from the run's events.
    void UpdateRunStatus(const TRunEvent &Event);
    // Shows what the running run told since the last time; the window does so every 50 ms.
    void DrainRunFeed();
    // Shows one batch of what a run told: its lines in one append, its events counted.
    void ShowRunFeedItems(const std::vector<TRunFeedItem> &Items);
    void ClearLog();

    // Replaceable for tests: opening a folder or web page, and the folder browser.
    std::function<void(const QUrl &Url)> OpenUrl;
    std::function<QString(QWidget *Parent, const QString &StartFolder)> BrowseForFolder;
    // The file "Save Log..." writes, asked with a suggested path; empty when the user cancels.
    std::function<QString(QWidget *Parent, const QString &Suggested)> AskSaveLogPath;
    // The answer to a run's password request (on the GUI thread); by default the password
    // prompt.
    std::function<bool(const QString &Host, const QString &User, bool &RememberPassword,
                       QString &Password)>
        AskPasswordHandler;
    // The answer to a run's question whether to trust a server certificate met for the first
    // time (on the GUI thread); by default the certificate dialog.
    std::function<bool(const TCertificateInfo &Info)> AskTrustCertificateHandler;
    // Called on the GUI thread when a run has ended and its completion handler has run.
    std::function<void()> OnRunFinished;
    // Tells the desktop that a run has ended while the window was not the active one; by
    // default a desktop notification and the window's attention request.
    std::function<void(const QString &Title, const QString &Text)> Notify;

    QTabWidget *MainPageControl;
    QWidget *ProjectsTabSheet;
    QWidget *LogTabSheet;
    QWidget *AboutTabSheet;
    QPushButton *CopyFilesButton;
    // Runs as "Copy Files" does, taking every decision and writing nothing.
    QPushButton *PreviewButton;
    // Shown during a run: stops it, leaving no file half written (Esc does the same).
    QPushButton *StopButton;
    QPushButton *CloseButton;
    // During a run: the project, the counts, the bytes, the time and a bar.
    TRunProgressPanel *RunProgressPanel;
    // Marks the run's summary when the run logged errors.
    QLabel *RunStatusIcon;
    QLabel *RunStatusLabel;

    QLabel *ViewLabel;
    TGroupComboBox *GroupComboBox;
    QLabel *CheckAllProjectsLabel;
    QLabel *UnCheckAllProjectsLabel;
    QLabel *ProjectsSelectedLabel;
    QLabel *EditFTPLabel;
    TProjectsView *ProjectsListView;
    TProjectsModel *ProjectsModel;
    QPushButton *AddProjectButton;
    QPushButton *CopyProjectButton;
    QPushButton *EditProjectButton;
    QPushButton *DeleteProjectButton;
    QPushButton *OpenSourceFolderButton;
    QPushButton *OpenOutputFolderButton;
    QLabel *OutDirLabel;
    QLineEdit *OutDirEdit;
    QPushButton *ExploreOutDirButton;
    QPushButton *BrowseOutDirButton;
    QMenu *ProjectsPopupMenu;

    QAction *AddProjectAction;
    QAction *CopyProjectAction;
    QAction *EditProjectAction;
    QAction *DeleteProjectAction;
    QAction *OpenSourceFolderAction;
    QAction *OpenOutputFolderAction;
    QAction *CheckAllProjectsAction;
    QAction *UnCheckAllProjectsAction;

    TLogView *LogMemo;
    TLogFindBar *LogFindBar;
    QPushButton *FindButton;
    QPushButton *SaveLogButton;

    QLabel *AppIconImage;
    QLabel *TitleLabel;
    QLabel *CopyrightLabel;
    QLabel *LinkLabel;
    QLabel *EditionLabel;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // During a run, asks whether to stop it; closes once it has stopped.
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void CreateActions();
    QWidget *BuildProjectsPage();
    QWidget *BuildLogPage();
    void CreateLogKeys();
    QWidget *BuildAboutPage();
    void ConnectEvents();
    void FillGroupComboBox(const QString &SelectGroup);
    QString SelectedGroup() const;
    void OpenFolder(const QString &Folder);
    void ShowError(const QString &Message);

    using TMakeRunThread = std::function<std::unique_ptr<TRVThread>(
        std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks)>;
    void StartRun(const TMakeRunThread &MakeThread);
    void StartCopyFiles(bool Preview);
    void OnRunThreadFinished();
    void OnCopyFilesCompleted();
    void OnStartProjectCompleted(bool StartProjectResult);
    // Lets a run still going end without the window (the window is going away).
    void StopRun();
    // Counts one event into the run's tally; true when what the progress area shows changes.
    bool CountRunEvent(const TRunEvent &Event);
    void ShowRunStatus();
    // The summary of the run that has just ended, in the status area (and the desktop's
    // notification when the window is not active).
    void ShowRunSummary();

    TFTPConnList &FFTPConnList;
    QStringList FArguments;
    TCopyProjectList FProjects;
    bool FShown = false;

    TEditProjectForm *FEditProjectForm = nullptr;
    TEditFTPForm *FEditFTPForm = nullptr;
    TAskPasswordForm *FAskPasswordForm = nullptr;

    std::shared_ptr<TRunHandOver> FHandOver;
    std::shared_ptr<TRunFeed> FRunFeed;
    QTimer *FRunFeedTimer = nullptr;
    std::unique_ptr<TRVThread> FRunThread;
    bool FRunIsStartProject = false;
    bool FRunIsPreview = false;
    bool FRunStopAsked = false;
    TRunTally FRunTally;
    QElapsedTimer FRunClock;
};
