// Child processes of the real Env: fork and exec, with the child's output read through a pipe.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <linux/close_range.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/env/real_parts.h"
#include "platform/exception.h"
#include "platform/system/unique_fd.h"

namespace kestro {

namespace {

int64_t MonotonicMillis() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// In the child after fork: only async-signal-safe calls. Reports a failing step's errno through
// `error_fd` and exits with 127.
[[noreturn]] void RunChild(const char* executable, char* const* argv, const char* directory,
                           int output_fd, int error_fd) {
  setpgid(0, 0);
  setpriority(PRIO_PROCESS, 0, 19);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  // The grabber (and whatever it leaves running) must not hold the module's files and locks.
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < 65536; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  int err = 0;
  const int null_fd = ::open("/dev/null", O_RDONLY);
  if (null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(output_fd, 1) < 0 || dup2(output_fd, 2) < 0 ||
      chdir(directory) != 0) {
    err = errno;
  } else {
    execv(executable, argv);
    err = errno;
  }
  ssize_t written = ::write(error_fd, &err, sizeof err);
  (void)written;
  _exit(127);
}

// One child, reaped by the object (see ChildProcess).
class PosixChildProcess final : public ChildProcess {
 public:
  explicit PosixChildProcess(const ProcessOptions& options);
  ~PosixChildProcess() override;
  PosixChildProcess(const PosixChildProcess&) = delete;
  PosixChildProcess& operator=(const PosixChildProcess&) = delete;

  bool Wait(int32_t timeout_ms) override;
  bool Running() const override { return pid_ > 0; }
  void Terminate(int32_t grace_ms) override;
  int ExitCode() const override { return exit_code_; }

 private:
  // Reads what the pipe holds without blocking; at end of file closes it and flushes the last
  // partial line.
  void Drain();
  // Reaps the child without blocking (or blocking when `block`); true when it has ended.
  bool Reap(bool block);

  pid_t pid_ = -1;
  UniqueFd output_fd_;
  int exit_code_ = 0;
  std::string partial_line_;
  const std::function<void(const std::string&)> on_output_;
};

PosixChildProcess::PosixChildProcess(const ProcessOptions& options)
    : on_output_(options.on_output) {
  // Everything the child needs is built before fork: it may not allocate.
  std::vector<std::string> words;
  words.reserve(options.args.size() + 1);
  words.push_back(options.executable);
  words.insert(words.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) throw Exception(std::strerror(errno));
  UniqueFd output_read(output[0]), output_write(output[1]);
  int status_pipe[2];
  if (pipe2(status_pipe, O_CLOEXEC) != 0) throw Exception(std::strerror(errno));
  UniqueFd status_read(status_pipe[0]), status_write(status_pipe[1]);

  const pid_t pid = fork();
  if (pid < 0) throw Exception(std::strerror(errno));
  if (pid == 0)
    RunChild(options.executable.c_str(), argv.data(), options.working_directory.c_str(),
             output_write.get(), status_write.get());
  pid_ = pid;
  // Also set here, so that a Terminate right after the start reaches the group.
  setpgid(pid, pid);
  output_write.reset();
  status_write.reset();

  // The status pipe closes on a successful exec; otherwise it brings the child's errno.
  int child_errno = 0;
  ssize_t n;
  do {
    n = ::read(status_read.get(), &child_errno, sizeof child_errno);
  } while (n < 0 && errno == EINTR);
  if (n == static_cast<ssize_t>(sizeof child_errno)) {
    Reap(true);
    throw Exception(std::strerror(child_errno));
  }
  fcntl(output_read.get(), F_SETFL, fcntl(output_read.get(), F_GETFL) | O_NONBLOCK);
  output_fd_ = std::move(output_read);
}

PosixChildProcess::~PosixChildProcess() {
  Terminate(500);
}

void PosixChildProcess::Drain() {
  if (!output_fd_.valid()) return;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(output_fd_.get(), buffer, sizeof buffer);
    if (n > 0) {
      partial_line_.append(buffer, static_cast<size_t>(n));
      for (size_t end; (end = partial_line_.find('\n')) != std::string::npos;) {
        std::string line = partial_line_.substr(0, end);
        partial_line_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (on_output_) on_output_(line);
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    // End of file (every writer closed it) or a read error.
    output_fd_.reset();
    if (!partial_line_.empty() && on_output_) on_output_(partial_line_);
    partial_line_.clear();
    return;
  }
}

bool PosixChildProcess::Reap(bool block) {
  if (pid_ <= 0) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  if (r == pid_) {
    exit_code_ = WIFEXITED(status)     ? WEXITSTATUS(status)
                 : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                       : 1;
  }
  pid_ = -1;
  return true;
}

bool PosixChildProcess::Wait(int32_t timeout_ms) {
  const int64_t deadline = MonotonicMillis() + std::max<int32_t>(timeout_ms, 0);
  for (;;) {
    Drain();
    if (Reap(false)) {
      Drain();
      return true;
    }
    const int64_t left = deadline - MonotonicMillis();
    if (left <= 0) return false;
    // The pipe wakes us for output; the child's end is seen within a short slice.
    const int slice = static_cast<int>(std::min<int64_t>(left, 25));
    if (output_fd_.valid()) {
      pollfd p{output_fd_.get(), POLLIN, 0};
      poll(&p, 1, slice);
    } else {
      timespec ts{0, slice * 1000000L};
      nanosleep(&ts, nullptr);
    }
  }
}

void PosixChildProcess::Terminate(int32_t grace_ms) {
  if (pid_ <= 0) return;
  if (Reap(false)) return;
  const pid_t group = pid_;
  kill(-group, SIGTERM);
  kill(pid_, SIGTERM);
  if (!Wait(grace_ms)) {
    kill(-group, SIGKILL);
    kill(pid_, SIGKILL);
    Reap(true);
  }
  // What the group's other members still run is ended as well.
  kill(-group, SIGKILL);
}

}  // namespace

std::unique_ptr<ChildProcess> StartRealProcess(const ProcessOptions& options) {
  return std::make_unique<PosixChildProcess>(options);
}

}  // namespace kestro
