#include "support/ScopedTimeZone.h"

#include <QtGlobal>

#include <ctime>

ScopedTimeZone::ScopedTimeZone(const char *zone)
    : FSaved(qgetenv("TZ")), FHad(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", zone);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (FHad)
        qputenv("TZ", FSaved);
    else
        qunsetenv("TZ");
    tzset();
}
