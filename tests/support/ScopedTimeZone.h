#pragma once

#include <QByteArray>

// Sets the process's time zone (TZ) for a scope, so that time-dependent code can be tried in a
// zone with daylight saving time, where converting with "the current offset" instead of the
// offset in force at an instant, or comparing local readings, shows. Child processes started
// in the scope (test servers) inherit the zone.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    QByteArray FSaved;
    bool FHad;
};
