#pragma once

#include "settings/DateTime.h"
#include "settings/Exception.h"

#include <QString>

#include <exception>
#include <functional>

// The path with every local separator turned into "/", the remote separator.
QString ToFTPPath(const QString &path);

// What the output side knows of one output path.
struct TOutputFacts
{
    // A file (not a folder) stands at the path.
    bool Exists = false;
    // Its last-write time as a UTC date-time (an instant); only meaningful when the time was
    // asked for.
    TDateTime Age = 0;
    // How exact Age is, in seconds: a remote listing may give only the minute or the day.
    int AgePrecision = 1;

    // Whether the file is older than a source file of the given UTC time. The source time is cut
    // to the precision of Age first, or every unchanged file would look older than its source;
    // equal times count as not older.
    bool IsOlderThan(TDateTime sourceAge) const;
};

// A file or folder the output side could not make, worded as the whole log line that says so.
class EOutputError : public Exception
{
public:
    explicit EOutputError(const QString &line) : Exception(line, "EOutputError") {}
};

// Where the files of a copy project go: the local file system (TLocalOutput) or one FTP server
// (TFTPOutput). Paths are the walk's output paths, with local separators.
//
// Every operation reports a failure in one way: it raises. EOutputError carries a failure the
// output side words itself; any other Exception is an error from below (a server's refusal, a
// lost connection) and is logged as such. Either ends the handling of the current file only.
class TOutputSide
{
public:
    virtual ~TOutputSide() = default;

    // Looks at an output path: whether a file stands there and, with withAge, its time.
    virtual TOutputFacts FileFacts(const QString &fileName, bool withAge) = 0;
    // Makes the output folder of the next files exist. An empty path names no folder and raises
    // Exception "Unable to create directory".
    virtual void MakeFolder(const QString &dir) = 0;
    // Copies a local file to an output path, replacing what stands there, and gives the copy
    // the source's time. A copy broken off because the run was asked to stop raises
    // ECopyStopped (runlog/RunLog.h) and leaves the output path as it was: that is no error.
    virtual void CopyFile(const QString &source, const QString &target) = 0;
    // CopyFile, its outcome told to done (no error, or what CopyFile would have raised) rather
    // than raised. An output side that copies in the background may call done later, but does
    // so in the order of the calls, on the caller's thread, at the latest in Finish.
    using TCopyDone = std::function<void(std::exception_ptr error)>;
    virtual void CopyFileThen(const QString &source, const QString &target, const TCopyDone &done)
    {
        try {
            CopyFile(source, target);
        } catch (...) {
            done(std::current_exception());
            return;
        }
        done(nullptr);
    }
    // Waits for every copy still under way and tells its outcome.
    virtual void Finish() {}
    // Whether the output paths are paths of the local file system, which the sources are read
    // from: only then can the output folder lie inside a source folder.
    virtual bool IsLocal() const = 0;
};
