#include "platform/time/format_settings.h"

#include <charconv>
#include <optional>

#include "platform/exception.h"
#include "platform/time/date_time.h"

namespace kestro {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word) {
  if (pos + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Upper(text[pos + i]) != Upper(word[i])) return false;
  }
  return true;
}

// One FormatDateTime run over a value; nested patterns (c, ddddd, t, ...) recurse at most once.
class DateTimeWriter {
 public:
  DateTimeWriter(OleDate value, const FormatSettings& fs)
      : value_(value), fs_(fs), parts_(DecodeDateTime(value)) {}

  void Append(std::string_view pattern, int depth = 0);
  std::string Take() { return std::move(out_); }

 private:
  // As "%0*d" would write it, without the cost of printf (schedules' log lines are full of these).
  void Number(int value, int min_digits) {
    char buffer[16];
    const char* first = buffer;
    const char* last = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    if (value < 0) {
      out_ += '-';
      ++first;
      --min_digits;
    }
    for (auto n = last - first; n < min_digits; ++n) out_ += '0';
    out_.append(first, last);
  }
  bool HasTime() const { return parts_.hour != 0 || parts_.minute != 0 || parts_.second != 0; }
  // Whether the next h before any other h is followed by an AM/PM marker (outside quotes).
  static bool TwelveHourAhead(std::string_view pattern, size_t pos);

  OleDate value_;
  const FormatSettings& fs_;
  DateTimeParts parts_;
  std::string out_;
};

bool DateTimeWriter::TwelveHourAhead(std::string_view pattern, size_t pos) {
  bool quoted = false;
  for (size_t i = pos; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '"' || c == '\'') {
      quoted = !quoted;
    } else if (!quoted && (c == 'h' || c == 'H')) {
      return false;
    } else if (!quoted && (c == 'a' || c == 'A')) {
      return StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p") ||
             StartsWithNoCase(pattern, i, "ampm");
    }
  }
  return false;
}

void DateTimeWriter::Append(std::string_view pattern, int depth) {
  if (depth > 1) return;
  char last_letter = ' ';
  bool twelve_hour = false;
  size_t i = 0;
  while (i < pattern.size()) {
    const char starter = pattern[i++];
    char token = Upper(starter);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && last_letter == 'H') token = 'N';  // "h:mm" means minutes
      last_letter = token;
    }
    // How often the starting letter repeats (it counts itself).
    const auto count = [&] {
      int n = 1;
      while (i < pattern.size() && Upper(pattern[i]) == Upper(starter)) ++n, ++i;
      return n;
    };
    switch (token) {
      case 'Y':
        if (count() <= 2) {
          Number(parts_.year % 100, 2);
        } else {
          Number(parts_.year, 4);
        }
        break;
      case 'M': {
        const int n = count();
        if (n <= 2) {
          Number(parts_.month, n);
        } else if (n == 3) {
          out_ += fs_.short_month_names[parts_.month - 1];
        } else {
          out_ += fs_.long_month_names[parts_.month - 1];
        }
        break;
      }
      case 'D': {
        const int n = count();
        if (n <= 2) {
          Number(parts_.day, n);
        } else if (n == 3) {
          out_ += fs_.short_day_names[DayOfWeek(value_) - 1];
        } else if (n == 4) {
          out_ += fs_.long_day_names[DayOfWeek(value_) - 1];
        } else if (n == 5) {
          Append(fs_.short_date_format, depth + 1);
        } else {
          Append(fs_.long_date_format, depth + 1);
        }
        break;
      }
      case 'E':
        count();  // era years: not used in our calendars
        break;
      case 'H': {
        const int n = count();
        if (TwelveHourAhead(pattern, i)) twelve_hour = true;
        int hour = parts_.hour;
        if (twelve_hour) hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
        Number(hour, n > 2 ? 2 : n);
        break;
      }
      case 'N':
        Number(parts_.minute, count() > 1 ? 2 : 1);
        break;
      case 'S':
        Number(parts_.second, count() > 1 ? 2 : 1);
        break;
      case 'Z':
        Number(parts_.millisecond, count() < 3 ? 1 : 3);
        break;
      case 'T':
        Append(count() == 1 ? fs_.short_time_format : fs_.long_time_format, depth + 1);
        break;
      case 'C':
        count();
        Append(fs_.short_date_format, depth + 1);
        if (HasTime()) {
          out_ += ' ';
          Append(fs_.long_time_format, depth + 1);
        }
        break;
      case 'A': {
        const size_t at = i - 1;
        const bool pm = parts_.hour >= 12;
        if (StartsWithNoCase(pattern, at, "am/pm")) {
          out_ += pattern.substr(pm ? at + 3 : at, 2);  // keeps the pattern's letter case
          i = at + 5;
        } else if (StartsWithNoCase(pattern, at, "a/p")) {
          out_ += pattern[pm ? at + 2 : at];
          i = at + 3;
        } else if (StartsWithNoCase(pattern, at, "ampm")) {
          out_ += pm ? fs_.time_pm_string : fs_.time_am_string;
          i = at + 4;
        } else {
          out_ += starter;
          break;
        }
        twelve_hour = true;
        break;
      }
      case '/':
        out_ += fs_.date_separator;
        break;
      case ':':
        out_ += fs_.time_separator;
        break;
      case '"':
      case '\'': {
        const size_t end = pattern.find(starter, i);
        const size_t stop = end == std::string_view::npos ? pattern.size() : end;
        out_ += pattern.substr(i, stop - i);
        i = end == std::string_view::npos ? stop : stop + 1;
        break;
      }
      default:
        out_ += starter;
        break;
    }
  }
}

// Reads the text of StrToDateTime front to back; every Scan* skips blanks first and consumes
// nothing when it fails.
class DateTimeScanner {
 public:
  explicit DateTimeScanner(std::string_view text) : text_(text) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }
  size_t pos() const { return pos_; }
  void Reset(size_t pos) { pos_ = pos; }

  bool ScanChar(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && Upper(text_[pos_]) == Upper(c)) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool ScanWord(std::string_view word) {
    SkipBlanks();
    if (word.empty() || !StartsWithNoCase(text_, pos_, word)) return false;
    pos_ += word.size();
    return true;
  }
  // Up to 9 decimal digits; digits is how many were read.
  bool ScanNumber(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (++digits > 9) return false;
      value = value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
  }
  // A fraction of a second right after the decimal separator: ".5" is 500 ms.
  bool ScanMilliseconds(int& ms) {
    int scale = 100, digits = 0;
    ms = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      ms += (text_[pos_++] - '0') * scale;
      scale /= 10;
      ++digits;
    }
    return digits > 0;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= 0x20) ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

enum class DateOrder { kMdy, kDmy, kYmd };

DateOrder OrderOf(const std::string& short_date_format) {
  for (char c : short_date_format) {
    switch (Upper(c)) {
      case 'D':
        return DateOrder::kDmy;
      case 'Y':
        return DateOrder::kYmd;
      case 'M':
        return DateOrder::kMdy;
      default:
        break;
    }
  }
  return DateOrder::kMdy;
}

// A two-digit year falls in the century window that starts 50 years before the current year.
int ExpandYear(int year, int digits, int current_year) {
  if (digits > 2) return year;
  const int base = current_year - 50;
  year += base / 100 * 100;
  if (year < base) year += 100;
  return year;
}

std::optional<OleDate> ScanIsoDate(DateTimeScanner& s) {
  const size_t start = s.pos();
  int y, m, d, ny, nm, nd;
  if (s.ScanNumber(y, ny) && ny == 4 && s.ScanChar('-') && s.ScanNumber(m, nm) && nm <= 2 &&
      s.ScanChar('-') && s.ScanNumber(d, nd) && nd <= 2) {
    OleDate date;
    if (TryEncodeDateTime(DateTimeParts{y, m, d}, &date)) return date;
  }
  s.Reset(start);
  return std::nullopt;
}

std::optional<OleDate> ScanDate(DateTimeScanner& s, const FormatSettings& fs, int current_year) {
  if (auto iso = ScanIsoDate(s)) return iso;
  const size_t start = s.pos();
  int n1, n2, n3 = 0, l1, l2, l3 = 0;
  if (!s.ScanNumber(n1, l1) || !s.ScanChar(fs.date_separator) || !s.ScanNumber(n2, l2)) {
    s.Reset(start);
    return std::nullopt;
  }
  const bool has_third = s.ScanChar(fs.date_separator);
  if (has_third && !s.ScanNumber(n3, l3)) {
    s.Reset(start);
    return std::nullopt;
  }
  DateTimeParts p;
  const DateOrder order = OrderOf(fs.short_date_format);
  if (!has_third) {
    // Two numbers are month and day (in the order of the settings) of the current year.
    p.year = current_year;
    if (order == DateOrder::kDmy) {
      p.day = n1, p.month = n2;
    } else {
      p.month = n1, p.day = n2;
    }
  } else if (order == DateOrder::kMdy) {
    p.month = n1, p.day = n2, p.year = ExpandYear(n3, l3, current_year);
  } else if (order == DateOrder::kDmy) {
    p.day = n1, p.month = n2, p.year = ExpandYear(n3, l3, current_year);
  } else {
    p.year = ExpandYear(n1, l1, current_year), p.month = n2, p.day = n3;
  }
  OleDate date;
  if (!TryEncodeDateTime(p, &date)) {
    s.Reset(start);
    return std::nullopt;
  }
  return date;
}

// h[:mm[:ss[.zzz]]] with an optional AM/PM marker; a bare hour needs the marker.
bool ParseTime(DateTimeScanner& s, const FormatSettings& fs, OleDate& time) {
  int hour, minute = 0, second = 0, ms = 0, digits;
  if (!s.ScanNumber(hour, digits)) return false;
  bool has_minutes = false;
  if (s.ScanChar(fs.time_separator)) {
    if (!s.ScanNumber(minute, digits)) return false;
    has_minutes = true;
    if (s.ScanChar(fs.time_separator)) {
      if (!s.ScanNumber(second, digits)) return false;
      if (s.ScanChar(fs.decimal_separator) && !s.ScanMilliseconds(ms)) return false;
    }
  }
  int marker = 0;  // 1 = AM, 2 = PM
  if (s.ScanWord(fs.time_am_string) || s.ScanWord("AM")) {
    marker = 1;
  } else if (s.ScanWord(fs.time_pm_string) || s.ScanWord("PM")) {
    marker = 2;
  }
  if (!has_minutes && marker == 0) return false;
  if (marker != 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (marker == 2 ? 12 : 0);
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  time = EncodeTime(hour, minute, second, ms);
  return true;
}

std::optional<OleDate> ScanTime(DateTimeScanner& s, const FormatSettings& fs) {
  const size_t start = s.pos();
  OleDate time;
  if (ParseTime(s, fs, time)) return time;
  s.Reset(start);
  return std::nullopt;
}

}  // namespace

const FormatSettings& FormatSettings::Default() {
  static const FormatSettings settings = [] {
    FormatSettings fs;
    fs.short_month_names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    fs.long_month_names = {"January", "February", "March",     "April",   "May",      "June",
                           "July",    "August",   "September", "October", "November", "December"};
    fs.short_day_names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    fs.long_day_names = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                         "Thursday", "Friday", "Saturday"};
    return fs;
  }();
  return settings;
}

std::string FormatDateTime(std::string_view pattern, OleDate value, const FormatSettings& fs) {
  DateTimeWriter writer(value, fs);
  writer.Append(pattern);
  return writer.Take();
}

std::string DateTimeToStr(OleDate value, const FormatSettings& fs) {
  return FormatDateTime("c", value, fs);
}

bool TryStrToDateTime(std::string_view text, OleDate today, OleDate* out,
                      const FormatSettings& fs) {
  DateTimeScanner s(text);
  std::optional<OleDate> date = ScanDate(s, fs, DecodeDateTime(today).year);
  std::optional<OleDate> time;
  if (!s.AtEnd()) {
    if (date) s.ScanChar('T');  // ISO "2005-03-07T21:30"
    time = ScanTime(s, fs);
    if (!time || !s.AtEnd()) return false;
  }
  if (!date && !time) return false;
  if (!date) {
    *out = *time;
    return true;
  }
  const DateTimeParts d = DecodeDateTime(*date);
  const DateTimeParts t = DecodeDateTime(time.value_or(0.0));
  return TryEncodeDateTime(DateTimeParts{d.year, d.month, d.day, t.hour, t.minute, t.second,
                                         t.millisecond},
                           out);
}

OleDate StrToDateTime(std::string_view text, OleDate today, const FormatSettings& fs) {
  OleDate value;
  if (!TryStrToDateTime(text, today, &value, fs)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  }
  return value;
}

}  // namespace kestro
