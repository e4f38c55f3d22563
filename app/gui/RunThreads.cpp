#include "app/gui/RunThreads.h"

#include "app/gui/RunFeed.h"
#include "app/gui/RunHandOver.h"
#include "engine/RunLoops.h"

#include <exception>

TRVThread::TRVThread(std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks,
                     const TFTPConnList &Connections)
    : FHandOver(std::move(HandOver)), FSinks(std::move(Sinks))
{
    FConnections.Assign(Connections);
    FStartConnections.Assign(Connections);
}

TRVThread::~TRVThread()
{
    // The owner aborts the hand-over and waits before destroying a running thread.
    wait();
}

void TRVThread::run()
{
    try {
        Execute();
    } catch (const std::exception &error) {
        // The run loops log their own errors; this only keeps an unexpected one from ending
        // the program.
        LogException(error);
    }
}

void TRVThread::Log(const QString &AMsg)
{
    if (FSinks.Feed)
        FSinks.Feed->PushLine(AMsg);
}

void TRVThread::Event(const TRunEvent &event)
{
    if (FSinks.Feed)
        FSinks.Feed->PushEvent(event);
}

bool TRVThread::AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                            QString &password)
{
    const auto &sink = FSinks.AskPassword;
    if (!sink)
        return TRunLog::AskPassword(host, user, rememberPassword, password);
    bool answer = false;
    bool remember = rememberPassword;
    QString typed;
    if (!FHandOver->Run([&] { answer = sink(host, user, remember, typed); }))
        answer = false; // the window closed: as Cancel
    if (answer)
        rememberPassword = remember;
    password = answer ? typed : QString();
    return answer;
}

bool TRVThread::AskTrustCertificate(const TCertificateInfo &info)
{
    const auto &sink = FSinks.AskTrustCertificate;
    if (!sink)
        return TRunLog::AskTrustCertificate(info);
    bool answer = false;
    if (!FHandOver->Run([&] { answer = sink(info); }))
        answer = false; // the window closed: as Cancel
    return answer;
}

void TRVThread::WriteBackLogins(TFTPConnList &Saved) const
{
    for (int i = 0; i < FConnections.Count() && i < FStartConnections.Count(); ++i) {
        const TFTPConnection *now = FConnections.GetConnection(i);
        const TFTPConnection *before = FStartConnections.GetConnection(i);
        TFTPConnection *saved = Saved.FindConnection(before->ConnName());
        if (!saved)
            continue;
        if (now->LoggedIn() != before->LoggedIn())
            saved->SetLoggedIn(now->LoggedIn());
        if (now->RememberPassword() != before->RememberPassword())
            saved->SetRememberPassword(now->RememberPassword());
        if (now->Password() != before->Password())
            saved->SetPassword(now->Password());
    }
}

TCopyFilesThread::TCopyFilesThread(std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks,
                                   const TFTPConnList &Connections,
                                   std::vector<TCopyProject> VisibleProjects, QString OutDir,
                                   bool Preview)
    : TRVThread(std::move(HandOver), std::move(Sinks), Connections),
      FVisibleProjects(std::move(VisibleProjects)), FOutDir(std::move(OutDir)), FPreview(Preview)
{}

void TCopyFilesThread::Execute()
{
    CopyFiles(FVisibleProjects, FOutDir, FConnections, *this, nullptr, FPreview);
}

TStartProjectThread::TStartProjectThread(std::shared_ptr<TRunHandOver> HandOver, TRunSinks Sinks,
                                         const TFTPConnList &Connections,
                                         std::vector<TCopyProject> AllProjects, QString OutDir,
                                         QString AProjectName)
    : TRVThread(std::move(HandOver), std::move(Sinks), Connections),
      FAllProjects(std::move(AllProjects)), FOutDir(std::move(OutDir)),
      FProjectName(std::move(AProjectName))
{}

void TStartProjectThread::Execute()
{
    FStartProjectResult = StartProject(FProjectName, FAllProjects, FOutDir, FConnections, *this);
}
