// The hand-over of a started recording to the host's media library: an item of the section
// "KestroTVRecordings" whose location is the recording's file and whose tags describe it (the
// disk-space rules find it again by them), and, for the section's first item, its initial views.
#pragma once

#include "kestro/host.h"
#include "kestro/ole_date.h"
#include "scheduling/tv_schedule.h"
#include "support/logger.h"

namespace kestro {

// Adds the recording of `schedule` that the host reported in `notification` ("program-filename",
// "duration", "duration-text"); `now` is its actual start. A section that cannot be opened is
// logged and ends the hand-over; any later failure throws.
void AddRecordingToLibrary(IKestroSystem& host, ILogger& log, TTVSchedule& schedule,
                           IKestroItem& notification, OleDate now);

}  // namespace kestro
