#pragma once

#include "engine/FTPOutput.h"
#include "engine/OrderedRunLog.h"
#include "engine/OutputSide.h"
#include "engine/SessionLog.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TFTPSession;

// The output side of an FTP project that uploads over several connections at once. The run's
// own session (the primary) looks up, makes folders and so takes every decision, in the walk's
// order; the uploads go to a queue that the other sessions work off, and the primary too while
// the queue is longer than the others can take. A look-up of a path waits until an upload to
// that path has ended, so every decision sees what a run on one connection would have seen; the
// outcomes are told through the ordered log in the order the uploads were asked for, with the
// lines their sessions logged.
//
// The other sessions log in with the first upload, all at once; a server that refuses some of
// them (too many connections) leaves the run going on the ones it took, said in one log line.
// While they wait for uploads (and the primary for theirs) the sessions send a NOOP now and then
// (KeepAliveInterval), and a session whose connection the server closed meanwhile logs in again
// before its next upload (TKeptSession); one that is refused then hands the upload back to the
// queue, said in one log line.
class TParallelUploads : public TOutputSide
{
public:
    // primary: connected, reporting through primaryLog (pointed at each upload's own lines
    // while it makes one); transfers: how many sessions upload at once, the primary included.
    TParallelUploads(TFTPSession &primary, TSessionLog &primaryLog, int transfers,
                     TOrderedRunLog &log);
    // Ends the other sessions' threads; an upload under way ends first.
    ~TParallelUploads() override;
    TParallelUploads(const TParallelUploads &) = delete;
    TParallelUploads &operator=(const TParallelUploads &) = delete;

    TOutputFacts FileFacts(const QString &fileName, bool withAge) override;
    void MakeFolder(const QString &dir) override;
    void CopyFile(const QString &source, const QString &target) override;
    void CopyFileThen(const QString &source, const QString &target, const TCopyDone &done) override;
    void Finish() override;
    bool IsLocal() const override { return false; }

    // Ends the other sessions politely (QUIT), as a stopped run ends the primary's.
    void Disconnect();

    struct TJob;
    class TJobLog;
    struct TTransfer;

private:
    // Logs the other sessions in and starts their threads.
    void connectTransfers();
    // Lets the other sessions' threads end (an upload under way first).
    void endTransfers();
    void transferLoop(TTransfer &transfer);
    // Runs one job on a session (on the caller's thread).
    void run(TJob &job, TFTPSession &session, TJobLog &log);
    // Tells the outcomes of the ended jobs (to the ordered log, which keeps their order) and
    // what they did to the primary's view of the server.
    void collect();
    // Waits for the job to end, running queued jobs on the primary meanwhile.
    void waitFor(const std::shared_ptr<TJob> &job);
    // Waits for every job still under way to the path (upper-cased remote path).
    void waitForPath(const QString &upper);
    // The oldest queued job, taken off the queue, or none.
    std::shared_ptr<TJob> takeQueued();

    // Runs a job on the primary.
    void runOnPrimary(const std::shared_ptr<TJob> &job);

    TFTPSession &FPrimary;
    TSessionLog &FPrimaryLog;
    TFTPOutput FDirect;
    TOrderedRunLog &FLog;
    std::unique_ptr<TJobLog> FPrimaryJobLog;
    std::vector<std::unique_ptr<TTransfer>> FTransfers;

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    // Jobs not started yet, oldest first.
    std::deque<std::shared_ptr<TJob>> FQueue;
    // Jobs whose outcome is not told yet, in the order they were asked for.
    std::deque<std::shared_ptr<TJob>> FOpen;
    int FLiveTransfers = 0;
    bool FEnding = false;
    const int FTransfersAsked;
    bool FConnected = false;
};
