#pragma once

#include <QString>

#include <functional>

// Copies a whole file: contents, permission bits and modification time. The data goes into an
// unnamed file (or, where the file system has none, a hidden temporary one) in the target's
// folder, which becomes the target only once it is complete, so a failure (full disk,
// unreadable or vanished source, no permission) never leaves a truncated target and never
// touches an existing one. With failIfExists set, an existing target is kept and the copy
// fails. Returns true on success; on failure, errorText (when given) receives the reason.
// Paths longer than PATH_MAX are reached through their folders. Hidden temporaries of the same
// target that a writer which is gone (a killed run) left in the folder are removed.
bool CopyFileKeepingTime(const QString &source, const QString &target, bool failIfExists,
                         QString *errorText = nullptr);

// How CopyFileWithOptions ended.
enum class TFileCopyResult {
    Copied,
    Failed,
    // Broken off by StopRequested: no target was made or changed, no temporary is left.
    Stopped,
};

struct TFileCopyOptions
{
    // An existing target is kept and the copy fails.
    bool FailIfExists = false;
    // Asked between chunks of the data (a few MiB each) once the first chunk is written: when
    // it says true, the copy is abandoned before its file becomes the target. A file copied
    // in one chunk always finishes. Never asked when empty.
    std::function<bool()> StopRequested;
    // false: always through a hidden temporary file, as where the file system has no unnamed
    // files.
    bool UnnamedFile = true;
};

// CopyFileKeepingTime with the options above.
TFileCopyResult CopyFileWithOptions(const QString &source, const QString &target,
                                    const TFileCopyOptions &options, QString *errorText = nullptr);
