// What the upload session believes after a step failed: only what the server said. A listing
// that failed is no empty folder, a refused MKD, CWD or STOR makes the folder listed again, a
// refused rename fails that file alone and never costs the file it was to replace, and a
// temporary is deleted only where a STOR may have made one.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunProject.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "projects/CopyProjectUnit.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using Scenario = ScriptedFtpServer::Scenario;

// The remote tree every case starts from: /up/Site holds b.txt, dated 2030.
Scenario SiteScenario()
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; up\r\n";
    scenario.Listings[QStringLiteral("/up")] = "type=dir; Site\r\n";
    scenario.Listings[QStringLiteral("/up/Site")] =
        "type=file;size=3;modify=20300101000000; b.txt\r\n";
    return scenario;
}

// Source files dated 2020, older than anything the server lists.
void WriteSource(TempTree &source, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        source.write(QString::fromLatin1(name), QByteArray("new ") + name);
        source.setMTime(QString::fromLatin1(name),
                        QDateTime(QDate(2020, 1, 1), QTime(12, 0), QTimeZone::utc()));
    }
}

struct RunResult
{
    bool Result = false;
    QStringList Lines;
    QStringList Commands;
    QString Text() const { return Lines.join(QLatin1Char('\n')); }
};

// Runs the project "Site" (files "*", "only when older" unless told) into /up/Site on the
// scripted server, over one connection.
RunResult RunSite(ScriptedFtpServer &server, const TempTree &source, bool preview = false,
                  TOverwriteFile overwrite = ofOlder)
{
    TFTPConnList connections;
    auto conn = TestConnection(QStringLiteral("Test server"), server.Port());
    connections.AddConnection(std::move(conn));
    const TCopyProject project = UploadProject(source.path(), QStringLiteral("*"), overwrite);
    RecordingLog log;
    RunResult result;
    result.Result = RunProject(project, QStringLiteral("/up"), connections, log, nullptr, preview);
    server.WaitUntilClosed();
    // The source folder differs from run to run.
    for (const QString &line : log.Lines)
        result.Lines.append(QString(line).replace(source.path(), QStringLiteral("<source>")));
    result.Commands = CommandsAfterLogin(server.Commands());
    return result;
}

// A session on the scripted server, logged in, as the run's own session is.
class FtpSessionView : public ::testing::Test
{
protected:
    void Start(const Scenario &scenario)
    {
        server = std::make_unique<ScriptedFtpServer>(scenario);
        conn = TestConnection(QStringLiteral("Test server"), server->Port());
        client = std::make_unique<TFTPClient>(*conn, log);
        client->IdFTP().SetReadTimeout(10000);
        client->Connect();
    }
    // Uploads the source file name to /up/Site/name; the error's message, or "<no error>".
    QString Upload(const char *name)
    {
        return MessageOf<Exception>([&] {
            client->CopyFile(source(QString::fromLatin1(name)),
                             QStringLiteral("/up/Site/") + QString::fromLatin1(name), false);
        });
    }
    // The commands sent since the mark.
    QStringList Since(qsizetype mark) const { return server->Commands().mid(mark); }

    std::unique_ptr<ScriptedFtpServer> server;
    std::unique_ptr<TFTPConnection> conn;
    RecordingLog log;
    std::unique_ptr<TFTPClient> client;
    TempTree source;
};

} // namespace

// A listing that did not arrive says nothing of the folder: the next file lists it again, and
// a newer remote file is never replaced for want of a listing.
TEST(FtpSessionFaults, AFailedListingIsNoEmptyFolder)
{
    struct Case
    {
        const char *Verb;
        const char *Refusal;
    };
    const Case cases[] = {
        {"MLSD", "425 Can't open data connection."},
        {"MLSD", "451 Requested action aborted: local error in processing."},
        {"PASV", "425 Cannot open passive connection."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.Verb) + " " + c.Refusal);
        Scenario scenario = SiteScenario();
        const QString verb = QString::fromLatin1(c.Verb);
        // The listings of / and /up arrive, the one of /up/Site is refused, the next ones
        // arrive again.
        const QString usual = verb == QLatin1String("MLSD")
                                  ? QStringLiteral("150 Here comes the listing")
                                  : QStringLiteral("<pasv>");
        scenario.Replies[verb] = {usual, usual, QString::fromLatin1(c.Refusal), usual};
        ScriptedFtpServer server(scenario);
        TempTree source;
        WriteSource(source, {"a.txt", "b.txt"});

        const RunResult run = RunSite(server, source);
        EXPECT_FALSE(run.Commands.contains(QStringLiteral("STOR .b.txt.rvpart")))
            << run.Commands.join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(run.Commands.contains(QStringLiteral("RNTO b.txt")));
        EXPECT_FALSE(run.Lines.contains(QStringLiteral("Copy: /up/Site <= b.txt")))
            << run.Text().toStdString();
        EXPECT_EQ(run.Lines.last(),
                  QStringLiteral("Copied: 0, skipped: 0, already existed: 1, failed: 1"))
            << run.Text().toStdString();
    }
}

// A server that answers the listing of a full folder with 450 and then refuses MKD: the files
// after the first find the folder by listing again, as the walk did before it held listings.
TEST(FtpSessionFaults, ARefusedMakeDirListsTheFolderAgain)
{
    Scenario scenario = SiteScenario();
    // "/" is listed first, then /up: that one answer says nothing is there.
    scenario.Replies[QStringLiteral("MLSD")] = {QStringLiteral("150 Here comes the listing"),
                                                QStringLiteral("450 No files found"),
                                                QStringLiteral("150 Here comes the listing")};
    scenario.Replies[QStringLiteral("MKD")] = {QStringLiteral("550 File exists.")};
    ScriptedFtpServer server(scenario);
    TempTree source;
    WriteSource(source, {"a.txt", "b.txt", "c.txt"});

    const RunResult run = RunSite(server, source);
    EXPECT_EQ(run.Commands.count(QStringLiteral("MKD Site")), 1)
        << run.Commands.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.Lines.contains(QStringLiteral("File already exists: /up/Site/b.txt")))
        << run.Text().toStdString();
    EXPECT_TRUE(run.Commands.contains(QStringLiteral("STOR .c.txt.rvpart")));
    EXPECT_EQ(run.Lines.last(),
              QStringLiteral("Copied: 1, skipped: 0, already existed: 1, failed: 1"))
        << run.Text().toStdString();
}

// After the server refused a step in a folder, the next look-up there lists it again rather than
// trusting what the session held.
TEST_F(FtpSessionView, ARefusedStepMakesTheFolderListedAgain)
{
    struct Case
    {
        const char *Verb;
        QStringList Replies;
        QString Error;
    };
    const Case cases[] = {
        {"STOR", {"553 Could not create file.", "150 Ok to send data"}, "Could not create file."},
        // "/" and /up are entered; Site is refused once.
        {"CWD",
         {"250 Directory changed", "250 Directory changed", "550 Failed to change directory.",
          "250 Directory changed"},
         "Failed to change directory."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Verb);
        Scenario scenario = SiteScenario();
        scenario.Replies[QString::fromLatin1(c.Verb)] = c.Replies;
        Start(scenario);
        source.write(QStringLiteral("a.txt"), "a");
        QString error = MessageOf<Exception>(
            [&] { client->ForceDirectories(QStringLiteral("/up/Site")); });
        if (error == QLatin1String("<no error>"))
            error = Upload("a.txt");
        EXPECT_EQ(error, c.Error);

        // The next look-up in the folder, or in the one whose listing named it, lists again.
        const qsizetype mark = server->Commands().size();
        EXPECT_NO_THROW(client->ForceDirectories(QStringLiteral("/up/Site")));
        EXPECT_NO_THROW(client->FileExists(QStringLiteral("/up/Site/b.txt")));
        const QStringList after = Since(mark);
        EXPECT_EQ(after.mid(0, 2), Lines({"PASV", "MLSD"}))
            << after.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(FtpRenameFallback, EachRefusalHasOneAnswer)
{
    struct Case
    {
        bool AtTarget;
        int Code;
        bool Replacing;
        TRenameFallback Expected;
    };
    const Case cases[] = {
        // The command is not there: nothing is ever renamed.
        {false, 500, false, TRenameFallback::NoRenames},
        {false, 502, true, TRenameFallback::NoRenames},
        {true, 504, true, TRenameFallback::NoRenames},
        {true, 502, false, TRenameFallback::NoRenames},
        // Not over an existing file.
        {true, 553, true, TRenameFallback::RenameAside},
        {true, 550, true, TRenameFallback::RenameAside},
        // One name refused, or a passing refusal: that file alone.
        {true, 553, false, TRenameFallback::FailFile},
        {true, 550, false, TRenameFallback::FailFile},
        {false, 550, true, TRenameFallback::FailFile},
        {false, 553, false, TRenameFallback::FailFile},
        {false, 450, true, TRenameFallback::FailFile},
        {true, 450, true, TRenameFallback::FailFile},
        {true, 451, false, TRenameFallback::FailFile},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RenameFallback(c.AtTarget, c.Code, c.Replacing), c.Expected)
            << "at target " << c.AtTarget << ", " << c.Code << ", replacing " << c.Replacing;
}

// Refused renames against the exact commands: the file that was to be replaced is never deleted
// before its replacement is in place, and one file's refusal changes nothing for the next.
TEST_F(FtpSessionView, ARefusedRenameCostsNoFileAndChangesOnlyWhatTheServerSaid)
{
    const QString noRenames = QStringLiteral(
        "The server does not rename files: uploads go straight to their target names, and a "
        "broken upload can leave a partial file.");
    const QString aside = QStringLiteral(
        "The server does not rename over existing files: each one is renamed aside, replaced "
        "by its upload, and then deleted.");
    struct Case
    {
        const char *Name;
        QMap<QString, QStringList> Replies;
        // a.txt is on the server already.
        bool Replacing;
        QString Error;
        // The commands from the first RNFR of a.txt's upload to the end of b.txt's (after a
        // failed upload, the folder is listed again).
        QStringList Commands;
        QString Said;
    };
    const QString renamed = QStringLiteral("250 Rename successful");
    const Case cases[] = {
        {"a new file's name refused",
         {{"RNTO", {"553 Name not allowed.", renamed}}},
         false,
         "Name not allowed.",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "DELE .a.txt.rvpart", "PASV", "MLSD", "PASV",
                "STOR .b.txt.rvpart", "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart",
                "RNTO b.txt"}),
         {}},
        {"a passing refusal of RNFR",
         {{"RNFR", {"450 Busy, try later.", "350 Ready"}}},
         true,
         "Busy, try later.",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "DELE .a.txt.rvpart", "PASV", "MLSD", "PASV",
                "STOR .b.txt.rvpart", "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart",
                "RNTO b.txt"}),
         {}},
        {"one name refused by RNFR",
         {{"RNFR", {"550 Not enough privileges.", "350 Ready"}}},
         true,
         "Not enough privileges.",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "DELE .a.txt.rvpart", "PASV", "MLSD", "PASV",
                "STOR .b.txt.rvpart", "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart",
                "RNTO b.txt"}),
         {}},
        {"a passing refusal of RNTO over a file",
         {{"RNTO", {"450 Busy, try later.", renamed}}},
         true,
         "Busy, try later.",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "DELE .a.txt.rvpart", "PASV", "MLSD", "PASV",
                "STOR .b.txt.rvpart", "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart",
                "RNTO b.txt"}),
         {}},
        {"no rename over a file",
         {{"RNTO", {"553 Rename over existing file refused.", renamed}}},
         true,
         "<no error>",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "RNFR a.txt", "RNTO .a.txt.rvold",
                "RNFR .a.txt.rvpart", "RNTO a.txt", "DELE .a.txt.rvold",
                "MFMT 20200101120000 a.txt", "PASV", "STOR .b.txt.rvpart",
                "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart", "RNTO b.txt"}),
         aside},
        {"the new file refused its place: the old one comes back",
         {{"RNTO",
           {"553 Rename over existing file refused.", renamed, "553 Name not allowed.", renamed}}},
         true,
         "Name not allowed.",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "RNFR a.txt", "RNTO .a.txt.rvold",
                "RNFR .a.txt.rvpart", "RNTO a.txt", "RNFR .a.txt.rvold", "RNTO a.txt",
                "DELE .a.txt.rvpart", "PASV", "MLSD", "PASV", "STOR .b.txt.rvpart",
                "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart", "RNTO b.txt"}),
         {}},
        {"the old file may not step aside",
         {{"RNTO", {"553 Rename over existing file refused.", "553 Not allowed here.", renamed}}},
         true,
         "Not allowed here.",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "RNFR a.txt", "RNTO .a.txt.rvold",
                "DELE .a.txt.rvpart", "PASV", "MLSD", "PASV", "STOR .b.txt.rvpart",
                "MFMT 20200101120000 .b.txt.rvpart", "RNFR .b.txt.rvpart", "RNTO b.txt"}),
         {}},
        {"no renames at all",
         {{"RNFR", {"502 Command not implemented."}}},
         true,
         "<no error>",
         Lines({"RNFR .a.txt.rvpart", "RNTO a.txt", "DELE .a.txt.rvpart", "PASV", "STOR a.txt",
                "MFMT 20200101120000 a.txt", "PASV", "STOR b.txt", "MFMT 20200101120000 b.txt"}),
         noRenames},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        Scenario scenario = SiteScenario();
        scenario.Listings[QStringLiteral("/up/Site")] =
            c.Replacing ? "type=file;size=3;modify=20000101000000; a.txt\r\n" : "";
        for (auto reply = c.Replies.cbegin(); reply != c.Replies.cend(); ++reply)
            scenario.Replies[reply.key()] = reply.value();
        Start(scenario);
        log.Lines.clear();
        WriteSource(source, {"a.txt", "b.txt"});
        ASSERT_NO_THROW(client->ForceDirectories(QStringLiteral("/up/Site")));

        EXPECT_EQ(Upload("a.txt"), c.Error);
        EXPECT_EQ(Upload("b.txt"), QStringLiteral("<no error>"));
        const QStringList commands = server->Commands();
        const QStringList from = commands.mid(
            commands.indexOf(QStringLiteral("RNFR .a.txt.rvpart")));
        EXPECT_EQ(from, c.Commands) << from.join(QLatin1Char('\n')).toStdString();
        EXPECT_FALSE(commands.contains(QStringLiteral("DELE a.txt")));
        EXPECT_EQ(log.Lines, c.Said.isEmpty() ? QStringList() : QStringList{c.Said});
    }
}

// A temporary is deleted only where a STOR may have made it, and a failure to delete it comes
// after what made the upload fail.
TEST_F(FtpSessionView, OnlyATransferTheServerOpenedLeavesATemporaryToDelete)
{
    struct Case
    {
        const char *Name;
        QMap<QString, QStringList> Replies;
        qint64 ResetAfter;
        QString Error;
        bool Deleted;
    };
    const Case cases[] = {
        // Three listings come first (/, /up, /up/Site).
        {"PASV refused",
         {{"PASV",
           {"<pasv>", "<pasv>", "<pasv>", "425 Cannot open passive connection.", "<pasv>"}}},
         -1,
         "Cannot open passive connection.",
         false},
        {"STOR refused",
         {{"STOR", {"553 Could not create file.", "150 Ok"}}},
         -1,
         "Could not create file.",
         false},
        {"no data connection",
         {{"PASV",
           {"<pasv>", "<pasv>", "<pasv>", "227 Entering Passive Mode (127,0,0,1,0,1).", "<pasv>"}},
          {"STOR", {"150 Ok to send data\r\n425 Can't open data connection.", "150 Ok"}}},
         -1,
         "<any>",
         false},
        {"broken off, and nothing to delete",
         {{"DELE", {"550 No such file or directory."}}},
         0,
         "Connection closed; transfer aborted.",
         true},
        {"broken off, and the temporary kept",
         {{"DELE", {"450 Busy, try later."}}},
         0,
         "Connection closed; transfer aborted.\r\nUnable to remove temporary file "
         "/up/Site/.a.txt.rvpart (Busy, try later.)",
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        Scenario scenario = SiteScenario();
        for (auto reply = c.Replies.cbegin(); reply != c.Replies.cend(); ++reply)
            scenario.Replies[reply.key()] = reply.value();
        scenario.StorResetAfter = c.ResetAfter;
        Start(scenario);
        log.Lines.clear();
        source.write(QStringLiteral("a.txt"), BinaryPayload(256 * 1024));
        ASSERT_NO_THROW(client->ForceDirectories(QStringLiteral("/up/Site")));

        const QString error = Upload("a.txt");
        if (c.Error == QLatin1String("<any>"))
            EXPECT_NE(error, QStringLiteral("<no error>"));
        else
            EXPECT_EQ(error, c.Error);
        EXPECT_EQ(server->Commands().contains(QStringLiteral("DELE .a.txt.rvpart")), c.Deleted);
        // Nothing logged on the side: the error says it all, cause first.
        EXPECT_EQ(log.Lines, QStringList());
        EXPECT_TRUE(client->Connected());
    }
}

// A preview meets the refusals the run meets: only a folder the server says it does not have
// counts as empty.
TEST(FtpSessionFaults, APreviewReportsWhatTheRunReports)
{
    struct Case
    {
        const char *Name;
        QMap<QString, QStringList> Replies;
    };
    const Case cases[] = {
        {"a listing refused once",
         {{"MLSD", {"425 Can't open data connection.", "150 Here comes the listing"}}}},
        {"logged out on the way",
         {{"MLSD", {"530 Please login with USER and PASS.", "150 Here comes the listing"}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        QStringList decisions[2];
        for (const bool preview : {false, true}) {
            Scenario scenario = SiteScenario();
            for (auto reply = c.Replies.cbegin(); reply != c.Replies.cend(); ++reply)
                scenario.Replies[reply.key()] = reply.value();
            // Nothing reaches the server in the run either, so both see the same listings.
            scenario.Replies[QStringLiteral("STOR")] = {QStringLiteral("553 Not now.")};
            ScriptedFtpServer server(scenario);
            TempTree source;
            WriteSource(source, {"a.txt", "b.txt", "c.txt"});
            const RunResult run = RunSite(server, source, preview);
            QStringList lines = run.Lines;
            lines.removeAll(QStringLiteral("Preview: nothing is written."));
            decisions[preview] = lines.filter(
                QRegularExpression(QStringLiteral("^(Copy: |File already exists|Copied: )|\\.$")));
        }
        // The run's failed uploads (c.txt) are no decision the preview can see.
        decisions[0].removeAll(QStringLiteral("Not now."));
        EXPECT_EQ(decisions[1].filter(QStringLiteral("Copy: ")),
                  decisions[0].filter(QStringLiteral("Copy: ")));
        EXPECT_EQ(decisions[1].filter(QStringLiteral("File already exists")),
                  decisions[0].filter(QStringLiteral("File already exists")));
        EXPECT_FALSE(decisions[1].filter(QStringLiteral("Copy: /up/Site <= a.txt")).size())
            << decisions[1].join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(decisions[1].last().endsWith(QStringLiteral("failed: 1")))
            << decisions[1].join(QLatin1Char('\n')).toStdString();
    }
}
