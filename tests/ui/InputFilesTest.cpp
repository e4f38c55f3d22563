#include "UiTestSupport.h"

#include <QLineEdit>

#include <gtest/gtest.h>

TEST(InputFiles, StripFilePathRemovesAnyEqualBeginning)
{
    struct Case
    {
        const char *file;
        const char *dir;
        const char *expected;
    };
    const Case cases[] = {
        {"/Data/x.txt", "/data/", "x.txt"},  {"/Data/x.txt", "/Dat", "a/x.txt"},
        {"/Data/x.txt", "", "/Data/x.txt"},  {"/Data/x.txt", "/Other/", "/Data/x.txt"},
        {"/Data", "/Data/", "/Data"},        // shorter than the folder
        {"/Ärger/x", "/ärger/", "/Ärger/x"}, // only A-Z fold
        {"/data/x", "/data/x", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file + std::string(" / ") + c.dir);
        EXPECT_EQ(TRVForm::StripFilePath(QString::fromUtf8(c.file), QString::fromUtf8(c.dir)),
                  QString::fromUtf8(c.expected));
    }
}

TEST(InputFiles, StripDirGetsItsSeparator)
{
    TestForm form;
    EXPECT_EQ(form.InputFileStripDir(), QString());
    form.SetInputFileStripDir(QStringLiteral("/data"));
    EXPECT_EQ(form.InputFileStripDir(), QStringLiteral("/data/"));
    form.SetInputFileStripDir(QStringLiteral("/data/"));
    EXPECT_EQ(form.InputFileStripDir(), QStringLiteral("/data/"));
    form.SetInputFileStripDir(QString());
    EXPECT_EQ(form.InputFileStripDir(), QString());
}

TEST(InputFiles, AddInputFileAddsARowUnlessTheEventHandlesIt)
{
    TestForm form;
    TListView *view = MakeListView(&form, 3, false);
    form.SetInputFileStripDir(QStringLiteral("/src"));
    std::vector<QString> added;
    form.SetOnInputFileItemAdded([&](TListView *lv, const QString &name, QTreeWidgetItem *item) {
        EXPECT_EQ(lv, view);
        EXPECT_EQ(item->text(0), name);
        added.push_back(name);
    });

    form.DoAddInputFile(view, QStringLiteral("/src/a.txt"));
    ASSERT_EQ(view->ItemCount(), 1);
    EXPECT_EQ(view->Item(0)->text(0), QStringLiteral("/src/a.txt")); // no folder stripped
    EXPECT_EQ(added, std::vector<QString>{QStringLiteral("/src/a.txt")});

    form.SetOnAddInputFile([](TListView *, const QString &name, bool &handled) {
        EXPECT_FALSE(handled);
        handled = name.endsWith(QLatin1String(".tmp"));
    });
    form.DoAddInputFile(view, QStringLiteral("/src/b.tmp"));
    form.DoAddInputFile(view, QStringLiteral("/src/c.txt"));
    form.DoAddInputFile(nullptr, QStringLiteral("/src/d.txt"));
    EXPECT_EQ(view->ItemCount(), 2);
    EXPECT_EQ(added.size(), 2u);
}

TEST(InputFiles, SetInputFileStripsUnlessToldNotTo)
{
    TestForm form;
    QLineEdit edit(QStringLiteral("before"));
    form.SetInputFileStripDir(QStringLiteral("/src"));

    form.DoSetInputFile(&edit, QStringLiteral("/SRC/a.txt"), false);
    EXPECT_EQ(edit.text(), QStringLiteral("a.txt"));
    form.DoSetInputFile(&edit, QStringLiteral("/src/b.txt"), true);
    EXPECT_EQ(edit.text(), QStringLiteral("/src/b.txt"));

    QString seen;
    form.SetOnSetInputFile([&](QLineEdit *, const QString &name, bool &handled) {
        seen = name;
        handled = true;
    });
    form.DoSetInputFile(&edit, QStringLiteral("/src/c.txt"), false);
    EXPECT_EQ(seen, QStringLiteral("c.txt")); // the event sees the stripped text
    EXPECT_EQ(edit.text(), QStringLiteral("/src/b.txt"));
    form.SetOnSetInputFile(nullptr);
    form.DoSetInputFile(nullptr, QStringLiteral("/x"), false); // no field: nothing to do
}

TEST(InputFiles, SetInputFilesStripsEachNameOnceAndJoins)
{
    TestForm form;
    QLineEdit edit;
    form.SetInputFileStripDir(QStringLiteral("a"));
    QStringList seen;
    form.SetOnSetInputFile([&](QLineEdit *, const QString &name, bool &) { seen.append(name); });

    form.DoSetInputFiles(
        &edit, {QStringLiteral("a/a/x"), QStringLiteral("b/y"), QStringLiteral("A/z")}, false);
    EXPECT_EQ(edit.text(), QStringLiteral("a/x;b/y;z"));
    form.DoSetInputFiles(&edit, {QStringLiteral("a/a/x"), QStringLiteral("a/q")}, true);
    EXPECT_EQ(edit.text(), QStringLiteral("a/a/x;a/q"));
    EXPECT_EQ(seen, QStringList({QStringLiteral("a/x;b/y;z"), QStringLiteral("a/a/x;a/q")}));
}
