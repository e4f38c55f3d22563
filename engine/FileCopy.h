#pragma once

#include <QString>

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
