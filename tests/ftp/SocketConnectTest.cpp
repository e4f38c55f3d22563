// Connecting to a host's addresses: IPv6 and IPv4 addresses written as they may be typed, and a
// list of addresses tried in turn until one takes the connection (as a name with several
// addresses gives). The addresses are literals on loopback, so no resolver is asked.
#include "FtpTestSupport.h"
#include "ftp/FTPErrors.h"
#include "ftp/Socket.h"
#include "support/LoopbackListener.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A listener on a loopback address and a free port, closed when it goes; with backlog 0 and
// Fill(), it takes no further connection, and the attempts wait unanswered.
class Listener
{
public:
    Listener(bool ipv6, int backlog = 8) { FFd = ListenOnLoopback(FPort, ipv6, backlog); }
    ~Listener()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;

    quint16 Port() const { return FPort; }
    // Whether a connection came, within waitMs.
    bool Accepted(int waitMs)
    {
        pollfd p{FFd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0)
            return false;
        const int fd = ::accept4(FFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }
    // Closes it, leaving its port with nothing behind it: a connection there is refused.
    void Stop()
    {
        ::close(FFd);
        FFd = -1;
    }

private:
    int FFd = -1;
    quint16 FPort = 0;
};

} // namespace

TEST(SocketConnect, HostsAreWrittenWithOrWithoutBrackets)
{
    struct Case
    {
        const char *host;
        const char *bare;
        const char *withPort; // and port 21
    };
    for (const Case &c : {Case{"::1", "::1", "[::1]:21"}, Case{"[::1]", "::1", "[::1]:21"},
                          Case{" [fe80::1%lo] ", "fe80::1%lo", "[fe80::1%lo]:21"},
                          Case{"127.0.0.1", "127.0.0.1", "127.0.0.1:21"},
                          Case{"ftp.example.com", "ftp.example.com", "ftp.example.com:21"}}) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(BareHost(QString::fromLatin1(c.host)), QString::fromLatin1(c.bare));
        EXPECT_EQ(HostAndPort(QString::fromLatin1(c.host), 21), QString::fromLatin1(c.withPort));
    }

    // Addresses need no resolver, bracketed or not.
    for (const char *host : {"::1", "[::1]", "0:0::1"}) {
        SCOPED_TRACE(host);
        const QList<TSocketAddress> addresses = TSocket::Resolve(QString::fromLatin1(host), 21);
        ASSERT_EQ(addresses.size(), 1);
        EXPECT_EQ(addresses[0].Address.ss_family, AF_INET6);
        EXPECT_EQ(ntohs(reinterpret_cast<const sockaddr_in6 &>(addresses[0].Address).sin6_port),
                  21);
    }
    const QList<TSocketAddress> ipv4 = TSocket::Resolve(QStringLiteral("127.0.0.1"), 2121);
    ASSERT_EQ(ipv4.size(), 1);
    EXPECT_EQ(ipv4[0].Address.ss_family, AF_INET);
}

TEST(SocketConnect, ConnectsToAnIpv6AddressWrittenEitherWay)
{
    const QString problem = Ipv6LoopbackProblem();
    if (!problem.isEmpty())
        GTEST_SKIP() << "::1 cannot be listened on here: " << problem.toStdString();
    Listener server(true);
    ASSERT_NE(server.Port(), 0);
    for (const char *host : {"::1", "[::1]"}) {
        SCOPED_TRACE(host);
        TSocket socket;
        socket.SetReadTimeout(5000);
        EXPECT_NO_THROW(socket.Connect(QString::fromLatin1(host), server.Port()));
        EXPECT_TRUE(server.Accepted(5000));
        EXPECT_EQ(socket.PeerAddress(), QStringLiteral("::1"));
        EXPECT_TRUE(socket.PeerIsIPv6());
    }
}

// The first address that takes the connection wins; one that refuses or does not answer within
// the time-out leaves the next one to try, in both families.
TEST(SocketConnect, AddressesAreTriedInTurn)
{
    const bool ipv6 = Ipv6LoopbackProblem().isEmpty();
    const QString loopback6 = QStringLiteral("::1");
    const QString loopback4 = QStringLiteral("127.0.0.1");
    struct Case
    {
        const char *what;
        bool firstIpv6;
        bool secondIpv6;
        bool firstRefuses; // else it does not answer
    };
    for (const Case &c : {Case{"IPv6 refused, IPv4 taken", true, false, true},
                          Case{"IPv4 refused, IPv6 taken", false, true, true},
                          Case{"IPv4 silent, IPv6 taken", false, true, false},
                          Case{"IPv6 silent, IPv4 taken", true, false, false},
                          Case{"IPv4 refused, IPv4 taken", false, false, true}}) {
        SCOPED_TRACE(c.what);
        if (!ipv6 && (c.firstIpv6 || c.secondIpv6))
            continue; // no ::1 here: only the IPv4 case runs
        Listener first(c.firstIpv6, 0);
        ASSERT_NE(first.Port(), 0);
        TSocket filler;
        if (c.firstRefuses) {
            first.Stop();
        } else {
            // Its one place is taken; the next attempt waits unanswered.
            filler.Connect(c.firstIpv6 ? loopback6 : loopback4, first.Port());
        }
        Listener second(c.secondIpv6);
        ASSERT_NE(second.Port(), 0);

        TSocket socket;
        socket.SetReadTimeout(300);
        const QList<TSocketAddress> addresses =
            TSocket::Resolve(c.firstIpv6 ? loopback6 : loopback4, first.Port())
            + TSocket::Resolve(c.secondIpv6 ? loopback6 : loopback4, second.Port());
        EXPECT_NO_THROW(socket.Connect(addresses));
        EXPECT_TRUE(socket.Connected());
        EXPECT_TRUE(second.Accepted(5000));
        EXPECT_EQ(socket.PeerAddress(), c.secondIpv6 ? loopback6 : loopback4);
        EXPECT_EQ(socket.PeerIsIPv6(), c.secondIpv6);
    }
}

TEST(SocketConnect, WhenNoAddressTakesTheConnectionTheLastErrorIsRaised)
{
    Listener refusing(false);
    Listener silent(false, 0);
    ASSERT_NE(refusing.Port(), 0);
    ASSERT_NE(silent.Port(), 0);
    refusing.Stop();
    TSocket filler;
    filler.Connect(QStringLiteral("127.0.0.1"), silent.Port());
    const QList<TSocketAddress> refused = TSocket::Resolve(QStringLiteral("127.0.0.1"),
                                                           refusing.Port());
    const QList<TSocketAddress> unanswered = TSocket::Resolve(QStringLiteral("127.0.0.1"),
                                                              silent.Port());
    struct Case
    {
        const char *what;
        QList<TSocketAddress> addresses;
        int error;
    };
    for (const Case &c : {Case{"silent, then refused", unanswered + refused, ECONNREFUSED},
                          Case{"refused, then silent", refused + unanswered, ETIMEDOUT},
                          Case{"refused", refused, ECONNREFUSED}}) {
        SCOPED_TRACE(c.what);
        TSocket socket;
        socket.SetReadTimeout(300);
        EXPECT_EQ(MessageOf<EIdSocketError>([&] { socket.Connect(c.addresses); }),
                  QStringLiteral("Socket Error # %1\r\n%2")
                      .arg(c.error)
                      .arg(QString::fromLocal8Bit(std::strerror(c.error))));
        EXPECT_FALSE(socket.Connected());
    }
}
