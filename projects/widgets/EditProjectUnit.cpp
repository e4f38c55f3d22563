#include "projects/widgets/EditProjectUnit.h"

#include "engine/OutputFolder.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/CopyProjectUnit.h"
#include "projects/widgets/SelectFileUnit.h"
#include "ui/LineBreakGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

QString FlagText(bool Value)
{
    return Value ? FlagYes : FlagNo;
}

QString DefaultBrowseForFolder(QWidget *Parent, const QString &StartFolder)
{
    return QFileDialog::getExistingDirectory(Parent, QString(), StartFolder);
}

void DefaultOpenFolder(const QUrl &Folder)
{
    QDesktopServices::openUrl(Folder);
}

} // namespace

TEditProjectForm::TEditProjectForm(TFTPConnList &FTPConnList, TSelectFileForm &SelectFileForm,
                                   TEditFTPForm &EditFTPForm, QWidget *parent)
    : TRVForm(parent), BrowseForFolder(&DefaultBrowseForFolder), OpenFolder(&DefaultOpenFolder),
      FFTPConnList(FTPConnList), FSelectFileForm(SelectFileForm), FEditFTPForm(EditFTPForm)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    BuildLayout();
    ConnectEvents();
    EnableDroppingFile(ProjectSrcFilesListView);
}

void TEditProjectForm::BuildLayout()
{
    ProjectNameEdit = new QLineEdit(this);
    GroupNameEdit = new QLineEdit(this);
    ProjectSrcFolderEdit = new QLineEdit(this);
    ExploreProjectSrcFolderButton = new QPushButton(QStringLiteral("Explore"), this);
    BrowseProjectSrcFolderButton = new QPushButton(QStringLiteral("Browse..."), this);
    // Told while typing, never a reason to refuse OK: the folder may be a drive not yet
    // mounted, or made later.
    SourceFolderWarning = new QWidget(this);
    SourceFolderWarning->setObjectName(QStringLiteral("SourceFolderWarning"));
    auto *warningIcon = new QLabel(SourceFolderWarning);
    warningIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    SourceFolderWarningLabel = new QLabel(
        QStringLiteral("This folder does not exist: a run will log it as not found."),
        SourceFolderWarning);
    auto *warningRow = new QHBoxLayout(SourceFolderWarning);
    warningRow->setContentsMargins(0, 0, 0, 0);
    warningRow->addWidget(warningIcon);
    warningRow->addWidget(SourceFolderWarningLabel, 1);
    QSizePolicy keepRoom = SourceFolderWarning->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    SourceFolderWarning->setSizePolicy(keepRoom);
    SourceFolderWarning->hide();

    ProjectSrcFilesListView = new TListView(this);
    ProjectSrcFilesListView->setColumnCount(3);
    ProjectSrcFilesListView->setHeaderLabels({QStringLiteral("Pattern"),
                                              QStringLiteral("Sub Folders ?"),
                                              QStringLiteral("Junk Path ?")});
    // The flag columns are at least wide enough for their titles in the font in use.
    const int widths[] = {350, 80, 80};
    int tableWidth = 0;
    for (int column = 0; column < 3; ++column) {
        const int width = std::max(widths[column],
                                   ProjectSrcFilesListView->header()->sectionSizeHint(column) + 8);
        ProjectSrcFilesListView->setColumnWidth(column, width);
        tableWidth += width;
    }
    ProjectSrcFilesListView->header()->setSectionsClickable(false);
    ProjectSrcFilesListView->setSortingEnabled(false);
    ProjectSrcFilesListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ProjectSrcFilesListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProjectSrcFilesListView->setDragEnabled(true);
    ProjectSrcFilesListView->setDragDropMode(QAbstractItemView::DragDrop);
    // Room for every column and a vertical scroll bar, so no horizontal one is needed.
    ProjectSrcFilesListView->setMinimumSize(
        tableWidth + 2 * ProjectSrcFilesListView->frameWidth()
            + ProjectSrcFilesListView->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4,
        140);

    AddProjectSrcFileButton = new QPushButton(QStringLiteral("Add..."), this);
    EditProjectScrFileButton = new QPushButton(QStringLiteral("Edit..."), this);
    DeleteProjectScrFileButton = new QPushButton(QStringLiteral("Delete"), this);
    EditProjectScrFileButton->setEnabled(false);
    DeleteProjectScrFileButton->setEnabled(false);

    ProjectExcludeSrcFilesEdit = new QLineEdit(this);
    ProjectExcludeSrcFilesEdit->setToolTip(
        QStringLiteral("Delimited by ; (semicolon).  You can use wildcards (?, *, **)."));
    CopyIfExistsCheckBox = new QCheckBox(QStringLiteral("Copy if exists:"), this);
    CopyIfExistsEdit = new QLineEdit(this);
    CopyIfExistsEdit->setToolTip(
        QStringLiteral("You can use these tags:\n{OutDir}, {OutFilePath}, {OutFileDir}, "
                       "{OutFileName}, {OutFileExt}, {ProjectName}, {Date}, {DateTime}"));
    FTPConnCheckBox = new QCheckBox(QStringLiteral("Upload to FTP"), this);
    FTPConnComboBox = new QComboBox(this);
    FTPConnComboBox->setEditable(false);
    EditFTPLabel = new QLabel(QStringLiteral("<a href=\"ftp-connections\" style=\"color: blue; "
                                             "text-decoration: underline;\">FTP Connections</a>"),
                              this);
    EditFTPLabel->setTextFormat(Qt::RichText);
    EditFTPLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse
                                          | Qt::LinksAccessibleByKeyboard);
    EditFTPLabel->setCursor(Qt::PointingHandCursor);
    ProjectOutFolderEdit = new QLineEdit(this);
    ProjectOutFolderEdit->setToolTip(
        QStringLiteral("You can use these tags: {OutDir}, {ProjectName}, {Date}, {DateTime}"));
    ExploreProjectOutFolderButton = new QPushButton(QStringLiteral("Explore"), this);
    BrowseProjectOutFolderButton = new QPushButton(QStringLiteral("Browse..."), this);
    ProjectOverwriteComboBox = new QComboBox(this);
    ProjectOverwriteComboBox->addItems({QStringLiteral("Don't overwrite files"),
                                        QStringLiteral("Overwrite all files"),
                                        QStringLiteral("Overwrite older files only")});
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);

    // Enter means OK wherever the focus is; no other button takes it over.
    for (QPushButton *button :
         {ExploreProjectSrcFolderButton, BrowseProjectSrcFolderButton, AddProjectSrcFileButton,
          EditProjectScrFileButton, DeleteProjectScrFileButton, ExploreProjectOutFolderButton,
          BrowseProjectOutFolderButton, CancelButton})
        button->setAutoDefault(false);
    OKButton->setDefault(true);

    auto label = [this](const char *text, QWidget *buddy) {
        auto *l = new QLabel(QString::fromLatin1(text), this);
        l->setBuddy(buddy);
        return l;
    };

    auto *grid = new QGridLayout;
    int row = 0;
    grid->addWidget(label("Project Name:", ProjectNameEdit), row, 0);
    grid->addWidget(ProjectNameEdit, row, 1, 1, 3);
    ++row;
    grid->addWidget(label("Group:", GroupNameEdit), row, 0);
    grid->addWidget(GroupNameEdit, row, 1, 1, 3);
    ++row;
    grid->addWidget(label("Source Folder:", ProjectSrcFolderEdit), row, 0);
    grid->addWidget(ProjectSrcFolderEdit, row, 1);
    grid->addWidget(ExploreProjectSrcFolderButton, row, 2);
    grid->addWidget(BrowseProjectSrcFolderButton, row, 3);
    ++row;
    grid->addWidget(SourceFolderWarning, row, 1, 1, 3);
    ++row;
    grid->addWidget(label("Source Files:", ProjectSrcFilesListView), row, 0, 1, 4);
    ++row;
    auto *tableButtons = new QVBoxLayout;
    tableButtons->addWidget(AddProjectSrcFileButton);
    tableButtons->addWidget(EditProjectScrFileButton);
    tableButtons->addWidget(DeleteProjectScrFileButton);
    tableButtons->addStretch(1);
    grid->addWidget(ProjectSrcFilesListView, row, 0, 1, 3);
    grid->addLayout(tableButtons, row, 3);
    grid->setRowStretch(row, 1);
    ++row;
    grid->addWidget(label("Exclude Files:", ProjectExcludeSrcFilesEdit), row, 0);
    grid->addWidget(ProjectExcludeSrcFilesEdit, row, 1, 1, 3);
    ++row;
    grid->addWidget(CopyIfExistsCheckBox, row, 0);
    grid->addWidget(CopyIfExistsEdit, row, 1, 1, 3);
    ++row;
    grid->addWidget(FTPConnCheckBox, row, 0);
    grid->addWidget(FTPConnComboBox, row, 1);
    grid->addWidget(EditFTPLabel, row, 2, 1, 2);
    ++row;
    grid->addWidget(label("Output Folder:", ProjectOutFolderEdit), row, 0);
    grid->addWidget(ProjectOutFolderEdit, row, 1);
    grid->addWidget(ExploreProjectOutFolderButton, row, 2);
    grid->addWidget(BrowseProjectOutFolderButton, row, 3);
    ++row;
    grid->addWidget(ProjectOverwriteComboBox, row, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget *order[] = {ProjectNameEdit,
                        GroupNameEdit,
                        ProjectSrcFolderEdit,
                        ExploreProjectSrcFolderButton,
                        BrowseProjectSrcFolderButton,
                        ProjectSrcFilesListView,
                        AddProjectSrcFileButton,
                        EditProjectScrFileButton,
                        DeleteProjectScrFileButton,
                        ProjectExcludeSrcFilesEdit,
                        CopyIfExistsCheckBox,
                        CopyIfExistsEdit,
                        FTPConnCheckBox,
                        FTPConnComboBox,
                        EditFTPLabel,
                        ProjectOutFolderEdit,
                        ExploreProjectOutFolderButton,
                        BrowseProjectOutFolderButton,
                        ProjectOverwriteComboBox,
                        OKButton,
                        CancelButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TEditProjectForm::ConnectEvents()
{
    for (QLineEdit *edit : {ProjectNameEdit, GroupNameEdit, ProjectSrcFolderEdit,
                            ProjectExcludeSrcFilesEdit, CopyIfExistsEdit, ProjectOutFolderEdit})
        GuardLineBreaks(edit);

    connect(ProjectSrcFolderEdit, &QLineEdit::textChanged, this,
            [this] { UpdateSourceFolderWarning(); });
    connect(ExploreProjectSrcFolderButton, &QPushButton::clicked, this,
            [this] { ExploreFolder(ProjectSrcFolderEdit->text()); });
    connect(BrowseProjectSrcFolderButton, &QPushButton::clicked, this,
            [this] { BrowseInto(ProjectSrcFolderEdit, ProjectSrcFolderEdit->text()); });
    connect(ExploreProjectOutFolderButton, &QPushButton::clicked, this,
            [this] { ExploreFolder(GetExpandedOutFolder()); });
    connect(BrowseProjectOutFolderButton, &QPushButton::clicked, this,
            [this] { BrowseInto(ProjectOutFolderEdit, GetExpandedOutFolder()); });

    connect(AddProjectSrcFileButton, &QPushButton::clicked, this,
            [this] { AddProjectSrcFileButtonClick(); });
    connect(EditProjectScrFileButton, &QPushButton::clicked, this,
            [this] { EditProjectScrFileButtonClick(); });
    connect(DeleteProjectScrFileButton, &QPushButton::clicked, this,
            [this] { DeleteProjectScrFileButtonClick(); });
    connect(ProjectSrcFilesListView, &QTreeWidget::itemSelectionChanged, this,
            [this] { ProjectSrcFilesListViewSelectItem(); });
    connect(ProjectSrcFilesListView, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (EditProjectScrFileButton->isEnabled())
            EditProjectScrFileButtonClick();
    });
    ProjectSrcFilesListView->installEventFilter(this);
    // The table's own drags (reordering) come after the file drops in the handler chain.
    SubClass(ProjectSrcFilesListView, [this](QWidget *, TWinProcHandler *, QEvent *Message) {
        return ProjectSrcFilesListViewDrag(Message);
    });

    connect(FTPConnCheckBox, &QCheckBox::clicked, this, [this] { FTPConnCheckBoxClick(); });
    connect(FTPConnComboBox, &QComboBox::activated, this, [this] { FTPConnComboBoxChange(); });
    connect(EditFTPLabel, &QLabel::linkActivated, this, [this] { EditFTPConnections(); });

    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool TEditProjectForm::AddProject(TCopyProject &Project, const QString &OutDir,
                                  const QString &GroupName)
{
    setWindowTitle(QStringLiteral("Add New Project"));
    Project.Clear();
    Project.SetGroupName(GroupName);
    Project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    Project.SetOverwrite(ofOlder);
    return ExecuteProject(Project, OutDir);
}

bool TEditProjectForm::EditProject(TCopyProject &Project, const QString &OutDir, bool NewProject)
{
    setWindowTitle(NewProject ? QStringLiteral("Add New Project") : QStringLiteral("Edit Project"));
    return ExecuteProject(Project, OutDir);
}

bool TEditProjectForm::ExecuteProject(TCopyProject &Project, const QString &OutDir)
{
    FOutDir = OutDir;
    ProjectNameEdit->setText(Project.ProjectName());
    GroupNameEdit->setText(Project.GroupName());
    ProjectSrcFolderEdit->setText(Project.SourceFolder());
    UpdateSourceFolderWarning();

    DeleteAllListItems(ProjectSrcFilesListView);
    EditProjectScrFileButton->setEnabled(false);
    DeleteProjectScrFileButton->setEnabled(false);
    for (int i = 0; i < Project.SourceRowCount(); ++i) {
        QTreeWidgetItem *item = ProjectSrcFilesListView->AddItem(Project.SourceFiles().value(i));
        TListView::AppendSubItem(item, Project.SourceSubFolders().value(i));
        TListView::AppendSubItem(item, Project.SourceJunkPath().value(i));
    }

    ProjectExcludeSrcFilesEdit->setText(Project.ExcludeFiles());
    CopyIfExistsCheckBox->setChecked(Project.CopyIfExists());
    CopyIfExistsEdit->setText(Project.CopyIfExistsPath());
    ProjectOutFolderEdit->setText(Project.OutputFolder());
    ProjectOverwriteComboBox->setCurrentIndex(Project.Overwrite() == ofAll     ? 1
                                              : Project.Overwrite() == ofOlder ? 2
                                                                               : 0);
    FTPConnCheckBox->setChecked(!Project.FTPConnName().isEmpty());
    FillFTPConnections(Project.FTPConnName());
    ProjectNameEdit->setFocus();

    if (exec() != QDialog::Accepted)
        return false;
    WriteBack(Project);
    return true;
}

void TEditProjectForm::WriteBack(TCopyProject &Project) const
{
    Project.SetProjectName(ProjectNameEdit->text());
    Project.SetGroupName(GroupNameEdit->text());
    Project.SetSourceFolder(ProjectSrcFolderEdit->text());
    Project.ClearSourceRows();
    for (int i = 0; i < ProjectSrcFilesListView->ItemCount(); ++i) {
        const QTreeWidgetItem *item = ProjectSrcFilesListView->Item(i);
        Project.GetSourceFiles().append(item->text(0));
        Project.GetSourceSubFolders().append(TListView::SubItem(item, 1));
        Project.GetSourceJunkPath().append(TListView::SubItem(item, 2));
    }
    Project.SetExcludeFiles(ProjectExcludeSrcFilesEdit->text());
    Project.SetCopyIfExists(CopyIfExistsCheckBox->isChecked());
    Project.SetCopyIfExistsPath(CopyIfExistsEdit->text());
    Project.SetOutputFolder(ProjectOutFolderEdit->text());
    const int overwrite = ProjectOverwriteComboBox->currentIndex();
    Project.SetOverwrite(overwrite == 1 ? ofAll : overwrite == 2 ? ofOlder : ofNone);
    const int conn = FTPConnComboBox->currentIndex();
    Project.SetFTPConnName(
        FTPConnCheckBox->isChecked() && conn > 0 ? FTPConnComboBox->itemText(conn) : QString());
}

void TEditProjectForm::OKButtonClick()
{
    if (!CheckNotEmpty(ProjectNameEdit->text(), QStringLiteral("Project Name")))
        return;
    if (FTPConnCheckBox->isChecked() && FTPConnComboBox->currentIndex() <= 0) {
        Warning(QStringLiteral("Please, select FTP Connection"));
        return;
    }
    accept();
}

QString TEditProjectForm::GetExpandedOutFolder() const
{
    TCopyProject preview;
    preview.SetProjectName(ProjectNameEdit->text());
    preview.SetOutputFolder(ProjectOutFolderEdit->text());
    return ExpandOutputFolder(preview, FOutDir);
}

// --- FTP connection choice ---

void TEditProjectForm::FillFTPConnections(const QString &Name)
{
    FTPConnComboBox->clear();
    FTPConnComboBox->addItem(QStringLiteral("<Select FTP Connection>"));
    int selected = 0;
    for (int i = 0; i < FFTPConnList.Count(); ++i) {
        const QString &connName = FFTPConnList.GetConnection(i)->ConnName();
        FTPConnComboBox->addItem(connName);
        if (selected == 0 && connName == Name)
            selected = i + 1;
    }
    FTPConnComboBox->setCurrentIndex(selected);
    if (selected > 0 && !FTPConnCheckBox->isChecked())
        FTPConnCheckBox->setChecked(true);
}

void TEditProjectForm::EditFTPConnections()
{
    const int index = FTPConnComboBox->currentIndex();
    QString name = index > 0 ? FTPConnComboBox->itemText(index) : QString();
    FEditFTPForm.Execute(name);
    FillFTPConnections(name);
}

void TEditProjectForm::FTPConnCheckBoxClick()
{
    if (FTPConnCheckBox->isChecked() && FTPConnComboBox->currentIndex() <= 0)
        EditFTPConnections();
}

void TEditProjectForm::FTPConnComboBoxChange()
{
    if (FTPConnComboBox->currentIndex() > 0 && !FTPConnCheckBox->isChecked())
        FTPConnCheckBox->setChecked(true);
}

// --- pattern table ---

void TEditProjectForm::AddProjectSrcFileButtonClick()
{
    QString pattern;
    bool subFolders = false;
    bool junkPath = false;
    if (!FSelectFileForm.Execute(pattern, subFolders, junkPath, ProjectSrcFolderEdit->text())
        || pattern.isEmpty())
        return;
    QTreeWidgetItem *item = ProjectSrcFilesListView->AddItem(pattern);
    TListView::AppendSubItem(item, FlagText(subFolders));
    TListView::AppendSubItem(item, FlagText(junkPath));
}

void TEditProjectForm::EditProjectScrFileButtonClick()
{
    QTreeWidgetItem *item = ProjectSrcFilesListView->Selected();
    if (!item)
        return;
    QString pattern = item->text(0);
    bool subFolders = IsFlagSet(TListView::SubItem(item, 1));
    bool junkPath = IsFlagSet(TListView::SubItem(item, 2));
    if (!FSelectFileForm.Execute(pattern, subFolders, junkPath, ProjectSrcFolderEdit->text()))
        return;
    item->setText(0, pattern);
    TListView::SetSubItem(item, 1, FlagText(subFolders));
    TListView::SetSubItem(item, 2, FlagText(junkPath));
}

void TEditProjectForm::DeleteProjectScrFileButtonClick()
{
    const QList<QTreeWidgetItem *> selected = ProjectSrcFilesListView->selectedItems();
    if (selected.isEmpty())
        return;
    TListViewUpdate update(ProjectSrcFilesListView);
    for (QTreeWidgetItem *item : selected)
        delete item;
    ProjectSrcFilesListViewSelectItem();
}

void TEditProjectForm::ProjectSrcFilesListViewSelectItem()
{
    const bool any = !ProjectSrcFilesListView->selectedItems().isEmpty();
    EditProjectScrFileButton->setEnabled(any);
    DeleteProjectScrFileButton->setEnabled(any);
}

bool TEditProjectForm::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == ProjectSrcFilesListView && Event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(Event);
        if (key->key() == Qt::Key_Delete && DeleteProjectScrFileButton->isEnabled()) {
            DeleteProjectScrFileButtonClick();
            return true;
        }
        if (key->key() == Qt::Key_Space && EditProjectScrFileButton->isEnabled()) {
            EditProjectScrFileButtonClick();
            return true;
        }
    }
    return TRVForm::eventFilter(Watched, Event);
}

bool TEditProjectForm::ProjectSrcFilesListViewDrag(QEvent *Message)
{
    const auto type = Message->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    // Only the table's own rows are moved; anything else dragged here is refused.
    auto *drag = static_cast<QDropEvent *>(Message);
    const bool own = drag->source() == ProjectSrcFilesListView
                     || drag->source() == ProjectSrcFilesListView->viewport();
    if (!own) {
        drag->ignore();
        return true;
    }
    // Copy, not move: the rows are moved here, and the view must not remove anything itself.
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop)
        MoveSelectedSrcFiles(ProjectSrcFilesListView->itemAt(drag->position().toPoint()));
    return true;
}

void TEditProjectForm::MoveSelectedSrcFiles(QTreeWidgetItem *Target)
{
    TListView *view = ProjectSrcFilesListView;
    // A block dropped onto one of its own rows stays where it is.
    if (Target && Target->isSelected())
        return;
    std::vector<int> rows;
    for (int i = 0; i < view->ItemCount(); ++i) {
        if (view->Item(i)->isSelected())
            rows.push_back(i);
    }
    if (rows.empty())
        return;
    TListViewUpdate update(view);
    std::vector<QTreeWidgetItem *> moved;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        moved.insert(moved.begin(), view->takeTopLevelItem(*it));
    view->clearSelection();
    int at = Target ? view->IndexOfItem(Target) : view->ItemCount();
    for (QTreeWidgetItem *item : moved) {
        view->insertTopLevelItem(at++, item);
        item->setSelected(false);
    }
    ProjectSrcFilesListViewSelectItem();
}

void TEditProjectForm::DoInputFileItemAdded(TListView *ListView, const QString &AFileName,
                                            QTreeWidgetItem *ListItem)
{
    if (ListView == ProjectSrcFilesListView && ListItem) {
        QString folder = ProjectSrcFolderEdit->text();
        if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        QString caption = ListItem->text(0);
        if (!folder.isEmpty() && caption.startsWith(folder, Qt::CaseSensitive))
            caption = caption.mid(folder.size());
        // A file name may hold a line break; a pattern is one line of the settings file.
        ListItem->setText(0, WithoutLineBreaks(caption));
        TListView::AppendSubItem(ListItem, FlagNo);
        TListView::AppendSubItem(ListItem, FlagNo);
    }
    TRVForm::DoInputFileItemAdded(ListView, AFileName, ListItem);
}

// --- folders ---

void TEditProjectForm::ExploreFolder(const QString &Folder)
{
    if (!Folder.isEmpty() && OpenFolder)
        OpenFolder(QUrl::fromLocalFile(Folder));
}

void TEditProjectForm::BrowseInto(QLineEdit *Edit, const QString &StartFolder)
{
    if (!BrowseForFolder)
        return;
    const QString folder = BrowseForFolder(this, StartFolder);
    if (!folder.isEmpty())
        Edit->setText(folder);
}

void TEditProjectForm::UpdateSourceFolderWarning()
{
    const QString folder = ProjectSrcFolderEdit->text();
    SourceFolderWarning->setVisible(!folder.isEmpty() && !QFileInfo(folder).isDir());
}
