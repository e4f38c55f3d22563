#include "DialogTestSupport.h"
#include "projects/widgets/SelectFileUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Opens the dialog as the project editor does and lets Action drive it.
bool Open(TSelectFileForm &form, QString &fileName, bool &subFolders, bool &junkPath,
          const QString &sourceFolder, std::function<void()> action)
{
    WhenShown(&form, std::move(action));
    return form.Execute(fileName, subFolders, junkPath, sourceFolder);
}

TEST(SelectFileForm, AddStartsEmptyAndOkFollowsTheText)
{
    TSelectFileForm form;
    QString name;
    bool sub = false;
    bool junk = false;
    bool okAtFirst = true;
    bool okAfterTyping = false;
    bool okAfterErasing = true;
    const bool result = Open(form, name, sub, junk, QString(), [&] {
        okAtFirst = form.OKButton->isEnabled();
        EXPECT_FALSE(form.SubFoldersCheckBox->isChecked());
        EXPECT_FALSE(form.JunkPathCheckBox->isChecked());
        QTest::keyClicks(form.FileNameEdit, "x");
        QTest::keyClick(form.FileNameEdit, Qt::Key_Backspace);
        okAfterErasing = form.OKButton->isEnabled();
        QTest::keyClicks(form.FileNameEdit, "**.css");
        okAfterTyping = form.OKButton->isEnabled();
        form.SubFoldersCheckBox->click();
        QTest::keyClick(form.FileNameEdit, Qt::Key_Return);
    });
    EXPECT_FALSE(okAtFirst);
    EXPECT_FALSE(okAfterErasing);
    EXPECT_TRUE(okAfterTyping);
    ASSERT_TRUE(result);
    EXPECT_EQ(name, "**.css");
    EXPECT_TRUE(sub);
    EXPECT_FALSE(junk);
}

TEST(SelectFileForm, EditShowsTheRowWithOkEnabled)
{
    TSelectFileForm form;
    QString name = "*.txt";
    bool sub = false;
    bool junk = true;
    const bool result = Open(form, name, sub, junk, "/data", [&] {
        EXPECT_TRUE(form.OKButton->isEnabled());
        EXPECT_EQ(form.FileNameEdit->text(), "*.txt");
        EXPECT_TRUE(form.JunkPathCheckBox->isChecked());
        form.JunkPathCheckBox->click();
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(name, "*.txt");
    EXPECT_FALSE(junk);
}

// Every way out but OK leaves the caller's values as they were.
TEST(SelectFileForm, CancelEscAndCloseBoxKeepTheCallersValues)
{
    const std::vector<std::pair<const char *, std::function<void(TSelectFileForm &)>>> ways = {
        {"Cancel", [](TSelectFileForm &f) { f.CancelButton->click(); }},
        {"Esc", [](TSelectFileForm &f) { QTest::keyClick(f.FileNameEdit, Qt::Key_Escape); }},
        {"close box", [](TSelectFileForm &f) { f.close(); }},
    };
    TSelectFileForm form;
    for (const auto &[way, close] : ways) {
        SCOPED_TRACE(way);
        QString name = "old.txt";
        bool sub = true;
        bool junk = false;
        const bool result = Open(form, name, sub, junk, "/data", [&, &close = close] {
            form.FileNameEdit->setText("new.txt");
            form.SubFoldersCheckBox->setChecked(false);
            form.JunkPathCheckBox->setChecked(true);
            close(form);
        });
        EXPECT_FALSE(result);
        EXPECT_EQ(name, "old.txt");
        EXPECT_TRUE(sub);
        EXPECT_FALSE(junk);
    }
}

struct PickCase
{
    const char *source;
    QStringList picked;
    const char *expected;
};

// The files picked in the open-file dialog, written relative to the source folder when they
// lie inside it (the beginning compared ignoring letter case) and joined by ";".
TEST(SelectFileForm, PickedFilesLoseTheSourceFolder)
{
    const std::vector<PickCase> cases = {
        {"/data", {"/data/img/logo.png"}, "img/logo.png"},
        {"/data", {"/DATA/x.txt"}, "x.txt"},
        {"/data", {"/other/x.txt"}, "/other/x.txt"},
        {"/data", {"/database/x.txt"}, "/database/x.txt"},
        {"/data/", {"/data/a.txt", "/data/b.txt"}, "a.txt;b.txt"},
        {"/data", {"/data/a.txt", "/elsewhere/b.txt"}, "a.txt;/elsewhere/b.txt"},
        {"", {"/data/a.txt"}, "/data/a.txt"},
    };
    TSelectFileForm form;
    for (const PickCase &c : cases) {
        SCOPED_TRACE(c.source + std::string(" ") + c.picked.join(',').toStdString());
        QString seenDir;
        QString seenName;
        form.OpenFileDialog = [&](QWidget *, const QString &dir, const QString &fileName) {
            seenDir = dir;
            seenName = fileName;
            return c.picked;
        };
        QString name = "preset";
        bool sub = false;
        bool junk = false;
        const bool result = Open(form, name, sub, junk, c.source, [&] {
            form.BrowseButton->click();
            form.OKButton->click();
        });
        ASSERT_TRUE(result);
        EXPECT_EQ(name, c.expected);
        EXPECT_EQ(seenName, "preset");
        const QString source = c.source;
        EXPECT_EQ(seenDir, source.isEmpty() || source.endsWith('/') ? source : source + "/");
    }
}

TEST(SelectFileForm, CancelledPickKeepsTheText)
{
    TSelectFileForm form;
    form.OpenFileDialog = [](QWidget *, const QString &, const QString &) { return QStringList(); };
    QString name;
    bool sub = false;
    bool junk = false;
    bool okEnabled = true;
    Open(form, name, sub, junk, "/data", [&] {
        form.BrowseButton->click();
        okEnabled = form.OKButton->isEnabled();
        EXPECT_TRUE(form.FileNameEdit->text().isEmpty());
        form.CancelButton->click();
    });
    EXPECT_FALSE(okEnabled);
}

TEST(SelectFileForm, DroppedFileReplacesTheTextStripped)
{
    TSelectFileForm form;
    QString name = "old";
    bool sub = false;
    bool junk = false;
    bool taken = false;
    const bool result = Open(form, name, sub, junk, "/data", [&] {
        taken = DropFiles(TWinProcHandler::EventTarget(form.FileNameEdit),
                          {"/data/a.txt", "/data/sub/b.txt"});
        form.OKButton->click();
    });
    EXPECT_TRUE(taken);
    ASSERT_TRUE(result);
    EXPECT_EQ(name, "sub/b.txt");
}

// A pattern is one line of the settings file: pasted or dropped line breaks never reach it.
TEST(SelectFileForm, LineBreaksAreRemovedFromThePattern)
{
    TSelectFileForm form;
    QString name;
    bool sub = false;
    bool junk = false;
    const bool result = Open(form, name, sub, junk, "/data", [&] {
        QApplication::clipboard()->setText("*.css\r\nInjected=1");
        form.FileNameEdit->setFocus();
        form.FileNameEdit->paste();
        EXPECT_EQ(form.FileNameEdit->text(), "*.cssInjected=1");
        DropFiles(TWinProcHandler::EventTarget(form.FileNameEdit), {"/data/odd\nname.txt"});
        form.OKButton->click();
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(name, "oddname.txt");
}

} // namespace

TEST(SelectFileForm, TheExamplePatternIsTheOneTheReadmeRecipeUses)
{
    // The README's first project copies with this pattern (a test of its own runs it); the
    // dialog shows the same one, so that what a user reads in either place works.
    QFile readme(QStringLiteral(RV_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch match = QRegularExpression(
                                              QStringLiteral("a pattern row such as `([^`]+)`"))
                                              .match(QString::fromUtf8(readme.readAll()));
    ASSERT_TRUE(match.hasMatch());
    TSelectFileForm form;
    EXPECT_TRUE(form.ExampleLabel->text().startsWith(match.captured(1) + QStringLiteral(" - ")))
        << form.ExampleLabel->text().toStdString();
}
