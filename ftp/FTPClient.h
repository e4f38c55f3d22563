#pragma once

#include "ftp/FTPSession.h"
#include "ftp/IdFTP.h"

#include <QFile>
#include <QHash>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

class EIdReplyRFCError;
class Exception;
class TFTPConnection;
class TRunLog;

// What an upload does when the server refuses to rename its temporary over the target.
enum class TRenameFallback {
    // The server has no renames (500, 502, 504): this upload and every later one go straight
    // to their target names, said once in the log.
    NoRenames,
    // RNTO refused after an accepted RNFR, where a file has the target's name: the server
    // renames, but not over a file. The old file is renamed aside first.
    RenameAside,
    // Any other refusal (one name refused, a passing 4xx): this file fails with the server's
    // text, its temporary removed; the run's uploads go on as before.
    FailFile,
};
// atTarget: RNTO was refused after RNFR was accepted; code: the refusal's reply code;
// replacing: a file of the target's name exists.
TRenameFallback RenameFallback(bool atTarget, int code, bool replacing);

// The upload session of one project in one run: a small file-system view of one FTP server.
// It keeps its own idea of the current remote directory (letters a-z upper-cased, ending in
// "/") and works from the listing of that directory, fetched on the first entry into it and
// kept for the connection, with what the session itself uploads and makes noted in it; names
// compare with a-z folded to A-Z only.
class TFTPClient : public TFTPSession
{
public:
    // Configures the protocol client from the connection; does not connect. The connection
    // must outlive the session: its LoggedIn, RememberPassword and Password are written during
    // login, and the password prompt goes through the run log.
    TFTPClient(TFTPConnection &FTPConn, TRunLog &log);
    // Closes the connection without QUIT.
    ~TFTPClient() override;

    void Connect() override;
    void Disconnect() override;
    bool FileExists(const QString &FileName) override;
    double FileAge(const QString &FileName) override;
    void ForceDirectories(const QString &Dir) override;
    // Uploads to a temporary name beside the target, then renames it over the target, so
    // that a broken upload leaves the target as it was (see TUploadMode for servers that
    // refuse that). A stop asked through the run log while the data goes to the temporary
    // name breaks the transfer off between blocks: the temporary is deleted and ECopyStopped
    // raised. An upload straight to the target name is never broken off by a stop, which
    // would leave a partial file there.
    void CopyFile(const QString &ExistingFileName, const QString &NewFileName,
                  bool FailIfExists) override;

    // See TIdFTPListItem::ModifiedPrecision; raises as FileAge does.
    int FileAgePrecision(const QString &FileName) override;

    // A session of its own connection record (a copy of this one's, the password this session
    // logged in with), with this session's time-out.
    std::unique_ptr<TFTPSession> NewTransferSession(TRunLog &log) override;
    bool Connected() const override { return FIdFTP->Connected(); }
    void NoteUploaded(const QString &FileName, qint64 Size, TDateTime UtcTime) override;
    void ForgetFolder(const QString &Dir) override;
    // In FTPClientKeepAlive.cpp.
    void KeepAlive() override;
    bool ConnectionDropped() override;
    void Reconnect() override;
    quint64 RepliesRead() const override;

    TIdFTP &IdFTP() { return *FIdFTP; }
    const QString &CurrentDir() const { return FCurrentDir; }

    // The directory and name parts of a remote path, split after its last "/".
    static std::pair<QString, QString> SplitPath(const QString &Path);

    // How uploads reach their target names on this session's server.
    enum class TUploadMode {
        // To a temporary name, then renamed over the target.
        RenameOver,
        // The server refuses to rename over an existing file: the target is renamed aside,
        // the temporary renamed into its place, and the old file then deleted.
        RenameAside,
        // The server refuses renames: straight to the target name.
        InPlace,
    };
    TUploadMode UploadMode() const { return FUploadMode->load(); }

    // The temporary name an upload of name goes to, in the same folder.
    static QString TemporaryUploadName(const QString &name);
    // The name an existing target steps aside to while its replacement is renamed into place
    // (TUploadMode::RenameAside).
    static QString AsideName(const QString &name);

private:
    // Raises EIdFTPCommandError for a path holding CR or LF.
    static void CheckRemotePath(const QString &path);
    // The upload of CopyFile, the server standing in the target's folder.
    void Upload(QFile &file, const QString &dir, const QString &name, bool replacing,
                TDateTime fileTime);
    // dir: the folder part of the target's path as given (for messages), ending in "/". True
    // when the time command went out on the way, its reply in timeReply (else the caller sets
    // the time).
    // mode: the upload mode as it was when the upload began.
    bool MoveIntoPlace(QIODevice &file, const QString &dir, const QString &temporary,
                       const QString &name, bool replacing, TDateTime fileTime, TUploadMode mode,
                       std::optional<TIdFTPReply> &timeReply);
    // Renames the temporary over name, giving it fileTime in the same round trip where one
    // command sets it: true when it did, its reply in timeReply.
    bool RenameSettingTime(const QString &temporary, const QString &name, TDateTime fileTime,
                           std::optional<TIdFTPReply> &timeReply);
    // Replaces name by the temporary through the aside name; raises, with the target as it
    // was and the temporary removed, when a rename is refused.
    void RenameAside(const QString &dir, const QString &temporary, const QString &name);
    // Removes the temporary and raises error (with the removal's failure after it).
    [[noreturn]] void FailUpload(const EIdReplyRFCError &error, const QString &dir,
                                 const QString &temporary);
    // Deletes the temporary of a failed upload. Returns the error line to log when that
    // failed, empty when it was removed or was not there (550).
    QString RemoveTemporary(const QString &dir, const QString &temporary);
    static QString RemovalLine(const QString &dir, const QString &temporary,
                               const Exception &error);
    bool IsCurrentDir(const QString &Dir) const;
    // Makes Dir (absolute, or relative to the current directory) the current directory. A
    // directory whose listing the session holds is entered without a command: the server is
    // sent there only when an upload or a new folder needs it (EnterCurrentDir). Any other is
    // entered and listed at once. A refused CWD changes nothing (ERemoteFolderMissing for a
    // 550); after a good CWD the session stands in the folder, and holds its listing only once
    // the listing arrived whole.
    void ChangeDir(const QString &Dir);
    void ChangeDirUp(int Count);
    // Sends CWD Argument, meant to reach Path; a refusal drops what is held of Path and of
    // the folder that holds it.
    void SendChangeDir(const QString &Argument, const QString &Path);
    // The server now stands in Path (full or relative, ending in "/").
    void Entered(const QString &Path);
    // Lists the current directory (sending the server there first) and holds the listing.
    // What was held of it before is dropped first, so that a failed listing leaves nothing.
    void ListCurrentDir();
    // What is held of the folder Path is not what the server holds: it is listed again when
    // next needed.
    void ForgetHeld(const QString &Path);
    // The folder that holds Path ("/a/b/" -> "/a/"; "b/" -> ""), ending in "/".
    static QString ParentPath(const QString &Path);
    // Sends the server to the current directory (one CWD to its full path) when it stands
    // elsewhere.
    void EnterCurrentDir();
    // MKD of a folder of the current directory; the session notes it, empty.
    void MakeDir(const QString &Name);
    // A new connection starts in its login directory, with nothing listed.
    void ForgetDirectories();
    // The entry of a name in the current directory's listing.
    const TIdFTPListItem *FindDirItem(const QString &Name);
    const TIdFTPListItem &ListedFile(const QString &FileName);
    void DoAskPassword();
    void BannerBeforeLogin();
    void BannerAfterLogin();

    TFTPConnection &FFTPConn;
    // The record of a session made by NewTransferSession, which FFTPConn then names.
    std::unique_ptr<TFTPConnection> FOwnConnection;
    TRunLog &FLog;
    // Declared before the protocol client so that it is destroyed after it.
    std::unique_ptr<TIdSSLIOHandlerSocketOpenSSL> FSSLIOHandler;
    std::unique_ptr<TIdFTP> FIdFTP;
    // The current directory as the session sees it: a-z upper-cased (FCurrentDir) and as given
    // (FCurrentPath), both ending in "/"; empty right after connecting (the login directory).
    QString FCurrentDir;
    QString FCurrentPath;
    // Where the server stands, upper-cased; it differs from FCurrentDir after a change of
    // directory that the held listings answered. Empty when it is the login directory.
    QString FServerDir;
    // Learnt by the first upload that meets the server's refusal, and shared with the
    // sessions NewTransferSession makes, so that the run learns it and says it once.
    std::shared_ptr<std::atomic<TUploadMode>> FUploadMode =
        std::make_shared<std::atomic<TUploadMode>>(TUploadMode::RenameOver);

    // One directory's listing, with its entries by name (a-z upper-cased: the position of the
    // first entry of each name), built on the first look-up so that a folder of many thousand
    // entries is looked up once per file.
    struct TDirListing
    {
        QList<TIdFTPListItem> Items;
        QHash<QString, qsizetype> Index;
        bool Indexed = false;
        // Not (or no longer) known to be what the server holds: never listed yet, or an upload,
        // a new folder or a change of directory in it was refused or failed. It is listed again
        // when next needed, and never taken for empty.
        bool Stale = true;
    };
    // The listing of the current directory, fetched when none is held or what is held is
    // stale; raises when the listing fails.
    TDirListing &CurrentListing();
    // What is held for the current directory, stale or not, without fetching; none when
    // nothing is.
    TDirListing *HeldCurrentListing();
    // What a listing says after an upload of name (size bytes, its time set to utcTime when
    // not 0), as a new listing would say it.
    void NoteInListing(TDirListing &Listing, const QString &Name, qint64 Size, TDateTime UtcTime);
    // The held listing of a directory given by full path, or none.
    TDirListing *HeldListing(const QString &Dir);
    // The listings of the directories of this connection, by full path upper-cased (relative
    // paths are listed again on every entry). The server's own listing of a directory changes
    // only through this session during a run: what it uploads and makes is noted here.
    QHash<QString, TDirListing> FListings;
    // The listing of the current directory when its path is relative (or empty).
    TDirListing FRelativeListing;
};
