// The README's first project, step by step, run as written: its pattern must copy the files of
// the sub-folders too, as the steps promise.
#include "support/TempTree.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString readmeText()
{
    QFile file(QStringLiteral(RV_SOURCE_DIR "/README.md"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

TEST(ReadmeRecipe, ThePatternOfTheFirstProjectCopiesFromSubFolders)
{
    const QString readme = readmeText();
    ASSERT_FALSE(readme.isEmpty());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("a pattern row such as `([^`]+)`")).match(readme);
    ASSERT_TRUE(match.hasMatch()) << "the recipe's pattern is not where it was";
    const QString pattern = match.captured(1);

    TempTree tree;
    ASSERT_TRUE(tree.isValid());
    tree.write(QStringLiteral("site/top.css"), "a");
    tree.write(QStringLiteral("site/css/main.css"), "b");
    tree.write(QStringLiteral("site/css/print/paper.css"), "c");
    tree.write(QStringLiteral("site/index.html"), "<html>");
    // Steps 1-3: the output folder, the project "Site" with the pattern row and the default
    // output folder, "Overwrite older files only"; step 4: ticked and run.
    QByteArray settings("\xEF\xBB\xBF");
    for (const QString &line :
         {QStringLiteral("CopyProjectsN=1"), QStringLiteral("CopyProjects[1].ProjectName=Site"),
          QStringLiteral("CopyProjects[1].SourceFolder=") + tree(QStringLiteral("site")),
          QStringLiteral("CopyProjects[1].SourceFilesN=1"),
          QStringLiteral("CopyProjects[1].SourceFiles[1]=") + pattern,
          QStringLiteral("CopyProjects[1].OutputFolder={OutDir}/{ProjectName}"),
          QStringLiteral("CopyProjects[1].Overwrite=2"),
          QStringLiteral("CopyProjects[1].Checked=1"),
          QStringLiteral("OutDir=") + tree(QStringLiteral("pub"))})
        settings += line.toUtf8() + "\r\n";
    tree.write(QStringLiteral("rv.ini"), settings);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), tree(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(RV_BINARY_DIR "/app/rovanel-cli"),
                  {QStringLiteral("-settingsdir"), tree.path(), QStringLiteral("-start"),
                   QStringLiteral("Site")});
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(
        out.contains(QStringLiteral("Copied: 3, skipped: 0, already existed: 0, failed: 0")))
        << pattern.toStdString() << "\n"
        << out.toStdString();
    for (const char *copied :
         {"pub/Site/top.css", "pub/Site/css/main.css", "pub/Site/css/print/paper.css"})
        EXPECT_TRUE(tree.exists(QString::fromLatin1(copied))) << copied;
    EXPECT_FALSE(tree.exists(QStringLiteral("pub/Site/index.html")));
}
