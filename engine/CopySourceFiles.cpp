#include "engine/CopySourceFiles.h"

#include "engine/DateTags.h"
#include "engine/ExcludeMasks.h"
#include "engine/FileSearch.h"
#include "engine/LocalFiles.h"
#include "engine/LogText.h"
#include "engine/OutputSide.h"
#include "engine/PathText.h"
#include "runlog/RunLog.h"
#include "settings/AsciiText.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace {

// The run log as the walk writes to it: every line with its names shown by ShownInLog, so that a
// name cannot break a line in two or pass for a line of its own. Error lines of exceptions go to
// the run log unchanged (see Walk::ErrorLog).
class TShownLog : public TRunLog
{
public:
    explicit TShownLog(TRunLog &log) : FLog(log) {}
    void Log(const QString &msg) override { FLog.Log(ShownInLog(msg)); }
    void LogError(const QString &line) override { FLog.LogError(ShownInLog(line)); }
    void Event(const TRunEvent &event) override { FLog.Event(event); }
    bool StopRequested() const override { return FLog.StopRequested(); }
    int StopDescriptor() const override { return FLog.StopDescriptor(); }
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override
    {
        return FLog.AskPassword(host, user, rememberPassword, password);
    }

private:
    TRunLog &FLog;
};

struct FolderId
{
    std::uint64_t Device;
    std::uint64_t Inode;
    auto operator<=>(const FolderId &other) const = default;
};

// Everything a call passes on unchanged to the calls it makes, plus the folders of the
// current descent (so that a link back to one of them is not followed round in circles).
struct Walk
{
    const QString &ProjectName;
    const QString &OutDir;
    const QString &BaseFolder;
    // BaseFolder with its separator: what a found path must begin with to be taken relative.
    QString BasePrefix;
    bool SubFolders;
    bool JunkPath;
    const TExcludeList *Excludes;
    bool CopyIfExists;
    QString CopyIfExistsPath;
    TOverwriteFile Overwrite;
    TOutputSide &Output;
    int &Copied;
    int &Skipped;
    int &Existed;
    int &Failed;
    // Lines of the walk (names escaped, see TShownLog).
    TRunLog &Thread;
    std::vector<FolderId> Descent;

    // The local output folder, kept out of the walk (see isOutputFolder). Guarded only for local
    // output with a folder; its identity is known once it exists (the first copy may make it).
    bool GuardOutput;
    std::optional<FolderId> OutputId;
    // The walk starts inside the output folder (the output folder "/", or a source folder below
    // it): then only the output folder itself is kept out.
    bool StartInsideOutput = false;
    // Folders already traced up to the output folder or the root: whether they lie inside it.
    std::map<FolderId, bool> InsideOutput;
    // Lines of exceptions, which may span several lines of their own: the run log as it is.
    TRunLog *ErrorLog = nullptr;
    // Folders and entries already reported as unreadable: a folder listed twice (for its files
    // and for its folders, or by both walks of a pattern) is reported and counted once.
    std::set<QString> ReportedFaults{};
};

void scan(Walk &walk, const QString &Mask);

// Tells one file's decision as an event; Path is the source file's path.
void fileEvent(Walk &walk, TRunEventKind kind, const QString &path, qint64 bytes = 0,
               const QString &message = QString())
{
    TRunEvent event;
    event.Kind = kind;
    event.Project = walk.ProjectName;
    event.Path = path;
    event.Bytes = bytes;
    event.Message = message;
    walk.Thread.Event(event);
}

// Whether the folder with the identity id is the output folder or lies below it. Its parents are
// followed through ".." by identity, so links, "..", letter case and the spelling of the paths
// cannot hide the output folder; each folder is traced once per walk.
bool insideOutput(Walk &walk, const QString &folder, FolderId id)
{
    std::vector<FolderId> traced;
    QString path = folder.isEmpty() ? QStringLiteral(".") : folder;
    bool inside = false;
    for (;;) {
        if (id == *walk.OutputId) {
            inside = true;
            break;
        }
        const auto known = walk.InsideOutput.find(id);
        if (known != walk.InsideOutput.end()) {
            inside = known->second;
            break;
        }
        traced.push_back(id);
        path = WithTrailingDelim(path) + QStringLiteral("..");
        FolderId parent{};
        // The root is its own parent.
        if (!FolderIdentity(path, parent.Device, parent.Inode) || parent == id)
            break;
        id = parent;
    }
    for (const FolderId &seen : traced)
        walk.InsideOutput[seen] = inside;
    return inside;
}

// Whether a folder of the walk is the local output folder or lies inside it: such a folder is
// not walked, or the copies made into it would be found and copied again, one level deeper on
// every pass.
bool isOutputFolder(Walk &walk, const QString &folder)
{
    if (!walk.GuardOutput)
        return false;
    if (!walk.OutputId) {
        FolderId output{};
        if (!FolderIdentity(walk.OutDir, output.Device, output.Inode))
            return false; // not made yet: nothing lies inside it
        walk.OutputId = output;
        const QString start = WalkStartFolder(walk.BaseFolder);
        FolderId startId{};
        walk.StartInsideOutput = FolderIdentity(start, startId.Device, startId.Inode)
                                 && insideOutput(walk, start, startId);
    }
    FolderId id{};
    if (!FolderIdentity(folder, id.Device, id.Inode))
        return false;
    if (id == *walk.OutputId)
        return true;
    return !walk.StartInsideOutput && insideOutput(walk, folder, id);
}

// Logs and returns true when the folder is kept out of the walk as the output folder.
bool passOverOutputFolder(Walk &walk, const QString &folder)
{
    if (!isOutputFolder(walk, folder))
        return false;
    QString shown = folder;
    if (shown.size() > 1 && shown.endsWith(kPathDelim))
        shown.chop(1);
    walk.Thread.Log(QStringLiteral("Skipped output folder: ") + shown);
    return true;
}

// {OutFileName} and {OutFileExt} split the output file's name at its last ".": the extension
// keeps its dot, so "{OutFileDir}/{OutFileName}{OutFileExt}" is the output path again, and a
// name without a dot has an empty extension.
void splitName(const QString &name, QString &base, QString &ext)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    base = dot < 0 ? name : name.left(dot);
    ext = dot < 0 ? QString() : name.mid(dot);
}

QString copyIfExistsTarget(const Walk &walk, const QString &Dest, const QString &DestDir)
{
    QString base;
    QString ext;
    splitName(NamePart(Dest), base, ext);
    QString path = walk.CopyIfExistsPath;
    ReplaceTag(path, QStringLiteral("{OutDir}"), walk.OutDir);
    ReplaceTag(path, QStringLiteral("{OutFilePath}"), Dest);
    ReplaceTag(path, QStringLiteral("{OutFileDir}"), DestDir);
    ReplaceTag(path, QStringLiteral("{OutFileName}"), base);
    ReplaceTag(path, QStringLiteral("{OutFileExt}"), ext);
    ReplaceTag(path, QStringLiteral("{ProjectName}"), walk.ProjectName);
    ReplaceDateTags(path);
    if (IsFullPath(path) || DestDir.isEmpty())
        return path;
    return WithTrailingDelim(DestDir) + path;
}

// Logs and counts what kept the file at path from being copied.
void reportFailure(Walk &walk, const QString &path, std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const ERunStopped &) {
        // Broken off by a stop (the copy, or a wait for the server while the file was looked
        // at): left as it was, neither copied nor failed, and no decision to tell.
        walk.Thread.Log(QStringLiteral("Stopped: ") + path + QStringLiteral(" was not copied."));
    } catch (const EOutputError &error) {
        // Already worded as the line that reports it.
        walk.Thread.LogError(error.Message());
        ++walk.Failed;
        fileEvent(walk, TRunEventKind::FileFailed, path, 0, ShownInLog(error.Message()));
    } catch (const std::exception &error) {
        walk.ErrorLog->LogException(error);
        ++walk.Failed;
        fileEvent(walk, TRunEventKind::FileFailed, path, 0, FormatExceptionLine(error, nullptr));
    }
}

// One file found in folder S: decide, log, copy, count. A failure of the output side raises and
// is logged and counted by the caller.
void handleFile(Walk &walk, const QString &S, const QString &name)
{
    const QString Src = S + name;
    QString Rel;
    if (walk.JunkPath)
        Rel = name;
    else if (StartsWithTextAscii(Src, walk.BasePrefix))
        Rel = Src.mid(walk.BasePrefix.size());
    else
        Rel = name;

    QString Dest;
    if (walk.OutDir.isEmpty())
        Dest = Rel;
    else if (walk.OutDir.endsWith(kPathDelim))
        Dest = walk.OutDir + Rel;
    else
        Dest = walk.OutDir + kPathDelim + Rel;
    const QString DestDir = FolderPart(Dest);

    if (walk.CopyIfExists
        && !walk.Output.FileFacts(copyIfExistsTarget(walk, Dest, DestDir), false).Exists) {
        walk.Thread.Log(QStringLiteral("Skipped: ") + Src);
        ++walk.Skipped;
        fileEvent(walk, TRunEventKind::FileSkipped, Src);
        return;
    }

    // Without an output folder the output paths are relative: they would land in the working
    // folder (or the FTP login folder). Every file then fails as the empty folder itself does.
    walk.Output.MakeFolder(walk.OutDir.isEmpty() ? QString() : DestDir);

    // Whether the copy replaces a file, asked of the output side in any case (for "always" only
    // to tell a replaced file from a new one).
    const bool olderOnly = walk.Overwrite == ofOlder;
    const TOutputFacts output = walk.Output.FileFacts(Dest, olderOnly);
    if (walk.Overwrite != ofAll && output.Exists
        && !(olderOnly && output.IsOlderThan(LocalFileAge(Src, true)))) {
        walk.Thread.Log(QStringLiteral("File already exists: ") + Dest);
        ++walk.Existed;
        fileEvent(walk, TRunEventKind::FileExisted, Src);
        return;
    }

    walk.Thread.Log(QStringLiteral("Copy: ") + walk.OutDir + QStringLiteral(" <= ") + Rel
                    + QStringLiteral(" (") + Src + QLatin1Char(')'));
    // The outcome may come later (uploads over several connections), but always before the
    // walk ends, and in the order of the copies.
    Walk *copying = &walk;
    const bool replacing = output.Exists;
    walk.Output.CopyFileThen(Src, Dest, [copying, Src, replacing](std::exception_ptr error) {
        if (error) {
            reportFailure(*copying, Src, error);
            return;
        }
        ++copying->Copied;
        fileEvent(*copying, replacing ? TRunEventKind::FileReplaced : TRunEventKind::FileCopied,
                  Src, LocalFileSize(Src));
    });
}

// FindEntries, with every folder that cannot be read and every entry whose name cannot be read
// logged and counted as failed (once per walk); entries whose names are excluded are passed
// over as they would have been.
std::vector<TSearchEntry> listEntries(Walk &walk, const QString &pattern, TSearchKind kind)
{
    std::vector<TSearchFault> faults;
    std::vector<TSearchEntry> entries = FindEntries(pattern, kind, &faults);
    for (const TSearchFault &fault : faults) {
        if (!fault.Name.isEmpty() && IsExcluded(fault.Name, walk.Excludes))
            continue;
        if (!walk.ReportedFaults.insert(fault.ShownPath).second)
            continue;
        const QString line = (fault.IsFolder ? QStringLiteral("Unable to read folder ")
                                             : QStringLiteral("Unable to read file "))
                             + fault.ShownPath + QStringLiteral(" (") + fault.Reason
                             + QLatin1Char(')');
        walk.Thread.LogError(line);
        ++walk.Failed;
        fileEvent(walk, TRunEventKind::FileFailed, fault.ShownPath, 0, ShownInLog(line));
    }
    return entries;
}

// Calls scan for every listed folder of parent that is not excluded, with the mask that
// makeMask builds from the folder's name. A folder already on the current descent (reached
// again through a link) is passed over with a log line.
template <typename MakeMask>
void descend(Walk &walk, const QString &parent, const std::vector<TSearchEntry> &folders,
             MakeMask makeMask)
{
    bool rootPushed = false;
    if (walk.Descent.empty()) {
        FolderId root{};
        if (FolderIdentity(parent, root.Device, root.Inode)) {
            walk.Descent.push_back(root);
            rootPushed = true;
        }
    }
    for (const TSearchEntry &folder : folders) {
        if (walk.Thread.StopRequested())
            break;
        if (IsExcluded(folder.Name, walk.Excludes))
            continue;
        const FolderId id{folder.Device, folder.Inode};
        if (std::find(walk.Descent.begin(), walk.Descent.end(), id) != walk.Descent.end()) {
            walk.Thread.Log(QStringLiteral("Skipped folder already being scanned: ") + parent
                            + folder.Name);
            continue;
        }
        walk.Descent.push_back(id);
        scan(walk, makeMask(folder.Name));
        walk.Descent.pop_back();
    }
    if (rootPushed)
        walk.Descent.pop_back();
}

void scan(Walk &walk, const QString &Mask)
{
    // Step 1: split the mask into the folder F and the name N.
    QString F;
    QString N;
    if (IsFullPath(Mask)) {
        F = FolderPart(Mask);
        N = NamePart(Mask);
    } else {
        F = walk.BaseFolder;
        const QStringList pieces = Mask.split(kPathDelim);
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            if (pieces[i].isEmpty())
                continue;
            if (F.isEmpty())
                F = pieces[i];
            else
                F = WithTrailingDelim(F) + pieces[i];
        }
        N = pieces.last();
    }
    if (N.isEmpty())
        return;
    if (!F.isEmpty())
        F = WithTrailingDelim(F);

    // Step 2: the first folder component holding "*" is walked, not searched.
    bool hasWildcardFolder = false;
    bool R = false;
    QString M;
    const qsizetype star = F.indexOf(QLatin1Char('*'));
    const qsizetype closing = star < 0 ? -1 : F.indexOf(kPathDelim, star);
    if (closing >= 0) {
        const qsizetype start = F.lastIndexOf(kPathDelim, star) + 1;
        const QString W = F.mid(start, closing - start);
        R = W.size() >= 2 && W.endsWith(QLatin1String("**"));
        M = R ? W.chopped(1) : W;
        N = F.mid(closing + 1) + N;
        F = F.left(start);
        hasWildcardFolder = true;
    }

    if (passOverOutputFolder(walk, F))
        return;

    // Step 3: the files of this folder ("**" also stands for no folder level at all).
    const QString pattern = F + N;
    QString S = FolderPart(pattern);
    if (!S.isEmpty())
        S = WithTrailingDelim(S);
    // S lies below F when the name part after "**" still holds folders.
    if ((!hasWildcardFolder || (R && M == QLatin1String("*")))
        && (S == F || !passOverOutputFolder(walk, S))) {
        walk.Thread.Log(QStringLiteral("Scanning: ") + pattern);
        const std::vector<TSearchEntry> files = listEntries(walk, pattern, TSearchKind::Files);
        if (!files.empty()) {
            for (const TSearchEntry &file : files) {
                if (walk.Thread.StopRequested())
                    return;
                if (IsExcluded(file.Name, walk.Excludes))
                    continue;
                try {
                    handleFile(walk, S, file.Name);
                } catch (...) {
                    reportFailure(walk, S + file.Name, std::current_exception());
                }
            }
            if (walk.SubFolders) {
                const QString lastPiece = NamePart(N);
                descend(walk, S, listEntries(walk, S + QLatin1Char('*'), TSearchKind::Folders),
                        [&](const QString &folder) { return S + folder + kPathDelim + lastPiece; });
            }
        }
    }

    // Step 4: walk the wildcard folder component.
    if (hasWildcardFolder) {
        const std::vector<TSearchEntry> folders = listEntries(walk, F + M, TSearchKind::Folders);
        descend(walk, F, folders, [&](const QString &folder) {
            return R ? F + folder + QStringLiteral("/**/") + N : F + folder + kPathDelim + N;
        });
    }
}

} // namespace

void CopySourceFiles(const QString &ProjectName, const QString &OutDir, const QString &Mask,
                     const QString &BaseFolder, bool SubFolders, bool JunkPath,
                     const TExcludeList *Excludes, bool CopyIfExists,
                     const QString &CopyIfExistsPath, TOverwriteFile Overwrite, TOutputSide &Output,
                     int &Copied, int &Skipped, int &Existed, int &Failed, TRunLog &Thread)
{
    const QString conditionPath = WithLocalSeparators(CopyIfExistsPath);
    TShownLog shownLog(Thread);
    Walk walk{ProjectName,
              OutDir,
              BaseFolder,
              WithTrailingDelim(BaseFolder),
              SubFolders,
              JunkPath,
              Excludes,
              CopyIfExists,
              conditionPath,
              Overwrite,
              Output,
              Copied,
              Skipped,
              Existed,
              Failed,
              shownLog,
              {},
              Output.IsLocal() && !OutDir.isEmpty(),
              std::nullopt,
              false,
              {}};
    walk.ErrorLog = &Thread;
    scan(walk, Mask);
    Output.Finish();
}

QString WalkStartFolder(const QString &BaseFolder)
{
    const qsizetype star = BaseFolder.indexOf(QLatin1Char('*'));
    if (star < 0)
        return BaseFolder;
    const qsizetype slash = BaseFolder.lastIndexOf(kPathDelim, star);
    if (slash < 0)
        return QString();
    return slash == 0 ? QString(kPathDelim) : BaseFolder.left(slash);
}
