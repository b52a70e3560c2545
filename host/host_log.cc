#include "host/host_log.h"

#include <filesystem>
#include <fstream>
#include <iostream>

#include "host/host_clock.h"
#include "kestro/host_type_library.h"
#include "platform/exception.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

THostLog::THostLog(std::string file_name, bool mirror)
    : DispatchObject<IKestroLog>(HostTypeLibrary()),
      file_name_(std::move(file_name)),
      mirror_(mirror) {}

HRESULT THostLog::WriteLine(const std::string& line) {
  return Frame([&] {
    std::string text = FormatDateTime("yyyy-mm-dd hh:nn:ss", NowLocal()) + " " + line + "\n";
    MutexLock lock(mutex_);
    if (file_name_.empty() || mirror_) std::cerr << text << std::flush;
    if (file_name_.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file_name_).parent_path(), ec);
    std::ofstream out(file_name_, std::ios::app | std::ios::binary);
    out << text;
    if (!out) throw EOSError("Failed to write the host log \"" + file_name_ + "\"");
  });
}

ComPtr<THostLog> NewHostLog(const std::string& file_name, bool mirror) {
  return MakeObject<THostLog>(file_name, mirror);
}

}  // namespace kestro::host
