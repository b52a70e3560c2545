// The recordings the schedule manager hands to the media library (section "KestroTVRecordings"),
// as the host's tools show and delete them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/media_library/ml_library.h"
#include "kestro/media_library.h"
#include "kestro/ole_date.h"

namespace kestro::host {

struct RecordingEntry {
  ComPtr<TMLItem> item;
  std::string title;
  std::string subtitle;
  std::string channel;  // "7 ABC"
  std::string file;
  OleDate start = 0.0;
  double duration_seconds = 0.0;
  int64_t size = -1;  // -1: the file is missing
  int32_t keep_until = 0;
  bool watched = false;
};

// Every recording of the section in the order they were added; none when there is no section.
std::vector<RecordingEntry> ListRecordings(TMediaLibrary& library);

// The recording whose item has this id, or nullopt.
std::optional<RecordingEntry> FindRecording(TMediaLibrary& library, int64_t id);

// "space needed", "until deleted" or the number.
std::string KeepUntilText(int32_t keep_until);

// Deletes a recording as the recording engine does: its file (noted in "deleted.txt" beside it),
// its item, and the files of the folder with the same base name and any extension. Returns the
// files deleted. Throws Exception when the file exists and cannot be deleted; then nothing else
// is changed.
std::vector<std::string> DeleteRecording(TMediaLibrary& library, const RecordingEntry& recording);

}  // namespace kestro::host
