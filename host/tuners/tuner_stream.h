// What a tuner back end gives the recorder: a stream written into the recording's file until the
// recording is stopped. Back ends are chosen per tuner group by name ("test", "http").
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/tuners/tuner_list.h"
#include "platform/system/unique_fd.h"

namespace kestro::host {

// A flag one thread sets, once, and another waits for (an eventfd that stays readable). Any
// thread.
class StopSignal {
 public:
  // Throws EOSError when the descriptor cannot be made.
  StopSignal();
  void Set();
  // Waits at most `timeout`; true when the signal is set.
  bool WaitFor(std::chrono::milliseconds timeout) const;
  bool IsSet() const { return WaitFor(std::chrono::milliseconds(0)); }

 private:
  UniqueFd event_;
};

// The file a recording writes, in whole 188-byte transport stream packets. An existing file is
// continued (a recording started again after an interruption keeps what it had), cut back to
// whole packets first. Each write goes straight to the file, so readers see it grow.
class RecordingFile {
 public:
  static constexpr int64_t kPacketSize = 188;

  // Creates the folder when needed. Throws EOSError naming the file.
  explicit RecordingFile(std::string path);
  // Closes the file; errors are lost (Close reports them).
  ~RecordingFile() = default;

  // Throws EOSError naming the file (a full disk, say).
  void Write(std::string_view data);
  // Throws EOSError when the data cannot be written out.
  void Close();
  const std::string& Path() const { return path_; }
  int64_t Size() const { return size_; }

 private:
  std::string path_;
  UniqueFd fd_;
  int64_t size_ = 0;
};

// What a stream tells its recorder while it runs. Called on the recorder's thread.
class StreamEvents {
 public:
  virtual ~StreamEvents() = default;
  // The source delivers: the recording has started, at this bit rate in kbit/s (as the scheduler
  // estimates a recording's size). Called once, before the stream ends normally.
  virtual void Started(int32_t bitrate_kbps) = 0;
  virtual void Log(const std::string& line) = 0;
};

class TunerStream {
 public:
  virtual ~TunerStream() = default;
  // Writes the stream into `file` until `stop` is set. Throws Exception when the stream fails:
  // before Started, the recording could not start (the message says why); after it, the
  // recording ends early with what it has.
  virtual void Run(RecordingFile& file, const StopSignal& stop, StreamEvents& events) = 0;
};

// The channel a recording is made from, as the scheduler's start request names it.
struct TunerChannel {
  int32_t number = 0;
  std::string name;  // the channel's short name
  std::string external_id;
};

// Opens the stream of `channel` on `tuner` through its back end. Throws Exception with a reason
// the user can act on (an unknown back end, a bad tuner property, no source for the channel).
std::unique_ptr<TunerStream> OpenTunerStream(const TunerInfo& tuner, const TunerChannel& channel);

}  // namespace kestro::host
