// FTP over IPv6: saved connections whose host is an IPv6 address (bare or in brackets) or a
// name, data connections asked for with EPSV on IPv6 and where a server refuses PASV, HOST and
// the trace naming an IPv6 address in brackets. The servers listen on ::1; a test that needs it
// is skipped, saying why, only on a machine where nothing can listen there.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunProject.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPTrace.h"
#include "support/PyftpdServer.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <netdb.h>
#include <sys/socket.h>

using Scenario = ScriptedFtpServer::Scenario;

namespace {

// The first address the resolver gives for name ("::1" or "127.0.0.1" for localhost, as the
// machine's hosts file says), or an empty text.
QString FirstAddressOf(const char *name)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        return QString();
    char text[NI_MAXHOST] = {};
    const int rc = getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0,
                               NI_NUMERICHOST);
    freeaddrinfo(found);
    return rc == 0 ? QString::fromLatin1(text) : QString();
}

// Uploads data as name through client, so that the test reads one line per attempt.
QString PutText(TIdFTP &client, const QByteArray &data, const QString &name)
{
    QBuffer source;
    source.setData(data);
    source.open(QIODevice::ReadOnly);
    return MessageOf<Exception>([&] { client.Put(source, name); });
}

const QString kNoError = QStringLiteral("<no error>");

} // namespace

TEST(FtpIpv6, TraceNamesAnIpv6AddressInBrackets)
{
    struct Case
    {
        const char *host;
        const char *name; // followed by " #n"
    };
    for (const Case &c :
         {Case{"::1", "[::1]:2121"}, Case{"[::1]", "[::1]:2121"},
          Case{"127.0.0.1", "127.0.0.1:2121"}, Case{"ftp.example.com", "ftp.example.com:2121"}}) {
        SCOPED_TRACE(c.host);
        const QString name = FtpTraceName(QString::fromLatin1(c.host), 2121);
        EXPECT_EQ(name.section(QLatin1Char(' '), 0, 0), QString::fromLatin1(c.name));
        EXPECT_TRUE(name.section(QLatin1Char(' '), 1).startsWith(QLatin1Char('#')))
            << name.toStdString();
    }
}

// A whole run through a saved connection to pyftpdlib, for each way the host may be typed. The
// server listens where the host leads: ::1 for the addresses, and localhost's first address on
// this machine (::1 or 127.0.0.1, whichever the hosts file names first) for the name.
TEST(FtpIpv6, ARunUploadsThroughAConnectionToEachWayOfWritingTheHost)
{
    const QString problem = Ipv6LoopbackProblem();
    if (!problem.isEmpty())
        GTEST_SKIP() << "::1 cannot be listened on here: " << problem.toStdString();
    const QString localhost = FirstAddressOf("localhost");
    ASSERT_FALSE(localhost.isEmpty()) << "localhost has no address";
    struct Case
    {
        QString host;
        QString listen;
    };
    for (const Case &c : {Case{QStringLiteral("::1"), QStringLiteral("::1")},
                          Case{QStringLiteral("[::1]"), QStringLiteral("::1")},
                          Case{QStringLiteral("localhost"), localhost}}) {
        SCOPED_TRACE((c.host + QStringLiteral(" on ") + c.listen).toStdString());
        PyftpdServer server(QStringLiteral("plain"), TestCertificate::Get(), c.listen);
        ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
        TempTree source;
        source.write(QStringLiteral("index.html"), "<html></html>\r\n");
        source.write(QStringLiteral("logo.png"), BinaryPayload(200000));
        TFTPConnList connections;
        auto conn = TestConnection(QStringLiteral("Test server"), server.Port());
        conn->SetHost(c.host);
        connections.AddConnection(std::move(conn));
        const TCopyProject project = UploadProject(source.path(), QStringLiteral("*"), ofAll,
                                                   QStringLiteral("/www"));
        RecordingLog log;
        EXPECT_TRUE(RunProject(project, QStringLiteral("out"), connections, log))
            << log.Lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(log.Lines.last(),
                  QStringLiteral("Copied: 2, skipped: 0, already existed: 0, failed: 0"))
            << log.Lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/www/logo.png")), BinaryPayload(200000));
        EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/www/index.html")),
                  QByteArray("<html></html>\r\n"));
    }
}

// Over IPv6, PASV cannot name the server's address: every data connection is asked for with
// EPSV and goes to the control connection's peer with the port of the 229 reply.
TEST(FtpIpv6, DataConnectionsOfAnIpv6ConnectionUseEpsv)
{
    const QString problem = Ipv6LoopbackProblem();
    if (!problem.isEmpty())
        GTEST_SKIP() << "::1 cannot be listened on here: " << problem.toStdString();
    Scenario scenario;
    scenario.ListenIPv6 = true;
    scenario.Listing = "type=file;size=4; a.txt\r\n";
    ScriptedFtpServer server(scenario);
    ASSERT_NE(server.Port(), 0);
    auto ftp = MakeTestClient(server.Port());
    ftp->SetHost(QStringLiteral("::1"));
    ASSERT_NO_THROW(ftp->Connect());
    EXPECT_EQ(PutText(*ftp, "data", QStringLiteral("up.txt")), kNoError);
    EXPECT_NO_THROW(ftp->List());
    ASSERT_EQ(ftp->DirectoryListing().size(), 1);
    EXPECT_EQ(ftp->DirectoryListing()[0].FileName, QStringLiteral("a.txt"));
    EXPECT_EQ(server.Stored(QStringLiteral("up.txt")), QByteArray("data"));
    EXPECT_EQ(server.DataConnections(), 2);
    EXPECT_EQ(CommandsAfterLogin(server.Commands()),
              Lines({"EPSV", "STOR up.txt", "EPSV", "MLSD"}));
}

// HOST names an address in brackets (RFC 7151, 3): an IPv6 address however it was typed, and
// never twice bracketed; a name goes as typed.
TEST(FtpIpv6, HostNamesAnIpv6AddressInBrackets)
{
    const QString problem = Ipv6LoopbackProblem();
    if (!problem.isEmpty())
        GTEST_SKIP() << "::1 cannot be listened on here: " << problem.toStdString();
    struct Case
    {
        const char *host;
        bool ipv6; // where the server listens
        const char *sent;
    };
    for (const Case &c :
         {Case{"::1", true, "HOST [::1]"}, Case{"[::1]", true, "HOST [::1]"},
          Case{"0:0::1", true, "HOST [0:0::1]"}, Case{"127.0.0.1", false, "HOST [127.0.0.1]"},
          Case{"localhost", false, "HOST localhost"}}) {
        SCOPED_TRACE(c.host);
        Scenario scenario;
        scenario.ListenIPv6 = c.ipv6;
        ScriptedFtpServer server(scenario);
        ASSERT_NE(server.Port(), 0);
        auto ftp = MakeTestClient(server.Port());
        ftp->SetHost(QString::fromLatin1(c.host));
        EXPECT_NO_THROW(ftp->Connect());
        ftp->Disconnect();
        server.WaitUntilClosed();
        EXPECT_EQ(server.Transcript(), Lines({"<connect>", c.sent, "USER user", "PASS secret",
                                              "FEAT", "TYPE I", "SYST", "QUIT"}));
    }
}

// A server that does not know PASV (500, 502) gets EPSV, and from then on only EPSV, for the
// rest of the session, reconnections included.
TEST(FtpEpsv, RefusedPasvIsFollowedByEpsvForTheRestOfTheSession)
{
    for (const char *refusal : {"500 PASV not understood.", "502 Command not implemented."}) {
        SCOPED_TRACE(refusal);
        Scenario scenario;
        scenario.Replies[QStringLiteral("PASV")] = QStringList{QString::fromLatin1(refusal)};
        scenario.Listing = "type=file;size=4; a.txt\r\n";
        ScriptedFtpServer server(scenario);
        auto ftp = MakeTestClient(server.Port());
        ASSERT_NO_THROW(ftp->Connect());
        EXPECT_EQ(PutText(*ftp, "one", QStringLiteral("a.txt")), kNoError);
        EXPECT_NO_THROW(ftp->List());
        EXPECT_EQ(PutText(*ftp, "two", QStringLiteral("b.txt")), kNoError);
        ftp->Disconnect();
        ASSERT_NO_THROW(ftp->Connect());
        EXPECT_EQ(PutText(*ftp, "three", QStringLiteral("c.txt")), kNoError);
        ftp->Disconnect();
        server.WaitUntilClosed();
        EXPECT_EQ(server.Stored(QStringLiteral("a.txt")), QByteArray("one"));
        EXPECT_EQ(server.Stored(QStringLiteral("b.txt")), QByteArray("two"));
        EXPECT_EQ(server.Stored(QStringLiteral("c.txt")), QByteArray("three"));
        QStringList transfers;
        for (const QString &command : server.Commands())
            if (command == QLatin1String("PASV") || command == QLatin1String("EPSV")
                || command.startsWith(QLatin1String("STOR")) || command == QLatin1String("MLSD"))
                transfers.append(command);
        EXPECT_EQ(transfers, Lines({"PASV", "EPSV", "STOR a.txt", "EPSV", "MLSD", "EPSV",
                                    "STOR b.txt", "EPSV", "STOR c.txt"}));
    }
}

namespace {

struct RefusedEpsvCase
{
    const char *what;
    const char *pasv; // the reply to PASV, or nullptr for the server's own
    const char *epsv;
    const char *message;
};

// The upload fails with the server's text, sends no STOR, and leaves the connection in step:
// the next command gets its own reply.
void ExpectRefusedEpsvFails(const RefusedEpsvCase &c, bool ipv6)
{
    SCOPED_TRACE(c.what);
    Scenario scenario;
    scenario.ListenIPv6 = ipv6;
    if (c.pasv)
        scenario.Replies[QStringLiteral("PASV")] = QStringList{QString::fromLatin1(c.pasv)};
    scenario.Replies[QStringLiteral("EPSV")] = QStringList{QString::fromLatin1(c.epsv)};
    ScriptedFtpServer server(scenario);
    ASSERT_NE(server.Port(), 0);
    auto ftp = MakeTestClient(server.Port());
    ftp->SetHost(ipv6 ? QStringLiteral("::1") : QStringLiteral("127.0.0.1"));
    ASSERT_NO_THROW(ftp->Connect());
    EXPECT_EQ(PutText(*ftp, "data", QStringLiteral("up.txt")), QString::fromLatin1(c.message));
    EXPECT_NO_THROW(ftp->MakeDir(QStringLiteral("next")));
    const QStringList after = CommandsAfterLogin(server.Commands());
    EXPECT_FALSE(after.contains(QStringLiteral("STOR up.txt")))
        << after.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(after.last(), QStringLiteral("MKD next"));
    EXPECT_EQ(server.DataConnections(), 0);
}

} // namespace

TEST(FtpEpsv, RefusedEpsvAfterRefusedPasvFailsTheTransferWithTheServerText)
{
    for (const RefusedEpsvCase &c :
         {RefusedEpsvCase{"refused", "502 PASV not here.", "500 EPSV not understood.",
                          "EPSV not understood."},
          RefusedEpsvCase{"unreadable", "500 PASV not understood.",
                          "229 Entering Extended Passive Mode", "Entering Extended Passive Mode"}})
        ExpectRefusedEpsvFails(c, false);
}

TEST(FtpIpv6, RefusedEpsvFailsTheTransferWithTheServerText)
{
    const QString problem = Ipv6LoopbackProblem();
    if (!problem.isEmpty())
        GTEST_SKIP() << "::1 cannot be listened on here: " << problem.toStdString();
    for (const RefusedEpsvCase &c :
         {RefusedEpsvCase{"refused", nullptr, "500 EPSV not understood.", "EPSV not understood."},
          RefusedEpsvCase{"port 0", nullptr, "229 Entering Extended Passive Mode (|||0|)",
                          "Entering Extended Passive Mode (|||0|)"}})
        ExpectRefusedEpsvFails(c, true);
}
