// The real Env: the machine's clocks and file system; timers, processes and HTTP in their own
// files.
#include "platform/env/real_env.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/env/real_parts.h"
#include "platform/time/date_time.h"

namespace kestro {

OleDate Env::NowLocal() { return UnixMillisToLocal(NowUnixMillis()); }

namespace {

namespace fs = std::filesystem;

std::error_code LastError() { return std::error_code(errno, std::generic_category()); }

int64_t ReadClock(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t Millis(const statx_timestamp& ts) {
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class RealEnv final : public Env {
 public:
  int64_t NowUnixMillis() override { return ReadClock(CLOCK_REALTIME); }
  int64_t SteadyMillis() override { return ReadClock(CLOCK_MONOTONIC); }

  std::unique_ptr<TimerService> NewTimerService(TimerCallback on_expiry) override {
    return NewRealTimerService(std::move(on_expiry));
  }

  bool FileExists(const std::string& path) override {
    std::error_code ec;
    return fs::exists(path, ec);
  }

  std::error_code CreateDirectories(const std::string& path) override {
    std::error_code ec;
    fs::create_directories(path, ec);
    return ec;
  }

  std::error_code RenameFile(const std::string& from, const std::string& to) override {
    std::error_code ec;
    fs::rename(from, to, ec);
    return ec;
  }

  std::error_code RenameFileIfAbsent(const std::string& from, const std::string& to) override {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    return {errno, std::generic_category()};
  }

  std::error_code RemoveFile(const std::string& path) override {
    std::error_code ec;
    fs::remove(path, ec);
    return ec;
  }

  std::error_code ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) override {
    entries->clear();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code type_ec;
      DirEntry entry;
      entry.name = it->path().filename().string();
      entry.is_directory = it->is_directory(type_ec) && !it->is_symlink(type_ec);
      entry.is_regular_file = it->is_regular_file(type_ec);
      entries->push_back(std::move(entry));
    }
    return ec;
  }

  std::error_code GetFileTimes(const std::string& path, FileTimes* times) override {
    struct statx stx {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &stx) == 0) {
      times->modified_unix_ms = Millis(stx.stx_mtime);
      times->created_unix_ms =
          (stx.stx_mask & STATX_BTIME) ? Millis(stx.stx_btime) : times->modified_unix_ms;
      return {};
    }
    struct stat st {};  // a kernel or sandbox without statx
    if (stat(path.c_str(), &st) != 0) return LastError();
    times->modified_unix_ms =
        static_cast<int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    times->created_unix_ms = times->modified_unix_ms;
    return {};
  }

  std::error_code FreeSpace(const std::string& path, uint64_t* bytes) override {
    struct statvfs st {};
    if (statvfs(path.c_str(), &st) != 0) return LastError();
    *bytes = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
    return {};
  }

  std::error_code SameDevice(const std::string& a, const std::string& b, bool* same) override {
    struct stat sa {}, sb {};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return LastError();
    *same = sa.st_dev == sb.st_dev;
    return {};
  }

  std::error_code CheckWritable(const std::string& path) override {
    // By the effective ids, as an open for writing would be judged.
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return LastError();
    return {};
  }

  std::unique_ptr<ChildProcess> StartProcess(const ProcessOptions& options) override {
    return StartRealProcess(options);
  }

  HttpResult HttpGet(const HttpRequest& request, HttpSink& sink) override {
    return RealHttpGet(request, sink);
  }

  void CrashPoint(std::string_view name) override {
    const char* crash_at = std::getenv("KESTRO_CRASH_AT");
    if (crash_at && name == crash_at) kill(getpid(), SIGKILL);
  }
};

}  // namespace

std::shared_ptr<Env> MakeRealEnv() { return std::make_shared<RealEnv>(); }

}  // namespace kestro
