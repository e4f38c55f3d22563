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
