// A preview of an upload project logs in, changes folders and lists them, and sends nothing
// that writes: checked on the commands a scripted server receives, and on a real server's tree.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunLoops.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "support/PyftpdServer.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

void AddConnection(TFTPConnList &connections, quint16 port)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Test server"));
    conn->SetHost(QStringLiteral("127.0.0.1"));
    conn->SetPort(port);
    conn->SetUserName(QStringLiteral("user"));
    conn->SetPassword(QStringLiteral("secret"));
    connections.AddConnection(std::move(conn));
}

TCopyProject Project(const TempTree &source)
{
    return UploadProject(source.path(), QStringLiteral("**/*.txt"), ofOlder);
}

QStringList Snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries.append(info.filePath()
                       + QStringLiteral(" %1 %2")
                             .arg(info.size())
                             .arg(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

} // namespace

TEST(FtpPreview, OnlyLooksOnTheServer)
{
    ScriptedFtpServer::Scenario scenario;
    scenario.Listings[QStringLiteral("/www/Site")] =
        "type=file;modify=20300101000000; kept.txt\r\ntype=dir; sub\r\n";
    scenario.Listings[QStringLiteral("/www/Site/sub")] = "";
    ScriptedFtpServer server(scenario);
    TFTPConnList connections;
    AddConnection(connections, server.Port());
    TempTree source;
    source.write(QStringLiteral("kept.txt"), "k");
    source.write(QStringLiteral("sub/a.txt"), "a");
    RecordingLog log;
    EXPECT_TRUE(StartProject(QStringLiteral("Site"), {Project(source)}, QStringLiteral("www"),
                             connections, log, nullptr, true))
        << log.Text().toStdString();
    server.WaitUntilClosed();
    EXPECT_EQ(log.Lines.value(0), QStringLiteral("Preview: nothing is written."));
    EXPECT_TRUE(log.Lines.contains(QStringLiteral("File already exists: /www/Site/kept.txt")))
        << log.Text().toStdString();
    EXPECT_TRUE(log.Lines.contains(QStringLiteral("Copied: 1, skipped: 0, already existed: 1, "
                                                  "failed: 0")))
        << log.Text().toStdString();
    const QStringList writes = server.Commands().filter(
        QRegularExpression(QStringLiteral("^(MKD|STOR|APPE|MFMT|MDTM|RNFR|RNTO|DELE|SITE) ")));
    EXPECT_EQ(writes, QStringList()) << server.Commands().join(QLatin1Char('\n')).toStdString();
}

TEST(FtpPreview, ARealServerKeepsItsTreeAndAMissingFolderCountsAsEmpty)
{
    PyftpdServer server(QStringLiteral("plain"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TFTPConnList connections;
    AddConnection(connections, server.Port());
    TempTree seed;
    seed.write(QStringLiteral("kept.txt"), "remote");
    seed.setMTime(QStringLiteral("kept.txt"), QDateTime::currentDateTime().addDays(1));
    {
        RecordingLog quiet;
        TFTPClient client(*connections.FindConnection(QStringLiteral("Test server")), quiet);
        client.Connect();
        client.ForceDirectories(QStringLiteral("/www/Site"));
        client.CopyFile(seed(QStringLiteral("kept.txt")), QStringLiteral("/www/Site/kept.txt"),
                        false);
        client.Disconnect();
    }
    TempTree source;
    source.write(QStringLiteral("kept.txt"), "local");
    source.write(QStringLiteral("new/deep/a.txt"), "a");
    source.write(QStringLiteral("b.txt"), "b");
    const QStringList before = Snapshot(server.Root());

    RecordingLog log;
    EXPECT_TRUE(StartProject(QStringLiteral("Site"), {Project(source)}, QStringLiteral("www"),
                             connections, log, nullptr, true))
        << log.Text().toStdString();
    EXPECT_EQ(Snapshot(server.Root()), before);
    EXPECT_TRUE(log.Lines.contains(QStringLiteral("Copied: 2, skipped: 0, already existed: 1, "
                                                  "failed: 0")))
        << log.Text().toStdString();
}
