// Disk space for recordings: the space reserved by recordings in progress, making room on a
// recording's drive by deleting the oldest recordings kept until space is needed, keeping no more
// recordings of a rule than it allows, and deleting a recording (its files, a line in
// "deleted.txt" beside them, its media-library item). Recordings are found through the host's
// media library section "KestroTVRecordings" and their tags.
//
// Sizes are bytes; the file system is reached through the Env (free space, same device), so a
// test can fake a nearly full drive. Every failure is logged and ends the operation, except a
// failing media-library call outside the guarded steps, which throws to the engine.
//
// REQUIRES: one thread (the host's plug-in thread).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kestro/host.h"
#include "kestro/media_library.h"
#include "kestro/ole_date.h"
#include "platform/env/env.h"
#include "scheduling/rule_library.h"
#include "scheduling/tv_schedule.h"
#include "support/logger.h"

namespace kestro {

inline constexpr int64_t kBytesPerGB = 1073741824;

// The expected size of a recording `minutes` long at `bitrate` (kbit/s as the host reports it):
// 60 minutes at 5000 take 2.5 GB.
int64_t EstimatedRecordingSize(int32_t minutes, int32_t bitrate);

// Bytes as gigabytes with two decimals and thousands grouped: "2.50", "1,024.00".
std::string GBText(int64_t bytes);

// The space a recording in progress is expected to take; size 0 = released.
struct TReservation {
  int64_t size = 0;
  OleDate start_time = 0.0;
  OleDate end_time = 0.0;
  std::string file_name;
  int32_t schedule_id = 0;
};

// The reservations of every recording in progress, shared by the engines of one manager so that
// lineups recording to one drive count each other's recordings.
using TReservations = std::vector<TReservation>;

struct TDeleteCandidate {
  int32_t record_time = 0;  // db time
  std::string file_name;
  ComPtr<IMLItem> item;
};

struct DiskSpaceSetup {
  ComPtr<IKestroSystem> host;
  std::shared_ptr<ILogger> logger;
  std::shared_ptr<Env> env;
  std::shared_ptr<TReservations> reservations;
  bool make_space = true;
  int64_t min_free_space_bytes = 0;
};

class TDiskSpace {
 public:
  explicit TDiskSpace(DiskSpaceSetup setup);

  // Reserves the space of a recording starting now in `folder` and deletes the oldest
  // keep-until-space-needed recordings on its drive until the minimum free space stays free.
  void MakeRoom(const std::string& folder, int32_t minutes, int32_t bitrate,
                const std::string& file_name, int32_t schedule_id);
  // What the recordings in progress on the drive of `folder` will still write; releases the
  // reservations that have ended.
  int64_t ReservedSpace(const std::string& folder);
  void AddReservation(int64_t size, OleDate start, OleDate end, const std::string& file_name,
                      int32_t schedule_id);
  void ReleaseReservation(int32_t schedule_id);
  // Deletes the oldest keep-until-space-needed recordings of the schedule's rule while the rule
  // has more than its keep-at-most, counting the recording starting now.
  void KeepAtMost(TTVSchedule& schedule);

  // The items as candidates, newest first; with a `drive` (a folder) only those whose file is on
  // its device. Items without a record time (tag "record-time", else the file's modification
  // time) are left out.
  std::vector<TDeleteCandidate> BuildDeleteCandidates(const std::vector<ComPtr<IMLItem>>& items,
                                                      const std::string& drive);
  // Deletes the file (a line in "deleted.txt" beside it), the item, and the files of the same
  // base name. A file that cannot be deleted keeps everything.
  void DeleteRecording(const std::string& file_name, IMLSection& section, IMLItem& item);
  // Deletes every file of the folder named like `file_name` with any extension.
  void DeleteRecordingFiles(const std::string& file_name);

 private:
  // Free bytes on the drive of `folder`; false, logged, when they cannot be had.
  bool FreeSpace(const std::string& folder, int64_t* bytes);
  // Whether `path` (or, when it is gone, its folder) lies on the device of `folder`.
  bool OnDrive(const std::string& path, const std::string& folder);
  // The recordings section without creating it; null when it is missing or cannot be opened.
  ComPtr<IMLSection> OpenRecordings();
  std::vector<ComPtr<IMLItem>> FindItems(IMLSection& section, const char* tag,
                                         const std::string& value);

  const DiskSpaceSetup setup_;
  ILogger& log_;
  Env& env_;
  TReservations& reservations_;
};

}  // namespace kestro
