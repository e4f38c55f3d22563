// Commands and replies stay paired on the control connection: a reply that comes too late, or
// one that no command asked for, closes the connection, and nothing more is sent on it.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/FTPSessionFactory.h"
#include "engine/RunProject.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "ftp/IdFTP.h"
#include "projects/CopyProjectUnit.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Scenario = ScriptedFtpServer::Scenario;

// Long enough for a loaded machine to answer an ordinary command, short enough that a late
// reply (kLate) comes well after it.
constexpr int kReadTimeoutMs = 500;
const QString kLate = QStringLiteral("<delay 1500>");

// The message of the error call raises, "<no error>", or what else it raised.
QString Outcome(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Exception &error) {
        return error.Message();
    } catch (const std::exception &error) {
        return QStringLiteral("<other error: %1>").arg(QString::fromUtf8(error.what()));
    }
    return QStringLiteral("<no error>");
}

void Upload(TIdFTP &ftp, const QString &name)
{
    QBuffer source;
    source.setData("payload\n");
    source.open(QIODevice::ReadOnly);
    ftp.Put(source, name);
}

std::string Shown(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n')).toStdString();
}

struct Step
{
    std::function<void(TIdFTP &)> call;
    QString outcome; // the error's message, or "<no error>"
};

} // namespace

TEST(FtpReplySync, LateOrUnaskedRepliesCloseTheConnection)
{
    const QString noError = QStringLiteral("<no error>");
    const auto changeDir = [](TIdFTP &ftp) { ftp.ChangeDir(QStringLiteral("a")); };
    const auto makeDir = [](TIdFTP &ftp) { ftp.MakeDir(QStringLiteral("b")); };
    const auto upload = [](TIdFTP &ftp) { Upload(ftp, QStringLiteral("f.txt")); };
    const auto setTime = [](TIdFTP &ftp) { ftp.SetModTime(QStringLiteral("f.txt"), 45000.5); };
    // Gives an unasked reply sent after the last one the time to arrive.
    const auto later = [](std::function<void(TIdFTP &)> call) {
        return [call](TIdFTP &ftp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            call(ftp);
        };
    };
    const QString timedOut = QStringLiteral("Read timed out.");
    const QString unasked = QStringLiteral(
        "Connection closed: the server sent a reply that no command asked for.");

    struct Case
    {
        const char *name;
        bool tls;
        const char *verb; // whose replies are scripted
        QStringList replies;
        std::vector<Step> steps;
        QString lastSent; // the start of the last command the server received
    };
    const Case cases[] = {
        {"CWD reply late",
         false,
         "CWD",
         {kLate + QStringLiteral("250 Directory changed")},
         {{changeDir, timedOut},
          {makeDir,
           QStringLiteral("Connection closed: the server's reply to CWD did not arrive in time.")},
          {changeDir,
           QStringLiteral("Connection closed: the server's reply to CWD did not arrive in time.")}},
         QStringLiteral("CWD a")},
        {"MKD reply late",
         false,
         "MKD",
         {kLate + QStringLiteral("257 Created")},
         {{makeDir, timedOut},
          {upload,
           QStringLiteral("Connection closed: the server's reply to MKD did not arrive in time.")}},
         QStringLiteral("MKD b")},
        {"STOR reply late",
         false,
         "STOR",
         {kLate + QStringLiteral("150 Ok to send data")},
         {{upload, timedOut},
          {makeDir, QStringLiteral(
                        "Connection closed: the server's reply to STOR did not arrive in time.")}},
         QStringLiteral("STOR f.txt")},
        {"MFMT reply late",
         false,
         "MFMT",
         {kLate + QStringLiteral("213 Modify=20230314120000; f.txt")},
         {{setTime, timedOut},
          {changeDir,
           QStringLiteral(
               "Connection closed: the server's reply to MFMT did not arrive in time.")}},
         QStringLiteral("MFMT ")},
        {"reply that cannot be read",
         false,
         "CWD",
         {QStringLiteral("25x Directory changed")},
         {{changeDir, QStringLiteral("Invalid reply from the server: 25x Directory changed")},
          {makeDir,
           QStringLiteral("Connection closed: the server's reply to CWD could not be read.")}},
         QStringLiteral("CWD a")},
        {"second reply with the first",
         false,
         "CWD",
         {QStringLiteral("250 OK\r\n250 OK again")},
         {{changeDir, noError},
          {makeDir, QStringLiteral("Unexpected reply from the server: 250 OK again")},
          {changeDir, unasked}},
         QStringLiteral("CWD a")},
        {"no reply at all with the first",
         false,
         "CWD",
         {QStringLiteral("250 OK\r\nnot a reply")},
         {{changeDir, noError},
          {makeDir, QStringLiteral("Invalid reply from the server: not a reply")},
          {changeDir, QStringLiteral("Connection closed: an unasked reply could not be read.")}},
         QStringLiteral("CWD a")},
        {"unasked reply before a command",
         false,
         "CWD",
         {QStringLiteral("250 OK<delay 100>200 Nobody asked")},
         {{changeDir, noError},
          {later(upload), QStringLiteral("Unexpected reply from the server: 200 Nobody asked")},
          {makeDir, unasked}},
         QStringLiteral("CWD a")},
        {"unasked reply over TLS",
         true,
         "CWD",
         {QStringLiteral("250 OK<delay 100>250 OK again")},
         {{changeDir, noError},
          {later(makeDir), QStringLiteral("Unexpected reply from the server: 250 OK again")},
          {changeDir, unasked}},
         QStringLiteral("CWD a")},
        // The server going away may say so unasked (RFC 959, 4.2): its text, as for a 421
        // that answers a command.
        {"unasked 421",
         false,
         "CWD",
         {QStringLiteral("250 OK<delay 100>421 Idle too long.")},
         {{changeDir, noError},
          {later(makeDir), QStringLiteral("Idle too long.")},
          {changeDir, QStringLiteral("Not Connected")}},
         QStringLiteral("CWD a")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Scenario scenario;
        scenario.ImplicitTLS = c.tls;
        scenario.Replies[QString::fromLatin1(c.verb)] = c.replies;
        ScriptedFtpServer server(scenario);
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), c.tls ? utUseImplicitTLS : utNoTLSSupport, &tls);
        ftp->Connect();
        ftp->SetReadTimeout(kReadTimeoutMs);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(Outcome([&] { c.steps[i].call(*ftp); }), c.steps[i].outcome);
        }
        EXPECT_FALSE(ftp->Connected());
        EXPECT_EQ(ftp->State(), TIdFTPState::Closed);
        ftp.reset();
        server.WaitUntilClosed();
        EXPECT_TRUE(server.Commands().last().startsWith(c.lastSent)) << Shown(server.Commands());
        // A transfer the server opened after the client gave up is no whole file.
        EXPECT_TRUE(server.CompletedUploads().isEmpty()) << Shown(server.CompletedUploads());
    }
}

TEST(FtpReplySync, ListingIsNotTrustedAfterTheConnectionWentOutOfStep)
{
    Scenario scenario;
    scenario.Listing = "type=file;size=3; a.txt\r\n";
    scenario.Replies[QStringLiteral("CWD")] = QStringList{kLate + QStringLiteral("250 OK")};
    ScriptedFtpServer server(scenario);
    auto ftp = MakeTestClient(server.Port());
    ftp->Connect();
    ftp->List();
    ftp->SetReadTimeout(kReadTimeoutMs);
    EXPECT_THROW(ftp->ChangeDir(QStringLiteral("sub")), EIdReadTimeout);
    // Whether the server changed directory is unknown: the listing may be of either.
    EXPECT_EQ(
        Outcome([&] { ftp->DirectoryListing(); }),
        QStringLiteral("Connection closed: the server's reply to CWD did not arrive in time."));
    // A new connection starts in step.
    ftp->SetReadTimeout(10000);
    ftp->Connect();
    ftp->List();
    EXPECT_EQ(ftp->DirectoryListing().size(), 1);
}

// A whole run whose session meets a late reply: the files after it fail with the closed
// connection's reason, and nothing more reaches the server.
TEST(FtpReplySync, RunFailsTheFilesAfterALateReply)
{
    TempTree source;
    source.write(QStringLiteral("top.txt"), "top\n");
    source.write(QStringLiteral("s1/a.txt"), "a\n");
    source.write(QStringLiteral("s1/b.txt"), "b\n");
    source.write(QStringLiteral("s2/c.txt"), "c\n");

    // "CWD /" and the change into the new /up/P are answered in time, the change into s1 too
    // late.
    Scenario scenario;
    scenario.Replies[QStringLiteral("CWD")] = QStringList{
        QStringLiteral("250 OK"), QStringLiteral("250 OK"), kLate + QStringLiteral("250 OK"),
        QStringLiteral("250 OK")};
    ScriptedFtpServer server(scenario);

    TFTPConnList connections;
    auto conn = TestConnection(QStringLiteral("Scripted"), server.Port());
    connections.AddConnection(std::move(conn));
    TCopyProject project;
    project.SetProjectName(QStringLiteral("P"));
    project.SetSourceFolder(source.path() + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("*"), true, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetFTPConnName(QStringLiteral("Scripted"));

    const TFTPSessionFactory previous = SetFTPSessionFactory(
        [](TFTPConnection &connection, TRunLog &log) -> std::unique_ptr<TFTPSession> {
            auto client = std::make_unique<TFTPClient>(connection, log);
            client->IdFTP().SetReadTimeout(kReadTimeoutMs);
            return client;
        });
    RecordingLog log;
    const bool ok = RunProject(project, QStringLiteral("up"), connections, log);
    SetFTPSessionFactory(previous);
    const std::string text = Shown(log.Lines);
    EXPECT_TRUE(ok) << text;

    const QString closed = QStringLiteral(
        "Connection closed: the server's reply to CWD did not arrive in time.");
    EXPECT_EQ(log.Lines.filter(QStringLiteral("Read timed out.")).size(), 1) << text;
    // s1/b.txt and s2/c.txt.
    EXPECT_EQ(log.Lines.filter(closed).size(), 2) << text;
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 1, skipped: 0, already existed: 0, failed: 3"))
        << text;

    server.WaitUntilClosed();
    const QStringList commands = server.Commands();
    const QStringList afterLogin = CommandsAfterLogin(commands);
    ASSERT_GE(afterLogin.size(), 2) << Shown(commands);
    EXPECT_EQ(Shown(afterLogin.mid(afterLogin.size() - 2)), "MKD s1\nCWD /up/P/s1/")
        << Shown(commands);
    EXPECT_EQ(afterLogin.filter(QStringLiteral("MKD")).size(), 3) << Shown(commands);
    // top.txt only.
    EXPECT_EQ(server.CompletedUploads().size(), 1) << Shown(server.CompletedUploads());
}
