// The records of the listings service's text file: one programme per line, fields separated by
// "|" (empty fields kept). Twelve fixed fields (channel id, channel number, channel name,
// programme id, start date yyyymmdd and time hhmm in UTC, duration hhmm, title, episode title,
// TV rating, movie rating, programme type) come as they are; every later field is a "detail",
// trimmed, numbered from 0. A record must hold every detail up to 175: the flags, descriptions,
// forty people (first name, last name, role), six genres and the production details.
//
// The file is in code page 437; Cp437ToUtf8 turns a line into our UTF-8 before it is split.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kestro/ole_date.h"
#include "kestro/tv_import.h"

namespace kestro {

// Every byte of code page 437 as its Unicode character (0x00-0x7F as ASCII).
std::string Cp437ToUtf8(std::string_view text);

class ServiceRecord {
 public:
  // Fixed fields, 1-based as the service documents them.
  enum Field {
    kChannelId = 1,
    kChannelNumber,
    kChannelName,
    kProgramId,
    kStartDate,
    kStartTime,
    kDuration,
    kTitle,
    kEpisodeTitle,
    kTVRating,
    kMovieRating,
    kProgramType,
  };
  static constexpr int kFixedFields = 12;
  // The highest detail a record must have.
  static constexpr int kLastDetail = 175;

  // Splits `line` (UTF-8, without its line end); `line_number` names the line in messages.
  // Throws when a fixed field is missing.
  ServiceRecord(std::string line, int32_t line_number);

  const std::string& Line() const { return line_; }
  std::string_view Get(Field field) const { return fields_[field - 1]; }
  // Detail `index`, trimmed; throws when the line does not have it.
  std::string Detail(int index) const;

  // The start (local time) and end of the programme; throw on a malformed date, time or duration.
  OleDate StartTime() const;
  OleDate EndTime(OleDate start) const;

  // Sets the programme's fields, details, people and genres (the channel id, times and key too).
  // Throws on a missing detail or a malformed time.
  void FillProgram(ITVNewProgram& program) const;

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  int32_t Clock(Field field) const;  // hhmm as minutes

  std::string line_;
  std::vector<std::string_view> fields_;  // into line_
  int32_t line_number_;
};

}  // namespace kestro
