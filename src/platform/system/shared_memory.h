// Memory and change signals shared by the processes of one machine, by name: a POSIX
// shared-memory object mapped read/write, and a change word in one that processes wait on with a
// futex. They stand in for a named paging-file mapping and a named event that is only pulsed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system/unique_fd.h"

namespace kestro {

// One shared-memory object ("/name") of a fixed size. Not thread-safe: one thread maps and
// unmaps; what is stored in the mapping is the users' business.
class SharedMemory {
 public:
  // Opens the object, creating it when missing with `mode` (the umask does not narrow it) and
  // `size` bytes of zeros; an existing object is used as it is (made `size` long when shorter).
  // Throws EOSError with the system's text.
  SharedMemory(std::string name, size_t size, mode_t mode);
  ~SharedMemory();
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // Whether this object made the shared object (rather than opening one that existed).
  bool Created() const { return created_; }
  // The mapping, made now when there is none. Throws EOSError with the system's text.
  void* Map();
  void Unmap();
  bool Mapped() const { return view_ != nullptr; }
  size_t size() const { return size_; }
  const std::string& name() const { return name_; }

  // Removes the name; processes that have the object open keep it. Missing names are ignored.
  static void Unlink(const std::string& name);

 private:
  const std::string name_;
  const size_t size_;
  UniqueFd fd_;
  bool created_ = false;
  void* view_ = nullptr;
};

// A named change signal: Pulse wakes every thread, in any process, that is waiting on the same
// name at that moment; a thread that begins to wait later sees nothing of it. Thread-safe.
class SharedPulse {
 public:
  // Opens (creating when missing, mode 0666) the shared word named `name`. Throws EOSError.
  explicit SharedPulse(std::string name);

  void Pulse();
  // Waits at most `timeout_ms` for a pulse; true when one came. Returns false early, without a
  // pulse, once `*stop` is true and Interrupt was called.
  bool Wait(int32_t timeout_ms, const std::atomic<bool>* stop = nullptr);
  // Wakes the waiters of this name without a pulse, so that one whose stop flag is set returns;
  // the others wait on.
  void Interrupt();

 private:
  std::atomic_ref<uint32_t> Word();

  SharedMemory memory_;
  uint32_t* word_;
};

}  // namespace kestro
