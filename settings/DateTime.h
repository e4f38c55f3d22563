#pragma once

#include <QDateTime>

// The program's date-time: a floating day count with day 0 at 1899-12-30 00:00 and the
// fraction as the time of day. It carries no time zone; the program keeps local times in it.
using TDateTime = double;

// Whole days between 1899-12-30 and 1970-01-01.
inline constexpr double kUnixEpochDays = 25569.0;

// A QDateTime's wall-clock reading (in its own time zone setting) as a day count, milliseconds
// kept.
TDateTime DateTimeFromQDateTime(const QDateTime &value);
// A day count as a wall-clock reading in the given time zone setting (Qt::LocalTime by default).
QDateTime QDateTimeFromDateTime(TDateTime value, Qt::TimeSpec timeSpec = Qt::LocalTime);
// The current local date-time.
TDateTime Now();

// Instants. File times are compared and converted as UTC date-times: a day count read in UTC,
// which names one instant, where a local reading is ambiguous in the hour that repeats when
// daylight saving ends.

// Whole seconds since 1970-01-01 00:00 UTC as a UTC date-time.
TDateTime UtcDateTimeFromUnix(qint64 seconds);
// A UTC date-time as whole milliseconds since 1970-01-01 00:00 UTC.
qint64 UnixMsFromUtcDateTime(TDateTime utc);
