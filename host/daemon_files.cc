#include "host/daemon_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "host/host_clock.h"
#include "platform/exception.h"
#include "platform/system/file_lock.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

namespace {

using json = nlohmann::ordered_json;  // items keep their order

constexpr const char* kDateFormat = "yyyy-mm-dd hh:nn:ss";

std::string DateText(OleDate date) { return date == 0 ? "" : FormatDateTime(kDateFormat, date); }

OleDate ParseDate(const std::string& text) {
  OleDate date = 0;
  TryStrToDateTime(text, 0, &date);
  return date;
}

json ToJson(const Variant& value) {
  switch (value.Type()) {
    case VT_BOOL: return value.ToBool();
    case VT_R8: return value.ToDouble();
    case VT_DATE: return DateText(value.ToDate());
    default:
      if (value.IsOrdinal()) return value.ToInt64();
      if (value.IsEmptyOrNull()) return nullptr;
      try {
        return value.ToString();
      } catch (const std::exception&) {
        return nullptr;  // an object has no text
      }
  }
}

Variant FromJson(const json& value) {
  if (value.is_boolean()) return Variant(value.get<bool>());
  if (value.is_number_integer()) return Variant(value.get<int64_t>());
  if (value.is_number()) return Variant(value.get<double>());
  if (value.is_string()) return Variant(value.get<std::string>());
  return Variant();
}

}  // namespace

std::string DaemonLockFile(const std::string& root_dir) { return root_dir + "kestrod.lock"; }
std::string DaemonStatusFile(const std::string& root_dir) {
  return root_dir + "kestrod-status.json";
}

std::optional<InstanceLock> InstanceLock::TryAcquire(const std::string& file, pid_t* holder) {
  UniqueFd fd = TryLockFile(file, "daemon lock");
  if (!fd.valid()) {
    *holder = Holder(file).value_or(0);
    return std::nullopt;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd.get(), 0) != 0 || ::pwrite(fd.get(), pid.data(), pid.size(), 0) < 0) {
    throw Exception(Format("Failed to write the daemon lock \"%s\" : %s", file.c_str(),
                           std::strerror(errno)));
  }
  return InstanceLock(std::move(fd));
}

std::optional<pid_t> InstanceLock::Holder(const std::string& file) {
  if (!IsFileLocked(file)) return std::nullopt;
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  char text[32] = {};
  int32_t pid = 0;
  const ssize_t got = ::pread(fd.get(), text, sizeof text - 1, 0);
  return got > 0 && TryStrToInt(Trim(std::string(text, static_cast<size_t>(got))), &pid)
             ? pid
             : 0;
}

void WriteDaemonStatus(const std::string& file, const DaemonStatus& status) {
  json properties = json::object();
  for (const auto& [name, values] : status.properties) {
    json item = json::object();
    for (const auto& [key, value] : values) item[key] = ToJson(value);
    properties[name] = std::move(item);
  }
  json recordings = json::array();
  for (const RecordingRequest& r : status.recordings) {
    recordings.push_back({{"lineup-id", r.lineup_id},
                          {"tuner-id", r.tuner_id},
                          {"schedule-id", r.schedule_id},
                          {"caption", r.caption},
                          {"file", r.file},
                          {"start-time", DateText(r.start_time)},
                          {"end-time", DateText(r.end_time)}});
  }
  const json document = {{"pid", status.pid},
                         {"updated", DateText(NowLocal())},
                         {"properties", std::move(properties)},
                         {"recordings", std::move(recordings)}};
  const std::string temporary = file + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << document.dump(2) << "\n";
    out.close();
    if (!out) throw Exception("Failed to write \"" + temporary + "\"");
  }
  std::error_code ec;
  std::filesystem::rename(temporary, file, ec);
  if (ec) throw Exception("Failed to replace \"" + file + "\" : " + ec.message());
}

DaemonStatus ReadDaemonStatus(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Exception("Failed to read \"" + file + "\"");
  DaemonStatus status;
  try {
    const json document = json::parse(in);
    status.pid = document.value("pid", 0);
    status.updated = document.value("updated", "");
    const json properties = document.value("properties", json::object());
    for (const auto& [name, item] : properties.items())
      for (const auto& [key, value] : item.items())
        status.properties[name].emplace_back(key, FromJson(value));
    const json recordings = document.value("recordings", json::array());
    for (const json& r : recordings) {
      status.recordings.push_back({r.value("lineup-id", 0), r.value("tuner-id", 0),
                                   r.value("schedule-id", 0), r.value("caption", ""),
                                   r.value("file", ""), 0,
                                   ParseDate(r.value("start-time", "")),
                                   ParseDate(r.value("end-time", ""))});
    }
  } catch (const json::exception& e) {
    throw Exception("Failed to read \"" + file + "\" : " + e.what());
  }
  return status;
}

}  // namespace kestro::host
