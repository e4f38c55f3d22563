// Uploads over several connections at once: the same files, bytes and times as over one, the
// log in the same order, one password question, and a server that refuses the extra
// connections still gets every file.
#include "AnyServer.h"
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunProject.h"
#include "ftp/FTPClient.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "support/PyftpdServer.h"
#include "support/ScopedEnvVar.h"
#include "support/TempTree.h"
#include "support/TestLogs.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <mutex>

namespace {

// Answers the password question with the password given; keeps the lines and each file's
// decision among them, in order.
class TellingLog : public AnsweringLog
{
public:
    explicit TellingLog(const QString &password) { AnswerPassword = password; }
    void Log(const QString &msg) override
    {
        AnsweringLog::Log(msg);
        Told.append(msg);
    }
    // Each file's decision among the lines: "<kind> <source path> <bytes>".
    void Event(const TRunEvent &event) override
    {
        Told.append(
            QStringLiteral("event %1 %2 %3").arg(int(event.Kind)).arg(event.Path).arg(event.Bytes));
    }
    QStringList Told;
};

// The FTP command trace while it lives: which connections sent STOR.
class TraceCapture
{
public:
    TraceCapture()
    {
        FInstance = this;
        FPrevious = qInstallMessageHandler(&TraceCapture::Handler);
        QLoggingCategory::setFilterRules(QStringLiteral("rovanel.ftp.trace.debug=true"));
    }
    ~TraceCapture()
    {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(FPrevious);
        FInstance = nullptr;
    }
    // The connections ("#n") that uploaded.
    QSet<QString> Uploaders() const
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        QSet<QString> names;
        static const QRegularExpression stor(QStringLiteral("(#\\d+) > STOR "));
        for (const QString &line : FLines) {
            const QRegularExpressionMatch m = stor.match(line);
            if (m.hasMatch())
                names.insert(m.captured(1));
        }
        return names;
    }

private:
    static void Handler(QtMsgType, const QMessageLogContext &, const QString &text)
    {
        const std::lock_guard<std::mutex> lock(FInstance->FMutex);
        FInstance->FLines.append(text);
    }

    static inline TraceCapture *FInstance = nullptr;
    QtMessageHandler FPrevious = nullptr;
    mutable std::mutex FMutex;
    QStringList FLines;
};

// Every file under root: its path relative to root, its bytes and its time in seconds.
QStringList FilesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
        files.append(QDir(root).relativeFilePath(path) + QStringLiteral(" ")
                     + QString::number(qHash(bytes)) + QStringLiteral(" ")
                     + QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch()));
    }
    files.sort();
    return files;
}

class FtpParallelUpload : public ::testing::TestWithParam<ServerCase>
{
protected:
    void SetUp() override
    {
        server = std::make_unique<AnyServer>(GetParam());
        if (!server->Problem().isEmpty()) {
            if (GetParam().Vsftpd)
                GTEST_SKIP() << server->Problem().toStdString();
            FAIL() << server->Problem().toStdString();
        }
        // Files of many sizes in the top folder and three below it, one of them deeper.
        const QDateTime time(QDate(2024, 3, 10), QTime(8, 15, 42));
        for (int i = 0; i < 24; ++i) {
            const QString folder = i < 6    ? QString()
                                   : i < 12 ? QStringLiteral("a/")
                                   : i < 18 ? QStringLiteral("b/c/")
                                            : QStringLiteral("d/");
            const QString name = folder + QStringLiteral("f%1.bin").arg(i);
            source.write(name, BinaryPayload(1 + i * i * 997));
            source.setMTime(name, time.addSecs(i * 61));
        }
        auto conn = TestConnection(QStringLiteral("Test server"), server->Port(),
                                   server->UserName(), QString());
        conn->SetUseTLS(GetParam().UseTLS);
        conn->SetAskPassword(true);
        connection = conn.get();
        connections.AddConnection(std::move(conn));

        project.SetProjectName(QStringLiteral("Site"));
        project.SetSourceFolder(source.path() + QLatin1Char('/'));
        project.AddSourceRow(QStringLiteral("**/*.bin"), false, false);
        project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        project.SetFTPConnName(QStringLiteral("Test server"));
        project.SetOverwrite(ofOlder);
    }

    // Two files already on the server under OutDir: f1.bin newer than its source (kept),
    // a/f7.bin older (replaced).
    void Seed(const QString &outDir)
    {
        TempTree seed;
        const QString newer = seed.write(QStringLiteral("newer"), "remote newer");
        seed.setMTime(QStringLiteral("newer"), QDateTime(QDate(2025, 1, 1), QTime(0, 0)));
        const QString older = seed.write(QStringLiteral("older"), "remote older");
        seed.setMTime(QStringLiteral("older"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
        TFTPConnection plain(*connection);
        plain.SetAskPassword(false);
        plain.SetPassword(server->Password());
        RecordingLog quiet;
        TFTPClient client(plain, quiet);
        client.Connect();
        client.ForceDirectories(outDir + QStringLiteral("/Site/a"));
        client.CopyFile(newer, outDir + QStringLiteral("/Site/f1.bin"), false);
        client.CopyFile(older, outDir + QStringLiteral("/Site/a/f7.bin"), false);
        client.Disconnect();
    }

    std::unique_ptr<AnyServer> server;
    TFTPConnection *connection = nullptr;
    TFTPConnList connections;
    TCopyProject project;
    TempTree source;
};

} // namespace

TEST_P(FtpParallelUpload, FourConnectionsUploadWhatOneDoesInTheSameOrder)
{
    Seed(QStringLiteral("/one"));
    Seed(QStringLiteral("/four"));

    TellingLog one(server->Password());
    ASSERT_TRUE(RunProject(project, QStringLiteral("/one"), connections, one))
        << one.Lines.join(QLatin1Char('\n')).toStdString();

    connection->SetSimultaneousTransfers(4);
    connection->SetLoggedIn(false);
    TellingLog four(server->Password());
    QSet<QString> uploaders;
    {
        TraceCapture trace;
        ASSERT_TRUE(RunProject(project, QStringLiteral("/four"), connections, four))
            << four.Lines.join(QLatin1Char('\n')).toStdString() << server->LogText().toStdString();
        uploaders = trace.Uploaders();
    }
    EXPECT_EQ(four.Asked, 1);
    EXPECT_GE(uploaders.size(), 2) << "uploads went over one connection only";

    // The same lines and events in the same order, but for the output folder's name.
    QStringList expected = one.Told;
    expected.replaceInStrings(QStringLiteral("/one"), QStringLiteral("/four"));
    EXPECT_EQ(four.Told, expected);
    EXPECT_EQ(four.Told.filter(QStringLiteral("event ")).size(), 24 + 2);
    EXPECT_EQ(four.Lines.last(),
              QStringLiteral("Copied: 23, skipped: 0, already existed: 1, failed: 0"));

    // Byte for byte, with the sources' times; nothing left under a temporary name.
    const QStringList uploadedByOne = FilesUnder(server->Root() + QStringLiteral("/one"));
    EXPECT_EQ(FilesUnder(server->Root() + QStringLiteral("/four")), uploadedByOne);
    EXPECT_EQ(uploadedByOne.size(), 24);
    QStringList sources = FilesUnder(source.path());
    sources.replaceInStrings(QRegularExpression(QStringLiteral("^")), QStringLiteral("Site/"));
    // f1.bin stayed the server's newer file.
    QStringList remoteButKept = uploadedByOne;
    remoteButKept.removeIf(
        [](const QString &line) { return line.startsWith(QLatin1String("Site/f1.bin ")); });
    sources.removeIf(
        [](const QString &line) { return line.startsWith(QLatin1String("Site/f1.bin ")); });
    EXPECT_EQ(remoteButKept, sources);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, FtpParallelUpload,
    ::testing::Values(ServerCase{"pyftpdlib_plain", false, "plain", utNoTLSSupport},
                      ServerCase{"pyftpdlib_explicit", false, "explicit", utUseExplicitTLS},
                      ServerCase{"vsftpd_plain", true, "plain", utNoTLSSupport},
                      ServerCase{"vsftpd_explicit", true, "explicit", utUseRequireTLS}),
    [](const ::testing::TestParamInfo<ServerCase> &test) { return std::string(test.param.Label); });

TEST(FtpParallelUploadRefused, AServerThatTakesOneConnectionGetsEveryFileOverIt)
{
    ScriptedFtpServer::Scenario scenario;
    scenario.BusyGreeting = QStringLiteral("421 Too many connections from this address.");
    ScriptedFtpServer server(scenario);
    TempTree source;
    for (const char *name : {"a.txt", "b.txt", "s/c.txt", "s/d.txt"})
        source.write(QString::fromLatin1(name), name);

    TFTPConnList connections;
    auto conn = TestConnection(QStringLiteral("Scripted"), server.Port());
    conn->SetSimultaneousTransfers(4);
    connections.AddConnection(std::move(conn));
    TCopyProject project;
    project.SetProjectName(QStringLiteral("P"));
    project.SetSourceFolder(source.path() + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("**/*.txt"), false, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}"));
    project.SetFTPConnName(QStringLiteral("Scripted"));

    RecordingLog log;
    EXPECT_TRUE(RunProject(project, QStringLiteral("/up"), connections, log));
    const std::string text = log.Lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(server.RefusedConnections(), 3);
    // Said once, when the first upload asked for the other connections.
    const qsizetype refusal = log.Lines.indexOf(
        QStringLiteral("The FTP server refused 3 of 4 connections (Too many connections from "
                       "this address); uploading over 1."));
    ASSERT_GE(refusal, 1) << text;
    EXPECT_TRUE(log.Lines[refusal - 1].startsWith(QLatin1String("Copy: "))) << text;
    EXPECT_EQ(log.Lines.filter(QStringLiteral("Copy: ")).indexOf(log.Lines[refusal - 1]), 0)
        << text;
    EXPECT_EQ(log.Lines.filter(QStringLiteral("refused")).size(), 1) << text;
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 4, skipped: 0, already existed: 0, failed: 0"))
        << text;
    server.WaitUntilClosed();
    for (const char *name : {"a.txt", "b.txt", "s/c.txt", "s/d.txt"})
        EXPECT_EQ(server.Stored(QString::fromLatin1(name).section(QLatin1Char('/'), -1)),
                  QByteArray(name))
            << name;
}

// A server that refuses renames by permission (pyftpdlib without the rename permission: 550 to
// RNFR, as for one name it will not take) met by four sessions at once: each file fails with the
// server's words, no session takes it for a server without renames, a replaced file stays as it
// was and no temporary file is left.
TEST(FtpParallelUploadNoRenames, EachFileFailsOnItsOwnAndNothingIsLost)
{
    ScopedEnvVar noRenames("PYFTPD_PERM", "elradmwMT");
    PyftpdServer server(QStringLiteral("plain"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TempTree source;
    QStringList names;
    for (int i = 0; i < 16; ++i) {
        const QString name = (i < 8 ? QString() : QStringLiteral("sub/"))
                             + QStringLiteral("f%1.bin").arg(i, 2, 10, QLatin1Char('0'));
        source.write(name, BinaryPayload(1000 + i * 7919));
        names << name;
    }
    // Every other file is already there, older, and is replaced.
    for (int i = 0; i < names.size(); i += 2) {
        const QString remote = server.Root() + QStringLiteral("/www/") + names[i];
        ASSERT_TRUE(QDir().mkpath(QFileInfo(remote).path()));
        QFile file(remote);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    TFTPConnList connections;
    auto conn = TestConnection(QStringLiteral("Test server"), server.Port());
    conn->SetSimultaneousTransfers(4);
    connections.AddConnection(std::move(conn));
    const TCopyProject project = UploadProject(source.path(), QStringLiteral("**/*.bin"), ofAll,
                                               QStringLiteral("{OutDir}"));

    RecordingLog log;
    QSet<QString> uploaders;
    {
        TraceCapture trace;
        EXPECT_TRUE(RunProject(project, QStringLiteral("/www"), connections, log));
        uploaders = trace.Uploaders();
    }
    const std::string text = log.Lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(uploaders.size(), 2) << "uploads went over one connection only";
    // The refusal of a rename is one file's: no connection changes how it uploads.
    EXPECT_EQ(log.Lines.filter(QStringLiteral("does not rename")).size(), 0) << text;
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 16"))
        << text;
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/www/") + names[i]),
                  i % 2 == 0 ? QByteArray("old") : QByteArray("<missing>"))
            << names[i].toStdString();
    QDirIterator it(server.Root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        EXPECT_FALSE(it.next().endsWith(QLatin1String(".rvpart"))) << it.filePath().toStdString();
}
