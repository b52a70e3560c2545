// The XMLTV grabber as a child process: its command line split as a POSIX shell would split it
// (quotes and backslashes, no expansion and no shell), started at idle priority in a process
// group of its own, its standard output and error collected line by line, and waited for in
// steps so that the caller can report progress and cancel between them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/system/unique_fd.h"

namespace kestro {

// The words of a command line by POSIX shell quoting rules: blanks (space, tab, newline)
// separate words; '...' keeps everything literally; "..." keeps everything but a backslash
// before $ ` " \ or newline; an unquoted backslash keeps the next character (a backslash-newline
// pair vanishes). Nothing is expanded. Throws kestro::Exception on an unterminated quote.
std::vector<std::string> SplitCommandLine(const std::string& text);

// One running child. The destructor ends a child that is still running (as Terminate does) and
// reaps it, so no object leaves a zombie or an open pipe behind.
class TGrabberProcess {
 public:
  using LineSink = std::function<void(const std::string& line)>;

  // Starts `executable` (an absolute path) with `args` after argv[0] in `working_directory`,
  // niceness 19, standard input /dev/null, standard output and error into one pipe whose lines
  // go to `on_output` (may be empty: the output is then discarded). Throws kestro::Exception
  // with the system's error text (strerror) when the process cannot be started, also when exec
  // fails in the child.
  TGrabberProcess(const std::string& executable, const std::vector<std::string>& args,
                  const std::string& working_directory, LineSink on_output = {});
  ~TGrabberProcess();
  TGrabberProcess(const TGrabberProcess&) = delete;
  TGrabberProcess& operator=(const TGrabberProcess&) = delete;

  // Waits at most `timeout_ms` for the child to end, passing its output on meanwhile. True when
  // it has ended (now or before).
  bool Wait(int32_t timeout_ms);
  bool Running() const { return pid_ > 0; }
  // Ends the child and its process group: SIGTERM, then SIGKILL when it is still there after
  // `grace_ms`; reaps it. Nothing when it has ended already.
  void Terminate(int32_t grace_ms = 2000);
  // The exit status of the ended child: its exit code, or 128 + the signal that ended it.
  int ExitCode() const { return exit_code_; }
  pid_t Pid() const { return pid_; }

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
  LineSink on_output_;
};

}  // namespace kestro
