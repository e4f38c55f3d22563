#pragma once

#include "settings/FileDescriptor.h"

#include <QString>

// A claim on a settings file, so that two windows never write the same file over each other.
// It is a flock(2) on "NAME.lock" beside the settings file (the settings file itself is replaced
// by rename when saved, so it cannot carry the lock), held while the object lives; the system
// releases it when the process ends, however it ends, so a crashed program leaves nothing
// stuck.
class TSettingsLock
{
public:
    // Tries to take the lock at once; never waits.
    explicit TSettingsLock(const QString &SettingsPath);

    // False only when another holder has the lock. A lock file that cannot be made (a folder
    // without write permission) does not count as held by another: whoever cannot make it
    // cannot save the settings there either.
    bool Held() const { return !FTakenByOther; }

    static QString LockPath(const QString &SettingsPath);

private:
    TFd FFd;
    bool FTakenByOther = false;
};
