#include "platform/system/file_lock.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

struct flock WholeFile() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return lock;
}

}  // namespace

UniqueFd TryLockFile(const std::string& path, const char* what, mode_t mode) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode));
  if (!fd.valid()) {
    throw Exception(
        Format("Failed to open the %s \"%s\" : %s", what, path.c_str(), std::strerror(errno)));
  }
  struct flock lock = WholeFile();
  if (::fcntl(fd.get(), F_OFD_SETLK, &lock) != 0) {
    const int error = errno;
    if (error == EAGAIN || error == EACCES) return UniqueFd();
    throw Exception(
        Format("Failed to take the %s \"%s\" : %s", what, path.c_str(), std::strerror(error)));
  }
  return fd;
}

bool IsFileLocked(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.valid()) return false;
  struct flock lock = WholeFile();
  return ::fcntl(fd.get(), F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

}  // namespace kestro
