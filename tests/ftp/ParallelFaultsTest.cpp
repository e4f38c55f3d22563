// Uploads over four connections at once when one of the extra connections meets trouble: its
// login refused, its connection dropped in the middle of an upload, its rename refused. The run
// goes on over the others; every file arrives whole under its name or fails with an error line,
// and nothing partial is ever left under a target name.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunProject.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Keeps the error lines apart.
class ErrorsLog : public RecordingLog
{
public:
    void Event(const TRunEvent &event) override
    {
        if (event.Kind == TRunEventKind::Error)
            Errors.append(event.Message);
    }
    QStringList Errors;
};

struct FaultCase
{
    const char *Name;
    // The extra connection (ordinal 2-4) that meets the fault.
    int Connection;
    ScriptedFtpServer::ConnectionRules Rules;
    // A command that the connection must have sent for the case to have happened.
    const char *Reached;
    // The log line that says what happened, if one must.
    const char *Line;
    // How many files may fail (the one whose connection broke under it).
    int MayFail;
};

} // namespace

TEST(FtpParallelFaults, OneExtraConnectionInTroubleLosesNoFileAndLeavesNothingPartial)
{
    ScriptedFtpServer::ConnectionRules refusedLogin;
    refusedLogin.Replies[QStringLiteral("PASS")] = {QStringLiteral("530 Login incorrect.")};
    ScriptedFtpServer::ConnectionRules droppedInStor;
    droppedInStor.DropDuringStorAfter = 64 * 1024;
    ScriptedFtpServer::ConnectionRules refusedRename;
    // Once; the connection's later renames are accepted.
    refusedRename.Replies[QStringLiteral("RNTO")] = {QStringLiteral("553 Rename refused."),
                                                     QStringLiteral("250 Rename successful")};
    const FaultCase cases[] = {
        {"an extra login refused", 2, refusedLogin, "PASS",
         "The FTP server refused 1 of 4 connections (Login incorrect); uploading over 3.", 0},
        {"an extra connection dropped in the middle of a STOR", 3, droppedInStor, "STOR", nullptr,
         1},
        {"a rename refused on one connection", 2, refusedRename, "RNTO", nullptr, 1},
    };

    TempTree source;
    QStringList names;
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("f%1.bin").arg(i);
        source.write(name, BinaryPayload(200000 + i * 1009));
        names << name;
    }

    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedFtpServer::Scenario scenario;
        // Uploads that take a while, so that every extra connection gets one.
        scenario.StorFinalReply = QStringLiteral("<delay 200>226 Transfer complete");
        scenario.Connections[c.Connection] = c.Rules;
        ScriptedFtpServer server(scenario);

        TFTPConnList connections;
        auto conn = TestConnection(QStringLiteral("Test server"), server.Port());
        conn->SetSimultaneousTransfers(4);
        connections.AddConnection(std::move(conn));
        const TCopyProject project = UploadProject(source.path(), QStringLiteral("*.bin"), ofAll,
                                                   QStringLiteral("{OutDir}"));
        ErrorsLog log;
        EXPECT_TRUE(RunProject(project, QStringLiteral("/up"), connections, log));
        server.WaitUntilClosed();
        const std::string text = log.Text().toStdString();
        ASSERT_TRUE(server.Transcript(c.Connection)
                        .filter(QRegularExpression(QStringLiteral("^") + QLatin1String(c.Reached)))
                        .size()
                    > 0)
            << "connection " << c.Connection << " never got as far as " << c.Reached;
        if (c.Line) {
            EXPECT_EQ(log.Lines.count(QString::fromUtf8(c.Line)), 1) << text;
        }

        // Whole under its name, or failed with an error line; never a part under the name.
        int whole = 0;
        for (const QString &name : names) {
            const QByteArray stored = server.Stored(name);
            if (stored == source.read(name)) {
                ++whole;
            } else {
                EXPECT_TRUE(stored.isEmpty()) << name.toStdString() << " holds a part";
            }
        }
        const int failed = int(names.size()) - whole;
        EXPECT_LE(failed, c.MayFail) << text;
        EXPECT_EQ(log.Errors.size(), failed) << text;
        EXPECT_EQ(log.Lines.last(),
                  QStringLiteral("Copied: %1, skipped: 0, already existed: 0, failed: %2")
                      .arg(whole)
                      .arg(failed))
            << text;
    }
}
