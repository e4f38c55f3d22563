// The log page by keyboard and buttons: finding a text, copying lines and saving the log.
#include "MainWindowFixture.h"
#include "app/gui/LogFindBar.h"
#include "app/gui/ProjectsView.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

class LogPageTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        OpenActive();
        Form().AppendLogLines({QStringLiteral("Project \"Site\"..."),
                               QStringLiteral("Copy: /out/a.txt <= /src/a.txt"),
                               QStringLiteral("Source folder \"/gone\" not found."),
                               QStringLiteral("copy: /out/b.txt <= /src/b.txt"),
                               QStringLiteral("Done: 2 copied.")},
                              {false, false, true, false, false});
    }

    void Press(QWidget *Target, Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Target, Key, Modifiers);
        QCoreApplication::processEvents();
    }

    // The line of the log's selection and the selected text.
    std::pair<int, QString> Selection()
    {
        const QTextCursor cursor = Form().LogMemo->textCursor();
        return {cursor.blockNumber(), cursor.selectedText()};
    }

    TLogFindBar &Bar() { return *Form().LogFindBar; }
};

TEST_F(LogPageTest, FindGoesBothWaysRoundTheLogWithoutRegardToCase)
{
    ASSERT_EQ(Form().MainPageControl->currentWidget(), Form().ProjectsTabSheet);
    EXPECT_FALSE(Bar().isVisible());
    Press(Form().ProjectsListView, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(Form().MainPageControl->currentWidget(), Form().LogTabSheet);
    ASSERT_TRUE(Bar().isVisible());
    EXPECT_EQ(QApplication::focusWidget(), Bar().FindEdit);

    // Typing finds the first place from the top; "Copy" and "copy" are both found.
    QTest::keyClicks(Bar().FindEdit, QStringLiteral("COPY:"));
    EXPECT_EQ(Selection(), std::make_pair(1, QStringLiteral("Copy:")));
    const struct
    {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int Line;
    } steps[] = {
        {Qt::Key_Return, Qt::NoModifier, 3},
        {Qt::Key_Return, Qt::NoModifier, 1},    // round the end
        {Qt::Key_Return, Qt::ShiftModifier, 3}, // round the start
        {Qt::Key_Return, Qt::ShiftModifier, 1},
        {Qt::Key_F3, Qt::NoModifier, 3},
        {Qt::Key_F3, Qt::ShiftModifier, 1},
    };
    for (const auto &step : steps) {
        Press(Bar().FindEdit, step.Key, step.Modifiers);
        EXPECT_EQ(Selection().first, step.Line) << step.Key << " " << int(step.Modifiers);
        EXPECT_EQ(Selection().second.toLower(), QStringLiteral("copy:"));
        EXPECT_FALSE(Bar().NotFoundLabel->isVisible());
    }
    // F3 goes on from the log itself as well.
    Press(Form().LogMemo, Qt::Key_F3);
    EXPECT_EQ(Selection().first, 3);
    Bar().NextButton->click();
    EXPECT_EQ(Selection().first, 1);
    Bar().PreviousButton->click();
    EXPECT_EQ(Selection().first, 3);

    // A text that is nowhere says so and leaves the selection where it was.
    QTest::keyClicks(Bar().FindEdit, QStringLiteral("zzz"));
    EXPECT_TRUE(Bar().NotFoundLabel->isVisible());
    EXPECT_EQ(Selection(), std::make_pair(3, QStringLiteral("copy:")));

    // Esc closes the bar and gives the keyboard back to the log; a line selected there is what
    // the bar looks for when it opens again.
    Press(Bar().FindEdit, Qt::Key_Escape);
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_EQ(QApplication::focusWidget(), Form().LogMemo);
    QTextCursor cursor(Form().LogMemo->document()->findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    Form().LogMemo->setTextCursor(cursor);
    Form().FindButton->click();
    EXPECT_EQ(Bar().FindEdit->text(), QStringLiteral("Source folder \"/gone\" not found."));
    EXPECT_FALSE(Bar().NotFoundLabel->isVisible());
}

TEST_F(LogPageTest, EscInTheFindBarLeavesARunGoing)
{
    // The window saves its settings when it goes: closed first, so that the project stays.
    Close();
    WriteBigProject(20000);
    SetUp();
    Form().CopyFilesButton->click();
    Form().OpenLogFind();
    Press(Bar().FindEdit, Qt::Key_Escape);
    ASSERT_TRUE(Form().Running()) << "the run ended before the test could press Esc: "
                                  << LogLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_TRUE(Form().StopButton->isEnabled());
    // Esc in the log itself stops it.
    Press(Form().LogMemo, Qt::Key_Escape);
    WaitForRun();
    EXPECT_TRUE(Form().RunStatusLabel->text().startsWith(QStringLiteral("Stopped after ")))
        << Form().RunStatusLabel->text().toStdString();
}

TEST_F(LogPageTest, CtrlCCopiesTheSelectedLinesAsPlainText)
{
    Form().MainPageControl->setCurrentWidget(Form().LogTabSheet);
    Form().LogMemo->setFocus();
    QTextCursor cursor(Form().LogMemo->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, 2);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    Form().LogMemo->setTextCursor(cursor);
    QApplication::clipboard()->clear();
    Press(Form().LogMemo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Copy: /out/a.txt <= /src/a.txt\nSource folder \"/gone\" not found.\n"
                             "copy: /out/b.txt <= /src/b.txt"));
}

TEST_F(LogPageTest, SaveLogWritesTheLinesOrSaysWhyNot)
{
    const QString expected = QStringLiteral(
        "Project \"Site\"...\nCopy: /out/a.txt <= /src/a.txt\n"
        "Source folder \"/gone\" not found.\ncopy: /out/b.txt <= /src/b.txt\n"
        "Done: 2 copied.\n");
    QString answer;
    QString suggested;
    Form().AskSaveLogPath = [&](QWidget *, const QString &Suggested) {
        suggested = Suggested;
        return answer;
    };
    const auto read = [](const QString &Path) {
        QFile file(Path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };

    // Cancel writes nothing.
    Form().SaveLogButton->click();
    EXPECT_TRUE(suggested.endsWith(QStringLiteral(".txt"))) << suggested.toStdString();
    EXPECT_TRUE(Boxes.empty());

    // A file that exists is replaced whole.
    answer = Tree(QStringLiteral("run.log"));
    QFile old(answer);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4096, 'x'));
    old.close();
    Form().SaveLogButton->click();
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(read(answer), expected);

    // A folder that is not there: the error names the file and the reason, and nothing is made.
    answer = Tree(QStringLiteral("missing/run.log"));
    Form().SaveLogButton->click();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Critical);
    const QString start = QStringLiteral("Unable to save the log to \"") + answer
                          + QStringLiteral("\" (");
    EXPECT_TRUE(Boxes[0].Text.startsWith(start)) << Boxes[0].Text.toStdString();
    EXPECT_TRUE(Boxes[0].Text.endsWith(QStringLiteral(")."))) << Boxes[0].Text.toStdString();
    EXPECT_GT(Boxes[0].Text.size(), start.size() + 2);
    EXPECT_FALSE(QFile::exists(Tree(QStringLiteral("missing"))));
}
