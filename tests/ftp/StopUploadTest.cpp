// A stop asked while a file is uploaded: the transfer is broken off between blocks, its
// temporary file is deleted, the older remote file stays as it was, and the session ends with
// QUIT, which the server answers, and without a broken connection in the server's log.
#include "AnyServer.h"
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "VsftpdServer.h"
#include "engine/RunLoops.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "runlog/StopRequest.h"
#include "support/PyftpdServer.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

class FtpStopUpload : public ::testing::TestWithParam<ServerCase>
{};

// The lines of the server's log that belong to the last session in which a line names marker.
QString sessionLines(const ServerCase &c, const QString &log, const QString &marker)
{
    const QStringList lines = log.split(QLatin1Char('\n'));
    const QRegularExpression key(c.Vsftpd ? QStringLiteral("\\[pid \\d+\\]")
                                          : QStringLiteral("127\\.0\\.0\\.1:\\d+-"));
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->contains(marker)) {
            const QString id = key.match(*line).captured(0);
            return id.isEmpty() ? QString() : lines.filter(id).join(QLatin1Char('\n'));
        }
    }
    return QString();
}

// Whether a session's lines show a QUIT that the server answered.
bool quitAnswered(const ServerCase &c, const QString &log)
{
    if (c.Vsftpd)
        return log.contains(QStringLiteral("\"QUIT\""))
               && log.contains(QRegularExpression(QStringLiteral("FTP response: .*\"221 ")));
    return log.contains(QRegularExpression(QStringLiteral("QUIT +221")));
}

QStringList troubleIn(const ServerCase &c, const QString &log)
{
    // pyftpdlib marks warnings and errors by level ([W, [E, [C) and prints tracebacks;
    // vsftpd says FAIL for a broken upload and names SSL troubles.
    const QRegularExpression trouble(
        c.Vsftpd ? QStringLiteral("FAIL|SSL|[Ee]rror|reset")
                 : QStringLiteral("^\\S*\\[[WEC] |Traceback|[Ee]rror|reset|[Bb]roken"));
    QStringList found;
    for (const QString &line : log.split(QLatin1Char('\n'))) {
        if (line.contains(trouble))
            found.append(line);
    }
    return found;
}

} // namespace

TEST_P(FtpStopUpload, TheUploadInProgressIsBrokenOffAndTheOldRemoteFileStays)
{
    const ServerCase &c = GetParam();
    AnyServer server(c);
    if (!server.Problem().isEmpty()) {
        if (c.Vsftpd)
            GTEST_SKIP() << server.Problem().toStdString();
        FAIL() << server.Problem().toStdString();
    }
    TFTPConnList connections;
    auto owned = std::make_unique<TFTPConnection>();
    TFTPConnection &conn = *owned;
    conn.SetConnName(QStringLiteral("Test server"));
    conn.SetHost(QStringLiteral("127.0.0.1"));
    conn.SetPort(server.Port());
    conn.SetUseTLS(c.UseTLS);
    conn.SetUserName(server.UserName());
    conn.SetPassword(server.Password());
    connections.AddConnection(std::move(owned));

    // The remote file: small and old.
    const QDateTime oldTime(QDate(2020, 1, 2), QTime(3, 4, 5));
    TempTree seed;
    seed.write(QStringLiteral("big.bin"), "old contents\n");
    seed.setMTime(QStringLiteral("big.bin"), oldTime);
    {
        SilentLog quiet;
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

    // The sources: newer; the large one stopped while it goes up, the one after it never
    // reached.
    QDateTime newTime = QDateTime::currentDateTime().addSecs(-3600);
    newTime = newTime.addMSecs(-newTime.time().msec());
    TempTree source;
    const QString big = source.write(QStringLiteral("big.bin"), BinaryPayload(2 * 1024 * 1024));
    source.write(QStringLiteral("z.txt"), "after");
    source.setMTime(QStringLiteral("big.bin"), newTime);
    source.setMTime(QStringLiteral("z.txt"), newTime);
    TCopyProject project;
    project.SetProjectName(QStringLiteral("Site"));
    project.SetChecked(true);
    project.SetSourceFolder(source.path() + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("big.bin"), false, false);
    project.AddSourceRow(QStringLiteral("z.txt"), false, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetFTPConnName(QStringLiteral("Test server"));
    project.SetOverwrite(ofOlder);

    StopDuringLog log(QStringLiteral("big.bin"));
    TRunTotals totals;
    CopyFiles({project}, QStringLiteral("www"), connections, log, &totals);

    ASSERT_GE(log.Lines.size(), 3) << log.Text().toStdString();
    EXPECT_EQ(log.Lines.mid(log.Lines.size() - 3),
              (QStringList{QStringLiteral("Stopped: ") + big + QStringLiteral(" was not copied."),
                           "Copied: 0, skipped: 0, already existed: 0, failed: 0", "Stopped."}))
        << log.Text().toStdString() << "\n"
        << server.LogText().toStdString();
    EXPECT_EQ(log.Events, QStringList()) << log.Text().toStdString();
    EXPECT_EQ(totals.Failed, 0);

    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("big.bin")});
    EXPECT_EQ(ReadFile(remote), QByteArray("old contents\n"));
    EXPECT_EQ(QFileInfo(remote).lastModified(), oldTime);

    // The server's account of the stopped session: an upload to the temporary name, its
    // removal, a QUIT it answered, and nothing broken.
    // The server may write its lines a moment after its replies went out.
    const QString marker = QStringLiteral(".big.bin.rvpart");
    QString session;
    for (int wait = 0; wait < 200; ++wait) {
        session = sessionLines(c, server.LogText(), marker);
        if (quitAnswered(c, session))
            break;
        QThread::msleep(50);
    }
    const QString serverLog = server.LogText();
    EXPECT_TRUE(quitAnswered(c, session)) << serverLog.toStdString();
    EXPECT_EQ(troubleIn(c, serverLog), QStringList()) << serverLog.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, FtpStopUpload,
    ::testing::Values(ServerCase{"pyftpdlib slow", false, "slow", utNoTLSSupport},
                      ServerCase{"pyftpdlib explicit TLS", false, "explicit", utUseRequireTLS},
                      ServerCase{"vsftpd plain", true, "plain", utNoTLSSupport},
                      ServerCase{"vsftpd explicit TLS", true, "explicit", utUseRequireTLS}),
    [](const ::testing::TestParamInfo<ServerCase> &param) {
        QString name = QString::fromLatin1(param.param.Label);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
        return name.toStdString();
    });

namespace {

using Scenario = ScriptedFtpServer::Scenario;

TFTPConnection scriptedConnection(quint16 port)
{
    TFTPConnection conn;
    conn.SetHost(QStringLiteral("127.0.0.1"));
    conn.SetPort(port);
    conn.SetUserName(QStringLiteral("user"));
    conn.SetPassword(QStringLiteral("secret"));
    return conn;
}

QStringList afterLogin(const ScriptedFtpServer &server)
{
    return CommandsAfterLogin(server.Commands());
}

} // namespace

// The exact exchange: the broken-off transfer's reply (whatever it says) is read before the
// temporary file goes, and neither the target's name nor its time is touched.
TEST(FtpStopUploadExchange, TheTemporaryIsDeletedAndTheTargetIsNotTouched)
{
    struct Case
    {
        const char *Label;
        const char *FinalReply; // the server's reply to the transfer broken off
        bool DeleteRefused;
    };
    const Case cases[] = {
        {"transfer complete", "226 Transfer complete.", false},
        {"transfer aborted", "426 Connection closed; transfer aborted.", false},
        {"local error", "451 Local error in processing.", false},
        {"temporary not removable", "226 Transfer complete.", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Label);
        Scenario scenario;
        scenario.Listings[QStringLiteral("/up")] = "type=file;modify=20200101000000; a\r\n";
        scenario.StorFinalReply = QString::fromLatin1(c.FinalReply);
        if (c.DeleteRefused)
            scenario.Replies[QStringLiteral("DELE")] = QStringList{
                QStringLiteral("450 Permission denied.")};
        ScriptedFtpServer server(scenario);
        TFTPConnection conn = scriptedConnection(server.Port());
        StopDuringLog log;
        TempTree tree;
        const QString local = tree.write(QStringLiteral("f.bin"), BinaryPayload(1024 * 1024));
        {
            TFTPClient client(conn, log);
            client.IdFTP().SetReadTimeout(10000);
            client.Connect();
            log.StopAlways = true;
            EXPECT_THROW(client.CopyFile(local, QStringLiteral("/up/a"), false), ECopyStopped);
            // In step: the next command gets its own reply.
            EXPECT_TRUE(client.FileExists(QStringLiteral("/up/a")));
            client.Disconnect();
        }
        server.WaitUntilClosed();
        const QStringList commands = afterLogin(server);
        const QString shown = commands.join(QLatin1Char('\n'));
        const qsizetype stor = commands.indexOf(QStringLiteral("STOR .a.rvpart"));
        ASSERT_GE(stor, 0) << shown.toStdString();
        EXPECT_EQ(commands.value(stor + 1), QStringLiteral("DELE .a.rvpart"))
            << shown.toStdString();
        EXPECT_EQ(commands.last(), QStringLiteral("QUIT"));
        EXPECT_EQ(commands.filter(QRegularExpression(QStringLiteral(" a$"))), QStringList())
            << shown.toStdString();
        if (c.DeleteRefused) {
            // Broken off after a block or so, not sent whole.
            const qsizetype sent = server.Stored(QStringLiteral(".a.rvpart")).size();
            EXPECT_GT(sent, 0);
            EXPECT_LT(sent, 1024 * 1024);
            const QString line = QStringLiteral(
                "Unable to remove temporary file /up/.a.rvpart (Permission denied.)");
            EXPECT_EQ(log.Lines, QStringList{line});
            EXPECT_EQ(log.Events,
                      QStringList{QStringLiteral("%1 : ").arg(int(TRunEventKind::Error)) + line});
        } else {
            EXPECT_EQ(server.Stored(QStringLiteral(".a.rvpart")), QByteArray());
            EXPECT_EQ(log.Lines, QStringList());
            EXPECT_EQ(log.Events, QStringList());
        }
    }
}

// A file of one block, and an upload straight to the target name (where a temporary name would
// be too long), are finished even when a stop was asked: only a transfer to a temporary name
// can be given up without leaving a partial file.
TEST(FtpStopUploadExchange, WhatCannotBeBrokenOffSafelyIsFinished)
{
    const struct
    {
        const char *Label;
        int Size;
        QString Name;
    } cases[] = {
        {"one block", 1000, QStringLiteral("small.bin")},
        {"no temporary name", 1024 * 1024, QString(250, QLatin1Char('n'))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Label);
        ScriptedFtpServer server({});
        TFTPConnection conn = scriptedConnection(server.Port());
        StopDuringLog log;
        TempTree tree;
        const QString local = tree.write(QStringLiteral("f.bin"), BinaryPayload(c.Size));
        {
            TFTPClient client(conn, log);
            client.Connect();
            log.StopAlways = true;
            EXPECT_NO_THROW(client.CopyFile(local, QStringLiteral("/up/") + c.Name, false));
            client.Disconnect();
        }
        server.WaitUntilClosed();
        EXPECT_EQ(server.Stored(c.Name), BinaryPayload(c.Size));
    }
}
