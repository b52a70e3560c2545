// service_generator: writes listings in the download service's form for tests, benchmarks and
// demonstrations: a ZIP archive holding "listings.txt", one record per line.
//
//   service_generator --channels N --days D [--seed S] [--start YYYY-MM-DD] [--output FILE]
//                     [--text]
//
// The listings cover D days from 00:00 UTC of the start day (today when --start is not given).
// Each channel's programmes run back to back with lengths from 15 minutes to 3 hours; each record
// carries every detail the service sends: flags, descriptions, up to six people and three genres,
// year, run time and original air date; some titles and names hold characters of code page 437
// (the file's encoding). --text writes the text itself instead of an archive. The output depends
// only on the options; it is written as it is generated.
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "generator_options.h"
#include "generator_random.h"

namespace service_generator {

using generator::Options;
using generator::Random;

// Code page 437 bytes: \x82 e-acute, \x81 u-umlaut, \xA4 n-tilde, \x87 c-cedilla.
constexpr const char* kTitles[] = {
    "Evening News", "Harbour Lights", "The Quiet Detective", "Caf\x82 Society", "Morning Show",
    "Wildlife Diaries", "Championship Snooker", "Cooking with Fran\x87oise", "M\x81nchen Nights",
    "Se\xA4or Chef", "Science Hour", "The Late Film", "Kids Club", "Market Watch", "Garden Time"};
constexpr const char* kFirstNames[] = {"Ann", "Ben", "Carla", "Dev", "Elif", "Jos\x82", "Mia",
                                       "Noah", "Ola", "Ren\x82"};
constexpr const char* kLastNames[] = {"Lee", "Moreno", "Okafor", "Smith", "Tanaka", "M\x81ller",
                                      "Nu\xA4" "ez", "Byrne", "Costa", "Ivanova"};
constexpr const char* kRoles[] = {"Actor", "Actor", "Actor", "Director", "Host", "Guest Star",
                                  "Producer", "Writer"};
constexpr const char* kGenres[] = {"Drama", "Comedy", "News", "Documentary", "Sports",
                                   "Children", "Cooking", "Nature", "Crime", "Film"};
constexpr const char* kTypes[] = {"Series", "Movie", "Sports", "Special", "Paid Programming"};
constexpr const char* kFlags[] = {"Y", "N", "N", ""};

// Writes to a file, standard output or the archive's one entry.
class Sink {
 public:
  explicit Sink(const Options& o) {
    if (o.text) {
      file_ = o.output.empty() ? stdout : std::fopen(o.output.c_str(), "wb");
      ok_ = file_ != nullptr;
      return;
    }
    zip_ = zipOpen64(o.output.c_str(), APPEND_STATUS_CREATE);
    zip_fileinfo info{};
    ok_ = zip_ && zipOpenNewFileInZip64(zip_, "listings.txt", &info, nullptr, 0, nullptr, 0,
                                        nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1) == ZIP_OK;
  }
  bool ok() const { return ok_; }
  void Write(const std::string& text) {
    if (file_) ok_ = ok_ && std::fwrite(text.data(), 1, text.size(), file_) == text.size();
    else ok_ = ok_ && zipWriteInFileInZip(zip_, text.data(), static_cast<unsigned>(text.size())) ==
                          ZIP_OK;
  }
  bool Close() {
    if (file_) return (file_ == stdout ? std::fflush(file_) : std::fclose(file_)) == 0 && ok_;
    return zipCloseFileInZip(zip_) == ZIP_OK && zipClose(zip_, nullptr) == ZIP_OK && ok_;
  }

 private:
  FILE* file_ = nullptr;
  zipFile zip_ = nullptr;
  bool ok_ = false;
};

std::string Record(Random& random, int channel, int64_t start_minute, int length, int serial) {
  char date[16], hhmm[8], duration[24];
  const time_t start = static_cast<time_t>(start_minute * 60);
  tm utc{};
  gmtime_r(&start, &utc);
  std::strftime(date, sizeof date, "%Y%m%d", &utc);
  std::strftime(hhmm, sizeof hhmm, "%H%M", &utc);
  std::snprintf(duration, sizeof duration, "%02d%02d", length / 60, length % 60);
  const char* title = random.Pick(kTitles);
  const int episode = random.Range(1, 200);
  const char* type = random.Pick(kTypes);
  std::string line = "I" + std::to_string(10000 + channel) + "|" + std::to_string(channel + 2) +
                     "|K" + std::to_string(channel) + (channel % 7 == 0 ? " T\x82l\x82" : "") +
                     "|EP" + std::to_string(serial) + "|" + date + "|" + hhmm + "|" + duration +
                     "|" + title + "|Episode " + std::to_string(episode) + "|TV-PG|NR|" + type;
  std::string details[176];
  details[0] = std::to_string(random.Range(0, 2));
  details[1] = details[0] == "0" ? "0" : "2";
  for (int flag : {2, 3, 4, 6, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 162})
    details[flag] = random.Pick(kFlags);
  details[7] = random.Range(0, 20) == 0 ? "Season Premiere" : "";
  details[21] = random.Range(0, 3) == 0 ? "Dolby Digital" : "";
  details[23] = std::string("A short description of ") + title + ".";
  const int people = random.Range(0, 6);
  for (int k = 0; k < people; ++k) {
    details[30 + 3 * k] = random.Pick(kFirstNames);
    details[31 + 3 * k] = random.Pick(kLastNames);
    details[32 + 3 * k] = random.Pick(kRoles);
  }
  const int genres = random.Range(1, 3);
  for (int g = 0; g < genres; ++g) details[150 + g] = random.Pick(kGenres);
  details[156] = std::to_string(random.Range(1950, 2025));
  details[158] = duration;
  details[159] = "Color";
  details[160] = "English";
  details[161] = "USA";
  details[163] = "Network";
  details[164] = "Series";
  details[168] = "KNET";
  details[170] = std::string("The long description of ") + title +
                 ", with the plot of the episode told in a few more words than the short one.";
  details[171] = "Studio " + std::to_string(random.Range(1, 9));
  const int year = random.Range(1990, 2024);
  const int month = random.Range(1, 9);
  const int day = random.Range(10, 19);
  details[175] = std::to_string(year) + "0" + std::to_string(month) + std::to_string(day);
  for (const std::string& detail : details) line += "|" + detail;
  return line + "\r\n";
}

bool Generate(const Options& o) {
  Sink sink(o);
  if (!sink.ok()) return false;
  Random random(o.seed);
  sink.Write("# listings generated for " + std::to_string(o.channels) + " channels, " +
             std::to_string(o.days) + " days\r\n");
  const int64_t first = o.start_day * 1440;
  const int64_t last = first + static_cast<int64_t>(o.days) * 1440;
  int serial = 0;
  for (int c = 0; c < o.channels; ++c) {
    for (int64_t minute = first; minute < last;) {
      const int length = 15 * random.Range(1, 12);
      sink.Write(Record(random, c, minute, length, ++serial));
      minute += length;
    }
  }
  return sink.Close();
}

constexpr const char* kUsage =
    "usage: service_generator --channels N --days D [--seed S] [--start YYYY-MM-DD] "
    "[--output FILE] [--text]\n";

// The program: parses the command line and writes the listings; the exit status.
int Run(int argc, char** argv) {
  Options o;
  if (const std::optional<int> status = generator::ReadCommandLine(
          argc, argv, "service_generator", kUsage, /*takes_text=*/true, &o)) {
    return *status;
  }
  if (!o.text && o.output.empty()) {
    std::fprintf(stderr, "service_generator: an archive needs --output\n%s", kUsage);
    return 2;
  }
  if (!Generate(o)) {
    std::fprintf(stderr, "service_generator: failed to write %s\n",
                 o.output.empty() ? "standard output" : o.output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace service_generator

#ifndef SERVICE_GENERATOR_NO_MAIN
int main(int argc, char** argv) { return service_generator::Run(argc, argv); }
#endif
