#pragma once

#include "settings/DateTime.h"
#include "settings/StringList.h"

#include <QString>

#include <cstdint>

// Typed reading and writing of name=value lines on any string list. Every value is one line
// (dates and times three); names are looked up by the list's own rules, so letter case is
// ignored and an absent name reads as empty text. Writing an empty text removes the line.
//
// Stored forms: booleans "1"/"0"; integers in decimal; date-times as whole seconds since
// 1970-01-01 00:00:00 (taken as UTC, no zone conversion, "0" for the zero date-time); dates as
// Name+"Year"/"Month"/"Day" and times as Name+"Hour"/"Minute"/"Second".
//
// The Try operations write their output only on success; the Def operations return the default
// on any failure. Only the date reads raise: "Invalid argument to date encode" (EConvertError)
// for a year, month and day inside their bounds that form no date.

QString GetStringValue(const TStringList &List, const QString &Name);
bool TryGetStringValue(const TStringList &List, const QString &Name, QString &Value);
bool ValueExists(const TStringList &List, const QString &Name);
void SetStringValue(TStringList &List, const QString &Name, const QString &Value);

bool GetBoolValueDef(const TStringList &List, const QString &Name, bool DefValue);
bool TryGetBoolValue(const TStringList &List, const QString &Name, bool &Value);
void SetBoolValue(TStringList &List, const QString &Name, bool Value);

int32_t GetIntValueDef(const TStringList &List, const QString &Name, int32_t DefValue);
bool TryGetIntValue(const TStringList &List, const QString &Name, int32_t &Value, int32_t MinValue,
                    int32_t MaxValue);
void SetIntValue(TStringList &List, const QString &Name, int32_t Value);

int64_t GetInt64ValueDef(const TStringList &List, const QString &Name, int64_t DefValue);
bool TryGetInt64Value(const TStringList &List, const QString &Name, int64_t &Value,
                      int64_t MinValue, int64_t MaxValue);
void SetInt64Value(TStringList &List, const QString &Name, int64_t Value);

TDateTime GetDateTimeValueDef(const TStringList &List, const QString &Name, TDateTime DefValue);
bool TryGetDateTimeValue(const TStringList &List, const QString &Name, TDateTime &Value);
void SetDateTimeValue(TStringList &List, const QString &Name, TDateTime Value);

void EncodeDateValue(TStringList &List, const QString &Name, TDateTime Value);
bool TryDecodeDateValue(const TStringList &List, const QString &Name, TDateTime &Value);
TDateTime DecodeDateValueDef(const TStringList &List, const QString &Name, TDateTime DefValue);

void EncodeTimeValue(TStringList &List, const QString &Name, TDateTime Value);
bool TryDecodeTimeValue(const TStringList &List, const QString &Name, TDateTime &Value);
TDateTime DecodeTimeValueDef(const TStringList &List, const QString &Name, TDateTime DefValue);

// Strict decimal integers: an optional "+" or "-" and at least one digit, nothing else; false
// on overflow. (Shared by readers of numbered keys.)
bool TryStrToInt(const QString &S, int32_t &Value);
bool TryStrToInt64(const QString &S, int64_t &Value);

// Whole seconds from 1970-01-01 00:00:00 to a date-time (fraction of a second dropped toward
// zero) and back.
int64_t DateTimeToUnix(TDateTime Value);
TDateTime UnixToDateTime(int64_t Seconds);
