// The session against vsftpd: LIST listings only, MDTM for times, and with TLS a server that
// refuses data connections which do not resume the control connection's TLS session.
#include "FtpTestSupport.h"
#include "VsftpdServer.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "runlog/RunLog.h"
#include "settings/Exception.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <tuple>

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

// Run in UTC and in two zones with daylight saving: vsftpd lists UTC whatever the zone.
class VsftpdSession : public ::testing::TestWithParam<std::tuple<ModeCase, const char *>>
{
protected:
    const ModeCase &Mode() const { return std::get<0>(GetParam()); }
};

} // namespace

TEST_P(VsftpdSession, UploadsAndListsWithListOnly)
{
    ScopedTimeZone zone(std::get<1>(GetParam()));
    VsftpdServer server(QString::fromLatin1(Mode().mode));
    if (!server.Problem().isEmpty())
        GTEST_SKIP() << server.Problem().toStdString();

    TempTree local;
    const QString old = local.write(QStringLiteral("old.bin"), BinaryPayload(200000));
    const QString recent = local.write(QStringLiteral("recent.txt"), "line one\r\nline two\n");
    const QDateTime oldTime(QDate(2023, 7, 1), QTime(10, 20, 30));
    QDateTime recentTime = QDateTime::currentDateTime().addSecs(-7200);
    recentTime.setTime(QTime(recentTime.time().hour(), recentTime.time().minute(), 37));
    local.setMTime(QStringLiteral("old.bin"), oldTime);
    local.setMTime(QStringLiteral("recent.txt"), recentTime);

    TFTPConnection conn;
    conn.SetHost(QStringLiteral("127.0.0.1"));
    conn.SetPort(server.Port());
    conn.SetUseTLS(Mode().useTLS);
    conn.SetUserName(VsftpdServer::UserName());
    conn.SetPassword(VsftpdServer::Password());
    SilentLog log;
    {
        TFTPClient client(conn, log);
        client.IdFTP().SetReadTimeout(20000);
        try {
            client.Connect();
            EXPECT_FALSE(client.IdFTP().CanUseMLS());
            EXPECT_EQ(client.IdFTP().TLSInUse(), Mode().useTLS != utNoTLSSupport);
            client.ForceDirectories(QStringLiteral("/site/files"));
            client.CopyFile(old, QStringLiteral("/site/files/old.bin"), false);
            client.CopyFile(recent, QStringLiteral("/site/files/recent.txt"), false);
            // A new connection lists the folder again: what follows is the server's listing.
            client.Connect();
            EXPECT_TRUE(client.FileExists(QStringLiteral("/site/files/OLD.BIN")));
            // Listed as precisely as "ls -l" shows them: the (UTC) day for old files, the
            // minute for recent ones.
            EXPECT_EQ(QDateTimeFromDateTime(client.FileAge(QStringLiteral("/site/files/old.bin")),
                                            Qt::UTC),
                      QDateTime(oldTime.toUTC().date(), QTime(0, 0), QTimeZone::utc()));
            EXPECT_EQ(QDateTimeFromDateTime(
                          client.FileAge(QStringLiteral("/site/files/recent.txt")), Qt::UTC),
                      recentTime.addSecs(-37));
            EXPECT_EQ(client.FileAgePrecision(QStringLiteral("/site/files/old.bin")), 86400);
            EXPECT_EQ(client.FileAgePrecision(QStringLiteral("/site/files/recent.txt")), 60);
            EXPECT_FALSE(client.FileExists(QStringLiteral("/site/files/none.txt")));
            client.Disconnect();
        } catch (const Exception &error) {
            FAIL() << error.Message().toStdString() << "\n" << server.LogText().toStdString();
        }
    }
    EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/site/files/old.bin")),
              BinaryPayload(200000));
    EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/site/files/recent.txt")), ReadFile(recent));
    EXPECT_EQ(QFileInfo(server.Root() + QStringLiteral("/site/files/old.bin")).lastModified(),
              oldTime);
    EXPECT_EQ(QFileInfo(server.Root() + QStringLiteral("/site/files/recent.txt")).lastModified(),
              recentTime);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, VsftpdSession,
    ::testing::Combine(::testing::Values(ModeCase{"plain", utNoTLSSupport},
                                         ModeCase{"explicit", utUseRequireTLS},
                                         ModeCase{"implicit", utUseImplicitTLS}),
                       ::testing::Values("UTC", "America/New_York", "Europe/Berlin")),
    [](const ::testing::TestParamInfo<std::tuple<ModeCase, const char *>> &test) {
        QString zone = QString::fromLatin1(std::get<1>(test.param));
        zone.replace(QLatin1Char('/'), QLatin1Char('_'));
        return std::string(std::get<0>(test.param).mode) + "_" + zone.toStdString();
    });
