// The commands of the projects page: the list, its filter, and adding, copying, editing,
// deleting and moving projects.
#include "app/gui/GroupComboBox.h"
#include "app/gui/ProjectsModel.h"
#include "app/gui/ProjectsView.h"
#include "app/gui/RVMainUnit.h"
#include "engine/OutputFolder.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/widgets/EditProjectUnit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QChar NameQuote = QLatin1Char('"');

} // namespace

TCopyProject *TRVMainForm::GetItemProject(int Row) const
{
    return ProjectsModel->ProjectAt(Row);
}

int TRVMainForm::SelectedRow() const
{
    const QModelIndexList rows = ProjectsListView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

TCopyProject *TRVMainForm::GetSelectedProject() const
{
    return GetItemProject(SelectedRow());
}

void TRVMainForm::SelectRow(int Row)
{
    if (Row < 0 || Row >= ProjectsModel->rowCount()) {
        ProjectsListView->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = ProjectsModel->index(Row, 0);
    ProjectsListView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                                   | QItemSelectionModel::Rows);
}

void TRVMainForm::UpdateProjectsView()
{
    ProjectsModel->Refresh();
    UpdateProjectActions();
    ProjectsSelectedLabel->setText(QString::number(FProjects.CheckedVisibleCount())
                                   + QStringLiteral(" checked."));
}

void TRVMainForm::UpdateProjectActions()
{
    const bool selected = GetSelectedProject() != nullptr;
    for (QAction *action : {CopyProjectAction, EditProjectAction, DeleteProjectAction,
                            OpenSourceFolderAction, OpenOutputFolderAction})
        action->setEnabled(selected);
}

void TRVMainForm::ToggleItemChecked(int Row)
{
    TCopyProject *project = GetItemProject(Row);
    if (!project)
        return;
    project->SetChecked(!project->Checked());
    UpdateProjectsView();
}

bool TRVMainForm::ProjectNameExists(const QString &ProjectName, const TCopyProject *Project)
{
    const TCopyProject *found = FProjects.FindProject(ProjectName);
    if (!found || found == Project)
        return false;
    Warning(QStringLiteral("Project ") + NameQuote + ProjectName + NameQuote
            + QStringLiteral(" already exists."));
    return true;
}

void TRVMainForm::AddProjectActionExecute()
{
    if (!FEditProjectForm)
        return;
    auto project = std::make_unique<TCopyProject>();
    if (!FEditProjectForm->AddProject(*project, OutDirEdit->text(), SelectedGroup()))
        return;
    if (ProjectNameExists(project->ProjectName(), nullptr))
        return;
    project->SetVisible(true);
    FProjects.AddProject(std::move(project));
    UpdateProjectsView();
}

void TRVMainForm::CopyProjectActionExecute()
{
    TCopyProject *selected = GetSelectedProject();
    if (!selected || !FEditProjectForm)
        return;
    auto copy = std::make_unique<TCopyProject>(selected);
    copy->SetProjectName(QString());
    if (!FEditProjectForm->EditProject(*copy, OutDirEdit->text(), true))
        return;
    if (ProjectNameExists(copy->ProjectName(), nullptr))
        return;
    // The copy is shown at the end whatever the filter, as a new project is.
    copy->SetVisible(true);
    FProjects.AddProject(std::move(copy));
    UpdateProjectsView();
}

void TRVMainForm::EditProjectActionExecute()
{
    TCopyProject *selected = GetSelectedProject();
    if (!selected || !FEditProjectForm)
        return;
    auto copy = std::make_unique<TCopyProject>(selected);
    if (!FEditProjectForm->EditProject(*copy, OutDirEdit->text(), false))
        return;
    // The dialog is modal, but a run's end or a drop cannot remove the project meanwhile;
    // still, replace only what is still listed.
    if (GetSelectedProject() != selected)
        return;
    if (ProjectNameExists(copy->ProjectName(), selected))
        return;
    FProjects.ReplaceProject(selected, copy);
    UpdateProjectsView();
}

void TRVMainForm::DeleteProjectActionExecute()
{
    TCopyProject *selected = GetSelectedProject();
    if (!selected)
        return;
    const QString text = QStringLiteral("Delete ") + NameQuote + selected->ProjectName() + NameQuote
                         + QLatin1Char('.') + NameQuote + QStringLiteral("\r\n\r\nAre you sure?");
    if (!Confirm(QStringLiteral("Delete Project"), text))
        return;
    FProjects.RemoveProject(selected);
    UpdateProjectsView();
}

void TRVMainForm::OpenSourceFolderActionExecute()
{
    if (const TCopyProject *selected = GetSelectedProject())
        OpenFolder(selected->SourceFolder());
}

void TRVMainForm::OpenOutputFolderActionExecute()
{
    if (const TCopyProject *selected = GetSelectedProject())
        OpenFolder(ExpandOutputFolder(*selected, OutDirEdit->text()));
}

void TRVMainForm::CheckAllProjectsActionExecute()
{
    FProjects.CheckAll();
    UpdateProjectsView();
}

void TRVMainForm::UnCheckAllProjectsActionExecute()
{
    FProjects.UnCheckAll();
    UpdateProjectsView();
}

void TRVMainForm::ExploreOutDirButtonClick()
{
    OpenFolder(OutDirEdit->text());
}

void TRVMainForm::BrowseOutDirButtonClick()
{
    const QString folder = BrowseForFolder(this, OutDirEdit->text());
    if (!folder.isEmpty())
        OutDirEdit->setText(folder);
}

void TRVMainForm::EditFTPLabelClick()
{
    if (FEditFTPForm)
        FEditFTPForm->Execute();
}

void TRVMainForm::GroupComboBoxDropDown()
{
    FillGroupComboBox(SelectedGroup());
}

void TRVMainForm::GroupComboBoxClick()
{
    const QString filter = SelectedGroup();
    for (int i = 0; i < FProjects.Count(); ++i) {
        TCopyProject *project = FProjects.GetProject(i);
        FProjects.SetProjectVisibility(project, filter.isEmpty() || project->GroupName() == filter);
    }
    UpdateProjectsView();
}

void TRVMainForm::ProjectsListViewDragDrop(TCopyProject *Dragged, const QPoint &Pos)
{
    if (!Dragged)
        return;
    const QModelIndex index = ProjectsListView->indexAt(Pos);
    TCopyProject *target = index.isValid() ? GetItemProject(index.row()) : nullptr;
    if (!target)
        return;
    FProjects.MoveProject(Dragged, target);
    UpdateProjectsView();
    // The selection follows the moved project.
    for (int row = 0; row < FProjects.VisibleCount(); ++row)
        if (FProjects.GetVisibleProject(row) == Dragged)
            SelectRow(row);
}

void TRVMainForm::ProjectsListViewDblClick()
{
    if (EditProjectButton->isEnabled())
        EditProjectButton->click();
}
