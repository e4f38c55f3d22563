// What one connection sends for a whole upload run: every command of a fresh upload of a tree
// and of a second run that finds everything there, as the scripted server received them.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunProject.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Scenario = ScriptedFtpServer::Scenario;

// The upload commands of one file into the folder the server stands in: the last three go out
// together.
QStringList UploadOf(const char *name)
{
    const QString n = QString::fromLatin1(name);
    const QString temporary = QLatin1Char('.') + n + QStringLiteral(".rvpart");
    return {QStringLiteral("PASV"), QStringLiteral("STOR ") + temporary,
            QStringLiteral("MFMT 20240115123007 ") + temporary, QStringLiteral("RNFR ") + temporary,
            QStringLiteral("RNTO ") + n};
}

class RoundTrips : public ::testing::Test
{
protected:
    // A tree of files in the top folder and two sub-folders, uploaded into /up/P.
    void SetUp() override
    {
        for (const char *name :
             {"top1.txt", "top2.txt", "s1/a.txt", "s1/b.txt", "s2/c.txt", "s2/d.txt"}) {
            source.write(QString::fromLatin1(name), name);
            source.setMTime(QString::fromLatin1(name),
                            QDateTime(QDate(2024, 1, 15), QTime(12, 30, 7), QTimeZone::utc()));
        }
        project.SetProjectName(QStringLiteral("P"));
        project.SetSourceFolder(source.path() + QLatin1Char('/'));
        project.AddSourceRow(QStringLiteral("**/*.txt"), false, false);
        project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        project.SetFTPConnName(QStringLiteral("Scripted"));
        project.SetOverwrite(ofOlder);
    }

    // Runs the project against a server with these listings; the commands after the login.
    QStringList Run(const Scenario &scenario)
    {
        ScriptedFtpServer server(scenario);
        TFTPConnList connections;
        connections.AddConnection(TestConnection(QStringLiteral("Scripted"), server.Port()));
        RecordingLog log;
        EXPECT_TRUE(RunProject(project, QStringLiteral("/up"), connections, log));
        server.WaitUntilClosed();
        return CommandsAfterLogin(server.Commands());
    }

    TempTree source;
    TCopyProject project;
};

} // namespace

TEST_F(RoundTrips, AFreshUploadListsOnlyWhatItDidNotMake)
{
    // The server has /up and nothing in it.
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; up\r\n";
    const QStringList commands = Run(scenario);
    QStringList expected = Lines(
        {"CWD /", "PASV", "MLSD", "CWD up", "PASV", "MLSD", "MKD P", "CWD /up/P/"});
    expected += UploadOf("top1.txt") + UploadOf("top2.txt");
    expected += Lines({"MKD s1", "CWD /up/P/s1/"});
    expected += UploadOf("a.txt") + UploadOf("b.txt");
    expected += Lines({"MKD /up/P/s2", "CWD /up/P/s2/"});
    expected += UploadOf("c.txt") + UploadOf("d.txt");
    EXPECT_EQ(commands, expected);
    // 5 commands a file and 2 a new folder, after listing what was there before.
    std::printf("fresh upload: %lld commands after the login for 6 files in 3 new folders\n",
                static_cast<long long>(commands.size()));
}

TEST_F(RoundTrips, ARunThatFindsEverythingListsEachFolderOnce)
{
    Scenario scenario;
    scenario.Listings[QStringLiteral("/")] = "type=dir; up\r\n";
    scenario.Listings[QStringLiteral("/up")] = "type=dir; P\r\n";
    scenario.Listings[QStringLiteral("/up/P")] =
        "type=dir; s1\r\ntype=dir; s2\r\ntype=file;modify=20240115123007; top1.txt\r\n"
        "type=file;modify=20240115123007; top2.txt\r\n";
    scenario.Listings[QStringLiteral("/up/P/s1")] =
        "type=file;modify=20240115123007; a.txt\r\ntype=file;modify=20240115123007; b.txt\r\n";
    scenario.Listings[QStringLiteral("/up/P/s2")] =
        "type=file;modify=20240115123007; c.txt\r\ntype=file;modify=20240115123007; d.txt\r\n";
    const QStringList commands = Run(scenario);
    EXPECT_EQ(commands, Lines({"CWD /", "PASV", "MLSD", "CWD up", "PASV", "MLSD", "CWD P", "PASV",
                               "MLSD", "CWD s1", "PASV", "MLSD", "CWD /up/P/s2/", "PASV", "MLSD"}));
    std::printf("re-run: %lld commands after the login for 6 files in 3 folders\n",
                static_cast<long long>(commands.size()));
}
