#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <openssl/ssl.h>
#include <thread>

class TestCertificate;

// A scriptable FTP server on 127.0.0.1 or ::1 (a free port), in the manner of curl's test
// server: a scenario says what to answer, and the server records every command line it received
// so that tests can check the exact transcript. Each control connection is served on a thread of
// its own, several at once; rules for one connection (its own replies, an idle time-out, a drop
// in the middle of an upload) are keyed by its ordinal: 1 for the first the server accepted.
//
// Replies are queued per command verb; the last reply of a queue repeats. Reply texts may hold
// several lines separated by "\r\n"; "<delay N>" in a reply waits N milliseconds before the
// rest of it is sent (a reply that comes late, or a second one that comes unasked). Special
// replies: "<close>" closes the control connection without a reply, "<silent>" sends nothing,
// "<pasv>" (for PASV) answers as the server does when PASV has no replies of its own.
// An AUTH answered with 234 is followed by a TLS handshake; PASV and EPSV open a data listener
// on the server's address; STOR, LIST and MLSD use the data connection. Accepted RNFR/RNTO and
// DELE move and drop what STOR stored.
class ScriptedFtpServer
{
public:
    // What one control connection is told and done, beside the scenario's rules.
    struct ConnectionRules
    {
        // Replies of this connection, taken before the scenario's (queued in the same way).
        QMap<QString, QStringList> Replies;
        // No whole command line for this long: "421 Control connection timed out." and the
        // end of the connection, as pyftpdlib's idle time-out does (0: never).
        int IdleTimeoutMs = 0;
        // After this many bytes of a STOR, the data connection is reset and the control
        // connection closed without a reply, as when the server's process for the connection
        // ends (-1: never). The bytes received are stored.
        qint64 DropDuringStorAfter = -1;
    };

    struct Scenario
    {
        QString Greeting = QStringLiteral("220 Scripted FTP server ready");
        QMap<QString, QStringList> Replies;
        QByteArray Listing;
        // Listings by the server's current directory ("/", "/a", ...); others get Listing.
        QMap<QString, QByteArray> Listings;
        // The text of a PASV reply; "%1" becomes the address and port ("127,0,0,1,p1,p2").
        QString PasvFormat = QStringLiteral("227 Entering Passive Mode (%1).");
        // The address a PASV reply names; the data listener is on the server's address
        // whatever it says.
        QString PasvAddress = QStringLiteral("127,0,0,1");
        // The text of an EPSV reply (RFC 2428); "%1" becomes the data listener's port. A
        // scripted reply to EPSV takes its place and opens no listener.
        QString EpsvFormat = QStringLiteral("229 Entering Extended Passive Mode (|||%1|)");
        // Listen on ::1, for the control and the data connections, instead of 127.0.0.1.
        bool ListenIPv6 = false;
        // Reset the data connection of a STOR after this many bytes (-1: never).
        qint64 StorResetAfter = -1;
        // After this many bytes of a STOR (-1: never), read no more of its data connection and
        // answer nothing more, until the client closes the control connection: a server that
        // stalls in the middle of an upload. Its data connection takes little before it stalls.
        qint64 StorStallAfter = -1;
        // After an accepted AUTH, start no TLS handshake and answer nothing, until the client
        // closes the control connection.
        bool StallTlsHandshake = false;
        // The final reply of a STOR whose data connection the client ended in order (empty:
        // "226 Transfer complete").
        QString StorFinalReply;
        // Send no listing data and keep the data connection open until the client gives up.
        bool StallListing = false;
        // Wait this long before the final reply of a transfer that the client broke off.
        int BrokenTransferReplyDelayMs = 0;
        // Answer a transfer with this final reply as soon as its data connection is open, and
        // leave that connection open, neither reading nor writing, until the session ends.
        QString ReplyWithDataOpen;
        // Send a listing's final reply first and its data 200 ms later.
        bool ListingReplyFirst = false;
        // End a listing's TLS data connection without a close_notify alert.
        bool ListingWithoutCloseNotify = false;
        // Close the connection instead of the TLS handshake after an accepted AUTH.
        bool CloseAfterAuth = false;
        // TLS from the first byte (implicit TLS).
        bool ImplicitTLS = false;
        // While a control connection is served, answer another one with this greeting and
        // close it, as a server with a connection limit does (empty: it waits its turn).
        QString BusyGreeting;
        // The certificate of TLS data connections, when not the control connection's (the
        // test program's self-signed one); not owned.
        const TestCertificate *DataCertificate = nullptr;
        // Rules of single connections, by ordinal (1: the first accepted).
        QMap<int, ConnectionRules> Connections;
    };

    explicit ScriptedFtpServer(Scenario scenario);
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer &) = delete;
    ScriptedFtpServer &operator=(const ScriptedFtpServer &) = delete;

    // 0 when the server could not listen (no ::1 on this machine, with ListenIPv6).
    quint16 Port() const { return FPort; }
    // Every command line received, in order; "<connect>" marks each new control connection.
    // Connections served at once interleave here; Transcript(n) has one connection's alone.
    QStringList Transcript() const;
    // The command lines of the connection with that ordinal, without a marker.
    QStringList Transcript(int connection) const;
    // How many control connections were accepted (and served or turned away).
    int Connections() const { return FConnections + FRefused; }
    // Waits (up to 10 s) until the client has closed every connection it opened, so that
    // commands sent just before closing are in the transcript.
    void WaitUntilClosed() const;
    // The commands of the transcript without the connection markers.
    QStringList Commands() const;
    // Bytes received by STOR, by the file name given (or renamed to).
    QByteArray Stored(const QString &name) const;
    // The names of the STORs whose data connection the client ended in order (not with a
    // reset): the uploads the server takes as whole files.
    QStringList CompletedUploads() const;
    // How many data connections resumed the control connection's TLS session / used TLS.
    int ResumedDataConnections() const { return FResumed; }
    int TlsDataConnections() const { return FTlsData; }
    // How many data connections were accepted.
    int DataConnections() const { return FData; }
    // How many control connections got the BusyGreeting.
    int RefusedConnections() const { return FRefused; }

private:
    struct Conn;
    void Run();
    void Serve(int fd, int ordinal);
    QString NextReply(const QString &verb, ConnectionRules &rules);
    // Sends reply, waiting where it says "<delay N>".
    bool Send(Conn &conn, const QString &reply);
    void Record(const QString &line, int ordinal);

    Scenario FScenario;
    SSL_CTX *FCtx = nullptr;
    SSL_CTX *FDataCtx = nullptr;
    int FListener = -1;
    quint16 FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
    mutable std::mutex FMutex;
    QStringList FTranscript;
    QMap<int, QStringList> FConnectionTranscripts;
    QMap<QString, QByteArray> FStored;
    QStringList FCompleted;
    std::atomic<int> FConnections{0};
    std::atomic<int> FFinished{0};
    std::atomic<int> FResumed{0};
    std::atomic<int> FTlsData{0};
    std::atomic<int> FData{0};
    std::atomic<int> FRefused{0};
};
