#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/ssl.h>

struct pollfd;
class TTlsContext;

// One blocking IPv4 TCP connection, optionally wrapped in TLS, with time-outs: connecting, the
// TLS handshake and every wait to receive or send give up after the read time-out. Every wait
// is a poll() on the descriptor (OpenSSL works on it without blocking and is waited for the
// same way), which also watches the run's stop (see WatchStop). Reading is buffered so that
// lines can be taken off a control connection.
class TSocket
{
public:
    TSocket();
    ~TSocket();
    TSocket(const TSocket &) = delete;
    TSocket &operator=(const TSocket &) = delete;

    // Resolves host as IPv4 and connects; raises EIdSocketError.
    void Connect(const QString &host, quint16 port);
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

    // Dotted IPv4 address of the connected peer.
    QString PeerAddress() const { return FPeerAddress; }

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
    // Sends the end of data: TLS close_notify, then the TCP end of the sending side.
    void EndOutput();

    int FFd = -1;
    SSL *FSsl = nullptr;
    int FTimeout = 60000;
    QByteArray FBuffer;
    QString FPeerAddress;
    // Finish has signalled the end of data.
    bool FOutputEnded = false;
    int FStopFd = -1;
    // The last wait was ended by the stop.
    bool FStopCut = false;
};
