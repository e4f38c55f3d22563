#pragma once

#include "runlog/RunLog.h"

#include <QString>

#include <deque>
#include <functional>
#include <memory>

// The run log of a walk whose copies end later than they start (several connections upload at
// once): what is logged after a copy whose outcome is not known yet waits until that outcome
// was told, so that lines and events come out in the order of a run that waits for each copy.
// Used from the run's thread only; the outcomes come to it from there too (TParallelUploads).
class TOrderedRunLog : public TRunLog
{
public:
    explicit TOrderedRunLog(TRunLog &log) : FLog(log) {}

    void Log(const QString &msg) override;
    void Event(const TRunEvent &event) override;
    bool StopRequested() const override { return FLog.StopRequested(); }
    int StopDescriptor() const override { return FLog.StopDescriptor(); }
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override;
    bool AskTrustCertificate(const TCertificateInfo &info) override;

    // A place in the order for an outcome told later: what is logged from now on waits for it.
    // Fill gives the place its telling, which runs (logging through this log, straight on) once
    // everything before it has come out.
    class TPlace;
    std::shared_ptr<TPlace> Reserve();
    void Fill(const std::shared_ptr<TPlace> &place, std::function<void()> tell);
    // Whether anything waits.
    bool Holding() const { return !FHeld.empty(); }

private:
    // One thing held back: a line, an event, or a place.
    struct THeld
    {
        enum class TKind { Line, Event, Place } Kind;
        QString Line;
        TRunEvent Event;
        std::shared_ptr<TPlace> Place;
    };
    // Lets out what is held, up to the first place not filled yet.
    void release();

    TRunLog &FLog;
    std::deque<THeld> FHeld;
};

class TOrderedRunLog::TPlace
{
    friend class TOrderedRunLog;
    std::function<void()> FTell;
    bool FFilled = false;
};
