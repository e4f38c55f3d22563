// Reading PASV and EPSV replies, and where the data connection goes whatever a PASV reply
// names.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "ftp/FTPErrors.h"
#include "ftp/FTPPassive.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

using Scenario = ScriptedFtpServer::Scenario;

TEST(FtpPassive, ReplyTextsGiveAddressAndPort)
{
    struct Case
    {
        const char *line;
        const char *host;
        int port;
    };
    const Case cases[] = {
        {"Entering Passive Mode (192,168,1,5,19,137).", "192.168.1.5", 19 * 256 + 137},
        {"Entering Passive Mode 10,0,0,1,4,1", "10.0.0.1", 1025},
        {"=127,0,0,1,200,10", "127.0.0.1", 200 * 256 + 10},
        {"Entering Passive Mode (203,0,113,9,0,21", "203.0.113.9", 21},
        {"  Entering Passive Mode ( 1, 2, 3, 4, 5, 6 )  ", "1.2.3.4", 5 * 256 + 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        const TIdPassiveAddress address = ParsePassiveReply(QString::fromLatin1(c.line), 227,
                                                            QStringLiteral("text"));
        EXPECT_EQ(address.Host, QString::fromLatin1(c.host));
        EXPECT_EQ(address.Port, c.port);
    }
}

TEST(FtpPassive, UnreadableRepliesRaiseTheReplyText)
{
    for (const char *line :
         {"Entering Passive Mode", "Entering Passive Mode (1,2,3,4,5)",
          "Entering Passive Mode (1,2,3,x,5,6)", "Entering Passive Mode (1,2,3,400,5,6)"}) {
        SCOPED_TRACE(line);
        try {
            ParsePassiveReply(QString::fromLatin1(line), 227, QStringLiteral("the reply"));
            ADD_FAILURE() << "no error";
        } catch (const EIdReplyRFCError &error) {
            EXPECT_EQ(error.Message(), QStringLiteral("the reply"));
        }
    }
}

TEST(FtpExtendedPassive, ReplyTextsGiveThePort)
{
    struct Case
    {
        const char *line;
        int port;
    };
    const Case cases[] = {
        {"Entering Extended Passive Mode (|||6446|)", 6446},
        {"Entering extended passive mode (|||40317|).", 40317},
        {"(!!!1!)", 1},
        {"EPSV ok (###65535#)", 65535},
        // Address fields are not followed, whatever they name.
        {"Entering Extended Passive Mode (|2|2001:db8::9|2121|)", 2121},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(
            ParseExtendedPassiveReply(QString::fromLatin1(c.line), 229, QStringLiteral("text")),
            c.port);
    }
}

TEST(FtpExtendedPassive, UnreadableRepliesRaiseTheReplyText)
{
    for (const char *line :
         {"Entering Extended Passive Mode", "Entering Extended Passive Mode |||6446|", "(|||6446|",
          "(||6446|)", "(||||6446|)", "(|||6446)", "(|||0|)", "(|||65536|)", "(|||123456|)",
          "(|||64a6|)", "(|||+6446|)", "(||| 6446|)", "(1116461)", "( |||6446|)", "(|||)", "()"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(MessageOf<EIdReplyRFCError>([&] {
                      ParseExtendedPassiveReply(QString::fromLatin1(line), 229,
                                                QStringLiteral("the reply"));
                  }),
                  QStringLiteral("the reply"));
    }
}

namespace {

// Set for the copy of this program that runs inside a network namespace of its own.
constexpr char kLoopbackOnlyNamespace[] = "RV_TEST_LOOPBACK_ONLY_NETNS";

// The network interfaces this process can use, by name.
QStringList InterfaceNames()
{
    QStringList names;
    if (struct if_nameindex *list = if_nameindex()) {
        for (struct if_nameindex *i = list; i->if_index != 0; ++i)
            names.append(QString::fromLocal8Bit(i->if_name));
        if_freenameindex(list);
    }
    return names;
}

// A new network namespace starts with its loopback interface down.
QString BringLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    QString error;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        request.ifr_flags = short(request.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
            error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(fd);
    return error;
}

struct NamespaceRun
{
    int ExitCode = -1;
    QString Output;
};

// Runs unshare with arguments and waits for it.
NamespaceRun Unshare(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("unshare"), arguments);
    NamespaceRun run;
    if (!process.waitForStarted(10000)) {
        run.Output = process.errorString();
        return run;
    }
    process.waitForFinished(240000);
    run.Output = QString::fromLocal8Bit(process.readAll());
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        run.Output += QStringLiteral("\n<killed after 240 s>");
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.ExitCode = process.exitCode();
    return run;
}

} // namespace

// PASV replies that name another host than the server's, each followed by an upload and a
// listing. The data connection must go to 127.0.0.1, the control connection's peer; the test
// copy of this program runs in a network namespace with only a loopback interface, so that a
// client following the reply reaches nothing (and sends nothing out of this machine).
TEST(FtpPassiveNamespace, DataConnectionsGoToTheControlPeer)
{
    if (!qEnvironmentVariableIsSet(kLoopbackOnlyNamespace))
        GTEST_SKIP() << "runs inside its own network namespace, started by "
                        "FtpPassive.AddressInThePassiveReplyIsNotFollowed";
    // Nothing connects anywhere unless this is a namespace with loopback alone.
    ASSERT_EQ(InterfaceNames(), QStringList{QStringLiteral("lo")});
    const QString loopbackError = BringLoopbackUp();
    ASSERT_TRUE(loopbackError.isEmpty()) << loopbackError.toStdString();

    const char *const announced[] = {
        "10,0,0,99",    "192,0,2,10",  "192,168,1,5", "172,16,0,1", "172,15,0,1",
        "198,51,100,9", "203,0,113,9", "127,0,0,2",   "127,0,0,1",
    };
    for (const char *address : announced) {
        SCOPED_TRACE(address);
        Scenario scenario;
        scenario.PasvAddress = QString::fromLatin1(address);
        scenario.Listing = "type=file;size=4; a.txt\r\n";
        ScriptedFtpServer server(scenario);
        auto ftp = MakeTestClient(server.Port());
        ftp->SetReadTimeout(3000);
        ftp->Connect();
        QBuffer source;
        source.setData(QByteArray("data"));
        source.open(QIODevice::ReadOnly);
        EXPECT_NO_THROW(ftp->Put(source, QStringLiteral("up.txt")));
        EXPECT_NO_THROW(ftp->List());
        EXPECT_EQ(server.Stored(QStringLiteral("up.txt")), QByteArray("data"));
        ASSERT_EQ(ftp->DirectoryListing().size(), 1);
        EXPECT_EQ(ftp->DirectoryListing()[0].FileName, QStringLiteral("a.txt"));
        EXPECT_EQ(server.DataConnections(), 2);
        EXPECT_EQ(CommandsAfterLogin(server.Commands()),
                  (QStringList{QStringLiteral("PASV"), QStringLiteral("STOR up.txt"),
                               QStringLiteral("PASV"), QStringLiteral("MLSD")}));
    }
}

TEST(FtpPassive, AddressInThePassiveReplyIsNotFollowed)
{
    // A namespace of its own needs root or unprivileged user namespaces.
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QStringList unshare;
    QString refused;
    for (const QStringList &options :
         {QStringList{QStringLiteral("--net")},
          QStringList{QStringLiteral("--map-root-user"), QStringLiteral("--net")}}) {
        const NamespaceRun probe = Unshare(options + QStringList{QStringLiteral("true")}, system);
        if (probe.ExitCode == 0) {
            unshare = options;
            break;
        }
        refused += probe.Output;
    }
    if (unshare.isEmpty())
        GTEST_SKIP() << "no network namespace can be made here: " << refused.toStdString();

    QProcessEnvironment environment = system;
    environment.insert(QString::fromLatin1(kLoopbackOnlyNamespace), QStringLiteral("1"));
    const NamespaceRun run = Unshare(
        unshare
            + QStringList{QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=FtpPassiveNamespace."
                                         "DataConnectionsGoToTheControlPeer")},
        environment);
    EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    // Run, not skipped.
    EXPECT_TRUE(run.Output.contains(QStringLiteral("[  PASSED  ] 1 test")))
        << run.Output.toStdString();
    EXPECT_FALSE(run.Output.contains(QStringLiteral("SKIPPED"))) << run.Output.toStdString();
}
