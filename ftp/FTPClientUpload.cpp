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

#include <optional>

namespace {

// Longest name, in bytes, that the usual server file systems accept.
constexpr qsizetype kMaxNameBytes = 255;

// A refused rename. AtTarget: the server took the temporary's name (RNFR) and refused the
// target's (RNTO), as a server does that will not rename over an existing file.
class ERenameRefused : public EIdReplyRFCError
{
public:
    ERenameRefused(const TIdFTPReply &reply, bool atTarget)
        : EIdReplyRFCError(reply.Code, reply.FormattedText()), FAtTarget(atTarget)
    {}
    bool AtTarget() const noexcept { return FAtTarget; }

private:
    bool FAtTarget;
};

// The error of a failed upload with the line that says its temporary could not be removed
// after it, in that order.
Exception WithRemovalFailure(const Exception &cause, const QString &removalLine)
{
    return Exception(cause.Message() + QStringLiteral("\r\n") + removalLine, cause.ClassName());
}

} // namespace

TRenameFallback RenameFallback(bool atTarget, int code, bool replacing)
{
    // 500, 502, 504: the server has no such command at all.
    if (code == 500 || code == 502 || code == 504)
        return TRenameFallback::NoRenames;
    // A permanent refusal of the target's name only where a file has it: the server renames,
    // but not over an existing file.
    if (atTarget && replacing && code >= 500)
        return TRenameFallback::RenameAside;
    // A refusal of this one name, or a passing one (4xx): this file fails, the next ones are
    // renamed as before.
    return TRenameFallback::FailFile;
}

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
        // The target may or may not have changed: the folder is listed again when next needed.
        ForgetHeld(FCurrentPath);
        throw;
    }
    if (TDirListing *listing = HeldCurrentListing(); listing && !listing->Stale)
        NoteInListing(*listing, name, info.size(), fileTime);
}

void TFTPClient::Upload(QFile &file, const QString &dir, const QString &name, bool replacing,
                        TDateTime fileTime)
{
    const QString temporary = TemporaryUploadName(name);
    const TUploadMode mode = FUploadMode->load();
    if (mode == TUploadMode::InPlace || temporary.toUtf8().size() > kMaxNameBytes) {
        FIdFTP->Put(file, name);
    } else {
        bool complete = false;
        try {
            complete = FIdFTP->Put(file, temporary, [this] { return FLog.StopRequested(); });
        } catch (const ERunStopped &) {
            // A stop is no failure of the file: a temporary that stays is said on the side.
            if (FIdFTP->StoreOpened()) {
                if (const QString removal = RemoveTemporary(dir, temporary); !removal.isEmpty())
                    FLog.LogError(removal);
            }
            throw;
        } catch (const Exception &error) {
            // Only a transfer the server opened may have left a temporary behind.
            if (FIdFTP->StoreOpened()) {
                const QString removal = RemoveTemporary(dir, temporary);
                if (!removal.isEmpty())
                    throw WithRemovalFailure(error, removal);
            }
            throw;
        }
        if (!complete) {
            const QString removal = RemoveTemporary(dir, temporary);
            if (!removal.isEmpty())
                FLog.LogError(removal);
            throw ECopyStopped(file.fileName());
        }
        std::optional<TIdFTPReply> timeReply;
        if (MoveIntoPlace(file, dir, temporary, name, replacing, fileTime, mode, timeReply)) {
            // In place, with the time refused: the upload fails although its data arrived, as
            // when the time is set after the rename.
            const int code = timeReply->Code;
            if (code != 200 && code != 213 && code != 253)
                throw EIdReplyRFCError(code, timeReply->FormattedText());
            return;
        }
    }
    if (fileTime != 0)
        FIdFTP->SetModTime(name, fileTime);
}

bool TFTPClient::RenameSettingTime(const QString &temporary, const QString &name,
                                   TDateTime fileTime, std::optional<TIdFTPReply> &timeReply)
{
    const QString timeCommand = fileTime != 0 ? FIdFTP->ModTimeCommand(temporary, fileTime)
                                              : QString();
    // The time goes onto the temporary, which keeps it when renamed, and the commands go out
    // together: whatever one answers, the others are sent.
    QStringList commands;
    if (!timeCommand.isEmpty())
        commands << timeCommand;
    commands << QStringLiteral("RNFR ") + temporary << QStringLiteral("RNTO ") + name;
    const QList<TIdFTPReply> replies = FIdFTP->SendPipelined(commands);
    const TIdFTPReply &rnfr = replies[replies.size() - 2];
    const TIdFTPReply &rnto = replies.last();
    if (rnfr.Code != 350)
        throw ERenameRefused(rnfr, false);
    if (rnto.Code != 200 && rnto.Code != 250)
        throw ERenameRefused(rnto, true);
    if (timeCommand.isEmpty())
        return false;
    timeReply = replies[0];
    return true;
}

bool TFTPClient::MoveIntoPlace(QIODevice &file, const QString &dir, const QString &temporary,
                               const QString &name, bool replacing, TDateTime fileTime,
                               TUploadMode mode, std::optional<TIdFTPReply> &timeReply)
{
    if (mode == TUploadMode::RenameAside && replacing) {
        RenameAside(dir, temporary, name);
        return false;
    }
    TRenameFallback fallback = TRenameFallback::FailFile;
    try {
        return RenameSettingTime(temporary, name, fileTime, timeReply);
    } catch (const ERenameRefused &error) {
        if (!FIdFTP->Connected())
            throw;
        fallback = RenameFallback(error.AtTarget(), error.ErrorCode(), replacing);
        if (fallback == TRenameFallback::FailFile)
            FailUpload(error, dir, temporary);
    }
    if (fallback == TRenameFallback::RenameAside) {
        RenameAside(dir, temporary, name);
        // Another session of the run may have learnt it first, and said so.
        TUploadMode renameOver = TUploadMode::RenameOver;
        if (FUploadMode->compare_exchange_strong(renameOver, TUploadMode::RenameAside))
            FLog.Log(QStringLiteral(
                "The server does not rename over existing files: each one is renamed aside, "
                "replaced by its upload, and then deleted."));
        // The temporary may have its time already; setting it again costs one command.
        return false;
    }
    // The server renames nothing: this file and every later one go straight to their names.
    if (const QString removal = RemoveTemporary(dir, temporary); !removal.isEmpty())
        FLog.LogError(removal);
    if (FUploadMode->exchange(TUploadMode::InPlace) != TUploadMode::InPlace)
        FLog.Log(QStringLiteral("The server does not rename files: uploads go straight to "
                                "their target names, and a broken upload can leave a partial "
                                "file."));
    FIdFTP->Put(file, name);
    return false;
}

void TFTPClient::RenameAside(const QString &dir, const QString &temporary, const QString &name)
{
    // The old file is never deleted before the new one is in its place: it steps aside under
    // a name of its own, and comes back if the new one cannot take its place.
    const QString aside = AsideName(name);
    if (FindDirItem(aside)) {
        // A run broken off between the two renames left it; the new file replaces both.
        try {
            FIdFTP->Delete(aside);
        } catch (const EIdReplyRFCError &) {
            // The rename aside says what is wrong, if anything.
        }
    }
    try {
        FIdFTP->Rename(name, aside);
    } catch (const EIdReplyRFCError &error) {
        FailUpload(error, dir, temporary);
    }
    try {
        FIdFTP->Rename(temporary, name);
    } catch (const EIdReplyRFCError &error) {
        QString restore;
        try {
            FIdFTP->Rename(aside, name);
        } catch (const Exception &restoreError) {
            restore = QStringLiteral("The old file stays as ") + dir + aside + QStringLiteral(" (")
                      + restoreError.Message() + QLatin1Char(')');
        }
        if (!restore.isEmpty())
            throw WithRemovalFailure(error, restore);
        FailUpload(error, dir, temporary);
    }
    try {
        FIdFTP->Delete(aside);
    } catch (const Exception &error) {
        FLog.LogError(QStringLiteral("Unable to remove temporary file ") + dir + aside
                      + QStringLiteral(" (") + error.Message() + QLatin1Char(')'));
    }
}

QString TFTPClient::AsideName(const QString &name)
{
    return QLatin1Char('.') + name + QStringLiteral(".rvold");
}

void TFTPClient::FailUpload(const EIdReplyRFCError &error, const QString &dir,
                            const QString &temporary)
{
    const QString removal = RemoveTemporary(dir, temporary);
    if (!removal.isEmpty())
        throw WithRemovalFailure(error, removal);
    throw EIdReplyRFCError(error.ErrorCode(), error.Message());
}

QString TFTPClient::RemoveTemporary(const QString &dir, const QString &temporary)
{
    if (!FIdFTP->Connected())
        return {}; // the next upload of this file overwrites it
    try {
        FIdFTP->Delete(temporary);
    } catch (const ERunStopped &) {
        // The server did not answer in time after a stop; the next upload of this file
        // overwrites it.
    } catch (const EIdReplyRFCError &error) {
        if (error.ErrorCode() == 550)
            return {}; // nothing there
        return RemovalLine(dir, temporary, error);
    } catch (const Exception &error) {
        return RemovalLine(dir, temporary, error);
    }
    return {};
}

QString TFTPClient::RemovalLine(const QString &dir, const QString &temporary,
                                const Exception &error)
{
    return QStringLiteral("Unable to remove temporary file ") + dir + temporary
           + QStringLiteral(" (") + error.Message() + QLatin1Char(')');
}
