#include "platform/time/time_zone.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/time/date_time.h"

namespace kestro {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// No zone changes its offset twice within this long, so the offsets in force this long before
// and after a local time are the only ones it can have.
constexpr int64_t kOffsetSearch_s = 2 * kSecondsPerDay;
constexpr size_t kMaxZoneFileBytes = 1 << 20;

bool ValidName(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '/' || c == '_' || c == '-' || c == '+';
    if (!ok) return false;
  }
  return name.find("//") == std::string_view::npos;
}

// Big-endian reads from a zoneinfo file; every read past the end fails the reader for good.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  std::string_view Take(size_t n) {
    if (!ok_ || data_.size() - pos_ < n) {
      ok_ = false;
      return {};
    }
    const std::string_view part = data_.substr(pos_, n);
    pos_ += n;
    return part;
  }
  int64_t Int(size_t size) {
    const std::string_view b = Take(size);
    if (!ok_) return 0;
    uint64_t value = 0;
    for (const char c : b) value = value << 8 | static_cast<unsigned char>(c);
    if (size == 4) return static_cast<int32_t>(static_cast<uint32_t>(value));
    return static_cast<int64_t>(value);
  }
  std::string_view Rest() const { return ok_ ? data_.substr(pos_) : std::string_view(); }

 private:
  std::string_view data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

struct Header {
  char version = 0;
  int64_t isutcnt = 0, isstdcnt = 0, leapcnt = 0, timecnt = 0, typecnt = 0, charcnt = 0;
};

bool ReadHeader(Bytes& in, Header* h) {
  if (in.Take(4) != "TZif") return false;
  const std::string_view version = in.Take(1);
  in.Take(15);
  h->isutcnt = in.Int(4);
  h->isstdcnt = in.Int(4);
  h->leapcnt = in.Int(4);
  h->timecnt = in.Int(4);
  h->typecnt = in.Int(4);
  h->charcnt = in.Int(4);
  if (!in.ok()) return false;
  h->version = version[0];
  return h->typecnt > 0 && h->timecnt >= 0 && h->charcnt >= 0 && h->leapcnt >= 0 &&
         h->isutcnt >= 0 && h->isstdcnt >= 0 && h->typecnt <= 256;
}

// ---- the POSIX rule -----------------------------------------------------------------------------

class RuleReader {
 public:
  explicit RuleReader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ == text_.size(); }
  bool Skip(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // "CET" or "<+0530>".
  bool Name() {
    if (Skip('<')) {
      const size_t close = text_.find('>', pos_);
      if (close == std::string_view::npos || close - pos_ < 3) return false;
      pos_ = close + 1;
      return true;
    }
    const size_t start = pos_;
    while (pos_ < text_.size() && ((text_[pos_] >= 'A' && text_[pos_] <= 'Z') ||
                                   (text_[pos_] >= 'a' && text_[pos_] <= 'z'))) {
      ++pos_;
    }
    return pos_ - start >= 3;
  }
  bool Number(int max_digits, int* value) {
    const size_t start = pos_;
    int n = 0;
    while (pos_ < text_.size() && pos_ - start < static_cast<size_t>(max_digits) &&
           text_[pos_] >= '0' && text_[pos_] <= '9') {
      n = n * 10 + (text_[pos_++] - '0');
    }
    *value = n;
    return pos_ > start;
  }
  // [+-]hh[:mm[:ss]] in seconds; hours up to 167 for the times of changes.
  bool Duration(int32_t* seconds) {
    const bool negative = Skip('-');
    if (!negative) Skip('+');
    int h = 0, m = 0, s = 0;
    if (!Number(3, &h) || h > 167) return false;
    if (Skip(':') && (!Number(2, &m) || m > 59 || (Skip(':') && (!Number(2, &s) || s > 59)))) {
      return false;
    }
    *seconds = (h * 3600 + m * 60 + s) * (negative ? -1 : 1);
    return true;
  }
  bool Change(TimeZone::Rule::Change* change) {
    using Kind = TimeZone::Rule::Change::Kind;
    if (Skip('M')) {
      change->kind = Kind::kMonthWeekDay;
      if (!Number(2, &change->month) || !Skip('.') || !Number(1, &change->week) || !Skip('.') ||
          !Number(1, &change->day) || change->month < 1 || change->month > 12 ||
          change->week < 1 || change->week > 5 || change->day > 6) {
        return false;
      }
    } else if (Skip('J')) {
      change->kind = Kind::kJulianNoLeap;
      if (!Number(3, &change->day) || change->day < 1 || change->day > 365) return false;
    } else {
      change->kind = Kind::kJulian;
      if (!Number(3, &change->day) || change->day > 365) return false;
    }
    change->time_s = 7200;
    return !Skip('/') || Duration(&change->time_s);
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// Unix day of a change in `year`.
int64_t ChangeDay(const TimeZone::Rule::Change& c, int year) {
  using Kind = TimeZone::Rule::Change::Kind;
  const int64_t jan1 = DaysFromCivil(year, 1, 1);
  switch (c.kind) {
    case Kind::kJulianNoLeap:
      return jan1 + c.day - 1 + (IsLeapYear(year) && c.day >= 60 ? 1 : 0);
    case Kind::kJulian:
      return jan1 + c.day;
    case Kind::kMonthWeekDay:
      break;
  }
  const int64_t first = DaysFromCivil(year, c.month, 1);
  const int first_weekday = static_cast<int>(((first % 7) + 11) % 7);  // 1970-01-01: Thursday
  int64_t day = first + (c.day - first_weekday + 7) % 7 + (c.week - 1) * 7;
  while (day >= first + DaysInMonth(year, c.month)) day -= 7;
  return day;
}

}  // namespace

bool TimeZone::Rule::Parse(std::string_view text, Rule* rule) {
  RuleReader in(text);
  Rule r;
  int32_t posix_offset = 0;
  if (!in.Name() || !in.Duration(&posix_offset)) return false;
  r.std_offset_s = -posix_offset;  // POSIX counts west of UTC
  if (!in.AtEnd()) {
    if (!in.Name()) return false;
    r.has_dst = true;
    r.dst_offset_s = r.std_offset_s + 3600;
    if (!in.AtEnd() && !in.Skip(',')) {
      if (!in.Duration(&posix_offset)) return false;
      r.dst_offset_s = -posix_offset;
      if (!in.AtEnd() && !in.Skip(',')) return false;
    }
    if (in.AtEnd()) {
      // No dates given: the United States' rule.
      r.start = {Change::Kind::kMonthWeekDay, 0, 3, 2, 7200};
      r.end = {Change::Kind::kMonthWeekDay, 0, 11, 1, 7200};
    } else if (!in.Change(&r.start) || !in.Skip(',') || !in.Change(&r.end)) {
      return false;
    }
  }
  if (!in.AtEnd()) return false;
  *rule = r;
  return true;
}

int32_t TimeZone::Rule::OffsetAt(int64_t utc_s) const {
  if (!has_dst) return std_offset_s;
  int year = 0, month = 0, day = 0;
  int64_t local_day = utc_s + std_offset_s;
  local_day = local_day >= 0 ? local_day / kSecondsPerDay : (local_day + 1) / kSecondsPerDay - 1;
  CivilFromDays(local_day, year, month, day);
  // The start is read on standard time, the end on daylight-saving time.
  const int64_t start = ChangeDay(this->start, year) * kSecondsPerDay + this->start.time_s -
                        std_offset_s;
  const int64_t end = ChangeDay(this->end, year) * kSecondsPerDay + this->end.time_s -
                      dst_offset_s;
  const bool dst = start < end ? (utc_s >= start && utc_s < end) : !(utc_s >= end && utc_s < start);
  return dst ? dst_offset_s : std_offset_s;
}

// ---- the zone -------------------------------------------------------------------------------------

std::shared_ptr<const TimeZone> TimeZone::Load(std::string_view name) {
  if (!ValidName(name)) return nullptr;
  for (size_t start = 0; start <= name.size();) {
    const size_t slash = std::min(name.find('/', start), name.size());
    const std::string_view part = name.substr(start, slash - start);
    if (part.empty() || part.front() == '.') return nullptr;
    start = slash + 1;
  }
  const char* dir = std::getenv("TZDIR");
  const std::string path =
      std::string(dir && *dir ? dir : "/usr/share/zoneinfo") + "/" + std::string(name);
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::string bytes;
  bytes.resize(kMaxZoneFileBytes);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return FromTZif(bytes, std::string(name));
}

std::shared_ptr<const TimeZone> TimeZone::FromTZif(std::string_view data, std::string name) {
  Bytes in(data);
  Header h;
  if (!ReadHeader(in, &h)) return nullptr;
  size_t time_size = 4;
  if (h.version >= '2') {
    // Skip the 32-bit data for the 64-bit data that follows it.
    in.Take(static_cast<size_t>(h.timecnt * 5 + h.typecnt * 6 + h.charcnt + h.leapcnt * 8 +
                                h.isstdcnt + h.isutcnt));
    if (!ReadHeader(in, &h)) return nullptr;
    time_size = 8;
  }
  const size_t needed = static_cast<size_t>(h.timecnt) * (time_size + 1) +
                        static_cast<size_t>(h.typecnt) * 6;
  if (in.Rest().size() < needed) return nullptr;
  auto zone = std::make_shared<TimeZone>();
  zone->name_ = std::move(name);
  for (int64_t i = 0; i < h.timecnt; ++i) zone->transitions_.push_back(in.Int(time_size));
  for (int64_t i = 0; i < h.timecnt; ++i) {
    zone->transition_type_.push_back(static_cast<uint8_t>(in.Int(1)));
  }
  for (int64_t i = 0; i < h.typecnt; ++i) {
    Type type;
    type.offset_s = static_cast<int32_t>(in.Int(4));
    type.dst = in.Int(1) != 0;
    in.Int(1);  // abbreviation index
    zone->types_.push_back(type);
  }
  in.Take(static_cast<size_t>(h.charcnt + h.leapcnt * (time_size + 4) + h.isstdcnt + h.isutcnt));
  if (!in.ok() || !std::is_sorted(zone->transitions_.begin(), zone->transitions_.end())) {
    return nullptr;
  }
  for (const uint8_t type : zone->transition_type_) {
    if (type >= zone->types_.size()) return nullptr;
  }
  if (time_size == 8) {
    // The footer: "\n" rule "\n"; an empty rule means none.
    const std::string_view rest = in.Rest();
    if (rest.size() >= 2 && rest.front() == '\n') {
      const size_t close = rest.find('\n', 1);
      if (close != std::string_view::npos && close > 1) {
        zone->has_rule_ = Rule::Parse(rest.substr(1, close - 1), &zone->rule_);
      }
    }
  }
  return zone;
}

int32_t TimeZone::OffsetAt(int64_t utc_s) const {
  const auto after = std::upper_bound(transitions_.begin(), transitions_.end(), utc_s);
  if (after == transitions_.end() && has_rule_) return rule_.OffsetAt(utc_s);
  if (after == transitions_.begin()) return types_.front().offset_s;
  return types_[transition_type_[static_cast<size_t>(after - transitions_.begin()) - 1]].offset_s;
}

int64_t TimeZone::LocalToUtc(int64_t local_s) const {
  const int32_t before = OffsetAt(local_s - kOffsetSearch_s);
  const int32_t after = OffsetAt(local_s + kOffsetSearch_s);
  int64_t best = 0;
  bool found = false;
  for (const int32_t offset : {before, after}) {
    const int64_t utc = local_s - offset;
    if (OffsetAt(utc) == offset && (!found || utc < best)) {
      best = utc;
      found = true;
    }
  }
  return found ? best : local_s - before;
}

}  // namespace kestro
