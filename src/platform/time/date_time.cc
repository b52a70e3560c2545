#include "platform/time/date_time.h"

#include <algorithm>
#include <cmath>

#include "platform/exception.h"

namespace kestro {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1899-12-30 (OLE day 0) to 1970-01-01.
constexpr int64_t kUnixEpochDay = 25569;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

bool ValidParts(const DateTimeParts& p) {
  return p.year >= 1 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
         p.day <= DaysInMonth(p.year, p.month) && p.hour >= 0 && p.hour <= 23 &&
         p.minute >= 0 && p.minute <= 59 && p.second >= 0 && p.second <= 59 &&
         p.millisecond >= 0 && p.millisecond <= 999;
}

int64_t OleDay(int year, int month, int day) {
  return DaysFromCivil(year, month, day) + kUnixEpochDay;
}

int64_t DayNumber(OleDate value) { return FloorDiv(OleDateToMillis(value), kMsPerDay); }

int64_t PositiveMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

}  // namespace

// H. Hinnant's days_from_civil and civil_from_days.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t OleDateToMillis(OleDate value) {
  if (value >= 0) return std::llround(value * kMillisPerDay);
  // Negative: the integer part counts days back, the fraction is still the time of that day.
  const double day = std::ceil(value);
  return static_cast<int64_t>(day) * kMsPerDay + std::llround((day - value) * kMillisPerDay);
}

OleDate MillisToOleDate(int64_t ms) {
  const int64_t day = FloorDiv(ms, kMsPerDay);
  const double time = static_cast<double>(ms - day * kMsPerDay) / kMillisPerDay;
  return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

bool TryEncodeDateTime(const DateTimeParts& parts, OleDate* out) {
  if (!ValidParts(parts)) return false;
  const int64_t ms_of_day =
      ((parts.hour * 60LL + parts.minute) * 60 + parts.second) * 1000 + parts.millisecond;
  *out = MillisToOleDate(OleDay(parts.year, parts.month, parts.day) * kMsPerDay + ms_of_day);
  return true;
}

OleDate EncodeDateTime(const DateTimeParts& parts) {
  OleDate value;
  if (!TryEncodeDateTime(parts, &value)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return value;
}

OleDate EncodeDate(int year, int month, int day) {
  return EncodeDateTime(DateTimeParts{year, month, day, 0, 0, 0, 0});
}

OleDate EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    throw EConvertError("Invalid argument to time encode");
  }
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMillisPerDay;
}

DateTimeParts DecodeDateTime(OleDate value) {
  const int64_t ms = OleDateToMillis(value);
  const int64_t day = FloorDiv(ms, kMsPerDay);
  int64_t rest = ms - day * kMsPerDay;
  DateTimeParts p;
  CivilFromDays(day - kUnixEpochDay, p.year, p.month, p.day);
  p.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  p.second = static_cast<int>(rest % 60);
  rest /= 60;
  p.minute = static_cast<int>(rest % 60);
  p.hour = static_cast<int>(rest / 60);
  return p;
}

// 1899-12-30 was a Saturday.
int IsoDayOfWeek(OleDate value) { return static_cast<int>(PositiveMod(DayNumber(value) + 5, 7)) + 1; }
int DayOfWeek(OleDate value) { return static_cast<int>(PositiveMod(DayNumber(value) + 6, 7)) + 1; }

OleDate DateOf(OleDate value) { return MillisToOleDate(DayNumber(value) * kMsPerDay); }

OleDate TimeOf(OleDate value) {
  const int64_t ms = OleDateToMillis(value);
  return static_cast<double>(ms - FloorDiv(ms, kMsPerDay) * kMsPerDay) / kMillisPerDay;
}

OleDate UnixMillisToLocal(int64_t unix_ms) {
  const int64_t seconds = FloorDiv(unix_ms, 1000);
  const time_t t = static_cast<time_t>(seconds);
  struct tm tm {};
  if (localtime_r(&t, &tm) == nullptr) return UnixMillisToUtcDate(unix_ms);
  const int64_t ms_of_day =
      ((tm.tm_hour * 60LL + tm.tm_min) * 60 + std::min(tm.tm_sec, 59)) * 1000 +
      (unix_ms - seconds * 1000);
  return MillisToOleDate(OleDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) * kMsPerDay +
                         ms_of_day);
}

int64_t LocalToUnixMillis(OleDate local) {
  const DateTimeParts p = DecodeDateTime(local);
  struct tm tm {};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;  // let the C library decide whether summer time applies
  const time_t t = mktime(&tm);
  return static_cast<int64_t>(t) * 1000 + p.millisecond;
}

OleDate UnixMillisToUtcDate(int64_t unix_ms) {
  return MillisToOleDate(unix_ms + kUnixEpochDay * kMsPerDay);
}

int64_t UtcDateToUnixMillis(OleDate utc) { return OleDateToMillis(utc) - kUnixEpochDay * kMsPerDay; }

OleDate UtcToLocal(OleDate utc) { return UnixMillisToLocal(UtcDateToUnixMillis(utc)); }

int32_t DateTimeToDbTime(OleDate value) {
  if (value == 0.0) return 0;
  const DateTimeParts p = DecodeDateTime(value);
  if (p.year < 1980 || p.year > 2107) return 0;
  const uint32_t packed = static_cast<uint32_t>(p.year - 1980) << 25 |
                          static_cast<uint32_t>(p.month) << 21 |
                          static_cast<uint32_t>(p.day) << 16 | static_cast<uint32_t>(p.hour) << 11 |
                          static_cast<uint32_t>(p.minute) << 5 |
                          static_cast<uint32_t>(p.second / 2);
  return static_cast<int32_t>(packed);
}

OleDate DbTimeToDateTime(int32_t db_time) {
  if (db_time == 0) return 0.0;
  const uint32_t u = static_cast<uint32_t>(db_time);
  DateTimeParts p;
  p.year = static_cast<int>(u >> 25) + 1980;
  p.month = static_cast<int>((u >> 21) & 0x0F);
  p.day = static_cast<int>((u >> 16) & 0x1F);
  p.hour = static_cast<int>((u >> 11) & 0x1F);
  p.minute = static_cast<int>((u >> 5) & 0x3F);
  p.second = static_cast<int>(u & 0x1F) * 2;
  OleDate value;
  return TryEncodeDateTime(p, &value) ? value : OleDate();
}

}  // namespace kestro
