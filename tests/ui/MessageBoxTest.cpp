#include "UiTestSupport.h"

#include <gtest/gtest.h>

TEST(MessageBoxes, ConfirmAsksYesNoWithTheGivenTitleAndAnswers)
{
    MessageBoxRecorder boxes;
    TestForm form;
    form.setWindowTitle(QStringLiteral("Editor"));
    boxes.Answers = {QMessageBox::Yes, QMessageBox::No};

    EXPECT_TRUE(form.Confirm(QStringLiteral("Delete Project"), QStringLiteral("Sure?")));
    EXPECT_FALSE(form.Confirm(QStringLiteral("Close"), QStringLiteral("Undo?")));

    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_EQ(boxes.Asked[0].Title, QStringLiteral("Delete Project"));
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Sure?"));
    EXPECT_EQ(boxes.Asked[0].Icon, QMessageBox::Question);
    EXPECT_EQ(boxes.Asked[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(boxes.Asked[0].Owner, &form);
    EXPECT_EQ(boxes.Asked[1].Title, QStringLiteral("Close"));
}

TEST(MessageBoxes, WarningUsesTheWindowCaptionAndCheckNotEmptyWarnsOnlyWhenEmpty)
{
    MessageBoxRecorder boxes;
    TestForm form;
    form.setWindowTitle(QStringLiteral("FTP Connections"));

    EXPECT_TRUE(form.CheckNotEmpty(QStringLiteral(" "), QStringLiteral("Output Folder")));
    EXPECT_TRUE(boxes.Asked.empty());
    EXPECT_FALSE(form.CheckNotEmpty(QString(), QStringLiteral("Output Folder")));

    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Title, QStringLiteral("FTP Connections"));
    EXPECT_EQ(boxes.Asked[0].Text, QStringLiteral("Please, enter Output Folder"));
    EXPECT_EQ(boxes.Asked[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.Asked[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(MessageBoxes, ScopedHooksNestAndRestore)
{
    int outer = 0;
    int inner = 0;
    TestForm form;
    {
        TScopedMessageBoxHook a([&](const TMessageBoxRequest &) {
            ++outer;
            return QMessageBox::No;
        });
        {
            TScopedMessageBoxHook b([&](const TMessageBoxRequest &) {
                ++inner;
                return QMessageBox::Yes;
            });
            EXPECT_TRUE(form.Confirm(QString(), QString()));
        }
        EXPECT_FALSE(form.Confirm(QString(), QString()));
    }
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(inner, 1);
    // Back to the real QMessageBox: the hook slot is empty again.
    EXPECT_FALSE(SetMessageBoxHook(nullptr));
}
