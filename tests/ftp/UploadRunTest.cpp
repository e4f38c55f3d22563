// Whole project runs that upload through the real session to real servers: pyftpdlib (MLSD,
// MFMT, exact times) and vsftpd (LIST only, times to the minute or the day).
#include "AnyServer.h"
#include "FtpTestSupport.h"
#include "VsftpdServer.h"
#include "engine/RunProject.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "settings/Exception.h"
#include "support/PyftpdServer.h"
#include "support/ScopedEnvVar.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>

namespace {

// The machine's zone for a run: UTC, and two zones with daylight saving on either side of it.
// Servers started in the run inherit it, as a server on the same machine would.
const char *const kZones[] = {"UTC", "America/New_York", "Europe/Berlin"};

class FtpUploadRun : public ::testing::TestWithParam<std::tuple<ServerCase, const char *>>
{
protected:
    const ServerCase &Server() const { return std::get<0>(GetParam()); }

    void SetUp() override
    {
        // vsftpd lists its times in UTC whatever the zone; the run must agree with it and with
        // the exact MLSD servers in every zone.
        zone.emplace(std::get<1>(GetParam()));
        server = std::make_unique<AnyServer>(Server());
        if (!server->Problem().isEmpty()) {
            if (Server().Vsftpd)
                GTEST_SKIP() << server->Problem().toStdString();
            FAIL() << server->Problem().toStdString();
        }
        auto conn = TestConnection(QStringLiteral("Test server"), server->Port(),
                                   server->UserName(), server->Password());
        conn->SetUseTLS(Server().UseTLS);
        connection = conn.get();
        connections.AddConnection(std::move(conn));

        project.SetProjectName(QStringLiteral("Site"));
        project.SetSourceFolder(source.path() + QLatin1Char('/'));
        project.AddSourceRow(QStringLiteral("*"), true, false);
        project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        project.SetFTPConnName(QStringLiteral("Test server"));
    }

    // Puts a file on the server the way another tool would, with its own time.
    void seedRemote(const QString &remotePath, const QByteArray &bytes, const QDateTime &time)
    {
        TempTree seed;
        const QString local = seed.write(QStringLiteral("seed"), bytes);
        seed.setMTime(QStringLiteral("seed"), time);
        RecordingLog quiet;
        TFTPClient client(*connection, quiet);
        client.Connect();
        const qsizetype slash = remotePath.lastIndexOf(QLatin1Char('/'));
        client.ForceDirectories(remotePath.left(slash));
        client.CopyFile(local, remotePath, false);
        client.Disconnect();
    }

    QString remote(const char *name) const
    {
        return server->Root() + QStringLiteral("/www/Site/") + QLatin1String(name);
    }

    RecordingLog run(TOverwriteFile mode)
    {
        project.SetOverwrite(mode);
        RecordingLog log;
        EXPECT_TRUE(RunProject(project, QStringLiteral("www"), connections, log))
            << log.Text().toStdString();
        return log;
    }

    std::optional<ScopedTimeZone> zone;
    std::unique_ptr<AnyServer> server;
    TFTPConnection *connection = nullptr;
    TFTPConnList connections;
    TCopyProject project;
    TempTree source;
};

} // namespace

TEST_P(FtpUploadRun, OverwriteModesAgainstExistingRemoteFiles)
{
    const QDateTime old(QDate(2024, 5, 6), QTime(7, 8, 9));
    // Recent files are listed to the minute by "ls -l" servers; the seconds must not make
    // them look changed.
    QDateTime recent = QDateTime::currentDateTime().addSecs(-7200);
    recent.setTime(QTime(recent.time().hour(), recent.time().minute(), 37));
    struct SourceFile
    {
        const char *name;
        QByteArray bytes;
        QDateTime time;
    } const files[] = {
        {"index.html", "<html></html>\r\n", old},     {"deep/top.txt", "top\n", old},
        {"deep/a/mid.txt", "mid\n", recent},          {"deep/a/b/page.txt", "deep\n", recent},
        {"img/logo.png", BinaryPayload(100000), old}, {"kept.txt", "local kept\n", old},
        {"stale.txt", "local stale\n", old},
    };
    for (const SourceFile &f : files) {
        source.write(QString::fromLatin1(f.name), f.bytes);
        source.setMTime(QString::fromLatin1(f.name), f.time);
    }
    const QDateTime newer(QDate(2025, 1, 1), QTime(0, 0));
    const QDateTime older(QDate(2020, 1, 1), QTime(0, 0));
    try {
        seedRemote(QStringLiteral("/www/Site/kept.txt"), "remote kept\n", newer);
        seedRemote(QStringLiteral("/www/Site/stale.txt"), "remote stale\n", older);
    } catch (const Exception &error) {
        FAIL() << error.Message().toStdString() << "\n" << server->LogText().toStdString();
    }

    // Older only: the newer remote file stays, the older one is replaced, and the walk goes
    // from the deepest folder back up to its siblings.
    const RecordingLog first = run(ofOlder);
    EXPECT_EQ(first.Lines.value(0), QStringLiteral("Connecting to FTP \"Test server\"..."));
    EXPECT_TRUE(first.Lines.contains(QStringLiteral("File already exists: /www/Site/kept.txt")))
        << first.Text().toStdString();
    EXPECT_EQ(first.Lines.last(),
              QStringLiteral("Copied: 6, skipped: 0, already existed: 1, failed: 0"))
        << first.Text().toStdString() << "\n"
        << server->LogText().toStdString();
    for (const SourceFile &f : files) {
        if (QLatin1String(f.name) == QLatin1String("kept.txt"))
            continue;
        EXPECT_EQ(ReadFile(remote(f.name)), f.bytes) << f.name;
        EXPECT_EQ(QFileInfo(remote(f.name)).lastModified(), f.time) << f.name;
    }
    EXPECT_EQ(ReadFile(remote("kept.txt")), QByteArray("remote kept\n"));
    EXPECT_EQ(QFileInfo(remote("kept.txt")).lastModified(), newer);

    // Nothing changed: older only uploads nothing, whatever precision the listing has.
    const RecordingLog second = run(ofOlder);
    EXPECT_TRUE(second.Lines.filter(QStringLiteral("Copy: ")).isEmpty())
        << second.Text().toStdString();
    EXPECT_EQ(second.Lines.last(),
              QStringLiteral("Copied: 0, skipped: 0, already existed: 7, failed: 0"));

    // A source changed half an hour after its upload goes up again, and only that one.
    source.write(QStringLiteral("deep/a/mid.txt"), "mid changed\n");
    source.setMTime(QStringLiteral("deep/a/mid.txt"), recent.addSecs(1800));
    const RecordingLog changed = run(ofOlder);
    EXPECT_EQ(changed.Lines.filter(QStringLiteral("Copy: ")).size(), 1)
        << changed.Text().toStdString();
    EXPECT_EQ(changed.Lines.last(),
              QStringLiteral("Copied: 1, skipped: 0, already existed: 6, failed: 0"));
    EXPECT_EQ(ReadFile(remote("deep/a/mid.txt")), QByteArray("mid changed\n"));
    EXPECT_EQ(QFileInfo(remote("deep/a/mid.txt")).lastModified(), recent.addSecs(1800));

    // Never overwrite: a changed source still leaves the remote file alone.
    source.write(QStringLiteral("index.html"), "<html>changed</html>\r\n");
    const RecordingLog never = run(ofNone);
    EXPECT_EQ(never.Lines.last(),
              QStringLiteral("Copied: 0, skipped: 0, already existed: 7, failed: 0"));
    EXPECT_EQ(ReadFile(remote("index.html")), QByteArray("<html></html>\r\n"));

    // Always: every file goes up again, the newer remote one too.
    const RecordingLog always = run(ofAll);
    EXPECT_EQ(always.Lines.last(),
              QStringLiteral("Copied: 7, skipped: 0, already existed: 0, failed: 0"));
    EXPECT_EQ(ReadFile(remote("index.html")), QByteArray("<html>changed</html>\r\n"));
    EXPECT_EQ(ReadFile(remote("kept.txt")), QByteArray("local kept\n"));
    EXPECT_EQ(QFileInfo(remote("kept.txt")).lastModified(), old);
    // Every upload went through a temporary name; none is left behind.
    QDirIterator left(server->Root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (left.hasNext())
        EXPECT_FALSE(left.next().endsWith(QLatin1String(".rvpart")))
            << left.filePath().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, FtpUploadRun,
    ::testing::Combine(
        ::testing::Values(ServerCase{"pyftpdlib_plain", false, "plain", utNoTLSSupport},
                          ServerCase{"pyftpdlib_explicit", false, "explicit", utUseExplicitTLS},
                          ServerCase{"pyftpdlib_implicit", false, "implicit", utUseImplicitTLS},
                          ServerCase{"vsftpd_plain", true, "plain", utNoTLSSupport},
                          ServerCase{"vsftpd_explicit", true, "explicit", utUseRequireTLS},
                          ServerCase{"vsftpd_implicit", true, "implicit", utUseImplicitTLS}),
        ::testing::ValuesIn(kZones)),
    [](const ::testing::TestParamInfo<std::tuple<ServerCase, const char *>> &test) {
        QString zone = QString::fromLatin1(std::get<1>(test.param));
        zone.replace(QLatin1Char('/'), QLatin1Char('_'));
        return std::string(std::get<0>(test.param).Label) + "_" + zone.toStdString();
    });

TEST(FtpUploadRunInstants, TheHourThatRepeatsAgainstAnMlsdServer)
{
    // The outputs are seeded on the server with times around the moment clocks go back; the
    // source is 31 s newer than one output and 20 s older than the other, though its local
    // reading says the opposite for both.
    for (const char *zoneName : {"America/New_York", "Europe/Berlin"}) {
        SCOPED_TRACE(zoneName);
        ScopedTimeZone zone(zoneName);
        const QDateTime fallBack = QTimeZone(zoneName)
                                       .nextTransition(QDateTime(QDate(2024, 7, 1), QTime(0, 0),
                                                                 QTimeZone::utc()))
                                       .atUtc;
        ASSERT_TRUE(fallBack.isValid());
        PyftpdServer server(QStringLiteral("plain"));
        ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
        TFTPConnList connections;
        auto owned = std::make_unique<TFTPConnection>();
        TFTPConnection &conn = *owned;
        conn.SetConnName(QStringLiteral("Test server"));
        conn.SetHost(QStringLiteral("127.0.0.1"));
        conn.SetPort(server.Port());
        conn.SetUserName(QStringLiteral("user"));
        conn.SetPassword(QStringLiteral("secret"));
        connections.AddConnection(std::move(owned));

        TempTree seed;
        seed.write(QStringLiteral("newer.txt"), "remote newer\n");
        seed.setMTime(QStringLiteral("newer.txt"), fallBack.addSecs(5));
        seed.write(QStringLiteral("older.txt"), "remote older\n");
        seed.setMTime(QStringLiteral("older.txt"), fallBack.addSecs(-10));
        {
            RecordingLog quiet;
            TFTPClient client(conn, quiet);
            client.Connect();
            client.ForceDirectories(QStringLiteral("/www/Site"));
            for (const char *name : {"newer.txt", "older.txt"})
                client.CopyFile(seed(QLatin1String(name)),
                                QStringLiteral("/www/Site/") + QLatin1String(name), false);
            client.Disconnect();
        }
        const QString remoteNewer = server.Root() + QStringLiteral("/www/Site/newer.txt");
        const QString remoteOlder = server.Root() + QStringLiteral("/www/Site/older.txt");
        ASSERT_EQ(QFileInfo(remoteNewer).lastModified(), fallBack.addSecs(5));

        TempTree source;
        source.write(QStringLiteral("newer.txt"), "source\n");
        source.setMTime(QStringLiteral("newer.txt"), fallBack.addSecs(-15));
        source.write(QStringLiteral("older.txt"), "source\n");
        source.setMTime(QStringLiteral("older.txt"), fallBack.addSecs(21));
        TCopyProject project;
        project.SetProjectName(QStringLiteral("Site"));
        project.SetSourceFolder(source.path() + QLatin1Char('/'));
        project.AddSourceRow(QStringLiteral("*"), true, false);
        project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        project.SetFTPConnName(QStringLiteral("Test server"));
        project.SetOverwrite(ofOlder);
        RecordingLog log;
        EXPECT_TRUE(RunProject(project, QStringLiteral("www"), connections, log));
        EXPECT_TRUE(log.Lines.contains(QStringLiteral("File already exists: /www/Site/newer.txt")))
            << log.Text().toStdString();
        EXPECT_EQ(log.Lines.last(),
                  QStringLiteral("Copied: 1, skipped: 0, already existed: 1, failed: 0"))
            << log.Text().toStdString();
        EXPECT_EQ(ReadFile(remoteNewer), QByteArray("remote newer\n"));
        EXPECT_EQ(ReadFile(remoteOlder), QByteArray("source\n"));
        // The time went out as the source's instant, not the other occurrence of its reading.
        EXPECT_EQ(QFileInfo(remoteOlder).lastModified(), fallBack.addSecs(21));
    }
}

// A server that refuses renames by permission (pyftpdlib answers RNFR "550 Not enough
// privileges"): a refusal of one name, as far as the client can tell. Each file fails with the
// server's words, the file it was to replace stays as it was, and no temporary file stays.
TEST(FtpUploadRunNoRenames, EachFileFailsAndNothingIsLost)
{
    ScopedEnvVar noRenames("PYFTPD_PERM", "elradmwMT");
    PyftpdServer server(QStringLiteral("plain"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    ASSERT_TRUE(QDir().mkpath(server.Root() + QStringLiteral("/www/Site")));
    QFile old(server.Root() + QStringLiteral("/www/Site/a.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old a\n");
    old.close();

    TFTPConnList connections;
    connections.AddConnection(TestConnection(QStringLiteral("Test server"), server.Port()));
    TempTree source;
    source.write(QStringLiteral("a.txt"), "new a\n");
    source.write(QStringLiteral("b.txt"), "new b\n");
    const TCopyProject project = UploadProject(source.path(), QStringLiteral("*.txt"), ofAll);
    RecordingLog log;
    EXPECT_TRUE(RunProject(project, QStringLiteral("www"), connections, log))
        << log.Text().toStdString();
    EXPECT_EQ(log.Lines.filter(QStringLiteral("does not rename")), QStringList())
        << log.Text().toStdString();
    EXPECT_EQ(log.Lines.filter(QStringLiteral("Not enough privileges")).size(), 2)
        << log.Text().toStdString();
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 2"))
        << log.Text().toStdString();
    EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/www/Site/a.txt")), QByteArray("old a\n"));
    EXPECT_EQ(QDir(server.Root() + QStringLiteral("/www/Site"))
                  .entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList{QStringLiteral("a.txt")});
}
