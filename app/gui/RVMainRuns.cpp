// Copy runs started from the window: "Copy Files", the -start run, the log page and the end of
// a run.
#include "app/gui/CommandLine.h"
#include "app/gui/RVMainUnit.h"
#include "app/gui/RunHandOver.h"
#include "app/gui/RunThreads.h"
#include "engine/RunSnapshot.h"
#include "ftp/widgets/AskPasswordFormUnit.h"
#include "settings/Exception.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>

namespace {

const QChar LineQuote = QLatin1Char('"');

} // namespace

void TRVMainForm::CopyFilesButtonClick()
{
    if (FRunThread)
        return;
    if (FProjects.CheckedVisibleCount() == 0) {
        Warning(QStringLiteral("Please, check one or more projects."));
        return;
    }
    if (!CheckNotEmpty(OutDirEdit->text(), QStringLiteral("Output Folder")))
        return;
    try {
        SaveSettings();
    } catch (const Exception &error) {
        ShowError(error.Message());
        return;
    }
    MainPageControl->setCurrentWidget(LogTabSheet);
    ClearLog();
    CopyFilesButton->setEnabled(false);
    FRunIsStartProject = false;
    // The run works on copies taken now, so that the list can change while it goes on.
    auto projects = SnapshotVisibleProjects(FProjects);
    const QString outDir = OutDirEdit->text();
    StartRun([&](std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks) {
        return std::make_unique<TCopyFilesThread>(std::move(HandOver), std::move(Sinks),
                                                  FFTPConnList, std::move(projects), outDir);
    });
}

void TRVMainForm::StartFromCommandLine()
{
    const QString names = StartNamesFromArguments(FArguments);
    if (names.isEmpty() || FRunThread)
        return;
    if (!CheckNotEmpty(OutDirEdit->text(), QStringLiteral("Output Folder")))
        return;
    MainPageControl->setCurrentWidget(LogTabSheet);
    ClearLog();
    CopyFilesButton->setEnabled(false);
    FRunIsStartProject = true;
    auto projects = SnapshotAllProjects(FProjects);
    const QString outDir = OutDirEdit->text();
    StartRun([&](std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks) {
        return std::make_unique<TStartProjectThread>(std::move(HandOver), std::move(Sinks),
                                                     FFTPConnList, std::move(projects), outDir,
                                                     names);
    });
}

void TRVMainForm::StartRun(const TMakeRunThread &MakeThread)
{
    FHandOver = TRunHandOver::Create(this);
    TRunSinks sinks;
    sinks.LogMsg = [this](const QString &Line) { LogMsg(Line); };
    sinks.RunEvent = [this](const TRunEvent &Event) { UpdateRunStatus(Event); };
    sinks.AskPassword = [this](const QString &Host, const QString &User, bool &RememberPassword,
                               QString &Password) {
        if (AskPasswordHandler)
            return AskPasswordHandler(Host, User, RememberPassword, Password);
        if (FAskPasswordForm)
            return AskPasswordAnswer(*FAskPasswordForm, Host, User, RememberPassword, Password);
        Password.clear();
        return false;
    };
    FRunProjectName.clear();
    FRunFilesHandled = 0;
    RunStatusLabel->setText(QStringLiteral("Running..."));
    FRunThread = MakeThread(FHandOver, std::move(sinks));
    connect(
        FRunThread.get(), &QThread::finished, this, [this] { OnRunThreadFinished(); },
        Qt::QueuedConnection);
    FRunThread->start();
}

void TRVMainForm::OnRunThreadFinished()
{
    if (!FRunThread)
        return;
    std::unique_ptr<TRVThread> thread = std::move(FRunThread);
    thread->wait();
    thread->WriteBackLogins(FFTPConnList);
    const bool startResult = FRunIsStartProject
                             && static_cast<TStartProjectThread &>(*thread).StartProjectResult();
    thread.reset();
    FHandOver.reset();
    RunStatusLabel->clear();
    if (FRunIsStartProject)
        OnStartProjectCompleted(startResult);
    else
        OnCopyFilesCompleted();
    if (OnRunFinished)
        OnRunFinished();
}

void TRVMainForm::OnCopyFilesCompleted()
{
    CopyFilesButton->setEnabled(true);
}

void TRVMainForm::OnStartProjectCompleted(bool StartProjectResult)
{
    CopyFilesButton->setEnabled(true);
    if (StartProjectResult && HasCloseArgument(FArguments))
        CloseButton->click();
}

void TRVMainForm::StopRun()
{
    if (!FRunThread)
        return;
    // Lines still to come are dropped and a password request is answered with Cancel, so the
    // run ends without the window; its copies are its own.
    FHandOver->Abort();
    FRunThread->wait();
    FRunThread->WriteBackLogins(FFTPConnList);
    FRunThread.reset();
    FHandOver.reset();
}

void TRVMainForm::LogMsg(const QString &AMsg)
{
    // A message of several lines gives several log lines; empty lines are never shown.
    QStringList lines = AMsg.split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n")));
    lines.removeAll(QString());
    if (lines.isEmpty())
        return;
    LogMemo->appendPlainText(lines.join(QLatin1Char('\n')));
    LogMemo->moveCursor(QTextCursor::End);
    LogMemo->verticalScrollBar()->setValue(LogMemo->verticalScrollBar()->maximum());
}

void TRVMainForm::ClearLog()
{
    LogMemo->clear();
}

void TRVMainForm::UpdateRunStatus(const TRunEvent &Event)
{
    switch (Event.Kind) {
    case TRunEventKind::ProjectStarted:
        FRunProjectName = Event.Project;
        FRunFilesHandled = 0;
        break;
    case TRunEventKind::FileCopied:
    case TRunEventKind::FileReplaced:
    case TRunEventKind::FileExisted:
    case TRunEventKind::FileSkipped:
    case TRunEventKind::FileFailed:
        ++FRunFilesHandled;
        break;
    default:
        return;
    }
    RunStatusLabel->setText(QStringLiteral("Running ") + LineQuote + FRunProjectName + LineQuote
                            + QStringLiteral(": %1 file(s) handled.").arg(FRunFilesHandled));
}
