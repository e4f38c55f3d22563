#pragma once

#include "ftp/FTPConnUnit.h"
#include "projects/CopyProjectUnit.h"
#include "runlog/RunLog.h"
#include "runlog/StopRequest.h"

#include <QString>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

class TRunFeed;
class TRunHandOver;

// Where a run's log lines, events and questions end up: lines and events in the feed the GUI
// thread takes them from, password and certificate questions on the GUI thread itself.
struct TRunSinks
{
    std::shared_ptr<TRunFeed> Feed;
    std::function<bool(const QString &Host, const QString &User, bool &RememberPassword,
                       QString &Password)>
        AskPassword;
    std::function<bool(const TCertificateInfo &Info)> AskTrustCertificate;
};

// The worker thread of one run, and its run log: lines and events go to the feed, and the
// worker goes on; a password request is handed to the GUI thread and the worker waits for the
// answer. The run works on
// its own copies of the projects and saved connections taken when it was created.
class TRVThread : public QThread, public TRunLog
{
public:
    TRVThread(std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks,
              const TFTPConnList &Connections);
    ~TRVThread() override;

    void Log(const QString &AMsg) override;
    void Event(const TRunEvent &event) override;
    bool StopRequested() const override { return FStop.Requested(); }
    // Wakes the run's waits on the network at once.
    int StopDescriptor() const override { return FStop.Descriptor(); }
    // Asks the run to stop (a file in progress is finished or abandoned whole, a wait for a
    // server ends within a moment); any thread.
    void RequestStop() { FStop.Request(); }
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override;
    // Handed to the GUI thread as a password request is; a window that closed answers no.
    bool AskTrustCertificate(const TCertificateInfo &info) override;

    // What logins of this run changed in its copy of the connections (LoggedIn,
    // RememberPassword, Password) is written to the connection of the same name in Saved;
    // fields the run left alone keep what the user may have edited meanwhile. GUI thread,
    // after the run has ended.
    void WriteBackLogins(TFTPConnList &Saved) const;

protected:
    void run() override;
    // The run's work, on the worker thread.
    virtual void Execute() = 0;

    TFTPConnList FConnections;

private:
    std::shared_ptr<TRunHandOver> FHandOver;
    TRunSinks FSinks;
    TStopRequest FStop;
    TFTPConnList FStartConnections;
};

// "Copy Files": the checked projects among the visible ones.
class TCopyFilesThread : public TRVThread
{
public:
    // With Preview, nothing is written (see CopyFiles).
    TCopyFilesThread(std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks,
                     const TFTPConnList &Connections, std::vector<TCopyProject> VisibleProjects,
                     QString OutDir, bool Preview = false);

protected:
    void Execute() override;

private:
    std::vector<TCopyProject> FVisibleProjects;
    QString FOutDir;
    bool FPreview;
};

// A run of the projects named on the command line.
class TStartProjectThread : public TRVThread
{
public:
    TStartProjectThread(std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks,
                        const TFTPConnList &Connections, std::vector<TCopyProject> AllProjects,
                        QString OutDir, QString AProjectName);

    // The run's result; read after the thread has finished.
    bool StartProjectResult() const { return FStartProjectResult; }

protected:
    void Execute() override;

private:
    std::vector<TCopyProject> FAllProjects;
    QString FOutDir;
    QString FProjectName;
    bool FStartProjectResult = false;
};
