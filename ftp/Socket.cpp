#include "ftp/Socket.h"

#include "ftp/FTPErrors.h"
#include "ftp/TlsContext.h"
#include "runlog/RunLog.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A peer that resets a connection must give an error, not end the program: OpenSSL writes
// through write(), which would raise SIGPIPE.
void IgnoreSigPipe()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

QString SystemErrorText(int error)
{
    return QStringLiteral("Socket Error # %1\r\n%2")
        .arg(error)
        .arg(QString::fromLocal8Bit(std::strerror(error)));
}

using Clock = std::chrono::steady_clock;

// Milliseconds from now until deadline, at least 0.
int MsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return int(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

QString StoppedText()
{
    return QStringLiteral("Stopped while waiting for the server.");
}

// Switches a descriptor to non-blocking I/O for as long as it exists.
class TNonBlocking
{
public:
    explicit TNonBlocking(int fd) : FFd(fd), FFlags(fcntl(fd, F_GETFL))
    {
        fcntl(FFd, F_SETFL, FFlags | O_NONBLOCK);
    }
    ~TNonBlocking() { fcntl(FFd, F_SETFL, FFlags); }
    TNonBlocking(const TNonBlocking &) = delete;
    TNonBlocking &operator=(const TNonBlocking &) = delete;

private:
    int FFd;
    int FFlags;
};

// A TLS peer that closed the TCP connection without a close_notify alert (OpenSSL 3 reports
// it as an error rather than as an end of data).
bool IsUnexpectedEof(unsigned long error)
{
    return ERR_GET_LIB(error) == ERR_LIB_SSL
           && ERR_GET_REASON(error) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

timeval ToTimeval(int ms)
{
    timeval tv{};
    if (ms > 0) {
        tv.tv_sec = ms / 1000;
        tv.tv_usec = (ms % 1000) * 1000;
    }
    return tv;
}

} // namespace

TSocket::TSocket()
{
    IgnoreSigPipe();
}

int TSocket::PollFds(pollfd *fds, unsigned count, int timeoutMs)
{
    FStopCut = false;
    Clock::time_point deadline = timeoutMs < 0
                                     ? Clock::time_point::max()
                                     : Clock::now() + std::chrono::milliseconds(timeoutMs);
    // The descriptors asked for, then the stop's until it was seen: it stays readable.
    pollfd all[3];
    const unsigned asked = std::min(count, 2u);
    bool stopSeen = FStopFd < 0;
    for (;;) {
        std::copy(fds, fds + asked, all);
        nfds_t n = asked;
        if (!stopSeen)
            all[n++] = pollfd{FStopFd, POLLIN, 0};
        const int ready = ::poll(all, n,
                                 deadline == Clock::time_point::max() ? -1 : MsLeft(deadline));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return ready;
        }
        int seen = 0;
        for (unsigned i = 0; i < asked; ++i) {
            fds[i].revents = all[i].revents;
            if (all[i].revents != 0)
                ++seen;
        }
        if (seen > 0)
            return seen;
        if (!stopSeen && all[asked].revents != 0) {
            stopSeen = true;
            deadline = std::min(deadline, Clock::now() + std::chrono::milliseconds(kStopGraceMs));
            continue;
        }
        if (ready == 0) {
            FStopCut = FStopFd >= 0 && stopSeen;
            return 0;
        }
    }
}

int TSocket::PollFd(int fd, short events, int timeoutMs, short *revents)
{
    pollfd p{fd, events, 0};
    const int ready = PollFds(&p, 1, timeoutMs);
    if (revents)
        *revents = p.revents;
    return ready;
}

void TSocket::RaiseReadTimeout()
{
    if (FStopCut)
        throw ERunStopped(StoppedText());
    throw EIdReadTimeout(QStringLiteral("Read timed out."));
}

void TSocket::RaiseWriteTimeout()
{
    if (FStopCut)
        throw ERunStopped(StoppedText());
    RaiseSystemError(ETIMEDOUT);
}

void TSocket::RaiseConnectError(int error)
{
    if (error == ETIMEDOUT && FStopCut)
        throw ERunStopped(StoppedText());
    throw EIdSocketError(SystemErrorText(error));
}

TSocket::~TSocket()
{
    Close();
}

void TSocket::RaiseSystemError(int error)
{
    if (error == ECONNRESET || error == EPIPE || error == ECONNABORTED) {
        const QString text = SystemErrorText(error);
        Close();
        throw EIdSocketError(text);
    }
    throw EIdSocketError(SystemErrorText(error));
}

void TSocket::SetReadTimeout(int ms)
{
    FTimeout = ms;
    if (FFd >= 0) {
        const timeval tv = ToTimeval(ms);
        setsockopt(FFd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(FFd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
}

QString BareHost(const QString &host)
{
    const QString name = host.trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name.mid(1, name.size() - 2);
    return name;
}

QString HostAndPort(const QString &host, quint16 port)
{
    const QString name = BareHost(host);
    // Only an IPv6 address has a colon; the brackets keep it apart from the port (RFC 3986).
    const QString shown = name.contains(QLatin1Char(':'))
                              ? QLatin1Char('[') + name + QLatin1Char(']')
                              : name;
    return shown + QLatin1Char(':') + QString::number(port);
}

QList<TSocketAddress> TSocket::Resolve(const QString &host, quint16 port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const QByteArray service = QByteArray::number(port);
    int rc = getaddrinfo(BareHost(host).toUtf8().constData(), service.constData(), &hints, &found);
    QList<TSocketAddress> addresses;
    for (const addrinfo *a = found; a; a = a->ai_next) {
        if ((a->ai_family != AF_INET && a->ai_family != AF_INET6)
            || a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        TSocketAddress address;
        std::memcpy(&address.Address, a->ai_addr, a->ai_addrlen);
        address.Length = a->ai_addrlen;
        addresses.append(address);
    }
    if (found)
        freeaddrinfo(found);
    if (rc == 0 && addresses.isEmpty())
        rc = EAI_NONAME;
    if (rc != 0)
        throw EIdSocketError(QStringLiteral("Host not found: %1\r\n%2")
                                 .arg(host, QString::fromLocal8Bit(gai_strerror(rc))),
                             "EIdResolveError");
    return addresses;
}

void TSocket::Connect(const QString &host, quint16 port)
{
    Connect(Resolve(host, port));
}

void TSocket::Connect(const QList<TSocketAddress> &addresses)
{
    Close();
    // A name may stand for several addresses (IPv6 and IPv4, several servers): one that refuses
    // or does not answer in time leaves the next one to try.
    int error = EADDRNOTAVAIL;
    for (const TSocketAddress &address : addresses) {
        error = ConnectTo(address);
        if (error == 0)
            return;
    }
    RaiseConnectError(error);
}

int TSocket::ConnectTo(const TSocketAddress &address)
{
    const int family = address.Address.ss_family;
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    // Connect without blocking so that the time-out applies, then go back to blocking I/O.
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int error = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address.Address), address.Length) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            const int ready = PollFd(fd, POLLOUT, PollTimeout());
            if (ready == 0) {
                error = ETIMEDOUT;
            } else {
                socklen_t length = sizeof error;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            }
        }
    }
    if (error != 0) {
        ::close(fd);
        // A stop ends the attempts at once; anything else leaves the next address to try.
        if (error == ETIMEDOUT && FStopCut)
            RaiseConnectError(error);
        return error;
    }
    fcntl(fd, F_SETFL, flags);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    FFd = fd;
    FBuffer.clear();
    char text[NI_MAXHOST] = {};
    getnameinfo(reinterpret_cast<const sockaddr *>(&address.Address), address.Length, text,
                sizeof text, nullptr, 0, NI_NUMERICHOST);
    FPeerAddress = QString::fromLatin1(text);
    FPeerIsIPv6 = family == AF_INET6;
    SetReadTimeout(FTimeout);
    return 0;
}

void TSocket::Close()
{
    if (FSsl) {
        // Best effort close_notify; a peer that is gone or does not read must not make us wait
        // or fail.
        if (FFd >= 0) {
            const TNonBlocking nonBlocking(FFd);
            SSL_shutdown(FSsl);
        }
        SSL_free(FSsl);
        FSsl = nullptr;
        ERR_clear_error();
    }
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    FBuffer.clear();
    FOutputEnded = false;
    FStopCut = false;
}

void TSocket::Abort()
{
    if (FFd >= 0) {
        const linger hard{1, 0};
        setsockopt(FFd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    if (FSsl) {
        SSL_free(FSsl); // no close_notify: that would mark the data as complete
        FSsl = nullptr;
        ERR_clear_error();
    }
    Close();
}

bool TSocket::Finish(TSocket *watched)
{
    if (FFd < 0)
        return true;
    if (!FOutputEnded) {
        EndOutput();
        FOutputEnded = true;
    }
    // Read (and drop) whatever still comes until the peer closes.
    char chunk[4096];
    for (;;) {
        if (watched) {
            const int ready = WaitEither(POLLIN, *watched);
            if (ready < 0)
                return false;
            if (ready == 0)
                break;
        } else if (PollFd(FFd, POLLIN, PollTimeout()) <= 0) {
            break;
        }
        const ssize_t n = ::recv(FFd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
    }
    if (FSsl) {
        SSL_free(FSsl);
        FSsl = nullptr;
    }
    ::close(FFd);
    FFd = -1;
    FBuffer.clear();
    FOutputEnded = false;
    return true;
}

void TSocket::EndOutput()
{
    if (FSsl) {
        const TNonBlocking nonBlocking(FFd);
        for (;;) {
            ERR_clear_error();
            errno = 0;
            const int rc = SSL_shutdown(FSsl);
            if (rc >= 0)
                break;
            const int error = errno;
            // The close_notify waits for room to be sent, as data does.
            if (SSL_get_error(FSsl, rc) == SSL_ERROR_WANT_WRITE) {
                if (PollFd(FFd, POLLOUT, PollTimeout()) == 0)
                    RaiseWriteTimeout();
                continue;
            }
            const QString reason = TakeTlsErrorText(QString());
            Close();
            throw EIdSocketError(!reason.isEmpty() ? reason
                                                   : SystemErrorText(error != 0 ? error : EPIPE));
        }
    }
    ::shutdown(FFd, SHUT_WR);
}

void TSocket::StartTls(TTlsContext &context, const QString &serverName, SSL_SESSION *session)
{
    if (FFd < 0)
        throw EIdSocketError(QStringLiteral("Not Connected"), "EIdNotConnected");
    ERR_clear_error();
    SSL *ssl = SSL_new(context.Handle());
    if (!ssl)
        throw EIdOSSLError(TakeTlsErrorText(QStringLiteral("Could not create a TLS connection.")));
    SSL_set_fd(ssl, FFd);
    const QByteArray name = serverName.toUtf8();
    // Server name indication takes host names only, never literal addresses (RFC 6066, 3).
    // The certificate must name the same: the host name, or the address when the host is one
    // (its verdict is read after the handshake, see CertificateTrust).
    in_addr probe4{};
    in6_addr probe6{};
    if (!name.isEmpty()) {
        if (inet_pton(AF_INET, name.constData(), &probe4) == 1
            || inet_pton(AF_INET6, name.constData(), &probe6) == 1) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.constData());
        } else {
            SSL_set_tlsext_host_name(ssl, name.constData());
            SSL_set1_host(ssl, name.constData());
        }
    }
    if (session) {
        // OpenSSL marks a TLS 1.3 session as used up once it has been resumed; every data
        // connection gets a copy of it, so the control connection's ticket serves them all.
        SSL_SESSION *copy = SSL_SESSION_dup(session);
        SSL_set_session(ssl, copy ? copy : session);
        if (copy)
            SSL_SESSION_free(copy);
    }
    // The handshake works without blocking and waits in poll(), so that its waits have the
    // read time-out and end on a stop like every other.
    int rc = 0;
    int sslError = SSL_ERROR_NONE;
    int savedErrno = 0;
    {
        const TNonBlocking nonBlocking(FFd);
        for (;;) {
            ERR_clear_error();
            errno = 0;
            rc = SSL_connect(ssl);
            if (rc == 1)
                break;
            sslError = SSL_get_error(ssl, rc);
            savedErrno = errno;
            if (sslError != SSL_ERROR_WANT_READ && sslError != SSL_ERROR_WANT_WRITE)
                break;
            if (PollFd(FFd, sslError == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, PollTimeout())
                == 0) {
                SSL_free(ssl);
                ERR_clear_error();
                if (FStopCut)
                    throw ERunStopped(StoppedText());
                throw EIdOSSLError(QString::fromLocal8Bit(std::strerror(ETIMEDOUT)));
            }
        }
    }
    if (rc != 1) {
        QString reason = TakeTlsErrorText(QString());
        if (reason.isEmpty()) {
            if (sslError == SSL_ERROR_SYSCALL && savedErrno != 0)
                reason = QString::fromLocal8Bit(std::strerror(savedErrno));
            else if (sslError == SSL_ERROR_SYSCALL || sslError == SSL_ERROR_ZERO_RETURN)
                reason = QStringLiteral("the connection was closed during the handshake");
            else
                reason = QStringLiteral("SSL_connect failed (%1)").arg(sslError);
        }
        SSL_free(ssl);
        throw EIdOSSLError(reason);
    }
    FSsl = ssl;
}

bool TSocket::SessionReused() const
{
    return FSsl && SSL_session_reused(FSsl) == 1;
}

qsizetype TSocket::Write(const QByteArray &data, TSocket *watched)
{
    if (FFd < 0)
        throw EIdSocketError(QStringLiteral("Not Connected"), "EIdNotConnected");
    qsizetype done = 0;
    short waitFor = POLLOUT;
    while (done < data.size()) {
        const qsizetype chunk = qMin<qsizetype>(data.size() - done, 1 << 20);
        // Every wait to send is a poll(), with the time-out and the stop; with watched, it
        // watches too: a blocking send would sit out the whole time-out on a peer that stopped
        // reading.
        if (watched) {
            const int ready = WaitEither(waitFor, *watched);
            if (ready < 0)
                return done;
            if (ready == 0)
                RaiseWriteTimeout();
        } else if (PollFd(FFd, waitFor, PollTimeout()) == 0) {
            RaiseWriteTimeout();
        }
        waitFor = POLLOUT;
        if (FSsl) {
            ERR_clear_error();
            errno = 0;
            int n = 0;
            {
                // A write that does not fit returns at once and is repeated with the same
                // bytes (as OpenSSL asks), possibly from another buffer.
                SSL_set_mode(FSsl, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
                const TNonBlocking nonBlocking(FFd);
                n = SSL_write(FSsl, data.constData() + done, int(chunk));
                if (n <= 0) {
                    const int sslError = SSL_get_error(FSsl, n);
                    if (sslError == SSL_ERROR_WANT_WRITE)
                        continue;
                    if (sslError == SSL_ERROR_WANT_READ) {
                        waitFor = POLLIN; // the TLS layer has to read first
                        continue;
                    }
                }
            }
            if (n <= 0) {
                const int error = errno;
                const QString reason = TakeTlsErrorText(QString());
                if (!reason.isEmpty()) {
                    Close();
                    throw EIdSocketError(reason);
                }
                RaiseSystemError(error != 0 ? error : EPIPE);
            }
            done += n;
        } else {
            const ssize_t n = ::send(FFd, data.constData() + done, size_t(chunk),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                    continue;
                RaiseSystemError(errno);
            }
            done += n;
        }
    }
    return done;
}

bool TSocket::HasDataToRead()
{
    if (FFd < 0)
        return true; // reading says why nothing can come
    if (!FBuffer.isEmpty() || (FSsl && SSL_pending(FSsl) > 0))
        return true;
    if (!FSsl)
        return PollFd(FFd, POLLIN, 0) > 0;
    if (PollFd(FFd, POLLIN, 0) <= 0)
        return false;
    const TNonBlocking nonBlocking(FFd);
    ERR_clear_error();
    char probe;
    const int n = SSL_peek(FSsl, &probe, 1);
    if (n > 0)
        return true;
    const int sslError = SSL_get_error(FSsl, n);
    ERR_clear_error();
    // Only a record without application data was there; an end or an error is for the
    // reader to report.
    return sslError != SSL_ERROR_WANT_READ && sslError != SSL_ERROR_WANT_WRITE;
}

int TSocket::WaitEither(short events, TSocket &watched)
{
    const Clock::time_point deadline = Clock::now()
                                       + std::chrono::milliseconds(std::max(FTimeout, 0));
    for (;;) {
        if ((events & POLLIN) && FSsl && SSL_pending(FSsl) > 0)
            return 1;
        const bool watchedHasData = !watched.FBuffer.isEmpty()
                                    || (watched.FSsl && SSL_pending(watched.FSsl) > 0);
        pollfd fds[2] = {{FFd, events, 0}, {watched.FFd, POLLIN, 0}};
        const int ready = PollFds(fds, 2,
                                  watchedHasData ? 0 : (FTimeout > 0 ? MsLeft(deadline) : -1));
        if (ready < 0 || fds[0].revents != 0)
            return 1; // an error is for the I/O that follows to report
        if (watchedHasData || (fds[1].revents != 0 && watched.HasDataToRead()))
            return -1;
        if (ready == 0 || (FTimeout > 0 && MsLeft(deadline) == 0))
            return 0;
    }
}

bool TSocket::WaitReadable(TSocket *watched)
{
    if (FSsl && SSL_pending(FSsl) > 0)
        return true;
    if (watched) {
        const int ready = WaitEither(POLLIN, *watched);
        if (ready == 0)
            RaiseReadTimeout();
        return ready > 0;
    }
    if (PollFd(FFd, POLLIN, PollTimeout()) == 0)
        RaiseReadTimeout();
    return true;
}

qint64 TSocket::ReadSome(char *buffer, qint64 max, TSocket *watched)
{
    if (FFd < 0)
        throw EIdSocketError(QStringLiteral("Not Connected"), "EIdNotConnected");
    bool waitToRead = true;
    for (;;) {
        if (waitToRead && !WaitReadable(watched))
            return -1;
        waitToRead = true;
        if (FSsl) {
            ERR_clear_error();
            errno = 0;
            int n = 0;
            {
                // A record without data (a session ticket) or a part of one must not block
                // the read: the wait goes on in poll(), with its time-out, watching.
                const TNonBlocking nonBlocking(FFd);
                n = SSL_read(FSsl, buffer, int(qMin<qint64>(max, 1 << 30)));
                const int readErrno = errno;
                if (n <= 0 && SSL_get_error(FSsl, n) == SSL_ERROR_WANT_READ)
                    continue;
                errno = readErrno;
            }
            if (n > 0)
                return n;
            const int sslError = SSL_get_error(FSsl, n);
            if (sslError == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (sslError == SSL_ERROR_WANT_WRITE) {
                // The TLS layer has to send first (a renegotiation).
                if (PollFd(FFd, POLLOUT, PollTimeout()) == 0)
                    RaiseWriteTimeout();
                waitToRead = false;
                continue;
            }
            if (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
                if (errno == 0)
                    return 0; // closed without close_notify: an end of data all the same
                RaiseSystemError(errno);
            }
            // A peer closing without close_notify is an ordinary end of data on FTP links.
            if (IsUnexpectedEof(ERR_peek_last_error())) {
                ERR_clear_error();
                return 0;
            }
            const QString reason = TakeTlsErrorText(QStringLiteral("TLS read failed."));
            Close();
            throw EIdSocketError(reason);
        }
        const ssize_t n = ::recv(FFd, buffer, size_t(max), MSG_DONTWAIT);
        if (n >= 0)
            return n;
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            continue; // poll() said readable, yet nothing came: wait again
        RaiseSystemError(errno);
    }
}

QByteArray TSocket::ReadLine(int maxLength)
{
    char chunk[4096];
    for (;;) {
        const qsizetype lf = FBuffer.indexOf('\n');
        if (lf >= 0) {
            if (lf > maxLength + 1)
                throw EIdFTPProtocolError(QStringLiteral("Reply line too long."));
            QByteArray line = FBuffer.left(lf);
            FBuffer.remove(0, lf + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            return line;
        }
        if (FBuffer.size() > maxLength + 1)
            throw EIdFTPProtocolError(QStringLiteral("Reply line too long."));
        const qint64 n = ReadSome(chunk, sizeof chunk);
        if (n == 0) {
            Close();
            throw EIdConnClosedGracefully(QStringLiteral("Connection Closed Gracefully."));
        }
        FBuffer.append(chunk, qsizetype(n));
    }
}

qint64 TSocket::Read(char *buffer, qint64 max, TSocket *watched)
{
    if (!FBuffer.isEmpty()) {
        const qint64 n = qMin<qint64>(max, FBuffer.size());
        std::memcpy(buffer, FBuffer.constData(), size_t(n));
        FBuffer.remove(0, qsizetype(n));
        return n;
    }
    return ReadSome(buffer, max, watched);
}

bool TSocket::PeerClosed(int waitMs)
{
    if (FFd < 0)
        return true;
    if (!FBuffer.isEmpty())
        return false;
    short revents = 0;
    if (PollFd(FFd, POLLIN, waitMs, &revents) <= 0)
        return false;
    if (revents & (POLLHUP | POLLERR))
        return true;
    char probe;
    const ssize_t n = ::recv(FFd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

bool TSocket::WaitForData(int waitMs)
{
    if (FFd < 0)
        return false;
    if (!FBuffer.isEmpty() || (FSsl && SSL_pending(FSsl) > 0))
        return true;
    return PollFd(FFd, POLLIN, waitMs) > 0;
}

void TSocket::DiscardInput()
{
    FBuffer.clear();
    if (FFd < 0)
        return;
    char chunk[4096];
    while (::recv(FFd, chunk, sizeof chunk, MSG_DONTWAIT) > 0) {
    }
}
