#include "settings/DateTime.h"

#include <QTimeZone>

#include <cmath>

namespace {
const QDate kDayZero(1899, 12, 30);
constexpr qint64 kMsPerDay = 86400000;
} // namespace

TDateTime DateTimeFromQDateTime(const QDateTime &value)
{
    if (!value.isValid())
        return 0.0;
    const qint64 days = kDayZero.daysTo(value.date());
    const qint64 ms = value.time().msecsSinceStartOfDay();
    // Before day 0 the fraction counts away from zero (the day count's own convention):
    // -1.25 is 1899-12-29 06:00.
    if (days < 0)
        return double(days) - double(ms) / double(kMsPerDay);
    return double(days) + double(ms) / double(kMsPerDay);
}

QDateTime QDateTimeFromDateTime(TDateTime value, Qt::TimeSpec timeSpec)
{
    if (!std::isfinite(value))
        return QDateTime();
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    qint64 ms = qint64(std::llround(fraction * double(kMsPerDay)));
    qint64 days = qint64(whole);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += value < 0 ? -1 : 1;
    }
    const QDate date = kDayZero.addDays(days);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(ms));
    if (timeSpec == Qt::UTC)
        return QDateTime(date, time, QTimeZone::utc());
    return QDateTime(date, time);
}

TDateTime Now()
{
    return DateTimeFromQDateTime(QDateTime::currentDateTime());
}

TDateTime UtcDateTimeFromUnix(qint64 seconds)
{
    if (seconds < 0)
        return DateTimeFromQDateTime(QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()));
    // The same value DateTimeFromQDateTime gives, without building a QDateTime per file.
    return double(seconds / 86400) + kUnixEpochDays + double(seconds % 86400) / 86400.0;
}

qint64 UnixMsFromUtcDateTime(TDateTime utc)
{
    const QDateTime when = QDateTimeFromDateTime(utc, Qt::UTC);
    return when.isValid() ? when.toMSecsSinceEpoch() : 0;
}
