#include "host/tuners/tuner_stream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host/tuners/http_stream.h"
#include "host/tuners/test_stream.h"
#include "platform/exception.h"

namespace kestro::host {

namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& path) {
  throw EOSError(std::string(what) + " \"" + path + "\" : " + std::strerror(errno));
}

}  // namespace

StopSignal::StopSignal() : event_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (!event_.valid())
    throw EOSError(std::string("Failed to make an event : ") + std::strerror(errno));
}

void StopSignal::Set() {
  const uint64_t one = 1;
  // A counter that cannot take more is readable already.
  [[maybe_unused]] ssize_t written = ::write(event_.get(), &one, sizeof one);
}

bool StopSignal::WaitFor(std::chrono::milliseconds timeout) const {
  pollfd pfd{event_.get(), POLLIN, 0};
  int ready;
  while ((ready = ::poll(&pfd, 1, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) {
  }
  return ready > 0;
}

RecordingFile::RecordingFile(std::string path) : path_(std::move(path)) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
  fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  if (!fd_.valid()) ThrowFileError("Failed to open the recording", path_);
  struct stat st {};
  if (::fstat(fd_.get(), &st) != 0) ThrowFileError("Failed to read the size of", path_);
  size_ = st.st_size - st.st_size % kPacketSize;
  if (size_ != st.st_size && ::ftruncate(fd_.get(), size_) != 0)
    ThrowFileError("Failed to cut back the recording", path_);
  if (::lseek(fd_.get(), size_, SEEK_SET) < 0) ThrowFileError("Failed to continue", path_);
}

void RecordingFile::Write(std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd_.get(), data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowFileError("Failed to write the recording", path_);
    }
    data.remove_prefix(static_cast<size_t>(written));
    size_ += written;
  }
}

void RecordingFile::Close() {
  if (!fd_.valid()) return;
  const int fd = fd_.release();
  const bool synced = ::fdatasync(fd) == 0 || errno == EINVAL;
  const int saved = errno;
  if (::close(fd) != 0 || !synced) {
    if (!synced) errno = saved;
    ThrowFileError("Failed to close the recording", path_);
  }
}

std::unique_ptr<TunerStream> OpenTunerStream(const TunerInfo& tuner, const TunerChannel& channel) {
  if (tuner.backend == "test") return OpenTestStream(tuner);
  if (tuner.backend == "http") return OpenHttpStream(tuner, channel);
  throw Exception("Tuner " + std::to_string(tuner.tuner_id) + " of lineup " +
                  std::to_string(tuner.lineup_id) + " names an unknown back end \"" +
                  tuner.backend + "\"");
}

}  // namespace kestro::host
