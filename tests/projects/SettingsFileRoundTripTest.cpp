// Projects and connections written into a settings file and read back from it, through the
// real settings store.

#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "settings/uAppSettings.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(SettingsFileRoundTripTest, ProjectsAndConnectionsSurviveTheFile)
{
    TempTree tree;
    ASSERT_TRUE(tree.isValid());
    const QString file = tree("rv.ini");

    TCopyProjectList projects;
    auto site = std::make_unique<TCopyProject>();
    site->SetProjectName(QString::fromUtf8("Café ☕ Site"));
    site->SetGroupName(QString::fromUtf8("Größe"));
    site->SetSourceFolder("/srv/site");
    site->AddSourceRow("**/*.css", true, false);
    site->AddSourceRow("*.html", false, true);
    site->SetExcludeFiles("*.tmp;*.bak");
    site->SetOutputFolder("{OutDir}/{ProjectName}");
    site->SetOverwrite(ofOlder);
    site->SetFTPConnName("Server");
    site->SetChecked(true);
    projects.AddProject(std::move(site));
    auto hidden = std::make_unique<TCopyProject>();
    hidden->SetProjectName("Hidden");
    hidden->SetVisible(false);
    projects.AddProject(std::move(hidden));

    TFTPConnList conns;
    auto server = std::make_unique<TFTPConnection>();
    server->SetConnName("Server");
    server->SetHost("127.0.0.1");
    server->SetPort(2121);
    server->SetUseTLS(utUseExplicitTLS);
    server->SetPassword(QString::fromUtf8("pä=ss"));
    conns.AddConnection(std::move(server));

    {
        TAppSettings settings;
        projects.SaveToList(settings.Strings(), "CopyProjects");
        conns.SaveToList(settings.Strings(), "FTPConn");
        settings.SaveToFile(file);
    }

    const QByteArray bytes = tree.read("rv.ini");
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"
                                 "CopyProjectsN=2\r\n"));
    EXPECT_TRUE(
        bytes.contains(QString::fromUtf8("CopyProjects[1].ProjectName=Café ☕ Site\r\n").toUtf8()));

    TAppSettings loadedSettings;
    loadedSettings.LoadFromFile(file);
    TCopyProjectList loaded;
    loaded.LoadFromList(loadedSettings.Strings(), "CopyProjects", false);
    TFTPConnList loadedConns;
    loadedConns.LoadFromList(loadedSettings.Strings(), "FTPConn");

    ASSERT_EQ(loaded.Count(), 2);
    const TCopyProject *p = loaded.FindProject(QString::fromUtf8("Café ☕ Site"));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GroupName(), QString::fromUtf8("Größe"));
    EXPECT_EQ(p->SourceFiles(), QStringList({"**/*.css", "*.html"}));
    EXPECT_EQ(p->SourceSubFolders(), QStringList({"Yes", "No"}));
    EXPECT_EQ(p->SourceJunkPath(), QStringList({"No", "Yes"}));
    EXPECT_EQ(p->ExcludeFiles(), "*.tmp;*.bak");
    EXPECT_EQ(p->Overwrite(), ofOlder);
    EXPECT_TRUE(p->Checked());
    EXPECT_EQ(loaded.VisibleCount(), 1);
    EXPECT_FALSE(loaded.GetProject(1)->Visible());

    const TFTPConnection *c = loadedConns.FindConnection(p->FTPConnName());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Port(), 2121);
    EXPECT_EQ(c->UseTLS(), utUseExplicitTLS);
    EXPECT_EQ(c->Password(), QString::fromUtf8("pä=ss"));
}

} // namespace
