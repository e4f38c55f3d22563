// The protocol client against the scripted server: command transcripts and outcomes.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "ftp/FTPErrors.h"
#include "ftp/IdFTP.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMutex>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Scenario = ScriptedFtpServer::Scenario;

// The login every plain connection makes before the test's own commands.
const QStringList kPlainLogin = Lines(
    {"HOST [127.0.0.1]", "USER user", "PASS secret", "FEAT", "TYPE I", "SYST"});

// The class name (shown in the run log for an empty message) of the error call raises as
// Error, or why there is none.
template <typename Error, typename Call>
std::string ClassNameOf(Call call)
{
    try {
        call();
    } catch (const Error &error) {
        return error.ClassName();
    } catch (const std::exception &error) {
        return std::string("<other error: ") + error.what() + ">";
    }
    return "<no error>";
}

// Collects the states the client's state trace reports ("host: Old -> New" gives "New") while
// it exists.
class StateTrace
{
public:
    StateTrace()
    {
        s_current = this;
        QLoggingCategory::setFilterRules(QStringLiteral("rovanel.ftp.state.debug=true"));
        FPrevious = qInstallMessageHandler(&StateTrace::Handle);
    }
    ~StateTrace()
    {
        qInstallMessageHandler(FPrevious);
        QLoggingCategory::setFilterRules(QString());
        s_current = nullptr;
    }
    StateTrace(const StateTrace &) = delete;
    StateTrace &operator=(const StateTrace &) = delete;

    QStringList States() const
    {
        QMutexLocker lock(&FMutex);
        return FStates;
    }

private:
    static void Handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (s_current && context.category && qstrcmp(context.category, "rovanel.ftp.state") == 0) {
            QMutexLocker lock(&s_current->FMutex);
            s_current->FStates.append(text.section(QStringLiteral(" -> "), 1));
        } else if (s_current && s_current->FPrevious) {
            s_current->FPrevious(type, context, text);
        }
    }

    static inline StateTrace *s_current = nullptr;
    QtMessageHandler FPrevious = nullptr;
    mutable QMutex FMutex;
    QStringList FStates;
};

} // namespace

TEST(FtpProtocol, StateFollowsTheConnectSequence)
{
    struct Case
    {
        const char *name;
        TIdUseTLS mode;
        ScriptedFtpServer::Scenario scenario;
        bool loginFails;
        QStringList states; // from the first change on
    };
    Scenario explicitTls;
    explicitTls.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("234 Proceed")};
    Scenario implicitTls;
    implicitTls.ImplicitTLS = true;
    Scenario hostCloses;
    hostCloses.Replies[QStringLiteral("HOST")] = QStringList{QStringLiteral("<close>")};
    Scenario loginRefused;
    loginRefused.Replies[QStringLiteral("PASS")] = Lines({"530 Login incorrect."});
    const QStringList login = Lines({"Login", "Features", "Setup", "LoggedIn"});
    const Case cases[] = {
        {"plain", utNoTLSSupport, {}, false, Lines({"Connecting", "Greeting", "Host"}) + login},
        {"explicit TLS", utUseExplicitTLS, explicitTls, false,
         Lines({"Connecting", "Greeting", "Host", "Auth", "TlsHandshake"}) + login},
        {"implicit TLS", utUseImplicitTLS, implicitTls, false,
         Lines({"Connecting", "TlsHandshake", "Greeting", "Host"}) + login},
        {"HOST closes the connection", utNoTLSSupport, hostCloses, false,
         Lines({"Connecting", "Greeting", "Host", "Closed", "Connecting", "Greeting"}) + login},
        {"login refused", utNoTLSSupport, loginRefused, true,
         Lines({"Connecting", "Greeting", "Host", "Login", "Closed"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedFtpServer server(c.scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), c.mode, &tls);
        StateTrace trace;
        if (c.loginFails) {
            EXPECT_THROW(ftp->Connect(), EIdReplyRFCError);
            EXPECT_EQ(ftp->State(), TIdFTPState::Closed);
            EXPECT_EQ(trace.States(), c.states);
            continue;
        }
        ftp->Connect();
        EXPECT_EQ(ftp->State(), TIdFTPState::LoggedIn);
        ftp->Disconnect();
        EXPECT_EQ(ftp->State(), TIdFTPState::Closed);
        EXPECT_EQ(trace.States(), c.states + Lines({"Closed"}));
    }
}

TEST(FtpProtocol, StateNamesAreDistinct)
{
    QStringList names;
    for (int i = 0; i < kIdFTPStateCount; ++i)
        names.append(QString::fromLatin1(StateName(TIdFTPState(i))));
    EXPECT_EQ(names.first(), QStringLiteral("Closed"));
    EXPECT_EQ(names.last(), QStringLiteral("LoggedIn"));
    EXPECT_EQ(names.removeDuplicates(), 0);
    EXPECT_FALSE(names.contains(QStringLiteral("?")));
}

TEST(FtpProtocol, PlainLoginSendsTheSequenceAndQuits)
{
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    QStringList events;
    ftp->SetOnBannerBeforeLogin(
        [&](TIdFTP &, const QString &text) { events << QStringLiteral("before:") + text; });
    ftp->SetOnBannerAfterLogin(
        [&](TIdFTP &, const QString &text) { events << QStringLiteral("after:") + text; });
    ftp->Connect();
    EXPECT_EQ(ftp->State(), TIdFTPState::LoggedIn);
    EXPECT_EQ(ftp->ServerDesc(), QStringLiteral("Scripted FTP server ready"));
    EXPECT_EQ(ftp->SystemDesc(), QStringLiteral("UNIX Type: L8"));
    EXPECT_TRUE(ftp->CanUseMLS());
    EXPECT_EQ(events, Lines({"before:Scripted FTP server ready", "after:Logged in"}));
    ftp->Disconnect();
    EXPECT_FALSE(ftp->Connected());
    server.WaitUntilClosed();
    EXPECT_EQ(server.Transcript(),
              QStringList{QStringLiteral("<connect>")} + kPlainLogin + Lines({"QUIT"}));
}

TEST(FtpProtocol, HostNameIsSentAsConfigured)
{
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    ftp->SetHost(QStringLiteral("localhost"));
    ftp->Connect();
    EXPECT_EQ(server.Commands().value(0), QStringLiteral("HOST localhost"));
}

TEST(FtpProtocol, ServerClosingOnHostGetsOneRetryWithoutHost)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("HOST")] = QStringList{QStringLiteral("<close>")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(ftp->State(), TIdFTPState::LoggedIn);
    QStringList expected = Lines({"<connect>", "HOST [127.0.0.1]", "<connect>"})
                           + kPlainLogin.mid(1);
    EXPECT_EQ(server.Transcript(), expected);
}

TEST(FtpProtocol, HostRefusedWithoutClosingIsIgnored)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("HOST")] = QStringList{
        QStringLiteral("500 HOST not understood")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(server.Transcript(), QStringList{QStringLiteral("<connect>")} + kPlainLogin);
}

TEST(FtpProtocol, GreetingAfterPreliminaryReplyAndMultiLineGreeting)
{
    Scenario scenario;
    scenario.Greeting = QStringLiteral(
        "120 Ready in a moment\r\n220-Welcome\r\n  to the\r\n220-also\r\n220 server");
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(ftp->Greeting().Code, 220);
    EXPECT_EQ(ftp->Greeting().Text, Lines({"Welcome", "to the", "also", "server"}));
    EXPECT_EQ(ftp->ServerDesc(), QStringLiteral("Welcome"));
}

TEST(FtpProtocol, RefusedGreetingRaisesItsText)
{
    Scenario scenario;
    scenario.Greeting = QStringLiteral("554-Go away\r\n554 Really");
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->Connect(); }),
              QStringLiteral("Go away\r\nReally"));
    EXPECT_FALSE(ftp->Connected());
    EXPECT_TRUE(server.Commands().isEmpty());
}

TEST(FtpProtocol, ExplicitTlsTakesTheFirstAuthThatIsAccepted)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("AUTH")] = Lines(
        {"504 Not this one", "234 Proceed with negotiation"});
    ScriptedFtpServer server(scenario);
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
    ftp->Connect();
    EXPECT_TRUE(ftp->TLSInUse());
    EXPECT_EQ(server.Commands(),
              Lines({"HOST [127.0.0.1]", "AUTH TLS", "AUTH SSL"}) + kPlainLogin.mid(1));

    // Data settings go out once per connection, before the first PASV; every data connection
    // resumes the control connection's TLS session.
    ftp->List();
    ftp->List();
    EXPECT_EQ(server.Commands().mid(kPlainLogin.size() + 2),
              Lines({"PBSZ 0", "PROT P", "PASV", "MLSD", "PASV", "MLSD"}));
    EXPECT_EQ(server.TlsDataConnections(), 2);
    EXPECT_EQ(server.ResumedDataConnections(), 2);
}

TEST(FtpProtocol, AllAuthRefused)
{
    struct Case
    {
        TIdUseTLS mode;
        const char *error; // nullptr: logs in without TLS
    };
    for (const Case &c : {Case{utUseExplicitTLS, nullptr},
                          Case{utUseRequireTLS, "SSL is not available on this server."}}) {
        SCOPED_TRACE(int(c.mode));
        Scenario scenario;
        scenario.Replies[QStringLiteral("AUTH")] = QStringList{
            QStringLiteral("500 Unknown command")};
        ScriptedFtpServer server(scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), c.mode, &tls);
        const QStringList auth = Lines(
            {"HOST [127.0.0.1]", "AUTH TLS", "AUTH SSL", "AUTH TLS-C", "AUTH TLS-P"});
        if (c.error) {
            EXPECT_EQ(MessageOf<Exception>([&] { ftp->Connect(); }), QString::fromUtf8(c.error));
            EXPECT_FALSE(ftp->Connected());
            EXPECT_EQ(server.Commands(), auth);
        } else {
            ftp->Connect();
            EXPECT_FALSE(ftp->TLSInUse());
            QBuffer source;
            source.setData(QByteArray("plain data"));
            source.open(QIODevice::ReadOnly);
            ftp->Put(source, QStringLiteral("a.txt"));
            // A connection that fell back to plain text sends no PBSZ or PROT.
            EXPECT_EQ(server.Commands(), auth + kPlainLogin.mid(1) + Lines({"PASV", "STOR a.txt"}));
            EXPECT_EQ(server.Stored(QStringLiteral("a.txt")), QByteArray("plain data"));
            EXPECT_EQ(server.TlsDataConnections(), 0);
        }
    }
}

TEST(FtpProtocol, AuthAnsweredNeitherYesNorNoFails)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("331 What?")};
    ScriptedFtpServer server(scenario);
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
    EXPECT_EQ(MessageOf<Exception>([&] { ftp->Connect(); }),
              QStringLiteral("Start SSL negotiation command failed."));
    EXPECT_EQ(server.Commands(), Lines({"HOST [127.0.0.1]", "AUTH TLS"}));
}

TEST(FtpProtocol, RefusedLoginRaisesTheServerTextAndQuits)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("PASS")] = QStringList{QStringLiteral("530 Login incorrect.")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    bool afterLogin = false;
    ftp->SetOnBannerAfterLogin([&](TIdFTP &, const QString &) { afterLogin = true; });
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->Connect(); }),
              QStringLiteral("Login incorrect."));
    EXPECT_FALSE(afterLogin);
    EXPECT_FALSE(ftp->Connected());
    server.WaitUntilClosed();
    EXPECT_EQ(server.Commands(), Lines({"HOST [127.0.0.1]", "USER user", "PASS secret", "QUIT"}));
}

TEST(FtpProtocol, AccountRequestIsAnError)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("PASS")] = QStringList{
        QStringLiteral("332 Need account for login.")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->Connect(); }),
              QStringLiteral("Need account for login."));
}

TEST(FtpProtocol, ServiceClosingInMidSessionClosesTheConnection)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("CWD")] = QStringList{
        QStringLiteral("421 Service not available, closing control connection.")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->ChangeDir(QStringLiteral("/a")); }),
              QStringLiteral("Service not available, closing control connection."));
    EXPECT_FALSE(ftp->Connected());
    EXPECT_EQ(ftp->State(), TIdFTPState::Closed);
    // Every later command fails without reaching the server.
    EXPECT_THROW(ftp->MakeDir(QStringLiteral("b")), EIdSocketError);
    EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD /a"));
}

TEST(FtpProtocol, RefusedDirectoryCommandsKeepTheConnection)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("CWD")] = Lines({"550 No such directory.", "250 OK"});
    scenario.Replies[QStringLiteral("MKD")] = QStringList{QStringLiteral("550 Permission denied.")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->ChangeDir(QStringLiteral("x")); }),
              QStringLiteral("No such directory."));
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->MakeDir(QStringLiteral("y")); }),
              QStringLiteral("Permission denied."));
    ftp->ChangeDir(QStringLiteral("x"));
    EXPECT_EQ(server.Commands().mid(kPlainLogin.size()), Lines({"CWD x", "MKD y", "CWD x"}));
}

TEST(FtpProtocol, SilentServerTimesOut)
{
    for (const char *where : {"greeting", "command"}) {
        SCOPED_TRACE(where);
        Scenario scenario;
        if (QByteArray(where) == "greeting")
            scenario.Greeting = QStringLiteral("<silent>");
        else
            scenario.Replies[QStringLiteral("CWD")] = QStringList{QStringLiteral("<silent>")};
        ScriptedFtpServer server(scenario);
        auto ftp = MakeTestClient(server.Port());
        ftp->SetReadTimeout(300);
        if (QByteArray(where) == "greeting") {
            EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { ftp->Connect(); }),
                      QStringLiteral("Read timed out."));
            EXPECT_FALSE(ftp->Connected());
        } else {
            ftp->Connect();
            EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { ftp->ChangeDir(QStringLiteral("a")); }),
                      QStringLiteral("Read timed out."));
        }
    }
}

TEST(FtpProtocol, BrokenTransferWithoutItsReplyInTimeClosesTheConnection)
{
    // The 426 of the broken listing comes after the client stopped waiting for it; had the
    // connection stayed open, it would have been taken as the answer to the next command.
    Scenario scenario;
    scenario.StallListing = true;
    scenario.BrokenTransferReplyDelayMs = 1500;
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->SetReadTimeout(300);
    EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { ftp->List(); }), QStringLiteral("Read timed out."));
    EXPECT_FALSE(ftp->Connected());
    EXPECT_EQ(ftp->State(), TIdFTPState::Closed);
    ftp->SetReadTimeout(10000);
    EXPECT_THROW(ftp->ChangeDir(QStringLiteral("next")), EIdSocketError);
    EXPECT_EQ(server.Commands().last(), QStringLiteral("MLSD"));
}

TEST(FtpProtocol, TlsListingEndedWithoutCloseNotifyIsComplete)
{
    Scenario scenario;
    scenario.ImplicitTLS = true;
    scenario.ListingWithoutCloseNotify = true;
    scenario.Listing = "type=file;size=3;modify=20240102030405; a.txt\r\n"
                       "type=file;size=5;modify=20240102030405; b.txt\r\n";
    ScriptedFtpServer server(scenario);
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseImplicitTLS, &tls);
    ftp->Connect();
    ftp->List();
    ASSERT_EQ(ftp->DirectoryListing().size(), 2);
    EXPECT_EQ(ftp->DirectoryListing()[1].FileName, QStringLiteral("b.txt"));
    EXPECT_EQ(server.TlsDataConnections(), 1);
    ftp->ChangeDir(QStringLiteral("next"));
    EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD next"));
}

TEST(FtpProtocol, StalledDataConnectionTimesOutAndKeepsTheControlInStep)
{
    Scenario scenario;
    scenario.StallListing = true;
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->SetReadTimeout(300);
    EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { ftp->List(); }), QStringLiteral("Read timed out."));
    ftp->SetReadTimeout(10000);
    ftp->ChangeDir(QStringLiteral("next"));
    EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD next"));
}

TEST(FtpProtocol, FinalReplyWhileTheDataConnectionIsOpenEndsTheTransfer)
{
    // The server refuses the transfer on the control connection and leaves the data connection
    // open: the reply must end the wait at once instead of the read time-out.
    struct Case
    {
        const char *name;
        bool upload;
        int size; // of the upload
        TIdUseTLS mode;
    };
    const Case cases[] = {
        {"small upload", true, 10, utNoTLSSupport},
        {"upload larger than the socket buffers", true, 8 * 1024 * 1024, utNoTLSSupport},
        {"listing", false, 0, utNoTLSSupport},
        {"upload over TLS", true, 8 * 1024 * 1024, utUseImplicitTLS},
        {"listing over TLS", false, 0, utUseImplicitTLS},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scenario scenario;
        scenario.ImplicitTLS = c.mode == utUseImplicitTLS;
        scenario.ReplyWithDataOpen = QStringLiteral(
            "451 Requested action aborted: local error in processing.");
        ScriptedFtpServer server(scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), c.mode, &tls);
        ftp->SetReadTimeout(30000);
        ftp->Connect();
        QBuffer source;
        source.setData(BinaryPayload(c.size));
        source.open(QIODevice::ReadOnly);
        QElapsedTimer timer;
        timer.start();
        const QString message = MessageOf<EIdReplyRFCError>([&] {
            if (c.upload)
                ftp->Put(source, QStringLiteral("up.bin"));
            else
                ftp->List();
        });
        // Far below the 30 s time-out; a generous margin for a loaded machine.
        EXPECT_LT(timer.elapsed(), 5000);
        EXPECT_EQ(message, QStringLiteral("Requested action aborted: local error in processing."));
        // The reply was taken: the next command gets its own.
        ftp->ChangeDir(QStringLiteral("next"));
        EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD next"));
    }
}

TEST(FtpProtocol, ListingWhoseReplyComesBeforeItsDataIsWhole)
{
    Scenario scenario;
    scenario.ListingReplyFirst = true;
    scenario.Listing = "type=file;size=3; a.txt\r\ntype=file;size=5; b.txt\r\n";
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->List();
    ASSERT_EQ(ftp->DirectoryListing().size(), 2);
    EXPECT_EQ(ftp->DirectoryListing()[1].FileName, QStringLiteral("b.txt"));
    ftp->ChangeDir(QStringLiteral("next"));
    EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD next"));
}

TEST(FtpProtocol, OverLongRepliesAreProtocolErrors)
{
    struct Case
    {
        const char *name;
        QString greeting;
        QString error;
    };
    QString manyLines = QStringLiteral("220-start\r\n");
    for (int i = 0; i < 10001; ++i)
        manyLines += QStringLiteral(" line\r\n");
    manyLines += QStringLiteral("220 end");
    const Case cases[] = {
        {"long line", QStringLiteral("220 ") + QString(70000, QLatin1Char('x')),
         QStringLiteral("Reply line too long.")},
        {"many lines", manyLines, QStringLiteral("Reply of more than 10000 lines.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scenario scenario;
        scenario.Greeting = c.greeting;
        ScriptedFtpServer server(scenario);
        auto ftp = MakeTestClient(server.Port());
        EXPECT_EQ(MessageOf<EIdFTPProtocolError>([&] { ftp->Connect(); }), c.error);
        EXPECT_FALSE(ftp->Connected());
    }
    // Just inside the limit is fine.
    Scenario scenario;
    scenario.Greeting = QStringLiteral("220 ") + QString(65000, QLatin1Char('y'));
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(ftp->ServerDesc().size(), 65000);
}

TEST(FtpProtocol, LineBreaksInArgumentsNeverReachTheServer)
{
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    const QStringList sent = server.Commands();
    EXPECT_THROW(ftp->ChangeDir(QStringLiteral("a\r\nDELE b")), EIdFTPCommandError);
    EXPECT_THROW(ftp->MakeDir(QStringLiteral("a\nb")), EIdFTPCommandError);
    QBuffer source;
    source.open(QIODevice::ReadOnly);
    EXPECT_THROW(ftp->Put(source, QStringLiteral("x\r.txt")), EIdFTPCommandError);
    ftp->ChangeDir(QStringLiteral("ok"));
    // The refused STOR sent nothing, not even its PASV.
    EXPECT_EQ(server.Commands(), sent + Lines({"CWD ok"}));
}

TEST(FtpProtocol, NamesBeyondLatin1NeedAUtf8Server)
{
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ASSERT_FALSE(ftp->UsingUTF8());
    const QStringList sent = server.Commands();
    EXPECT_THROW(ftp->MakeDir(QStringLiteral("日本")), EIdFTPCommandError);
    // Latin-1 names go out as single bytes.
    ftp->MakeDir(QStringLiteral("café"));
    server.WaitUntilClosed();
    EXPECT_EQ(server.Commands().mid(sent.size()).size(), 1);
}

TEST(FtpProtocol, FailedHandshakeAfterAuth)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("234 Proceed")};
    scenario.CloseAfterAuth = true;
    ScriptedFtpServer server(scenario);
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseRequireTLS, &tls);
    EXPECT_EQ(MessageOf<EIdOSSLError>([&] { ftp->Connect(); }),
              QStringLiteral("SSL negotiation failed."));
    EXPECT_FALSE(ftp->Connected());
}

TEST(FtpProtocol, PassiveReplyWithoutParentheses)
{
    Scenario scenario;
    scenario.PasvFormat = QStringLiteral("227 Entering Passive Mode %1");
    scenario.Listing = "type=file;size=3;modify=20240102030405; a.txt\r\n";
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->List();
    ASSERT_EQ(ftp->DirectoryListing().size(), 1);
    EXPECT_EQ(ftp->DirectoryListing()[0].FileName, QStringLiteral("a.txt"));
}

// A PASV refused otherwise than as unknown (500, 502: then EPSV follows, see Ipv6Test).
TEST(FtpProtocol, RefusedPassiveRaisesItsText)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("PASV")] = QStringList{
        QStringLiteral("425 No passive mode here")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->List(); }),
              QStringLiteral("No passive mode here"));
    EXPECT_TRUE(ftp->Connected());
    EXPECT_EQ(CommandsAfterLogin(server.Commands()), QStringList{QStringLiteral("PASV")});
}

TEST(FtpProtocol, PretPrecedesPassiveWhenListed)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("FEAT")] = QStringList{
        QStringLiteral("211-Features:\r\n PRET\r\n211 End")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_FALSE(ftp->CanUseMLS());
    ftp->List();
    EXPECT_EQ(server.Commands().mid(kPlainLogin.size()), Lines({"PRET LIST", "PASV", "LIST"}));
}

TEST(FtpProtocol, ListingRefusedWith450IsEmpty)
{
    Scenario scenario;
    scenario.Listing = "type=file; a.txt\r\n";
    scenario.Replies[QStringLiteral("MLSD")] = Lines({"150 Here it comes", "450 No files found"});
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->List();
    EXPECT_EQ(ftp->DirectoryListing().size(), 1);
    ftp->List();
    EXPECT_TRUE(ftp->DirectoryListing().isEmpty());
    // The control connection is still in step.
    ftp->ChangeDir(QStringLiteral("a"));
    EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD a"));
}

TEST(FtpProtocol, UploadArrivesByteForByteAndResetIsReported)
{
    Scenario scenario;
    scenario.StorResetAfter = 100000;
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    QBuffer small;
    small.setData(BinaryPayload(5000));
    small.open(QIODevice::ReadOnly);
    small.read(100); // Put starts from the beginning, whatever was read before
    ftp->Put(small, QStringLiteral("small.bin"));
    EXPECT_EQ(server.Stored(QStringLiteral("small.bin")), BinaryPayload(5000));

    QBuffer big;
    big.setData(BinaryPayload(8 * 1024 * 1024));
    big.open(QIODevice::ReadOnly);
    EXPECT_ANY_THROW(ftp->Put(big, QStringLiteral("big.bin")));
    // The failure left the control connection usable and in step with its replies.
    ftp->ChangeDir(QStringLiteral("after"));
    EXPECT_EQ(server.Commands().mid(kPlainLogin.size()),
              Lines({"PASV", "STOR small.bin", "PASV", "STOR big.bin", "CWD after"}));
}

namespace {

// A source that fails after handing out some data, as a file on a failing disk does.
class FailingSource : public QIODevice
{
public:
    FailingSource() { open(QIODevice::ReadOnly); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (FGiven >= 200000) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        const qint64 n = qMin<qint64>(maxSize, 50000);
        std::memset(data, 'x', size_t(n));
        FGiven += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 FGiven = 0;
};

} // namespace

TEST(FtpProtocol, UnreadableSourceBreaksTheTransferOff)
{
    ScriptedFtpServer server({});
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    FailingSource source;
    // A reset tells the server that the data is not complete (a plain close would read as a
    // finished upload), and the server's answer is the error.
    EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] { ftp->Put(source, QStringLiteral("broken.bin")); }),
              QStringLiteral("Connection closed; transfer aborted."));
    ftp->ChangeDir(QStringLiteral("next"));
    EXPECT_EQ(server.Commands().last(), QStringLiteral("CWD next"));
}

TEST(FtpProtocol, Utf8IsUsedOnceListed)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("FEAT")] = QStringList{
        QStringLiteral("211-Features:\r\n UTF8\r\n CLNT\r\n211 End")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    EXPECT_TRUE(ftp->UsingUTF8());
    ftp->MakeDir(QStringLiteral("Grüße"));
    const QStringList commands = server.Commands();
    EXPECT_EQ(commands.mid(3, 2), (QStringList{QStringLiteral("FEAT"),
                                               QStringLiteral("CLNT ") + TIdFTP::ClientInfo()}));
    EXPECT_EQ(commands.last(), QStringLiteral("MKD Grüße"));
}

TEST(FtpProtocol, ImplicitTlsSendsDataSettingsOnceAndResumesTheSession)
{
    Scenario scenario;
    scenario.ImplicitTLS = true;
    ScriptedFtpServer server(scenario);
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseImplicitTLS, &tls);
    ftp->Connect();
    EXPECT_TRUE(ftp->TLSInUse());
    for (const char *name : {"one.bin", "two.bin"}) {
        QBuffer source;
        source.setData(BinaryPayload(300000));
        source.open(QIODevice::ReadOnly);
        ftp->Put(source, QString::fromLatin1(name));
        EXPECT_EQ(server.Stored(QString::fromLatin1(name)).size(), 300000) << name;
        EXPECT_EQ(server.Stored(QString::fromLatin1(name)), BinaryPayload(300000));
    }
    EXPECT_EQ(server.Commands().mid(kPlainLogin.size()),
              Lines({"PBSZ 0", "PROT P", "PASV", "STOR one.bin", "PASV", "STOR two.bin"}));
    EXPECT_EQ(server.TlsDataConnections(), 2);
    EXPECT_EQ(server.ResumedDataConnections(), 2);
}

TEST(FtpProtocol, ImplicitTlsAgainstPlainServerFailsWithReason)
{
    ScriptedFtpServer server({});
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseImplicitTLS, &tls);
    const QString message = MessageOf<EIdOSSLError>([&] { ftp->Connect(); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Error connecting with SSL.\r\n")))
        << message.toStdString();
    EXPECT_GT(message.size(), QStringLiteral("Error connecting with SSL.\r\n").size());
}

TEST(FtpProtocol, ClientSideErrorsHaveTheirOwnTypes)
{
    {
        TIdFTP ftp;
        EXPECT_EQ(ClassNameOf<EIdFTPNoIOHandler>([&] { ftp.SetUseTLS(utUseExplicitTLS); }),
                  "EIdFTPNoIOHandler");
    }
    {
        Scenario scenario;
        scenario.Replies[QStringLiteral("AUTH")] = Lines({"500 Unknown command"});
        ScriptedFtpServer server(scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), utUseRequireTLS, &tls);
        EXPECT_EQ(ClassNameOf<EIdFTPNoTLSSupport>([&] { ftp->Connect(); }), "EIdFTPNoTLSSupport");
    }
    {
        Scenario scenario;
        scenario.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("331 What?")};
        ScriptedFtpServer server(scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
        EXPECT_EQ(ClassNameOf<EIdTLSClientStartTLSCmdFailed>([&] { ftp->Connect(); }),
                  "EIdTLSClientStartTLSCmdFailed");
    }
    {
        Scenario scenario;
        scenario.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("234 Proceed")};
        scenario.CloseAfterAuth = true;
        ScriptedFtpServer server(scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
        EXPECT_EQ(ClassNameOf<EIdTLSClientTLSHandShakeFailed>([&] { ftp->Connect(); }),
                  "EIdTLSClientTLSHandShakeFailed");
    }
    {
        ScriptedFtpServer server({});
        auto ftp = MakeTestClient(server.Port());
        ftp->Connect();
        ftp->SetPassive(false);
        EXPECT_EQ(ClassNameOf<EIdFTPException>([&] { ftp->List(); }), "EIdFTPException");
        // Refused before anything went out for the listing.
        EXPECT_EQ(server.Commands(), kPlainLogin);
    }
}

TEST(FtpProtocol, UseTlsMovesThePortAndNeedsTheChannel)
{
    TIdSSLIOHandlerSocketOpenSSL tls;
    TIdFTP ftp;
    EXPECT_EQ(ftp.Port(), 21);
    EXPECT_THROW(ftp.SetUseTLS(utUseExplicitTLS), Exception);
    ftp.SetIOHandler(&tls);
    ftp.SetUseTLS(utUseImplicitTLS);
    EXPECT_EQ(ftp.Port(), 990);
    ftp.SetUseTLS(utUseImplicitTLS);
    EXPECT_EQ(ftp.Port(), 990);
    ftp.SetUseTLS(utUseExplicitTLS);
    EXPECT_EQ(ftp.Port(), 21);
    ftp.SetPort(2121);
    ftp.SetUseTLS(utUseImplicitTLS);
    EXPECT_EQ(ftp.Port(), 2121);
    ftp.SetPort(990);
    ftp.SetUseTLS(utNoTLSSupport);
    EXPECT_EQ(ftp.Port(), 21);
}
