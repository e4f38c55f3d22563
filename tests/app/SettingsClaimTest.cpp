// A second window on the same settings file: refused with a message while the first holds it,
// allowed once the first is gone.
#include "MainWindowFixture.h"
#include "app/gui/SettingsClaim.h"

TEST_F(MainWindowTest, ASecondWindowOnTheSameSettingsFileIsRefused)
{
    std::unique_ptr<TSettingsLock> first = ClaimSettingsFile(SettingsPath());
    ASSERT_TRUE(first);
    EXPECT_TRUE(Boxes.empty());

    EXPECT_FALSE(ClaimSettingsFile(SettingsPath()));
    ExpectOneRefusal();
    // Another settings file is no conflict.
    EXPECT_TRUE(ClaimSettingsFile(Tree(QStringLiteral("other.ini"))));

    first.reset();
    EXPECT_TRUE(ClaimSettingsFile(SettingsPath()));
    EXPECT_EQ(Boxes.size(), 1u);
}
