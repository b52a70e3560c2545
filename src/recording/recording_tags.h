// What a recording is called and how it is described: the base name under which the tuner side
// records it, and the tags that describe it to the tuner side and in the media library.
#pragma once

#include <string>
#include <string_view>

#include "kestro/host.h"
#include "kestro/ole_date.h"
#include "platform/time/format_settings.h"
#include "scheduling/tv_schedule.h"
#include "support/dictionary.h"

namespace kestro {

// The recording's file name without folder and extension: title (or "untitled"), subtitle,
// channel short name and number, start time in the locale's short date and long time without
// seconds, joined by "_"; characters that file names cannot hold are replaced or dropped. The
// schedule's StartTime is used as it is (soft padding included once the engine has applied it).
std::string BuildRecordingFileName(TTVSchedule& schedule,
                                   const FormatSettings& fs = FormatSettings::Default());

// How logs name a schedule:
// ""<title>" : <start> to <end> : id .. : pgm id .. : tuner .. : chnl ..".
std::string DescribeSchedule(const TTVSchedule& schedule);

struct RecordingTags {
  ComPtr<TDictionary> tags;
  // The programme's title and times when the schedule has a programme, else the schedule's.
  std::string title;
  OleDate start = 0.0;
  OleDate end = 0.0;
};

// The tags of a recording of `schedule`, each name preceded by `prefix`. "duration" and
// "duration-text" are copied from `source` (the tuner's status item, or the host's report of the
// start); `now` is the actual start. Throws when a value cannot be read.
RecordingTags BuildRecordingTags(TTVSchedule& schedule, IKestroItem* source,
                                 std::string_view prefix, OleDate now);

}  // namespace kestro
