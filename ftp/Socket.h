#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/ssl.h>

class TTlsContext;

// One blocking IPv4 TCP connection, optionally wrapped in TLS, with time-outs: connecting and
// every wait for incoming data give up after the read time-out (poll() on the descriptor, plus
// the socket's own receive time-out for waits inside OpenSSL). Reading is buffered so that
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
    void Finish();

    // Milliseconds; 0 or less waits without end.
    void SetReadTimeout(int ms);
    int ReadTimeout() const { return FTimeout; }

    // Client handshake on the open connection, offering session for resumption when given.
    // Raises EIdOSSLError whose message is the TLS library's reason.
    void StartTls(TTlsContext &context, const QString &serverName, SSL_SESSION *session);
    bool TlsActive() const { return FSsl != nullptr; }
    SSL *TlsHandle() const { return FSsl; }
    bool SessionReused() const;

    void Write(const QByteArray &data);
    // One line without its line end (LF, CR LF); raises EIdFTPProtocolError beyond maxLength
    // bytes, EIdConnClosedGracefully when the peer closed before a whole line arrived.
    QByteArray ReadLine(int maxLength);
    // Up to max bytes; 0 once the peer has closed.
    qint64 Read(char *buffer, qint64 max);
    // Whether the peer has closed (or reset) the connection, waiting up to waitMs for a sign.
    bool PeerClosed(int waitMs);
    // Whether data is waiting to be read, waiting up to waitMs for it.
    bool WaitForData(int waitMs);
    // Drops whatever was received and not read yet.
    void DiscardInput();

    // Dotted IPv4 address of the connected peer.
    QString PeerAddress() const { return FPeerAddress; }

private:
    // The read time-out as poll() takes it: -1 waits without end.
    int PollTimeout() const { return FTimeout > 0 ? FTimeout : -1; }
    qint64 ReadSome(char *buffer, qint64 max);
    void WaitReadable();
    [[noreturn]] void RaiseSystemError(int error);

    int FFd = -1;
    SSL *FSsl = nullptr;
    int FTimeout = 60000;
    QByteArray FBuffer;
    QString FPeerAddress;
};
