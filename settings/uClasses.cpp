#include "settings/uClasses.h"

#include "settings/Exception.h"

#include <QDate>

#include <cmath>
#include <limits>

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kSecsPerDay = 86400;
constexpr int64_t kUnixEpochDay = 25569;
// Day counts beyond this are no dates any calendar here can hold; clamping keeps the
// arithmetic below inside 64 bits.
constexpr double kMaxDays = 1e13;

class EConvertError : public Exception
{
public:
    explicit EConvertError(const QString &message) : Exception(message, "EConvertError") {}
};

template <typename T>
bool ParseDecimal(const QString &S, T &Value)
{
    qsizetype i = 0;
    const qsizetype n = S.size();
    bool negative = false;
    if (i < n && (S[i] == QLatin1Char('-') || S[i] == QLatin1Char('+'))) {
        negative = S[i] == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        return false;
    // Accumulate toward the sign so that the minimum value parses without overflow.
    T result = 0;
    for (; i < n; ++i) {
        const char16_t c = S[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        const T digit = T(c - u'0');
        if (negative) {
            if (result < (std::numeric_limits<T>::min() + digit) / 10)
                return false;
            result = T(result * 10 - digit);
        } else {
            if (result > (std::numeric_limits<T>::max() - digit) / 10)
                return false;
            result = T(result * 10 + digit);
        }
    }
    Value = result;
    return true;
}

// Splits a day count into whole days and milliseconds of the day (rounded to whole
// milliseconds; before day 0 the fraction still counts forward from that day's midnight).
void SplitDateTime(TDateTime Value, int64_t &Days, int64_t &Ms)
{
    if (!std::isfinite(Value))
        Value = 0.0;
    if (Value > kMaxDays)
        Value = kMaxDays;
    if (Value < -kMaxDays)
        Value = -kMaxDays;
    const double whole = std::trunc(Value);
    Days = int64_t(whole);
    Ms = std::llround(std::fabs(Value - whole) * double(kMsPerDay));
    if (Ms >= kMsPerDay) {
        Ms -= kMsPerDay;
        Days += Value < 0 ? -1 : 1;
    }
}

TDateTime MakeDateTime(int64_t Days, int64_t Ms)
{
    if (Days < 0)
        return double(Days) - double(Ms) / double(kMsPerDay);
    return double(Days) + double(Ms) / double(kMsPerDay);
}

} // namespace

bool TryStrToInt(const QString &S, int32_t &Value)
{
    return ParseDecimal<int32_t>(S, Value);
}

bool TryStrToInt64(const QString &S, int64_t &Value)
{
    return ParseDecimal<int64_t>(S, Value);
}

int64_t DateTimeToUnix(TDateTime Value)
{
    int64_t days = 0;
    int64_t ms = 0;
    SplitDateTime(Value, days, ms);
    const int64_t total = (days - kUnixEpochDay) * kMsPerDay + ms;
    return total / 1000; // toward zero
}

TDateTime UnixToDateTime(int64_t Seconds)
{
    int64_t days = Seconds / kSecsPerDay;
    int64_t secs = Seconds % kSecsPerDay;
    if (secs < 0) {
        secs += kSecsPerDay;
        --days;
    }
    return MakeDateTime(days + kUnixEpochDay, secs * 1000);
}

QString GetStringValue(const TStringList &List, const QString &Name)
{
    return List.Values(Name);
}

bool TryGetStringValue(const TStringList &List, const QString &Name, QString &Value)
{
    const int index = List.IndexOfName(Name);
    if (index < 0)
        return false;
    Value = List.ValueFromIndex(index);
    return true;
}

bool ValueExists(const TStringList &List, const QString &Name)
{
    return List.IndexOfName(Name) >= 0;
}

void SetStringValue(TStringList &List, const QString &Name, const QString &Value)
{
    List.SetValue(Name, Value);
}

bool GetBoolValueDef(const TStringList &List, const QString &Name, bool DefValue)
{
    bool value = DefValue;
    TryGetBoolValue(List, Name, value);
    return value;
}

bool TryGetBoolValue(const TStringList &List, const QString &Name, bool &Value)
{
    const QString text = GetStringValue(List, Name);
    if (text == QLatin1String("1")) {
        Value = true;
        return true;
    }
    if (text == QLatin1String("0")) {
        Value = false;
        return true;
    }
    return false;
}

void SetBoolValue(TStringList &List, const QString &Name, bool Value)
{
    SetStringValue(List, Name, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

int32_t GetIntValueDef(const TStringList &List, const QString &Name, int32_t DefValue)
{
    int32_t value = 0;
    return TryStrToInt(GetStringValue(List, Name), value) ? value : DefValue;
}

bool TryGetIntValue(const TStringList &List, const QString &Name, int32_t &Value, int32_t MinValue,
                    int32_t MaxValue)
{
    int32_t value = 0;
    if (!TryStrToInt(GetStringValue(List, Name), value) || value < MinValue || value > MaxValue)
        return false;
    Value = value;
    return true;
}

void SetIntValue(TStringList &List, const QString &Name, int32_t Value)
{
    SetStringValue(List, Name, QString::number(Value));
}

int64_t GetInt64ValueDef(const TStringList &List, const QString &Name, int64_t DefValue)
{
    int64_t value = 0;
    return TryStrToInt64(GetStringValue(List, Name), value) ? value : DefValue;
}

bool TryGetInt64Value(const TStringList &List, const QString &Name, int64_t &Value,
                      int64_t MinValue, int64_t MaxValue)
{
    int64_t value = 0;
    if (!TryStrToInt64(GetStringValue(List, Name), value) || value < MinValue || value > MaxValue)
        return false;
    Value = value;
    return true;
}

void SetInt64Value(TStringList &List, const QString &Name, int64_t Value)
{
    SetStringValue(List, Name, QString::number(qint64(Value)));
}

TDateTime GetDateTimeValueDef(const TStringList &List, const QString &Name, TDateTime DefValue)
{
    TDateTime value = DefValue;
    TryGetDateTimeValue(List, Name, value);
    return value;
}

bool TryGetDateTimeValue(const TStringList &List, const QString &Name, TDateTime &Value)
{
    int64_t seconds = 0;
    if (!TryGetInt64Value(List, Name, seconds, 0, std::numeric_limits<int64_t>::max()))
        return false;
    Value = seconds == 0 ? 0.0 : UnixToDateTime(seconds);
    return true;
}

void SetDateTimeValue(TStringList &List, const QString &Name, TDateTime Value)
{
    // A value that is no number at all is stored as the zero date-time.
    if (Value == 0.0 || !std::isfinite(Value)) {
        SetStringValue(List, Name, QStringLiteral("0"));
        return;
    }
    SetInt64Value(List, Name, DateTimeToUnix(Value));
}

void EncodeDateValue(TStringList &List, const QString &Name, TDateTime Value)
{
    int64_t days = 0;
    int64_t ms = 0;
    SplitDateTime(Value, days, ms);
    const QDate date = QDate(1899, 12, 30).addDays(days);
    SetIntValue(List, Name + QLatin1String("Year"), date.year());
    SetIntValue(List, Name + QLatin1String("Month"), date.month());
    SetIntValue(List, Name + QLatin1String("Day"), date.day());
}

bool TryDecodeDateValue(const TStringList &List, const QString &Name, TDateTime &Value)
{
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    if (!TryGetIntValue(List, Name + QLatin1String("Year"), year, 1, 2147483647))
        return false;
    if (!TryGetIntValue(List, Name + QLatin1String("Month"), month, 1, 12))
        return false;
    if (!TryGetIntValue(List, Name + QLatin1String("Day"), day, 1, 31))
        return false;
    // Years past 9999 are refused outright rather than wrapped to a 16-bit number.
    const QDate date(year, month, day);
    if (year > 9999 || !date.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    Value = double(QDate(1899, 12, 30).daysTo(date));
    return true;
}

TDateTime DecodeDateValueDef(const TStringList &List, const QString &Name, TDateTime DefValue)
{
    TDateTime value = DefValue;
    TryDecodeDateValue(List, Name, value);
    return value;
}

void EncodeTimeValue(TStringList &List, const QString &Name, TDateTime Value)
{
    int64_t days = 0;
    int64_t ms = 0;
    SplitDateTime(Value, days, ms);
    const int64_t seconds = ms / 1000;
    SetIntValue(List, Name + QLatin1String("Hour"), int32_t(seconds / 3600));
    SetIntValue(List, Name + QLatin1String("Minute"), int32_t(seconds / 60 % 60));
    SetIntValue(List, Name + QLatin1String("Second"), int32_t(seconds % 60));
}

bool TryDecodeTimeValue(const TStringList &List, const QString &Name, TDateTime &Value)
{
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    if (!TryGetIntValue(List, Name + QLatin1String("Hour"), hour, 0, 23))
        return false;
    if (!TryGetIntValue(List, Name + QLatin1String("Minute"), minute, 0, 59))
        return false;
    if (!TryGetIntValue(List, Name + QLatin1String("Second"), second, 0, 59))
        return false;
    Value = MakeDateTime(0, (int64_t(hour) * 3600 + minute * 60 + second) * 1000);
    return true;
}

TDateTime DecodeTimeValueDef(const TStringList &List, const QString &Name, TDateTime DefValue)
{
    TDateTime value = DefValue;
    TryDecodeTimeValue(List, Name, value);
    return value;
}
