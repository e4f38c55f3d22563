// The main window by keyboard alone: keys of the projects list, the window's shortcuts, the
// tab order through the links and the access keys of the buttons.
#include "MainWindowFixture.h"
#include "app/gui/GroupComboBox.h"
#include "app/gui/ProjectsView.h"
#include "projects/CopyProjectUnit.h"
#include "projects/widgets/EditProjectUnit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <map>

namespace {

// The access key of a caption ("&Add..." gives 'A'); none when the caption has none.
QChar accessKey(const QString &Caption)
{
    for (qsizetype i = 0; i + 1 < Caption.size(); ++i) {
        if (Caption[i] != QLatin1Char('&'))
            continue;
        if (Caption[i + 1] != QLatin1Char('&'))
            return Caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

} // namespace

class KeyboardTest : public MainWindowTest
{
protected:
    void SetUp() override { OpenActive(); }

    void Press(QWidget *Target, Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Target, Key, Modifiers);
        QCoreApplication::processEvents();
    }
};

TEST_F(KeyboardTest, ListKeysTickEditAndDeleteTheCurrentProject)
{
    AddProject(QStringLiteral("A"));
    AddProject(QStringLiteral("B"));
    Form().SelectRow(1);
    TProjectsView *list = Form().ProjectsListView;
    list->setFocus();

    Press(list, Qt::Key_Space);
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("1 checked."));
    EXPECT_TRUE(Form().GetItemProject(1)->Checked());
    Press(list, Qt::Key_Space);
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("0 checked."));

    // Enter opens the editor on the current project.
    QString seen;
    TEditProjectForm &editor = *Windows->EditProjectForm;
    QTimer::singleShot(0, &editor, [&] {
        seen = editor.ProjectNameEdit->text();
        editor.CancelButton->click();
    });
    Press(list, Qt::Key_Return);
    EXPECT_EQ(seen, QStringLiteral("B"));

    // Delete asks, and deletes on Yes only.
    Answer = QMessageBox::No;
    Press(list, Qt::Key_Delete);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(VisibleNames(), (QStringList{"A", "B"}));
    Answer = QMessageBox::Yes;
    Press(list, Qt::Key_Delete);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_TRUE(Boxes[1].Text.startsWith(QStringLiteral("Delete \"B\".")));
    EXPECT_EQ(VisibleNames(), QStringList{"A"});
}

TEST_F(KeyboardTest, F5StartsCopyFilesAndCtrlQCloses)
{
    // With nothing checked, "Copy Files" answers with its warning: F5 pressed it.
    Press(Form().ProjectsListView, Qt::Key_F5);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Please, check one or more projects."));

    Press(Form().ProjectsListView, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(Form().isVisible());
}

TEST_F(KeyboardTest, TabReachesTheLinksAndEnterFollowsThem)
{
    AddProject(QStringLiteral("A"));
    AddProject(QStringLiteral("B"));
    Form().GroupComboBox->setFocus();
    QList<QWidget *> chain;
    for (QWidget *w = Form().GroupComboBox->nextInFocusChain(); w != Form().GroupComboBox;
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            chain.append(w);
    }
    const auto at = [&](QWidget *w) { return chain.indexOf(w); };
    ASSERT_GE(at(Form().CheckAllProjectsLabel), 0);
    EXPECT_LT(at(Form().CheckAllProjectsLabel), at(Form().UnCheckAllProjectsLabel));
    EXPECT_LT(at(Form().UnCheckAllProjectsLabel), at(Form().EditFTPLabel));
    EXPECT_LT(at(Form().EditFTPLabel), at(Form().ProjectsListView));

    // Tab from the filter reaches "Check All"; Enter there checks every project.
    Press(Form().GroupComboBox, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Form().CheckAllProjectsLabel);
    Press(Form().CheckAllProjectsLabel, Qt::Key_Return);
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("2 checked."));
    Press(Form().CheckAllProjectsLabel, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Form().UnCheckAllProjectsLabel);
    Press(Form().UnCheckAllProjectsLabel, Qt::Key_Space);
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("0 checked."));
}

TEST_F(KeyboardTest, EveryButtonHasItsOwnAccessKey)
{
    // Buttons that can be seen together: a page's own and the window's row below the pages.
    const QList<QPushButton *> row = {Form().CopyFilesButton, Form().PreviewButton,
                                      Form().StopButton, Form().CloseButton};
    for (QWidget *page : {Form().ProjectsTabSheet, Form().LogTabSheet}) {
        std::map<QChar, QString> seen;
        QList<QPushButton *> buttons = page->findChildren<QPushButton *>();
        buttons += row;
        for (QPushButton *button : buttons) {
            const QChar key = accessKey(button->text());
            EXPECT_FALSE(key.isNull()) << button->text().toStdString();
            if (key.isNull())
                continue;
            const auto [it, fresh] = seen.emplace(key, button->text());
            EXPECT_TRUE(fresh) << button->text().toStdString() << " and "
                               << it->second.toStdString();
        }
    }

    // Alt with the key presses the button (after the press is shown): "Preview" with nothing
    // checked warns.
    Press(Form().ProjectsListView, Qt::Key_V, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Boxes.empty(); }, 2000));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("Please, check one or more projects."));
}
