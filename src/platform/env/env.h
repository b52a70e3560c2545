// Env: everything the module takes from outside the process — the clock, timers, the file system
// operations it uses, child processes and HTTP — behind one interface, so that tests can run the
// module at exact moments without sleeping and make a disk, a process or a server fail.
//
// The module's system object owns one (the real one, real_env.h) and passes it down; a database
// connection carries the Env it was opened with, so objects that hold only a connection reach it
// too. Every Env is thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "kestro/ole_date.h"

namespace kestro {

// ---------------------------------------------------------------------------------------------
// Timers

// Reports that timer `timer_id` expired. Runs on the timer service's own thread; it must not
// throw, and should hand the work to its owner's thread (a message loop) rather than do it there.
using TimerCallback = std::function<void(uint32_t timer_id)>;

// One owner's timers, each known by the id its owner gives it.
class TimerService {
 public:
  // Stops every timer; once it returns, no callback runs or will run.
  virtual ~TimerService() = default;

  // Arms timer `id`, replacing a timer of that id. It expires first at `due_unix_ms` (wall clock,
  // UTC milliseconds; a moment already past expires at once), then every `period_ms` when that is
  // above 0, else once (a one-shot timer is forgotten once it has expired). With `wake` it wakes
  // the machine from suspend to expire, where the process may do so. When the wall clock is set,
  // a one-shot timer still expires at its wall-clock moment (at once when that has passed) and a
  // periodic timer next expires one period after the change. Expiries a periodic timer missed
  // (the machine slept) are reported once. Throws kestro::Exception with the system's error
  // when the timer cannot be made.
  virtual void Arm(uint32_t id, int64_t due_unix_ms, int64_t period_ms, bool wake) = 0;
  // Stops timer `id`; an unknown id is ignored. An expiry that the service's thread is reporting
  // at this moment may still arrive: the owner ignores ids it no longer knows.
  virtual void Cancel(uint32_t id) = 0;
  virtual void CancelAll() = 0;
};

// ---------------------------------------------------------------------------------------------
// Files

struct DirEntry {
  std::string name;              // without the directory
  bool is_directory = false;     // a directory itself, not a link to one
  bool is_regular_file = false;  // a regular file, or a link to one
};

struct FileTimes {
  int64_t modified_unix_ms = 0;
  // The birth time where the file system keeps one, else the modification time.
  int64_t created_unix_ms = 0;
};

// ---------------------------------------------------------------------------------------------
// Child processes

struct ProcessOptions {
  std::string executable;  // an absolute path; also the child's argv[0]
  std::vector<std::string> args;  // after argv[0]
  std::string working_directory;
  // Each line the child writes to its standard output or error, without the line end, on the
  // thread that calls Wait or Terminate. Empty: the output is discarded.
  std::function<void(const std::string& line)> on_output;
};

// One running child: started at idle priority (nice 19) in a process group of its own, standard
// input /dev/null, standard output and error into one pipe, none of the parent's other files.
class ChildProcess {
 public:
  // Ends a child that is still running (as Terminate(500) does) and reaps it, so no object
  // leaves a zombie or an open pipe behind.
  virtual ~ChildProcess() = default;

  // Waits at most `timeout_ms` for the child to end, passing its output on meanwhile. True when
  // it has ended (now or before).
  virtual bool Wait(int32_t timeout_ms) = 0;
  virtual bool Running() const = 0;
  // Ends the child and its process group: SIGTERM, then SIGKILL when it is still there after
  // `grace_ms`; reaps it. Nothing when it has ended already.
  virtual void Terminate(int32_t grace_ms = 2000) = 0;
  // The exit status of the ended child: its exit code, or 128 + the signal that ended it.
  virtual int ExitCode() const = 0;
};

// ---------------------------------------------------------------------------------------------
// HTTP

struct HttpRequest {
  std::string url;  // http: or https:; redirects are followed, certificates verified
  std::string user_agent;
  // With a user, the server may authenticate the request; empty: no credentials are sent.
  std::string user;
  std::string password;
  bool reload = false;        // asks caches on the way for a fresh copy
  bool headers_only = false;  // the transfer ends after the final response's headers
  // Nothing connecting or arriving for this long ends the transfer as timed out; 0: no limit.
  int32_t inactivity_timeout_ms = 120000;
};

// The receiving side of a transfer. Every call comes on the thread running HttpGet; answering
// false cancels the transfer.
class HttpSink {
 public:
  virtual ~HttpSink() = default;
  // The connection to the server (or the proxy) stands and the request is about to go out; once
  // per connection made.
  virtual bool OnConnected() { return true; }
  // The final response (after redirects) has come: its status, its length (-1 when the server
  // gives none) and its header lines ("Name: value"), before any of its body.
  virtual bool OnResponse(int32_t status, int64_t content_length,
                          const std::vector<std::string>& headers) {
    return true;
  }
  // The next piece of the body.
  virtual bool OnData(std::string_view data) = 0;
  // Body bytes received so far and expected (-1 when unknown). Called at least once a second
  // while the transfer runs, also while it waits, so a sink can cancel from here.
  virtual bool OnProgress(int64_t received, int64_t expected) { return true; }
};

struct HttpResult {
  enum class Outcome { kDone, kCanceled, kTimedOut, kFailed };
  Outcome outcome = Outcome::kFailed;
  int32_t status = 0;  // of the final response; 0 when none came
  std::string error;   // why, for kTimedOut and kFailed
};

// ---------------------------------------------------------------------------------------------

class Env {
 public:
  virtual ~Env() = default;

  // The wall clock, UTC milliseconds since the Unix epoch.
  virtual int64_t NowUnixMillis() = 0;
  // The wall clock as a local OLE date, by the process's time zone (TZ).
  OleDate NowLocal();
  // A clock that never jumps, for measuring how long something takes (milliseconds from an
  // arbitrary start).
  virtual int64_t SteadyMillis() = 0;

  // A new set of timers whose expiries go to `on_expiry`.
  virtual std::unique_ptr<TimerService> NewTimerService(TimerCallback on_expiry) = 0;

  // File system operations. Each answers the system's error, empty on success.
  virtual bool FileExists(const std::string& path) = 0;
  // With missing parents; an existing directory is no failure.
  virtual std::error_code CreateDirectories(const std::string& path) = 0;
  // Replaces a file of the new name.
  virtual std::error_code RenameFile(const std::string& from, const std::string& to) = 0;
  // Like RenameFile, but fails with errc::file_exists instead of replacing a file of the new
  // name, in one step, so that of two processes creating the same file only one puts it there.
  virtual std::error_code RenameFileIfAbsent(const std::string& from, const std::string& to) = 0;
  // A file or an empty directory; one that does not exist is no failure.
  virtual std::error_code RemoveFile(const std::string& path) = 0;
  // The entries of `dir` without "." and "..", in no particular order.
  virtual std::error_code ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) = 0;
  virtual std::error_code GetFileTimes(const std::string& path, FileTimes* times) = 0;
  // The bytes an unprivileged user may still write on the file system holding `path`.
  virtual std::error_code FreeSpace(const std::string& path, uint64_t* bytes) = 0;
  // Whether both paths lie on one file system (a rename between them cannot fail for that).
  virtual std::error_code SameDevice(const std::string& a, const std::string& b, bool* same) = 0;
  // Whether this process may write `path` (a file, or a folder to create files in): empty, or
  // why not (permission denied, a read-only file system, no such file).
  virtual std::error_code CheckWritable(const std::string& path) = 0;

  // Starts a child (see ChildProcess). Throws kestro::Exception with the system's error text
  // when it cannot be started, also when exec fails in the child.
  virtual std::unique_ptr<ChildProcess> StartProcess(const ProcessOptions& options) = 0;

  // Fetches `request.url` into `sink`; returns when the transfer has ended, however it ended.
  virtual HttpResult HttpGet(const HttpRequest& request, HttpSink& sink) = 0;

  // A named moment between two steps of a change that has to survive a crash (a commit of an
  // import, the rename of a new database). The real Env kills its process there with SIGKILL
  // when the environment variable KESTRO_CRASH_AT holds that name, so that a test can see what a
  // crash at that moment leaves behind; otherwise nothing happens.
  virtual void CrashPoint(std::string_view name) {}
};

}  // namespace kestro
