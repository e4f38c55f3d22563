#include "MainWindowFixture.h"

#include "app/gui/ProjectsModel.h"
#include "settings/SettingsLocation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QThread>

MainWindowTest::MainWindowTest()
{
    FHook = std::make_unique<TScopedMessageBoxHook>([this](const TMessageBoxRequest &Request) {
        Boxes.push_back(Request);
        return Answer;
    });
}

MainWindowTest::~MainWindowTest()
{
    Windows.reset();
    Claim.reset();
    FHook.reset();
}

void MainWindowTest::WriteSettings(const QStringList &Lines)
{
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QString &line : Lines)
        bytes += line.toUtf8() + "\r\n";
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList MainWindowTest::ReadSettings() const
{
    QFile file(SettingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void MainWindowTest::Open(const QStringList &Arguments)
{
    QStringList location{QStringLiteral("-config"), SettingsPath()};
    ResetSettingsLocation(location + Arguments, Tree.path());
    Windows = std::make_unique<TAppWindows>(Connections, location + Arguments);
    Form().OpenUrl = [](const QUrl &) {};
}

void MainWindowTest::WriteBigProject(int Files)
{
    for (int i = 0; i < Files; ++i)
        Tree.write(QStringLiteral("src/f%1.txt").arg(i, 4, 10, QLatin1Char('0')), "x");
    WriteSettings({"CopyProjectsN=1", "CopyProjects[1].ProjectName=Big",
                   "CopyProjects[1].SourceFolder=" + Tree(QStringLiteral("src")),
                   "CopyProjects[1].SourceFilesN=1", "CopyProjects[1].SourceFiles[1]=*.txt",
                   "CopyProjects[1].OutputFolder={OutDir}/{ProjectName}",
                   "CopyProjects[1].Checked=1", "OutDir=" + Tree(QStringLiteral("out"))});
}

void MainWindowTest::Start(const QStringList &Arguments)
{
    TAppStart start = StartApp(Connections,
                               QStringList{QStringLiteral("-config"), SettingsPath()} + Arguments,
                               Tree.path());
    ASSERT_TRUE(start.Windows) << "the start refused the settings file";
    Claim = std::move(start.Claim);
    Windows = std::move(start.Windows);
    Form().OpenUrl = [](const QUrl &) {};
}

void MainWindowTest::Close()
{
    Windows.reset();
    Claim.reset();
}

void MainWindowTest::Show()
{
    Form().show();
    // The -start run begins from the event loop once the window is shown.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void MainWindowTest::OpenActive()
{
    Open();
    Form().resize(945, 551);
    Form().show();
    QApplication::setActiveWindow(&Form());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form()));
}

void MainWindowTest::WaitForRun()
{
    QDeadlineTimer deadline(30000);
    while (Form().Running() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    ASSERT_FALSE(Form().Running()) << "the run did not end";
}

QStringList MainWindowTest::LogLines()
{
    const QString text = Form().LogMemo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QStringList MainWindowTest::VisibleNames()
{
    QStringList names;
    TProjectsModel &model = *Form().ProjectsModel;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.data(model.index(row, 0)).toString();
    return names;
}

TCopyProject *MainWindowTest::AddProject(const QString &Name, const QString &Group,
                                         const QString &Source, const QString &Output)
{
    auto project = std::make_unique<TCopyProject>();
    project->SetProjectName(Name);
    project->SetGroupName(Group);
    project->SetSourceFolder(Source);
    project->SetOutputFolder(Output);
    project->AddSourceRow(QStringLiteral("*.txt"), true, false);
    TCopyProject *raw = project.get();
    Form().Projects().AddProject(std::move(project));
    Form().UpdateProjectsView();
    return raw;
}

void MainWindowTest::ExpectOneRefusal() const
{
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Boxes[0].Text,
              QStringLiteral("Rovanel is already running with the settings file \"")
                  + SettingsPath()
                  + QStringLiteral("\". Close that window first, or start this one with another "
                                   "settings file (-settingsdir or -config)."));
}
