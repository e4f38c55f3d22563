#pragma once

#include "runlog/RunLog.h"

// The run log an FTP session reports through, which can be pointed elsewhere for a while: the
// lines of an upload that the run's own session makes among others belong with that upload.
class TSessionLog : public TRunLog
{
public:
    explicit TSessionLog(TRunLog &to) : FTo(&to) {}
    void SetTarget(TRunLog &to) { FTo = &to; }
    TRunLog &Target() const { return *FTo; }

    void Log(const QString &msg) override { FTo->Log(msg); }
    void LogError(const QString &line) override { FTo->LogError(line); }
    void Event(const TRunEvent &event) override { FTo->Event(event); }
    bool StopRequested() const override { return FTo->StopRequested(); }
    int StopDescriptor() const override { return FTo->StopDescriptor(); }
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override
    {
        return FTo->AskPassword(host, user, rememberPassword, password);
    }
    bool AskTrustCertificate(const TCertificateInfo &info) override
    {
        return FTo->AskTrustCertificate(info);
    }

private:
    TRunLog *FTo;
};
