#include "engine/RunSnapshot.h"

std::vector<TCopyProject> SnapshotAllProjects(const TCopyProjectList &list)
{
    std::vector<TCopyProject> projects;
    projects.reserve(size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i)
        projects.push_back(*list.GetProject(i));
    return projects;
}

std::vector<TCopyProject> SnapshotVisibleProjects(const TCopyProjectList &list)
{
    std::vector<TCopyProject> projects;
    projects.reserve(size_t(list.VisibleCount()));
    for (int i = 0; i < list.VisibleCount(); ++i)
        projects.push_back(*list.GetVisibleProject(i));
    return projects;
}
