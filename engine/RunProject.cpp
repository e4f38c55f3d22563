#include "engine/RunProject.h"

#include "engine/CopySourceFiles.h"
#include "engine/ExcludeMasks.h"
#include "engine/FTPOutput.h"
#include "engine/FTPSessionFactory.h"
#include "engine/FileSearch.h"
#include "engine/KeptSession.h"
#include "engine/LocalOutput.h"
#include "engine/LogText.h"
#include "engine/OrderedRunLog.h"
#include "engine/OutputFolder.h"
#include "engine/ParallelUploads.h"
#include "engine/PathText.h"
#include "engine/PreviewOutput.h"
#include "engine/SessionLog.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPSession.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

const QChar Q = QLatin1Char('"');

// The base folder of a relative pattern: the source folder without one trailing "/"; the root
// stays the root.
QString baseFolderOf(const QString &sourceFolder)
{
    QString folder = WithLocalSeparators(sourceFolder);
    if (folder.size() > 1 && folder.endsWith(kPathDelim))
        folder.chop(1);
    return folder;
}

// One non-empty row of the pattern table, as the walk is given it.
struct PatternRow
{
    QString Mask;
    QString BaseFolder;
    bool SubFolders;
    bool JunkPath;
};

// A relative pattern is taken from the source folder; a full-path pattern names its own base
// folder (its folder part) and keeps only its name part.
std::vector<PatternRow> patternRows(const TCopyProject &Project)
{
    std::vector<PatternRow> rows;
    const QStringList &patterns = Project.SourceFiles();
    const QStringList &subFolderFlags = Project.SourceSubFolders();
    const QStringList &junkPathFlags = Project.SourceJunkPath();
    const QString sourceBase = baseFolderOf(Project.SourceFolder());
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        if (patterns[i].isEmpty())
            continue;
        PatternRow row{WithLocalSeparators(patterns[i]), sourceBase,
                       i < subFolderFlags.size() && IsFlagSet(subFolderFlags[i]),
                       i < junkPathFlags.size() && IsFlagSet(junkPathFlags[i])};
        if (IsFullPath(row.Mask)) {
            row.BaseFolder = FolderPart(row.Mask);
            row.Mask = NamePart(row.Mask);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Logs every folder that a pattern's walk starts from and that is missing or not a folder, once
// each; true when there was one. A missing source folder (a disk not mounted, a folder moved)
// would otherwise end as a run that found nothing to copy.
bool logMissingSourceFolders(const std::vector<PatternRow> &rows, TRunLog &Thread)
{
    QStringList missing;
    for (const PatternRow &row : rows) {
        const QString folder = WalkStartFolder(row.BaseFolder);
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        // An empty folder would be the working folder, which no project names.
        if ((!folder.isEmpty() && FolderIdentity(folder, device, inode))
            || missing.contains(folder))
            continue;
        missing.append(folder);
        Thread.LogError(QStringLiteral("Source folder ") + Q + ShownInLog(folder) + Q
                        + QStringLiteral(" not found."));
    }
    return !missing.isEmpty();
}

void logSummary(TRunLog &Thread, const TRunTotals &Counts)
{
    Thread.Log(QStringLiteral("Copied: %1, skipped: %2, already existed: %3, failed: %4")
                   .arg(Counts.Copied)
                   .arg(Counts.Skipped)
                   .arg(Counts.Existed)
                   .arg(Counts.Failed));
}

// RunProject without its events: the counts of the summary line go to Counts.
bool runProject(const TCopyProject &Project, const QString &OutDir, TFTPConnList &Connections,
                TRunLog &Thread, TRunTotals &Counts, bool Preview)
{
    // The walk's lines wait behind uploads still under way, so that they come out in the
    // order of a run that waits for each (several connections at once; else straight through).
    TOrderedRunLog ordered(Thread);
    TSessionLog sessionLog(ordered);
    // The session as the run uses it: kept usable while the walk gives it nothing to do.
    std::unique_ptr<TKeptSession> session;
    int transfers = 1;
    const QString &connName = Project.FTPConnName();
    if (!connName.isEmpty()) {
        TFTPConnection *connection = Connections.FindConnection(connName);
        if (!connection) {
            Thread.LogError(QStringLiteral("FTP connection ") + Q + connName + Q
                            + QStringLiteral(" not found."));
            return false;
        }
        transfers = connection->SimultaneousTransfers();
        try {
            session = std::make_unique<TKeptSession>(CreateFTPSession(*connection, sessionLog));
            Thread.Log(QStringLiteral("Connecting to FTP ") + Q + connName + Q
                       + QStringLiteral("..."));
            session->Connect();
        } catch (const ERunStopped &) {
            // Stopped while the server was being reached: nothing was done, nothing failed.
            logSummary(Thread, Counts);
            return true;
        } catch (const std::exception &error) {
            Thread.LogException(error);
            return false;
        }
    }

    const std::vector<PatternRow> rows = patternRows(Project);
    if (logMissingSourceFolders(rows, Thread))
        return false;

    std::unique_ptr<TOutputSide> output;
    TParallelUploads *parallel = nullptr;
    if (session && transfers > 1 && !Preview) {
        auto uploads = std::make_unique<TParallelUploads>(*session, sessionLog, transfers, ordered);
        parallel = uploads.get();
        output = std::move(uploads);
    } else if (session)
        output = std::make_unique<TFTPOutput>(*session);
    else
        output = std::make_unique<TLocalOutput>([&Thread] { return Thread.StopRequested(); });
    if (Preview)
        output = std::make_unique<TPreviewOutput>(std::move(output));

    QString outputFolder = ExpandOutputFolder(Project, OutDir);
    if (session && !outputFolder.isEmpty() && !outputFolder.startsWith(kPathDelim))
        outputFolder.prepend(kPathDelim);
    // One trailing separator goes; the root itself stays the root.
    if (outputFolder.size() > 1 && outputFolder.endsWith(kPathDelim))
        outputFolder.chop(1);

    TExcludeList excludes;
    for (const QString &piece : Project.ExcludeFiles().split(QLatin1Char(';'))) {
        if (!piece.isEmpty())
            AddExcludeMask(piece, excludes);
    }

    int copied = 0;
    int skipped = 0;
    int existed = 0;
    int failed = 0;
    for (const PatternRow &row : rows) {
        if (Thread.StopRequested())
            break;
        CopySourceFiles(Project.ProjectName(), outputFolder, row.Mask, row.BaseFolder,
                        row.SubFolders, row.JunkPath, &excludes, Project.CopyIfExists(),
                        Project.CopyIfExistsPath(), Project.Overwrite(), *output, copied, skipped,
                        existed, failed, ordered);
    }

    Counts = TRunTotals{copied, skipped, existed, failed};
    logSummary(Thread, Counts);
    // A stopped run says goodbye to the server (QUIT, answered) rather than dropping the
    // connection in the middle of things; an ordinary end only closes it.
    if (session && Thread.StopRequested()) {
        if (parallel)
            parallel->Disconnect();
        session->Disconnect();
    }
    return true;
}

void projectEvent(TRunLog &Thread, TRunEventKind Kind, const QString &Name,
                  const TRunTotals &Counts = {}, bool Result = true)
{
    TRunEvent event;
    event.Kind = Kind;
    event.Project = Name;
    event.Totals = Counts;
    event.Result = Result;
    Thread.Event(event);
}

} // namespace

bool RunProject(const TCopyProject &Project, const QString &OutDir, TFTPConnList &Connections,
                TRunLog &Thread, TRunTotals *Totals, bool Preview)
{
    projectEvent(Thread, TRunEventKind::ProjectStarted, Project.ProjectName());
    TRunTotals counts;
    bool result = false;
    try {
        result = runProject(Project, OutDir, Connections, Thread, counts, Preview);
    } catch (...) {
        projectEvent(Thread, TRunEventKind::ProjectEnded, Project.ProjectName(), counts, false);
        throw;
    }
    if (result && Totals)
        *Totals += counts;
    projectEvent(Thread, TRunEventKind::ProjectEnded, Project.ProjectName(), counts, result);
    return result;
}
