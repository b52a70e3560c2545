// TBufferedFileLogger: buffers lines and appends them to a text file, CR LF after each line;
// the file is rotated by age when the logger is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/logger.h"

namespace kestro {

namespace file_logger_detail {
// Holds the buffer so that it exists before the TStringsLogger base that refers to it.
struct OwnedLines {
  std::vector<std::string> buffer;
};
}  // namespace file_logger_detail

// Creation time. Linux cannot set a file's birth time, so when this logger creates its file (and
// it rotates, max_age_days > 0) it records the moment in a hidden file beside it,
// ".<file name>.created", holding Unix milliseconds. Rotation reads that record; for a file it did
// not create it falls back to the birth time (statx), then the modification time. Loggers that
// never rotate write no record, so folders such as a recording's stay clean.
class TBufferedFileLogger final : private file_logger_detail::OwnedLines, public TStringsLogger {
 public:
  // Rotation happens here, once: when max_age_days > 0 and the file was created at least that
  // many days ago, it is renamed to its dated name (DatedFileName), replacing a file of that name.
  // buffer_limit 0 keeps every line until Flush; otherwise more than that many lines flush.
  TBufferedFileLogger(std::shared_ptr<Env> env, std::string file_name, int32_t max_age_days,
                      size_t buffer_limit);
  // Flushes.
  ~TBufferedFileLogger() override;

  void WriteLine(std::string_view line) override;
  // Appends the buffered lines to the file, creating it and its folders when missing. Failures
  // are silent: the lines stay buffered for the next Flush.
  void Flush() override;

  const std::string& FileName() const { return file_name_; }
  size_t PendingLines();

  // "dir/tv.log" created on 4 March 2006 -> "dir/tv.2006-03-04.log".
  static std::string DatedFileName(const std::string& file_name, OleDate created_local);
  // Where the creation time of `file_name` is recorded.
  static std::string CreationRecordName(const std::string& file_name);
  // The creation time of `file_name` as Unix milliseconds, from the record, else the file system;
  // nullopt when the file cannot be examined.
  static std::optional<int64_t> CreationUnixMillis(Env& env, const std::string& file_name);

 private:
  void RotateIfOld();
  void RecordCreationNow();

  const std::string file_name_;
  const int32_t max_age_days_;
  const size_t buffer_limit_;
};

}  // namespace kestro
