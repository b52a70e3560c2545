// Whole-file locks between processes: open-file-description locks (F_OFD_SETLK), which the
// system drops with the last descriptor of the open, so a crashed holder never leaves one behind.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/system/unique_fd.h"

namespace kestro {

// Opens `path` for writing (created with `mode` less the umask; a link in its place is not
// followed) and locks it without waiting. The descriptor holds the lock; an invalid one when
// someone else holds it (another process, or another open in this one). Throws Exception
// "Failed to open the <what> "<path>" : <reason>" or "Failed to take the <what> ...".
UniqueFd TryLockFile(const std::string& path, const char* what, mode_t mode = 0666);

// Whether anyone holds the lock on `path`; false when the file cannot be opened.
bool IsFileLocked(const std::string& path);

}  // namespace kestro
