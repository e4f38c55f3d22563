#include "engine/RunLoops.h"

#include "engine/RunProject.h"
#include "runlog/RunLog.h"

#include <QStringList>

#include <exception>

namespace {

const QChar Q = QLatin1Char('"');
const QString kPreviewLine = QStringLiteral("Preview: nothing is written.");

const TCopyProject *findProject(const std::vector<TCopyProject> &projects, const QString &name)
{
    for (const TCopyProject &project : projects) {
        if (project.ProjectName() == name)
            return &project;
    }
    return nullptr;
}

// After a project: a stop asked for ends the run there with "Stopped.".
bool stopped(TRunLog &Thread)
{
    if (!Thread.StopRequested())
        return false;
    Thread.Log(QStringLiteral("Stopped."));
    return true;
}

void runEvent(TRunLog &Thread, TRunEventKind Kind, const TRunTotals &Counts = {},
              bool Result = true)
{
    TRunEvent event;
    event.Kind = Kind;
    event.Totals = Counts;
    event.Result = Result;
    Thread.Event(event);
}

void runStarted(TRunLog &Thread, int Projects)
{
    TRunEvent event;
    event.Kind = TRunEventKind::RunStarted;
    event.Projects = Projects;
    Thread.Event(event);
}

// The names of a run by names: separated by ",", not trimmed; a trailing "," adds no name.
QStringList projectNames(const QString &ProjectName)
{
    QStringList names = ProjectName.split(QLatin1Char(','));
    if (names.last().isEmpty())
        names.removeLast();
    return names;
}

} // namespace

void CopyFiles(const std::vector<TCopyProject> &VisibleProjects, const QString &OutDir,
               TFTPConnList &Connections, TRunLog &Thread, TRunTotals *Totals, bool Preview)
{
    int checked = 0;
    for (const TCopyProject &project : VisibleProjects) {
        if (project.Checked())
            ++checked;
    }
    runStarted(Thread, checked);
    if (Preview)
        Thread.Log(kPreviewLine);
    TRunTotals counts;
    bool result = true;
    bool wasStopped = false;
    try {
        for (const TCopyProject &project : VisibleProjects) {
            if (!project.Checked())
                continue;
            Thread.Log(QStringLiteral("Project ") + Q + project.ProjectName() + Q
                       + QStringLiteral("..."));
            if (!RunProject(project, OutDir, Connections, Thread, &counts, Preview))
                result = false;
            if (stopped(Thread)) {
                wasStopped = true;
                break;
            }
        }
    } catch (const std::exception &error) {
        Thread.LogException(error);
        result = false;
    }
    if (wasStopped)
        result = false;
    else
        Thread.Log(QStringLiteral("Completed."));
    if (Totals)
        *Totals += counts;
    runEvent(Thread, TRunEventKind::RunEnded, counts, result);
}

bool StartProject(const QString &ProjectName, const std::vector<TCopyProject> &Projects,
                  const QString &OutDir, TFTPConnList &Connections, TRunLog &Thread,
                  TRunTotals *Totals, bool Preview)
{
    const QStringList names = projectNames(ProjectName);
    runStarted(Thread, int(names.size()));
    if (Preview)
        Thread.Log(kPreviewLine);
    TRunTotals counts;
    bool result = true;
    bool wasStopped = false;
    for (const QString &name : names) {
        const TCopyProject *project = findProject(Projects, name);
        if (!project) {
            Thread.LogError(QStringLiteral("Project ") + Q + name + Q
                            + QStringLiteral(" not found."));
            result = false;
            continue;
        }
        Thread.Log(QStringLiteral("Project ") + Q + project->ProjectName() + Q
                   + QStringLiteral("..."));
        try {
            if (!RunProject(*project, OutDir, Connections, Thread, &counts, Preview))
                result = false;
        } catch (const std::exception &error) {
            Thread.LogException(error);
            result = false;
        }
        if (stopped(Thread)) {
            wasStopped = true;
            break;
        }
    }
    if (wasStopped)
        result = false;
    else
        Thread.Log(QStringLiteral("Completed."));
    if (Totals)
        *Totals += counts;
    runEvent(Thread, TRunEventKind::RunEnded, counts, result);
    return result;
}
