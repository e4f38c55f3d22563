#pragma once

#include "projects/CopyProjectUnit.h"

#include <vector>

// Copies of the projects a run works on, taken on the thread that owns the list before the
// run starts.

// Every project, in list order (for runs by name).
std::vector<TCopyProject> SnapshotAllProjects(const TCopyProjectList &list);
// The visible projects, in display order (for "Copy Files").
std::vector<TCopyProject> SnapshotVisibleProjects(const TCopyProjectList &list);
