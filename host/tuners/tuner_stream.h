// What a tuner back end gives the recorder: a stream written into the recording's file until the
// recording is stopped. Back ends are chosen per tuner group by name ("test"; "http" later).
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

class TunerStream {
 public:
  virtual ~TunerStream() = default;
  // The stream's bit rate in kbit/s, as the scheduler estimates a recording's size.
  virtual int32_t BitrateKbps() const = 0;
  // Writes the stream into `file` until `stop` is set. Throws Exception when the stream fails.
  virtual void Run(RecordingFile& file, const StopSignal& stop) = 0;
};

// Opens the stream of `tuner` through its back end. Throws Exception with a reason the user can
// act on (an unknown back end, a bad tuner property, a source that does not answer).
std::unique_ptr<TunerStream> OpenTunerStream(const TunerInfo& tuner);

}  // namespace kestro::host
