// The command line the listings generators share:
//
//   <name> --channels N --days D [--seed S] [--start YYYY-MM-DD] [--output FILE] [--text]
//
// --text only where the program takes it. The start day defaults to today (UTC).
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace generator {

struct Options {
  int channels = 0;
  int days = 0;
  uint64_t seed = 1;
  int64_t start_day = 0;  // days since 1970-01-01 (UTC)
  std::string output;     // empty: standard output
  bool text = false;
};

inline bool ParseNumber(const char* text, long long low, long long high, long long* out) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
  *out = value;
  return true;
}

// "YYYY-MM-DD" from 1970 on as days since 1970-01-01; false for a day the month lacks.
inline bool ParseDay(const char* text, int64_t* day) {
  int y = 0, m = 0, d = 0;
  char rest = 0;
  if (std::sscanf(text, "%4d-%2d-%2d%c", &y, &m, &d, &rest) != 3) return false;
  if (y < 1970 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  tm civil{};
  civil.tm_year = y - 1900;
  civil.tm_mon = m - 1;
  civil.tm_mday = d;
  const time_t seconds = timegm(&civil);  // normalises 2026-02-30 to 2026-03-02
  if (civil.tm_mday != d) return false;
  *day = static_cast<int64_t>(seconds) / 86400;
  return true;
}

// Reads the command line into `options`; false with the reason in `error`.
inline bool ParseOptions(int argc, char** argv, bool takes_text, Options* options,
                         std::string* error) {
  bool have_channels = false, have_days = false, have_start = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (takes_text && arg == "--text") {
      options->text = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = "missing value after " + std::string(arg);
      return false;
    }
    const char* value = argv[++i];
    long long n = 0;
    if (arg == "--channels" && ParseNumber(value, 1, 10000, &n)) {
      options->channels = static_cast<int>(n);
      have_channels = true;
    } else if (arg == "--days" && ParseNumber(value, 1, 366, &n)) {
      options->days = static_cast<int>(n);
      have_days = true;
    } else if (arg == "--seed" && ParseNumber(value, 0, INT64_MAX, &n)) {
      options->seed = static_cast<uint64_t>(n);
    } else if (arg == "--start" && ParseDay(value, &options->start_day)) {
      have_start = true;
    } else if (arg == "--output" && *value != '\0') {
      options->output = value;
    } else {
      *error = "bad option " + std::string(arg) + " " + value;
      return false;
    }
  }
  if (!have_channels || !have_days) {
    *error = "--channels and --days are required";
    return false;
  }
  if (!have_start) options->start_day = static_cast<int64_t>(std::time(nullptr)) / 86400;
  return true;
}

// Reads the command line of program `name`: nothing when the run goes on, else the exit status
// (0 after --help printed `usage`, 2 after a bad command line, its reason and `usage` on
// standard error).
inline std::optional<int> ReadCommandLine(int argc, char** argv, const char* name,
                                          const char* usage, bool takes_text, Options* options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(usage, stdout);
      return 0;
    }
  }
  std::string error;
  if (!ParseOptions(argc, argv, takes_text, options, &error)) {
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
    std::fputs(usage, stderr);
    return 2;
  }
  return std::nullopt;
}

}  // namespace generator
