// Copy runs started from the window: "Copy Files", the -start run, the log page and the end of
// a run.
#include "app/gui/AppVersion.h"
#include "app/gui/CommandLine.h"
#include "app/gui/RVMainUnit.h"
#include "app/gui/RunFeed.h"
#include "app/gui/RunHandOver.h"
#include "app/gui/RunProgress.h"
#include "app/gui/RunThreads.h"
#include "app/gui/TrustCertificateDialog.h"
#include "engine/RunSnapshot.h"
#include "ftp/widgets/AskPasswordFormUnit.h"
#include "settings/Exception.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

void TRVMainForm::CopyFilesButtonClick()
{
    StartCopyFiles(false);
}

void TRVMainForm::PreviewButtonClick()
{
    StartCopyFiles(true);
}

void TRVMainForm::StartCopyFiles(bool Preview)
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
    PreviewButton->setEnabled(false);
    FRunIsStartProject = false;
    FRunIsPreview = Preview;
    // The run works on copies taken now, so that the list can change while it goes on.
    auto projects = SnapshotVisibleProjects(FProjects);
    const QString outDir = OutDirEdit->text();
    StartRun([&](std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks) {
        return std::make_unique<TCopyFilesThread>(std::move(HandOver), std::move(Sinks),
                                                  FFTPConnList, std::move(projects), outDir,
                                                  Preview);
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
    PreviewButton->setEnabled(false);
    FRunIsStartProject = true;
    FRunIsPreview = false;
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
    FRunFeed = std::make_shared<TRunFeed>();
    TRunSinks sinks;
    sinks.Feed = FRunFeed;
    sinks.AskPassword = [this](const QString &Host, const QString &User, bool &RememberPassword,
                               QString &Password) {
        // What the run told before it asked is shown before the question.
        DrainRunFeed();
        if (AskPasswordHandler)
            return AskPasswordHandler(Host, User, RememberPassword, Password);
        if (FAskPasswordForm)
            return AskPasswordAnswer(*FAskPasswordForm, Host, User, RememberPassword, Password);
        Password.clear();
        return false;
    };
    sinks.AskTrustCertificate = [this](const TCertificateInfo &Info) {
        DrainRunFeed();
        if (AskTrustCertificateHandler)
            return AskTrustCertificateHandler(Info);
        return AskTrustCertificate(this, Info);
    };
    FRunTally = TRunTally();
    FRunStopAsked = false;
    FRunClock.start();
    RunProgressPanel->ShowTally(FRunTally, FRunIsPreview);
    RunProgressPanel->ShowElapsed(0);
    RunProgressPanel->show();
    RunStatusIcon->hide();
    RunStatusLabel->setText(QStringLiteral("Running..."));
    FRunThread = MakeThread(FHandOver, std::move(sinks));
    connect(
        FRunThread.get(), &QThread::finished, this, [this] { OnRunThreadFinished(); },
        Qt::QueuedConnection);
    FRunThread->start();
    FRunFeedTimer->start();
    StopButton->setEnabled(true);
    StopButton->show();
}

void TRVMainForm::StopButtonClick()
{
    if (!FRunThread)
        return;
    FRunThread->RequestStop();
    FRunStopAsked = true;
    StopButton->setEnabled(false);
    RunStatusLabel->setText(QStringLiteral("Stopping..."));
}

void TRVMainForm::DrainRunFeed()
{
    if (!FRunFeed)
        return;
    if (FRunClock.isValid())
        RunProgressPanel->ShowElapsed(FRunClock.elapsed());
    ShowRunFeedItems(FRunFeed->Take());
}

void TRVMainForm::ShowRunFeedItems(const std::vector<TRunFeedItem> &items)
{
    if (items.empty())
        return;
    // The whole batch goes to the page in one append, and the status is shown once for it: both
    // are seen only when the window paints, after the batch.
    // An Error event comes right after its error line and marks the lines just gathered for it
    // (as many as its message gives), so that the batch still goes in one append. Those that
    // came in the batch before are the last lines on the page.
    QStringList lines;
    QList<bool> errors;
    lines.reserve(qsizetype(items.size()));
    errors.reserve(qsizetype(items.size()));
    qsizetype shownErrorLines = 0;
    bool statusChanged = false;
    for (const TRunFeedItem &item : items) {
        if (item.IsEvent) {
            statusChanged |= CountRunEvent(item.Event);
            if (item.Event.Kind == TRunEventKind::Error) {
                const qsizetype count = SplitLogMessage(item.Event.Message).size();
                const qsizetype gathered = std::min(count, errors.size());
                for (qsizetype i = errors.size() - gathered; i < errors.size(); ++i)
                    errors[i] = true;
                shownErrorLines = std::max(shownErrorLines, count - gathered);
            }
        } else {
            for (const QString &line : SplitLogMessage(item.Line)) {
                lines.append(line);
                errors.append(false);
            }
        }
    }
    LogMemo->MarkLastLines(int(shownErrorLines));
    AppendLogLines(lines, errors);
    if (statusChanged)
        ShowRunStatus();
}

void TRVMainForm::OnRunThreadFinished()
{
    if (!FRunThread)
        return;
    std::unique_ptr<TRVThread> thread = std::move(FRunThread);
    thread->wait();
    FRunFeedTimer->stop();
    DrainRunFeed();
    FRunFeed.reset();
    StopButton->hide();
    thread->WriteBackLogins(FFTPConnList);
    const bool startResult = FRunIsStartProject
                             && static_cast<TStartProjectThread &>(*thread).StartProjectResult();
    thread.reset();
    FHandOver.reset();
    ShowRunSummary();
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
    PreviewButton->setEnabled(true);
}

void TRVMainForm::OnStartProjectCompleted(bool StartProjectResult)
{
    CopyFilesButton->setEnabled(true);
    PreviewButton->setEnabled(true);
    if (StartProjectResult && HasCloseArgument(FArguments))
        CloseButton->click();
}

void TRVMainForm::StopRun()
{
    if (!FRunThread)
        return;
    // The run stops (no file is left half written); lines still to come are dropped and a password
    // request is answered with Cancel, so it ends without the window; its copies are its own.
    FRunThread->RequestStop();
    FHandOver->Abort();
    FRunFeed->Abort();
    FRunFeedTimer->stop();
    FRunThread->wait();
    FRunThread->WriteBackLogins(FFTPConnList);
    FRunThread.reset();
    FHandOver.reset();
    FRunFeed.reset();
    StopButton->hide();
}

void TRVMainForm::LogMsg(const QString &AMsg)
{
    AppendLogLines({AMsg});
}

QStringList TRVMainForm::SplitLogMessage(const QString &Message)
{
    // A message of several lines gives several log lines; empty lines are never shown.
    static const QRegularExpression lineBreak(QStringLiteral("\\r\\n|\\r|\\n"));
    QStringList lines;
    if (Message.contains(QLatin1Char('\r')) || Message.contains(QLatin1Char('\n'))) {
        for (const QString &line : Message.split(lineBreak)) {
            if (!line.isEmpty())
                lines.append(line);
        }
    } else if (!Message.isEmpty()) {
        lines.append(Message);
    }
    return lines;
}

void TRVMainForm::AppendLogLines(const QStringList &Messages)
{
    QStringList lines;
    lines.reserve(Messages.size());
    for (const QString &message : Messages)
        lines.append(SplitLogMessage(message));
    AppendLogLines(lines, QList<bool>(lines.size(), false));
}

void TRVMainForm::AppendLogLines(const QStringList &Lines, const QList<bool> &Errors)
{
    // The view follows the end only while it shows the end: lines scrolled back to stay put.
    LogMemo->AppendLines(Lines, Errors);
}

void TRVMainForm::ClearLog()
{
    LogMemo->ClearLines();
}

void TRVMainForm::UpdateRunStatus(const TRunEvent &Event)
{
    if (CountRunEvent(Event))
        ShowRunStatus();
}

bool TRVMainForm::CountRunEvent(const TRunEvent &Event)
{
    return FRunTally.Count(Event);
}

void TRVMainForm::ShowRunStatus()
{
    RunProgressPanel->ShowTally(FRunTally, FRunIsPreview);
}

void TRVMainForm::ShowRunSummary()
{
    const qint64 elapsed = FRunClock.isValid() ? FRunClock.elapsed() : 0;
    FRunClock.invalidate();
    RunProgressPanel->hide();
    const TRunEnd end = FRunStopAsked   ? TRunEnd::Stopped
                        : FRunIsPreview ? TRunEnd::Preview
                                        : TRunEnd::Done;
    const QString summary = RunSummaryText(FRunTally, elapsed, end);
    RunStatusLabel->setText(summary);
    RunStatusIcon->setVisible(FRunTally.Errors > 0);
    if (!isActiveWindow() && Notify)
        Notify(AppTitle(), summary);
}
