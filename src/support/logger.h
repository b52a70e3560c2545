// Logging: ILogger, the one interface every part of the module logs through, and the loggers
// that write to a string list, to the debugger output, and to several loggers at once.
// The file logger is in file_logger.h, the loggers that meet the host's log in host_log.h.
//
// A log line is: time "dd-mmm-yyyy hh:nn:ss:zzz" " : " time since the logger's previous line
// "nn.ss.zzz" " : [" thread id in 6 columns "] : " the logger's name and " : " when it has one,
// then the message. The time comes from the logger's Env, so tests can set it.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env/env.h"
#include "platform/system/mutex.h"

namespace kestro {

// Shared through std::shared_ptr<ILogger>. Any thread may log.
class ILogger {
 public:
  virtual ~ILogger() = default;

  // Header + message as one line.
  virtual void Log(std::string_view message) = 0;
  // Log of the printf-formatted text.
  void LogFmt(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Log of "EXCEPTION (<class name>) : <context> : <message>".
  void LogException(const std::exception& e, std::string_view context);
  // LogException with a printf-formatted context.
  void LogExceptionFmt(const std::exception& e, const char* format, ...)
      __attribute__((format(printf, 3, 4)));
  // The raw line to the sink: no header.
  virtual void WriteLine(std::string_view line) = 0;
  // Pushes buffered lines to the sink.
  virtual void Flush() = 0;
  // Drops buffered lines without writing them.
  virtual void Clear() = 0;
  // From now on every Log flushes; cannot be switched off.
  virtual void SetAutoFlush() = 0;
  // A blank: one line " ". Otherwise three lines: " ", the character 256 times, " ". All through
  // WriteLine, without headers.
  virtual void WriteSeparator(char c) = 0;
  // The name shown in every header.
  virtual void SetName(std::string_view name) = 0;
};

// Builds the header and serialises Log: lines of one logger never interleave and the elapsed
// column is consistent. Subclasses provide WriteLine and Clear.
class TLogger : public ILogger {
 public:
  // Takes the lock for header, write and flush; the lock is released when a step throws.
  void Log(std::string_view message) override;
  void Flush() override {}
  void SetAutoFlush() override;
  void WriteSeparator(char c) override;
  void SetName(std::string_view name) override;

 protected:
  // `env` gives the time of each header; a logger that writes no header of its own (it overrides
  // FormatHeader) may pass null.
  explicit TLogger(std::shared_ptr<Env> env) : env_(std::move(env)) {}
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  // The header of a line written now; advances the previous-line time.
  virtual std::string FormatHeader() REQUIRES(mutex_);
  // Recursive, so Flush and WriteLine may take it again inside Log.
  RecursiveMutex& mutex() RETURN_CAPABILITY(mutex_) { return mutex_; }
  const std::shared_ptr<Env>& env() const { return env_; }

 private:
  const std::shared_ptr<Env> env_;
  RecursiveMutex mutex_;
  OleDate last_line_time_ GUARDED_BY(mutex_) = 0;  // 0 until the first header
  bool auto_flush_ GUARDED_BY(mutex_) = false;
  std::string name_ GUARDED_BY(mutex_);
};

// Appends lines to a string list that the caller owns and keeps alive.
class TStringsLogger : public TLogger {
 public:
  TStringsLogger(std::shared_ptr<Env> env, std::vector<std::string>& lines)
      : TLogger(std::move(env)), lines_(lines) {}
  void WriteLine(std::string_view line) override;
  void Clear() override;

 protected:
  // The list is guarded by mutex() when used from several threads.
  std::vector<std::string>& lines() REQUIRES(mutex()) { return lines_; }

 private:
  std::vector<std::string>& lines_;
};

// Writes lines to the debugger output (DebugTrace, seen only while the switch is on).
class TODSLogger : public TLogger {
 public:
  TODSLogger(std::shared_ptr<Env> env, std::string prefix)
      : TLogger(std::move(env)), prefix_(std::move(prefix)) {}
  void WriteLine(std::string_view line) override;
  void Clear() override {}

 protected:
  // The usual header, then prefix + " : " when there is a prefix.
  std::string FormatHeader() override REQUIRES(mutex());

 private:
  const std::string prefix_;
};

// Fans each line out to its members through their Log, so each member adds its own header.
// Lock order: this logger's lock, then the member's.
class TMultiLogger : public TLogger {
 public:
  explicit TMultiLogger(std::vector<std::shared_ptr<ILogger>> members)
      : TLogger(nullptr), members_(std::move(members)) {}
  // Calls Log on every member in order; a member that throws stops the rest.
  void WriteLine(std::string_view line) override;
  void Flush() override;
  void Clear() override;

 protected:
  std::string FormatHeader() override REQUIRES(mutex());

 private:
  const std::vector<std::shared_ptr<ILogger>> members_;
};

}  // namespace kestro
