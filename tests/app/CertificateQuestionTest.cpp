// The question whether to trust a server certificate met for the first time: a run's worker
// asks the window, the window's answer decides, and the dialog shows what the user needs.
#include "MainWindowFixture.h"
#include "app/gui/TrustCertificateDialog.h"
#include "support/PyftpdServer.h"
#include "support/ScopedEnvVar.h"
#include "support/TestCertificate.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

class CertificateQuestionTest : public MainWindowTest
{
protected:
    // Project A uploads src/a.txt to /site on a pyftpdlib server, TLS required (AUTH).
    void WriteUploadProject(quint16 Port)
    {
        Tree.write(QStringLiteral("src/a.txt"), "a");
        WriteSettings({
            "CopyProjectsN=1",
            "CopyProjects[1].ProjectName=A",
            "CopyProjects[1].SourceFolder=" + Tree(QStringLiteral("src")),
            "CopyProjects[1].SourceFilesN=1",
            "CopyProjects[1].SourceFiles[1]=*.txt",
            "CopyProjects[1].OutputFolder=/site",
            "CopyProjects[1].FTPConnName=srv",
            "CopyProjects[1].Checked=1",
            "OutDir=/out",
            "FTPConnN=1",
            "FTPConn[1].ConnName=srv",
            "FTPConn[1].Host=127.0.0.1",
            "FTPConn[1].Port=" + QString::number(Port),
            "FTPConn[1].UseTLS=2",
            "FTPConn[1].UserName=user",
            "FTPConn[1].Password=secret",
        });
    }
    QString TrustFile() const { return Data(QStringLiteral("Rovanel/trusted-certificates")); }

    TempTree Data;
    ScopedEnvVar DataHome{"XDG_DATA_HOME", Data.path().toUtf8()};
};

TEST_F(CertificateQuestionTest, TheWindowsAnswerDecides)
{
    PyftpdServer server(QStringLiteral("explicit"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    WriteUploadProject(server.Port());
    Open();
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    const QString fingerprint = TestCertificate::Get().Sha256();

    // Cancel: the run fails and nothing is recorded.
    QList<TCertificateInfo> asked;
    bool answer = false;
    Form().AskTrustCertificateHandler = [&](const TCertificateInfo &Info) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        // What the run told before asking is on the page when it asks.
        EXPECT_EQ(LogLines().value(LogLines().size() - 1),
                  QStringLiteral("Connecting to FTP \"srv\"..."));
        asked.append(Info);
        return answer;
    };
    Form().CopyFilesButton->click();
    WaitForRun();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].Address, address);
    EXPECT_EQ(asked[0].Fingerprint, fingerprint);
    EXPECT_TRUE(
        LogLines().contains(QStringLiteral("The certificate of %1 was not trusted.").arg(address)))
        << LogLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFile::exists(TrustFile()));
    EXPECT_FALSE(QFile::exists(server.Root() + QStringLiteral("/site/a.txt")));

    // Trust: recorded, logged, uploaded.
    answer = true;
    Form().CopyFilesButton->click();
    WaitForRun();
    EXPECT_EQ(asked.size(), 2);
    EXPECT_TRUE(LogLines().contains(
        QStringLiteral("Certificate of %1 trusted on first use (SHA-256 %2), recorded in %3.")
            .arg(address, fingerprint, TrustFile())))
        << LogLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(QFile::exists(server.Root() + QStringLiteral("/site/a.txt")));

    // Recorded: not asked again.
    Form().CopyFilesButton->click();
    WaitForRun();
    EXPECT_EQ(asked.size(), 2);
}

TEST(TrustCertificateDialog, ShowsTheCertificateAndOnlyTrustTrusts)
{
    TCertificateInfo info;
    info.Address = QStringLiteral("127.0.0.1:2121");
    info.Subject = QStringLiteral("CN=localhost");
    info.Issuer = QStringLiteral("CN=Some CA");
    info.NotBefore = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC);
    info.NotAfter = QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5), Qt::UTC);
    info.Fingerprint = QStringLiteral("AB:CD:EF");
    info.Reason = QStringLiteral("self-signed certificate");
    {
        TTrustCertificateDialog dialog(info);
        EXPECT_EQ(dialog.AddressLabel->text(), info.Address);
        EXPECT_EQ(dialog.SubjectLabel->text(), info.Subject);
        EXPECT_EQ(dialog.IssuerLabel->text(), info.Issuer);
        EXPECT_EQ(dialog.NotBeforeLabel->text(), QStringLiteral("2026-01-02 03:04:05 UTC"));
        EXPECT_EQ(dialog.NotAfterLabel->text(), QStringLiteral("2027-01-02 03:04:05 UTC"));
        EXPECT_EQ(dialog.FingerprintLabel->text(), info.Fingerprint);
        EXPECT_EQ(dialog.ReasonLabel->text(), info.Reason);
        EXPECT_EQ(dialog.TrustButton->text(), QStringLiteral("Trust"));
        EXPECT_EQ(dialog.CancelButton->text(), QStringLiteral("Cancel"));
    }

    // Answered by a button, by Enter (Cancel is the default) and by Esc.
    struct Case
    {
        const char *how;
        bool trusted;
    };
    for (const Case &c : {Case{"Trust", true}, Case{"Cancel", false}, Case{"Enter", false},
                          Case{"Escape", false}}) {
        SCOPED_TRACE(c.how);
        const QString how = QString::fromLatin1(c.how);
        QTimer::singleShot(0, [how] {
            auto *dialog = qobject_cast<TTrustCertificateDialog *>(
                QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (how == QLatin1String("Trust"))
                dialog->TrustButton->click();
            else if (how == QLatin1String("Cancel"))
                dialog->CancelButton->click();
            else
                QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog,
                                how == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
            // A dialog that did not close must not hang the test.
            if (dialog->isVisible())
                dialog->done(-1);
        });
        EXPECT_EQ(AskTrustCertificate(nullptr, info), c.trusted);
    }
}
