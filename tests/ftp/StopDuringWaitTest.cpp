// A stop asked while the client waits for a server that says nothing: each wait (the greeting,
// a reply, the TLS handshake, a listing, an upload's data, the login of a parallel run's extra
// connection) ends within a moment of it rather than after the 60 s reply time-out, and the
// run ends as stopped, not with an error. And an upload whose data connection stalls fails
// after one time-out, not two.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunLoops.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPErrors.h"
#include "runlog/RunLog.h"
#include "runlog/StopRequest.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using Scenario = ScriptedFtpServer::Scenario;
using Clock = std::chrono::steady_clock;

// A run log whose stop is asked from another thread, as the window's Stop button and a signal
// ask it: through a TStopRequest. Records lines, and the messages of error events.
class StoppableLog : public TRunLog
{
public:
    void Log(const QString &msg) override
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        Lines.append(msg);
    }
    void Event(const TRunEvent &event) override
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        if (event.Kind == TRunEventKind::Error || event.Kind == TRunEventKind::FileFailed)
            Errors.append(event.Message);
    }
    bool StopRequested() const override { return Stop.Requested(); }
    int StopDescriptor() const override { return Stop.Descriptor(); }
    QString Text() const { return Lines.join(QLatin1Char('\n')); }

    TStopRequest Stop;
    QStringList Lines;
    QStringList Errors;

private:
    std::mutex FMutex;
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST(FtpStopDuringWait, AStopEndsEveryWaitForASilentServerAtOnce)
{
    struct Case
    {
        const char *Label;
        std::function<void(Scenario &)> Script;
        // The line of the server's transcript after which the client waits (the stop is asked
        // 300 ms later).
        const char *WaitsAfter;
        TIdUseTLS Mode = utNoTLSSupport;
        // Connections at once (the extra ones wait for the replies of their logins).
        int Transfers = 1;
        // The file was being handled when the stop came: "Stopped: ... was not copied.".
        bool FileInProgress = true;
    };
    const Case cases[] = {
        {"greeting never comes", [](Scenario &s) { s.Greeting = QStringLiteral("<silent>"); },
         "<connect>", utNoTLSSupport, 1, false},
        {"PASS unanswered",
         [](Scenario &s) { s.Replies[QStringLiteral("PASS")] = {QStringLiteral("<silent>")}; },
         "PASS ", utNoTLSSupport, 1, false},
        {"TLS handshake stalled",
         [](Scenario &s) {
             s.Replies[QStringLiteral("AUTH")] = {QStringLiteral("234 Proceed with negotiation.")};
             s.StallTlsHandshake = true;
         },
         "AUTH ", utUseRequireTLS, 1, false},
        {"MLSD unanswered",
         [](Scenario &s) { s.Replies[QStringLiteral("MLSD")] = {QStringLiteral("<silent>")}; },
         "MLSD"},
        {"STOR stalled in the middle of its data",
         [](Scenario &s) { s.StorStallAfter = 256 * 1024; }, "STOR "},
        // The second connection's login is never answered.
        {"extra connection of a parallel run never logged in",
         [](Scenario &s) {
             s.Connections[2].Replies[QStringLiteral("USER")] = {QStringLiteral("<silent>")};
         },
         "MLSD", utNoTLSSupport, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Label);
        Scenario scenario;
        c.Script(scenario);
        ScriptedFtpServer server(scenario);
        TempTree source;
        // Large enough that its upload is still going when the stop comes.
        const QString file = source.write(QStringLiteral("f.bin"), BinaryPayload(32 << 20));
        TFTPConnList connections;
        auto connection = TestConnection(QStringLiteral("Test server"), server.Port());
        connection->SetUseTLS(c.Mode);
        connection->SetSimultaneousTransfers(c.Transfers);
        connections.AddConnection(std::move(connection));
        TCopyProject project = UploadProject(source.path(), QStringLiteral("f.bin"), ofAll,
                                             QStringLiteral("/up"));
        project.SetChecked(true);

        StoppableLog log;
        TRunTotals totals;
        Clock::time_point stopAsked = Clock::time_point::max();
        std::thread stopper([&] {
            const QString waitsAfter = QString::fromLatin1(c.WaitsAfter);
            for (int i = 0; i < 1000; ++i) {
                const QStringList transcript = server.Transcript();
                if (std::any_of(transcript.begin(), transcript.end(),
                                [&](const QString &line) { return line.startsWith(waitsAfter); }))
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stopAsked = Clock::now();
            log.Stop.Request();
        });
        CopyFiles({project}, QString(), connections, log, &totals);
        const Clock::time_point end = Clock::now();
        stopper.join();

        // The reply time-out is 60 s: the run waited until the stop and ended soon after it.
        ASSERT_LT(stopAsked, end) << "the run ended before the stop: " << log.Text().toStdString();
        EXPECT_LT(std::chrono::duration<double>(end - stopAsked).count(), 3.0)
            << log.Text().toStdString();
        QStringList expected{QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 0"),
                             QStringLiteral("Stopped.")};
        if (c.FileInProgress)
            expected.prepend(QStringLiteral("Stopped: ") + file
                             + QStringLiteral(" was not copied."));
        ASSERT_GE(log.Lines.size(), expected.size()) << log.Text().toStdString();
        EXPECT_EQ(log.Lines.mid(log.Lines.size() - expected.size()), expected)
            << log.Text().toStdString();
        EXPECT_EQ(log.Errors, QStringList()) << log.Text().toStdString();
        EXPECT_EQ(totals.Failed, 0);
        // Nothing reached the target's name.
        server.WaitUntilClosed();
        EXPECT_EQ(server.Commands().filter(QStringLiteral("RNTO")), QStringList());
        EXPECT_EQ(server.CompletedUploads(), QStringList());
    }
}

// A server that stops taking an upload's data and says nothing: the upload fails once the data
// connection has waited out the reply time-out, without waiting the whole time-out again for
// the transfer's final reply.
TEST(FtpStopDuringWait, AStalledUploadFailsAfterOneTimeOutNotTwo)
{
    Scenario scenario;
    scenario.StorStallAfter = 256 * 1024;
    ScriptedFtpServer server(scenario);
    TempTree source;
    const QString file = source.write(QStringLiteral("f.bin"), BinaryPayload(32 << 20));
    auto connection = TestConnection(QStringLiteral("Test server"), server.Port());
    StoppableLog log;
    TFTPClient client(*connection, log);
    constexpr int kTimeoutMs = 6000;
    client.IdFTP().SetReadTimeout(kTimeoutMs);
    client.Connect();
    const Clock::time_point start = Clock::now();
    EXPECT_THROW(client.CopyFile(file, QStringLiteral("/up/f.bin"), false), EIdSocketError);
    const double seconds = secondsSince(start);
    EXPECT_GE(seconds, kTimeoutMs / 1000.0 - 0.5);
    // Two time-outs would be 12 s.
    EXPECT_LT(seconds, kTimeoutMs / 1000.0 + 3.5);
    // The reply never came: the connection is not left to pair it with the next command.
    EXPECT_FALSE(client.IdFTP().Connected());
    EXPECT_EQ(server.CompletedUploads(), QStringList());
}
