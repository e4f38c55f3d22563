// Whole project runs that upload through the real session to pyftpdlib.
#include "FtpTestSupport.h"
#include "PyftpdServer.h"

#include "engine/RunProject.h"
#include "engine/runlog/RunLog.h"
#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "support/TempTree.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class LineLog : public TRunLog
{
public:
    void Log(const QString &msg) override { Lines.append(msg); }
    QStringList Lines;
};

} // namespace

TEST(FtpUploadRun, ProjectUploadsAndASecondRunFindsEverythingCurrent)
{
    PyftpdServer server(QStringLiteral("explicit"));
    ASSERT_TRUE(server.Problem().isEmpty()) << server.Problem().toStdString();
    TempTree source;
    source.write(QStringLiteral("index.html"), "<html></html>\r\n");
    source.write(QStringLiteral("css/main.css"), "body {}\n");
    source.write(QStringLiteral("img/logo.png"), BinaryPayload(100000));
    for (const char *name : {"index.html", "css/main.css", "img/logo.png"})
        source.setMTime(QString::fromLatin1(name), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));

    TFTPConnList connections;
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Test server"));
    conn->SetHost(QStringLiteral("127.0.0.1"));
    conn->SetPort(server.Port());
    conn->SetUseTLS(utUseExplicitTLS);
    conn->SetUserName(QStringLiteral("user"));
    conn->SetPassword(QStringLiteral("secret"));
    connections.AddConnection(std::move(conn));

    TCopyProject project;
    project.SetProjectName(QStringLiteral("Site"));
    project.SetSourceFolder(source.path() + QLatin1Char('/'));
    project.AddSourceRow(QStringLiteral("*"), true, false);
    project.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
    project.SetFTPConnName(QStringLiteral("Test server"));
    project.SetOverwrite(ofOlder);

    LineLog first;
    EXPECT_TRUE(RunProject(project, QStringLiteral("www"), connections, first));
    EXPECT_EQ(first.Lines.value(0), QStringLiteral("Connecting to FTP \"Test server\"..."));
    EXPECT_EQ(first.Lines.filter(QStringLiteral("Copy: ")).size(), 3) << first.Lines.join(QLatin1Char('\n')).toStdString();
    for (const char *name : {"index.html", "css/main.css", "img/logo.png"}) {
        const QString uploaded = server.Root() + QStringLiteral("/www/Site/") + QLatin1String(name);
        QFile file(uploaded);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(file.readAll(), source.read(QString::fromLatin1(name))) << name;
        EXPECT_EQ(QFileInfo(uploaded).lastModified(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))) << name;
    }

    // Nothing changed: "older only" uploads nothing again.
    LineLog second;
    EXPECT_TRUE(RunProject(project, QStringLiteral("www"), connections, second));
    EXPECT_TRUE(second.Lines.filter(QStringLiteral("Copy: ")).isEmpty()) << second.Lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(second.Lines.filter(QStringLiteral("File already exists: ")).size(), 3);
}
