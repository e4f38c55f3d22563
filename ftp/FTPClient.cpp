#include "ftp/FTPClient.h"

#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "runlog/RunLog.h"
#include "settings/AsciiText.h"

void TFTPClient::CheckRemotePath(const QString &path)
{
    // A remote path with a line break would smuggle a second command onto the control
    // connection; it is refused before anything is sent for it.
    if (!path.contains(QLatin1Char('\r')) && !path.contains(QLatin1Char('\n')))
        return;
    QString shown = path;
    shown.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    throw EIdFTPCommandError(QStringLiteral("Line break in remote path refused: ") + shown);
}

TFTPClient::TFTPClient(TFTPConnection &FTPConn, TRunLog &log)
    : FFTPConn(FTPConn), FLog(log), FIdFTP(std::make_unique<TIdFTP>())
{
    if (FTPConn.UseTLS() != utNoTLSSupport) {
        FSSLIOHandler = std::make_unique<TIdSSLIOHandlerSocketOpenSSL>();
        FIdFTP->SetIOHandler(FSSLIOHandler.get());
    }
    FIdFTP->SetHost(FTPConn.Host());
    FIdFTP->SetPort(quint16(quint32(FTPConn.Port()) & 0xFFFFu));
    FIdFTP->SetUseTLS(FTPConn.UseTLS());
    FIdFTP->SetUsername(FTPConn.UserName());
    FIdFTP->SetPassword(FTPConn.AskPassword() ? QString() : FTPConn.Password());
    if (FIdFTP->UseTLS() != utNoTLSSupport)
        FIdFTP->SetDataPortProtection(ftpdpsPrivate);
    FIdFTP->SetPassive(true);
    // A certificate met for the first time is asked about and its recording logged in the run.
    FIdFTP->SetRunLog(&log);
    FIdFTP->SetOnBannerBeforeLogin([this](TIdFTP &, const QString &) { BannerBeforeLogin(); });
    FIdFTP->SetOnBannerAfterLogin([this](TIdFTP &, const QString &) { BannerAfterLogin(); });
}

TFTPClient::~TFTPClient()
{
    FIdFTP.reset();
    FSSLIOHandler.reset();
}

void TFTPClient::Connect()
{
    ForgetDirectories();
    FIdFTP->Connect();
}

void TFTPClient::Disconnect()
{
    ForgetDirectories();
    FIdFTP->Disconnect();
}

void TFTPClient::ForgetDirectories()
{
    FCurrentDir.clear();
    FCurrentPath.clear();
    FServerDir.clear();
    FListings.clear();
    // Nothing is held of the login directory but an empty listing: a bare name right after
    // connecting is not there, as nothing was listed yet.
    FRelativeListing = TDirListing();
    FRelativeListing.Stale = false;
}

void TFTPClient::BannerBeforeLogin()
{
    if (FFTPConn.AskPassword()) {
        // A remembered password is trusted only after it worked once in this program run.
        if (FFTPConn.LoggedIn() && FFTPConn.RememberPassword())
            FIdFTP->SetPassword(FFTPConn.Password());
        else
            DoAskPassword();
    }
    FFTPConn.SetLoggedIn(false);
}

void TFTPClient::BannerAfterLogin()
{
    FFTPConn.SetLoggedIn(true);
}

void TFTPClient::DoAskPassword()
{
    bool remember = FFTPConn.RememberPassword();
    QString typed;
    if (!FLog.AskPassword(FFTPConn.Host(), FFTPConn.UserName(), remember, typed))
        return; // cancelled: the login goes on with the empty password
    FFTPConn.SetRememberPassword(remember);
    if (remember)
        FFTPConn.SetPassword(typed);
    FIdFTP->SetPassword(typed);
}

std::pair<QString, QString> TFTPClient::SplitPath(const QString &Path)
{
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QString(), Path};
    return {Path.left(slash + 1), Path.mid(slash + 1)};
}

bool TFTPClient::IsCurrentDir(const QString &Dir) const
{
    if (Dir.isEmpty())
        return true;
    QString upper = AsciiUpper(Dir);
    if (!upper.endsWith(QLatin1Char('/')))
        upper += QLatin1Char('/');
    return upper == FCurrentDir;
}

namespace {

bool IsFullPath(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

} // namespace

void TFTPClient::ChangeDir(const QString &Dir)
{
    if (Dir.isEmpty())
        throw Exception(QStringLiteral("Empty directory name."));
    QString path = IsFullPath(Dir) ? Dir : FCurrentPath + Dir;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const QString upper = AsciiUpper(path);
    const auto held = FListings.constFind(upper);
    if (held != FListings.cend() && !held->Stale) {
        FCurrentDir = upper;
        FCurrentPath = path;
        return;
    }
    // A relative Dir goes out as it is only from where the server stands: anywhere else the
    // full path says where it is meant (a relative current path is always where the server
    // stands, as such paths are never entered from a held listing).
    SendChangeDir(FServerDir == FCurrentDir ? Dir : path, path);
    Entered(path);
    ListCurrentDir();
}

void TFTPClient::SendChangeDir(const QString &Argument, const QString &Path)
{
    try {
        FIdFTP->ChangeDir(Argument);
    } catch (const EIdReplyRFCError &error) {
        // The server stays where it was. What the session holds of the folder and of the one
        // that holds it made it expect the folder: both are listed again when next needed.
        ForgetHeld(Path);
        ForgetHeld(ParentPath(Path));
        if (error.ErrorCode() == 550)
            throw ERemoteFolderMissing(error.ErrorCode(), error.Message());
        throw;
    }
}

void TFTPClient::Entered(const QString &Path)
{
    FCurrentPath = Path;
    FCurrentDir = AsciiUpper(Path);
    FServerDir = FCurrentDir;
}

void TFTPClient::ListCurrentDir()
{
    // What was held of the folder is dropped first: a listing that fails leaves it unknown,
    // never empty, so that it is listed again when next needed.
    if (IsFullPath(FCurrentPath))
        FListings.remove(FCurrentDir);
    FRelativeListing = TDirListing();
    EnterCurrentDir();
    FIdFTP->List();
    TDirListing listing;
    listing.Items = FIdFTP->DirectoryListing();
    listing.Stale = false;
    if (IsFullPath(FCurrentPath))
        FListings.insert(FCurrentDir, std::move(listing));
    else
        FRelativeListing = std::move(listing);
}

void TFTPClient::ForgetHeld(const QString &Path)
{
    if (Path.isEmpty() || !IsFullPath(Path)) {
        // A relative folder's listing is held only while it is the current one.
        if (AsciiUpper(Path) == FCurrentDir)
            FRelativeListing.Stale = true;
        return;
    }
    if (TDirListing *listing = HeldListing(Path))
        listing->Stale = true;
}

QString TFTPClient::ParentPath(const QString &Path)
{
    qsizetype n = Path.size();
    if (n > 0 && Path.at(n - 1) == QLatin1Char('/'))
        --n;
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'), n - 1);
    return slash < 0 ? QString() : Path.left(slash + 1);
}

void TFTPClient::ChangeDirUp(int Count)
{
    qsizetype length = FCurrentDir.size();
    for (int i = 0; i < Count; ++i) {
        if (length == 0)
            throw Exception(QStringLiteral("Current directory is empty."));
        qsizetype n = length;
        if (FCurrentDir.at(n - 1) == QLatin1Char('/'))
            --n;
        if (n == 0)
            throw Exception(QStringLiteral("Current directory is root."));
        const qsizetype slash = FCurrentDir.lastIndexOf(QLatin1Char('/'), n - 1);
        if (slash < 0)
            throw Exception(QStringLiteral("Invalid current directory."));
        length = slash + 1;
    }
    const QString upper = FCurrentDir.left(length);
    const QString path = FCurrentPath.left(length);
    const auto held = FListings.constFind(upper);
    if (held != FListings.cend() && !held->Stale) {
        FCurrentDir = upper;
        FCurrentPath = path;
        return;
    }
    if (IsFullPath(path)) {
        // One command for any number of levels.
        SendChangeDir(path, path);
    } else {
        EnterCurrentDir();
        // Level by level: each one that succeeds moves the server, and the session with it.
        for (int i = 0; i < Count; ++i) {
            SendChangeDir(QStringLiteral(".."), ParentPath(FCurrentPath));
            Entered(ParentPath(FCurrentPath));
        }
    }
    Entered(path);
    ListCurrentDir();
}

void TFTPClient::EnterCurrentDir()
{
    if (FServerDir == FCurrentDir)
        return;
    SendChangeDir(FCurrentPath, FCurrentPath);
    FServerDir = FCurrentDir;
}

TFTPClient::TDirListing *TFTPClient::HeldCurrentListing()
{
    if (IsFullPath(FCurrentPath)) {
        const auto held = FListings.find(FCurrentDir);
        return held == FListings.end() ? nullptr : &*held;
    }
    return &FRelativeListing;
}

TFTPClient::TDirListing &TFTPClient::CurrentListing()
{
    TDirListing *held = HeldCurrentListing();
    if (!held || held->Stale) {
        ListCurrentDir();
        held = HeldCurrentListing();
    }
    return *held;
}

const TIdFTPListItem *TFTPClient::FindDirItem(const QString &Name)
{
    TDirListing &listing = CurrentListing();
    if (!listing.Indexed) {
        listing.Index.clear();
        listing.Index.reserve(listing.Items.size());
        // From the end, so that the first entry of a name is the one that stays.
        for (qsizetype i = listing.Items.size() - 1; i >= 0; --i)
            listing.Index.insert(AsciiUpper(listing.Items[i].FileName), i);
        listing.Indexed = true;
    }
    const auto found = listing.Index.constFind(AsciiUpper(Name));
    return found == listing.Index.cend() ? nullptr : &listing.Items[*found];
}

void TFTPClient::NoteInListing(TDirListing &Listing, const QString &Name, qint64 Size,
                               TDateTime UtcTime)
{
    TIdFTPListItem item;
    item.FileName = Name;
    item.ItemType = ditFile;
    item.Size = Size;
    item.SizeAvail = true;
    if (UtcTime != 0) {
        // The time as set: whole seconds, as a listing gives it back.
        QDateTime utc = QDateTimeFromDateTime(UtcTime, Qt::UTC);
        utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
        item.ModifiedDateGMT = DateTimeFromQDateTime(utc);
        item.ModifiedDate = DateTimeFromQDateTime(utc.toLocalTime());
        item.ModifiedAvail = true;
    }
    const QString key = AsciiUpper(Name);
    if (!Listing.Indexed) {
        // The first entry of a name is the one that counts.
        for (TIdFTPListItem &listed : Listing.Items) {
            if (AsciiUpper(listed.FileName) == key) {
                listed = item;
                return;
            }
        }
        Listing.Items.append(item);
        return;
    }
    const auto found = Listing.Index.constFind(key);
    if (found != Listing.Index.cend()) {
        Listing.Items[*found] = item;
    } else {
        Listing.Items.append(item);
        Listing.Index.insert(key, Listing.Items.size() - 1);
    }
}

TFTPClient::TDirListing *TFTPClient::HeldListing(const QString &Dir)
{
    QString upper = AsciiUpper(Dir);
    if (!upper.endsWith(QLatin1Char('/')))
        upper += QLatin1Char('/');
    const auto held = FListings.find(upper);
    return held == FListings.end() ? nullptr : &*held;
}

void TFTPClient::NoteUploaded(const QString &FileName, qint64 Size, TDateTime UtcTime)
{
    const auto [dir, name] = SplitPath(FileName);
    if (TDirListing *listing = IsFullPath(dir) ? HeldListing(dir) : nullptr)
        NoteInListing(*listing, name, Size, UtcTime);
}

void TFTPClient::ForgetFolder(const QString &Dir)
{
    if (TDirListing *listing = IsFullPath(Dir) ? HeldListing(Dir) : nullptr)
        listing->Stale = true;
}

std::unique_ptr<TFTPSession> TFTPClient::NewTransferSession(TRunLog &log)
{
    auto connection = std::make_unique<TFTPConnection>(FFTPConn);
    connection->SetAskPassword(false);
    connection->SetPassword(FIdFTP->Password());
    auto session = std::make_unique<TFTPClient>(*connection, log);
    session->FOwnConnection = std::move(connection);
    session->FIdFTP->SetReadTimeout(FIdFTP->ReadTimeout());
    session->FUploadMode = FUploadMode;
    return session;
}

bool TFTPClient::FileExists(const QString &FileName)
{
    CheckRemotePath(FileName);
    const auto [dir, name] = SplitPath(FileName);
    if (name.isEmpty())
        throw Exception(QStringLiteral("File name is empty"));
    if (!IsCurrentDir(dir))
        ChangeDir(dir);
    return FindDirItem(name) != nullptr;
}

const TIdFTPListItem &TFTPClient::ListedFile(const QString &FileName)
{
    CheckRemotePath(FileName);
    const auto [dir, name] = SplitPath(FileName);
    if (name.isEmpty())
        throw Exception(QStringLiteral("File name is empty"));
    if (!IsCurrentDir(dir))
        ChangeDir(dir);
    const TIdFTPListItem *item = FindDirItem(name);
    if (!item)
        throw Exception(QStringLiteral("File not found: ") + FileName);
    return *item;
}

double TFTPClient::FileAge(const QString &FileName)
{
    return ListedFile(FileName).ModifiedDateGMT;
}

int TFTPClient::FileAgePrecision(const QString &FileName)
{
    return ListedFile(FileName).ModifiedPrecision;
}

void TFTPClient::ForceDirectories(const QString &Dir)
{
    CheckRemotePath(Dir);
    if (IsCurrentDir(Dir))
        return;
    const QString upperDir = AsciiUpper(Dir);
    const QString upperCurrent = FCurrentDir; // already upper-cased
    int levels = 0;
    qsizetype k = upperCurrent.size();
    for (; k >= 1; --k) {
        if (upperCurrent[k - 1] != QLatin1Char('/'))
            continue;
        if (upperDir.left(k) == upperCurrent.left(k))
            break;
        ++levels;
    }
    QString rest;
    if (k < 2) {
        ChangeDir(QStringLiteral("/"));
        rest = Dir;
    } else {
        if (levels > 0)
            ChangeDirUp(levels);
        rest = Dir.mid(k - 1);
    }

    // Positions below are 0-based; a leading "/" of the rest is not a segment.
    qsizetype pos = 0;
    while (pos < rest.size()) {
        qsizetype start = pos;
        qsizetype slash = rest.indexOf(QLatin1Char('/'), pos);
        if (slash == 0) {
            start = 1;
            slash = rest.indexOf(QLatin1Char('/'), 1);
        }
        const qsizetype end = slash < 0 ? rest.size() : slash;
        const QString segment = rest.mid(start, end - start);
        pos = end + 1;
        if (segment.isEmpty())
            continue;
        const TIdFTPListItem *item = FindDirItem(segment);
        if (!item)
            MakeDir(segment);
        else if (item->ItemType != ditDirectory)
            throw Exception(QStringLiteral("Not a directory: ") + rest.left(end));
        ChangeDir(segment);
    }
}

void TFTPClient::MakeDir(const QString &Name)
{
    // From where the server stands, by name; from anywhere else, by full path.
    try {
        FIdFTP->MakeDir(FServerDir == FCurrentDir ? Name : FCurrentPath + Name);
    } catch (const EIdReplyRFCError &) {
        // The listing held no such folder, and the server would not make it: it may exist
        // after all, so the listing is fetched again when next needed.
        ForgetHeld(FCurrentPath);
        throw;
    }
    TIdFTPListItem item;
    item.FileName = Name;
    item.ItemType = ditDirectory;
    if (TDirListing *listing = HeldCurrentListing()) {
        listing->Items.append(item);
        if (listing->Indexed && !listing->Index.contains(AsciiUpper(Name)))
            listing->Index.insert(AsciiUpper(Name), listing->Items.size() - 1);
    }
    // A folder just made is empty: entering it needs no listing.
    const QString child = FCurrentPath + Name + QLatin1Char('/');
    if (IsFullPath(child)) {
        TDirListing made;
        made.Stale = false;
        FListings.insert(AsciiUpper(child), std::move(made));
    }
}
