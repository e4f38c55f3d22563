#include "engine/ParallelUploads.h"

#include "engine/KeptSession.h"
#include "ftp/FTPSession.h"
#include "settings/AsciiText.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <utility>

struct TParallelUploads::TJob
{
    QString Source;
    QString Remote;
    // Remote with a-z upper-cased: the path as the server's names compare.
    QString Upper;
    TCopyDone Done;
    std::shared_ptr<TOrderedRunLog::TPlace> Place;
    enum class TState { Queued, Running, Ended } State = TState::Queued;
    std::exception_ptr Error;
    // What the session logged while it made the upload, in order.
    struct TLine
    {
        bool IsEvent = false;
        QString Text;
        TRunEvent Event;
    };
    std::vector<TLine> Lines;
    // The source's size and time when the upload began, for the primary's view of the folder.
    qint64 Size = 0;
    TDateTime Time = 0;
    bool Told = false;
};

// The run log of a session while it makes one upload: lines and events are kept with the job;
// a stop asked of the run is seen at once.
class TParallelUploads::TJobLog : public TRunLog
{
public:
    explicit TJobLog(TRunLog &run) : FRun(run) {}
    void SetJob(TJob *job) { FJob = job; }
    void Log(const QString &msg) override { lines().push_back({false, msg, {}}); }
    void Event(const TRunEvent &event) override { lines().push_back({true, {}, event}); }
    bool StopRequested() const override { return FRun.StopRequested(); }
    int StopDescriptor() const override { return FRun.StopDescriptor(); }
    // The certificate store lets one connection at a time ask.
    bool AskTrustCertificate(const TCertificateInfo &info) override
    {
        return FRun.AskTrustCertificate(info);
    }
    // What the session logged outside any upload (while it logged in), taken away.
    std::vector<TJob::TLine> TakeLoose() { return std::exchange(FLoose, {}); }

private:
    std::vector<TJob::TLine> &lines() { return FJob ? FJob->Lines : FLoose; }

    TRunLog &FRun;
    TJob *FJob = nullptr;
    std::vector<TJob::TLine> FLoose;
};

struct TParallelUploads::TTransfer
{
    std::unique_ptr<TJobLog> Log;
    std::unique_ptr<TFTPSession> Session;
    std::thread Thread;
    bool Connected = false;
    // Its login was broken off by a stop.
    bool Stopped = false;
    QString Refusal;
};

namespace {

QString withoutFullStop(QString text)
{
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// The message of a job that failed because its session could not log in again, or empty.
QString loginAgainRefusal(const TParallelUploads::TJob &job)
{
    if (!job.Error)
        return {};
    try {
        std::rethrow_exception(job.Error);
    } catch (const ELoginAgainRefused &error) {
        return error.Message().isEmpty() ? QStringLiteral("no reason given") : error.Message();
    } catch (...) {
        return {};
    }
}

} // namespace

TParallelUploads::TParallelUploads(TFTPSession &primary, TSessionLog &primaryLog, int transfers,
                                   TOrderedRunLog &log)
    : FPrimary(primary), FPrimaryLog(primaryLog), FDirect(primary), FLog(log),
      FPrimaryJobLog(std::make_unique<TJobLog>(log)), FTransfersAsked(transfers)
{}

void TParallelUploads::connectTransfers()
{
    FConnected = true;
    const int transfers = FTransfersAsked;
    TFTPSession &primary = FPrimary;
    TOrderedRunLog &log = FLog;
    std::vector<std::unique_ptr<TTransfer>> asked;
    for (int i = 1; i < transfers; ++i) {
        auto transfer = std::make_unique<TTransfer>();
        transfer->Log = std::make_unique<TJobLog>(log);
        std::unique_ptr<TFTPSession> session = primary.NewTransferSession(*transfer->Log);
        if (!session)
            break;
        // It waits for uploads while the primary walks, longer than some servers let a
        // connection idle.
        transfer->Session = std::make_unique<TKeptSession>(std::move(session));
        asked.push_back(std::move(transfer));
    }
    // All at once: each login costs its round trips.
    std::vector<std::thread> connecting;
    connecting.reserve(asked.size());
    for (const auto &transfer : asked) {
        TTransfer *t = transfer.get();
        connecting.emplace_back([t] {
            try {
                t->Session->Connect();
                t->Connected = true;
            } catch (const ERunStopped &) {
                t->Stopped = true; // not refused: the run goes no further
            } catch (const Exception &error) {
                t->Refusal = error.Message();
            } catch (const std::exception &error) {
                t->Refusal = QString::fromUtf8(error.what());
            }
        });
    }
    for (std::thread &thread : connecting)
        thread.join();
    // What the logins logged (a certificate trusted on first use), in the sessions' order.
    for (const auto &transfer : asked) {
        for (const TJob::TLine &line : transfer->Log->TakeLoose()) {
            if (line.IsEvent)
                FLog.Event(line.Event);
            else
                FLog.Log(line.Text);
        }
    }

    QString refusal;
    int refused = 0;
    for (auto &transfer : asked) {
        if (transfer->Connected) {
            FTransfers.push_back(std::move(transfer));
            continue;
        }
        if (transfer->Stopped)
            continue;
        if (refusal.isEmpty())
            refusal = withoutFullStop(transfer->Refusal.section(QLatin1Char('\n'), 0, 0).trimmed());
        ++refused;
    }
    if (refused > 0) {
        FLog.Log(
            QStringLiteral("The FTP server refused %1 of %2 connections (%3); uploading over %4.")
                .arg(refused)
                .arg(transfers)
                .arg(refusal)
                .arg(transfers - refused));
    }
    FLiveTransfers = int(FTransfers.size());
    for (const auto &transfer : FTransfers) {
        TTransfer *t = transfer.get();
        t->Thread = std::thread([this, t] { transferLoop(*t); });
    }
}

TParallelUploads::~TParallelUploads()
{
    endTransfers();
}

void TParallelUploads::endTransfers()
{
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FEnding = true;
        // Nothing more starts; what runs ends first.
        FQueue.clear();
    }
    FChanged.notify_all();
    for (const auto &transfer : FTransfers) {
        if (transfer->Thread.joinable())
            transfer->Thread.join();
    }
}

void TParallelUploads::Disconnect()
{
    endTransfers();
    for (const auto &transfer : FTransfers)
        transfer->Session->Disconnect();
}

void TParallelUploads::run(TJob &job, TFTPSession &session, TJobLog &log)
{
    log.SetJob(&job);
    try {
        // A stop leaves what has not begun as it is.
        if (log.StopRequested())
            throw ECopyStopped(job.Source);
        const QFileInfo info(job.Source);
        job.Size = info.size();
        const QDateTime modified = info.lastModified();
        job.Time = modified.isValid() ? DateTimeFromQDateTime(modified.toUTC()) : 0.0;
        session.CopyFile(job.Source, job.Remote, false);
    } catch (...) {
        job.Error = std::current_exception();
    }
    log.SetJob(nullptr);
}

void TParallelUploads::transferLoop(TTransfer &transfer)
{
    std::unique_lock<std::mutex> lock(FMutex);
    for (;;) {
        if (!FChanged.wait_for(lock, KeepAliveInterval(),
                               [this] { return FEnding || !FQueue.empty(); })) {
            // Nothing to do for a while: the server hears that the session is still there.
            lock.unlock();
            transfer.Session->KeepAlive();
            lock.lock();
            continue;
        }
        if (FQueue.empty())
            return;
        const std::shared_ptr<TJob> job = FQueue.front();
        FQueue.pop_front();
        job->State = TJob::TState::Running;
        lock.unlock();
        run(*job, *transfer.Session, *transfer.Log);
        const bool lost = !transfer.Session->Connected();
        lock.lock();
        if (QString refusal = loginAgainRefusal(*job); !refusal.isEmpty()) {
            // The server dropped the idle connection and refused a new one: nothing of the
            // upload reached it, so the job goes back to the queue for the others (the primary
            // at the least), and this session ends.
            --FLiveTransfers;
            job->Error = nullptr;
            job->Lines.push_back(
                {false,
                 QStringLiteral("The FTP server refused to log in again (%1); "
                                "uploading over %2.")
                     .arg(withoutFullStop(refusal.section(QLatin1Char('\n'), 0, 0).trimmed()))
                     .arg(FLiveTransfers + 1),
                 {}});
            job->State = TJob::TState::Queued;
            FQueue.push_front(job);
            FChanged.notify_all();
            return;
        }
        job->State = TJob::TState::Ended;
        if (lost) {
            // A session that lost its connection would fail every file it took: the others
            // (and the primary) go on without it.
            --FLiveTransfers;
            FChanged.notify_all();
            return;
        }
        FChanged.notify_all();
    }
}

void TParallelUploads::runOnPrimary(const std::shared_ptr<TJob> &job)
{
    TRunLog &before = FPrimaryLog.Target();
    FPrimaryLog.SetTarget(*FPrimaryJobLog);
    run(*job, FPrimary, *FPrimaryJobLog);
    FPrimaryLog.SetTarget(before);
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        job->State = TJob::TState::Ended;
    }
    FChanged.notify_all();
}

std::shared_ptr<TParallelUploads::TJob> TParallelUploads::takeQueued()
{
    const std::lock_guard<std::mutex> lock(FMutex);
    if (FQueue.empty())
        return nullptr;
    std::shared_ptr<TJob> job = FQueue.front();
    FQueue.pop_front();
    job->State = TJob::TState::Running;
    return job;
}

void TParallelUploads::collect()
{
    std::vector<std::shared_ptr<TJob>> ended;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        for (const std::shared_ptr<TJob> &job : FOpen) {
            if (job->State == TJob::TState::Ended && !job->Told) {
                job->Told = true;
                ended.push_back(job);
            }
        }
        std::erase_if(FOpen, [](const std::shared_ptr<TJob> &job) { return job->Told; });
    }
    for (const std::shared_ptr<TJob> &job : ended) {
        if (!job->Error) {
            FPrimary.NoteUploaded(job->Remote, job->Size, job->Time);
        } else {
            try {
                std::rethrow_exception(job->Error);
            } catch (const ECopyStopped &) {
                // Not begun, or broken off with the target as it was.
            } catch (...) {
                FPrimary.ForgetFolder(
                    job->Remote.left(job->Remote.lastIndexOf(QLatin1Char('/')) + 1));
            }
        }
        FLog.Fill(job->Place, [this, job] {
            for (const TJob::TLine &line : job->Lines) {
                if (line.IsEvent)
                    FLog.Event(line.Event);
                else
                    FLog.Log(line.Text);
            }
            job->Done(job->Error);
        });
    }
}

void TParallelUploads::waitFor(const std::shared_ptr<TJob> &job)
{
    for (;;) {
        std::unique_lock<std::mutex> lock(FMutex);
        if (job->State == TJob::TState::Ended)
            return;
        if (job->State == TJob::TState::Queued) {
            // Nobody took it yet: the primary makes it now.
            FQueue.erase(std::find(FQueue.begin(), FQueue.end(), job));
            job->State = TJob::TState::Running;
            lock.unlock();
            runOnPrimary(job);
            return;
        }
        if (!FChanged.wait_for(lock, KeepAliveInterval(),
                               [&job] { return job->State != TJob::TState::Running; })) {
            lock.unlock();
            FPrimary.KeepAlive();
        }
    }
}

void TParallelUploads::waitForPath(const QString &upper)
{
    std::vector<std::shared_ptr<TJob>> same;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        for (const std::shared_ptr<TJob> &job : FOpen) {
            if (job->Upper == upper)
                same.push_back(job);
        }
    }
    for (const std::shared_ptr<TJob> &job : same)
        waitFor(job);
    collect();
}

TOutputFacts TParallelUploads::FileFacts(const QString &fileName, bool withAge)
{
    waitForPath(AsciiUpper(ToFTPPath(fileName)));
    return FDirect.FileFacts(fileName, withAge);
}

void TParallelUploads::MakeFolder(const QString &dir)
{
    waitForPath(AsciiUpper(ToFTPPath(dir)));
    FDirect.MakeFolder(dir);
}

void TParallelUploads::CopyFileThen(const QString &source, const QString &target,
                                    const TCopyDone &done)
{
    // The other sessions log in when the first upload comes: a run that finds everything in
    // place needs none of them.
    if (!FConnected)
        connectTransfers();
    collect();
    auto job = std::make_shared<TJob>();
    job->Source = source;
    job->Remote = ToFTPPath(target);
    job->Upper = AsciiUpper(job->Remote);
    job->Done = done;
    job->Place = FLog.Reserve();
    bool primaryTakesOne = false;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FQueue.push_back(job);
        FOpen.push_back(job);
        // More waiting than the other sessions can take next: the primary makes one itself.
        primaryTakesOne = int(FQueue.size()) > FLiveTransfers;
    }
    FChanged.notify_all();
    if (primaryTakesOne) {
        if (const std::shared_ptr<TJob> mine = takeQueued())
            runOnPrimary(mine);
        collect();
    }
}

void TParallelUploads::CopyFile(const QString &source, const QString &target)
{
    std::exception_ptr error;
    CopyFileThen(source, target, [&error](std::exception_ptr e) { error = e; });
    Finish();
    if (error)
        std::rethrow_exception(error);
}

void TParallelUploads::Finish()
{
    for (;;) {
        collect();
        std::shared_ptr<TJob> mine;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            if (FOpen.empty())
                return;
            if (FQueue.empty()) {
                const bool changed = FChanged.wait_for(lock, KeepAliveInterval(), [this] {
                    return !FQueue.empty()
                           || std::any_of(FOpen.begin(), FOpen.end(), [](const auto &job) {
                                  return job->State == TJob::TState::Ended;
                              });
                });
                if (!changed) {
                    // The primary waits for the others' uploads; the server hears from it.
                    lock.unlock();
                    FPrimary.KeepAlive();
                }
                continue;
            }
            mine = FQueue.front();
            FQueue.pop_front();
            mine->State = TJob::TState::Running;
        }
        runOnPrimary(mine);
    }
}
