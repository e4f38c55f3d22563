// Uploads that replace a remote file whole: the bytes go to a temporary name in the target's
// folder, which is renamed over the target only once the transfer is complete. A connection
// lost on the way leaves the old file as it was, so the next "older only" run still sees it
// older and uploads again.
#include "ftp/FTPClient.h"
#include "ftp/FTPErrors.h"
#include "runlog/RunLog.h"
#include "settings/Exception.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Longest name, in bytes, that the usual server file systems accept.
constexpr qsizetype kMaxNameBytes = 255;

// Replies that say the server has no such command at all.
bool NotImplemented(int code)
{
    return code == 500 || code == 502 || code == 504;
}

} // namespace

QString TFTPClient::TemporaryUploadName(const QString &name)
{
    // Always the same for a target, so an upload broken off with no chance to clean up is
    // overwritten by the next upload of that file rather than piling up.
    return QLatin1Char('.') + name + QStringLiteral(".rvpart");
}

void TFTPClient::CopyFile(const QString &ExistingFileName, const QString &NewFileName,
                          bool FailIfExists)
{
    const QFileInfo info(ExistingFileName);
    if (!info.exists())
        throw Exception(QStringLiteral("File does not exist: ") + ExistingFileName);
    const QDateTime modified = info.lastModified();
    const TDateTime fileTime = modified.isValid() ? DateTimeFromQDateTime(modified.toUTC()) : 0.0;

    QFile file(ExistingFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Cannot open file \"%1\". %2").arg(ExistingFileName, file.errorString()),
            "EFOpenError");

    CheckRemotePath(NewFileName);
    const auto [dir, name] = SplitPath(NewFileName);
    if (name.isEmpty())
        throw Exception(QStringLiteral("File name is empty"));
    if (!IsCurrentDir(dir))
        ChangeDir(dir);
    const bool replacing = FindDirItem(name) != nullptr;
    if (replacing && FailIfExists)
        throw Exception(QStringLiteral("File already exists: ") + NewFileName);

    EnterCurrentDir();
    try {
        Upload(file, dir, name, replacing, fileTime);
    } catch (const ECopyStopped &) {
        throw; // the target is as it was
    } catch (...) {
        // The target may or may not have changed: the folder is listed again when next entered.
        CurrentListing().Stale = true;
        throw;
    }
    NoteInListing(CurrentListing(), name, info.size(), fileTime);
}

void TFTPClient::Upload(QFile &file, const QString &dir, const QString &name, bool replacing,
                        TDateTime fileTime)
{
    const QString temporary = TemporaryUploadName(name);
    if (FUploadMode == TUploadMode::InPlace || temporary.toUtf8().size() > kMaxNameBytes) {
        FIdFTP->Put(file, name);
    } else {
        bool complete = false;
        try {
            complete = FIdFTP->Put(file, temporary, [this] { return FLog.StopRequested(); });
        } catch (const Exception &) {
            RemoveTemporary(dir, temporary);
            throw;
        }
        if (!complete) {
            RemoveTemporary(dir, temporary);
            throw ECopyStopped(file.fileName());
        }
        MoveIntoPlace(file, dir, temporary, name, replacing);
    }
    if (fileTime != 0)
        FIdFTP->SetModTime(name, fileTime);
}

void TFTPClient::MoveIntoPlace(QIODevice &file, const QString &dir, const QString &temporary,
                               const QString &name, bool replacing)
{
    if (FUploadMode == TUploadMode::DeleteThenRename && replacing)
        FIdFTP->Delete(name);
    try {
        FIdFTP->Rename(temporary, name);
        return;
    } catch (const EIdReplyRFCError &error) {
        if (!FIdFTP->Connected())
            throw;
        const bool noRenames = NotImplemented(error.ErrorCode());
        if (!noRenames && FUploadMode != TUploadMode::RenameOver) {
            // Renames worked on this server before: this file has a problem of its own. Where
            // the target is already gone the upload is kept under its temporary name.
            if (!replacing)
                RemoveTemporary(dir, temporary);
            throw;
        }
        if (!noRenames && replacing) {
            // Some servers refuse to rename over an existing file: delete it, then rename.
            try {
                FIdFTP->Delete(name);
            } catch (const Exception &) {
                RemoveTemporary(dir, temporary);
                throw;
            }
            FIdFTP->Rename(temporary, name);
            FUploadMode = TUploadMode::DeleteThenRename;
            FLog.Log(QStringLiteral(
                "The server does not rename over existing files: each one is deleted before "
                "its upload is renamed into place."));
            return;
        }
    }
    // The server renames nothing: this file and every later one go straight to their names.
    RemoveTemporary(dir, temporary);
    FUploadMode = TUploadMode::InPlace;
    FLog.Log(QStringLiteral("The server does not rename files: uploads go straight to their "
                            "target names, and a broken upload can leave a partial file."));
    FIdFTP->Put(file, name);
}

void TFTPClient::RemoveTemporary(const QString &dir, const QString &temporary)
{
    if (!FIdFTP->Connected())
        return; // the next upload of this file overwrites it
    try {
        FIdFTP->Delete(temporary);
    } catch (const Exception &error) {
        FLog.LogError(QStringLiteral("Unable to remove temporary file ") + dir + temporary
                      + QStringLiteral(" (") + error.Message() + QLatin1Char(')'));
    }
}
