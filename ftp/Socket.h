#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <openssl/ssl.h>
#include <sys/socket.h>

struct pollfd;
class TTlsContext;

// A host as the resolver and the socket take it: without the brackets that may enclose an
// IPv6 address ("[::1]" gives "::1"), and without surrounding blanks.
QString BareHost(const QString &host);
// "host:port" as logs and traces name a server: an IPv6 address in brackets ("[::1]:21"),
// anything else as it is ("127.0.0.1:21", "ftp.example.com:21").
QString HostAndPort(const QString &host, quint16 port);

// One address a connection can be made to: IPv4 or IPv6, with its port.
struct TSocketAddress
{
    sockaddr_storage Address{};
    socklen_t Length = 0;
};

// One blocking TCP connection over IPv4 or IPv6, optionally wrapped in TLS, with time-outs:
// connecting to each address, the TLS handshake and every wait to receive or send give up after
// the read time-out. Every wait is a poll() on the descriptor (OpenSSL works on it without
// blocking and is waited for the same way), which also watches the run's stop (see WatchStop).
// Reading is buffered so that lines can be taken off a control connection.
class TSocket
{
public:
    TSocket();
    ~TSocket();
    TSocket(const TSocket &) = delete;
    TSocket &operator=(const TSocket &) = delete;

    // Every address of host (a name, an IPv4 address, an IPv6 address with or without
    // brackets) with port, in the resolver's order. Raises EIdSocketError ("Host not found")
    // when there is none.
    static QList<TSocketAddress> Resolve(const QString &host, quint16 port);
    // Resolves host and connects to the first of its addresses that takes the connection;
    // raises EIdSocketError.
    void Connect(const QString &host, quint16 port);
    // Tries the addresses in turn, each for up to the read time-out; the first that takes the
    // connection wins. Raises EIdSocketError with the last address's error when none does.
    void Connect(const QList<TSocketAddress> &addresses);
    bool Connected() const { return FFd >= 0; }
    // Closes at once (sending a TLS close_notify when TLS is up); never raises.
    void Close();
    // Closes with a reset, so that the peer sees a broken transfer rather than a complete one.
    void Abort();
    // Ends an upload: signals the end of data, then waits (up to the read time-out) for the
    // peer to close its side before closing. Closing while unread data such as a TLS 1.3
    // session ticket sits in the receive buffer would send a reset, and a reset makes the
    // peer drop what it has received and not read yet. Raises when the end cannot be sent.
    // With watched, the wait also ends when watched has data to read first: then it returns
    // false and the connection stays open (Finish again waits on); true once closed.
    bool Finish(TSocket *watched = nullptr);

    // Milliseconds; 0 or less waits without end.
    void SetReadTimeout(int ms);
    int ReadTimeout() const { return FTimeout; }

    // Every wait also watches fd (see TRunLog::StopDescriptor; -1: none). Once it is readable,
    // the wait under way and every later one last at most kStopGraceMs more: long enough for a
    // reply already on its way (the one that keeps the control connection in step after a
    // transfer that was broken off, the answer to QUIT), and short enough that a stop ends a
    // wait on a server that says nothing within a moment. A wait that ends so raises
    // ERunStopped (runlog/RunLog.h) where it would have timed out.
    void WatchStop(int fd) { FStopFd = fd; }
    static constexpr int kStopGraceMs = 500;

    // Client handshake on the open connection, offering session for resumption when given.
    // Raises EIdOSSLError whose message is the TLS library's reason.
    void StartTls(TTlsContext &context, const QString &serverName, SSL_SESSION *session);
    bool TlsActive() const { return FSsl != nullptr; }
    SSL *TlsHandle() const { return FSsl; }
    bool SessionReused() const;

    // Sends all of data and returns its size. With watched, stops as soon as watched has data
    // to read (a reply on the control connection while a data connection waits to send) and
    // returns how much went out before; sending the rest goes on where it stopped.
    qsizetype Write(const QByteArray &data, TSocket *watched = nullptr);
    // One line without its line end (LF, CR LF); raises EIdFTPProtocolError beyond maxLength
    // bytes, EIdConnClosedGracefully when the peer closed before a whole line arrived.
    QByteArray ReadLine(int maxLength);
    // Up to max bytes; 0 once the peer has closed. With watched, -1 when watched has data to
    // read before anything arrives here (what arrives here is read first).
    qint64 Read(char *buffer, qint64 max, TSocket *watched = nullptr);
    // Whether the peer has closed (or reset) the connection, waiting up to waitMs for a sign.
    bool PeerClosed(int waitMs);
    // Whether data is waiting to be read, waiting up to waitMs for it.
    bool WaitForData(int waitMs);
    // Whether anything is waiting to be read, without waiting: application data, or the end
    // or an error of the connection (true when not connected: reading says why). TLS records
    // that carry no data (a session ticket, a key update) are taken in and do not count.
    bool HasDataToRead();
    // Drops whatever was received and not read yet.
    void DiscardInput();

    // The numeric address of the connected peer: dotted IPv4, or IPv6 without brackets.
    QString PeerAddress() const { return FPeerAddress; }
    // Whether the connection goes over IPv6.
    bool PeerIsIPv6() const { return FPeerIsIPv6; }

private:
    // The read time-out as poll() takes it: -1 waits without end.
    int PollTimeout() const { return FTimeout > 0 ? FTimeout : -1; }
    // Waits up to timeoutMs (less than 0: without end) for events on the descriptors and for
    // the stop (see WatchStop), and returns what poll() returns, with the events seen in their
    // revents. A signal does not end the wait early. A wait that the stop ended returns 0, as a
    // time-out, with FStopCut set.
    int PollFds(pollfd *fds, unsigned count, int timeoutMs);
    // PollFds for one descriptor, with the events seen in revents.
    int PollFd(int fd, short events, int timeoutMs, short *revents = nullptr);
    // What a wait that returned 0 raises: ERunStopped when the stop ended it, else the time-out.
    [[noreturn]] void RaiseReadTimeout();
    [[noreturn]] void RaiseWriteTimeout();
    [[noreturn]] void RaiseConnectError(int error);
    qint64 ReadSome(char *buffer, qint64 max, TSocket *watched = nullptr);
    // False when watched has data to read first; raises EIdReadTimeout.
    bool WaitReadable(TSocket *watched);
    // Waits up to the read time-out for events on this connection or for data to read on
    // watched: 1 when this connection is ready (it comes first when both are), -1 for
    // watched, 0 for a time-out.
    int WaitEither(short events, TSocket &watched);
    [[noreturn]] void RaiseSystemError(int error);
    // Connects to one address, taking it as this connection; 0, or the error that kept it.
    int ConnectTo(const TSocketAddress &address);
    // Sends the end of data: TLS close_notify, then the TCP end of the sending side.
    void EndOutput();

    int FFd = -1;
    SSL *FSsl = nullptr;
    int FTimeout = 60000;
    QByteArray FBuffer;
    QString FPeerAddress;
    bool FPeerIsIPv6 = false;
    // Finish has signalled the end of data.
    bool FOutputEnded = false;
    int FStopFd = -1;
    // The last wait was ended by the stop.
    bool FStopCut = false;
};
