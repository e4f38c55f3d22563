// The main window's part of the settings file: where it is, what is read at start and what
// is written back.
#include "app/gui/GroupComboBox.h"
#include "app/gui/ProjectsModel.h"
#include "app/gui/ProjectsView.h"
#include "app/gui/RVMainUnit.h"
#include "app/gui/WindowState.h"
#include "engine/ProgramSettings.h"
#include "ftp/FTPConnUnit.h"
#include "settings/StoredKeys.h"
#include "settings/uAppSettings.h"

#include <QLineEdit>

#include <algorithm>

QString TRVMainForm::GetSettingsPath(bool ForReading) const
{
    return ProgramSettingsPath(ForReading);
}

void TRVMainForm::LoadWindowState()
{
    const TWindowState state = ::LoadWindowState(WindowStatePath(GetSettingsPath(true)));
    if (state.Size.isValid())
        resize(state.Size);
    if (state.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (state.ColumnWidths.size() == TProjectsModel::colCount) {
        for (int c = 0; c < TProjectsModel::colCount; ++c)
            ProjectsListView->setColumnWidth(c, state.ColumnWidths[c]);
    }
}

void TRVMainForm::SaveWindowState()
{
    TWindowState state;
    // A maximized window keeps the size it had before, to return to.
    state.Maximized = isMaximized();
    state.Size = state.Maximized ? normalGeometry().size() : size();
    for (int c = 0; c < TProjectsModel::colCount; ++c)
        state.ColumnWidths.append(ProjectsListView->columnWidth(c));
    ::SaveWindowState(WindowStatePath(GetSettingsPath(false)), state);
}

void TRVMainForm::LoadSettings()
{
    const TProgramSettings stored = LoadProgramSettings(GetSettingsPath(true), FProjects,
                                                        FFTPConnList);
    // Nothing there: the first start. Otherwise the window opens with what was loaded, and an
    // error that stopped the loading is shown. Each project keeps its stored visibility; the
    // filter is not applied again here.
    if (!stored.Found)
        return;
    UpdateProjectsView();
    FillGroupComboBox(stored.GroupFilter);
    OutDirEdit->setText(stored.OutDir);
    if (!stored.Error.isEmpty())
        ShowError(stored.Error);
}

void TRVMainForm::SaveSettings()
{
    const QString path = GetSettingsPath(false);
    // A fresh store: the file holds exactly what is written here (an old ReplaceNewer goes).
    TAppSettings settings;
    TStringList &list = settings.Strings();
    FProjects.SaveToList(list, ProjectsPrefix);
    list.SetValue(GroupFilterKey,
                  GroupComboBox->currentIndex() > 0 ? GroupComboBox->currentText() : QString());
    list.SetValue(OutDirKey, OutDirEdit->text());
    FFTPConnList.SaveToList(list, ConnectionsPrefix);
    settings.SaveToFile(path);
}

void TRVMainForm::FillGroupComboBox(const QString &SelectGroup)
{
    // Group names without duplicates (letter case ignored; the first spelling in list order
    // stands for the others), sorted, after "<All projects>".
    QStringList groups;
    FProjects.FillListOfGroups(groups, Qt::CaseInsensitive);
    std::stable_sort(groups.begin(), groups.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    groups.prepend(QStringLiteral("<All projects>"));
    GroupComboBox->clear();
    GroupComboBox->addItems(groups);
    const int index = SelectGroup.isEmpty()
                          ? -1
                          : GroupComboBox->findText(SelectGroup, Qt::MatchFixedString);
    GroupComboBox->setCurrentIndex(index > 0 ? index : 0);
}

QString TRVMainForm::SelectedGroup() const
{
    return GroupComboBox->currentIndex() > 0 ? GroupComboBox->currentText() : QString();
}
