// How an error becomes one log line.
#include "runlog/RunLog.h"
#include "settings/Exception.h"
#include "support/TestLogs.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct LineCase
{
    const char *Message;
    const char *Line;
};

class FormatExceptionLineTest : public ::testing::TestWithParam<LineCase>
{};

TEST_P(FormatExceptionLineTest, AddsAFullStopOnlyWhereOneIsMissing)
{
    const Exception error(QString::fromUtf8(GetParam().Message));
    EXPECT_EQ(FormatExceptionLine(error, nullptr), QString::fromUtf8(GetParam().Line));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatExceptionLineTest,
    ::testing::Values(LineCase{"Access denied", "Access denied."}, LineCase{"Done.", "Done."},
                      LineCase{"Line one\r\nLine two", "Line one\r\nLine two."},
                      LineCase{"Line one.\r\nLine two.", "Line one.\r\nLine two."},
                      // The full stop would stand alone on a line of its own.
                      LineCase{"Ends with a break\r\n", "Ends with a break"},
                      LineCase{"Name at the end", "Name at the end."}));

TEST(FormatExceptionLine, EmptyMessageGivesTheClassModuleAndAddressLine)
{
    const Exception error(QString(), "EFooError");
    const QString line = FormatExceptionLine(error, reinterpret_cast<const void *>(0x1234));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Exception EFooError in module \\S+ at 0+1234\\.$"))
            .match(line)
            .hasMatch())
        << line.toStdString();
}

TEST(FormatExceptionLine, ForeignErrorsUseTheirText)
{
    EXPECT_EQ(FormatExceptionLine(std::runtime_error("disk on fire"), nullptr),
              QStringLiteral("disk on fire."));
}

TEST(RunLog, LogExceptionLogsTheFormattedLineAndAskPasswordDefaultsToCancel)
{
    RecordingLog log;
    log.LogException(Exception(QStringLiteral("Access denied")));
    EXPECT_EQ(log.Lines, QStringList{QStringLiteral("Access denied.")});

    bool remember = true;
    QString password = QStringLiteral("old");
    EXPECT_FALSE(log.AskPassword(QStringLiteral("h"), QStringLiteral("u"), remember, password));
    EXPECT_TRUE(password.isEmpty());
    EXPECT_TRUE(remember);
}

} // namespace
