#pragma once

#include "runlog/RunLog.h"
#include "runlog/StopRequest.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <utility>

// The run logs that tests hand to runs and sessions.

// A run log that drops every line.
class SilentLog : public TRunLog
{
public:
    void Log(const QString &) override {}
};

// A run log that keeps every line; a password question is cancelled, as TRunLog does.
class RecordingLog : public TRunLog
{
public:
    void Log(const QString &msg) override { Lines.append(msg); }
    // The lines, one a line, for failure messages.
    QString Text() const { return Lines.join(QLatin1Char('\n')); }
    QStringList Lines;
};

// A RecordingLog that answers the password question as told (OK with AnswerPassword unless
// AnswerOk is false) and records how it was asked.
class AnsweringLog : public RecordingLog
{
public:
    bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                     QString &password) override;

    int Asked = 0;
    // "<host> <user>" of the last question, and the "Remember password" it offered.
    QString AskedFor;
    bool OfferedRemember = false;
    bool AnswerOk = true;
    bool AnswerRemember = false;
    QString AnswerPassword;
};

// A RecordingLog that asks to stop once the copy of the file named as told has begun (its
// "Copy: " line came, as a user pressing Stop while it goes), or from the start with
// StopAlways. Records the events of files and errors as "<kind number> <name>: <message>", and
// the run's end.
class StopDuringLog : public RecordingLog
{
public:
    explicit StopDuringLog(QString name = QString()) : FName(std::move(name)) {}
    void Log(const QString &msg) override;
    void Event(const TRunEvent &event) override;
    bool StopRequested() const override { return StopAlways || FStop.Requested(); }
    // Asked once the file has begun, the stop also cuts the waits on the network short, as a
    // user's Stop does.
    int StopDescriptor() const override { return FStop.Descriptor(); }

    QStringList Events;
    TRunEvent Ended;
    std::atomic<bool> StopAlways{false};

private:
    QString FName;
    TStopRequest FStop;
};
