#include "ScriptedFtpServer.h"

#include "support/LoopbackListener.h"
#include "support/TestCertificate.h"

#include <QRegularExpression>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// A listener on 127.0.0.1, or on ::1 with ipv6, and a free port.
int Listen(quint16 &port, bool ipv6 = false)
{
    return ListenOnLoopback(port, ipv6);
}

// Reads and drops whatever comes on fd until the peer closes it or stop is set.
void WaitForPeerToClose(int fd, const std::atomic<bool> &stop)
{
    char sink[4096];
    while (!stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return;
    }
}

// Waits for a connection on a listener for up to timeoutMs.
int AcceptWithin(int listener, int timeoutMs)
{
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return -1;
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

} // namespace

// One side of a connection, plain or TLS.
struct ScriptedFtpServer::Conn
{
    int fd = -1;
    SSL *ssl = nullptr;
    QByteArray buffer;
    const std::atomic<bool> *stop = nullptr;
    // ReadLine gives up after this long without a whole line (0: never), and says so here.
    int idleMs = 0;
    bool idle = false;

    ~Conn() { Close(); }

    void Close()
    {
        if (ssl) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
            ssl = nullptr;
        }
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }

    bool StartTls(SSL_CTX *ctx)
    {
        ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) != 1) {
            SSL_free(ssl);
            ssl = nullptr;
            return false;
        }
        return true;
    }

    bool Write(const QByteArray &data)
    {
        if (ssl)
            return SSL_write(ssl, data.constData(), int(data.size())) == int(data.size());
        return ::send(fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL)
               == ssize_t(data.size());
    }

    // Up to max bytes, 0 at the end, -1 on error, when the server stops or at the deadline.
    qint64 Read(char *out, qint64 max,
                std::chrono::steady_clock::time_point deadline =
                    std::chrono::steady_clock::time_point::max())
    {
        for (;;) {
            if (!(ssl && SSL_pending(ssl) > 0)) {
                pollfd p{fd, POLLIN, 0};
                const int ready = ::poll(&p, 1, 20);
                if (stop && *stop)
                    return -1;
                if (ready <= 0) {
                    if (std::chrono::steady_clock::now() >= deadline) {
                        idle = true;
                        return -1;
                    }
                    continue;
                }
            }
            if (ssl) {
                const int n = SSL_read(ssl, out, int(max));
                if (n > 0)
                    return n;
                const int error = SSL_get_error(ssl, n);
                return error == SSL_ERROR_ZERO_RETURN || error == SSL_ERROR_SYSCALL ? 0 : -1;
            }
            const ssize_t n = ::recv(fd, out, size_t(max), 0);
            if (n < 0 && errno == EINTR)
                continue;
            return n < 0 ? -1 : qint64(n);
        }
    }

    bool ReadLine(QByteArray &line)
    {
        char chunk[4096];
        const auto deadline = idleMs > 0 ? std::chrono::steady_clock::now()
                                               + std::chrono::milliseconds(idleMs)
                                         : std::chrono::steady_clock::time_point::max();
        for (;;) {
            const qsizetype lf = buffer.indexOf('\n');
            if (lf >= 0) {
                line = buffer.left(lf);
                buffer.remove(0, lf + 1);
                if (line.endsWith('\r'))
                    line.chop(1);
                return true;
            }
            const qint64 n = Read(chunk, sizeof chunk, deadline);
            if (n <= 0)
                return false;
            buffer.append(chunk, qsizetype(n));
        }
    }
};

ScriptedFtpServer::ScriptedFtpServer(Scenario scenario) : FScenario(std::move(scenario))
{
    FCtx = TestCertificate::Get().NewServerContext();
    FDataCtx = FScenario.DataCertificate ? FScenario.DataCertificate->NewServerContext() : FCtx;
    FListener = Listen(FPort, FScenario.ListenIPv6);
    FThread = std::thread([this] { Run(); });
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    FStop = true;
    FThread.join();
    if (FListener >= 0)
        ::close(FListener);
    if (FDataCtx != FCtx)
        SSL_CTX_free(FDataCtx);
    SSL_CTX_free(FCtx);
}

QStringList ScriptedFtpServer::Transcript() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FTranscript;
}

void ScriptedFtpServer::WaitUntilClosed() const
{
    for (int i = 0; i < 1000 && FFinished < FConnections; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

QStringList ScriptedFtpServer::Transcript(int connection) const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FConnectionTranscripts.value(connection);
}

QStringList ScriptedFtpServer::Commands() const
{
    QStringList commands = Transcript();
    commands.removeAll(QStringLiteral("<connect>"));
    return commands;
}

QByteArray ScriptedFtpServer::Stored(const QString &name) const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FStored.value(name);
}

QStringList ScriptedFtpServer::CompletedUploads() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FCompleted;
}

void ScriptedFtpServer::Record(const QString &line, int ordinal)
{
    std::lock_guard<std::mutex> lock(FMutex);
    FTranscript.append(line);
    if (line != QLatin1String("<connect>"))
        FConnectionTranscripts[ordinal].append(line);
}

void ScriptedFtpServer::Run()
{
    // Every connection on a thread of its own; with a BusyGreeting, one at a time and any
    // other turned away meanwhile.
    std::vector<std::thread> serving;
    std::atomic<int> busy{0};
    int ordinal = 0;
    while (!FStop) {
        const int fd = AcceptWithin(FListener, 50);
        if (fd < 0)
            continue;
        ++ordinal;
        if (!FScenario.BusyGreeting.isEmpty() && busy > 0) {
            const QByteArray greeting = FScenario.BusyGreeting.toUtf8() + "\r\n";
            (void)!::write(fd, greeting.constData(), size_t(greeting.size()));
            ::close(fd);
            ++FRefused;
            continue;
        }
        ++FConnections;
        ++busy;
        serving.emplace_back([this, fd, ordinal, &busy] {
            Serve(fd, ordinal);
            ++FFinished;
            --busy;
        });
    }
    for (std::thread &thread : serving)
        thread.join();
}

QString ScriptedFtpServer::NextReply(const QString &verb, ConnectionRules &rules)
{
    static const QMap<QString, QString> defaults = {
        {QStringLiteral("HOST"), QStringLiteral("220 Host accepted")},
        {QStringLiteral("AUTH"), QStringLiteral("500 AUTH not understood")},
        {QStringLiteral("USER"), QStringLiteral("331 Password required")},
        {QStringLiteral("PASS"), QStringLiteral("230 Logged in")},
        {QStringLiteral("FEAT"), QStringLiteral("211-Features:\r\n MLSD\r\n MFMT\r\n211 End")},
        {QStringLiteral("TYPE"), QStringLiteral("200 Type set")},
        {QStringLiteral("SYST"), QStringLiteral("215 UNIX Type: L8")},
        {QStringLiteral("CWD"), QStringLiteral("250 Directory changed")},
        {QStringLiteral("MKD"), QStringLiteral("257 Directory created")},
        {QStringLiteral("MFMT"), QStringLiteral("213 Modify=20240101000000; name")},
        {QStringLiteral("MDTM"), QStringLiteral("213 Modified")},
        {QStringLiteral("PBSZ"), QStringLiteral("200 PBSZ=0")},
        {QStringLiteral("PROT"), QStringLiteral("200 Protection level set")},
        {QStringLiteral("PRET"), QStringLiteral("200 Ready")},
        {QStringLiteral("CLNT"), QStringLiteral("200 Noted")},
        {QStringLiteral("STOR"), QStringLiteral("150 Ok to send data")},
        {QStringLiteral("RNFR"), QStringLiteral("350 Ready for RNTO")},
        {QStringLiteral("RNTO"), QStringLiteral("250 Rename successful")},
        {QStringLiteral("DELE"), QStringLiteral("250 Delete operation successful")},
        {QStringLiteral("LIST"), QStringLiteral("150 Here comes the listing")},
        {QStringLiteral("MLSD"), QStringLiteral("150 Here comes the listing")},
        {QStringLiteral("QUIT"), QStringLiteral("221 Goodbye")},
    };
    auto own = rules.Replies.find(verb);
    if (own != rules.Replies.end() && !own->isEmpty())
        return own->size() > 1 ? own->takeFirst() : own->first();
    std::lock_guard<std::mutex> lock(FMutex);
    auto queue = FScenario.Replies.find(verb);
    if (queue != FScenario.Replies.end() && !queue->isEmpty())
        return queue->size() > 1 ? queue->takeFirst() : queue->first();
    return defaults.value(verb, QStringLiteral("502 Command not implemented"));
}

bool ScriptedFtpServer::Send(Conn &conn, const QString &reply)
{
    static const QRegularExpression delay(QStringLiteral("<delay (\\d+)>"));
    const auto sendPart = [&conn](QString part) {
        if (part.endsWith(QLatin1String("\r\n")))
            part.chop(2);
        return part.isEmpty() || conn.Write(part.toUtf8() + "\r\n");
    };
    qsizetype from = 0;
    for (const QRegularExpressionMatch &match : delay.globalMatch(reply)) {
        if (!sendPart(reply.mid(from, match.capturedStart() - from)))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(match.captured(1).toInt()));
        from = match.capturedEnd();
    }
    if (from == 0)
        return conn.Write(reply.toUtf8() + "\r\n");
    return sendPart(reply.mid(from));
}

void ScriptedFtpServer::Serve(int fd, int ordinal)
{
    Record(QStringLiteral("<connect>"), ordinal);
    ConnectionRules rules = FScenario.Connections.value(ordinal);
    Conn control;
    control.fd = fd;
    control.stop = &FStop;
    control.idleMs = rules.IdleTimeoutMs;
    if (FScenario.ImplicitTLS && !control.StartTls(FCtx))
        return;
    const QString greeting = FScenario.Greeting;
    if (greeting == QLatin1String("<close>"))
        return;
    if (greeting != QLatin1String("<silent>") && !Send(control, greeting))
        return;

    QString cwd = QStringLiteral("/");
    std::vector<int> held; // data connections left open (ReplyWithDataOpen)
    int dataListener = -1;
    quint16 dataPort = 0;
    bool protectData = false;
    QString renameFrom;
    QByteArray line;
    // The connection ended in the middle of an upload (DropDuringStorAfter).
    bool dropped = false;
    while (!dropped && control.ReadLine(line)) {
        const QString command = QString::fromUtf8(line);
        Record(command, ordinal);
        const QString verb = command.section(QLatin1Char(' '), 0, 0).toUpper();
        const QString argument = command.section(QLatin1Char(' '), 1);
        const QString scripted = NextReply(verb, rules);
        // What the reply says, without its delays.
        const QString reply = QString(scripted).remove(
            QRegularExpression(QStringLiteral("<delay \\d+>")));
        if (reply == QLatin1String("<close>"))
            break;
        if (reply == QLatin1String("<silent>"))
            continue;
        if (verb == QLatin1String("PASV")
            && (!FScenario.Replies.contains(verb) || scripted == QLatin1String("<pasv>"))) {
            if (dataListener >= 0)
                ::close(dataListener);
            dataListener = Listen(dataPort, FScenario.ListenIPv6);
            if (FScenario.StorStallAfter >= 0) {
                // A small receive window, inherited by the accepted connection, so that the
                // client's sending stalls soon after the server stops reading.
                const int small = 4096;
                setsockopt(dataListener, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
            }
            const QString numbers = QStringLiteral("%1,%2,%3")
                                        .arg(FScenario.PasvAddress)
                                        .arg(dataPort / 256)
                                        .arg(dataPort % 256);
            Send(control, FScenario.PasvFormat.arg(numbers));
            continue;
        }
        if (verb == QLatin1String("EPSV") && !FScenario.Replies.contains(verb)) {
            if (dataListener >= 0)
                ::close(dataListener);
            dataListener = Listen(dataPort, FScenario.ListenIPv6);
            Send(control, FScenario.EpsvFormat.arg(dataPort));
            continue;
        }
        // Done before the reply goes out: a client that has the reply may look at once.
        if (verb == QLatin1String("RNFR") && reply.startsWith(QLatin1String("350")))
            renameFrom = argument;
        if (verb == QLatin1String("RNTO") && reply.startsWith(QLatin1Char('2'))) {
            std::lock_guard<std::mutex> lock(FMutex);
            if (FStored.contains(renameFrom))
                FStored[argument] = FStored.take(renameFrom);
        }
        if (verb == QLatin1String("DELE") && reply.startsWith(QLatin1Char('2'))) {
            std::lock_guard<std::mutex> lock(FMutex);
            FStored.remove(argument);
        }
        if (!Send(control, scripted) || verb == QLatin1String("QUIT"))
            break;
        if (verb == QLatin1String("AUTH") && reply.startsWith(QLatin1String("234"))) {
            if (FScenario.StallTlsHandshake) {
                WaitForPeerToClose(control.fd, FStop);
                break;
            }
            if (FScenario.CloseAfterAuth || !control.StartTls(FCtx))
                break;
            continue;
        }
        if (verb == QLatin1String("CWD") && reply.startsWith(QLatin1Char('2'))) {
            QStringList parts = argument.startsWith(QLatin1Char('/'))
                                    ? QStringList()
                                    : cwd.split(QLatin1Char('/'), Qt::SkipEmptyParts);
            for (const QString &part : argument.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
                if (part == QLatin1String("..")) {
                    if (!parts.isEmpty())
                        parts.removeLast();
                } else
                    parts.append(part);
            }
            cwd = QLatin1Char('/') + parts.join(QLatin1Char('/'));
        }
        if (verb == QLatin1String("PROT") && reply.startsWith(QLatin1String("200")))
            protectData = argument.trimmed().toUpper() == QLatin1String("P");
        const bool transfer = verb == QLatin1String("STOR") || verb == QLatin1String("LIST")
                              || verb == QLatin1String("MLSD");
        if (!transfer || !reply.startsWith(QLatin1Char('1')) || dataListener < 0)
            continue;

        Conn data;
        data.fd = AcceptWithin(dataListener, 5000);
        data.stop = &FStop;
        ::close(dataListener);
        dataListener = -1;
        if (data.fd < 0) {
            Send(control, QStringLiteral("425 No data connection"));
            continue;
        }
        ++FData;
        if (protectData) {
            if (!data.StartTls(FDataCtx)) {
                Send(control, QStringLiteral("522 Data connection must use TLS"));
                continue;
            }
            ++FTlsData;
            if (SSL_session_reused(data.ssl))
                ++FResumed;
        }
        if (!FScenario.ReplyWithDataOpen.isEmpty()) {
            Send(control, FScenario.ReplyWithDataOpen);
            // Held open, untouched, while the session goes on.
            held.push_back(data.fd);
            data.fd = -1;
            if (data.ssl) {
                SSL_free(data.ssl); // no close_notify, ever
                data.ssl = nullptr;
            }
        } else if (verb == QLatin1String("STOR")) {
            QByteArray received;
            char chunk[16384];
            bool reset = false;
            bool stalled = false;
            for (;;) {
                const qint64 n = data.Read(chunk, sizeof chunk);
                if (n < 0)
                    reset = true; // the client broke the connection off
                if (n <= 0)
                    break;
                received.append(chunk, qsizetype(n));
                if (FScenario.StorStallAfter >= 0 && received.size() >= FScenario.StorStallAfter) {
                    stalled = true;
                    break;
                }
                dropped = rules.DropDuringStorAfter >= 0
                          && received.size() >= rules.DropDuringStorAfter;
                if (dropped
                    || (FScenario.StorResetAfter >= 0
                        && received.size() >= FScenario.StorResetAfter)) {
                    // An abortive close: the client sees a reset, not an orderly end.
                    linger hard{1, 0};
                    setsockopt(data.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                    if (data.ssl) {
                        SSL_free(data.ssl);
                        data.ssl = nullptr;
                    }
                    ::close(data.fd);
                    data.fd = -1;
                    reset = true;
                    break;
                }
            }
            {
                std::lock_guard<std::mutex> lock(FMutex);
                FStored[argument] = received;
                if (!reset && !stalled)
                    FCompleted.append(argument);
            }
            if (stalled) {
                WaitForPeerToClose(control.fd, FStop);
                break;
            }
            data.Close();
            if (dropped)
                break;
            Send(control, reset ? QStringLiteral("426 Connection closed; transfer aborted.")
                          : !FScenario.StorFinalReply.isEmpty()
                              ? FScenario.StorFinalReply
                              : QStringLiteral("226 Transfer complete"));
        } else if (FScenario.StallListing) {
            char chunk[256];
            while (data.Read(chunk, sizeof chunk) > 0) {
            }
            data.Close();
            const std::chrono::milliseconds delay(FScenario.BrokenTransferReplyDelayMs);
            std::this_thread::sleep_for(delay);
            Send(control, QStringLiteral("426 Transfer aborted."));
        } else {
            if (FScenario.ListingReplyFirst) {
                Send(control, QStringLiteral("226 Directory send OK."));
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            data.Write(FScenario.Listings.value(cwd, FScenario.Listing));
            if (FScenario.ListingWithoutCloseNotify && data.ssl) {
                SSL_free(data.ssl); // no SSL_shutdown: the peer sees the TCP end only
                data.ssl = nullptr;
            }
            data.Close();
            if (!FScenario.ListingReplyFirst)
                Send(control, QStringLiteral("226 Directory send OK."));
        }
    }
    if (control.idle)
        Send(control, QStringLiteral("421 Control connection timed out."));
    if (dataListener >= 0)
        ::close(dataListener);
    for (const int heldFd : held)
        ::close(heldFd);
}
