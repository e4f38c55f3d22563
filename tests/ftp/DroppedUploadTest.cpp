// A server that goes away in the middle of an upload over an older remote file, against a real
// server: the old file stays whole with its own time, and the next "older only" run replaces it.
#include "FtpTestSupport.h"
#include "engine/RunProject.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "support/PyftpdServer.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <thread>

namespace {

// Kills the server once a file under its root has grown past a size: the upload is then well
// on its way and far from done.
class KillWhenGrown
{
public:
    KillWhenGrown(qint64 pid, const QString &folder, qint64 size)
        : FThread([this, pid, folder, size] {
              const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
              while (!FStop && std::chrono::steady_clock::now() < until) {
                  for (const QFileInfo &entry :
                       QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
                      if (entry.size() >= size) {
                          ::kill(pid_t(pid), SIGKILL);
                          FKilled = true;
                          return;
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          })
    {}
    ~KillWhenGrown()
    {
        FStop = true;
        FThread.join();
    }
    bool Killed() const { return FKilled; }

private:
    std::atomic<bool> FStop{false};
    std::atomic<bool> FKilled{false};
    std::thread FThread;
};

} // namespace

TEST(FtpDroppedUpload, TheOldRemoteFileStaysWholeAndTheNextRunReplacesIt)
{
    PyftpdServer server(QStringLiteral("slow"));
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

    // The remote file: small, old.
    const QDateTime oldTime(QDate(2020, 1, 2), QTime(3, 4, 5));
    TempTree seed;
    seed.write(QStringLiteral("big.bin"), "old contents\n");
    seed.setMTime(QStringLiteral("big.bin"), oldTime);
    {
        RecordingLog quiet;
        TFTPClient client(conn, quiet);
        client.Connect();
        client.ForceDirectories(QStringLiteral("/www/Site"));
        client.CopyFile(seed(QStringLiteral("big.bin")), QStringLiteral("/www/Site/big.bin"),
                        false);
        client.Disconnect();
    }
    const QString folder = server.Root() + QStringLiteral("/www/Site");
    const QString remote = folder + QStringLiteral("/big.bin");
    ASSERT_EQ(QFileInfo(remote).lastModified(), oldTime);

    // The source: newer, and many seconds of upload at the server's pace.
    const QByteArray payload = BinaryPayload(1024 * 1024);
    QDateTime newTime = QDateTime::currentDateTime().addSecs(-3600);
    newTime = newTime.addMSecs(-newTime.time().msec());
    TempTree source;
    source.write(QStringLiteral("big.bin"), payload);
    source.setMTime(QStringLiteral("big.bin"), newTime);
    TCopyProject project;
    project.SetProjectName(QStringLiteral("Site"));
    project.SetSourceFolder(source.path() + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("*"), true, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetFTPConnName(QStringLiteral("Test server"));
    project.SetOverwrite(ofOlder);

    {
        RecordingLog dropped;
        bool killed = false;
        {
            KillWhenGrown killer(server.ProcessId(), folder, 100 * 1024);
            RunProject(project, QStringLiteral("www"), connections, dropped);
            killed = killer.Killed();
        }
        // Broken off in the middle: by the kill, or by the server on its own before it.
        EXPECT_EQ(dropped.Lines.last(),
                  QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 1"))
            << dropped.Text().toStdString() << "\nkilled: " << killed << "\n"
            << server.LogText().toStdString();
    }
    EXPECT_EQ(ReadFile(remote), QByteArray("old contents\n"));
    EXPECT_EQ(QFileInfo(remote).lastModified(), oldTime);

    // The server is back: what did not arrive goes up whole, and nothing is left beside it.
    server.Restart(QStringLiteral("plain"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    conn.SetPort(server.Port());
    RecordingLog again;
    EXPECT_TRUE(RunProject(project, QStringLiteral("www"), connections, again))
        << again.Text().toStdString();
    EXPECT_EQ(again.Lines.last(),
              QStringLiteral("Copied: 1, skipped: 0, already existed: 0, failed: 0"))
        << again.Text().toStdString();
    EXPECT_EQ(ReadFile(remote), payload);
    EXPECT_EQ(QFileInfo(remote).lastModified(), newTime);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("big.bin")});
}
