// Zones of the tz database by name ("Europe/Berlin", "America/New_York"), read from the system's
// zoneinfo files (TZif) and independent of the process's TZ: converting in one zone never changes
// another thread's local time. Beyond its last listed change a zone follows the rule its file
// ends with, so dates of any year get their daylight-saving time.
//
// A zone is immutable once loaded and may be shared between threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

class TimeZone {
 public:
  // The zone `name` below $TZDIR (else /usr/share/zoneinfo); null when there is no such zone,
  // when its file is not a zoneinfo file, or when the name is not one (letters, digits and
  // "/_-+" only, no "." path parts).
  static std::shared_ptr<const TimeZone> Load(std::string_view name);
  // The zone held in the bytes of a zoneinfo file; null when they are not one.
  static std::shared_ptr<const TimeZone> FromTZif(std::string_view bytes, std::string name);

  const std::string& Name() const { return name_; }
  // Seconds east of UTC in force at Unix time `utc_s`.
  int32_t OffsetAt(int64_t utc_s) const;
  // The Unix time at which the zone's clocks show `local_s` (seconds since 1970-01-01 00:00 on
  // those clocks). A time shown twice (clocks go back) is its first showing; a time the clocks
  // skip (they go forward) is read with the offset before the change, so it lands after it.
  int64_t LocalToUtc(int64_t local_s) const;

  // The rule a zoneinfo file ends with, in the POSIX form "CET-1CEST,M3.5.0,M10.5.0/3".
  struct Rule {
    struct Change {
      enum class Kind { kJulianNoLeap, kJulian, kMonthWeekDay } kind = Kind::kMonthWeekDay;
      int day = 0;  // Jn: 1..365; n: 0..365; Mm.w.d: the weekday, 0 = Sunday
      int month = 0, week = 0;
      int32_t time_s = 7200;  // local time of day of the change, may be negative or past 24 h
    };
    int32_t std_offset_s = 0;  // east of UTC
    bool has_dst = false;
    int32_t dst_offset_s = 0;
    Change start, end;  // of daylight-saving time

    // False when `text` is not such a rule.
    static bool Parse(std::string_view text, Rule* rule);
    int32_t OffsetAt(int64_t utc_s) const;
  };

 private:
  struct Type {
    int32_t offset_s = 0;
    bool dst = false;
  };

  std::string name_;
  std::vector<int64_t> transitions_;      // Unix times, ascending
  std::vector<uint8_t> transition_type_;  // index into types_, one per transition
  std::vector<Type> types_;               // types_[0] holds before the first transition
  bool has_rule_ = false;
  Rule rule_;                             // after the last transition, when has_rule_
};

}  // namespace kestro
