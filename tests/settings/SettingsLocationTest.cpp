#include "settings/SettingsLocation.h"
#include "settings/uAppSettings.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Points the per-user folder at a temporary tree and restores the environment afterwards.
class SettingsLocation : public ::testing::Test
{
protected:
    TempTree tree;
    QString programFolder;
    QString userBase;

    void SetUp() override
    {
        saveEnv("XDG_CONFIG_HOME", FXdg);
        saveEnv("HOME", FHome);
        programFolder = tree.mkdir(QStringLiteral("prog"));
        tree.write(QStringLiteral("prog/rv.ini"), "\xEF\xBB\xBFseed=1\r\n");
        userBase = tree.mkdir(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", userBase.toUtf8());
    }

    void TearDown() override
    {
        restoreEnv("XDG_CONFIG_HOME", FXdg);
        restoreEnv("HOME", FHome);
        ResetSettingsLocation(QStringList(), QString());
    }

    // The main window's way: the folder (seeding rv.ini when it is created), then the file.
    QString Locate(const QStringList &args)
    {
        ResetSettingsLocation(args, programFolder);
        const QString dir = TAppSettings::GetAppDataDir(QStringLiteral("Rovanel"),
                                                        QStringLiteral("rv.ini"));
        return TAppSettings::GetAppConfigPath(QStringLiteral("rv.ini"), dir);
    }

private:
    static void saveEnv(const char *name, std::optional<QByteArray> &slot)
    {
        if (qEnvironmentVariableIsSet(name))
            slot = qgetenv(name);
    }
    static void restoreEnv(const char *name, const std::optional<QByteArray> &slot)
    {
        if (slot)
            qputenv(name, *slot);
        else
            qunsetenv(name);
    }
    std::optional<QByteArray> FXdg;
    std::optional<QByteArray> FHome;
};

} // namespace

TEST_F(SettingsLocation, OptionsAndTheirCombinations)
{
    const QString D = tree(QStringLiteral("elsewhere"));
    const QString user = userBase + QStringLiteral("/Rovanel");
    const QString E = programFolder;
    const QString longFolder = QStringLiteral("/") + QString(299, QLatin1Char('d'));
    const struct
    {
        const char *label;
        QStringList args;
        QString path;
        TSettingsDirMode mode;
    } cases[] = {
        {"no options", {}, user + "/rv.ini", sdmUserDir},
        {"-appsettingsdir", {"-appsettingsdir"}, E + "/rv.ini", sdmAppDir},
        {"-usersettingsdir", {"-usersettingsdir"}, user + "/rv.ini", sdmUserDir},
        {"-settingsdir D", {"-settingsdir", D}, D + "/rv.ini", sdmSettingsDir},
        {"-config absolute", {"-config", "/etc/x/my.ini"}, "/etc/x/my.ini", sdmAppDir},
        {"-config relative", {"-config", "my.ini"}, E + "/my.ini", sdmAppDir},
        {"-config sub/path", {"-config", "sub/my.ini"}, E + "/sub/my.ini", sdmAppDir},
        {"-usersettingsdir then -config",
         {"-usersettingsdir", "-config", "my.ini"},
         E + "/my.ini",
         sdmAppDir},
        {"-config then -usersettingsdir",
         {"-config", "my.ini", "-usersettingsdir"},
         user + "/my.ini",
         sdmUserDir},
        {"-settingsdir then -config",
         {"-settingsdir", D, "-config", "my.ini"},
         D + "/my.ini",
         sdmSettingsDir},
        {"-config then -settingsdir",
         {"-config", "my.ini", "-settingsdir", D},
         D + "/my.ini",
         sdmSettingsDir},
        {"-appsettingsdir then -settingsdir",
         {"-appsettingsdir", "-settingsdir", D},
         D + "/rv.ini",
         sdmSettingsDir},
        {"-settingsdir then -appsettingsdir",
         {"-settingsdir", D, "-appsettingsdir"},
         E + "/rv.ini",
         sdmAppDir},
        {"option letter case matters", {"-settingsDir", D}, user + "/rv.ini", sdmUserDir},
        {"-settingsdir last is ignored", {"-x", "-settingsdir"}, user + "/rv.ini", sdmUserDir},
        {"-config last is ignored", {"-config"}, user + "/rv.ini", sdmUserDir},
        {"an option's value is not an option",
         {"-config", "-appsettingsdir"},
         E + "/-appsettingsdir",
         sdmAppDir},
        {"empty -config keeps the mode", {"-config", ""}, user + "/rv.ini", sdmUserDir},
        {"long -settingsdir is cut to 260",
         {"-settingsdir", longFolder},
         longFolder.left(260) + "/rv.ini",
         sdmSettingsDir},
        {"-start arguments are no location options",
         {"-start", "A,B", "-close"},
         user + "/rv.ini",
         sdmUserDir},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Locate(c.args), c.path) << c.label;
        EXPECT_EQ(SettingsDirMode(), c.mode) << c.label;
    }
    // -settingsdir never creates its folder.
    EXPECT_FALSE(QFileInfo::exists(D));
}

TEST_F(SettingsLocation, UserFolderIsCreatedAndSeededOnlyOnce)
{
    const QString user = userBase + QStringLiteral("/Rovanel");
    tree.write(QStringLiteral("prog/extra.INI"), "x");
    tree.write(QStringLiteral("prog/.hidden.ini"), "h");
    tree.mkdir(QStringLiteral("prog/folder.ini"));
    tree.write(QStringLiteral("prog/notes.txt"), "n");

    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QStringLiteral(" rv.ini ;\t*.ini;;")), user);
    QStringList copied = QDir(user).entryList(QDir::AllEntries | QDir::Hidden
                                              | QDir::NoDotAndDotDot);
    copied.sort();
    EXPECT_EQ(copied, QStringList({QStringLiteral("extra.INI"), QStringLiteral("rv.ini")}));
    EXPECT_EQ(tree.read(QStringLiteral("config/Rovanel/rv.ini")),
              QByteArray("\xEF\xBB\xBFseed=1\r\n"));

    // Once the folder exists nothing is copied again, even into a fresh process state.
    QFile::remove(user + QStringLiteral("/rv.ini"));
    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QStringLiteral("rv.ini")), user);
    EXPECT_FALSE(QFileInfo::exists(user + QStringLiteral("/rv.ini")));

    // Without a config-file list the new folder stays empty; a sub-folder with a leading "/"
    // is not doubled.
    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("/Other/Deeper"), QString()),
              userBase + QStringLiteral("/Other/Deeper"));
    EXPECT_TRUE(QDir(userBase + QStringLiteral("/Other/Deeper")).isEmpty());
    // "*.*" means every plain file.
    EXPECT_EQ(GetAppDataDir(QStringLiteral("All"), QStringLiteral("*.*")),
              userBase + QStringLiteral("/All"));
    copied = QDir(userBase + QStringLiteral("/All")).entryList(QDir::Files | QDir::Hidden);
    copied.sort();
    EXPECT_EQ(copied, QStringList({QStringLiteral("extra.INI"), QStringLiteral("notes.txt"),
                                   QStringLiteral("rv.ini")}));
}

TEST_F(SettingsLocation, ProgramFolderStandsInWhenThereIsNoUserFolder)
{
    // No sub-folder.
    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QString(), QStringLiteral("rv.ini")), programFolder);

    // No usable base folder: a relative XDG_CONFIG_HOME is ignored, and HOME is missing.
    qputenv("XDG_CONFIG_HOME", "relative/path");
    qunsetenv("HOME");
    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QStringLiteral("rv.ini")), programFolder);

    // HOME without XDG_CONFIG_HOME gives ~/.config.
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", tree(QStringLiteral("home")).toUtf8());
    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QString()),
              tree(QStringLiteral("home/.config/Rovanel")));

    // The folder cannot be created (a file stands in the way).
    qputenv("XDG_CONFIG_HOME", userBase.toUtf8());
    tree.write(QStringLiteral("config/Blocked"), "file");
    ResetSettingsLocation(QStringList(), programFolder);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Blocked/Sub"), QString()), programFolder);
}

TEST_F(SettingsLocation, ModeIsDecidedOnceAndTheDefaultOnlyBeforeThat)
{
    ResetSettingsLocation(QStringList(), programFolder);
    SetDefAppSettingsDir(sdmAppDir);
    EXPECT_EQ(SettingsDirMode(), sdmNone);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QString()), programFolder);
    SetDefAppSettingsDir(sdmUserDir); // too late
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QString()), programFolder);

    // A default of "none" with no option leaves the mode open: the per-user rules apply and
    // the options are read again at the next call.
    ResetSettingsLocation(QStringList(), programFolder);
    SetDefAppSettingsDir(sdmNone);
    EXPECT_EQ(GetAppDataDir(QStringLiteral("Rovanel"), QString()),
              userBase + QStringLiteral("/Rovanel"));
    EXPECT_EQ(SettingsDirMode(), sdmNone);
    EXPECT_EQ(GetAppConfigPath(QStringLiteral("rv.ini"), QString()), QStringLiteral("rv.ini"));

    // GetAppConfigPath without a folder: the -settingsdir folder, else the bare name.
    ResetSettingsLocation({QStringLiteral("-settingsdir"), QStringLiteral("/s")}, programFolder);
    EXPECT_EQ(GetAppConfigPath(QStringLiteral("rv.ini"), QString()), QStringLiteral("/s/rv.ini"));
    ResetSettingsLocation({QStringLiteral("-appsettingsdir")}, programFolder);
    EXPECT_EQ(GetAppConfigPath(QStringLiteral("rv.ini"), QString()), QStringLiteral("rv.ini"));
    EXPECT_EQ(GetAppConfigPath(QStringLiteral("/abs/rv.ini"), QStringLiteral("/dir")),
              QStringLiteral("/abs/rv.ini"));
}
