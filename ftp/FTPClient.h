#pragma once

#include "ftp/FTPSession.h"
#include "ftp/IdFTP.h"

#include <QHash>

#include <memory>
#include <optional>
#include <utility>

class TFTPConnection;
class TRunLog;

// The upload session of one project in one run: a small file-system view of one FTP server.
// It keeps its own idea of the current remote directory (letters a-z upper-cased, ending in
// "/") and works from the listing of that directory, fetched again after every change of
// directory; names compare with a-z folded to A-Z only.
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

    TIdFTP &IdFTP() { return *FIdFTP; }
    const QString &CurrentDir() const { return FCurrentDir; }

    // The directory and name parts of a remote path, split after its last "/".
    static std::pair<QString, QString> SplitPath(const QString &Path);

    // How uploads reach their target names on this session's server.
    enum class TUploadMode {
        // To a temporary name, then renamed over the target.
        RenameOver,
        // The server refuses to rename over an existing file: the target is deleted first.
        DeleteThenRename,
        // The server refuses renames: straight to the target name.
        InPlace,
    };
    TUploadMode UploadMode() const { return FUploadMode; }

    // The temporary name an upload of name goes to, in the same folder.
    static QString TemporaryUploadName(const QString &name);

private:
    // Raises EIdFTPCommandError for a path holding CR or LF.
    static void CheckRemotePath(const QString &path);
    // dir: the folder part of the target's path as given (for messages), ending in "/".
    void MoveIntoPlace(QIODevice &file, const QString &dir, const QString &temporary,
                       const QString &name, bool replacing);
    void RemoveTemporary(const QString &dir, const QString &temporary);
    bool IsCurrentDir(const QString &Dir) const;
    void ChangeDir(const QString &Dir);
    void ChangeDirUp(int Count);
    const TIdFTPListItem *FindDirItem(const QString &Name);
    const TIdFTPListItem &ListedFile(const QString &FileName);
    void DoAskPassword();
    void BannerBeforeLogin();
    void BannerAfterLogin();

    TFTPConnection &FFTPConn;
    TRunLog &FLog;
    // Declared before the protocol client so that it is destroyed after it.
    std::unique_ptr<TIdSSLIOHandlerSocketOpenSSL> FSSLIOHandler;
    std::unique_ptr<TIdFTP> FIdFTP;
    QString FCurrentDir;
    TUploadMode FUploadMode = TUploadMode::RenameOver;
    // The held listing's entries by name with a-z upper-cased: the position of the first
    // entry of each name. Built on the first look-up in a listing (a folder of many thousand
    // entries is looked up once per file), for the listing whose ListingSerial is
    // FDirIndexSerial.
    QHash<QString, qsizetype> FDirIndex;
    std::optional<quint64> FDirIndexSerial;
};
