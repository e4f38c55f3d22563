#pragma once

#include "ftp/FTPCapabilities.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPListItem.h"
#include "ftp/FTPReply.h"
#include "ftp/IdFTPState.h"
#include "ftp/Socket.h"
#include "settings/DateTime.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

class TRunLog;
class TTlsContext;

// TIdUseTLS, the TLS mode, comes with the saved connection record.
enum TIdFTPDataPortSecurity { ftpdpsClear, ftpdpsPrivate };

// The TLS channel of an FTP client: the TLS settings shared by its control and data
// connections. The session creates it only for connections that use TLS.
class TIdSSLIOHandlerSocketOpenSSL
{
public:
    TIdSSLIOHandlerSocketOpenSSL();
    ~TIdSSLIOHandlerSocketOpenSSL();
    TTlsContext &Context() { return *FContext; }

private:
    std::unique_ptr<TTlsContext> FContext;
};

// How a server reads the time of "MDTM <time> <name>" when neither its features nor its name
// say: learned on the first time set whose local and UTC readings differ, by reading it back.
enum class TIdMDTMReading { Unknown, LocalTime, Utc };

// What one control connection has learned and settled. Each connection starts from an empty
// one, so nothing of an earlier connection (its TLS, its character set, its features) carries
// over to the next.
struct TIdFTPConnectionFacts
{
    TIdFTPReply Greeting;
    TIdFTPReply LoginReply;
    QString ServerDesc; // the greeting's first line
    QString SystemDesc; // the SYST reply's first line
    TIdFTPCapabilities Capabilities;
    bool TLSInUse = false;
    // The SHA-256 fingerprint of the control connection's certificate (see CertificateTrust);
    // every TLS data connection must offer the same one.
    QString CertificateFingerprint;
    // Commands and names go out in UTF-8 (RFC 2640); until then a character is one byte.
    bool UTF8 = false;
    // PBSZ and PROT went out; they hold for the rest of the connection (RFC 4217, 9).
    bool DataSettingsSent = false;
    // The server's offset from UTC in minutes, as SITE ZONE told it.
    std::optional<int> ServerUtcOffset;
    TIdMDTMReading MDTMReading = TIdMDTMReading::Unknown;
};

// The FTP client protocol engine (RFC 959 with RFC 2228/4217 for TLS, RFC 2389 FEAT,
// RFC 3659 MLSD, RFC 7151 HOST, RFC 2428 EPSV): one control connection, passive data connections,
// blocking I/O on the calling thread. Every refusal is raised as an error carrying the server's
// text.
class TIdFTP
{
public:
    using TBannerEvent = std::function<void(TIdFTP &sender, const QString &text)>;

    TIdFTP();
    // Closes the connection without QUIT.
    ~TIdFTP();
    TIdFTP(const TIdFTP &) = delete;
    TIdFTP &operator=(const TIdFTP &) = delete;

    const QString &Host() const { return FHost; }
    void SetHost(const QString &host)
    {
        FHost = host;
        FPassiveRefused = false;
    }
    quint16 Port() const { return FPort; }
    void SetPort(quint16 port)
    {
        FPort = port;
        FPassiveRefused = false;
    }
    TIdUseTLS UseTLS() const { return FUseTLS; }
    // Also moves the port between 21 and 990; a TLS mode needs the TLS channel first.
    void SetUseTLS(TIdUseTLS mode);
    const QString &Username() const { return FUsername; }
    void SetUsername(const QString &name) { FUsername = name; }
    const QString &Password() const { return FPassword; }
    void SetPassword(const QString &password) { FPassword = password; }
    TIdFTPDataPortSecurity DataPortProtection() const { return FDataPortProtection; }
    void SetDataPortProtection(TIdFTPDataPortSecurity value) { FDataPortProtection = value; }
    bool Passive() const { return FPassive; }
    void SetPassive(bool value) { FPassive = value; }
    // Not owned; must outlive the client.
    TIdSSLIOHandlerSocketOpenSSL *IOHandler() const { return FIoHandler; }
    void SetIOHandler(TIdSSLIOHandlerSocketOpenSSL *handler) { FIoHandler = handler; }
    // Where a certificate that the system's authorities do not vouch for is asked about on first
    // use, and its recording logged (see CertificateTrust::Check); not owned, may be nullptr
    // (then such a certificate is trusted and recorded without a word). Every wait on the
    // network, of the control and the data connections, ends within a moment when the log asks
    // to stop (TRunLog::StopDescriptor), and raises ERunStopped (runlog/RunLog.h).
    void SetRunLog(TRunLog *log) { FRunLog = log; }
    // Milliseconds to wait for a reply or data; 60000 unless changed.
    int ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int ms);
    // The identification sent with CLNT.
    static QString ClientInfo();

    // Raised after the greeting, before any login or AUTH command, with the greeting's text.
    void SetOnBannerBeforeLogin(TBannerEvent handler) { FOnBannerBeforeLogin = std::move(handler); }
    // Raised once the login was accepted, with the login reply's text.
    void SetOnBannerAfterLogin(TBannerEvent handler) { FOnBannerAfterLogin = std::move(handler); }

    void Connect();
    // QUIT (waiting briefly for its reply), then close; never raises.
    void Disconnect();
    bool Connected() const { return FControl.Connected(); }
    // NOOP: tells the server that the client is still there, so that its idle time-out does
    // not end the connection; raises as any command does.
    void Noop();
    // Whether the server closed the control connection (a 421, as its idle time-out sends, its
    // end or a reset), after taking in what it sent unasked; not a connection closed here
    // because it went out of step, nor one closed on request.
    bool ConnectionDropped();
    // How many replies the server has given, over every connection of this client; a 421
    // does not count (it answers nothing).
    quint64 RepliesRead() const { return FRepliesRead; }
    TIdFTPState State() const { return FState; }

    void ChangeDir(const QString &dir);
    void MakeDir(const QString &name);
    // RNFR and RNTO: renames a file of the current directory.
    void Rename(const QString &from, const QString &to);
    // DELE: deletes a file of the current directory.
    void Delete(const QString &name);
    // Gives a remote file a modification time (a UTC date-time: an instant), by MFMT or MDTM.
    void SetModTime(const QString &name, TDateTime utcTime);
    // The one command by which SetModTime gives name the time on this server, or empty when
    // its way takes more than one (an MDTM whose reading of the time is not known yet).
    QString ModTimeCommand(const QString &name, TDateTime utcTime) const;
    // Sends the commands in one write and reads their replies in order, unchecked, so that
    // they cost one round trip: for commands that go out whatever the earlier ones answer. A
    // 421 among the replies closes the connection and raises.
    QList<TIdFTPReply> SendPipelined(const QStringList &commands);

    // Uploads everything source gives, from its start, under name in the current directory.
    // stopRequested, when given, is asked between blocks once the first block went out: when it
    // says true, the rest is not sent, the data connection is closed as at the end of a
    // transfer and the server's reply to it (whatever it says) is read, so the connection
    // stays in step. Returns true when everything was sent and accepted, false when a stop
    // broke the transfer off (the remote file then holds only a part).
    bool Put(QIODevice &source, const QString &name,
             const std::function<bool()> &stopRequested = {});
    // Whether the last Put may have made or changed the remote file: its STOR was accepted
    // (a preliminary reply came). A Put that failed before (PASV refused, no data connection,
    // STOR refused) left the server as it was.
    bool StoreOpened() const { return FStoreOpened; }
    // Fetches the listing of the current directory (MLSD when the server has it, else LIST).
    void List();
    // The entries of the last listing, interpreted on first use. Raises, as a command would,
    // once the connection was closed out of step: the listing may not be of the directory the
    // caller believes it is in.
    const QList<TIdFTPListItem> &DirectoryListing();
    // Changes with every listing List() fetches, so that what was worked out from one
    // listing is known to be out of date.
    quint64 ListingSerial() const { return FListingSerial; }

    // What the server told us on the current (or the last) connection.
    const TIdFTPReply &Greeting() const { return FFacts.Greeting; }
    const QString &ServerDesc() const { return FFacts.ServerDesc; }
    const QString &SystemDesc() const { return FFacts.SystemDesc; }
    // The FEAT lines as listed.
    const QStringList &Capabilities() const { return FFacts.Capabilities.Lines; }
    const TIdFTPCapabilities &Features() const { return FFacts.Capabilities; }
    const TIdFTPReply &LoginReply() const { return FFacts.LoginReply; }
    bool CanUseMLS() const { return FFacts.Capabilities.MLSD || FFacts.Capabilities.MLST; }
    bool TLSInUse() const { return FFacts.TLSInUse; }
    bool UsingUTF8() const { return FFacts.UTF8; }
    bool DataSettingsSent() const { return FFacts.DataSettingsSent; }
    std::optional<int> ServerUtcOffsetMinutes() const { return FFacts.ServerUtcOffset; }
    const TIdFTPReply &LastReply() const { return FLastReply; }

private:
    // The ONLY way to change FState.
    void SetState(TIdFTPState state);
    // What every socket of this client watches for a stop (see TSocket::WatchStop): the run
    // log's, or none.
    int StopDescriptor() const;

    // Control connection.
    // Raises EIdFTPCommandError for a command holding CR, LF or NUL.
    void CheckCommand(const QString &command) const;
    // Both leave the state Closed when they find the connection lost. GetReply also closes
    // the connection when a reply does not come in time or cannot be read: what is left of it
    // would answer the next command.
    void SendLine(const QString &command);
    // Writes the commands in one go (traced), the reply to the first one awaited next.
    void WriteCommands(const QStringList &commands);
    // A command's verb, upper-cased.
    static QString VerbOf(const QString &command);
    TIdFTPReply GetReply();
    // Before a command goes out: raises at once when the connection was closed out of step,
    // and reads whatever the server sent that no command asked for (that closes the
    // connection, and the command is not sent).
    void CheckInStep();
    // Closes the control connection because it no longer pairs commands with their replies;
    // every later command raises reason without reaching the server.
    void CloseOutOfStep(const QString &reason);
    // Sends and reads the reply; accepted empty accepts any code but 421.
    TIdFTPReply SendCmd(const QString &command, std::initializer_list<int> accepted);
    TIdFTPReply CheckReply(const TIdFTPReply &reply, std::initializer_list<int> accepted);
    [[noreturn]] void RaiseReply(const TIdFTPReply &reply);
    QByteArray Encode(const QString &text) const;
    QString Decode(const QByteArray &bytes) const;
    void CloseControl();

    // Connecting and logging in.
    bool ConnectAttempt(bool sendHost);
    void Login();
    void NegotiateTLS();
    void StartControlTLS(bool implicit);
    void ReadFeatures();
    void QueryServerZone();

    // Setting times where the server's reading of MDTM is unknown.
    void SetModTimeReadBack(const QString &name, const QDateTime &utc, const QDateTime &local);

    // Data transfers.
    void SendDataSettings();
    QString PassiveRequest(const QString &transferCommand, quint16 &port);
    bool ProtectData() const;
    void StartDataTLS(TSocket &data);
    // The final reply of a transfer that broke on our side, or nothing when none came (the
    // control connection is closed then: a reply coming later would answer the next command).
    // A server answers a broken transfer at once; the wait is at most kBrokenTransferReplyMs
    // (or the read time-out when shorter), so that a transfer that has already waited out a
    // time-out on its data connection does not wait a second one for the reply.
    std::optional<TIdFTPReply> FinalReplyOfBrokenTransfer();
    static constexpr int kBrokenTransferReplyMs = 2000;
    // Reads what the server said on the control connection while a data connection was still
    // open: its final reply, or nothing for a preliminary one. Closes the control connection
    // when no whole reply can be read.
    std::optional<TIdFTPReply> ReplyDuringTransfer();

    QString FHost;
    quint16 FPort = 21;
    TIdUseTLS FUseTLS = utNoTLSSupport;
    QString FUsername;
    QString FPassword;
    TIdFTPDataPortSecurity FDataPortProtection = ftpdpsClear;
    bool FPassive = false;
    TIdSSLIOHandlerSocketOpenSSL *FIoHandler = nullptr;
    TRunLog *FRunLog = nullptr;
    int FReadTimeout = 60000;
    TBannerEvent FOnBannerBeforeLogin;
    TBannerEvent FOnBannerAfterLogin;

    TSocket FControl;
    // The server answered PASV with 500 or 502: every later data connection to it, on this
    // and later connections of this client, is asked for with EPSV at once.
    bool FPassiveRefused = false;
    // This connection's name in the command trace (see FTPTrace.h), new with every Connect.
    QString FTraceName;
    TIdFTPState FState = TIdFTPState::Closed;
    TIdFTPConnectionFacts FFacts;
    TIdFTPReply FLastReply;
    // The reply being read, for the message of a connection closed over it ("the server's
    // reply to CWD").
    QString FAwaitedReply;
    // Why the connection was closed out of step; empty otherwise, and again on every connect.
    QString FOutOfStep;

    // The last listing, kept as received until DirectoryListing interprets it.
    struct Listing
    {
        QList<QByteArray> Lines;
        bool IsMLSD = false;
        bool Utf8 = false;
        bool Interpreted = false;
        QList<TIdFTPListItem> Items;
    };
    Listing FListing;
    quint64 FListingSerial = 0;
    bool FStoreOpened = false;
    quint64 FRepliesRead = 0;
    // The connection got as far as logged in; cleared on every connect and by Disconnect.
    bool FWasLoggedIn = false;
};
