#include "engine/RunProject.h"

#include "engine/CopySourceFiles.h"
#include "engine/ExcludeMasks.h"
#include "engine/FTPOutput.h"
#include "engine/FTPSessionFactory.h"
#include "engine/LocalOutput.h"
#include "engine/OutputFolder.h"
#include "engine/PathText.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPSession.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"

#include <memory>

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

} // namespace

bool RunProject(const TCopyProject &Project, const QString &OutDir, TFTPConnList &Connections,
                TRunLog &Thread)
{
    std::unique_ptr<TFTPSession> session;
    const QString &connName = Project.FTPConnName();
    if (!connName.isEmpty()) {
        TFTPConnection *connection = Connections.FindConnection(connName);
        if (!connection) {
            Thread.Log(QStringLiteral("FTP connection ") + Q + connName + Q
                       + QStringLiteral(" not found."));
            return false;
        }
        try {
            session = CreateFTPSession(*connection, Thread);
            Thread.Log(QStringLiteral("Connecting to FTP ") + Q + connName + Q
                       + QStringLiteral("..."));
            session->Connect();
        } catch (const std::exception &error) {
            Thread.LogException(error);
            return false;
        }
    }

    std::unique_ptr<TOutputSide> output;
    if (session)
        output = std::make_unique<TFTPOutput>(*session);
    else
        output = std::make_unique<TLocalOutput>();

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
    const QStringList &patterns = Project.SourceFiles();
    const QStringList &subFolderFlags = Project.SourceSubFolders();
    const QStringList &junkPathFlags = Project.SourceJunkPath();
    const QString sourceBase = baseFolderOf(Project.SourceFolder());
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        const bool subFolders = i < subFolderFlags.size() && IsFlagSet(subFolderFlags[i]);
        const bool junkPath = i < junkPathFlags.size() && IsFlagSet(junkPathFlags[i]);
        if (patterns[i].isEmpty())
            continue;
        QString pattern = WithLocalSeparators(patterns[i]);
        QString baseFolder = sourceBase;
        if (IsFullPath(pattern)) {
            baseFolder = FolderPart(pattern);
            pattern = NamePart(pattern);
        }
        CopySourceFiles(Project.ProjectName(), outputFolder, pattern, baseFolder, subFolders,
                        junkPath, &excludes, Project.CopyIfExists(), Project.CopyIfExistsPath(),
                        Project.Overwrite(), *output, copied, skipped, existed, failed, Thread);
    }

    Thread.Log(QStringLiteral("Copied: %1, skipped: %2, already existed: %3, failed: %4")
                   .arg(copied)
                   .arg(skipped)
                   .arg(existed)
                   .arg(failed));
    return true;
}
