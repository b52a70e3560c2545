// Locks the thread-safety analysis understands (thread_annotations.h): a mutex, a recursive
// mutex, and the scoped lock that holds either for a block.
#pragma once

#include <mutex>

#include "platform/system/thread_annotations.h"

namespace kestro {

template <class StdMutex>
class CAPABILITY("mutex") BasicMutex {
 public:
  BasicMutex() = default;
  BasicMutex(const BasicMutex&) = delete;
  BasicMutex& operator=(const BasicMutex&) = delete;

  void Lock() ACQUIRE() { mutex_.lock(); }
  void Unlock() RELEASE() { mutex_.unlock(); }

 private:
  StdMutex mutex_;
};

using Mutex = BasicMutex<std::mutex>;
// May be taken again by the thread that holds it (a logger's Flush inside its Log).
using RecursiveMutex = BasicMutex<std::recursive_mutex>;

// Holds `mutex` from construction to the end of the block.
template <class M>
class SCOPED_CAPABILITY BasicMutexLock {
 public:
  explicit BasicMutexLock(M& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~BasicMutexLock() RELEASE() { mutex_.Unlock(); }
  BasicMutexLock(const BasicMutexLock&) = delete;
  BasicMutexLock& operator=(const BasicMutexLock&) = delete;

 private:
  M& mutex_;
};

using MutexLock = BasicMutexLock<Mutex>;
using RecursiveMutexLock = BasicMutexLock<RecursiveMutex>;

}  // namespace kestro
