// The options of a repeating recording (a rule) as a person gives them, on the command line or
// in a web form: the words for save modes, duplicates and days, and writing the given options
// into a rule. What is not given stays unset, so a re-saved rule changes only what was named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kestro/ole_date.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_schedules.h"
#include "host/input_error.h"

namespace kestro::host {

inline constexpr std::pair<const char*, TV_RS_SAVE_MODE> kSaveModes[] = {
    {"low-priority-try", TV_RS_SAVE_MODE_LOW_PRIORITY_TRY},
    {"low-priority-save", TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE},
    {"high-priority-save", TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE},
    {"recalculate", TV_RS_SAVE_MODE_RECALCULATE},
    {"same-priority-try", TV_RS_SAVE_MODE_SAME_PRIORITY_TRY},
};

inline constexpr std::pair<const char*, TV_DUPLICATES> kDuplicateWords[] = {
    {"all", TV_DUPLICATES_ALL},
    {"not-in-library", TV_DUPLICATES_NOT_IF_IN_LIBRARY},
    {"none", TV_DUPLICATES_NONE},
};

// The days of a time rule.
const std::vector<std::string>& RuleFrequencies();

template <class T, size_t N>
std::vector<std::string> Words(const std::pair<const char*, T> (&table)[N]) {
  std::vector<std::string> words;
  for (const auto& [word, value] : table) words.emplace_back(word);
  return words;
}

// The value of a word of the table; nullopt for another word.
template <class T, size_t N>
std::optional<T> ValueOf(const std::pair<const char*, T> (&table)[N], const std::string& word) {
  for (const auto& [w, value] : table)
    if (word == w) return value;
  return std::nullopt;
}

template <class T, size_t N>
std::string WordOf(const std::pair<const char*, T> (&table)[N], T value) {
  for (const auto& [word, v] : table)
    if (v == value) return word;
  return std::to_string(static_cast<int>(value));
}

struct RuleOptions {
  std::optional<std::string> search;  // the query, its lines separated by "\n"
  std::optional<int32_t> channel;
  std::optional<OleDate> start, end;  // times of day
  std::optional<std::string> frequency, title, folder, quality;
  std::optional<TV_DUPLICATES> duplicates;
  std::optional<TV_REPEATS> repeats;
  std::optional<TV_KEEP_UNTIL> keep;
  std::optional<int32_t> keep_at_most, before, after, soft_before, soft_after;

  bool HasWindow() const { return start || end || frequency; }
};

// A new rule needs a search, or a whole time window on a channel. Throws InputError.
void CheckNewRuleOptions(const RuleOptions& o);

// Writes the given options into the rule; the rule's type stays as it is, and options of the
// other type are refused with InputError.
void ApplyRuleOptions(ITVRepeatingSchedule* rule, const RuleOptions& o);

// An unsaved rule of `scheduler` made from checked options, created by `user`. Without a title
// it is named after its search, or `channel_name` and its window.
ComPtr<ITVRepeatingSchedule> NewRule(ITVScheduler* scheduler, const RuleOptions& o,
                                     const std::string& user, const std::string& channel_name);

// A query's lines as one line, separated the way the search language also accepts.
std::string OneLineQuery(const std::string& query);

// A recording that cannot be made as asked: its programme or window has ended, or the window is
// scheduled already. (What a person typed wrong is an InputError.)
KESTRO_DECLARE_EXCEPTION(RecordingRefused, Exception);

// The options of a single recording.
struct ScheduleOptions {
  int32_t before = 0, after = 0;            // hard padding, seconds, inside the reserved window
  int32_t soft_before = 0, soft_after = 0;  // soft padding, seconds, never counted in conflicts
  bool delete_on_conflict = false;
  bool wake_up = true;
  TV_KEEP_UNTIL keep = TV_KEEP_UNTIL_SPACE_NEEDED;
  std::optional<std::string> folder, quality, title;
  std::string created_by = "USER";
  bool force = false;  // a window longer than 24 hours is meant
};

// Throws RecordingRefused "Lineup N has no tuners: ..." (saying how to assign some) when the
// listings' lineup has none: a lineup records only on the tuner groups that name it.
void RefuseWithoutTuners(ITVScheduler* scheduler, ITVListings* listings);

// An unsaved schedule of `scheduler` for a programme of the guide (the title the programme's
// unless given), its window widened by the hard padding. Throws Exception when there is no such
// programme, RecordingRefused when it has ended or the lineup has no tuners, InputError for a
// blank title.
ComPtr<ITVSchedule> NewProgramSchedule(ITVScheduler* scheduler, ITVListings* listings,
                                       int32_t program_id, const ScheduleOptions& o);
// As NewProgramSchedule for a time window on a channel, which needs a title. Throws Exception when
// there is no such channel; RecordingRefused when the lineup has no tuners, the window has ended
// or a live schedule has this window of this channel already ("already scheduled as #N");
// InputError for a blank title, an end not after the start, and a window longer than 24 hours
// unless forced.
ComPtr<ITVSchedule> NewWindowSchedule(ITVScheduler* scheduler, ITVListings* listings,
                                      int32_t channel_id, OleDate start, OleDate end,
                                      const ScheduleOptions& o);

// Whether a save with this outcome stored the rule: OK always; CONFLICT only in the modes that
// go on past conflicts (the others stop and roll back).
bool RuleStored(TV_RS_SAVE_MODE mode, TV_ADD_SCHEDULE_RESULT code);

}  // namespace kestro::host
