// The main window's size and the projects list's column widths, kept between starts beside
// the settings file.
#include "MainWindowFixture.h"
#include "app/gui/ProjectsModel.h"
#include "app/gui/ProjectsView.h"
#include "app/gui/WindowState.h"

#include <QFile>

class WindowStateTest : public MainWindowTest
{
protected:
    QString StatePath() const { return Tree(QStringLiteral("rv-window.ini")); }

    QList<int> ColumnWidths()
    {
        QList<int> widths;
        for (int c = 0; c < TProjectsModel::colCount; ++c)
            widths.append(Form().ProjectsListView->columnWidth(c));
        return widths;
    }
};

TEST_F(WindowStateTest, SizeAndColumnWidthsComeBackAtTheNextStart)
{
    WriteSettings({QStringLiteral("OutDir=/out")});
    Open();
    const QSize defaultSize = Form().size();
    const QList<int> defaultWidths = ColumnWidths();
    Form().resize(700, 480);
    Form().ProjectsListView->setColumnWidth(2, 333);
    Close();
    EXPECT_EQ(WindowStatePath(SettingsPath()), StatePath());
    ASSERT_TRUE(QFile::exists(StatePath()));
    // The settings file holds what it held: the window's state is a file of its own.
    EXPECT_FALSE(ReadSettings().join(QLatin1Char('\n')).contains(QStringLiteral("Width")));

    Open();
    EXPECT_EQ(Form().size(), QSize(700, 480));
    QList<int> expected = defaultWidths;
    expected[2] = 333;
    EXPECT_EQ(ColumnWidths(), expected);
    Close();

    // A state file that makes no sense leaves the defaults.
    for (const QByteArray &text :
         {QByteArray("[Window]\nWidth=12\nHeight=480\n[Projects]\nColumnWidths=1 2 3 4 5 6\n"),
          QByteArray("[Window]\nWidth=abc\nHeight=\n[Projects]\nColumnWidths=130 100 x\n"),
          QByteArray("[Projects]\nColumnWidths=130 100\n"), QByteArray("\x01\xff\xfe garbage")}) {
        SCOPED_TRACE(text.toStdString());
        QFile file(StatePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        Open();
        EXPECT_EQ(Form().size(), defaultSize);
        EXPECT_EQ(ColumnWidths(), defaultWidths);
        Close();
    }
}
