// Project execution: output folder tags, exclude text, pattern rows, the FTP branch.
#include "EngineTestSupport.h"
#include "engine/FTPSessionFactory.h"
#include "engine/OutputFolder.h"
#include "engine/RunProject.h"
#include "ftp/FTPConnUnit.h"
#include "settings/Exception.h"
#include "support/TempTree.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd"));
}

TCopyProject project(const QString &name, const QString &outputFolder)
{
    TCopyProject p;
    p.SetProjectName(name);
    p.SetOutputFolder(outputFolder);
    return p;
}

struct ExpandCase
{
    const char *ProjectName;
    const char *OutputFolder;
    const char *OutDir;
    const char *Expected; // "<today>" stands for the current date
};

class ExpandOutputFolderTest : public ::testing::TestWithParam<ExpandCase>
{};

TEST_P(ExpandOutputFolderTest, ReplacesTheTagsInOrder)
{
    const ExpandCase &c = GetParam();
    const QString expected =
        QString::fromUtf8(c.Expected).replace(QLatin1String("<today>"), today());
    EXPECT_EQ(ExpandOutputFolder(
                  project(QString::fromUtf8(c.ProjectName), QString::fromUtf8(c.OutputFolder)),
                  QString::fromUtf8(c.OutDir)),
              expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpandOutputFolderTest,
    ::testing::Values(ExpandCase{"Site", "{OutDir}/{ProjectName}", "/pub", "/pub/Site"},
                      ExpandCase{"Site", "{outdir}\\{date}", "/pub", "/pub/<today>"},
                      ExpandCase{"Site", "{OUTDIR}{OutDir}", "/x", "/x/x"},
                      // A tag inside an inserted value is replaced when its own turn comes later...
                      ExpandCase{"Site", "{OutDir}", "/pub/{ProjectName}", "/pub/Site"},
                      ExpandCase{"{Date}", "/out/{ProjectName}", "", "/out/<today>"},
                      // ...but not when its turn has passed.
                      ExpandCase{"{OutDir}", "/out/{ProjectName}", "/pub", "/out/{OutDir}"},
                      ExpandCase{"Site", "/plain", "/pub", "/plain"}));

TEST(ExpandOutputFolder, DateTimeTagHasSixTwoDigitParts)
{
    const QString value = ExpandOutputFolder(
        project(QStringLiteral("P"), QStringLiteral("{DateTime}")), QString());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d\\d$"))
                    .match(value)
                    .hasMatch())
        << value.toStdString();
    EXPECT_TRUE(value.startsWith(today()));
}

class RunProjectTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.isValid());
        p.SetProjectName(QStringLiteral("Site"));
        p.SetSourceFolder(tree(QStringLiteral("src")) + QStringLiteral("/"));
        p.SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}"));
        outDir = tree(QStringLiteral("out"));
    }
    void TearDown() override { SetFTPSessionFactory(nullptr); }

    // Installs a factory that hands out `session` (owned by the test) through a forwarding
    // wrapper, and counts how often a session was destroyed.
    void useFakeSession()
    {
        SetFTPSessionFactory(
            [this](TFTPConnection &conn, TRunLog &) -> std::unique_ptr<TFTPSession> {
                connectionsSeen.append(conn.ConnName());
                return std::make_unique<Forward>(session, destroyed);
            });
    }

    class Forward : public TFTPSession
    {
    public:
        Forward(FakeSession &s, int &destroyedCount) : FSession(s), FDestroyed(destroyedCount) {}
        ~Forward() override { ++FDestroyed; }
        void Connect() override { FSession.Connect(); }
        bool FileExists(const QString &f) override { return FSession.FileExists(f); }
        double FileAge(const QString &f) override { return FSession.FileAge(f); }
        void ForceDirectories(const QString &d) override { FSession.ForceDirectories(d); }
        void CopyFile(const QString &a, const QString &b, bool f) override
        {
            FSession.CopyFile(a, b, f);
        }

    private:
        FakeSession &FSession;
        int &FDestroyed;
    };

    TempTree tree;
    TCopyProject p;
    QString outDir;
    TFTPConnList connections;
    RecordingLog log;
    FakeSession session;
    int destroyed = 0;
    QStringList connectionsSeen;
};

TEST_F(RunProjectTest, RunsEveryRowAndEndsWithTheSummary)
{
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/b.txt"));
    tree.write(QStringLiteral("src/sub/c.txt"));
    tree.write(QStringLiteral("src/d.log"));
    tree.write(QStringLiteral("out/Site/d.log"));
    p.AddSourceRow(QStringLiteral("*.txt"), true, false);
    p.AddSourceRow(QString(), false, false); // an empty row is passed over
    p.AddSourceRow(QStringLiteral("*.log"), false, false);
    p.GetSourceSubFolders()[0] = QStringLiteral("YES");

    EXPECT_TRUE(RunProject(p, outDir, connections, log));

    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 3, skipped: 0, already existed: 1, failed: 0"));
    EXPECT_TRUE(tree.exists(QStringLiteral("out/Site/sub/c.txt")));
}

TEST_F(RunProjectTest, ExcludeTextIsCutAtSemicolonsWithoutTrimming)
{
    for (const char *f : {"src/a.tmp", "src/b.bak", "src/ c.bak", "src/d.txt"})
        tree.write(QString::fromLatin1(f));
    p.AddSourceRow(QStringLiteral("*"), false, false);

    p.SetExcludeFiles(QStringLiteral("*.tmp; *.bak"));
    ASSERT_TRUE(RunProject(p, outDir, connections, log));
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 2, skipped: 0, already existed: 0, failed: 0"));
    EXPECT_TRUE(tree.exists(QStringLiteral("out/Site/b.bak")));
    EXPECT_FALSE(tree.exists(QStringLiteral("out/Site/ c.bak")));

    p.SetExcludeFiles(QStringLiteral(";;;"));
    p.SetOverwrite(ofAll);
    ASSERT_TRUE(RunProject(p, outDir, connections, log));
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 4, skipped: 0, already existed: 0, failed: 0"));
}

TEST_F(RunProjectTest, FullPathPatternTakesRelativePathsFromItsOwnFolder)
{
    tree.write(QStringLiteral("other/sub/x.log"));
    p.AddSourceRow(tree(QStringLiteral("other")) + QStringLiteral("/sub/*.log"), false, false);

    ASSERT_TRUE(RunProject(p, outDir, connections, log));

    EXPECT_TRUE(tree.exists(QStringLiteral("out/Site/x.log")));
}

TEST_F(RunProjectTest, WindowsSeparatorsInPatternsMeanFolders)
{
    tree.write(QStringLiteral("src/css/main.css"));
    p.AddSourceRow(QStringLiteral("**\\*.css"), false, false);
    p.SetOutputFolder(QStringLiteral("{OutDir}\\{ProjectName}\\"));

    ASSERT_TRUE(RunProject(p, outDir, connections, log));

    EXPECT_TRUE(log.Lines.contains(
        QStringLiteral("Copy: ") + outDir + QStringLiteral("/Site <= css/main.css (")
        + tree(QStringLiteral("src")) + QStringLiteral("/css/main.css)")));
    EXPECT_TRUE(tree.exists(QStringLiteral("out/Site/css/main.css")));
}

TEST_F(RunProjectTest, MissingConnectionEndsTheProjectWithoutSummary)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Server"));
    connections.AddConnection(std::move(conn));
    useFakeSession();
    p.SetFTPConnName(QStringLiteral("server"));
    p.AddSourceRow(QStringLiteral("*"), false, false);

    EXPECT_FALSE(RunProject(p, outDir, connections, log));

    EXPECT_EQ(log.Lines, QStringList{QStringLiteral("FTP connection \"server\" not found.")});
    EXPECT_TRUE(connectionsSeen.isEmpty());
}

TEST_F(RunProjectTest, ConnectErrorIsLoggedAndTheSessionDestroyed)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Server"));
    connections.AddConnection(std::move(conn));
    useFakeSession();
    session.ConnectError = QStringLiteral("Login incorrect");
    p.SetFTPConnName(QStringLiteral("Server"));
    p.AddSourceRow(QStringLiteral("*"), false, false);

    EXPECT_FALSE(RunProject(p, outDir, connections, log));

    EXPECT_EQ(log.Lines, (QStringList{"Connecting to FTP \"Server\"...", "Login incorrect."}));
    EXPECT_EQ(destroyed, 1);
}

TEST_F(RunProjectTest, WithoutAnFTPClientTheProjectFailsWithAMessage)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Server"));
    connections.AddConnection(std::move(conn));
    SetFTPSessionFactory([](TFTPConnection &, TRunLog &) -> std::unique_ptr<TFTPSession> {
        throw Exception(QStringLiteral("FTP upload is not available in this build."));
    });
    p.SetFTPConnName(QStringLiteral("Server"));

    EXPECT_FALSE(RunProject(p, outDir, connections, log));
    EXPECT_EQ(log.Lines.last(), QStringLiteral("FTP upload is not available in this build."));
}

struct RemoteCase
{
    const char *OutputFolder;
    const char *OutDir;
    const char *RemoteFile;
};

class RemoteFolderTest : public RunProjectTest, public ::testing::WithParamInterface<RemoteCase>
{};

TEST_P(RemoteFolderTest, FilesGoBelowTheExpandedRemoteFolder)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Server"));
    connections.AddConnection(std::move(conn));
    useFakeSession();
    tree.write(QStringLiteral("src/css/main.css"));
    p.SetFTPConnName(QStringLiteral("Server"));
    p.SetOutputFolder(QString::fromLatin1(GetParam().OutputFolder));
    p.AddSourceRow(QStringLiteral("**/*.css"), false, false);

    EXPECT_TRUE(RunProject(p, QString::fromLatin1(GetParam().OutDir), connections, log));

    EXPECT_EQ(session.Files.count(QString::fromLatin1(GetParam().RemoteFile)), 1U)
        << session.Calls.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(connectionsSeen, QStringList{QStringLiteral("Server")});
    EXPECT_EQ(log.Lines.first(), QStringLiteral("Connecting to FTP \"Server\"..."));
    EXPECT_EQ(log.Lines.last(),
              QStringLiteral("Copied: 1, skipped: 0, already existed: 0, failed: 0"));
    EXPECT_EQ(destroyed, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, RemoteFolderTest,
    ::testing::Values(RemoteCase{"{OutDir}/{ProjectName}", "www", "/www/Site/css/main.css"},
                      RemoteCase{"{OutDir}\\{ProjectName}\\", "/www", "/www/Site/css/main.css"},
                      // The root stays the root.
                      RemoteCase{"/", "", "/css/main.css"}));

// An empty output folder names no folder: the files of sub-folders fail as the top-level ones
// do, and nothing goes to the working folder or to the FTP login folder.
TEST_F(RunProjectTest, EmptyOutputFolderFailsEveryFileOnEitherSide)
{
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Server"));
    connections.AddConnection(std::move(conn));
    useFakeSession();
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/sub/b.txt"));
    p.SetOutputFolder(QString());
    p.AddSourceRow(QStringLiteral("**/*.txt"), false, false);
    const QString work = tree.mkdir(QStringLiteral("work"));
    const QString startFolder = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work));

    for (const char *connName : {"", "Server"}) {
        SCOPED_TRACE(*connName ? "FTP" : "local");
        p.SetFTPConnName(QString::fromLatin1(connName));
        log.Lines.clear();

        EXPECT_TRUE(RunProject(p, QString(), connections, log));

        EXPECT_EQ(log.Lines.count(QStringLiteral("Unable to create directory.")), 2)
            << log.Lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(log.Lines.last(),
                  QStringLiteral("Copied: 0, skipped: 0, already existed: 0, failed: 2"));
    }

    ASSERT_TRUE(QDir::setCurrent(startFolder));
    EXPECT_TRUE(QDir(work).isEmpty());
    EXPECT_TRUE(session.Files.empty()) << session.Calls.join(QLatin1Char('\n')).toStdString();
}

struct MissingSourceCase
{
    const char *Name;
    // The source folder, relative to the tree ("" for none); "file" is a plain file.
    const char *SourceFolder;
    // The pattern; "<tree>" stands for the tree's path.
    const char *Pattern;
    // The folder the error names, relative to the tree ("" for an empty name).
    const char *Missing;
};

class MissingSourceTest : public RunProjectTest,
                          public ::testing::WithParamInterface<MissingSourceCase>
{};

// A source folder that is missing or not a folder ends the project with one line and the result
// false: no patterns, no summary line.
TEST_P(MissingSourceTest, EndsTheProjectWithItsLine)
{
    const MissingSourceCase &c = GetParam();
    tree.write(QStringLiteral("file"));
    tree.write(QStringLiteral("src/a.txt"));
    auto conn = std::make_unique<TFTPConnection>();
    conn->SetConnName(QStringLiteral("Server"));
    connections.AddConnection(std::move(conn));
    useFakeSession();
    p.SetSourceFolder(*c.SourceFolder ? tree(QString::fromLatin1(c.SourceFolder)) : QString());
    p.AddSourceRow(QString::fromLatin1(c.Pattern).replace(QLatin1String("<tree>"), tree.path()),
                   false, false);
    p.AddSourceRow(QStringLiteral("*.txt"), false, false);
    const QString missing = *c.Missing ? tree(QString::fromLatin1(c.Missing)) : QString();

    for (const char *connName : {"", "Server"}) {
        SCOPED_TRACE(*connName ? "FTP" : "local");
        p.SetFTPConnName(QString::fromLatin1(connName));
        log.Lines.clear();

        EXPECT_FALSE(RunProject(p, outDir, connections, log));

        QStringList expected{QStringLiteral("Source folder \"") + missing
                             + QStringLiteral("\" not found.")};
        if (*connName)
            expected.prepend(QStringLiteral("Connecting to FTP \"Server\"..."));
        EXPECT_EQ(log.Lines, expected);
    }
    EXPECT_TRUE(session.Files.empty());
    EXPECT_FALSE(tree.exists(QStringLiteral("out")));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, MissingSourceTest,
    ::testing::Values(MissingSourceCase{"Missing", "gone", "*.txt", "gone"},
                      MissingSourceCase{"AFile", "file", "*.txt", "file"},
                      MissingSourceCase{"Empty", "", "*.txt", ""},
                      // A full-path pattern names its own folder, up to its first folder that
                      // is walked; the source folder is still needed by the relative row.
                      MissingSourceCase{"FullPath", "src", "<tree>/gone/**/*.txt", "gone"},
                      MissingSourceCase{"Both", "gone", "<tree>/gone/*.txt", "gone"},
                      // A name cannot break the line in two.
                      MissingSourceCase{"LineBreak", "gone\nCopied: 9", "*.txt",
                                        "gone\\nCopied: 9"}),
    [](const ::testing::TestParamInfo<MissingSourceCase> &test) {
        return std::string(test.param.Name);
    });

} // namespace
