// Draws the main window for the documentation when RV_SCREENSHOT_DIR names a folder (see
// scripts/app-screenshots.sh), each picture under a title strip as a desktop shows one: the
// projects page with a few projects, a run in progress, the log page after a run of the demo site
// with one project whose source folder is missing, and the About page. With RV_SCREENSHOT_HOME
// the files live there (the script makes it a private /home/user), so that the pictures show a
// user's paths rather than the machine's temporary ones.
#include "MainWindowFixture.h"
#include "WindowPicture.h"
#include "app/gui/RunProgress.h"
#include "projects/CopyProjectUnit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

void save(QWidget &Window, const QString &Folder, const QString &Name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(Folder).filePath(Name);
    ASSERT_TRUE(WindowPicture(Window).save(path)) << path.toStdString();
}

// Copies the files below From into To.
void copyTree(const QString &From, const QString &To)
{
    QDirIterator it(From, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = To + QLatin1Char('/') + QDir(From).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
}

} // namespace

TEST_F(MainWindowTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("RV_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "RV_SCREENSHOT_DIR is not set";
    QString home = qEnvironmentVariable("RV_SCREENSHOT_HOME");
    if (home.isEmpty())
        home = Tree(QStringLiteral("home"));
    const QString site = home + QStringLiteral("/site");
    copyTree(QStringLiteral(RV_SOURCE_DIR "/examples/site"), site);
    for (int i = 0; i < 6000; ++i) {
        const QString name =
            QStringLiteral("/photos/2026/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        QDir().mkpath(home + QStringLiteral("/photos/2026"));
        QFile file(home + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2000 + i % 7000, 'x'));
    }
    // As the program starts, so that the window has the program's icon.
    Start();
    Form().OutDirEdit->setText(home + QStringLiteral("/Pub"));

    TCopyProject *pages = AddProject(QStringLiteral("Demo Site"), QStringLiteral("Demo"), site);
    pages->ClearSourceRows();
    pages->AddSourceRow(QStringLiteral("**/*.html"), false, false);
    pages->AddSourceRow(QStringLiteral("css/*.css*"), false, false);
    pages->AddSourceRow(QStringLiteral("js/*.js"), false, false);
    pages->SetExcludeFiles(QStringLiteral("drafts;*.tmp"));
    pages->SetOverwrite(ofOlder);
    TCopyProject *images = AddProject(QStringLiteral("Demo Images"), QStringLiteral("Demo"), site,
                                      QStringLiteral("{OutDir}/{ProjectName}/{Date}"));
    images->ClearSourceRows();
    images->AddSourceRow(QStringLiteral("**/*.svg"), false, true);
    TCopyProject *upload = AddProject(QStringLiteral("Site Upload"), QStringLiteral("Web"), site,
                                      QStringLiteral("/public_html"));
    upload->SetFTPConnName(QStringLiteral("web-server"));
    upload->SetOverwrite(ofOlder);
    TCopyProject *photos = AddProject(QStringLiteral("Photos"), QStringLiteral("Tools"),
                                      home + QStringLiteral("/photos"),
                                      QStringLiteral("{OutDir}/Backup/{ProjectName}"));
    photos->ClearSourceRows();
    photos->AddSourceRow(QStringLiteral("**/*.jpg"), false, false);
    photos->SetChecked(true);
    TCopyProject *reports = AddProject(QStringLiteral("Reports"), QStringLiteral("Tools"),
                                       home + QStringLiteral("/reports"),
                                       QStringLiteral("{OutDir}/{ProjectName}"));
    Form().UpdateProjectsView();
    Form().GroupComboBoxDropDown();

    Form().resize(945, 551);
    Form().show();
    Form().SelectRow(0);
    save(Form(), folder, QStringLiteral("main-projects.png"));

    // A run in progress: its progress area over the log.
    Form().CopyFilesButton->click();
    QDeadlineTimer deadline(30000);
    while (Form().Running() && !deadline.hasExpired()
           && !Form().RunProgressPanel->CountsLabel->text().startsWith(QStringLiteral("Copied 2,")))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    save(Form(), folder, QStringLiteral("main-progress.png"));
    Form().StopButton->click();
    WaitForRun();

    // The demo site with a project whose source folder is missing: its line is marked.
    photos->SetChecked(false);
    pages->SetChecked(true);
    images->SetChecked(true);
    reports->SetChecked(true);
    Form().UpdateProjectsView();
    Form().CopyFilesButton->click();
    WaitForRun();
    save(Form(), folder, QStringLiteral("main-log.png"));
    Form().MainPageControl->setCurrentWidget(Form().AboutTabSheet);
    save(Form(), folder, QStringLiteral("main-about.png"));
}
