// The XMLTV reader: imports one XMLTV file into a listings import run. Every `channel` element
// becomes a new channel, every `programme` element a new programme, saved through the run's
// ITVListingsImportSystem. The file is streamed: once to count the programmes (for progress in
// per cent), once to import, and, when some programmes have no stop time, once more only if the
// counting could not find the programmes that follow them (see xmltv_stop_times.h).
//
// Not thread-safe: a reader belongs to the thread of the import run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "import/sax_parser.h"
#include "import/xmltv_stop_times.h"
#include "kestro/com.h"
#include "kestro/host.h"
#include "kestro/tv_import.h"
#include "support/dictionary.h"

namespace kestro {

// Counts the start tags named exactly "programme". On the way it collects the first window of
// the programmes without a stop time (see TXMLTVStopTimeScan), so that a stop-time finder need
// not read the file for it again.
class TXMLTVProgramCounter : public TSaxParser {
 public:
  explicit TXMLTVProgramCounter(size_t stop_time_window = TXMLTVStopTimeFinder::kDefaultWindow)
      : scan_(0, stop_time_window) {}
  int32_t Count() const { return count_; }
  // REQUIRES: a parse has ended; called once.
  XMLTVStopTimeWindow TakeStopTimeWindow() { return scan_.Finish(); }

 protected:
  bool IgnoreElement(std::string_view name) override { return name != "programme"; }
  void BeforeElement(std::string_view name) override;
  void StartElement(TSaxElement& element, bool& continue_parse) override;

 private:
  int32_t count_ = 0;
  TXMLTVStopTimeScan scan_;
};

// The import of one XMLTV file. `settings` is the plug-in's property item (may be null): it is
// copied at creation; "timezone" ("utc", "+hhmm"/"-hhmm", anything else meaning local time) is
// the zone of dates that carry none, "lang" the preferred language of titles, descriptions,
// categories and premieres.
class TXMLTVImport : public TSaxParser {
 public:
  TXMLTVImport(ITVListingsImportSystem* import_system, const std::string& file_name,
               IKestroItem* settings);
  ~TXMLTVImport() override;

  // Imports the file. Throws kestro::Exception; the message is what the plug-in reports:
  //   "The XMLTV file "<name>" appears to be corrupt and cannot be parsed : <reason>" when the
  //     counting pass fails (missing, unreadable, empty or malformed file);
  //   "Failed to parse data from file <name> : <reason>" when the import pass fails;
  //   "Failed to save channel "<id>"", "Failed to save program";
  //   "canceled" when the progress answered "stop".
  // What was saved before a failure stays in the run's transaction; the caller decides.
  void Run();

  // Counters of the last Run.
  int32_t ChannelsProcessed() const { return channels_processed_; }
  int32_t ProgramsProcessed() const { return programs_processed_; }
  int32_t ProgramsInFile() const { return programs_in_file_; }
  // The time zone setting as kept: "utc" (any case), an offset, or empty for local time.
  const std::string& TimeZone() const { return time_zone_; }

 protected:
  void StartElement(TSaxElement& element, bool& continue_parse) override;
  void EndElement(TSaxElement& element, bool& continue_parse) override;

 private:
  void Log(const std::string& line);
  // False when the user asked to stop.
  bool ReportProgress(int32_t percent, const std::string& status);

  // Logs the failure and gives up finding stop times for the rest of the file.
  void StopTimeFinderFailed(const std::exception& cause);
  void StartChannel(TSaxElement& element);
  void StartProgramme(TSaxElement& element);
  void EndChannelElement(TSaxElement& element, bool& continue_parse);
  void EndProgrammeElement(TSaxElement& element, bool& continue_parse);
  void FinishChannel(TSaxElement& element, bool& continue_parse);
  void FinishProgramme(bool& continue_parse);
  void NameAndNumberChannel(TSaxElement& element);
  void AddDescription(const std::string& text);
  void AddRating(const std::string& system, const std::string& text);
  void SetLength(const std::string& units, const std::string& text);
  void SetDate(const std::string& text);
  // True when the element passes the language filter.
  bool LanguageWanted(const TSaxElement& element) const;

  const ComPtr<ITVListingsImportSystem> import_system_;
  const std::string file_name_;
  const ComPtr<TDictionary> settings_;
  std::string time_zone_;
  std::string language_;
  ComPtr<IKestroLog> log_;
  ComPtr<IMLImportProgress> progress_;

  ComPtr<ITVNewChannel> channel_;
  ComPtr<ITVNewProgram> program_;
  // The elements of the current channel and programme, on the parser's stack while current.
  TSaxElement* channel_element_ = nullptr;
  TSaxElement* program_element_ = nullptr;
  int32_t channels_processed_ = 0;
  int32_t programs_processed_ = 0;
  int32_t programs_in_file_ = 0;
  int32_t next_channel_number_ = 1;
  // The counter's first window of programmes without a stop time, until a finder takes it.
  XMLTVStopTimeWindow first_stop_time_window_;
  std::unique_ptr<TXMLTVStopTimeFinder> stop_time_finder_;
  bool stop_time_finder_failed_ = false;
};

// Runs a TXMLTVImport over one file. True when the file was imported; otherwise false with the
// failure's message in *error (exactly "canceled" when the user cancelled).
bool ImportXMLTVFile(ITVListingsImportSystem* import_system, IKestroItem* settings,
                     const std::string& file_name, std::string* error);

}  // namespace kestro
