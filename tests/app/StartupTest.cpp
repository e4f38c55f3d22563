// Start-up and shutdown: the settings file read at start and written at exit, version texts and
// the program's own command-line options.
#include "MainWindowFixture.h"
#include "app/gui/AppVersion.h"
#include "app/gui/CommandLine.h"
#include "app/gui/GroupComboBox.h"
#include "app/gui/SettingsClaim.h"
#include "projects/CopyProjectUnit.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTabWidget>
#include <QThread>

#include <sys/stat.h>

TEST_F(MainWindowTest, FirstStartWithoutSettingsFileShowsDesignStateAndSavesEmptyListAtExit)
{
    Open();
    EXPECT_EQ(Form().Projects().Count(), 0);
    EXPECT_EQ(Form().GroupComboBox->count(), 1);
    EXPECT_EQ(Form().GroupComboBox->currentText(), QStringLiteral("<All projects>"));
    EXPECT_TRUE(Form().OutDirEdit->text().isEmpty());
    EXPECT_EQ(Form().ProjectsSelectedLabel->text(), QStringLiteral("0 checked."));
    EXPECT_EQ(Form().MainPageControl->currentWidget(), Form().ProjectsTabSheet);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(QFile::exists(SettingsPath()));

    Close();
    EXPECT_EQ(ReadSettings(),
              (QStringList{QStringLiteral("CopyProjectsN=0"), QStringLiteral("FTPConnN=0")}));
}

TEST_F(MainWindowTest, ReplaceNewerIsReadAsOlderAndNeverWrittenBack)
{
    WriteSettings({"ReplaceNewer=1", "CopyProjectsN=1", "CopyProjects[1].ProjectName=A",
                   "CopyProjects[1].Overwrite=1", "OutDir=/out", "GroupFilter=web"});
    Open();
    ASSERT_EQ(Form().Projects().Count(), 1);
    EXPECT_EQ(Form().Projects().GetProject(0)->Overwrite(), ofOlder);
    EXPECT_EQ(Form().OutDirEdit->text(), QStringLiteral("/out"));
    Close();

    const QStringList lines = ReadSettings();
    EXPECT_TRUE(lines.contains(QStringLiteral("CopyProjects[1].Overwrite=2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("OutDir=/out")));
    for (const QString &line : lines) {
        EXPECT_FALSE(line.startsWith(QStringLiteral("ReplaceNewer"))) << line.toStdString();
        // The stored filter named no group, so "<All projects>" was selected and nothing is
        // written.
        EXPECT_FALSE(line.startsWith(QStringLiteral("GroupFilter"))) << line.toStdString();
    }
}

TEST_F(MainWindowTest, StoredGroupFilterIsSelectedIgnoringCaseWhileStoredVisibilityStays)
{
    WriteSettings({"CopyProjectsN=3", "CopyProjects[1].ProjectName=A",
                   "CopyProjects[1].GroupName=Web", "CopyProjects[2].ProjectName=B",
                   "CopyProjects[2].GroupName=Tools", "CopyProjects[2].Visible=0",
                   "CopyProjects[3].ProjectName=C", "CopyProjects[3].GroupName=Old",
                   "CopyProjects[3].Visible=0", "GroupFilter=WEB"});
    Open();
    EXPECT_EQ(Form().GroupComboBox->currentText(), QStringLiteral("Web"));
    EXPECT_EQ(VisibleNames(), QStringList{QStringLiteral("A")});
    Close();
    EXPECT_TRUE(ReadSettings().contains(QStringLiteral("GroupFilter=Web")));
}

TEST_F(MainWindowTest, StaleGroupFilterSelectsAllProjectsAndKeepsHiddenProjectsHidden)
{
    WriteSettings({"CopyProjectsN=2", "CopyProjects[1].ProjectName=A",
                   "CopyProjects[1].GroupName=Tools", "CopyProjects[2].ProjectName=B",
                   "CopyProjects[2].GroupName=Tools", "CopyProjects[2].Visible=0",
                   "GroupFilter=Gone"});
    Open();
    EXPECT_EQ(Form().GroupComboBox->currentIndex(), 0);
    EXPECT_EQ(Form().GroupComboBox->currentText(), QStringLiteral("<All projects>"));
    EXPECT_EQ(VisibleNames(), QStringList{QStringLiteral("A")});
}

TEST_F(MainWindowTest, SettingsLoadErrorIsShownAndWindowOpens)
{
    // Something is at the settings file's place, but it cannot be read as a file.
    ASSERT_TRUE(QDir(Tree.path()).mkdir(QStringLiteral("rv.ini")));
    Open();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("Cannot open file \"") + SettingsPath()))
        << Boxes[0].Text.toStdString();
    EXPECT_EQ(Form().Projects().Count(), 0);
    EXPECT_EQ(Form().GroupComboBox->currentText(), QStringLiteral("<All projects>"));
}

TEST_F(MainWindowTest, VersionTextsAreSetAtCreation)
{
    Open();
    EXPECT_EQ(Form().TitleLabel->text(), QStringLiteral("Rovanel 1.30"));
#if defined(__x86_64__)
    EXPECT_EQ(Form().windowTitle(), QStringLiteral("Rovanel 1.30 [x64]"));
#endif
    EXPECT_TRUE(Form().windowTitle().startsWith(QStringLiteral("Rovanel 1.30 [")));
    EXPECT_EQ(Form().EditionLabel->text(), QStringLiteral("64-Bit Edition"));
}

TEST(AppVersionTest, CopyrightYearHasAtLeastTwoDigits)
{
    EXPECT_EQ(AppCopyrightText(2007),
              QStringLiteral("Copyright \u00A9 2006-2007 Quorvel Software"));
    EXPECT_EQ(AppCopyrightText(2025),
              QStringLiteral("Copyright \u00A9 2006-2025 Quorvel Software"));
}

struct StartArgumentsCase
{
    QStringList Arguments;
    QString Names;
    bool Close;
};

void PrintTo(const StartArgumentsCase &Case, std::ostream *Out)
{
    *Out << Case.Arguments.join(QLatin1Char(' ')).toStdString();
}

class StartArgumentsTest : public ::testing::TestWithParam<StartArgumentsCase>
{};

TEST_P(StartArgumentsTest, NamesAndCloseAreFound)
{
    const StartArgumentsCase &c = GetParam();
    EXPECT_EQ(StartNamesFromArguments(c.Arguments), c.Names);
    EXPECT_EQ(HasCloseArgument(c.Arguments), c.Close);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, StartArgumentsTest,
    ::testing::Values(StartArgumentsCase{{"-START", "A"}, "A", false},
                      StartArgumentsCase{{"-start", "A", "-start", "B"}, "B", false},
                      StartArgumentsCase{{"-start", "-close"}, "-close", true},
                      StartArgumentsCase{{"-close"}, "", true},
                      StartArgumentsCase{{"-Close", "-start", "A,B"}, "A,B", true},
                      StartArgumentsCase{{"-start"}, "", false},
                      StartArgumentsCase{{"-start", "A", "-start"}, "A", false},
                      StartArgumentsCase{{"-config", "x", "-starts", "A"}, "", false}));

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *Name, const QByteArray &Value)
        : FName(Name), FHad(qEnvironmentVariableIsSet(Name)), FOld(qgetenv(Name))
    {
        qputenv(Name, Value);
    }
    ~ScopedEnvironment()
    {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *FName;
    bool FHad;
    QByteArray FOld;
};

// Whether process Pid holds a flock(2) lock on File, as /proc/locks tells.
bool HoldsFlock(qint64 Pid, const QString &File)
{
    struct stat status;
    if (::stat(QFile::encodeName(File).constData(), &status) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
    const QByteArray inode = ':' + QByteArray::number(qulonglong(status.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[4] == QByteArray::number(Pid)
            && fields[5].endsWith(inode))
            return true;
    }
    return false;
}

} // namespace

// A first start in the per-user mode makes the user's folder and begins with the settings file
// of the program's folder; taking the claim on the file must not make the folder first.
TEST_F(MainWindowTest, AFirstStartInTheUserFolderBeginsWithTheProgramFoldersSettings)
{
    QByteArray shipped("\xEF\xBB\xBF");
    for (const char *line : {"CopyProjectsN=1", "CopyProjects[1].ProjectName=Shipped"})
        shipped += QByteArray(line) + "\r\n";
    Tree.write(QStringLiteral("program/rv.ini"), shipped);
    const ScopedEnvironment config("XDG_CONFIG_HOME",
                                   QFile::encodeName(Tree(QStringLiteral("config"))));

    const TAppStart start = StartApp(Connections, {}, Tree(QStringLiteral("program")));
    ASSERT_TRUE(start.Windows);
    ASSERT_TRUE(start.Claim);
    EXPECT_TRUE(Boxes.empty());
    ASSERT_EQ(start.Windows->RVMainForm->Projects().Count(), 1);
    EXPECT_EQ(start.Windows->RVMainForm->Projects().GetProject(0)->ProjectName(),
              QStringLiteral("Shipped"));
    EXPECT_EQ(Tree.read(QStringLiteral("config/Rovanel/rv.ini")), shipped);
    EXPECT_TRUE(Tree.exists(QStringLiteral("config/Rovanel/rv.ini.lock")));
}

// The desktop program itself holds its settings file: a window started on the same file while
// it runs is refused with a message and opens nothing; once the program is killed, nothing
// stuck is left and the window opens.
TEST_F(MainWindowTest, AWindowOnTheFileOfARunningProgramIsRefusedUntilThatProgramIsKilled)
{
    WriteSettings({"CopyProjectsN=1", "CopyProjects[1].ProjectName=A"});
    const QStringList arguments{QStringLiteral("-config"), SettingsPath()};

    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Tree(QStringLiteral("config")));
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(RV_BINARY_DIR "/app/rovanel"), arguments);
    ASSERT_TRUE(first.waitForStarted()) << first.errorString().toStdString();
    const QString lock = TSettingsLock::LockPath(SettingsPath());
    QDeadlineTimer deadline(60000);
    while (!HoldsFlock(first.processId(), lock) && first.state() == QProcess::Running
           && !deadline.hasExpired())
        QThread::msleep(20);
    ASSERT_TRUE(HoldsFlock(first.processId(), lock))
        << "the program did not take the lock: " << first.readAllStandardError().toStdString();

    const TAppStart refused = StartApp(Connections, arguments, Tree.path());
    EXPECT_FALSE(refused.Windows);
    EXPECT_FALSE(refused.Claim);
    ExpectOneRefusal();

    first.kill();
    ASSERT_TRUE(first.waitForFinished());
    const TAppStart opened = StartApp(Connections, arguments, Tree.path());
    ASSERT_TRUE(opened.Windows);
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(opened.Windows->RVMainForm->Projects().Count(), 1);
}
