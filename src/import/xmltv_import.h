// The XMLTV reader: imports one XMLTV file into a listings import run. Every `channel` element
// becomes a new channel, every `programme` element a new programme, saved through the run's
// ITVListingsImportSystem. The file is streamed: once to count the programmes (for progress in
// per cent) and collect the channels, once to import, and, when some programmes have no stop
// time, once more only if the counting could not find the programmes that follow them (see
// xmltv_stop_times.h).
//
// The file is taken as grabbers write it: the channels are saved before the first programme
// wherever they stand, a programme on a channel the file never declares creates that channel,
// and a programme that cannot be stored for a reason of its own is left out, logged and counted
// in the report (ImportReport) while the import goes on. Only a malformed file, a failing
// database and a cancel end the import.
//
// Not thread-safe: a reader belongs to the thread of the import run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "import/import_report.h"
#include "import/sax_parser.h"
#include "import/update_session.h"
#include "import/xmltv_channels.h"
#include "import/xmltv_dates.h"
#include "import/xmltv_details.h"
#include "import/xmltv_duplicates.h"
#include "import/xmltv_stop_times.h"
#include "kestro/com.h"
#include "kestro/host.h"
#include "kestro/tv_import.h"
#include "support/dictionary.h"

namespace kestro {

// Counts the start tags named exactly "programme" and collects the channels. On the way it
// collects the first window of the programmes without a stop time (see TXMLTVStopTimeScan), so
// that a stop-time finder need not read the file for it again.
class TXMLTVProgramCounter : public TSaxParser {
 public:
  explicit TXMLTVProgramCounter(size_t stop_time_window = TXMLTVStopTimeFinder::kDefaultWindow)
      : scan_(0, stop_time_window) {}
  int32_t Count() const { return count_; }
  // Whether every channel's programmes came in the order of their starts.
  bool StartsInOrder() const { return scan_.InOrder(); }
  // REQUIRES: a parse has ended; called once.
  XMLTVStopTimeWindow TakeStopTimeWindow() { return scan_.Finish(); }
  XMLTVChannelCollector& Channels() { return channels_; }

 protected:
  bool IgnoreElement(std::string_view name) override;
  void BeforeElement(std::string_view name) override;
  void StartElement(TSaxElement& element, bool& continue_parse) override;
  void EndElement(TSaxElement& element, bool& continue_parse) override;

 private:
  int32_t count_ = 0;
  TXMLTVStopTimeScan scan_;
  XMLTVChannelCollector channels_;
  bool in_channel_ = false;
};

// The import of one XMLTV file. `settings` is the plug-in's property item (may be null): it is
// copied at creation; "timezone" (see XMLTVTimeZoneSetting) is the zone of dates that carry
// none, "lang" the preferred language of titles, descriptions, categories and premieres.
class TXMLTVImport : public TSaxParser {
 public:
  TXMLTVImport(ITVListingsImportSystem* import_system, const std::string& file_name,
               IKestroItem* settings);
  ~TXMLTVImport() override;

  // Imports the file. Throws kestro::Exception; the message is what the plug-in reports:
  //   "The XMLTV file "<name>" appears to be corrupt and cannot be parsed : <reason>" when the
  //     counting pass fails (missing, unreadable, empty or malformed file);
  //   "Failed to parse data from file <name> : <reason>" when the import pass fails;
  //   "Failed to save channel "<id>"", "Failed to save program : <reason>" when the database
  //     fails;
  //   "canceled" when the progress answered "stop".
  // What was saved before a failure stays in the run's transaction; the caller decides. After a
  // whole file, its report is added to the run's.
  void Run();

  // Counters of the last Run.
  int32_t ChannelsProcessed() const { return channels_processed_; }
  int32_t ProgramsProcessed() const { return programs_processed_; }
  int32_t ProgramsInFile() const { return programs_in_file_; }
  // What became of the file's programmes in the last Run.
  const ImportReport& Report() const { return report_; }

 protected:
  void StartElement(TSaxElement& element, bool& continue_parse) override;
  void EndElement(TSaxElement& element, bool& continue_parse) override;

 private:
  // What the reader learns of the current programme besides what it sets on it.
  struct Programme {
    std::string channel;
    std::string start_text;
    std::string stop_text;  // the attribute, or the stop the finder found
    OleDate start = 0;
    OleDate stop = 0;
    std::string time_error;  // why start or stop is no date
    int64_t length_s = 0;    // of its `length` element
    bool film_category = false;
    EpisodeNumbers xmltv_ns;
    EpisodeNumbers onscreen;
  };

  void Log(const std::string& line);
  // False when the user asked to stop.
  bool ReportProgress(int32_t percent, const std::string& status);

  void SaveChannels(XMLTVChannelCollector& collector);
  // Saves a channel named and numbered from `channel`; throws when the database fails.
  void SaveChannel(const XMLTVChannel& channel);
  // Creates the channel of a programme when the file never declared it.
  void EnsureChannel(const std::string& id);

  // Logs the failure and gives up finding stop times for the rest of the file.
  void StopTimeFinderFailed(const std::exception& cause);
  std::string FindStopTime(TSaxElement& element);
  void StartProgramme(TSaxElement& element);
  void EndProgrammeElement(TSaxElement& element);
  void FinishProgramme(bool& continue_parse);
  // Sets start and end, the end from the length when the file gives no stop; the reason when
  // the programme cannot have them.
  std::optional<LeftOutReason> ResolveTimes();
  void ApplyTypeAndEpisode();
  // Saves the programme; the reason when it is not stored. Throws when the database fails.
  std::optional<LeftOutReason> SaveProgramme();
  // "<title>" on "<channel>" starting <start>, as the file has them.
  std::string Example();
  void AddDescription(const std::string& text);
  void AddRating(const std::string& system, const std::string& text);
  void SetLength(const std::string& units, const std::string& text);
  void SetDate(const std::string& text);
  // True when the element passes the language filter.
  bool LanguageWanted(const TSaxElement& element) const;

  const ComPtr<ITVListingsImportSystem> import_system_;
  const std::string file_name_;
  const ComPtr<TDictionary> settings_;
  XMLTVZone time_zone_;
  std::string language_;
  ComPtr<IKestroLog> log_;
  ComPtr<IMLImportProgress> progress_;
  // The run's own side, when the import system has one: the report, the clock, the database's
  // state.
  ComPtr<ITVListingsUpdateSession> session_;

  ComPtr<ITVNewProgram> program_;
  // The element of the current programme, on the parser's stack while current.
  TSaxElement* program_element_ = nullptr;
  Programme programme_;
  std::unordered_set<std::string> channel_ids_;  // declared or created
  std::unique_ptr<XMLTVDuplicateFilter> duplicates_;
  ImportReport report_;
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
