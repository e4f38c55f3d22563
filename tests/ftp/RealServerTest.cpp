// The session against pyftpdlib in plain, explicit-TLS and implicit-TLS modes.
#include "FtpTestSupport.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "runlog/RunLog.h"
#include "support/PyftpdServer.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

struct ModeCase
{
    const char *mode;
    TIdUseTLS useTLS;
};

void PrintTo(const ModeCase &c, std::ostream *out)
{
    *out << c.mode;
}

class PyftpdlibSession : public ::testing::TestWithParam<ModeCase>
{
protected:
    TFTPConnection Connection(quint16 port) const
    {
        TFTPConnection conn;
        conn.SetConnName(QStringLiteral("pyftpdlib"));
        conn.SetHost(QStringLiteral("127.0.0.1"));
        conn.SetPort(port);
        conn.SetUseTLS(GetParam().useTLS);
        conn.SetUserName(QStringLiteral("user"));
        conn.SetPassword(QStringLiteral("secret"));
        return conn;
    }
};

} // namespace

TEST_P(PyftpdlibSession, UploadsCreateFoldersKeepBytesAndTimes)
{
    PyftpdServer server(QString::fromLatin1(GetParam().mode));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TempTree local;
    const QString image = local.write(QStringLiteral("img/logo.png"), BinaryPayload(300000));
    const QString text = local.write(QStringLiteral("index.html"),
                                     "<html>\r\n<p>Grüße</p>\n</html>\r\n");
    const QDateTime imageTime(QDate(2023, 7, 1), QTime(10, 20, 30));
    const QDateTime textTime(QDate(2024, 1, 2), QTime(3, 4, 5));
    local.setMTime(QStringLiteral("img/logo.png"), imageTime);
    local.setMTime(QStringLiteral("index.html"), textTime);

    TFTPConnection conn = Connection(server.Port());
    SilentLog log;
    {
        TFTPClient client(conn, log);
        client.IdFTP().SetReadTimeout(20000);
        client.Connect();
        EXPECT_TRUE(conn.LoggedIn());
        EXPECT_EQ(client.IdFTP().TLSInUse(), GetParam().useTLS != utNoTLSSupport);
        EXPECT_TRUE(client.IdFTP().CanUseMLS());

        EXPECT_NO_THROW(client.ForceDirectories(QStringLiteral("/site/img")));
        EXPECT_NO_THROW(client.CopyFile(image, QStringLiteral("/site/img/logo.png"), false));
        EXPECT_NO_THROW(client.ForceDirectories(QStringLiteral("/site")));
        EXPECT_NO_THROW(client.CopyFile(text, QStringLiteral("/site/Grüße.html"), false));

        // A new listing sees the uploads with their times.
        client.ForceDirectories(QStringLiteral("/"));
        EXPECT_TRUE(client.FileExists(QStringLiteral("/site/img/LOGO.PNG")));
        EXPECT_EQ(
            QDateTimeFromDateTime(client.FileAge(QStringLiteral("/site/img/logo.png")), Qt::UTC),
            imageTime);
        EXPECT_TRUE(client.FileExists(QStringLiteral("/site/Grüße.html")));
        EXPECT_EQ(
            QDateTimeFromDateTime(client.FileAge(QStringLiteral("/site/Grüße.html")), Qt::UTC),
            textTime);
        EXPECT_FALSE(client.FileExists(QStringLiteral("/site/other.html")));
        try {
            client.ForceDirectories(QStringLiteral("/site/img/logo.png/x"));
            ADD_FAILURE() << "a file in the way must raise";
        } catch (const Exception &error) {
            EXPECT_EQ(error.Message(), QStringLiteral("Not a directory: /img/logo.png"));
        }
    }
    EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/site/img/logo.png")),
              BinaryPayload(300000));
    EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/site/Grüße.html")), ReadFile(text));
    EXPECT_EQ(QFileInfo(server.Root() + QStringLiteral("/site/img/logo.png")).lastModified(),
              imageTime);
    EXPECT_EQ(QFileInfo(server.Root() + QStringLiteral("/site/Grüße.html")).lastModified(),
              textTime);
}

TEST_P(PyftpdlibSession, WrongPasswordIsRefusedWithTheServerText)
{
    PyftpdServer server(QString::fromLatin1(GetParam().mode));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TFTPConnection conn = Connection(server.Port());
    conn.SetPassword(QStringLiteral("wrong"));
    conn.SetLoggedIn(true);
    SilentLog log;
    TFTPClient client(conn, log);
    client.IdFTP().SetReadTimeout(20000);
    try {
        client.Connect();
        ADD_FAILURE() << "login accepted";
    } catch (const EIdReplyRFCError &error) {
        EXPECT_EQ(error.ErrorCode(), 530);
        EXPECT_EQ(error.Message(), QStringLiteral("Authentication failed."));
    }
    EXPECT_FALSE(conn.LoggedIn());
}

INSTANTIATE_TEST_SUITE_P(Modes, PyftpdlibSession,
                         ::testing::Values(ModeCase{"plain", utNoTLSSupport},
                                           ModeCase{"explicit", utUseExplicitTLS},
                                           ModeCase{"implicit", utUseImplicitTLS}),
                         [](const ::testing::TestParamInfo<ModeCase> &test) {
                             return std::string(test.param.mode);
                         });

TEST(PyftpdlibRequiredTls, PlainServerRefusesRequiredTls)
{
    PyftpdServer server(QStringLiteral("plain"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseRequireTLS, &tls);
    try {
        ftp->Connect();
        ADD_FAILURE() << "connected";
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), QStringLiteral("SSL is not available on this server."));
    }
    EXPECT_FALSE(ftp->Connected());
}
