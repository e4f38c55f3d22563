#pragma once

#include "runlog/CertificateInfo.h"
#include "runlog/RunEvent.h"
#include "settings/Exception.h"

#include <QString>

#include <exception>
#include <functional>

// The run log: the only way the engine and the FTP session talk to whoever started a run.
// The desktop program hands each call to the GUI thread and blocks until it is done; the
// console front-end prints and asks on the terminal; tests record. Implementations must be
// callable from the worker thread that runs the copy.
class TRunLog
{
public:
    virtual ~TRunLog() = default;

    // Appends one line to the log. Returns when the line has been shown (or written).
    virtual void Log(const QString &msg) = 0;

    // Logs one line describing an error (see FormatExceptionLine), and tells it as an Error
    // event.
    void LogException(const std::exception &error);

    // Logs an error line and tells it as an Error event whose Message is the line. Every error
    // line goes through here or LogException, so that each one is followed by exactly one Error
    // event. A log that rewrites its lines (escapes names) rewrites them here too, so that the
    // event's Message is the line as logged.
    virtual void LogError(const QString &line);

    // Tells what happened, beside the lines (see TRunEvent). Ignored unless overridden; called
    // from the worker thread like Log, and in the order of the lines.
    virtual void Event(const TRunEvent &event);

    // Whether whoever started the run asked it to stop (a Stop button, Ctrl-C). The run looks
    // before each file, and while a file is copied between its chunks: a file broken off there
    // is left as it was (see ECopyStopped), then the project's summary is logged, "Stopped."
    // follows and the run ends with the result false. Once true, it must stay true for the rest
    // of the run. Never, unless overridden.
    virtual bool StopRequested() const;

    // A descriptor that turns readable when StopRequested turns true and stays readable (see
    // TStopRequest), so that every wait on the network can watch it and end within a moment
    // of a stop; the wait then raises ERunStopped. -1, unless overridden: such waits end only
    // by themselves. A log that forwards StopRequested forwards this too.
    virtual int StopDescriptor() const;

    // Asks the user for an FTP password: shows host and user with "Remember password" ticked as
    // rememberPassword says. Returns true on OK, with rememberPassword and password holding the
    // answer; false on Cancel (password emptied, rememberPassword unchanged). The default answer,
    // for runs with nobody to ask, is Cancel.
    virtual bool AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                             QString &password);

    // Asks the user whether to trust a server certificate that the system's authorities do not
    // vouch for, on its first use for that host and port (see ftp/CertificateTrust.h). Called
    // from the worker thread; true trusts it and records it. The default answer, for runs with
    // nobody to ask, is true, as ssh does with a host it has not met.
    virtual bool AskTrustCertificate(const TCertificateInfo &info);
};

// Raised where a stop asked of the run (TRunLog::StopRequested) broke off what was under way,
// such as a wait for a server's reply. Not an error: the run ends as stopped ("Stopped."), and
// a file it was handling counts neither as copied nor as failed.
class ERunStopped : public Exception
{
public:
    explicit ERunStopped(const QString &message, const char *className = "ERunStopped")
        : Exception(message, className)
    {}
};

// Raised by a copy that was broken off because a stop was asked (TRunLog::StopRequested):
// nothing of the file reached its target, which is as it was before. Not an error: the walk
// logs "Stopped: <source> was not copied." and counts the file neither as copied nor as failed.
class ECopyStopped : public ERunStopped
{
public:
    explicit ECopyStopped(const QString &source)
        : ERunStopped(QStringLiteral("Stopped: ") + source + QStringLiteral(" was not copied."),
                      "ECopyStopped")
    {}
};

// The text LogException logs: the error's message with a full stop added when it lacks one
// (several lines stay several lines, joined by CR LF); for an empty message, the line
// "Exception <class> in module <program file> at <address>.".
QString FormatExceptionLine(const std::exception &error, const void *address);
