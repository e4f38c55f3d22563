#pragma once

#include "settings/FileDescriptor.h"

#include <QString>

// Makes read-change-write of a shared file one step among programs: an exclusive flock(2) on
// "NAME.lock" beside the file (the file itself is replaced by rename, so it cannot carry the
// lock), waited for and held while the object lives. The system releases it when the process
// ends, however it ends.
class TFileUpdateLock
{
public:
    explicit TFileUpdateLock(const QString &Path);

    // Empty when the lock is held, else why it could not be taken.
    const QString &Error() const { return FError; }

private:
    TFd FFd;
    QString FError;
};
