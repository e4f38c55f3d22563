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
    FCurrentDir.clear();
    FIdFTP->Connect();
}

void TFTPClient::Disconnect()
{
    FCurrentDir.clear();
    FIdFTP->Disconnect();
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

void TFTPClient::ChangeDir(const QString &Dir)
{
    if (Dir.isEmpty())
        throw Exception(QStringLiteral("Empty directory name."));
    FIdFTP->ChangeDir(Dir);
    if (Dir.startsWith(QLatin1Char('/')))
        FCurrentDir = AsciiUpper(Dir);
    else
        FCurrentDir += AsciiUpper(Dir);
    if (!FCurrentDir.endsWith(QLatin1Char('/')))
        FCurrentDir += QLatin1Char('/');
    FIdFTP->List();
}

void TFTPClient::ChangeDirUp(int Count)
{
    for (int i = 0; i < Count; ++i) {
        if (FCurrentDir.isEmpty())
            throw Exception(QStringLiteral("Current directory is empty."));
        qsizetype n = FCurrentDir.size();
        if (FCurrentDir.endsWith(QLatin1Char('/')))
            --n;
        if (n == 0)
            throw Exception(QStringLiteral("Current directory is root."));
        const qsizetype slash = FCurrentDir.lastIndexOf(QLatin1Char('/'), n - 1);
        if (slash < 0)
            throw Exception(QStringLiteral("Invalid current directory."));
        FIdFTP->ChangeDir(QStringLiteral(".."));
        FCurrentDir.truncate(slash + 1);
    }
    FIdFTP->List();
}

const TIdFTPListItem *TFTPClient::FindDirItem(const QString &Name)
{
    const QList<TIdFTPListItem> &items = FIdFTP->DirectoryListing();
    // Every fetch of a listing (a change of directory, a reconnection, any List()) changes
    // the serial, so an index of an earlier listing is never used.
    if (FDirIndexSerial != FIdFTP->ListingSerial()) {
        FDirIndex.clear();
        FDirIndex.reserve(items.size());
        // From the end, so that the first entry of a name is the one that stays.
        for (qsizetype i = items.size() - 1; i >= 0; --i)
            FDirIndex.insert(AsciiUpper(items[i].FileName), i);
        FDirIndexSerial = FIdFTP->ListingSerial();
    }
    const auto found = FDirIndex.constFind(AsciiUpper(Name));
    return found == FDirIndex.cend() ? nullptr : &items[*found];
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
            FIdFTP->MakeDir(segment);
        else if (item->ItemType != ditDirectory)
            throw Exception(QStringLiteral("Not a directory: ") + rest.left(end));
        ChangeDir(segment);
    }
}
