#include "app/gui/RVMainUnit.h"

#include "app/gui/AppIcon.h"
#include "app/gui/AppVersion.h"
#include "app/gui/DesktopNotification.h"
#include "app/gui/GroupComboBox.h"
#include "app/gui/LinkLabel.h"
#include "app/gui/ProjectsModel.h"
#include "app/gui/ProjectsView.h"
#include "app/gui/RunFeed.h"
#include "app/gui/RunHandOver.h"
#include "app/gui/RunProgress.h"
#include "app/gui/RunThreads.h"
#include "ftp/FTPConnUnit.h"
#include "settings/Exception.h"
#include "ui/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A button that runs an action and follows its enabled state.
void bindButton(QPushButton *Button, QAction *Action)
{
    Button->setEnabled(Action->isEnabled());
    QObject::connect(Button, &QPushButton::clicked, Action, &QAction::trigger);
    QObject::connect(Action, &QAction::changed, Button,
                     [Button, Action] { Button->setEnabled(Action->isEnabled()); });
}

} // namespace

TRVMainForm::TRVMainForm(TFTPConnList &FTPConnList, const QStringList &Arguments, QWidget *parent)
    : TRVForm(parent), FFTPConnList(FTPConnList), FArguments(Arguments)
{
    setObjectName(QStringLiteral("RVMainForm"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    OpenUrl = [](const QUrl &Url) { QDesktopServices::openUrl(Url); };
    BrowseForFolder = [](QWidget *Parent, const QString &StartFolder) {
        return QFileDialog::getExistingDirectory(Parent, QString(), StartFolder);
    };
    AskSaveLogPath = [](QWidget *Parent, const QString &Suggested) {
        return QFileDialog::getSaveFileName(Parent, QStringLiteral("Save Log"), Suggested,
                                            QStringLiteral("Text files (*.txt);;All files (*)"));
    };
    Notify = [this](const QString &Title, const QString &Text) {
        NotifyDesktop(this, Title, Text);
    };
    FormCreate();
}

void TRVMainForm::FormCreate()
{
    CreateActions();

    MainPageControl = new QTabWidget(this);
    MainPageControl->setObjectName(QStringLiteral("MainPageControl"));
    ProjectsTabSheet = BuildProjectsPage();
    LogTabSheet = BuildLogPage();
    AboutTabSheet = BuildAboutPage();
    MainPageControl->addTab(ProjectsTabSheet, QStringLiteral("Projects"));
    MainPageControl->addTab(LogTabSheet, QStringLiteral("Log"));
    MainPageControl->addTab(AboutTabSheet, QStringLiteral("About"));

    CopyFilesButton = new QPushButton(QStringLiteral("&Copy Files"), this);
    QFont bold = CopyFilesButton->font();
    bold.setBold(true);
    CopyFilesButton->setFont(bold);
    CopyFilesButton->setMinimumWidth(110);
    PreviewButton = new QPushButton(QStringLiteral("Pre&view"), this);
    PreviewButton->setObjectName(QStringLiteral("PreviewButton"));
    PreviewButton->setToolTip(
        QStringLiteral("Runs the checked projects as Copy Files does, but writes nothing"));
    StopButton = new QPushButton(QStringLiteral("S&top"), this);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->setMinimumWidth(90);
    StopButton->hide();
    RunProgressPanel = new TRunProgressPanel(this);
    RunProgressPanel->hide();
    RunStatusIcon = new QLabel(this);
    RunStatusIcon->setObjectName(QStringLiteral("RunStatusIcon"));
    RunStatusIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    RunStatusIcon->setToolTip(
        QStringLiteral("The run logged errors: see the marked lines of the log"));
    RunStatusIcon->hide();
    RunStatusLabel = new QLabel(this);
    RunStatusLabel->setObjectName(QStringLiteral("RunStatusLabel"));
    RunStatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // What a run tells is shown in batches, as often as the eye can follow.
    FRunFeedTimer = new QTimer(this);
    FRunFeedTimer->setInterval(50);
    connect(FRunFeedTimer, &QTimer::timeout, this, [this] { DrainRunFeed(); });
    CloseButton = new QPushButton(QStringLiteral("C&lose"), this);
    CloseButton->setMinimumWidth(90);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(CopyFilesButton);
    bottom->addWidget(PreviewButton);
    bottom->addWidget(StopButton);
    bottom->addSpacing(12);
    bottom->addWidget(RunStatusIcon);
    bottom->addWidget(RunStatusLabel, 1);
    bottom->addWidget(CloseButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(MainPageControl, 1);
    layout->addWidget(RunProgressPanel);
    layout->addLayout(bottom);
    resize(921 + 24, 527 + 24);

    // Version texts.
    AppIconImage->setPixmap(AppIcon().pixmap(AppIconImage->size(), devicePixelRatioF()));
    TitleLabel->setText(AppTitle() + QLatin1Char(' ') + AppVersionShort());
    setWindowTitle(AppTitle() + QLatin1Char(' ') + AppVersionLong());
    CopyrightLabel->setText(AppCopyrightText(QDate::currentDate().year()));
    EditionLabel->setText(AppEditionText());

    // Enter in the output folder field must not press a button, as it would in a dialog.
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // Keys of the whole window: F5 presses "Copy Files", Ctrl+Q closes.
    auto *copyFilesKey = new QAction(this);
    copyFilesKey->setShortcut(Qt::Key_F5);
    connect(copyFilesKey, &QAction::triggered, this, [this] {
        if (CopyFilesButton->isEnabled())
            CopyFilesButtonClick();
    });
    auto *closeKey = new QAction(this);
    closeKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(closeKey, &QAction::triggered, this, [this] { close(); });
    addActions({copyFilesKey, closeKey});
    CreateLogKeys();

    MainPageControl->setCurrentWidget(ProjectsTabSheet);
    ConnectEvents();
    UpdateProjectsView();
    LoadSettings();
    LoadWindowState();
}

TRVMainForm::~TRVMainForm()
{
    StopRun();
    SaveWindowState();
    try {
        SaveSettings();
    } catch (const Exception &error) {
        ShowError(error.Message());
    }
}

void TRVMainForm::SetDialogs(TEditProjectForm *EditProjectForm, TEditFTPForm *EditFTPForm,
                             TAskPasswordForm *AskPasswordForm)
{
    FEditProjectForm = EditProjectForm;
    FEditFTPForm = EditFTPForm;
    FAskPasswordForm = AskPasswordForm;
}

void TRVMainForm::CreateActions()
{
    auto make = [this](const QString &Caption, bool Enabled, void (TRVMainForm::*Handler)()) {
        auto *action = new QAction(Caption, this);
        action->setEnabled(Enabled);
        connect(action, &QAction::triggered, this, [this, Handler] { (this->*Handler)(); });
        return action;
    };
    AddProjectAction = make(QStringLiteral("&Add..."), true, &TRVMainForm::AddProjectActionExecute);
    CopyProjectAction = make(QStringLiteral("Co&py..."), false,
                             &TRVMainForm::CopyProjectActionExecute);
    EditProjectAction = make(QStringLiteral("&Edit..."), false,
                             &TRVMainForm::EditProjectActionExecute);
    DeleteProjectAction = make(QStringLiteral("&Delete"), false,
                               &TRVMainForm::DeleteProjectActionExecute);
    OpenSourceFolderAction = make(QStringLiteral("Explore S&rc. Folder"), false,
                                  &TRVMainForm::OpenSourceFolderActionExecute);
    OpenOutputFolderAction = make(QStringLiteral("Explore O&ut. Folder"), false,
                                  &TRVMainForm::OpenOutputFolderActionExecute);
    CheckAllProjectsAction = make(QStringLiteral("Select All"), true,
                                  &TRVMainForm::CheckAllProjectsActionExecute);
    UnCheckAllProjectsAction = make(QStringLiteral("Unselect All"), true,
                                    &TRVMainForm::UnCheckAllProjectsActionExecute);
}

QWidget *TRVMainForm::BuildProjectsPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("ProjectsTabSheet"));

    ViewLabel = new QLabel(QStringLiteral("V&iew:"), page);
    GroupComboBox = new TGroupComboBox(page);
    GroupComboBox->addItem(QStringLiteral("<All projects>"));
    GroupComboBox->setCurrentIndex(0);
    ViewLabel->setBuddy(GroupComboBox);
    CheckAllProjectsLabel = new TLinkLabel(QStringLiteral("Check All"), page);
    UnCheckAllProjectsLabel = new TLinkLabel(QStringLiteral("Uncheck All"), page);
    ProjectsSelectedLabel = new QLabel(QStringLiteral("0 checked."), page);
    EditFTPLabel = new TLinkLabel(QStringLiteral("FTP Connections"), page);
    EditFTPLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *top = new QHBoxLayout;
    top->addWidget(ViewLabel);
    top->addWidget(GroupComboBox);
    top->addSpacing(12);
    top->addWidget(CheckAllProjectsLabel);
    top->addSpacing(6);
    top->addWidget(UnCheckAllProjectsLabel);
    top->addSpacing(12);
    top->addWidget(ProjectsSelectedLabel);
    top->addStretch(1);
    top->addWidget(EditFTPLabel);

    ProjectsListView = new TProjectsView(page);
    ProjectsListView->setObjectName(QStringLiteral("ProjectsListView"));
    ProjectsModel = new TProjectsModel(FProjects, ProjectsListView);
    ProjectsListView->setModel(ProjectsModel);
    const int widths[TProjectsModel::colCount] = {130, 100, 220, 220, 100, 80};
    for (int c = 0; c < TProjectsModel::colCount; ++c)
        ProjectsListView->setColumnWidth(c, widths[c]);

    ProjectsPopupMenu = new QMenu(this);
    ProjectsPopupMenu->addAction(AddProjectAction);
    ProjectsPopupMenu->addAction(CopyProjectAction);
    ProjectsPopupMenu->addAction(EditProjectAction);
    ProjectsPopupMenu->addAction(DeleteProjectAction);
    ProjectsPopupMenu->addSeparator();
    ProjectsPopupMenu->addAction(OpenSourceFolderAction);
    ProjectsPopupMenu->addAction(OpenOutputFolderAction);
    ProjectsPopupMenu->addSeparator();
    ProjectsPopupMenu->addAction(CheckAllProjectsAction);
    ProjectsPopupMenu->addAction(UnCheckAllProjectsAction);

    AddProjectButton = new QPushButton(AddProjectAction->text(), page);
    CopyProjectButton = new QPushButton(CopyProjectAction->text(), page);
    EditProjectButton = new QPushButton(EditProjectAction->text(), page);
    DeleteProjectButton = new QPushButton(DeleteProjectAction->text(), page);
    OpenSourceFolderButton = new QPushButton(OpenSourceFolderAction->text(), page);
    OpenOutputFolderButton = new QPushButton(OpenOutputFolderAction->text(), page);
    bindButton(AddProjectButton, AddProjectAction);
    bindButton(CopyProjectButton, CopyProjectAction);
    bindButton(EditProjectButton, EditProjectAction);
    bindButton(DeleteProjectButton, DeleteProjectAction);
    bindButton(OpenSourceFolderButton, OpenSourceFolderAction);
    bindButton(OpenOutputFolderButton, OpenOutputFolderAction);

    auto *commands = new QHBoxLayout;
    for (QPushButton *button :
         {AddProjectButton, CopyProjectButton, EditProjectButton, DeleteProjectButton})
        commands->addWidget(button);
    commands->addStretch(1);
    commands->addWidget(OpenSourceFolderButton);
    commands->addWidget(OpenOutputFolderButton);

    OutDirLabel = new QLabel(QStringLiteral("&Output Folder ({OutDir}):"), page);
    OutDirEdit = new QLineEdit(page);
    OutDirEdit->setObjectName(QStringLiteral("OutDirEdit"));
    OutDirLabel->setBuddy(OutDirEdit);
    ExploreOutDirButton = new QPushButton(QStringLiteral("E&xplore"), page);
    BrowseOutDirButton = new QPushButton(QStringLiteral("&Browse..."), page);

    auto *outDir = new QHBoxLayout;
    outDir->addWidget(OutDirLabel);
    outDir->addWidget(OutDirEdit, 1);
    outDir->addWidget(ExploreOutDirButton);
    outDir->addWidget(BrowseOutDirButton);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addWidget(ProjectsListView, 1);
    layout->addLayout(commands);
    layout->addSpacing(4);
    layout->addLayout(outDir);
    return page;
}

QWidget *TRVMainForm::BuildAboutPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("AboutTabSheet"));
    AppIconImage = new QLabel(page);
    AppIconImage->setFixedSize(48, 48);
    TitleLabel = new QLabel(page);
    QFont titleFont = TitleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    TitleLabel->setFont(titleFont);
    CopyrightLabel = new QLabel(page);
    LinkLabel = new TLinkLabel(QStringLiteral("Quorvel Software"), page);
    EditionLabel = new QLabel(page);

    auto *text = new QVBoxLayout;
    text->addWidget(TitleLabel);
    text->addWidget(CopyrightLabel);
    text->addWidget(LinkLabel);
    text->addSpacing(12);
    text->addWidget(EditionLabel);
    text->addStretch(1);

    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(AppIconImage, 0, Qt::AlignTop);
    layout->addSpacing(16);
    layout->addLayout(text, 1);
    return page;
}

void TRVMainForm::ConnectEvents()
{
    connect(CheckAllProjectsLabel, &QLabel::linkActivated, this, [this] {
        if (CheckAllProjectsAction->isEnabled())
            CheckAllProjectsAction->trigger();
    });
    connect(UnCheckAllProjectsLabel, &QLabel::linkActivated, this, [this] {
        if (UnCheckAllProjectsAction->isEnabled())
            UnCheckAllProjectsAction->trigger();
    });
    connect(EditFTPLabel, &QLabel::linkActivated, this, [this] { EditFTPLabelClick(); });
    connect(LinkLabel, &QLabel::linkActivated, this, [this] { OpenUrl(QUrl(AppMakerUrl())); });
    connect(ExploreOutDirButton, &QPushButton::clicked, this,
            [this] { ExploreOutDirButtonClick(); });
    connect(BrowseOutDirButton, &QPushButton::clicked, this, [this] { BrowseOutDirButtonClick(); });
    connect(CopyFilesButton, &QPushButton::clicked, this, [this] { CopyFilesButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });
    connect(PreviewButton, &QPushButton::clicked, this, [this] { PreviewButtonClick(); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { close(); });

    GroupComboBox->OnDropDown = [this] { GroupComboBoxDropDown(); };
    connect(GroupComboBox, &QComboBox::activated, this, [this] { GroupComboBoxClick(); });

    ProjectsListView->OnToggleRow = [this](int Row) { ToggleItemChecked(Row); };
    ProjectsListView->OnEditKey = [this] {
        if (EditProjectAction->isEnabled())
            EditProjectAction->trigger();
    };
    ProjectsListView->OnDeleteKey = [this] {
        if (DeleteProjectAction->isEnabled())
            DeleteProjectAction->trigger();
    };
    ProjectsListView->OnStartDrag = [this] { return GetSelectedProject(); };
    ProjectsListView->OnDropProject = [this](TCopyProject *Dragged, const QPoint &Pos) {
        ProjectsListViewDragDrop(Dragged, Pos);
    };
    connect(ProjectsListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateProjectActions(); });
    connect(ProjectsListView, &QAbstractItemView::doubleClicked, this,
            [this] { ProjectsListViewDblClick(); });
    connect(ProjectsListView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &Pos) {
                ProjectsPopupMenu->popup(ProjectsListView->viewport()->mapToGlobal(Pos));
            });
}

void TRVMainForm::showEvent(QShowEvent *event)
{
    TRVForm::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    // After the window is on the screen, so that a warning about the output folder has it as
    // its owner.
    QTimer::singleShot(0, this, [this] { StartFromCommandLine(); });
}

void TRVMainForm::keyPressEvent(QKeyEvent *event)
{
    // The main window is no dialog to be dismissed with Esc; during a run Esc stops it.
    if (event->key() == Qt::Key_Escape) {
        if (Running())
            StopButtonClick();
        else
            event->ignore();
        return;
    }
    TRVForm::keyPressEvent(event);
}

void TRVMainForm::closeEvent(QCloseEvent *event)
{
    if (Running()
        && !Confirm(QStringLiteral("Copy Files"),
                    QStringLiteral("Files are being copied. Stop the copying and close?"))) {
        event->ignore();
        return;
    }
    // Stopped here, so that the window does not go while the run goes on without it.
    StopRun();
    TRVForm::closeEvent(event);
}

void TRVMainForm::ShowError(const QString &Message)
{
    TMessageBoxRequest request;
    request.Owner = isVisible() ? this : nullptr;
    request.Icon = QMessageBox::Critical;
    request.Title = AppTitle();
    request.Text = Message;
    request.Buttons = QMessageBox::Ok;
    ShowMessageBox(request);
}

void TRVMainForm::OpenFolder(const QString &Folder)
{
    if (Folder.isEmpty())
        return;
    OpenUrl(QUrl::fromLocalFile(Folder));
}
