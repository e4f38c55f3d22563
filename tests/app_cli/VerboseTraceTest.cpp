// rovanel-cli -verbose: the FTP commands and replies on stderr, the password hidden, the log
// alone on stdout.
#include "support/PyftpdServer.h"
#include "support/TempTree.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(CliVerbose, TracesEveryCommandAndReplyWithThePasswordHidden)
{
    PyftpdServer server(QStringLiteral("plain"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TempTree tree;
    tree.write(QStringLiteral("src/a/x.txt"), "x");
    const QString password = QStringLiteral("secret");
    QByteArray settings("\xEF\xBB\xBF");
    for (const QString &line :
         {QStringLiteral("CopyProjectsN=1"), QStringLiteral("CopyProjects[1].ProjectName=P"),
          QStringLiteral("CopyProjects[1].SourceFolder=") + tree(QStringLiteral("src")),
          QStringLiteral("CopyProjects[1].SourceFilesN=1"),
          QStringLiteral("CopyProjects[1].SourceFiles[1]=**/*.txt"),
          QStringLiteral("CopyProjects[1].OutputFolder=/up"),
          QStringLiteral("CopyProjects[1].FTPConnName=S"), QStringLiteral("FTPConnN=1"),
          QStringLiteral("FTPConn[1].ConnName=S"), QStringLiteral("FTPConn[1].Host=127.0.0.1"),
          QStringLiteral("FTPConn[1].Port=%1").arg(server.Port()),
          QStringLiteral("FTPConn[1].UserName=user"),
          QStringLiteral("FTPConn[1].Password=") + password, QStringLiteral("OutDir=/x")})
        settings += line.toUtf8() + "\r\n";
    const QString config = tree.write(QStringLiteral("rv.ini"), settings);

    const auto run = [&](const QStringList &extra, QString &out, QString &err) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), tree(QStringLiteral("config")));
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(RV_BINARY_DIR "/app/rovanel-cli"),
                      QStringList{QStringLiteral("-config"), config, QStringLiteral("-start"),
                                  QStringLiteral("P")}
                          + extra);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return -1;
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    };

    QString out;
    QString err;
    ASSERT_EQ(run({QStringLiteral("-verbose")}, out, err), 0)
        << out.toStdString() << err.toStdString();
    const QString connection = QStringLiteral("ftp: 127.0.0.1:%1 #1 ").arg(server.Port());
    const QStringList lines = err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines)
        EXPECT_TRUE(line.startsWith(connection)) << line.toStdString();
    for (const char *expected : {"> USER user", "> PASS ****", "< 230 ", "> MKD up",
                                 "> STOR .x.txt.rvpart", "< 226 ", "> RNTO x.txt"}) {
        EXPECT_TRUE(lines.indexOf(QRegularExpression(
                        QRegularExpression::escape(connection + expected) + QStringLiteral(".*")))
                    >= 0)
            << expected << "\n"
            << err.toStdString();
    }
    EXPECT_FALSE(err.contains(password)) << err.toStdString();
    // stdout holds the log alone.
    EXPECT_FALSE(out.contains(QLatin1String("ftp: "))) << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("Copy: /up <= a/x.txt"))) << out.toStdString();

    // Without -verbose there is no trace.
    QString plainOut;
    QString plainErr;
    ASSERT_EQ(run({}, plainOut, plainErr), 0) << plainOut.toStdString() << plainErr.toStdString();
    EXPECT_FALSE(plainErr.contains(QLatin1String("ftp: "))) << plainErr.toStdString();
}
