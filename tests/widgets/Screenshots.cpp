// Pictures of the dialogs for the documentation: written only when RV_SCREENSHOT_DIR names a
// folder (scripts/screenshots.sh sets it); otherwise the test is skipped.
#include "DialogTestSupport.h"
#include "ftp/FTPConnUnit.h"
#include "ftp/widgets/AskPasswordFormUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/CopyProjectUnit.h"
#include "projects/widgets/EditProjectUnit.h"
#include "projects/widgets/SelectFileUnit.h"

#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

void Save(QWidget *dialog, const QString &dir, const char *file)
{
    const QPixmap picture = dialog->grab();
    EXPECT_TRUE(picture.save(QDir(dir).filePath(QString::fromLatin1(file)), "PNG")) << file;
}

TEST(Screenshots, EveryDialog)
{
    const QString dir = qEnvironmentVariable("RV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "RV_SCREENSHOT_DIR is not set";
    ASSERT_TRUE(QDir().mkpath(dir));

    TFTPConnList conns;
    for (const char *name : {"Production", "Staging"}) {
        auto conn = std::make_unique<TFTPConnection>();
        conn->SetConnName(name);
        conn->SetHost(QString(name).toLower() + ".example.com");
        conn->SetUserName("deploy");
        conn->SetPassword("secret");
        conn->SetUseTLS(utUseExplicitTLS);
        conns.AddConnection(std::move(conn));
    }
    TSelectFileForm selectFile;
    TEditFTPForm editFTP(conns);
    TEditProjectForm editProject(conns, selectFile, editFTP);
    TAskPasswordForm askPassword;

    TCopyProject project;
    project.SetProjectName("Website");
    project.SetGroupName("Web");
    project.SetSourceFolder("/home/user/projects/site");
    project.AddSourceRow("**.html", true, false);
    project.AddSourceRow("css/*.css", false, false);
    project.AddSourceRow("img/*.png;img/*.jpg", true, true);
    project.SetExcludeFiles("*.bak;drafts/**");
    project.SetOutputFolder("{OutDir}/{ProjectName}");
    project.SetOverwrite(ofOlder);
    project.SetFTPConnName("Production");

    WhenShown(&editProject, [&] {
        Save(&editProject, dir, "edit-project.png");
        editProject.CancelButton->click();
    });
    editProject.EditProject(project, "/home/user/publish", false);

    QString name = "**.html";
    bool sub = true;
    bool junk = false;
    WhenShown(&selectFile, [&] {
        Save(&selectFile, dir, "select-file.png");
        selectFile.CancelButton->click();
    });
    selectFile.Execute(name, sub, junk, project.SourceFolder());

    QString connName = "Production";
    WhenShown(&editFTP, [&] {
        Save(&editFTP, dir, "ftp-connections.png");
        editFTP.CloseButton->click();
    });
    editFTP.Execute(connName);

    askPassword.SetHost("production.example.com");
    askPassword.SetUser("deploy");
    WhenShown(&askPassword, [&] {
        Save(&askPassword, dir, "ask-password.png");
        askPassword.Button2->click();
    });
    askPassword.Execute();
}

} // namespace
