#include "projects/CopyProjectUnit.h"

#include "settings/Exception.h"
#include "settings/StringList.h"

#include <algorithm>

namespace {

[[noreturn]] void RaiseIndexError(int index)
{
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

// Moves the element at index from to index to, shifting the ones between by one.
template <typename T>
void MoveElement(std::vector<T> &v, int from, int to)
{
    auto first = v.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
}

} // namespace

bool IsFlagSet(const QString &flag)
{
    return flag.size() == 3 && flag.toLower() == QLatin1String("yes");
}

// ---------------------------------------------------------------------------------------------
// TCopyProject

TCopyProject::TCopyProject() = default;

TCopyProject::TCopyProject(const TCopyProject *Project)
{
    if (Project)
        Assign(*Project);
}

TCopyProject::TCopyProject(const TCopyProject &other)
{
    Assign(other);
}

TCopyProject &TCopyProject::operator=(const TCopyProject &other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

void TCopyProject::Clear()
{
    FProjectName.clear();
    FGroupName.clear();
    FSourceFolder.clear();
    ClearSourceRows();
    FExcludeFiles.clear();
    FCopyIfExists = false;
    FCopyIfExistsPath.clear();
    FOutputFolder.clear();
    FOverwrite = ofNone;
    FFTPConnName.clear();
    FChecked = false;
    FVisible = true;
}

void TCopyProject::Assign(const TCopyProject &Project)
{
    if (this == &Project)
        return;
    FProjectName = Project.FProjectName;
    FGroupName = Project.FGroupName;
    FSourceFolder = Project.FSourceFolder;
    FSourceFiles = Project.FSourceFiles;
    FSourceSubFolders = Project.FSourceSubFolders;
    FSourceJunkPath = Project.FSourceJunkPath;
    FExcludeFiles = Project.FExcludeFiles;
    FCopyIfExists = Project.FCopyIfExists;
    FCopyIfExistsPath = Project.FCopyIfExistsPath;
    FOutputFolder = Project.FOutputFolder;
    FOverwrite = Project.FOverwrite;
    FFTPConnName = Project.FFTPConnName;
    FChecked = Project.FChecked;
    FVisible = Project.FVisible;
}

void TCopyProject::AddSourceRow(const QString &pattern, bool subFolders, bool junkPath)
{
    FSourceFiles.append(pattern);
    FSourceSubFolders.append(subFolders ? FlagYes : FlagNo);
    FSourceJunkPath.append(junkPath ? FlagYes : FlagNo);
}

void TCopyProject::ClearSourceRows()
{
    FSourceFiles.clear();
    FSourceSubFolders.clear();
    FSourceJunkPath.clear();
}

// ---------------------------------------------------------------------------------------------
// TCopyProjectList

TCopyProjectList::~TCopyProjectList()
{
    // The visible sequence only borrows; drop it before the owners go.
    FVisibleList.clear();
    FList.clear();
}

int TCopyProjectList::CheckedCount() const
{
    return static_cast<int>(
        std::count_if(FList.begin(), FList.end(), [](const auto &p) { return p->Checked(); }));
}

int TCopyProjectList::CheckedVisibleCount() const
{
    return static_cast<int>(std::count_if(FVisibleList.begin(), FVisibleList.end(),
                                          [](const TCopyProject *p) { return p->Checked(); }));
}

TCopyProject *TCopyProjectList::GetProject(int I) const
{
    if (I < 0 || I >= Count())
        RaiseIndexError(I);
    return FList[static_cast<size_t>(I)].get();
}

TCopyProject *TCopyProjectList::GetVisibleProject(int I) const
{
    if (I < 0 || I >= VisibleCount())
        RaiseIndexError(I);
    return FVisibleList[static_cast<size_t>(I)];
}

int TCopyProjectList::IndexOf(const TCopyProject *Project) const
{
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].get() == Project)
            return static_cast<int>(i);
    return -1;
}

int TCopyProjectList::VisibleIndexOf(const TCopyProject *Project) const
{
    auto it = std::find(FVisibleList.begin(), FVisibleList.end(), Project);
    return it == FVisibleList.end() ? -1 : static_cast<int>(it - FVisibleList.begin());
}

int TCopyProjectList::AddProject(std::unique_ptr<TCopyProject> Project)
{
    if (!Project)
        return -1;
    TCopyProject *p = Project.get();
    FList.push_back(std::move(Project));
    if (p->Visible())
        FVisibleList.push_back(p);
    return Count() - 1;
}

TCopyProject *TCopyProjectList::FindProject(const QString &ProjectName) const
{
    for (const auto &p : FList)
        if (p->ProjectName() == ProjectName)
            return p.get();
    return nullptr;
}

void TCopyProjectList::RemoveProject(TCopyProject *Project)
{
    int index = IndexOf(Project);
    if (index < 0)
        return;
    int visibleIndex = VisibleIndexOf(Project);
    if (visibleIndex >= 0)
        FVisibleList.erase(FVisibleList.begin() + visibleIndex);
    FList.erase(FList.begin() + index);
}

bool TCopyProjectList::ReplaceProject(TCopyProject *Project,
                                      std::unique_ptr<TCopyProject> &NewProject)
{
    int index = IndexOf(Project);
    if (index < 0 || !NewProject)
        return false;

    int visiblePos = VisibleCount();
    int visibleIndex = VisibleIndexOf(Project);
    if (visibleIndex >= 0) {
        visiblePos = visibleIndex;
        FVisibleList.erase(FVisibleList.begin() + visibleIndex);
    }

    TCopyProject *p = NewProject.get();
    FList[static_cast<size_t>(index)] = std::move(NewProject); // destroys Project
    if (p->Visible())
        FVisibleList.insert(FVisibleList.begin() + visiblePos, p);
    return true;
}

void TCopyProjectList::MoveProject(TCopyProject *Project, TCopyProject *ToProject)
{
    int from = IndexOf(Project);
    int to = IndexOf(ToProject);
    if (from < 0 || to < 0 || from == to)
        return;
    MoveElement(FList, from, to);

    if (!Project->Visible())
        return;
    int visibleFrom = VisibleIndexOf(Project);
    int visibleTo = VisibleIndexOf(ToProject);
    if (visibleFrom >= 0 && visibleTo >= 0 && visibleFrom != visibleTo)
        MoveElement(FVisibleList, visibleFrom, visibleTo);
}

void TCopyProjectList::CheckAll()
{
    for (TCopyProject *p : FVisibleList)
        p->SetChecked(true);
}

void TCopyProjectList::UnCheckAll()
{
    for (auto &p : FList)
        p->SetChecked(false);
}

void TCopyProjectList::SetProjectVisibility(TCopyProject *Project, bool Visible)
{
    if (!Project || Project->Visible() == Visible)
        return;
    Project->SetVisible(Visible);
    if (Visible) {
        // The visible sequence holds listed projects only.
        if (IndexOf(Project) >= 0)
            FVisibleList.push_back(Project);
    } else {
        int visibleIndex = VisibleIndexOf(Project);
        if (visibleIndex >= 0)
            FVisibleList.erase(FVisibleList.begin() + visibleIndex);
        Project->SetChecked(false);
    }
}

void TCopyProjectList::FillListOfGroups(QStringList &lst, Qt::CaseSensitivity cs) const
{
    for (const auto &p : FList) {
        const QString &group = p->GroupName();
        if (!group.isEmpty() && !lst.contains(group, cs))
            lst.append(group);
    }
}

void TCopyProjectList::FillListOfGroups(TStringList &lst) const
{
    for (const auto &p : FList) {
        const QString &group = p->GroupName();
        if (!group.isEmpty() && lst.IndexOf(group) < 0)
            lst.Add(group);
    }
}
