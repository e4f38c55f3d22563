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
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Boxes[0].Text,
              QStringLiteral("Rovanel is already running with the settings file \"")
                  + SettingsPath()
                  + QStringLiteral("\". Close that window first, or start this one with another "
                                   "settings file (-settingsdir or -config)."));
    // Another settings file is no conflict.
    EXPECT_TRUE(ClaimSettingsFile(Tree(QStringLiteral("other.ini"))));

    first.reset();
    EXPECT_TRUE(ClaimSettingsFile(SettingsPath()));
    EXPECT_EQ(Boxes.size(), 1u);
}
