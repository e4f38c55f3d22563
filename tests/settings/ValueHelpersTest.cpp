#include "settings/Exception.h"
#include "settings/VHashedStringList.h"
#include "settings/uClasses.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return DateTimeFromQDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), QTimeZone::utc()));
}

class ValueHelpers : public ::testing::Test
{
protected:
    TVHashedStringList list;

    void Store(const QString &name, const QString &text)
    {
        list.SetValue(name, QString());
        if (!text.isNull())
            list.Add(name + QLatin1Char('=') + text);
    }
};

} // namespace

TEST_F(ValueHelpers, StringsExistenceAndRemoval)
{
    list.SetText(QStringLiteral("x=\r\nName=Value=More"));
    QString out = QStringLiteral("untouched");
    EXPECT_TRUE(TryGetStringValue(list, QStringLiteral("X"), out));
    EXPECT_EQ(out, QString());
    out = QStringLiteral("untouched");
    EXPECT_FALSE(TryGetStringValue(list, QStringLiteral("y"), out));
    EXPECT_EQ(out, QStringLiteral("untouched"));
    EXPECT_TRUE(ValueExists(list, QStringLiteral("x")));
    EXPECT_FALSE(ValueExists(list, QStringLiteral("y")));
    EXPECT_EQ(GetStringValue(list, QStringLiteral("name")), QStringLiteral("Value=More"));

    SetStringValue(list, QStringLiteral("NAME"), QString());
    EXPECT_FALSE(ValueExists(list, QStringLiteral("name")));
    SetStringValue(list, QStringLiteral("z"), QStringLiteral("1"));
    EXPECT_EQ(list.Text(), QStringLiteral("x=\r\nz=1\r\n"));
}

TEST_F(ValueHelpers, BooleansAreExactlyOneOrZero)
{
    const struct
    {
        const char *text; // nullptr: no line
        bool parses;
        bool value;
    } cases[] = {
        {"1", true, true},     {"0", true, false},   {"true", false, false},
        {"yes", false, false}, {"01", false, false}, {" 1", false, false},
        {"-0", false, false},  {"", false, false},   {nullptr, false, false},
    };
    for (const auto &c : cases) {
        Store(QStringLiteral("B"), c.text ? QString::fromLatin1(c.text) : QString());
        bool value = true;
        EXPECT_EQ(TryGetBoolValue(list, QStringLiteral("b"), value), c.parses) << c.text;
        if (c.parses) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(GetBoolValueDef(list, QStringLiteral("b"), !c.value), c.value);
        } else {
            EXPECT_TRUE(value) << "output written on failure: " << c.text;
            EXPECT_TRUE(GetBoolValueDef(list, QStringLiteral("b"), true));
            EXPECT_FALSE(GetBoolValueDef(list, QStringLiteral("b"), false));
        }
    }
    SetBoolValue(list, QStringLiteral("B"), true);
    EXPECT_EQ(list.Values(QStringLiteral("b")), QStringLiteral("1"));
    SetBoolValue(list, QStringLiteral("B"), false);
    EXPECT_EQ(list.Values(QStringLiteral("b")), QStringLiteral("0"));
}

TEST_F(ValueHelpers, IntegerTextsParseStrictly)
{
    const struct
    {
        const char *text;
        bool ok32;
        int64_t value; // when it parses as 64-bit
        bool ok64;
    } cases[] = {
        {"13", true, 13, true},
        {"-5", true, -5, true},
        {"+7", true, 7, true},
        {"007", true, 7, true},
        {"2147483647", true, 2147483647, true},
        {"-2147483648", true, -2147483648LL, true},
        {"2147483648", false, 2147483648LL, true},
        {"-2147483649", false, -2147483649LL, true},
        {"9223372036854775807", false, std::numeric_limits<int64_t>::max(), true},
        {"-9223372036854775808", false, std::numeric_limits<int64_t>::min(), true},
        {"9223372036854775808", false, 0, false},
        {"99999999999999999999999", false, 0, false},
        {"1.5", false, 0, false},
        {" 5", false, 0, false},
        {"5 ", false, 0, false},
        {"", false, 0, false},
        {"-", false, 0, false},
        {"0x10", false, 0, false},
        {"$10", false, 0, false},
        {"1e3", false, 0, false},
        {"\xD9\xA3", false, 0, false}, // a non-ASCII digit
    };
    for (const auto &c : cases) {
        Store(QStringLiteral("n"), QString::fromUtf8(c.text));
        int32_t v32 = 99;
        EXPECT_EQ(TryGetIntValue(list, QStringLiteral("N"), v32, INT32_MIN, INT32_MAX), c.ok32)
            << c.text;
        EXPECT_EQ(GetIntValueDef(list, QStringLiteral("N"), 99), c.ok32 ? int32_t(c.value) : 99)
            << c.text;
        int64_t v64 = 99;
        EXPECT_EQ(TryGetInt64Value(list, QStringLiteral("N"), v64, INT64_MIN, INT64_MAX), c.ok64)
            << c.text;
        EXPECT_EQ(v64, c.ok64 ? c.value : 99) << c.text;
        EXPECT_EQ(GetInt64ValueDef(list, QStringLiteral("N"), 99), c.ok64 ? c.value : 99) << c.text;
    }
}

TEST_F(ValueHelpers, BoundsAreInclusiveAndFailureLeavesTheOutput)
{
    Store(QStringLiteral("Month"), QStringLiteral("13"));
    int32_t month = 4;
    EXPECT_FALSE(TryGetIntValue(list, QStringLiteral("month"), month, 1, 12));
    EXPECT_EQ(month, 4);
    EXPECT_EQ(GetIntValueDef(list, QStringLiteral("month"), 0), 13);
    EXPECT_TRUE(TryGetIntValue(list, QStringLiteral("month"), month, 13, 13));
    EXPECT_EQ(month, 13);
    int64_t big = 1;
    EXPECT_FALSE(TryGetInt64Value(list, QStringLiteral("month"), big, 14, 20));
    EXPECT_EQ(big, 1);

    SetIntValue(list, QStringLiteral("m"), -42);
    SetInt64Value(list, QStringLiteral("i64"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(list.Values(QStringLiteral("m")), QStringLiteral("-42"));
    EXPECT_EQ(list.Values(QStringLiteral("i64")), QStringLiteral("-9223372036854775808"));
}

TEST_F(ValueHelpers, DateTimesAreWholeUnixSeconds)
{
    const struct
    {
        const char *label;
        TDateTime value;
        const char *stored;
        bool readable;
        TDateTime readBack;
    } cases[] = {
        {"five seconds", At(1970, 1, 1, 0, 0, 5), "5", true, At(1970, 1, 1, 0, 0, 5)},
        {"zero date-time", 0.0, "0", true, 0.0},
        {"the epoch reads as zero", At(1970, 1, 1), "0", true, 0.0},
        {"before the epoch", At(1969, 12, 31, 23, 59, 59), "-1", false, 0.0},
        {"fraction dropped", At(2001, 2, 3, 4, 5, 6, 900), "981173106", true,
         At(2001, 2, 3, 4, 5, 6)},
        {"half second before the epoch", At(1969, 12, 31, 23, 59, 59, 500), "0", true, 0.0},
        {"before day zero", -1.25, "-2209226400", false, 0.0},
        {"far future", At(9999, 12, 31, 23, 59, 59), "253402300799", true,
         At(9999, 12, 31, 23, 59, 59)},
        {"not a number", std::nan(""), "0", true, 0.0},
    };
    for (const auto &c : cases) {
        SetDateTimeValue(list, QStringLiteral("T"), c.value);
        EXPECT_EQ(list.Values(QStringLiteral("t")), QString::fromLatin1(c.stored)) << c.label;
        TDateTime read = 123.0;
        EXPECT_EQ(TryGetDateTimeValue(list, QStringLiteral("t"), read), c.readable) << c.label;
        EXPECT_DOUBLE_EQ(read, c.readable ? c.readBack : 123.0) << c.label;
        EXPECT_DOUBLE_EQ(GetDateTimeValueDef(list, QStringLiteral("t"), 7.0),
                         c.readable ? c.readBack : 7.0)
            << c.label;
    }
    // The largest count reads without overflow; texts that are no count read as the default.
    for (const char *text : {"9223372036854775807", "x", "", "1.5"}) {
        Store(QStringLiteral("t"), QString::fromLatin1(text));
        TDateTime read = 0.0;
        const bool ok = TryGetDateTimeValue(list, QStringLiteral("t"), read);
        EXPECT_EQ(ok, QByteArray(text).startsWith("9")) << text;
        if (ok) {
            EXPECT_GT(read, 1e13);
        }
    }
}

TEST_F(ValueHelpers, DatesAreThreeLinesWithBoundsAndDateErrors)
{
    EncodeDateValue(list, QStringLiteral("D"), At(2019, 2, 28, 13, 14, 15));
    EXPECT_EQ(list.Text(), QStringLiteral("DYear=2019\r\nDMonth=2\r\nDDay=28\r\n"));
    TDateTime date = 0.0;
    EXPECT_TRUE(TryDecodeDateValue(list, QStringLiteral("d"), date));
    EXPECT_DOUBLE_EQ(date, At(2019, 2, 28));

    for (const QDate &d :
         {QDate(1, 1, 1), QDate(1600, 2, 29), QDate(1899, 12, 29), QDate(9999, 12, 31)}) {
        EncodeDateValue(list, QStringLiteral("D"), At(d.year(), d.month(), d.day(), 6));
        EXPECT_DOUBLE_EQ(DecodeDateValueDef(list, QStringLiteral("D"), 5.0),
                         At(d.year(), d.month(), d.day()))
            << d.toString().toStdString();
    }
    EXPECT_DOUBLE_EQ(DecodeDateValueDef(list, QStringLiteral("D"), 5.0), 2958465.0);
    EncodeDateValue(list, QStringLiteral("D"), At(1, 1, 1));
    EXPECT_DOUBLE_EQ(DecodeDateValueDef(list, QStringLiteral("D"), 5.0), -693593.0);

    // A value that is no number is taken as the zero date-time.
    EncodeDateValue(list, QStringLiteral("N"), std::nan(""));
    EXPECT_EQ(DecodeDateValueDef(list, QStringLiteral("N"), 5.0), 0.0);
    // Values no calendar holds are written without harm and do not read back as a date.
    for (TDateTime odd : {1e300, -1e300, 1e13, -1e6}) {
        list.Clear();
        EncodeDateValue(list, QStringLiteral("D"), odd);
        EncodeTimeValue(list, QStringLiteral("T"), odd);
        EXPECT_EQ(list.Count(), 6);
        EXPECT_EQ(DecodeDateValueDef(list, QStringLiteral("D"), 5.0), 5.0) << odd;
        EXPECT_GE(DecodeTimeValueDef(list, QStringLiteral("T"), 5.0), 0.0);
        EXPECT_LT(DecodeTimeValueDef(list, QStringLiteral("T"), 5.0), 1.0);
    }

    const struct
    {
        const char *year;
        const char *month;
        const char *day;
        int outcome; // 1 reads, 0 fails, -1 raises
    } cases[] = {
        {"2019", "2", "30", -1}, {"2019", "2", "29", -1},       {"2020", "2", "29", 1},
        {"2019", "13", "1", 0},  {"2019", "0", "1", 0},         {"0", "1", "1", 0},
        {"2019", "1", "32", 0},  {"2019", "1", "0", 0},         {"10000", "1", "1", -1},
        {"65537", "1", "1", -1}, {"2019", nullptr, nullptr, 0}, {nullptr, "1", "1", 0},
        {"2019", "x", "1", 0},
    };
    for (const auto &c : cases) {
        list.Clear();
        if (c.year)
            list.Add(QStringLiteral("DYear=") + QLatin1String(c.year));
        if (c.month)
            list.Add(QStringLiteral("DMonth=") + QLatin1String(c.month));
        if (c.day)
            list.Add(QStringLiteral("DDay=") + QLatin1String(c.day));
        TDateTime out = 42.0;
        try {
            const bool ok = TryDecodeDateValue(list, QStringLiteral("D"), out);
            EXPECT_EQ(ok ? 1 : 0, c.outcome) << c.year << "-" << c.month << "-" << c.day;
            if (!ok) {
                EXPECT_EQ(out, 42.0);
                EXPECT_EQ(DecodeDateValueDef(list, QStringLiteral("D"), 9.0), 9.0);
            }
        } catch (const Exception &e) {
            EXPECT_EQ(c.outcome, -1) << c.year << "-" << c.month << "-" << c.day;
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid argument to date encode"));
            EXPECT_STREQ(e.ClassName(), "EConvertError");
            EXPECT_EQ(out, 42.0);
        }
    }
}

TEST_F(ValueHelpers, TimesAreThreeLinesWithinTheirBounds)
{
    EncodeTimeValue(list, QStringLiteral("T"), At(2020, 5, 6, 0, 30, 45, 999));
    EXPECT_EQ(list.Text(), QStringLiteral("THour=0\r\nTMinute=30\r\nTSecond=45\r\n"));
    TDateTime time = 0.0;
    EXPECT_TRUE(TryDecodeTimeValue(list, QStringLiteral("t"), time));
    EXPECT_DOUBLE_EQ(time, At(1899, 12, 30, 0, 30, 45));
    EXPECT_LT(time, 1.0);

    // Before day zero the time of day still counts forward from midnight.
    EncodeTimeValue(list, QStringLiteral("T"), -1.25);
    EXPECT_DOUBLE_EQ(DecodeTimeValueDef(list, QStringLiteral("T"), 3.0), 0.25);

    const struct
    {
        const char *hour;
        const char *minute;
        const char *second;
        bool ok;
    } cases[] = {
        {"23", "59", "59", true}, {"24", "0", "0", false}, {"0", "60", "0", false},
        {"0", "0", "60", false},  {"-1", "0", "0", false}, {"1", nullptr, "0", false},
        {"1", "2", "", false},
    };
    for (const auto &c : cases) {
        list.Clear();
        list.Add(QStringLiteral("THour=") + QLatin1String(c.hour));
        if (c.minute)
            list.Add(QStringLiteral("TMinute=") + QLatin1String(c.minute));
        list.Add(QStringLiteral("TSecond=") + QLatin1String(c.second));
        TDateTime out = 42.0;
        EXPECT_EQ(TryDecodeTimeValue(list, QStringLiteral("T"), out), c.ok) << c.hour;
        EXPECT_EQ(DecodeTimeValueDef(list, QStringLiteral("T"), 8.0), c.ok ? out : 8.0);
        if (!c.ok) {
            EXPECT_EQ(out, 42.0);
        }
    }
}
