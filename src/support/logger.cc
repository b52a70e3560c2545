#include "support/logger.h"

#include <cstdarg>

#include "platform/exception.h"
#include "platform/system/debug_trace.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro {

// ---------------------------------------------------------------------------------------------
// ILogger

void ILogger::LogFmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  Log(text);
}

void ILogger::LogException(const std::exception& e, std::string_view context) {
  const std::string context_text(context);
  LogFmt("EXCEPTION (%s) : %s : %s", ExceptionClassName(e).c_str(), context_text.c_str(),
         e.what());
}

void ILogger::LogExceptionFmt(const std::exception& e, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string context = FormatV(format, args);
  va_end(args);
  LogException(e, context);
}

// ---------------------------------------------------------------------------------------------
// TLogger

void TLogger::Log(std::string_view message) {
  RecursiveMutexLock lock(mutex_);
  std::string line = FormatHeader();
  line.append(message);
  WriteLine(line);
  if (auto_flush_) Flush();
}

std::string TLogger::FormatHeader() {
  const OleDate now = env_->NowLocal();
  // The difference is taken on the millisecond time line, so equal clock readings give exactly
  // zero and small differences carry no rounding from the day-based doubles.
  const int64_t elapsed_ms =
      last_line_time_ == 0 ? 0 : OleDateToMillis(now) - OleDateToMillis(last_line_time_);
  const std::string elapsed =
      elapsed_ms == 0 ? std::string("00.00.000") : FormatDateTime("nn.ss.zzz", MillisToOleDate(elapsed_ms));
  last_line_time_ = now;
  const std::string time = FormatDateTime("dd-mmm-yyyy hh:nn:ss:zzz", now);
  const std::string name_part = name_.empty() ? std::string() : Format("%s : ", name_.c_str());
  return Format("%s : %6s : [%6u] : %s", time.c_str(), elapsed.c_str(),
                static_cast<unsigned>(CurrentThreadId()), name_part.c_str());
}

void TLogger::SetAutoFlush() {
  RecursiveMutexLock lock(mutex_);
  auto_flush_ = true;
}

void TLogger::WriteSeparator(char c) {
  WriteLine(" ");
  if (c == ' ') return;
  WriteLine(std::string(256, c));
  WriteLine(" ");
}

void TLogger::SetName(std::string_view name) {
  RecursiveMutexLock lock(mutex_);
  name_.assign(name);
}

// ---------------------------------------------------------------------------------------------
// TStringsLogger

// The list is guarded even for a direct WriteLine: a buffered file logger may flush it from
// another thread's Log at the same time.
void TStringsLogger::WriteLine(std::string_view line) {
  RecursiveMutexLock lock(mutex());
  lines_.emplace_back(line);
}

void TStringsLogger::Clear() {
  RecursiveMutexLock lock(mutex());
  lines_.clear();
}

// ---------------------------------------------------------------------------------------------
// TODSLogger

void TODSLogger::WriteLine(std::string_view line) { DebugTrace(line); }

std::string TODSLogger::FormatHeader() {
  std::string header = TLogger::FormatHeader();
  if (!prefix_.empty()) header += prefix_ + " : ";
  return header;
}

// ---------------------------------------------------------------------------------------------
// TMultiLogger

void TMultiLogger::WriteLine(std::string_view line) {
  for (const auto& member : members_)
    if (member) member->Log(line);
}

void TMultiLogger::Flush() {
  RecursiveMutexLock lock(mutex());
  for (const auto& member : members_)
    if (member) member->Flush();
}

void TMultiLogger::Clear() {
  RecursiveMutexLock lock(mutex());
  for (const auto& member : members_)
    if (member) member->Clear();
}

std::string TMultiLogger::FormatHeader() { return std::string(); }

}  // namespace kestro
