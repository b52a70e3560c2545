#include "support/host_log.h"

#include <utility>

#include "platform/exception.h"

namespace kestro {

void TMLLogger::WriteLine(std::string_view line) {
  if (!host_log_) throw Exception("No host log to write to");
  CheckHResult(host_log_->WriteLine(std::string(line)), "Failed to write to the host log");
}

std::string TMLLogger::FormatHeader() { return std::string(); }

TKestroLog::TKestroLog(std::shared_ptr<ILogger> logger, std::string prefix)
    : TKestroIntfObject<IKestroLog>(true), logger_(std::move(logger)), prefix_(std::move(prefix)) {}

HRESULT TKestroLog::WriteLine(const std::string& line) {
  return Frame([&] {
    if (!logger_) return;
    if (prefix_.empty()) logger_->Log(line);
    else logger_->LogFmt("%s : %s", prefix_.c_str(), line.c_str());
  });
}

ComPtr<TKestroLog> NewKestroLog(std::shared_ptr<ILogger> logger, std::string prefix) {
  return MakeObject<TKestroLog>(std::move(logger), std::move(prefix));
}

}  // namespace kestro
