// The host's log: IKestroLog lines appended to a file (or standard error), each with a time.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "kestro/com_object.h"
#include "kestro/host.h"
#include "platform/system/mutex.h"

namespace kestro::host {

class THostLog : public DispatchObject<IKestroLog> {
 public:
  // Appends to `file_name`, creating its folder; an empty name writes to standard error.
  // With `mirror`, a file's lines go to standard error too.
  explicit THostLog(std::string file_name, bool mirror = false);
  HRESULT WriteLine(const std::string& line) override;
  const std::string& FileName() const { return file_name_; }

 private:
  const std::string file_name_;
  const bool mirror_;
  Mutex mutex_;  // one line at a time into the file
};

ComPtr<THostLog> NewHostLog(const std::string& file_name, bool mirror = false);

}  // namespace kestro::host
