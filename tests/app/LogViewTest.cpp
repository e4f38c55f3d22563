// The log view: error lines marked across batches, plain text kept for copying.
#include "app/gui/LogView.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <cstdio>

TEST(LogViewTest, ErrorLinesAreMarkedAndCountedAcrossBatches)
{
    TLogView view;
    view.AppendLines({QStringLiteral("one"), QStringLiteral("two")}, {false, true});
    view.AppendLines({QStringLiteral("three"), QStringLiteral("four")}, {true, false});
    view.AppendLines({QStringLiteral("five")}, {});
    EXPECT_EQ(view.toPlainText(), QStringLiteral("one\ntwo\nthree\nfour\nfive"));
    EXPECT_EQ(view.ErrorLineCount(), 2);
    const QList<bool> expected{false, true, true, false, false};
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(view.IsErrorLine(i), expected[i]) << i;
        const bool coloured = view.document()->findBlockByNumber(i).blockFormat().hasProperty(
            QTextFormat::BackgroundBrush);
        EXPECT_EQ(coloured, expected[i]) << i;
    }
    view.ClearLines();
    EXPECT_EQ(view.ErrorLineCount(), 0);
    view.AppendLines({QStringLiteral("again")}, {true});
    EXPECT_TRUE(view.IsErrorLine(0));
    EXPECT_EQ(view.ErrorLineCount(), 1);
}

TEST(LogViewTest, ManyLinesKeepTheirMarks)
{
    TLogView view;
    view.AppendLines({QStringLiteral("first")}, {false});
    QStringList lines;
    QList<bool> errors;
    for (int i = 0; i < 100000; ++i) {
        lines.append(QStringLiteral("line %1").arg(i));
        errors.append(i % 100 == 0);
    }
    QElapsedTimer clock;
    clock.start();
    view.AppendLines(lines, errors);
    std::printf("Appending 100000 lines, 1000 of them errors: %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(view.ErrorLineCount(), 1000);
    EXPECT_FALSE(view.IsErrorLine(0));
    EXPECT_TRUE(view.IsErrorLine(1));
    EXPECT_FALSE(view.IsErrorLine(2));
    EXPECT_TRUE(view.IsErrorLine(99901));
    EXPECT_FALSE(view.IsErrorLine(99902));
}

TEST(LogViewTest, CopyGivesThePlainLines)
{
    TLogView view;
    view.AppendLines({QStringLiteral("ok line"), QStringLiteral("bad line")}, {false, true});
    view.selectAll();
    view.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ok line\nbad line"));
}
