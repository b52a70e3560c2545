// Recorder: one recording in progress, on a thread of its own. It opens the tuner's stream and
// the file, reports the start once the stream delivers (or why it could not start, removing a
// file it left empty), writes until stopped, closes the file and reports the end. Reports go
// through a callback that only posts (the host's message bus), so the recorder never calls the
// module from its thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/tuners/tuner_list.h"
#include "host/tuners/tuner_stream.h"
#include "kestro/ole_date.h"
#include "kestro/variant.h"

namespace kestro::host {

// The scheduler's notifications the tuner side sends.
inline constexpr const char* kRecordingStarted = "tv-scheduler.notify.recording-started";
inline constexpr const char* kRecordingStartFailed = "tv-scheduler.notify.recording-start-failed";
inline constexpr const char* kRecordingFinished = "tv-scheduler.notify.recording-finished";

struct RecordingRequest {
  int32_t lineup_id = 0;
  int32_t tuner_id = 0;
  int32_t schedule_id = 0;
  std::string caption;
  std::string file;  // the full path of the file to write
  int32_t duration_minutes = 0;
  OleDate start_time{};
  OleDate end_time{};
  TunerChannel channel{};
  // "duration" and "duration-text" of the request, handed back with the start.
  Variant duration{};
  Variant duration_text{};
};

using ReportValues = std::vector<std::pair<std::string, Variant>>;
// Sends a notification; called on the recorder's thread, so it must only post.
using ReportFn = std::function<void(const std::string& subject, ReportValues values)>;

class Recorder {
 public:
  // Starts the thread. `log` takes the recorder's log lines, `on_end` runs last on its thread,
  // after the final report; both must be callable from any thread.
  Recorder(TunerInfo tuner, RecordingRequest request, ReportFn report,
           std::function<void(const std::string&)> log, std::function<void()> on_end);
  // Stops the recording and waits until the file is closed and the end reported.
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Asks the recording to end; returns at once.
  void Stop() { stop_.Set(); }
  const RecordingRequest& Request() const { return request_; }

 private:
  void Record();
  ReportValues Ids() const;

  const TunerInfo tuner_;
  const RecordingRequest request_;
  const ReportFn report_;
  const std::function<void(const std::string&)> log_;
  const std::function<void()> on_end_;
  StopSignal stop_;
  std::thread thread_;  // last: started once everything it uses exists
};

}  // namespace kestro::host
