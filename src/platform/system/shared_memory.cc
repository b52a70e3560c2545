#include "platform/system/shared_memory.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/exception.h"

namespace kestro {
namespace {

[[noreturn]] void ThrowOSError(int error) { throw EOSError(std::strerror(error)); }

int64_t SteadyMillis() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The futex calls work across processes because the word lies in shared memory and the private
// flag is not given.
void FutexWait(uint32_t* word, uint32_t expected, int64_t timeout_ms) {
  timespec timeout{static_cast<time_t>(timeout_ms / 1000),
                   static_cast<long>(timeout_ms % 1000) * 1000000L};
  syscall(SYS_futex, word, FUTEX_WAIT, expected, &timeout, nullptr, 0);
}

void FutexWakeAll(uint32_t* word) { syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0); }

}  // namespace

SharedMemory::SharedMemory(std::string name, size_t size, mode_t mode)
    : name_(std::move(name)), size_(size) {
  fd_.reset(shm_open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (fd_.valid()) {
    created_ = true;
    // A new object is zero-filled by the system when it is given its length.
    if (fchmod(fd_.get(), mode) != 0 || ftruncate(fd_.get(), static_cast<off_t>(size_)) != 0) {
      const int error = errno;
      shm_unlink(name_.c_str());
      ThrowOSError(error);
    }
    return;
  }
  if (errno != EEXIST) ThrowOSError(errno);
  fd_.reset(shm_open(name_.c_str(), O_RDWR | O_CLOEXEC, 0));
  if (!fd_.valid()) ThrowOSError(errno);
  // Its creator may not have given it its length yet; zeros are what it would write.
  struct stat st {};
  if (fstat(fd_.get(), &st) != 0) ThrowOSError(errno);
  if (static_cast<size_t>(st.st_size) < size_ &&
      ftruncate(fd_.get(), static_cast<off_t>(size_)) != 0)
    ThrowOSError(errno);
}

SharedMemory::~SharedMemory() { Unmap(); }

void* SharedMemory::Map() {
  if (view_) return view_;
  void* view = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_.get(), 0);
  if (view == MAP_FAILED) ThrowOSError(errno);
  view_ = view;
  return view_;
}

void SharedMemory::Unmap() {
  if (!view_) return;
  munmap(view_, size_);
  view_ = nullptr;
}

void SharedMemory::Unlink(const std::string& name) { shm_unlink(name.c_str()); }

// ---------------------------------------------------------------------------------------------

SharedPulse::SharedPulse(std::string name)
    : memory_(std::move(name), sizeof(uint32_t), 0666),
      word_(static_cast<uint32_t*>(memory_.Map())) {}

std::atomic_ref<uint32_t> SharedPulse::Word() { return std::atomic_ref<uint32_t>(*word_); }

void SharedPulse::Pulse() {
  Word().fetch_add(1);
  FutexWakeAll(word_);
}

bool SharedPulse::Wait(int32_t timeout_ms, const std::atomic<bool>* stop) {
  const uint32_t seen = Word().load();
  const int64_t deadline = SteadyMillis() + timeout_ms;
  for (;;) {
    const int64_t left = deadline - SteadyMillis();
    if (left <= 0) return Word().load() != seen;
    // Returns at once when the word moved on since it was read, so no pulse is missed.
    FutexWait(word_, seen, left);
    if (Word().load() != seen) return true;
    if (stop && stop->load()) return false;
  }
}

void SharedPulse::Interrupt() { FutexWakeAll(word_); }

}  // namespace kestro
