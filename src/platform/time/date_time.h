// Calendar arithmetic on OLE dates, local/UTC conversion and the packed db time of the databases.
#pragma once

#include <cstdint>
#include <ctime>

#include "kestro/ole_date.h"

namespace kestro {

struct DateTimeParts {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

constexpr double kMillisPerDay = 86400000.0;
constexpr double kOneSecond = 1.0 / 86400.0;
constexpr double kOneMinute = 1.0 / 1440.0;
constexpr double kOneHour = 1.0 / 24.0;

bool IsLeapYear(int year);
// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);
int DaysInMonth(int year, int month);

// Builds a date-time; false when a field is out of range (year 1..9999, hour 0..23, ...).
bool TryEncodeDateTime(const DateTimeParts& parts, OleDate* out);
// As TryEncodeDateTime, throwing EConvertError on an invalid field.
OleDate EncodeDateTime(const DateTimeParts& parts);
OleDate EncodeDate(int year, int month, int day);
OleDate EncodeTime(int hour, int minute, int second, int millisecond);
// Splits a date-time into its fields, rounding to the nearest millisecond. Negative dates follow
// the OLE rule: the integer part counts days back, the fraction is always time of day.
DateTimeParts DecodeDateTime(OleDate value);

// An OLE date as milliseconds on a continuous time line (0 = 1899-12-30 00:00), rounded to the
// nearest millisecond, and back. Negative OLE dates map by the OLE rule, so durations can be
// added on this line and converted back safely.
int64_t OleDateToMillis(OleDate value);
OleDate MillisToOleDate(int64_t ms);

// Day of the week, 1 = Monday ... 7 = Sunday.
int IsoDayOfWeek(OleDate value);
// Day of the week, 1 = Sunday ... 7 = Saturday (the automation convention).
int DayOfWeek(OleDate value);

// The date part / time part of a date-time.
OleDate DateOf(OleDate value);
OleDate TimeOf(OleDate value);

// Unix time (UTC) <-> local OLE date, through the C library and the process's TZ.
OleDate UnixMillisToLocal(int64_t unix_ms);
int64_t LocalToUnixMillis(OleDate local);
// UTC OLE date <-> Unix milliseconds (no time-zone conversion).
OleDate UnixMillisToUtcDate(int64_t unix_ms);
int64_t UtcDateToUnixMillis(OleDate utc);
// A UTC date-time converted to local time.
OleDate UtcToLocal(OleDate utc);

// Db time: local wall-clock time packed as an MS-DOS date and time in 32 bits
// (bits 25-31 year-1980, 21-24 month, 16-20 day, 11-15 hour, 5-10 minute, 0-4 seconds/2).
// 0.0 and years outside 1980..2107 pack to 0; milliseconds are dropped and odd seconds round down.
int32_t DateTimeToDbTime(OleDate value);
// 0, and a value whose fields are out of range, unpack to 0.0.
OleDate DbTimeToDateTime(int32_t db_time);

}  // namespace kestro
