// rovanel-cli uploading the bundled demo to a local pyftpdlib server: the demo's settings with
// a saved connection added and named by both projects.
#include "ftp/FTPConnUnit.h"
#include "settings/StringList.h"
#include "support/PyftpdServer.h"
#include "support/TempTree.h"
#include "support/TestCertificate.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

// The demo's settings lines (byte-order mark and line ends dropped).
QStringList demoSettingsLines()
{
    QFile file(QStringLiteral(RV_SOURCE_DIR "/examples/rv.ini"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.remove(QLatin1Char('\r'));
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Every file under root, as paths relative to it, sorted.
QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    return files;
}

} // namespace

TEST(CliDemoUpload, DemoProjectsUploadToTheNamedConnection)
{
    PyftpdServer server(QStringLiteral("explicit"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TempTree tree;

    // The connection as the desktop program saves it, password included.
    TFTPConnList connections;
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Local server"));
    conn->SetHost(QStringLiteral("127.0.0.1"));
    conn->SetPort(server.Port());
    conn->SetUseTLS(utUseExplicitTLS);
    conn->SetUserName(QStringLiteral("user"));
    conn->SetPassword(QStringLiteral("secret"));
    connections.AddConnection(std::move(conn));
    TStringList connectionLines;
    connections.SaveToList(connectionLines, QStringLiteral("FTPConn"));

    const QStringList demo = demoSettingsLines();
    ASSERT_FALSE(demo.isEmpty());
    QByteArray settings("\xEF\xBB\xBF");
    for (QString line : demo) {
        if (line.startsWith(QLatin1String("OutDir=")))
            line = QStringLiteral("OutDir=/www");
        line.replace(QLatin1String(".SourceFolder=examples/"),
                     QStringLiteral(".SourceFolder=" RV_SOURCE_DIR "/examples/"));
        settings += line.toUtf8() + "\r\n";
        // Each project's record gets the connection's name after its overwrite mode.
        if (line.contains(QLatin1String(".Overwrite="))) {
            const QString prefix = line.left(line.indexOf(QLatin1String(".Overwrite=")));
            settings += (prefix + QStringLiteral(".FTPConnName=Local server\r\n")).toUtf8();
        }
    }
    for (int i = 0; i < connectionLines.Count(); ++i)
        settings += connectionLines.Strings(i).toUtf8() + "\r\n";
    const QString config = tree.write(QStringLiteral("rv.ini"), settings);

    const auto runCli = [&](QString &output) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), tree(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), tree(QStringLiteral("data")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(RV_BINARY_DIR "/app/rovanel-cli"),
                      {QStringLiteral("-config"), config, QStringLiteral("-start"),
                       QStringLiteral("Demo Site,Demo Images")});
        process.closeWriteChannel();
        if (!process.waitForFinished(120000))
            return -1;
        output = QString::fromUtf8(process.readAllStandardOutput())
                 + QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };

    QString first;
    ASSERT_EQ(runCli(first), 0) << first.toStdString();
    EXPECT_TRUE(first.contains(QLatin1String("Connecting to FTP \"Local server\"...\n")))
        << first.toStdString();
    // The server's self-signed certificate is trusted on first use, as ssh does with a new
    // host, and recorded; both projects meet it, the second one silently.
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    const QString fingerprint = TestCertificate::Get().Sha256();
    const QString trustFile = tree(QStringLiteral("data/Rovanel/trusted-certificates"));
    EXPECT_EQ(first.count(QStringLiteral("Certificate of %1 trusted on first use (SHA-256 %2), "
                                         "recorded in %3.\n")
                              .arg(address, fingerprint, trustFile)),
              1)
        << first.toStdString();
    const QByteArray recorded =
        (address + QStringLiteral(" SHA256:") + fingerprint + '\n').toUtf8();
    EXPECT_EQ(tree.read(QStringLiteral("data/Rovanel/trusted-certificates")), recorded);

    // What the demo's patterns and excludes select, placed as they are placed locally.
    const QString images = QStringLiteral("www/Demo Images/")
                           + QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd"));
    const QStringList expected{
        images + QStringLiteral("/logo.svg"),
        QStringLiteral("www/Demo Site/about.html"),
        QStringLiteral("www/Demo Site/blog/2026/first-post.html"),
        QStringLiteral("www/Demo Site/css/main.css"),
        QStringLiteral("www/Demo Site/css/print.css"),
        QStringLiteral("www/Demo Site/index.html"),
        QStringLiteral("www/Demo Site/js/app.js"),
    };
    const QStringList uploaded = filesUnder(server.Root());
    EXPECT_EQ(uploaded, expected) << first.toStdString();
    for (const QString &remote : uploaded) {
        const QString local = QStringLiteral(RV_SOURCE_DIR "/examples/site/")
                              + (remote.startsWith(images) ? QStringLiteral("img/logo.svg")
                                                           : remote.section(QLatin1Char('/'), 2));
        QFile a(local);
        QFile b(server.Root() + QLatin1Char('/') + remote);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly))
            << remote.toStdString();
        EXPECT_EQ(a.readAll(), b.readAll()) << remote.toStdString();
        EXPECT_EQ(QFileInfo(b).lastModified().toSecsSinceEpoch(),
                  QFileInfo(a).lastModified().toSecsSinceEpoch())
            << remote.toStdString();
    }

    // A second run finds every file on the server already.
    QString second;
    ASSERT_EQ(runCli(second), 0) << second.toStdString();
    EXPECT_FALSE(second.contains(QLatin1String("Copy: "))) << second.toStdString();
    EXPECT_FALSE(second.contains(QLatin1String("trusted on first use"))) << second.toStdString();
    EXPECT_EQ(tree.read(QStringLiteral("data/Rovanel/trusted-certificates")), recorded);
}
