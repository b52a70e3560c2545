#include "support/file_logger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <utility>

#include "platform/system/debug_trace.h"
#include "platform/system/unique_fd.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Makes a rename durable, as a write-through move would.
void SyncFolder(const fs::path& folder) {
  UniqueFd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) fsync(dir.get());
}

}  // namespace

TBufferedFileLogger::TBufferedFileLogger(std::shared_ptr<Env> env, std::string file_name,
                                         int32_t max_age_days, size_t buffer_limit)
    : TStringsLogger(std::move(env), buffer),
      file_name_(std::move(file_name)),
      max_age_days_(max_age_days),
      buffer_limit_(buffer_limit) {
  RotateIfOld();
}

TBufferedFileLogger::~TBufferedFileLogger() {
  try {
    Flush();
  } catch (const std::exception& e) {
    // A logger going away must not throw; its lines are lost, and the debug output says so.
    DebugTrace(Format("BAD : Writing log file \"%s\" : %s", file_name_.c_str(), e.what()));
  }
}

void TBufferedFileLogger::WriteLine(std::string_view line) {
  RecursiveMutexLock lock(mutex());
  lines().emplace_back(line);
  if (buffer_limit_ != 0 && lines().size() > buffer_limit_) Flush();
}

size_t TBufferedFileLogger::PendingLines() {
  RecursiveMutexLock lock(mutex());
  return lines().size();
}

void TBufferedFileLogger::Flush() {
  RecursiveMutexLock lock(mutex());
  if (lines().empty()) return;

  const fs::path path(file_name_);
  if (path.has_parent_path()) env()->CreateDirectories(path.parent_path());

  bool created = false;
  int raw_fd = open(file_name_.c_str(), O_WRONLY | O_CLOEXEC);
  if (raw_fd < 0 && errno == ENOENT) {
    raw_fd = open(file_name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = raw_fd >= 0;
  }
  UniqueFd fd(raw_fd);
  if (!fd.valid()) return;
  if (created) RecordCreationNow();

  const off_t end = lseek(fd.get(), 0, SEEK_END);
  if (end < 0) return;
  std::string text;
  for (const std::string& line : lines()) {
    text += line;
    text += "\r\n";
  }
  if (WriteAll(fd.get(), text)) {
    lines().clear();
    return;
  }
  // Take back a partial write: the lines stay buffered and must not appear twice.
  [[maybe_unused]] const int truncated = ftruncate(fd.get(), end);
}

std::string TBufferedFileLogger::DatedFileName(const std::string& file_name,
                                               OleDate created_local) {
  const fs::path path(file_name);
  std::string extension = path.extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  fs::path dated = path;
  dated.replace_filename(path.stem().string() + FormatDateTime(".yyyy-mm-dd.", created_local) +
                         extension);
  return dated.string();
}

std::string TBufferedFileLogger::CreationRecordName(const std::string& file_name) {
  const fs::path path(file_name);
  fs::path record = path;
  record.replace_filename("." + path.filename().string() + ".created");
  return record.string();
}

std::optional<int64_t> TBufferedFileLogger::CreationUnixMillis(Env& env,
                                                               const std::string& file_name) {
  std::ifstream in(CreationRecordName(file_name));
  std::string text;
  int64_t ms = 0;
  if (in && std::getline(in, text) && TryStrToInt64(text, &ms)) return ms;
  FileTimes times;
  if (env.GetFileTimes(file_name, &times)) return std::nullopt;
  return times.created_unix_ms;
}

void TBufferedFileLogger::RotateIfOld() {
  if (max_age_days_ <= 0) return;
  Env& env = *this->env();
  if (!env.FileExists(file_name_)) return;
  const std::optional<int64_t> created_ms = CreationUnixMillis(env, file_name_);
  if (!created_ms) return;
  const OleDate created_local = UnixMillisToLocal(*created_ms);
  if (!(created_local > 0)) return;
  const double age_days = static_cast<double>(env.NowUnixMillis() - *created_ms) / kMillisPerDay;
  if (age_days < max_age_days_) return;

  if (env.RenameFile(file_name_, DatedFileName(file_name_, created_local))) return;
  // The record belongs to the file that moved away; the next Flush starts a new one.
  env.RemoveFile(CreationRecordName(file_name_));
  SyncFolder(fs::path(file_name_).parent_path());
}

void TBufferedFileLogger::RecordCreationNow() {
  if (max_age_days_ <= 0) return;
  std::ofstream out(CreationRecordName(file_name_), std::ios::trunc);
  out << env()->NowUnixMillis() << '\n';
}

}  // namespace kestro
