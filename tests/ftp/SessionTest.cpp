// The upload session against the scripted server: directory tracking, look-ups in the held
// listing, folder creation, uploads and the password rules.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "runlog/RunLog.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using Scenario = ScriptedFtpServer::Scenario;

TFTPConnection Connection(quint16 port)
{
    TFTPConnection conn;
    conn.SetConnName(QStringLiteral("test"));
    conn.SetHost(QStringLiteral("127.0.0.1"));
    conn.SetPort(port);
    conn.SetUserName(QStringLiteral("user"));
    conn.SetPassword(QStringLiteral("secret"));
    return conn;
}

QStringList AfterLogin(const ScriptedFtpServer &server)
{
    return CommandsAfterLogin(server.Commands());
}

template <typename Call>
QString MessageOf(Call call)
{
    try {
        call();
    } catch (const Exception &error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

class FtpSession : public ::testing::Test
{
protected:
    void Start(const Scenario &scenario)
    {
        server = std::make_unique<ScriptedFtpServer>(scenario);
        conn = Connection(server->Port());
        client = std::make_unique<TFTPClient>(conn, log);
        client->IdFTP().SetReadTimeout(10000);
        client->Connect();
    }

    std::unique_ptr<ScriptedFtpServer> server;
    TFTPConnection conn;
    AnsweringLog log;
    std::unique_ptr<TFTPClient> client;
};

} // namespace

TEST_F(FtpSession, ForceDirectoriesWalksUpAndCreatesWhatIsMissing)
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; Web\r\n";
    scenario.Listings[QStringLiteral("/web")] = "type=dir; old\r\n";
    Start(scenario);

    EXPECT_NO_THROW(client->ForceDirectories(QStringLiteral("/web/old")));
    EXPECT_EQ(client->CurrentDir(), QStringLiteral("/WEB/OLD/"));
    EXPECT_EQ(AfterLogin(*server), Lines({"CWD /", "PASV", "MLSD", "CWD web", "PASV", "MLSD",
                                          "CWD old", "PASV", "MLSD"}));

    // /web is listed already, and folders just made are empty: they are made by full path,
    // and the server goes into one only when something is done there.
    const int before = server->Commands().size();
    EXPECT_NO_THROW(client->ForceDirectories(QStringLiteral("/web/new/img")));
    EXPECT_EQ(client->CurrentDir(), QStringLiteral("/WEB/NEW/IMG/"));
    EXPECT_EQ(server->Commands().mid(before), Lines({"MKD /web/new", "MKD /web/new/img"}));

    // The current directory itself, in any letter case, with or without the "/": nothing sent.
    const int standing = server->Commands().size();
    for (const char *same : {"/web/new/img", "/WEB/NEW/IMG/", "/Web/New/Img/"})
        EXPECT_NO_THROW(client->ForceDirectories(QString::fromLatin1(same)));
    EXPECT_EQ(server->Commands().size(), standing);

    // Back to folders listed before: nothing sent either.
    client->ForceDirectories(QStringLiteral("/"));
    EXPECT_EQ(client->CurrentDir(), QStringLiteral("/"));
    client->ForceDirectories(QStringLiteral("/web/old"));
    EXPECT_EQ(server->Commands().size(), standing);
    // A new connection lists again.
    client->Connect();
    const int reconnected = server->Commands().size();
    client->ForceDirectories(QStringLiteral("/web"));
    EXPECT_EQ(server->Commands().mid(reconnected),
              Lines({"CWD /", "PASV", "MLSD", "CWD web", "PASV", "MLSD"}));
}

TEST_F(FtpSession, ForceDirectoriesSkipsEmptySegmentsAndBuildsRelativePathsFromRoot)
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; a\r\n";
    Start(scenario);
    client->ForceDirectories(QStringLiteral("/a//b/"));
    EXPECT_EQ(AfterLogin(*server),
              Lines({"CWD /", "PASV", "MLSD", "CWD a", "PASV", "MLSD", "MKD b"}));
    EXPECT_EQ(client->CurrentDir(), QStringLiteral("/A/B/"));

    const int before = server->Commands().size();
    client->ForceDirectories(QStringLiteral("a/c"));
    EXPECT_EQ(client->CurrentDir(), QStringLiteral("/A/C/"));
    EXPECT_EQ(server->Commands().mid(before), Lines({"MKD c"}));
}

TEST_F(FtpSession, ForceDirectoriesStopsAtANonDirectory)
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; A\r\n";
    scenario.Listings[QStringLiteral("/A")] = "type=file; b\r\ntype=OS.unix=slink:/x; l\r\n";
    Start(scenario);
    client->ForceDirectories(QStringLiteral("/A/"));
    EXPECT_EQ(MessageOf([&] { client->ForceDirectories(QStringLiteral("/a/B/c/")); }),
              QStringLiteral("Not a directory: /B"));
    // A link to a folder does not count as a folder either.
    EXPECT_EQ(MessageOf([&] { client->ForceDirectories(QStringLiteral("/a/l")); }),
              QStringLiteral("Not a directory: /l"));
    EXPECT_EQ(server->Commands().filter(QStringLiteral("MKD")), QStringList());
}

TEST_F(FtpSession, LookUpsUseTheListingOfTheFileFolder)
{
    ScopedTimeZone zone("Europe/Berlin");
    Scenario scenario;
    scenario.Listings[QStringLiteral("/a")] = "type=file;modify=20240715120000; B.TXT\r\ntype=dir; "
                                              "folder.txt\r\ntype=file; notime.txt\r\n";
    Start(scenario);

    // Right after connecting nothing is listed yet, and a bare name changes no directory.
    EXPECT_FALSE(client->FileExists(QStringLiteral("b.txt")));
    EXPECT_EQ(AfterLogin(*server), QStringList());

    EXPECT_TRUE(client->FileExists(QStringLiteral("/a/b.txt")));
    EXPECT_TRUE(client->FileExists(QStringLiteral("/A/Folder.TXT")));
    EXPECT_FALSE(client->FileExists(QStringLiteral("/a/c.txt")));
    // The listed instant: 12:00 UTC is 14:00 in Berlin.
    EXPECT_EQ(QDateTimeFromDateTime(client->FileAge(QStringLiteral("/A/b.txt")), Qt::UTC),
              QDateTime(QDate(2024, 7, 15), QTime(14, 0)));
    EXPECT_EQ(client->FileAge(QStringLiteral("/a/notime.txt")), 0.0);
    EXPECT_EQ(MessageOf([&] { client->FileAge(QStringLiteral("/a/c.txt")); }),
              QStringLiteral("File not found: /a/c.txt"));
    // One directory change for all of them.
    EXPECT_EQ(AfterLogin(*server), Lines({"CWD /a/", "PASV", "MLSD"}));

    EXPECT_EQ(MessageOf([&] { client->FileExists(QStringLiteral("/a/")); }),
              QStringLiteral("File name is empty"));
    EXPECT_EQ(MessageOf([&] { client->FileAge(QString()); }), QStringLiteral("File name is empty"));
}

TEST_F(FtpSession, LookUpsAnswerFromTheListingFetchedLast)
{
    Scenario scenario;
    // Two entries whose names differ in letter case only: the first one listed counts.
    scenario.Listings[QStringLiteral("/a")] = "type=file;modify=20240715120000; B.TXT\r\n"
                                              "type=dir; b.txt\r\ntype=file; only-a\r\n";
    scenario.Listings[QStringLiteral("/b")] = "type=file; only-b\r\ntype=file; x\r\n"
                                              "type=file; y\r\n";
    // The third listing, of /a again on a new connection, finds the folder empty.
    scenario.Replies[QStringLiteral("MLSD")] = Lines(
        {"150 Here it comes", "150 Here it comes", "450 No files found"});
    Start(scenario);

    EXPECT_NE(client->FileAge(QStringLiteral("/a/b.txt")), 0.0);
    EXPECT_TRUE(client->FileExists(QStringLiteral("/a/only-a")));
    // Another folder's listing: nothing of the first one answers any more.
    EXPECT_FALSE(client->FileExists(QStringLiteral("/b/only-a")));
    EXPECT_FALSE(client->FileExists(QStringLiteral("/b/b.txt")));
    EXPECT_TRUE(client->FileExists(QStringLiteral("/b/only-b")));
    EXPECT_TRUE(client->FileExists(QStringLiteral("/b/Y")));
    // The same folder listed again, now empty.
    client->Connect();
    EXPECT_FALSE(client->FileExists(QStringLiteral("/a/only-a")));
    EXPECT_FALSE(client->FileExists(QStringLiteral("/a/b.txt")));
    EXPECT_EQ(server->Commands().filter(QStringLiteral("CWD")),
              Lines({"CWD /a/", "CWD /b/", "CWD /a/"}));
}

TEST_F(FtpSession, FailedDirectoryChangeKeepsTheCurrentDirectory)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("CWD")] = Lines({"250 OK", "550 No such directory."});
    Start(scenario);
    client->FileExists(QStringLiteral("/a/x"));
    EXPECT_EQ(MessageOf([&] { client->FileExists(QStringLiteral("/b/x")); }),
              QStringLiteral("No such directory."));
    EXPECT_EQ(client->CurrentDir(), QStringLiteral("/A/"));
}

TEST_F(FtpSession, CopyFileUploadsAndSetsTheTime)
{
    ScopedTimeZone zone("Europe/Berlin");
    Scenario scenario;
    scenario.Listings[QStringLiteral("/up")] = "type=file; Existing.bin\r\n";
    Start(scenario);
    TempTree tree;
    const QString local = tree.write(QStringLiteral("src/photo.bin"), BinaryPayload(70000));
    tree.setMTime(QStringLiteral("src/photo.bin"), QDateTime(QDate(2024, 1, 15), QTime(13, 30, 7)));

    EXPECT_NO_THROW(client->CopyFile(local, QStringLiteral("/up/photo.bin"), true));
    EXPECT_EQ(server->Stored(QStringLiteral("photo.bin")), BinaryPayload(70000));
    EXPECT_EQ(AfterLogin(*server),
              Lines({"CWD /up/", "PASV", "MLSD", "PASV", "STOR .photo.bin.rvpart",
                     "MFMT 20240115123007 .photo.bin.rvpart", "RNFR .photo.bin.rvpart",
                     "RNTO photo.bin"}));
    EXPECT_EQ(server->Stored(QStringLiteral(".photo.bin.rvpart")), QByteArray());

    const int before = server->Commands().size();
    EXPECT_EQ(MessageOf([&] { client->CopyFile(local, QStringLiteral("/up/existing.BIN"), true); }),
              QStringLiteral("File already exists: /up/existing.BIN"));
    EXPECT_EQ(server->Commands().size(), before);
    // Replacing is the default.
    EXPECT_NO_THROW(client->CopyFile(local, QStringLiteral("/up/existing.BIN"), false));
    EXPECT_EQ(server->Stored(QStringLiteral("existing.BIN")), BinaryPayload(70000));

    EXPECT_EQ(MessageOf([&] {
                  client->CopyFile(tree(QStringLiteral("missing")), QStringLiteral("/up/m"), false);
              }),
              QStringLiteral("File does not exist: ") + tree(QStringLiteral("missing")));
    EXPECT_EQ(MessageOf([&] { client->CopyFile(local, QStringLiteral("/up/"), false); }),
              QStringLiteral("File name is empty"));
}

TEST_F(FtpSession, HeldListingsKnowWhatTheSessionUploadedAndForgetAFailedUpload)
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; up\r\n";
    scenario.Listings[QStringLiteral("/up")] = "type=file;modify=20200101000000; old.txt\r\n";
    // The second upload's time is refused: the file is there, but not as the session meant.
    scenario.Replies[QStringLiteral("MFMT")] = Lines(
        {"213 Modify=20240115123007; f.txt", "550 Refused.", "213 Ok"});
    Start(scenario);
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.txt"), "data");
    const QDateTime time(QDate(2024, 1, 15), QTime(12, 30, 7), QTimeZone::utc());
    tree.setMTime(QStringLiteral("f.txt"), time);

    // A folder made by the session is entered by the upload itself, with one CWD.
    client->ForceDirectories(QStringLiteral("/up/new"));
    const qsizetype made = server->Commands().size();
    client->CopyFile(local, QStringLiteral("/up/new/f.txt"), false);
    EXPECT_EQ(server->Commands().mid(made),
              Lines({"CWD /up/new/", "PASV", "STOR .f.txt.rvpart",
                     "MFMT 20240115123007 .f.txt.rvpart", "RNFR .f.txt.rvpart", "RNTO f.txt"}));

    // Away and back: the upload is in the held listing with the time it was given, and the
    // server is not asked again.
    const qsizetype uploaded = server->Commands().size();
    EXPECT_TRUE(client->FileExists(QStringLiteral("/up/old.txt")));
    EXPECT_TRUE(client->FileExists(QStringLiteral("/up/new/F.TXT")));
    EXPECT_EQ(QDateTimeFromDateTime(client->FileAge(QStringLiteral("/up/new/f.txt")), Qt::UTC),
              time);
    EXPECT_EQ(client->FileAgePrecision(QStringLiteral("/up/new/f.txt")), 1);
    EXPECT_EQ(server->Commands().size(), uploaded);

    // A failed upload leaves the folder unknown: it is listed again when next entered.
    EXPECT_EQ(MessageOf([&] { client->CopyFile(local, QStringLiteral("/up/g.txt"), false); }),
              QStringLiteral("Refused."));
    EXPECT_FALSE(client->FileExists(QStringLiteral("/up/new/g.txt")));
    const qsizetype failed = server->Commands().size();
    EXPECT_TRUE(client->FileExists(QStringLiteral("/up/old.txt")));
    EXPECT_EQ(server->Commands().mid(failed), Lines({"CWD /up/", "PASV", "MLSD"}));
}

TEST_F(FtpSession, RefusedTimeFailsTheCopyAfterTheDataArrived)
{
    Scenario scenario;
    scenario.Replies[QStringLiteral("MFMT")] = QStringList{
        QStringLiteral("550 Could not set time.")};
    Start(scenario);
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.txt"), "data");
    EXPECT_EQ(MessageOf([&] { client->CopyFile(local, QStringLiteral("f.txt"), false); }),
              QStringLiteral("Could not set time."));
    EXPECT_EQ(server->Stored(QStringLiteral("f.txt")), QByteArray("data"));
}

TEST_F(FtpSession, ARefusedRenameSentWithItsTimeKeepsTheConnectionInStep)
{
    Scenario scenario;
    // The time and the rename go out together; RNFR is refused, so RNTO is out of sequence.
    scenario.Replies[QStringLiteral("RNFR")] = Lines({"550 Not there.", "350 Ready."});
    scenario.Replies[QStringLiteral("RNTO")] = Lines(
        {"503 Bad sequence of commands.", "250 Renamed."});
    scenario.Replies[QStringLiteral("DELE")] = Lines({"250 Deleted."});
    Start(scenario);
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.txt"), "data");
    tree.setMTime(QStringLiteral("f.txt"),
                  QDateTime(QDate(2024, 1, 15), QTime(12, 30, 7), QTimeZone::utc()));
    // Each reply went with its own command: the file failed with the refusal of its rename,
    // and its temporary was deleted.
    EXPECT_EQ(MessageOf([&] { client->CopyFile(local, QStringLiteral("/up/new.txt"), false); }),
              QStringLiteral("Not there."));
    EXPECT_EQ(AfterLogin(*server),
              Lines({"CWD /up/", "PASV", "MLSD", "PASV", "STOR .new.txt.rvpart",
                     "MFMT 20240115123007 .new.txt.rvpart", "RNFR .new.txt.rvpart", "RNTO new.txt",
                     "DELE .new.txt.rvpart"}));
    EXPECT_EQ(server->Stored(QStringLiteral("new.txt")), QByteArray());
    // The next upload gets its own replies, and is renamed into place.
    EXPECT_NO_THROW(client->CopyFile(local, QStringLiteral("/up/next.txt"), false));
    EXPECT_EQ(server->Stored(QStringLiteral("next.txt")), QByteArray("data"));
    EXPECT_TRUE(client->IdFTP().Connected());
}

TEST_F(FtpSession, PathsWithLineBreaksAreRefusedBeforeAnythingIsSent)
{
    Start({});
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.txt"), "data");
    const QStringList sent = server->Commands();
    EXPECT_THROW(client->FileExists(QStringLiteral("/a\r\nDELE x/b")), EIdFTPCommandError);
    EXPECT_THROW(client->FileAge(QStringLiteral("/a/b\n")), EIdFTPCommandError);
    EXPECT_THROW(client->ForceDirectories(QStringLiteral("/a\n/b")), EIdFTPCommandError);
    EXPECT_THROW(client->CopyFile(local, QStringLiteral("/a/x\r\nDELE y"), false),
                 EIdFTPCommandError);
    EXPECT_EQ(server->Commands(), sent);
}

TEST(FtpSessionSetup, PortAndTlsModeFollowTheConnection)
{
    struct Case
    {
        int port;
        TIdUseTLS mode;
        int expected;
    };
    const Case cases[] = {
        {70000, utNoTLSSupport, 4464}, {21, utUseImplicitTLS, 990},    {990, utUseExplicitTLS, 21},
        {990, utUseRequireTLS, 21},    {2121, utUseImplicitTLS, 2121}, {21, utNoTLSSupport, 21},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.port);
        TFTPConnection conn;
        conn.SetHost(QStringLiteral("127.0.0.1"));
        conn.SetPort(c.port);
        conn.SetUseTLS(c.mode);
        AnsweringLog log;
        TFTPClient client(conn, log);
        EXPECT_EQ(client.IdFTP().Port(), c.expected);
        EXPECT_EQ(client.IdFTP().UseTLS(), c.mode);
        EXPECT_EQ(client.IdFTP().DataPortProtection(),
                  c.mode == utNoTLSSupport ? ftpdpsClear : ftpdpsPrivate);
        EXPECT_TRUE(client.IdFTP().Passive());
    }
}

TEST(FtpSessionPassword, PromptRulesAcrossSessions)
{
    Scenario scenario;
    // The first login is refused, every later one accepted.
    scenario.Replies[QStringLiteral("PASS")] = Lines({"530 Login incorrect.", "230 Logged in"});
    ScriptedFtpServer server(scenario);
    TFTPConnection conn = Connection(server.Port());
    conn.SetAskPassword(true);
    conn.SetPassword(QStringLiteral("stored"));
    AnsweringLog log;
    log.AnswerRemember = true;
    log.AnswerPassword = QStringLiteral("wrong");

    // Prompted; the typed password is remembered even though the login fails.
    EXPECT_ANY_THROW(TFTPClient(conn, log).Connect());
    EXPECT_EQ(log.Asked, 1);
    EXPECT_EQ(log.AskedFor, QStringLiteral("127.0.0.1 user"));
    EXPECT_TRUE(conn.RememberPassword());
    EXPECT_EQ(conn.Password(), QStringLiteral("wrong"));
    EXPECT_FALSE(conn.LoggedIn());

    // The refused login makes the next session prompt again.
    log.AnswerPassword = QStringLiteral("right");
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(log.Asked, 2);
    EXPECT_TRUE(log.OfferedRemember);
    EXPECT_TRUE(conn.LoggedIn());
    EXPECT_EQ(conn.Password(), QStringLiteral("right"));

    // Remembered and accepted: no prompt.
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(log.Asked, 2);
    server.WaitUntilClosed();
    EXPECT_EQ(server.Commands().filter(QStringLiteral("PASS ")),
              Lines({"PASS wrong", "PASS right", "PASS right"}));
}

TEST(FtpSessionPassword, CancelAndUntickedAnswers)
{
    ScriptedFtpServer server({});
    TFTPConnection conn = Connection(server.Port());
    conn.SetAskPassword(true);
    conn.SetRememberPassword(true);
    conn.SetPassword(QStringLiteral("old"));
    AnsweringLog log;

    // Cancel: the login goes on with an empty password and the record is unchanged.
    log.AnswerOk = false;
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(conn.Password(), QStringLiteral("old"));
    EXPECT_TRUE(conn.RememberPassword());
    EXPECT_TRUE(conn.LoggedIn());

    // Remembered and logged in: the stored password is used without a prompt.
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(log.Asked, 1);

    // Unticked: the old password stays, remembering stops, so every later session asks.
    conn.SetLoggedIn(false);
    log.AnswerOk = true;
    log.AnswerRemember = false;
    log.AnswerPassword = QStringLiteral("typed");
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(conn.Password(), QStringLiteral("old"));
    EXPECT_FALSE(conn.RememberPassword());
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(log.Asked, 3);

    // Without AskPassword the stored password goes out and nobody is asked.
    conn.SetAskPassword(false);
    TFTPClient(conn, log).Connect();
    EXPECT_EQ(log.Asked, 3);
    server.WaitUntilClosed();
    EXPECT_EQ(server.Commands().filter(QStringLiteral("PASS")),
              Lines({"PASS ", "PASS old", "PASS typed", "PASS typed", "PASS old"}));
}

TEST_F(FtpSession, UploadsReplaceTheTargetWholeOrNotAtAll)
{
    // Each server refuses in its own way; the log says once how uploads go from then on.
    struct Case
    {
        const char *label;
        QMap<QString, QStringList> replies;
        QStringList first;  // commands for the upload over an existing file
        QStringList second; // commands for the next upload over an existing file
        QStringList logged;
    };
    const QString aside = QStringLiteral(
        "The server does not rename over existing files: each one is renamed aside, replaced by "
        "its upload, and then deleted.");
    const QString inPlace = QStringLiteral(
        "The server does not rename files: uploads go straight to their target names, and a "
        "broken upload can leave a partial file.");
    const Case cases[] = {
        {"renamed over the target",
         {},
         Lines({"PASV", "STOR .a.rvpart", "MFMT 20240115123007 .a.rvpart", "RNFR .a.rvpart",
                "RNTO a"}),
         Lines({"PASV", "STOR .b.rvpart", "MFMT 20240115123007 .b.rvpart", "RNFR .b.rvpart",
                "RNTO b"}),
         {}},
        {"no rename over an existing file",
         {{QStringLiteral("RNTO"), Lines({"553 File exists.", "250 Renamed."})}},
         Lines({"PASV", "STOR .a.rvpart", "MFMT 20240115123007 .a.rvpart", "RNFR .a.rvpart",
                "RNTO a", "RNFR a", "RNTO .a.rvold", "RNFR .a.rvpart", "RNTO a", "DELE .a.rvold",
                "MFMT 20240115123007 a"}),
         Lines({"PASV", "STOR .b.rvpart", "RNFR b", "RNTO .b.rvold", "RNFR .b.rvpart", "RNTO b",
                "DELE .b.rvold", "MFMT 20240115123007 b"}),
         {aside}},
        {"no renames at all",
         {{QStringLiteral("RNFR"), Lines({"502 Command not implemented."})}},
         Lines({"PASV", "STOR .a.rvpart", "MFMT 20240115123007 .a.rvpart", "RNFR .a.rvpart",
                "RNTO a", "DELE .a.rvpart", "PASV", "STOR a", "MFMT 20240115123007 a"}),
         Lines({"PASV", "STOR b", "MFMT 20240115123007 b"}),
         {inPlace}},
    };
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.bin"), BinaryPayload(5000));
    tree.setMTime(QStringLiteral("f.bin"),
                  QDateTime(QDate(2024, 1, 15), QTime(12, 30, 7), QTimeZone::utc()));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        Scenario scenario;
        scenario.Replies = c.replies;
        scenario.Listings[QStringLiteral("/up")] = "type=file; a\r\ntype=file; b\r\n";
        log.Lines.clear();
        Start(scenario);
        client->CopyFile(local, QStringLiteral("/up/a"), false);
        const qsizetype before = server->Commands().size();
        client->CopyFile(local, QStringLiteral("/up/b"), false);
        const QStringList commands = server->Commands();
        EXPECT_EQ(commands.mid(before), c.second);
        EXPECT_EQ(commands.mid(0, before).mid(before - c.first.size()), c.first);
        EXPECT_EQ(server->Stored(QStringLiteral("a")), BinaryPayload(5000));
        EXPECT_EQ(server->Stored(QStringLiteral("b")), BinaryPayload(5000));
        EXPECT_EQ(log.Lines, c.logged);
    }
}

TEST_F(FtpSession, ABrokenUploadLeavesTheTargetAndRemovesItsTemporaryFile)
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/up")] = "type=file;modify=20240101000000; a\r\n";
    scenario.StorResetAfter = 20000;
    Start(scenario);
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.bin"), BinaryPayload(400000));

    EXPECT_ANY_THROW(client->CopyFile(local, QStringLiteral("/up/a"), false));
    const QStringList commands = AfterLogin(*server);
    // Nothing touched the target: no rename, no delete, no time.
    EXPECT_EQ(commands.filter(QRegularExpression(QStringLiteral(" a$"))), QStringList());
    EXPECT_EQ(commands.last(), QStringLiteral("DELE .a.rvpart"));
    EXPECT_EQ(server->Stored(QStringLiteral(".a.rvpart")), QByteArray()); // removed
}

TEST_F(FtpSession, ANameTooLongForATemporaryNameIsUploadedInPlace)
{
    Start({});
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.bin"), "data");
    const QString name = QString(250, QLatin1Char('n'));
    client->CopyFile(local, QStringLiteral("/up/") + name, false);
    EXPECT_TRUE(server->Commands().contains(QStringLiteral("STOR ") + name));
    EXPECT_TRUE(server->Commands().filter(QStringLiteral("RNFR")).isEmpty());
}

TEST_F(FtpSession, ATemporaryFileThatCannotBeRemovedIsNamedInTheLog)
{
    Scenario scenario;
    scenario.StorResetAfter = 20000;
    scenario.Replies[QStringLiteral("DELE")] = Lines({"450 Permission denied."});
    Start(scenario);
    TempTree tree;
    const QString local = tree.write(QStringLiteral("f.bin"), BinaryPayload(400000));

    // After the reason of the failure; the folder as the path gave it, not as the session
    // compares it.
    EXPECT_EQ(MessageOf([&] {
                  client->CopyFile(local, QStringLiteral("/up/Mixed/a"), false);
              }).section(QStringLiteral("\r\n"), 1),
              QStringLiteral("Unable to remove temporary file /up/Mixed/.a.rvpart (Permission "
                             "denied.)"));
    EXPECT_EQ(log.Lines, QStringList());
}
