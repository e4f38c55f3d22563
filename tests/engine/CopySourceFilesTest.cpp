// Scanning of source masks and the decisions taken for each file, on real temporary trees.
#include "EngineTestSupport.h"
#include "engine/ExcludeMasks.h"
#include "support/TempTree.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The relative paths of the "Copy: " lines, in log order.
QStringList copiedRelatives(const QStringList &lines)
{
    QStringList result;
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("Copy: ")))
            continue;
        const qsizetype from = line.indexOf(QLatin1String(" <= ")) + 4;
        const qsizetype to = line.lastIndexOf(QLatin1String(" ("));
        result.append(line.mid(from, to - from));
    }
    return result;
}

QStringList scanningLines(const QStringList &lines)
{
    QStringList result;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("Scanning: ")))
            result.append(line);
    }
    return result;
}

class CopySourceFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.isValid());
        src = tree.mkdir(QStringLiteral("src"));
        out = tree(QStringLiteral("out"));
        call.BaseFolder = src;
        call.OutDir = out;
    }

    TempTree tree;
    QString src;
    QString out;
    ScanCall call;
};

TEST_F(CopySourceFilesTest, DoubleStarExampleLogsScanningLinesThenTheCopy)
{
    tree.write(QStringLiteral("src/css/main.css"), "body{}");
    tree.setMTime(QStringLiteral("src/css/main.css"), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    call.Mask = QStringLiteral("**/*.css");

    const QStringList lines = call.Run();

    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("Scanning: ") + src + QStringLiteral("/*.css"),
                         QStringLiteral("Scanning: ") + src + QStringLiteral("/css/*.css"),
                         QStringLiteral("Copy: ") + out + QStringLiteral(" <= css/main.css (") + src
                             + QStringLiteral("/css/main.css)"),
                     }));
    EXPECT_EQ(tree.read(QStringLiteral("out/css/main.css")), QByteArray("body{}"));
    EXPECT_EQ(tree.mtime(QStringLiteral("out/css/main.css")),
              QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    EXPECT_EQ(call.Copied, 1);
    EXPECT_EQ(call.Failed + call.Skipped + call.Existed, 0);
}

struct MaskCase
{
    const char *Mask;
    bool SubFolders;
    QStringList Copied;
};

class WildcardFolderTest : public CopySourceFilesTest,
                           public ::testing::WithParamInterface<MaskCase>
{};

TEST_P(WildcardFolderTest, FindsExactlyTheFilesTheMaskNames)
{
    for (const char *file : {"src/top.txt", "src/a1/x.txt", "src/a1/deep/y.txt", "src/A2/z.txt",
                             "src/b1/w.txt", "src/b1/a3/v.txt", "src/b1/note.doc"})
        tree.write(QString::fromLatin1(file), file);
    call.Mask = QString::fromLatin1(GetParam().Mask);
    call.SubFolders = GetParam().SubFolders;
    call.Overwrite = ofAll;

    EXPECT_EQ(copiedRelatives(call.Run()), GetParam().Copied) << GetParam().Mask;
    EXPECT_EQ(call.Failed, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, WildcardFolderTest,
    ::testing::Values(
        // Only the folders directly below whose names begin with a, and only their own files.
        MaskCase{"a*/*.txt", false, {"a1/x.txt", "A2/z.txt"}},
        // Those folders and everything below them, but not the source folder itself.
        MaskCase{"a**/*.txt", false, {"a1/x.txt", "a1/deep/y.txt", "A2/z.txt"}},
        // Zero or more folder levels.
        MaskCase{"**/*.txt",
                 false,
                 {"top.txt", "a1/x.txt", "a1/deep/y.txt", "A2/z.txt", "b1/w.txt", "b1/a3/v.txt"}},
        // Letter case is ignored by the search.
        MaskCase{"**/*.TXT",
                 false,
                 {"top.txt", "a1/x.txt", "a1/deep/y.txt", "A2/z.txt", "b1/w.txt", "b1/a3/v.txt"}},
        // The sub-folder flag walks every folder below the one searched.
        MaskCase{"*.txt",
                 true,
                 {"top.txt", "a1/x.txt", "a1/deep/y.txt", "A2/z.txt", "b1/w.txt", "b1/a3/v.txt"}},
        MaskCase{"b1/*.*", false, {"b1/note.doc", "b1/w.txt"}}, MaskCase{"?1/*.txt", false, {}},
        MaskCase{"b1/?.txt", false, {"b1/w.txt"}},
        // A trailing separator leaves no name: nothing at all happens.
        MaskCase{"b1/", false, {}}));

TEST_F(CopySourceFilesTest, QuestionMarkFolderIsSearchedLiterallyNotWalked)
{
    tree.write(QStringLiteral("src/a1/x.txt"));
    tree.write(QStringLiteral("src/a?/q.txt"));
    call.Mask = QStringLiteral("a?/*.txt");

    const QStringList lines = call.Run();

    EXPECT_EQ(scanningLines(lines),
              QStringList{QStringLiteral("Scanning: ") + src + QStringLiteral("/a?/*.txt")});
    EXPECT_EQ(copiedRelatives(lines), QStringList{QStringLiteral("a?/q.txt")});
}

TEST_F(CopySourceFilesTest, EmptyNamePartLogsNothing)
{
    tree.write(QStringLiteral("src/sub/a.txt"));
    call.Mask = QStringLiteral("sub/");
    EXPECT_TRUE(call.Run().isEmpty());
}

TEST_F(CopySourceFilesTest, SubFolderWalkFollowsOnlyASuccessfulSearchOfTheFolder)
{
    tree.write(QStringLiteral("src/readme.md"));
    tree.write(QStringLiteral("src/sub/a.txt"));
    call.Mask = QStringLiteral("*.txt");
    call.SubFolders = true;

    const QStringList lines = call.Run();

    EXPECT_EQ(lines, QStringList{QStringLiteral("Scanning: ") + src + QStringLiteral("/*.txt")});
    EXPECT_EQ(call.Copied, 0);

    call.Mask = QStringLiteral("**/*.txt");
    EXPECT_EQ(copiedRelatives(call.Run()), QStringList{QStringLiteral("sub/a.txt")});
}

TEST_F(CopySourceFilesTest, DoubleStarWithSubFolderFlagHandlesSubFolderFilesTwice)
{
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/sub/b.txt"));
    call.Mask = QStringLiteral("**/*.txt");
    call.SubFolders = true;

    const QStringList lines = call.Run();

    EXPECT_EQ(copiedRelatives(lines), (QStringList{"a.txt", "sub/b.txt"}));
    EXPECT_TRUE(lines.contains(QStringLiteral("File already exists: ") + out
                               + QStringLiteral("/sub/b.txt")));
    EXPECT_EQ(call.Copied, 2);
    EXPECT_EQ(call.Existed, 1);
}

TEST_F(CopySourceFilesTest, FullPathPatternPutsEveryFileDirectlyIntoTheOutputFolder)
{
    tree.write(QStringLiteral("data/x/1.log"), "1");
    tree.write(QStringLiteral("data/y/z/2.log"), "2");
    // As the project execution passes a full-path pattern: base folder = its folder part.
    call.BaseFolder = tree(QStringLiteral("data/**"));
    call.Mask = QStringLiteral("*.log");

    const QStringList lines = call.Run();

    EXPECT_EQ(copiedRelatives(lines), (QStringList{"1.log", "2.log"}));
    EXPECT_EQ(tree.read(QStringLiteral("out/1.log")), QByteArray("1"));
    EXPECT_EQ(tree.read(QStringLiteral("out/2.log")), QByteArray("2"));
}

TEST_F(CopySourceFilesTest, FullPathMaskTakesRelativePathsFromItsOwnBaseFolder)
{
    tree.write(QStringLiteral("other/sub/k.log"));
    call.BaseFolder = tree(QStringLiteral("other"));
    call.Mask = tree(QStringLiteral("other/sub/*.log"));

    EXPECT_EQ(copiedRelatives(call.Run()), QStringList{QStringLiteral("sub/k.log")});
    EXPECT_TRUE(tree.exists(QStringLiteral("out/sub/k.log")));
}

TEST_F(CopySourceFilesTest, JunkPathCollisionMeetsTheOverwriteMode)
{
    tree.write(QStringLiteral("src/a/same.txt"), "from a");
    tree.write(QStringLiteral("src/b/same.txt"), "from b");
    call.Mask = QStringLiteral("**/same.txt");
    call.JunkPath = true;

    QStringList lines = call.Run();
    EXPECT_EQ(copiedRelatives(lines), QStringList{QStringLiteral("same.txt")});
    EXPECT_EQ(lines.last(),
              QStringLiteral("File already exists: ") + out + QStringLiteral("/same.txt"));
    EXPECT_EQ(tree.read(QStringLiteral("out/same.txt")), QByteArray("from a"));

    QFile::remove(tree(QStringLiteral("out/same.txt")));
    call.Overwrite = ofAll;
    lines = call.Run();
    EXPECT_EQ(copiedRelatives(lines), (QStringList{"same.txt", "same.txt"}));
    EXPECT_EQ(tree.read(QStringLiteral("out/same.txt")), QByteArray("from b"));
}

TEST_F(CopySourceFilesTest, ExcludedNamesAndFoldersArePassedOver)
{
    for (const char *file : {"src/keep.txt", "src/cache", "src/Cache/inner.txt", "src/a.tmp",
                             "src/sub/cache", "src/sub/b.txt"})
        tree.write(QString::fromLatin1(file));
    TExcludeList excludes;
    AddExcludeMask(QStringLiteral("cache"), excludes);
    AddExcludeMask(QStringLiteral("*.TMP"), excludes);
    call.Excludes = &excludes;
    call.Mask = QStringLiteral("**/*");

    const QStringList lines = call.Run();

    EXPECT_EQ(copiedRelatives(lines), (QStringList{"keep.txt", "sub/b.txt"}));
    EXPECT_FALSE(scanningLines(lines).join(QLatin1Char('\n')).contains(QLatin1String("Cache")));
}

TEST_F(CopySourceFilesTest, HiddenEntriesAreNeverFound)
{
    tree.write(QStringLiteral("src/.hidden.txt"));
    tree.write(QStringLiteral("src/.git/config.txt"));
    tree.write(QStringLiteral("src/shown.txt"));
    call.Mask = QStringLiteral("**/*.txt");
    EXPECT_EQ(copiedRelatives(call.Run()), QStringList{QStringLiteral("shown.txt")});
}

struct ConditionCase
{
    const char *Path;     // the copy-if-exists path
    const char *FlagFile; // where the condition file is put, relative to out ("" for none)
};

class CopyIfExistsTest : public CopySourceFilesTest,
                         public ::testing::WithParamInterface<ConditionCase>
{};

TEST_P(CopyIfExistsTest, CopiesOnlyWhenTheConditionFileExists)
{
    tree.write(QStringLiteral("src/sub/page.html"), "new");
    call.Mask = QStringLiteral("sub/*.html");
    call.Overwrite = ofAll;
    call.CopyIfExists = true;
    call.CopyIfExistsPath = QString::fromLatin1(GetParam().Path)
                                .replace(
                                    QLatin1String("<today>"),
                                    QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd")));
    const QString src_file = src + QStringLiteral("/sub/page.html");

    // Without the condition file: skipped, nothing written.
    QStringList lines = call.Run();
    EXPECT_EQ(lines.last(), QStringLiteral("Skipped: ") + src_file) << GetParam().Path;
    EXPECT_EQ(call.Skipped, 1);
    EXPECT_EQ(call.Copied, 0);

    const QString flag = QString::fromLatin1(GetParam().FlagFile)
                             .replace(QLatin1String("<today>"),
                                      QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd")));
    if (flag.isEmpty())
        return;
    tree.write(QStringLiteral("out/") + flag, "flag");
    lines = call.Run();
    EXPECT_EQ(copiedRelatives(lines), QStringList{QStringLiteral("sub/page.html")})
        << GetParam().Path;
    EXPECT_EQ(call.Copied, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, CopyIfExistsTest,
    ::testing::Values(ConditionCase{"{OutFilePath}", "sub/page.html"},
                      ConditionCase{"{outfilepath}", "sub/page.html"},
                      ConditionCase{"{OutFileDir}/{OutFileName}{OutFileExt}.ok",
                                    "sub/page.html.ok"},
                      ConditionCase{"{OutFileDir}\\{OutFileName}.ok", "sub/page.ok"},
                      ConditionCase{"{OutFileName}.lock", "sub/page.lock"},
                      ConditionCase{"x{OutFileExt}", "sub/x.html"},
                      ConditionCase{"{OutDir}/{ProjectName}.on", "Site.on"},
                      ConditionCase{"{Date}.flag", "sub/<today>.flag"}, ConditionCase{"", ""}));

struct OverwriteCase
{
    TOverwriteFile Mode;
    int OutputAgeSeconds; // output time minus source time
    bool Copied;
};

class OverwriteModeTest : public CopySourceFilesTest,
                          public ::testing::WithParamInterface<OverwriteCase>
{};

TEST_P(OverwriteModeTest, ReplacesTheExistingFileOnlyWhenTheModeSays)
{
    const QDateTime sourceTime(QDate(2023, 3, 4), QTime(10, 20, 30));
    tree.write(QStringLiteral("src/f.txt"), "new");
    tree.setMTime(QStringLiteral("src/f.txt"), sourceTime);
    tree.write(QStringLiteral("out/f.txt"), "old");
    tree.setMTime(QStringLiteral("out/f.txt"), sourceTime.addSecs(GetParam().OutputAgeSeconds));
    call.Mask = QStringLiteral("f.txt");
    call.Overwrite = GetParam().Mode;

    const QStringList lines = call.Run();

    if (GetParam().Copied) {
        EXPECT_EQ(copiedRelatives(lines), QStringList{QStringLiteral("f.txt")});
        EXPECT_EQ(tree.read(QStringLiteral("out/f.txt")), QByteArray("new"));
        EXPECT_EQ(call.Copied, 1);
    } else {
        EXPECT_EQ(lines.last(),
                  QStringLiteral("File already exists: ") + out + QStringLiteral("/f.txt"));
        EXPECT_EQ(tree.read(QStringLiteral("out/f.txt")), QByteArray("old"));
        EXPECT_EQ(call.Existed, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, OverwriteModeTest,
    ::testing::Values(OverwriteCase{ofNone, -1, false}, OverwriteCase{ofNone, 0, false},
                      OverwriteCase{ofAll, 0, true}, OverwriteCase{ofAll, 5, true},
                      OverwriteCase{ofOlder, 0, false}, OverwriteCase{ofOlder, 1, false},
                      OverwriteCase{ofOlder, -1, true}));

TEST_F(CopySourceFilesTest, OlderModeIgnoresSubSecondDifferences)
{
    tree.write(QStringLiteral("src/f.txt"), "new");
    tree.write(QStringLiteral("out/f.txt"), "old");
    const QDateTime whole(QDate(2023, 3, 4), QTime(10, 20, 30));
    tree.setMTime(QStringLiteral("out/f.txt"), whole);
    // The source is 0.9 s younger but within the same second.
    QFile source(tree(QStringLiteral("src/f.txt")));
    ASSERT_TRUE(source.open(QIODevice::ReadWrite));
    ASSERT_TRUE(source.setFileTime(whole.addMSecs(900), QFileDevice::FileModificationTime));
    source.close();
    call.Mask = QStringLiteral("f.txt");
    call.Overwrite = ofOlder;

    call.Run();
    EXPECT_EQ(call.Existed, 1);
    EXPECT_EQ(tree.read(QStringLiteral("out/f.txt")), QByteArray("old"));
}

TEST_F(CopySourceFilesTest, EmptyOutputFolderWithJunkPathFailsEveryFileWithItsLine)
{
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/b.txt"));
    call.OutDir.clear();
    call.JunkPath = true;
    call.Mask = QStringLiteral("*.txt");

    const QStringList lines = call.Run();

    EXPECT_EQ(lines.count(QStringLiteral("Unable to create directory.")), 2);
    EXPECT_EQ(call.Failed, 2);
    EXPECT_EQ(call.Copied, 0);
}

TEST_F(CopySourceFilesTest, RootOutputFolderKeepsPathsAbsolute)
{
    // The output folder "/" must not turn the output paths into relative ones (through a
    // session, so that nothing is written to the real root).
    tree.write(QStringLiteral("src/a.txt"));
    FakeSession session;
    call.Session = &session;
    call.OutDir = QStringLiteral("/");
    call.Mask = QStringLiteral("a.txt");
    const QStringList lines = call.Run();

    EXPECT_EQ(lines.last(), QStringLiteral("Copy: / <= a.txt (") + src + QStringLiteral("/a.txt)"));
    EXPECT_TRUE(session.Calls.contains(QStringLiteral("CopyFile ") + src
                                       + QStringLiteral("/a.txt -> /a.txt")));
}

TEST_F(CopySourceFilesTest, SessionReceivesRemotePathsAndDecidesExistence)
{
    tree.write(QStringLiteral("src/css/main.css"));
    tree.write(QStringLiteral("src/css/old.css"));
    FakeSession session;
    session.Files[QStringLiteral("/www/Site/css/old.css")] = 1.0;
    call.Session = &session;
    call.OutDir = QStringLiteral("/www/Site");
    call.Mask = QStringLiteral("**/*.css");

    const QStringList lines = call.Run();

    EXPECT_EQ(session.Calls,
              (QStringList{"ForceDirectories /www/Site/css", "FileExists /www/Site/css/main.css",
                           "CopyFile " + src + "/css/main.css -> /www/Site/css/main.css",
                           "ForceDirectories /www/Site/css", "FileExists /www/Site/css/old.css"}));
    EXPECT_EQ(lines.last(), QStringLiteral("File already exists: /www/Site/css/old.css"));
    EXPECT_EQ(call.Copied, 1);
    EXPECT_EQ(call.Existed, 1);
}

TEST_F(CopySourceFilesTest, SessionOlderModeComparesRemoteAndLocalTimes)
{
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/b.txt"));
    const QDateTime when(QDate(2022, 1, 2), QTime(3, 4, 5));
    tree.setMTime(QStringLiteral("src/a.txt"), when);
    tree.setMTime(QStringLiteral("src/b.txt"), when);
    FakeSession session;
    const double local = double(QDate(1899, 12, 30).daysTo(when.date()))
                         + when.time().msecsSinceStartOfDay() / 86400000.0;
    session.Files[QStringLiteral("/r/a.txt")] = local;                 // same second: kept
    session.Files[QStringLiteral("/r/b.txt")] = local - 1.0 / 86400.0; // one second older
    call.Session = &session;
    call.OutDir = QStringLiteral("/r");
    call.Mask = QStringLiteral("*.txt");
    call.Overwrite = ofOlder;

    const QStringList lines = call.Run();

    EXPECT_EQ(copiedRelatives(lines), QStringList{QStringLiteral("b.txt")});
    EXPECT_EQ(call.Existed, 1);
}

TEST_F(CopySourceFilesTest, SessionOlderModeComparesAtTheListedPrecision)
{
    // A listing that gives minutes only shows an uploaded file at the start of its minute: the
    // source time is cut to the minute before comparing, or every re-run uploads everything.
    const QDateTime when(QDate(2022, 1, 2), QTime(3, 4, 5));
    const QDateTime minute(QDate(2022, 1, 2), QTime(3, 4, 0));
    const auto dayCount = [](const QDateTime &t) {
        return double(QDate(1899, 12, 30).daysTo(t.date()))
               + t.time().msecsSinceStartOfDay() / 86400000.0;
    };
    struct Case
    {
        int precision;
        double remote;
        bool copied;
    } const cases[] = {
        {60, dayCount(minute), false},               // the same minute: unchanged
        {60, dayCount(minute) - 60 / 86400.0, true}, // a minute before: older
        {1, dayCount(minute), true},                 // exact listing: 5 seconds older
        {86400, dayCount(QDateTime(when.date(), QTime(0, 0))), false},
    };
    for (const Case &c : cases) {
        tree.write(QStringLiteral("src/a.txt"));
        tree.setMTime(QStringLiteral("src/a.txt"), when);
        FakeSession session;
        session.Precision = c.precision;
        session.Files[QStringLiteral("/r/a.txt")] = c.remote;
        call.Session = &session;
        call.OutDir = QStringLiteral("/r");
        call.Mask = QStringLiteral("*.txt");
        call.Overwrite = ofOlder;
        call.Copied = call.Existed = 0;

        const QStringList lines = call.Run();

        EXPECT_EQ(call.Copied, c.copied ? 1 : 0)
            << "precision " << c.precision << ": " << lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(call.Existed, c.copied ? 0 : 1);
    }
}

TEST_F(CopySourceFilesTest, SessionErrorsAreLoggedPerFileAndTheWalkGoesOn)
{
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/b.txt"));
    FakeSession session;
    session.CopyError = QStringLiteral("Permission denied");
    call.Session = &session;
    call.OutDir = QStringLiteral("/r");
    call.Mask = QStringLiteral("*.txt");

    const QStringList lines = call.Run();

    EXPECT_EQ(lines.count(QStringLiteral("Permission denied.")), 2);
    EXPECT_EQ(call.Failed, 2);
}

struct OutputFaultCase
{
    const char *Name;
    bool Remote;
    // The folder a cannot be made; otherwise only the copy of a/1.txt fails.
    bool FolderFault;
    // The line that reports the fault; "<out>" stands for the output folder.
    const char *Line;
};

class OutputFaultTest : public CopySourceFilesTest,
                        public ::testing::WithParamInterface<OutputFaultCase>
{};

TEST_P(OutputFaultTest, FailsOnlyItsFileWithOneLineOnEitherSide)
{
    const OutputFaultCase &c = GetParam();
    tree.write(QStringLiteral("src/a/1.txt"));
    tree.write(QStringLiteral("src/a/3.txt"));
    tree.write(QStringLiteral("src/b/2.txt"));
    FakeSession session;
    if (c.Remote) {
        call.Session = &session;
        call.OutDir = QStringLiteral("/r");
        if (c.FolderFault)
            session.Refusals[QStringLiteral("/r/a")] = QStringLiteral("Cannot create directory");
        else
            session.Refusals[QStringLiteral("/r/a/1.txt")] = QStringLiteral("Cannot create file");
    } else if (c.FolderFault) {
        tree.write(QStringLiteral("out/a"), "a file, not a folder");
    } else {
        tree.mkdir(QStringLiteral("out/a/1.txt"));
    }
    call.Mask = QStringLiteral("**/*.txt");

    QStringList lines = call.Run();
    lines.removeIf([](const QString &line) { return line.startsWith(QLatin1String("Scanning")); });

    const auto copyLine = [&](const char *rel) {
        const QString name = QLatin1String(rel);
        return QStringLiteral("Copy: ") + call.OutDir + QStringLiteral(" <= ") + name
               + QStringLiteral(" (") + src + QLatin1Char('/') + name + QLatin1Char(')');
    };
    QString failure = QString::fromLatin1(c.Line);
    failure.replace(QLatin1String("<out>"), call.OutDir);
    // A folder that could not be made is tried again for the next file of that folder.
    const QStringList expected = c.FolderFault
                                     ? QStringList{failure, failure, copyLine("b/2.txt")}
                                     : QStringList{copyLine("a/1.txt"), failure,
                                                   copyLine("a/3.txt"), copyLine("b/2.txt")};
    EXPECT_EQ(lines, expected) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(call.Failed, c.FolderFault ? 2 : 1);
    EXPECT_EQ(call.Copied, c.FolderFault ? 1 : 2);
    EXPECT_EQ(call.Existed + call.Skipped, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, OutputFaultTest,
    ::testing::Values(OutputFaultCase{"LocalFolder", false, true,
                                      "Unable to create directory <out>/a"},
                      OutputFaultCase{"LocalCopy", false, false,
                                      "Unable to copy file <out>/a/1.txt (Is a directory)"},
                      // A server's refusal is logged as the error it is.
                      OutputFaultCase{"RemoteFolder", true, true, "Cannot create directory."},
                      OutputFaultCase{"RemoteCopy", true, false, "Cannot create file."}),
    [](const ::testing::TestParamInfo<OutputFaultCase> &test) {
        return std::string(test.param.Name);
    });

struct OutputInSourceCase
{
    const char *Name;
    // The output folder as the walk is given it, relative to the tree.
    const char *OutDir;
    // A file made inside the output folder before the walk ("" leaves the folder to the walk).
    const char *OldFile;
    // A link made before the walk ("" for none) and its target, relative to the tree.
    const char *Link;
    const char *LinkTarget;
    // The folders the walk passes over, relative to the tree.
    QStringList Skipped;
};

class OutputInSourceTest : public CopySourceFilesTest,
                           public ::testing::WithParamInterface<OutputInSourceCase>
{};

// An output folder inside the source tree is not walked, however its path is spelled and
// whether or not it exists before the walk: its copies are never found and copied again.
TEST_P(OutputInSourceTest, IsNotWalked)
{
    const OutputInSourceCase &c = GetParam();
    tree.write(QStringLiteral("src/a.txt"));
    tree.write(QStringLiteral("src/sub/b.txt"));
    if (*c.OldFile)
        tree.write(QString::fromLatin1(c.OldFile));
    if (*c.Link) {
        ASSERT_TRUE(QFile::link(tree(QString::fromLatin1(c.LinkTarget)),
                                tree(QString::fromLatin1(c.Link))));
    }
    call.OutDir = tree(QString::fromLatin1(c.OutDir));
    call.Mask = QStringLiteral("**/*.txt");

    const QStringList lines = call.Run();

    EXPECT_EQ(copiedRelatives(lines), (QStringList{"a.txt", "sub/b.txt"}))
        << lines.mid(0, 20).join(QLatin1Char('\n')).toStdString();
    QStringList skipped;
    for (const QString &folder : c.Skipped)
        skipped.append(QStringLiteral("Skipped output folder: ") + tree(folder));
    EXPECT_EQ(lines.filter(QStringLiteral("Skipped output folder: ")), skipped);
    EXPECT_EQ(call.Failed, 0);
    EXPECT_TRUE(tree.exists(QStringLiteral("src/out/sub/b.txt")));
    EXPECT_FALSE(tree.exists(QStringLiteral("src/out/out")));
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, OutputInSourceTest,
    ::testing::Values(
        // Made by the first copy, then listed among the source's folders.
        OutputInSourceCase{"MadeByTheWalk", "src/out", "", "", "", {"src/out"}},
        OutputInSourceCase{"Existing", "src/out", "src/out/old.txt", "", "", {"src/out"}},
        OutputInSourceCase{"TrailingSeparator", "src/out/", "", "", "", {"src/out"}},
        OutputInSourceCase{"DotDot", "src/sub/../out", "src/out/old.txt", "", "", {"src/out"}},
        OutputInSourceCase{"ThroughALink", "alias/out", "", "alias", "src", {"src/out"}},
        // A link in the source to a folder inside the output folder.
        OutputInSourceCase{"LinkIntoIt",
                           "src/out",
                           "src/out/deep/old.txt",
                           "src/zlink",
                           "src/out/deep",
                           {"src/out", "src/zlink"}}),
    [](const ::testing::TestParamInfo<OutputInSourceCase> &test) {
        return std::string(test.param.Name);
    });

} // namespace
