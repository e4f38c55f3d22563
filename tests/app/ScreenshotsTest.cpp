// Draws the main window for the documentation when RV_SCREENSHOT_DIR names a folder (see
// scripts/app-screenshots.sh): the projects page with a few projects, and the log page after a
// run of the demo site.
#include "MainWindowFixture.h"
#include "projects/CopyProjectUnit.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

void save(QWidget &Window, const QString &Folder, const QString &Name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(Folder).filePath(Name);
    ASSERT_TRUE(Window.grab().save(path)) << path.toStdString();
}

} // namespace

TEST_F(MainWindowTest, Screenshots)
{
    const QString folder = qEnvironmentVariable("RV_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "RV_SCREENSHOT_DIR is not set";
    const QString site = QStringLiteral(RV_SOURCE_DIR "/examples/site");
    Open();
    Form().OutDirEdit->setText(Tree(QStringLiteral("Pub")));

    TCopyProject *pages = AddProject(QStringLiteral("Demo Site"), QStringLiteral("Demo"), site);
    pages->ClearSourceRows();
    pages->AddSourceRow(QStringLiteral("**/*.html"), false, false);
    pages->AddSourceRow(QStringLiteral("css/*.css*"), false, false);
    pages->AddSourceRow(QStringLiteral("js/*.js"), false, false);
    pages->SetExcludeFiles(QStringLiteral("drafts;*.tmp"));
    pages->SetOverwrite(ofOlder);
    pages->SetChecked(true);
    TCopyProject *images = AddProject(QStringLiteral("Demo Images"), QStringLiteral("Demo"), site,
                                      QStringLiteral("{OutDir}/{ProjectName}/{Date}"));
    images->ClearSourceRows();
    images->AddSourceRow(QStringLiteral("**/*.svg"), false, true);
    images->SetChecked(true);
    TCopyProject *upload = AddProject(QStringLiteral("Site Upload"), QStringLiteral("Web"), site,
                                      QStringLiteral("/public_html"));
    upload->SetFTPConnName(QStringLiteral("web-server"));
    upload->SetOverwrite(ofOlder);
    TCopyProject *notes = AddProject(QStringLiteral("Notes Backup"), QStringLiteral("Tools"),
                                     QStringLiteral("/home/user/notes"),
                                     QStringLiteral("{OutDir}/Backup/{DateTime}"));
    notes->SetOverwrite(ofAll);
    AddProject(QStringLiteral("Reports"), QStringLiteral("Tools"),
               QStringLiteral("/home/user/reports"), QStringLiteral("{OutDir}/{ProjectName}"));
    Form().UpdateProjectsView();
    Form().GroupComboBoxDropDown();

    Form().resize(945, 551);
    Form().show();
    Form().SelectRow(0);
    save(Form(), folder, QStringLiteral("main-projects.png"));

    Form().CopyFilesButton->click();
    WaitForRun();
    save(Form(), folder, QStringLiteral("main-log.png"));
    Form().MainPageControl->setCurrentWidget(Form().AboutTabSheet);
    save(Form(), folder, QStringLiteral("main-about.png"));
}
