#pragma once

#include <QString>

// The clock as the date tags write it, read anew at each call.

// The current local date as "yyyy_mm_dd".
QString CurrentDateTag();
// The current local date and time as "yyyy_mm_dd_hh_nn_ss" (24-hour clock).
QString CurrentDateTimeTag();
// Replaces {Date} and then {DateTime} (any letter case); the clock is read only for a tag that
// occurs.
void ReplaceDateTags(QString &text);
