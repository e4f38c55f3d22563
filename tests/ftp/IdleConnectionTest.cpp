// Connections that the server closes while they wait: its idle time-out (a 421, then the end of
// the connection) never fails a file. The extra connections of a parallel run wait for uploads
// while the primary walks; the one connection of a run waits while a walk finds nothing to
// upload. Scripted servers show each way it happens; pyftpdlib with a short idle time-out shows
// it on a real server.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/KeptSession.h"
#include "engine/RunProject.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/IdFTP.h"
#include "projects/CopyProjectUnit.h"
#include "support/PyftpdServer.h"
#include "support/ScopedEnvVar.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The run log of a walk that holds once, for HoldMs, at its first look before a file or folder
// after a line beginning with HoldAfter (as a slow disk or a huge folder of files that match
// nothing would hold it), so that the connections wait longer than the server lets them idle.
// Answers the password question with "secret"; counts errors.
class HoldingLog : public AnsweringLog
{
public:
    HoldingLog(QString holdAfter, std::chrono::milliseconds hold)
        : FHoldAfter(std::move(holdAfter)), FHold(hold)
    {
        AnswerPassword = QStringLiteral("secret");
    }
    void Log(const QString &msg) override
    {
        AnsweringLog::Log(msg);
        if (!FHeld && msg.startsWith(FHoldAfter))
            FArmed = true;
    }
    void Event(const TRunEvent &event) override
    {
        if (event.Kind == TRunEventKind::Error)
            ++Errors;
    }
    bool StopRequested() const override
    {
        // The walk's own thread only: the upload threads ask too.
        if (FArmed && !FHeld && std::this_thread::get_id() == FWalker) {
            FHeld = true;
            std::this_thread::sleep_for(FHold);
        }
        return false;
    }

    int Errors = 0;

private:
    const QString FHoldAfter;
    const std::chrono::milliseconds FHold;
    const std::thread::id FWalker = std::this_thread::get_id();
    std::atomic<bool> FArmed{false};
    mutable std::atomic<bool> FHeld{false};
};

// Sets the keep-alive interval while it lives.
class ScopedKeepAlive
{
public:
    explicit ScopedKeepAlive(std::chrono::milliseconds interval)
        : FBefore(SetKeepAliveInterval(interval))
    {}
    ~ScopedKeepAlive() { SetKeepAliveInterval(FBefore); }
    ScopedKeepAlive(const ScopedKeepAlive &) = delete;
    ScopedKeepAlive &operator=(const ScopedKeepAlive &) = delete;

private:
    std::chrono::milliseconds FBefore;
};

QString Summary(int copied, int existed = 0)
{
    return QStringLiteral("Copied: %1, skipped: 0, already existed: %2, failed: 0")
        .arg(copied)
        .arg(existed);
}

// How many of the connection's command lines have this verb.
qsizetype CountVerb(const QStringList &transcript, const char *verb)
{
    qsizetype n = 0;
    for (const QString &line : transcript)
        n += line.section(QLatin1Char(' '), 0, 0) == QLatin1String(verb) ? 1 : 0;
    return n;
}

// One folder of files: a.bin on top, the others in s/.
class IdleScripted : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"a.bin", "s/b.bin", "s/c.bin", "s/d.bin", "s/e.bin"})
            source.write(QString::fromLatin1(name),
                         BinaryPayload(20000 + int(qHash(QByteArray(name)) % 5000)));
    }

    // The run over the server, with transfers connections at once, asking the password.
    void Run(ScriptedFtpServer &server, int transfers, HoldingLog &log)
    {
        TFTPConnList connections;
        auto conn = TestConnection(QStringLiteral("Test server"), server.Port(),
                                   QStringLiteral("user"), QString());
        conn->SetAskPassword(true);
        conn->SetSimultaneousTransfers(transfers);
        connections.AddConnection(std::move(conn));
        const TCopyProject project = UploadProject(source.path(), QStringLiteral("**/*.bin"), ofAll,
                                                   QStringLiteral("{OutDir}"));
        EXPECT_TRUE(RunProject(project, QStringLiteral("/up"), connections, log))
            << log.Text().toStdString();
        server.WaitUntilClosed();
    }

    void ExpectEveryFileStored(const ScriptedFtpServer &server) const
    {
        for (const char *name : {"a.bin", "s/b.bin", "s/c.bin", "s/d.bin", "s/e.bin"})
            EXPECT_EQ(server.Stored(QString::fromLatin1(name).section(QLatin1Char('/'), -1)),
                      source.read(QString::fromLatin1(name)))
                << name;
    }

    TempTree source;
};

} // namespace

// The extra connections log in with a.bin and then wait while the primary makes s/, which the
// server takes its time over: longer than it lets the extras idle. Without keep-alive they are
// closed (421, then the end) and log in again when handed the next upload; with it, their NOOPs
// keep them open. Either way every file arrives and the password is asked once.
TEST_F(IdleScripted, ExtraConnectionsClosedWhileIdleLogInAgainOrAreKeptOpen)
{
    struct Case
    {
        const char *Name;
        std::chrono::milliseconds KeepAlive;
        bool Closed;
    };
    for (const Case &c : {Case{"keep-alive slower than the idle time-out", 20s, true},
                          Case{"keep-alive faster than the idle time-out", 150ms, false}}) {
        SCOPED_TRACE(c.Name);
        const ScopedKeepAlive keepAlive(c.KeepAlive);
        ScriptedFtpServer::Scenario scenario;
        scenario.Connections[1].Replies[QStringLiteral("MKD")] = {
            QStringLiteral("257 Directory created"),
            QStringLiteral("<delay 2500>257 Directory created")};
        for (int extra = 2; extra <= 4; ++extra)
            scenario.Connections[extra].IdleTimeoutMs = 1000;
        ScriptedFtpServer server(scenario);

        HoldingLog log(QStringLiteral("<never>"), 0ms);
        Run(server, 4, log);
        EXPECT_EQ(log.Lines.last(), Summary(5)) << log.Text().toStdString();
        EXPECT_EQ(log.Errors, 0) << log.Text().toStdString();
        EXPECT_EQ(log.Asked, 1);
        ExpectEveryFileStored(server);
        qsizetype noops = 0;
        for (int extra = 2; extra <= 4; ++extra)
            noops += CountVerb(server.Transcript(extra), "NOOP");
        if (c.Closed) {
            // Each extra that got an upload after the wait logged in anew.
            EXPECT_GT(server.Connections(), 4);
            EXPECT_EQ(noops, 0);
        } else {
            EXPECT_EQ(server.Connections(), 4);
            EXPECT_GT(noops, 0);
        }
    }
}

// The server's idle time-out strikes just before a command: the 421 answers the first command
// of an operation, before anything of it was done. The operation runs again on a new login (the
// password not asked again): on the primary making a folder, with one connection or four, and
// on an extra connection starting an upload. An extra whose new login is refused hands the
// upload on to the others, and says so.
TEST_F(IdleScripted, A421ToTheFirstCommandOfAnOperationLogsInAgain)
{
    struct Case
    {
        const char *Name;
        int Transfers;
        int Connection;
        const char *Verb;
        QStringList Replies;
        // The new login, refused when given.
        QString NewLogin;
        int Connections;
        // A line the run must log once.
        const char *Line;
    };
    const QString timedOut = QStringLiteral("421 Control connection timed out.");
    const QString created = QStringLiteral("257 Directory created");
    const QString refused = QStringLiteral("530 Login incorrect.");
    const Case cases[] = {
        {"the one connection, making s/", 1, 1, "MKD", {created, timedOut}, {}, 2, nullptr},
        {"the primary of four, making s/", 4, 1, "MKD", {created, timedOut}, {}, 5, nullptr},
        {"an extra, at its first upload", 4, 2, "CWD", {timedOut}, {}, 5, nullptr},
        {"an extra, its new login refused",
         4,
         2,
         "CWD",
         {timedOut},
         refused,
         5,
         "The FTP server refused to log in again (Login incorrect); uploading over 3."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedFtpServer::Scenario scenario;
        // Uploads that take a while, so that every extra gets one.
        scenario.StorFinalReply = QStringLiteral("<delay 200>226 Transfer complete");
        scenario.Connections[c.Connection].Replies[QString::fromLatin1(c.Verb)] = c.Replies;
        if (!c.NewLogin.isEmpty())
            scenario.Connections[c.Connections].Replies[QStringLiteral("PASS")] = {c.NewLogin};
        ScriptedFtpServer server(scenario);

        HoldingLog log(QStringLiteral("<never>"), 0ms);
        Run(server, c.Transfers, log);
        ASSERT_EQ(CountVerb(server.Transcript(c.Connection), c.Verb), c.Replies.size())
            << "the connection did not get as far as the 421";
        EXPECT_EQ(log.Lines.last(), Summary(5)) << log.Text().toStdString();
        EXPECT_EQ(log.Errors, 0) << log.Text().toStdString();
        EXPECT_EQ(log.Asked, 1);
        EXPECT_EQ(server.Connections(), c.Connections);
        if (c.Line) {
            EXPECT_EQ(log.Lines.count(QString::fromUtf8(c.Line)), 1) << log.Text().toStdString();
        }
        ExpectEveryFileStored(server);
    }
}

namespace {

// Another client of the server that lists its login folder every 100 ms while it lives.
// pyftpdlib's idle timers fire late or not at all while nothing else happens on the server (its
// scheduler sees a timer moved by a command only when another one is added, as each data
// connection adds one), where a server with other users would not wait.
class OtherClient
{
public:
    explicit OtherClient(quint16 port)
        : FThread([this, port] {
              const std::unique_ptr<TIdFTP> ftp = MakeTestClient(port);
              try {
                  ftp->Connect();
                  while (!FStop) {
                      ftp->List();
                      std::this_thread::sleep_for(100ms);
                  }
                  ftp->Disconnect();
              } catch (const std::exception &error) {
                  Problem = QString::fromUtf8(error.what());
              }
          })
    {}
    ~OtherClient() { Stop(); }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    // Ends the client; what went wrong with it, or empty.
    QString Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
        return Problem;
    }

private:
    QString Problem;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// pyftpdlib closing connections idle for 1 s; the walk holds for 2.5 s.
class IdleRealServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.emplace(QStringLiteral("plain"));
        ASSERT_TRUE(server->Problem().isEmpty()) << server->Problem().toStdString();
        other.emplace(server->Port());
    }

    void TearDown() override
    {
        if (other) {
            EXPECT_EQ(other->Stop(), QString());
        }
    }

    void Run(int transfers, TOverwriteFile overwrite, HoldingLog &log)
    {
        TFTPConnList connections;
        auto conn = TestConnection(QStringLiteral("Test server"), server->Port());
        conn->SetSimultaneousTransfers(transfers);
        connections.AddConnection(std::move(conn));
        const TCopyProject project = UploadProject(source.path(), QStringLiteral("**/*.bin"),
                                                   overwrite, QStringLiteral("{OutDir}"));
        EXPECT_TRUE(RunProject(project, QStringLiteral("/www"), connections, log))
            << log.Text().toStdString() << server->LogText().toStdString();
    }

    // How often the server closed an idle connection.
    qsizetype TimedOut() const
    {
        return server->LogText().count(QStringLiteral("Control connection timed out"));
    }

    ScopedEnvVar idleTimeOut{"PYFTPD_TIMEOUT", "1"};
    std::optional<PyftpdServer> server;
    std::optional<OtherClient> other;
    TempTree source;
};

} // namespace

// Four connections: a.bin goes, then the walk holds longer than the server lets a connection
// idle, then seven more files. The extras (and the primary) were closed meanwhile; with a
// keep-alive faster than the time-out only the primary was.
TEST_F(IdleRealServer, FourConnectionsIdleLongerThanTheServerAllowsFailNoFile)
{
    QStringList names{QStringLiteral("a.bin")};
    for (int i = 0; i < 7; ++i)
        names << QStringLiteral("later/f%1.bin").arg(i);
    for (const QString &name : names)
        source.write(name, BinaryPayload(30000 + int(name.size()) * 1000));

    struct Case
    {
        const char *Name;
        std::chrono::milliseconds KeepAlive;
    };
    for (const Case &c : {Case{"keep-alive slower than the idle time-out", 20s},
                          Case{"keep-alive faster than the idle time-out", 300ms}}) {
        SCOPED_TRACE(c.Name);
        const ScopedKeepAlive keepAlive(c.KeepAlive);
        const qsizetype timedOutBefore = TimedOut();
        HoldingLog log(QStringLiteral("Copy: "), 2500ms);
        Run(4, ofAll, log);
        EXPECT_EQ(log.Lines.last(), Summary(8)) << log.Text().toStdString();
        EXPECT_EQ(log.Errors, 0) << log.Text().toStdString();
        for (const QString &name : names)
            EXPECT_EQ(ReadFile(server->Root() + QStringLiteral("/www/") + name), source.read(name))
                << name.toStdString();
        QDirIterator it(server->Root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            EXPECT_FALSE(it.next().endsWith(QLatin1String(".rvpart")))
                << it.filePath().toStdString();
        // The server did close idle connections: the primary, and the extras unless kept.
        const qsizetype timedOut = TimedOut() - timedOutBefore;
        if (c.KeepAlive > 1s) {
            EXPECT_GE(timedOut, 2) << server->LogText().toStdString();
        } else {
            EXPECT_EQ(timedOut, 1) << server->LogText().toStdString();
        }
    }
}

// One connection: the walk finds a.bin in place and nothing to upload for longer than the
// server lets the connection idle; then comes a new file.
TEST_F(IdleRealServer, TheOneConnectionIdleDuringALongWalkStillUploadsTheNextFile)
{
    source.write(QStringLiteral("a.bin"), "already there");
    source.setMTime(QStringLiteral("a.bin"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    source.write(QStringLiteral("b.bin"), BinaryPayload(50000));
    ASSERT_TRUE(QDir().mkpath(server->Root() + QStringLiteral("/www")));
    QFile there(server->Root() + QStringLiteral("/www/a.bin"));
    ASSERT_TRUE(there.open(QIODevice::WriteOnly));
    there.write("newer on the server");
    there.close();

    HoldingLog log(QStringLiteral("File already exists: "), 2500ms);
    Run(1, ofOlder, log);
    EXPECT_EQ(log.Lines.last(), Summary(1, 1)) << log.Text().toStdString();
    EXPECT_EQ(log.Errors, 0) << log.Text().toStdString();
    EXPECT_EQ(ReadFile(server->Root() + QStringLiteral("/www/b.bin")), BinaryPayload(50000));
    EXPECT_EQ(TimedOut(), 1) << server->LogText().toStdString();
}
