// Server certificates: accepted silently when an authority vouches for them and they name the
// host, trusted on first use otherwise (asked through the run log, recorded in the trust file),
// refused when they change (before the password goes out), and data connections held to the
// control connection's certificate. Each test has a data folder of its own.
#include "FtpTestSupport.h"
#include "ScriptedFtpServer.h"
#include "engine/RunProject.h"
#include "ftp/CertificateTrust.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/FTPErrors.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "support/PyftpdServer.h"
#include "support/ScopedEnvVar.h"
#include "support/TempTree.h"
#include "support/TestCertificate.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// Records lines and certificate questions; answers them with Answer.
class AskingLog : public TRunLog
{
public:
    void Log(const QString &msg) override
    {
        std::lock_guard<std::mutex> lock(FMutex);
        Lines.append(msg);
    }
    bool AskTrustCertificate(const TCertificateInfo &info) override
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            Asked.append(info);
        }
        // A question takes a while to answer; another connection meeting the same server
        // meanwhile must wait for the answer rather than ask again.
        if (Delay)
            std::this_thread::sleep_for(std::chrono::milliseconds(Delay));
        if (WhileAsking)
            WhileAsking();
        return Answer;
    }
    QString Text() const { return Lines.join(QLatin1Char('\n')); }

    bool Answer = true;
    int Delay = 0;
    // Runs while the question is open, before it is answered.
    std::function<void()> WhileAsking;
    QStringList Lines;
    QList<TCertificateInfo> Asked;

private:
    std::mutex FMutex;
};

class CertificateTrustTest : public ::testing::Test
{
protected:
    QString TrustFile() const { return Data(QStringLiteral("Rovanel/trusted-certificates")); }
    QByteArray TrustFileBytes() const
    {
        QFile file(TrustFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static QString Address(quint16 port) { return QStringLiteral("127.0.0.1:%1").arg(port); }

    TempTree Data;
    ScopedEnvVar DataHome{"XDG_DATA_HOME", Data.path().toUtf8()};
};

// An upload of one file through the engine, as a run of the program makes it.
class CertificateRunTest : public CertificateTrustTest,
                           public ::testing::WithParamInterface<const char *>
{
protected:
    TIdUseTLS Mode() const
    {
        return QLatin1String(GetParam()) == QLatin1String("implicit") ? utUseImplicitTLS
                                                                      : utUseExplicitTLS;
    }

    bool Run(quint16 port, AskingLog &log)
    {
        TFTPConnList connections;
        auto conn = std::make_unique<TFTPConnection>();
        conn->SetConnName(QStringLiteral("srv"));
        conn->SetHost(Host);
        conn->SetPort(port);
        conn->SetUseTLS(Mode());
        conn->SetUserName(QStringLiteral("user"));
        conn->SetPassword(QStringLiteral("secret"));
        connections.AddConnection(std::move(conn));
        Source.write(QStringLiteral("a.txt"), "a");
        TCopyProject project;
        project.SetProjectName(QStringLiteral("Site"));
        project.SetSourceFolder(Source.path() + QLatin1Char('/'));
        project.AddSourceRow(QStringLiteral("*"), true, false);
        project.SetOutputFolder(QStringLiteral("/www"));
        project.SetFTPConnName(QStringLiteral("srv"));
        project.SetOverwrite(ofAll);
        return RunProject(project, QStringLiteral("out"), connections, log);
    }

    TempTree Source;
    // The saved connection's host.
    QString Host = QStringLiteral("127.0.0.1");
};

} // namespace

TEST(CertificateTrustNames, AddressesAndTheTrustFile)
{
    struct Case
    {
        const char *host;
        quint16 port;
        const char *address;
    };
    for (const Case &c :
         {Case{"127.0.0.1", 2121, "127.0.0.1:2121"},
          Case{"FTP.Example.COM", 21, "ftp.example.com:21"}, Case{"::1", 21, "[::1]:21"},
          Case{"[fe80::1]", 990, "[fe80::1]:990"}, Case{"0:0:0:0:0:0:0:1", 2121, "[::1]:2121"},
          Case{"[FE80:0::AB]", 21, "[fe80::ab]:21"}})
        EXPECT_EQ(CertificateTrust::AddressText(QString::fromLatin1(c.host), c.port),
                  QString::fromLatin1(c.address));

    TempTree tree;
    ScopedEnvVar home("HOME", tree(QStringLiteral("home")).toUtf8());
    {
        ScopedEnvVar data("XDG_DATA_HOME", tree(QStringLiteral("data")).toUtf8());
        EXPECT_EQ(CertificateTrust::TrustFilePath(),
                  tree(QStringLiteral("data/Rovanel/trusted-certificates")));
    }
    const QString fallback = tree(QStringLiteral("home/.local/share/Rovanel/trusted-certificates"));
    for (const char *value : {"", "relative/data"}) {
        ScopedEnvVar data("XDG_DATA_HOME", QByteArray(value));
        EXPECT_EQ(CertificateTrust::TrustFilePath(), fallback) << value;
    }
    ScopedEnvVar unset("XDG_DATA_HOME");
    EXPECT_EQ(CertificateTrust::TrustFilePath(), fallback);
}

TEST_P(CertificateRunTest, FirstUseAsksRecordsAndLogsThenStaysSilent)
{
    PyftpdServer server(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    // What the user wrote there before stays as it is.
    const QByteArray before = "# servers of the office\nftp.example.com:21 SHA256:00:11:22\n";
    Data.write(QStringLiteral("Rovanel/trusted-certificates"), before);
    const QString fingerprint = TestCertificate::Get().Sha256();
    ASSERT_EQ(fingerprint.size(), 32 * 3 - 1);

    AskingLog first;
    EXPECT_TRUE(Run(server.Port(), first)) << first.Text().toStdString();
    ASSERT_EQ(first.Asked.size(), 1);
    const TCertificateInfo &info = first.Asked[0];
    EXPECT_EQ(info.Address, Address(server.Port()));
    EXPECT_EQ(info.Fingerprint, fingerprint);
    EXPECT_EQ(info.Subject, QStringLiteral("CN=localhost"));
    EXPECT_EQ(info.Issuer, QStringLiteral("CN=localhost"));
    EXPECT_EQ(info.Reason, QStringLiteral("self-signed certificate"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_LT(info.NotBefore, now);
    EXPECT_GT(info.NotAfter, now);
    EXPECT_TRUE(first.Lines.contains(
        QStringLiteral("Certificate of %1 trusted on first use (SHA-256 %2), recorded in %3.")
            .arg(Address(server.Port()), fingerprint, TrustFile())))
        << first.Text().toStdString();
    const QByteArray recorded = before + Address(server.Port()).toUtf8()
                                + " SHA256:" + fingerprint.toUtf8() + "\n";
    EXPECT_EQ(TrustFileBytes(), recorded);
    EXPECT_TRUE(QFile::exists(server.Root() + QStringLiteral("/www/a.txt")));

    AskingLog second;
    EXPECT_TRUE(Run(server.Port(), second)) << second.Text().toStdString();
    EXPECT_TRUE(second.Asked.isEmpty());
    EXPECT_FALSE(second.Text().contains(QLatin1String("Certificate of")))
        << second.Text().toStdString();
    EXPECT_EQ(TrustFileBytes(), recorded);
}

TEST_P(CertificateRunTest, ChangedCertificateIsRefusedBeforeLogin)
{
    PyftpdServer server(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    const QString earlier = TestCertificate::SelfSigned().Sha256();
    const QByteArray before = "# kept\n" + Address(server.Port()).toUtf8()
                              + " SHA256:" + earlier.toUtf8() + "\n";
    Data.write(QStringLiteral("Rovanel/trusted-certificates"), before);

    AskingLog log;
    EXPECT_FALSE(Run(server.Port(), log));
    EXPECT_TRUE(log.Asked.isEmpty());
    EXPECT_TRUE(log.Lines.contains(
        QStringLiteral("The certificate of %1 has changed: recorded SHA-256 %2, offered SHA-256 "
                       "%3. If the server's certificate was replaced on purpose, remove the "
                       "line for %1 from %4.")
            .arg(Address(server.Port()), earlier, TestCertificate::Get().Sha256(), TrustFile())))
        << log.Text().toStdString();
    EXPECT_EQ(TrustFileBytes(), before);
    EXPECT_FALSE(QFile::exists(server.Root() + QStringLiteral("/www/a.txt")));
    EXPECT_FALSE(server.LogText().contains(QLatin1String("logged in")))
        << server.LogText().toStdString();
}

TEST_P(CertificateRunTest, NotTrustedFailsTheRunAndRecordsNothing)
{
    PyftpdServer server(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    AskingLog log;
    log.Answer = false;
    EXPECT_FALSE(Run(server.Port(), log));
    EXPECT_EQ(log.Asked.size(), 1);
    EXPECT_TRUE(log.Lines.contains(
        QStringLiteral("The certificate of %1 was not trusted.").arg(Address(server.Port()))))
        << log.Text().toStdString();
    EXPECT_FALSE(QFile::exists(TrustFile()));
    EXPECT_FALSE(server.LogText().contains(QLatin1String("logged in")))
        << server.LogText().toStdString();
}

TEST_P(CertificateRunTest, AnAuthorityThatVouchesForTheAddressIsTrustedSilently)
{
    const TestCertificate authority = TestCertificate::Authority("Rovanel Test CA");
    const QString authorityFile = Data.write(QStringLiteral("ca.pem"), authority.CertificatePem());
    ScopedEnvVar trusted("SSL_CERT_FILE", authorityFile.toUtf8());
    struct Case
    {
        const char *name;
        bool silent;
    };
    for (const Case &c : {Case{"IP:127.0.0.1", true}, Case{"DNS:other.example", false}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(TrustFile());
        const TestCertificate certificate = TestCertificate::IssuedBy(authority, c.name);
        PyftpdServer server(QString::fromLatin1(GetParam()), certificate);
        ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
        AskingLog log;
        EXPECT_TRUE(Run(server.Port(), log)) << log.Text().toStdString();
        if (c.silent) {
            EXPECT_TRUE(log.Asked.isEmpty());
            EXPECT_FALSE(log.Text().contains(QLatin1String("Certificate of")));
            EXPECT_FALSE(QFile::exists(TrustFile()));
        } else {
            // Vouched for, but for another name: as any other certificate.
            ASSERT_EQ(log.Asked.size(), 1);
            EXPECT_EQ(log.Asked[0].Reason, QStringLiteral("IP address mismatch"));
            EXPECT_EQ(log.Asked[0].Issuer, QStringLiteral("CN=Rovanel Test CA"));
            EXPECT_EQ(TrustFileBytes(), Address(server.Port()).toUtf8()
                                            + " SHA256:" + certificate.Sha256().toUtf8() + "\n");
        }
    }
}

// A trust file that cannot be read or written fails the connection with the reason: a
// certificate is never trusted without its record.
TEST_P(CertificateRunTest, TrustFileThatCannotBeUsedFailsTheConnection)
{
    PyftpdServer server(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    struct Case
    {
        const char *what;
        const char *made;      // a folder made where a file is expected (ends in "/"), or a file
        const char *beginning; // of the error line
    };
    for (const Case &c :
         {Case{"unreadable", "Rovanel/trusted-certificates/x/",
               "Could not read the trusted certificates from {file}: "},
          Case{"no folder", "Rovanel",
               "Could not record the certificate of {address} in {file}: the folder "}}) {
        SCOPED_TRACE(c.what);
        QDir(Data.path()).removeRecursively();
        const QString made = QString::fromLatin1(c.made);
        if (made.endsWith(QLatin1Char('/')))
            Data.mkdir(made);
        else
            Data.write(made, "not a folder");
        AskingLog log;
        EXPECT_FALSE(Run(server.Port(), log));
        const QString beginning = QString::fromLatin1(c.beginning)
                                      .replace(QLatin1String("{address}"), Address(server.Port()))
                                      .replace(QLatin1String("{file}"), TrustFile());
        EXPECT_EQ(log.Lines.filter(beginning).size(), 1) << log.Text().toStdString();
        EXPECT_FALSE(log.Text().contains(QLatin1String("trusted on first use")));
        EXPECT_FALSE(server.LogText().contains(QLatin1String("logged in")));
    }
}

// A server on ::1 has one line, "[::1]:port", however its host is written; the lines of IPv4
// servers before it are read as they always were. A certificate an authority issued for the
// address ::1 is checked against the address, not against the host as written.
TEST_P(CertificateRunTest, AnIpv6ServerIsKeyedByItsAddressInBrackets)
{
    const QString problem = Ipv6LoopbackProblem();
    if (!problem.isEmpty())
        GTEST_SKIP() << "::1 cannot be listened on here: " << problem.toStdString();
    PyftpdServer server(QString::fromLatin1(GetParam()), TestCertificate::Get(),
                        QStringLiteral("::1"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    const QString fingerprint = TestCertificate::Get().Sha256();
    const QString address = QStringLiteral("[::1]:%1").arg(server.Port());
    // An IPv4 server's line for the same port: another server, whose line stays.
    const QByteArray before = Address(server.Port()).toUtf8() + " SHA256:00:11:22\n";
    Data.write(QStringLiteral("Rovanel/trusted-certificates"), before);
    const QByteArray recorded = before + address.toUtf8() + " SHA256:" + fingerprint.toUtf8()
                                + "\n";

    Host = QStringLiteral("[::1]");
    AskingLog first;
    EXPECT_TRUE(Run(server.Port(), first)) << first.Text().toStdString();
    ASSERT_EQ(first.Asked.size(), 1);
    EXPECT_EQ(first.Asked[0].Address, address);
    EXPECT_TRUE(first.Lines.contains(
        QStringLiteral("Certificate of %1 trusted on first use (SHA-256 %2), recorded in %3.")
            .arg(address, fingerprint, TrustFile())))
        << first.Text().toStdString();
    EXPECT_EQ(TrustFileBytes(), recorded);
    EXPECT_EQ(ReadFile(server.Root() + QStringLiteral("/www/a.txt")), QByteArray("a"));

    for (const char *host : {"::1", "0:0::1"}) {
        SCOPED_TRACE(host);
        Host = QString::fromLatin1(host);
        AskingLog again;
        EXPECT_TRUE(Run(server.Port(), again)) << again.Text().toStdString();
        EXPECT_TRUE(again.Asked.isEmpty());
        EXPECT_EQ(TrustFileBytes(), recorded);
    }

    // The IPv4 line still decides for its server: a changed certificate there is refused.
    PyftpdServer ipv4(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(ipv4.Problem().isEmpty()) << ipv4.Problem().toStdString();
    Data.write(QStringLiteral("Rovanel/trusted-certificates"),
               Address(ipv4.Port()).toUtf8() + " SHA256:00:11:22\n" + address.toUtf8()
                   + " SHA256:" + fingerprint.toUtf8() + "\n");
    Host = QStringLiteral("127.0.0.1");
    AskingLog changed;
    EXPECT_FALSE(Run(ipv4.Port(), changed));
    EXPECT_TRUE(changed.Asked.isEmpty());
    EXPECT_TRUE(changed.Text().contains(
        QStringLiteral("The certificate of %1 has changed").arg(Address(ipv4.Port()))))
        << changed.Text().toStdString();

    const TestCertificate authority = TestCertificate::Authority("Rovanel Test CA");
    const QString authorityFile = Data.write(QStringLiteral("ca.pem"), authority.CertificatePem());
    ScopedEnvVar trusted("SSL_CERT_FILE", authorityFile.toUtf8());
    QFile::remove(TrustFile());
    const TestCertificate vouched = TestCertificate::IssuedBy(authority, "IP:::1");
    PyftpdServer issued(QString::fromLatin1(GetParam()), vouched, QStringLiteral("::1"));
    ASSERT_TRUE(issued.Problem().isEmpty()) << issued.Problem().toStdString();
    Host = QStringLiteral("[::1]");
    AskingLog silent;
    EXPECT_TRUE(Run(issued.Port(), silent)) << silent.Text().toStdString();
    EXPECT_TRUE(silent.Asked.isEmpty());
    EXPECT_FALSE(QFile::exists(TrustFile()));
}

INSTANTIATE_TEST_SUITE_P(Modes, CertificateRunTest, ::testing::Values("explicit", "implicit"));

TEST_F(CertificateTrustTest, ConnectionsMeetingANewServerAtOnceAskOnceAndRecordOnce)
{
    PyftpdServer server(QStringLiteral("explicit"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    AskingLog log;
    log.Delay = 300;
    constexpr int kConnections = 4;
    std::atomic<int> connected{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kConnections; ++i) {
        threads.emplace_back([&] {
            TIdSSLIOHandlerSocketOpenSSL tls;
            auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
            ftp->SetRunLog(&log);
            try {
                ftp->Connect();
                ++connected;
                ftp->Disconnect();
            } catch (const std::exception &error) {
                log.Log(QStringLiteral("failed: ") + QString::fromUtf8(error.what()));
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(connected, kConnections) << log.Text().toStdString();
    EXPECT_EQ(log.Asked.size(), 1);
    EXPECT_EQ(log.Lines.filter(QStringLiteral("trusted on first use")).size(), 1)
        << log.Text().toStdString();
    EXPECT_EQ(TrustFileBytes(), Address(server.Port()).toUtf8()
                                    + " SHA256:" + TestCertificate::Get().Sha256().toUtf8() + "\n");
}

// Another program (a second window, rovanel-cli) may record servers while the question is open.
// Its lines stay, and a different fingerprint it recorded for this very server is a change.
TEST_F(CertificateTrustTest, WhatAnotherProgramRecordsWhileTheQuestionIsOpenIsKept)
{
    PyftpdServer server(QStringLiteral("explicit"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    const QByteArray address = Address(server.Port()).toUtf8();
    const QByteArray mine = address + " SHA256:" + TestCertificate::Get().Sha256().toUtf8() + "\n";
    const QByteArray otherServer = "ftp.example.com:21 SHA256:00:11:22\n";
    const QByteArray otherCertificate = address + " SHA256:00:11:22\n";
    struct Case
    {
        const char *what;
        QByteArray recordedMeanwhile;
        bool trusted;
        QByteArray after;
    };
    for (const Case &c :
         {Case{"another server", otherServer, true, otherServer + mine},
          Case{"this server, this certificate", mine, true, mine},
          Case{"this server, another certificate", otherCertificate, false, otherCertificate}}) {
        SCOPED_TRACE(c.what);
        QDir(Data.path()).removeRecursively();
        AskingLog log;
        log.WhileAsking = [&] {
            Data.write(QStringLiteral("Rovanel/trusted-certificates"), c.recordedMeanwhile);
        };
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
        ftp->SetRunLog(&log);
        QString error;
        try {
            ftp->Connect();
            ftp->Disconnect();
        } catch (const std::exception &thrown) {
            error = QString::fromUtf8(thrown.what());
        }
        EXPECT_EQ(log.Asked.size(), 1);
        EXPECT_EQ(error.isEmpty(), c.trusted) << error.toStdString();
        const QString changed = QStringLiteral("The certificate of %1 has changed: recorded "
                                               "SHA-256 00:11:22, offered SHA-256 ")
                                    .arg(Address(server.Port()));
        EXPECT_EQ(error.startsWith(changed), !c.trusted) << error.toStdString();
        EXPECT_EQ(TrustFileBytes().toStdString(), c.after.toStdString());
    }
}

// The exact commands a refused server got: none after the handshake, so neither the user name
// nor the password.
TEST_F(CertificateTrustTest, ChangedCertificateGetsNoCommandAfterTheHandshake)
{
    for (const bool implicit : {false, true}) {
        SCOPED_TRACE(implicit ? "implicit" : "explicit");
        ScriptedFtpServer::Scenario scenario;
        scenario.ImplicitTLS = implicit;
        scenario.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("234 Go ahead")};
        ScriptedFtpServer server(scenario);
        const QString earlier = TestCertificate::SelfSigned().Sha256();
        Data.write(QStringLiteral("Rovanel/trusted-certificates"),
                   Address(server.Port()).toUtf8() + " SHA256:" + earlier.toUtf8() + "\n");
        TIdSSLIOHandlerSocketOpenSSL tls;
        auto ftp = MakeTestClient(server.Port(), implicit ? utUseImplicitTLS : utUseExplicitTLS,
                                  &tls);
        AskingLog log;
        ftp->SetRunLog(&log);
        const QString message = MessageOf<EIdCertificateRefused>([&] { ftp->Connect(); });
        EXPECT_TRUE(message.startsWith(
            QStringLiteral("The certificate of %1 has changed:").arg(Address(server.Port()))))
            << message.toStdString();
        EXPECT_FALSE(ftp->Connected());
        server.WaitUntilClosed();
        // Implicit TLS: the handshake comes before the greeting, and nothing follows it.
        const QStringList expected = implicit ? QStringList()
                                              : QStringList{QStringLiteral("HOST [127.0.0.1]"),
                                                            QStringLiteral("AUTH TLS")};
        EXPECT_EQ(server.Commands(), expected);
        EXPECT_TRUE(log.Asked.isEmpty());
    }
}

TEST_F(CertificateTrustTest, DataConnectionWithAnotherCertificateFailsTheTransfer)
{
    const TestCertificate other = TestCertificate::SelfSigned();
    ScriptedFtpServer::Scenario scenario;
    scenario.Replies[QStringLiteral("AUTH")] = QStringList{QStringLiteral("234 Go ahead")};
    scenario.Listing = "type=file;size=1;modify=20240101000000; a.txt\r\n";
    scenario.DataCertificate = &other;
    ScriptedFtpServer server(scenario);
    TIdSSLIOHandlerSocketOpenSSL tls;
    auto ftp = MakeTestClient(server.Port(), utUseExplicitTLS, &tls);
    ftp->Connect();
    const QString expected =
        QStringLiteral("The data connection to %1 offered another certificate than the control "
                       "connection: SHA-256 %2 instead of SHA-256 %3.")
            .arg(Address(server.Port()), other.Sha256(), TestCertificate::Get().Sha256());
    EXPECT_EQ(MessageOf<EIdCertificateRefused>([&] { ftp->List(); }), expected);
    ftp->Disconnect();
    ftp->Connect();
    QBuffer source;
    source.setData(QByteArray("data"));
    source.open(QIODevice::ReadOnly);
    EXPECT_EQ(MessageOf<EIdCertificateRefused>([&] { ftp->Put(source, QStringLiteral("a.txt")); }),
              expected);
    // Not a byte of the file went to a server the control connection did not vouch for.
    EXPECT_TRUE(server.Stored(QStringLiteral("a.txt")).isEmpty());
    EXPECT_EQ(server.TlsDataConnections(), 2);
}
