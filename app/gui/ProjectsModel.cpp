#include "app/gui/ProjectsModel.h"

#include "projects/CopyProjectUnit.h"

TProjectsModel::TProjectsModel(TCopyProjectList &Projects, QObject *parent)
    : QAbstractTableModel(parent), FProjects(Projects), FRowCount(Projects.VisibleCount())
{}

int TProjectsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FRowCount;
}

int TProjectsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : colCount;
}

TCopyProject *TProjectsModel::ProjectAt(int Row) const
{
    if (Row < 0 || Row >= FRowCount || Row >= FProjects.VisibleCount())
        return nullptr;
    return FProjects.GetVisibleProject(Row);
}

QString TProjectsModel::OverwriteText(int Overwrite)
{
    switch (Overwrite) {
    case ofAll:
        return QStringLiteral("All");
    case ofOlder:
        return QStringLiteral("Older");
    default:
        return QStringLiteral("No");
    }
}

QVariant TProjectsModel::data(const QModelIndex &index, int role) const
{
    const TCopyProject *project = index.isValid() ? ProjectAt(index.row()) : nullptr;
    if (!project)
        return {};
    if (role == Qt::CheckStateRole && index.column() == colName)
        return project->Checked() ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case colName:
        return project->ProjectName();
    case colGroup:
        return project->GroupName();
    case colSource:
        return project->SourceFolder();
    case colOutput:
        return project->OutputFolder();
    case colFTP:
        return project->FTPConnName();
    case colOverwrite:
        return OverwriteText(project->Overwrite());
    default:
        return {};
    }
}

QVariant TProjectsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const captions[colCount] = {
        "Project Name", "Project Group", "Source Folder", "Output Folder", "FTP", "Overwrite"};
    if (section < 0 || section >= colCount)
        return {};
    return QString::fromLatin1(captions[section]);
}

Qt::ItemFlags TProjectsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

void TProjectsModel::Refresh()
{
    const int count = FProjects.VisibleCount();
    if (count > FRowCount) {
        beginInsertRows(QModelIndex(), FRowCount, count - 1);
        FRowCount = count;
        endInsertRows();
    } else if (count < FRowCount) {
        beginRemoveRows(QModelIndex(), count, FRowCount - 1);
        FRowCount = count;
        endRemoveRows();
    }
    if (FRowCount > 0)
        Q_EMIT dataChanged(index(0, 0), index(FRowCount - 1, colCount - 1));
}
