// Where the module's log meets the host's log (IKestroLog), in both directions:
//  - TMLLogger writes the module's lines to the host's log;
//  - TKestroLog is an IKestroLog over one of the module's loggers, handed to host-side components
//    (import plug-ins) so that they write into the module's log.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/kestro_object.h"
#include "kestro/host.h"
#include "support/logger.h"

namespace kestro {

// Passes each bare line (no header of its own) to the host log's WriteLine. A failed call throws
// to the caller of Log.
class TMLLogger : public TLogger {
 public:
  explicit TMLLogger(ComPtr<IKestroLog> host_log)
      : TLogger(nullptr), host_log_(std::move(host_log)) {}
  void WriteLine(std::string_view line) override;
  void Clear() override {}

 protected:
  std::string FormatHeader() override REQUIRES(mutex());

 private:
  const ComPtr<IKestroLog> host_log_;
};

// IKestroLog over a module logger: each line is logged as it is, or as "<prefix> : <line>" when
// there is a prefix.
class TKestroLog : public TKestroIntfObject<IKestroLog> {
 public:
  TKestroLog(std::shared_ptr<ILogger> logger, std::string prefix);
  HRESULT WriteLine(const std::string& line) override;

 private:
  const std::shared_ptr<ILogger> logger_;
  const std::string prefix_;
};

ComPtr<TKestroLog> NewKestroLog(std::shared_ptr<ILogger> logger, std::string prefix);

}  // namespace kestro
