#include "import/xmltv_import.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "import/program_save.h"
#include "import/xmltv_dates.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro {

namespace {

std::string FileNameWithoutDirectory(const std::string& file_name) {
  const size_t slash = file_name.find_last_of("/\\");
  return slash == std::string::npos ? file_name : file_name.substr(slash + 1);
}

// Characters, not bytes, of UTF-8 text: descriptions compare by their visible length.
size_t TextLength(std::string_view text) {
  size_t length = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++length;
  }
  return length;
}

std::string StringProperty(ITVNewProgram* program,
                           HRESULT (ITVNewProgram::*getter)(std::string*)) {
  std::string value;
  CheckHResult((program->*getter)(&value));
  return value;
}

// 'actor' -> 'Actor'.
std::string RoleOf(const std::string& element_name) {
  std::string role = element_name;
  if (!role.empty() && role[0] >= 'a' && role[0] <= 'z') role[0] = static_cast<char>(role[0] - 32);
  return role;
}

// A `length` beyond this, with a year of production, is a feature film's.
constexpr int64_t kFeatureLength_s = 75 * 60;

bool IsPersonElement(std::string_view name) {
  static constexpr std::string_view kRoles[] = {"director", "actor",     "writer",      "adapter",
                                                "producer", "presenter", "commentator", "guest"};
  return std::find(std::begin(kRoles), std::end(kRoles), name) != std::end(kRoles);
}

}  // namespace

// ---- TXMLTVProgramCounter ----

bool TXMLTVProgramCounter::IgnoreElement(std::string_view name) {
  return name != "programme" && !XMLTVChannelCollector::NeedsElement(name, in_channel_);
}

void TXMLTVProgramCounter::BeforeElement(std::string_view name) {
  if (name == "programme") ++count_;
}

void TXMLTVProgramCounter::StartElement(TSaxElement& element, bool& continue_parse) {
  if (element.Name() == "programme") {
    scan_.Add(element);
  } else if (element.Name() == "channel") {
    in_channel_ = true;
  }
  TSaxParser::StartElement(element, continue_parse);
}

void TXMLTVProgramCounter::EndElement(TSaxElement& element, bool& continue_parse) {
  if (element.Name() != "programme") channels_.EndElement(element);
  if (element.Name() == "channel") in_channel_ = false;
  TSaxParser::EndElement(element, continue_parse);
}

// ---- TXMLTVImport ----

TXMLTVImport::TXMLTVImport(ITVListingsImportSystem* import_system, const std::string& file_name,
                           IKestroItem* settings)
    : import_system_(import_system), file_name_(file_name), settings_(NewDictionary()) {
  if (!import_system) throw Exception("The XMLTV import needs an import system");
  CheckHResult(settings_->Assign(settings));
  time_zone_ = XMLTVTimeZoneSetting(VarToStr(settings_->GetOr("timezone", Variant("Local"))));
  language_ = VarToStr(settings_->Get("lang"));
}

TXMLTVImport::~TXMLTVImport() = default;

void TXMLTVImport::Log(const std::string& line) {
  if (log_) log_->WriteLine(line);
}

bool TXMLTVImport::ReportProgress(int32_t percent, const std::string& status) {
  if (!progress_) return true;
  bool go_on = true;
  CheckHResult(progress_->ReportProgress(percent, status, &go_on));
  return go_on;
}

void TXMLTVImport::Run() {
  program_.Reset();
  program_element_ = nullptr;
  channel_ids_.clear();
  report_ = {};
  channels_processed_ = 0;
  programs_processed_ = 0;
  programs_in_file_ = 0;
  next_channel_number_ = 1;
  CheckHResult(import_system_->get_Log(log_.ReleaseAndGetAddressOf()));
  CheckHResult(import_system_->get_Progress(progress_.ReleaseAndGetAddressOf()));
  session_.Reset();
  import_system_->QueryInterface(ITVListingsUpdateSession::kIID,
                                 reinterpret_cast<void**>(session_.ReleaseAndGetAddressOf()));

  ReportProgress(0, "Verifying \"" + FileNameWithoutDirectory(file_name_) + "\"");
  Log("Counting programs");
  stop_time_finder_.reset();
  stop_time_finder_failed_ = false;
  {
    TXMLTVProgramCounter counter;
    try {
      counter.Parse(file_name_);
    } catch (const std::exception& e) {
      throw Exception(Format("The XMLTV file \"%s\" appears to be corrupt and cannot be parsed : %s",
                             file_name_.c_str(), e.what()));
    }
    programs_in_file_ = counter.Count();
    duplicates_ = std::make_unique<XMLTVDuplicateFilter>(counter.StartsInOrder());
    first_stop_time_window_ = counter.TakeStopTimeWindow();
    Log(Format("Counted %d programs", programs_in_file_));
    SaveChannels(counter.Channels());
  }

  Parse(file_name_);
  program_.Reset();
  program_element_ = nullptr;
  first_stop_time_window_ = {};
  stop_time_finder_.reset();
  duplicates_.reset();
  Log(Format("Programs of \"%s\" : %d in the file : %d stored : %d left out",
             FileNameWithoutDirectory(file_name_).c_str(), programs_in_file_,
             report_.StoredCount(), report_.LeftOutTotal()));
  if (session_) session_->Report().Add(report_);
}

bool TXMLTVImport::LanguageWanted(const TSaxElement& element) const {
  if (language_.empty() || !element.Attributes().Has("lang")) return true;
  return SameText(element.Attribute("lang"), language_);
}

// ---- channels ----

void TXMLTVImport::SaveChannels(XMLTVChannelCollector& collector) {
  for (const std::string& id : collector.DuplicateIds()) {
    Log("Channel \"" + id + "\" is declared more than once; its declarations are merged");
  }
  for (const XMLTVChannel& channel : collector.TakeChannels()) {
    channel_ids_.insert(channel.id);
    SaveChannel(channel);
  }
}

void TXMLTVImport::SaveChannel(const XMLTVChannel& channel) {
  const XMLTVChannelNaming naming = NameAndNumberChannel(
      channel, next_channel_number_++, [this](const std::string& line) { Log(line); });
  ComPtr<ITVNewChannel> saved;
  CheckHResult(import_system_->NewChannel(saved.ReleaseAndGetAddressOf()));
  CheckHResult(saved->put_ExternalID(channel.id));
  CheckHResult(saved->put_Number(naming.number));
  CheckHResult(saved->put_Frequency(std::to_string(naming.number)));
  CheckHResult(saved->put_ShortName(naming.short_name));
  if (!naming.long_name.empty()) CheckHResult(saved->put_LongName(naming.long_name));
  if (!channel.icon.empty()) CheckHResult(saved->put_ImageID(channel.icon));
  TV_CHANNEL_SAVE_RESULT result = TV_CHANNEL_SAVE_FAILED;
  CheckHResult(saved->Save(&result));
  // An incomplete channel is logged by its save and its programmes are left out; a failing
  // database ends the import.
  if (result == TV_CHANNEL_SAVE_FAILED) {
    throw Exception(Format("Failed to save channel \"%s\"", channel.id.c_str()));
  }
  ++channels_processed_;
}

void TXMLTVImport::EnsureChannel(const std::string& id) {
  if (!channel_ids_.insert(id).second) return;
  Log("Channel \"" + id + "\" is not declared in the file; it is created from its id");
  XMLTVChannel channel;
  channel.id = id;
  SaveChannel(channel);
}

// ---- programmes ----

void TXMLTVImport::StartElement(TSaxElement& element, bool& continue_parse) {
  if (element.Name() == "programme" && !program_) StartProgramme(element);
  TSaxParser::StartElement(element, continue_parse);
}

void TXMLTVImport::StopTimeFinderFailed(const std::exception& cause) {
  // Scanning again for every later programme would fail the same way.
  stop_time_finder_.reset();
  stop_time_finder_failed_ = true;
  Log("Failed to create stop time finder. Will be unable to determine program duration.");
  Log(std::string("BAD : Stop time finder : ") + cause.what());
}

// The finder answers in file order: it is asked for every programme without a stop.
std::string TXMLTVImport::FindStopTime(TSaxElement& element) {
  if (!stop_time_finder_ && !stop_time_finder_failed_) {
    Log("This XMLTV file is missing some program stop times, scanning for all start times.");
    try {
      stop_time_finder_ = std::make_unique<TXMLTVStopTimeFinder>(
          file_name_, std::move(first_stop_time_window_));
      Log("Finished scan");
    } catch (const std::exception& e) {
      StopTimeFinderFailed(e);
    }
  }
  if (!stop_time_finder_) return {};
  try {
    return stop_time_finder_->FindStopTime(element);
  } catch (const std::exception& e) {
    StopTimeFinderFailed(e);  // moving its window read the file again, and that failed
  }
  return {};
}

void TXMLTVImport::StartProgramme(TSaxElement& element) {
  programme_ = {};
  programme_.channel = Trim(element.Attribute("channel"));
  programme_.start_text = element.Attribute("start");
  programme_.stop_text = element.Attribute("stop");
  if (programme_.stop_text.empty()) {
    programme_.stop_text = FindStopTime(element);
    element.SetAttribute("stop", programme_.stop_text);
  }
  EnsureChannel(programme_.channel);

  ComPtr<ITVNewProgram> program;
  CheckHResult(import_system_->NewProgram(program.ReleaseAndGetAddressOf()));
  CheckHResult(program->put_ChannelExternalID(programme_.channel));
  try {
    programme_.start = ParseXMLTVDate(programme_.start_text, time_zone_);
    if (!programme_.stop_text.empty()) {
      programme_.stop = ParseXMLTVDate(programme_.stop_text, time_zone_);
    }
  } catch (const Exception& e) {
    programme_.time_error = e.what();
  }
  program_ = program;
  program_element_ = &element;
}

void TXMLTVImport::EndElement(TSaxElement& element, bool& continue_parse) {
  if (program_) {
    if (&element == program_element_) {
      FinishProgramme(continue_parse);
    } else {
      EndProgrammeElement(element);
    }
  }
  if (continue_parse) TSaxParser::EndElement(element, continue_parse);
}

void TXMLTVImport::EndProgrammeElement(TSaxElement& element) {
  ITVNewProgram* program = program_.Get();
  const std::string& name = element.Name();
  const std::string& text = element.Text();
  if (name == "title") {
    if (LanguageWanted(element)) CheckHResult(program->put_Title(text));
  } else if (name == "sub-title") {
    if (LanguageWanted(element)) CheckHResult(program->put_Subtitle(text));
  } else if (name == "desc") {
    if (LanguageWanted(element)) AddDescription(text);
  } else if (IsPersonElement(name)) {
    CheckHResult(program->AddPerson(text, RoleOf(name)));
  } else if (name == "category") {
    if (LanguageWanted(element)) CheckHResult(program->AddGenre(text));
    programme_.film_category = programme_.film_category || IsFilmCategory(text);
  } else if (name == "episode-num") {
    const std::string system = element.Attribute("system");
    EpisodeNumbers numbers;
    if (system == "dd_progid") {
      CheckHResult(program->put_EqualityKey(text));
      CheckHResult(program->put_ProgramType(text.substr(0, 2)));
    } else if (system == "xmltv_ns" && ParseXMLTVNsEpisode(text, &numbers)) {
      programme_.xmltv_ns.FillFrom(numbers);
    } else if ((system == "onscreen" || system.empty()) && ParseOnScreenEpisode(text, &numbers)) {
      programme_.onscreen.FillFrom(numbers);
    }
  } else if (name == "value") {
    if (element.Parent() && element.Parent()->Name() == "rating") {
      AddRating(element.Parent()->Attribute("system"), text);
    }
  } else if (name == "length") {
    SetLength(element.Attribute("units"), text);
  } else if (name == "date") {
    SetDate(text);
  } else if (name == "language") {
    CheckHResult(program->put_Language(text));
  } else if (name == "country") {
    CheckHResult(program->put_CountryOfOrigin(text));
  } else if (name == "previously-shown") {
    CheckHResult(program->put_IsRepeat(TV_3_WAY_YES));
  } else if (name == "premiere") {
    if (LanguageWanted(element)) CheckHResult(program->put_PremiereFinale("premiere"));
  }
}

void TXMLTVImport::FinishProgramme(bool& continue_parse) {
  std::optional<LeftOutReason> left_out = ResolveTimes();
  if (!left_out) {
    ApplyTypeAndEpisode();
    left_out = SaveProgramme();
  }
  if (left_out) {
    report_.LeftOut(*left_out, Example());
  } else {
    report_.Stored();
  }
  program_.Reset();
  program_element_ = nullptr;

  ++programs_processed_;
  if (programs_processed_ % 100 != 0) return;
  std::string status;
  int32_t percent = -1;
  if (programs_in_file_ > 0) {
    percent = static_cast<int32_t>(static_cast<int64_t>(programs_processed_) * 100 /
                                   programs_in_file_);
    // The percentage is the report's own value: the status does not repeat it.
    status = Format("%d channels and %d of %d programs processed..", channels_processed_,
                    programs_processed_, programs_in_file_);
  } else {
    status = Format("%d channels and %d programs processed..", channels_processed_,
                    programs_processed_);
  }
  if (!ReportProgress(percent, status)) {
    SetStopReason("canceled");
    continue_parse = false;
  }
}

std::optional<LeftOutReason> TXMLTVImport::ResolveTimes() {
  Programme& p = programme_;
  if (!p.time_error.empty()) {
    Log("Skipping program due to invalid start/stop times : " + p.time_error);
    return LeftOutReason::kInvalidTime;
  }
  if (p.stop_text.empty()) {
    if (p.length_s <= 0) {
      Log(Format("Unable to find stop time for program starting at %s. This is fairly common for "
                 "some XMLTV grabbers.",
                 p.start_text.c_str()));
      return LeftOutReason::kNoStopTime;
    }
    // On the clock, not the calendar: a length across a change of summer time keeps its hours.
    p.stop = UnixMillisToLocal(LocalToUnixMillis(p.start) + p.length_s * 1000);
    p.stop_text = FormatDateTime("yyyymmddhhnnss", p.stop);
  }
  if (p.stop <= p.start) {
    Log(Format("Skipping program with end time \"%s\" <= start time \"%s\"", p.stop_text.c_str(),
               p.start_text.c_str()));
    return LeftOutReason::kInvalidTime;
  }
  CheckHResult(program_->put_StartTime(p.start));
  CheckHResult(program_->put_EndTime(p.stop));
  return std::nullopt;
}

// A film is known by its dd_progid or its MPAA rating; without them, by a category that says
// film, or by a length of a feature with a year of production.
void TXMLTVImport::ApplyTypeAndEpisode() {
  ITVNewProgram* program = program_.Get();
  int32_t year = 0;
  CheckHResult(program->get_YearProduced(&year));
  if (StringProperty(program, &ITVNewProgram::get_ProgramType).empty() &&
      (programme_.film_category || (programme_.length_s > kFeatureLength_s && year > 0))) {
    CheckHResult(program->put_ProgramType("MV"));
  }
  EpisodeNumbers numbers = programme_.xmltv_ns;
  numbers.FillFrom(programme_.onscreen);
  if (numbers.season > 0) CheckHResult(program->put_SeasonNumber(numbers.season));
  if (numbers.episode > 0) CheckHResult(program->put_SeasonEpisodeNumber(numbers.episode));
  if (numbers.part > 0) {
    CheckHResult(program->put_PartNumber(numbers.part));
    CheckHResult(program->put_NumberOfParts(numbers.parts));
  }
}

std::optional<LeftOutReason> TXMLTVImport::SaveProgramme() {
  const bool duplicate = duplicates_ && duplicates_->Seen(programme_.channel, programme_.start);
  TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
  CheckHResult(program_->Save(&result));
  switch (result) {
    case TV_PROGRAM_SAVE_OK:
      if (session_ && EndedLongAgo(*session_->GetDatabase(), programme_.stop)) {
        return LeftOutReason::kAlreadyEnded;
      }
      if (!duplicate) return std::nullopt;
      // The save merged it into the programme stored before with the same channel and start.
      Log("Merged duplicate program " + Example());
      return LeftOutReason::kDuplicate;
    case TV_PROGRAM_SAVE_UNWANTED_CHANNEL:
      return LeftOutReason::kUnwantedChannel;
    case TV_PROGRAM_SAVE_INVALID_TIMES:
      return LeftOutReason::kInvalidTime;
    case TV_PROGRAM_SAVE_INVALID_CHANNEL:
    case TV_PROGRAM_SAVE_INCOMPLETE_PROGRAM:
      return LeftOutReason::kFailed;
    case TV_PROGRAM_SAVE_FAILED:
      break;
  }
  // Without the run's side the cause is unknown: the import stops as it always did.
  if (!session_) throw Exception("Failed to save program");
  if (!session_->DatabaseFailure().empty()) {
    throw Exception("Failed to save program : " + session_->DatabaseFailure());
  }
  return LeftOutReason::kFailed;
}

std::string TXMLTVImport::Example() {
  std::string title = StringProperty(program_.Get(), &ITVNewProgram::get_Title);
  if (title.empty()) title = "(no title)";
  return Format("\"%s\" on \"%s\" starting %s", title.c_str(), programme_.channel.c_str(),
                Trim(programme_.start_text).c_str());
}

// The longest description is the long one; the shortest seen the short one.
void TXMLTVImport::AddDescription(const std::string& text) {
  ITVNewProgram* program = program_.Get();
  const std::string long_description =
      StringProperty(program, &ITVNewProgram::get_LongDescription);
  const std::string short_description =
      StringProperty(program, &ITVNewProgram::get_ShortDescription);
  if (long_description.empty()) {
    CheckHResult(program->put_LongDescription(text));
    CheckHResult(program->put_ShortDescription(text));
  } else if (TextLength(text) > TextLength(long_description)) {
    CheckHResult(program->put_ShortDescription(long_description));
    CheckHResult(program->put_LongDescription(text));
  } else if (TextLength(text) < TextLength(short_description)) {
    CheckHResult(program->put_ShortDescription(text));
  }
}

void TXMLTVImport::AddRating(const std::string& system, const std::string& text) {
  ITVNewProgram* program = program_.Get();
  if (SameText(system, "VCHIP")) {
    CheckHResult(program->put_TVRating(text));
  } else if (SameText(system, "MPAA")) {
    CheckHResult(program->put_MovieRating(text));
    CheckHResult(program->put_ProgramType("MV"));
  } else if (SameText(system, "advisory")) {
    std::string advisories = StringProperty(program, &ITVNewProgram::get_Advisories);
    if (!advisories.empty()) advisories += ", ";
    CheckHResult(program->put_Advisories(advisories + text));
  } else {
    CheckHResult(program->put_TVRating(text));
  }
}

void TXMLTVImport::SetLength(const std::string& units, const std::string& text) {
  int32_t length = 0;
  if (!TryStrToInt(text, &length) || length <= 0) return;
  const std::string unit = units.empty() ? "minutes" : units;
  int64_t seconds = 0;
  if (SameText(unit, "minutes")) {
    seconds = int64_t{length} * 60;
  } else if (SameText(unit, "seconds")) {
    seconds = length;
  } else if (SameText(unit, "hours")) {
    seconds = int64_t{length} * 3600;
  } else {
    return;
  }
  if (seconds / 60 > INT32_MAX) return;
  CheckHResult(program_->put_RunTime(static_cast<int32_t>(seconds / 60)));
  programme_.length_s = seconds;
}

void TXMLTVImport::SetDate(const std::string& text) {
  if (text.size() < 4) return;
  int32_t year = 0;
  if (TryStrToInt(std::string_view(text).substr(0, 4), &year) && year > 0) {
    CheckHResult(program_->put_YearProduced(year));
  }
  OleDate day = 0;
  if (TryParseXMLTVDay(text, &day)) CheckHResult(program_->put_OriginalAirDate(day));
}

bool ImportXMLTVFile(ITVListingsImportSystem* import_system, IKestroItem* settings,
                     const std::string& file_name, std::string* error) {
  try {
    TXMLTVImport import(import_system, file_name, settings);
    import.Run();
    if (error) error->clear();
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

}  // namespace kestro
