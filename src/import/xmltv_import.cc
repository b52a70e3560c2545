#include "import/xmltv_import.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "import/xmltv_dates.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

bool IsPersonElement(std::string_view name) {
  static constexpr std::string_view kRoles[] = {"director", "actor",     "writer",      "adapter",
                                                "producer", "presenter", "commentator", "guest"};
  return std::find(std::begin(kRoles), std::end(kRoles), name) != std::end(kRoles);
}

}  // namespace

// ---- TXMLTVProgramCounter ----

void TXMLTVProgramCounter::BeforeElement(std::string_view name) {
  if (name == "programme") ++count_;
}

void TXMLTVProgramCounter::StartElement(TSaxElement& element, bool& continue_parse) {
  scan_.Add(element);
  TSaxParser::StartElement(element, continue_parse);
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
  channel_.Reset();
  program_.Reset();
  channel_element_ = nullptr;
  program_element_ = nullptr;
  channels_processed_ = 0;
  programs_processed_ = 0;
  programs_in_file_ = 0;
  next_channel_number_ = 1;
  CheckHResult(import_system_->get_Log(log_.ReleaseAndGetAddressOf()));
  CheckHResult(import_system_->get_Progress(progress_.ReleaseAndGetAddressOf()));

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
    first_stop_time_window_ = counter.TakeStopTimeWindow();
  }
  Log(Format("Counted %d programs", programs_in_file_));

  Parse(file_name_);
  channel_.Reset();
  program_.Reset();
  channel_element_ = nullptr;
  program_element_ = nullptr;
  first_stop_time_window_ = {};
  stop_time_finder_.reset();
}

void TXMLTVImport::StopTimeFinderFailed(const std::exception& cause) {
  // Scanning again for every later programme would fail the same way.
  stop_time_finder_.reset();
  stop_time_finder_failed_ = true;
  Log("Failed to create stop time finder. Will be unable to determine program duration.");
  Log(std::string("BAD : Stop time finder : ") + cause.what());
}

bool TXMLTVImport::LanguageWanted(const TSaxElement& element) const {
  if (language_.empty() || !element.Attributes().Has("lang")) return true;
  return SameText(element.Attribute("lang"), language_);
}

// ---- start tags ----

void TXMLTVImport::StartElement(TSaxElement& element, bool& continue_parse) {
  if (element.Name() == "channel" && !channel_) {
    StartChannel(element);
  } else if (element.Name() == "programme" && !program_) {
    StartProgramme(element);
  }
  TSaxParser::StartElement(element, continue_parse);
}

void TXMLTVImport::StartChannel(TSaxElement& element) {
  ComPtr<ITVNewChannel> channel;
  CheckHResult(import_system_->NewChannel(channel.ReleaseAndGetAddressOf()));
  CheckHResult(channel->put_ExternalID(element.Attribute("id")));
  element.SetAttribute("name-count", "0");
  CheckHResult(channel->put_Number(next_channel_number_));
  CheckHResult(channel->put_Frequency(std::to_string(next_channel_number_)));
  ++next_channel_number_;
  channel_ = channel;
  channel_element_ = &element;
}

void TXMLTVImport::StartProgramme(TSaxElement& element) {
  if (element.Attribute("stop").empty() && !stop_time_finder_ && !stop_time_finder_failed_) {
    Log("This XMLTV file is missing some program stop times, scanning for all start times.");
    try {
      stop_time_finder_ = std::make_unique<TXMLTVStopTimeFinder>(
          file_name_, std::move(first_stop_time_window_));
      Log("Finished scan");
    } catch (const std::exception& e) {
      StopTimeFinderFailed(e);
    }
  }
  if (element.Attribute("stop").empty() && stop_time_finder_) {
    std::string stop;
    try {
      stop = stop_time_finder_->FindStopTime(element);
    } catch (const std::exception& e) {
      StopTimeFinderFailed(e);  // moving its window read the file again, and that failed
    }
    element.SetAttribute("stop", stop);
    if (element.Attribute("stop").empty()) {
      Log(Format("Unable to find stop time for program starting at %s. This is fairly common for "
                 "some XMLTV grabbers.",
                 element.Attribute("start").c_str()));
      return;
    }
  }

  ComPtr<ITVNewProgram> program;
  CheckHResult(import_system_->NewProgram(program.ReleaseAndGetAddressOf()));
  CheckHResult(program->put_ChannelExternalID(element.Attribute("channel")));
  const std::string start_text = element.Attribute("start");
  const std::string stop_text = element.Attribute("stop");
  OleDate start = 0;
  OleDate stop = 0;
  try {
    start = ParseXMLTVDate(start_text, time_zone_);
    stop = ParseXMLTVDate(stop_text, time_zone_);
  } catch (const Exception& e) {
    Log(std::string("Skipping program due to invalid start/stop times : ") + e.what());
    return;
  }
  if (stop <= start) {
    Log(Format("Skipping program with end time \"%s\" <= start time \"%s\"", stop_text.c_str(),
               start_text.c_str()));
    return;
  }
  CheckHResult(program->put_StartTime(start));
  CheckHResult(program->put_EndTime(stop));
  program_ = program;
  program_element_ = &element;
}

// ---- end tags ----

void TXMLTVImport::EndElement(TSaxElement& element, bool& continue_parse) {
  if (channel_) {
    EndChannelElement(element, continue_parse);
  } else if (program_) {
    EndProgrammeElement(element, continue_parse);
  }
  if (continue_parse) TSaxParser::EndElement(element, continue_parse);
}

void TXMLTVImport::EndChannelElement(TSaxElement& element, bool& continue_parse) {
  const std::string& name = element.Name();
  if (&element == channel_element_) {
    FinishChannel(element, continue_parse);
  } else if (name == "icon") {
    CheckHResult(channel_->put_ImageID(element.Attribute("src")));
  } else if (name == "display-name" && element.Parent()) {
    TSaxElement& owner = *element.Parent();
    const int32_t n = StrToIntDef(owner.Attribute("name-count"), 0);
    owner.SetAttribute("name" + std::to_string(n), element.Text());
    owner.SetAttribute("name-count", std::to_string(n + 1));
  }
}

void TXMLTVImport::FinishChannel(TSaxElement& element, bool& continue_parse) {
  NameAndNumberChannel(element);
  TV_CHANNEL_SAVE_RESULT result = TV_CHANNEL_SAVE_FAILED;
  CheckHResult(channel_->Save(&result));
  if (result != TV_CHANNEL_SAVE_OK && result != TV_CHANNEL_SAVE_UNWANTED) {
    SetStopReason(Format("Failed to save channel \"%s\"", element.Attribute("id").c_str()));
    continue_parse = false;
  }
  ++channels_processed_;
  channel_.Reset();
  channel_element_ = nullptr;
}

void TXMLTVImport::NameAndNumberChannel(TSaxElement& element) {
  const std::string id = element.Attribute("id");
  Log("Finding name and number for channel \"" + id + "\"");
  std::vector<std::string> names;
  const int32_t name_count = StrToIntDef(element.Attribute("name-count"), 0);
  for (int32_t i = 0; i < name_count; ++i) {
    names.push_back(Trim(element.Attribute("name" + std::to_string(i))));
    Log("  name : " + names.back());
  }
  names.push_back(Trim(id));
  Log("  id   : " + id);

  // A name of digits alone is the channel number.
  int32_t number = 0;
  bool number_found = false;
  for (auto it = names.begin(); it != names.end(); ++it) {
    if (!it->empty() && std::all_of(it->begin(), it->end(), IsDigit) &&
        TryStrToInt(*it, &number)) {
      number_found = true;
      names.erase(it);
      break;
    }
  }
  // Otherwise a number leading a name ('4 KXYZ'); the name keeps the rest.
  for (std::string& name : names) {
    size_t digits = 0;
    while (digits < name.size() && IsDigit(name[digits])) ++digits;
    int32_t leading = 0;
    if (digits == 0 || !TryStrToInt(std::string_view(name).substr(0, digits), &leading) ||
        leading <= 0) {
      continue;
    }
    if (!number_found) {
      number = leading;
      number_found = true;
    }
    name = Trim(std::string_view(name).substr(digits));
  }
  if (number_found) CheckHResult(channel_->put_Number(number));
  CheckHResult(channel_->get_Number(&number));

  CheckHResult(channel_->put_Frequency(std::to_string(number)));
  std::string short_name;
  if (!names.empty()) {
    short_name = names[0];
    CheckHResult(channel_->put_ShortName(names[0]));
  }
  if (names.size() >= 2) CheckHResult(channel_->put_LongName(names[1]));
  Log(Format("  number = %d : name = \"%s\"", number, short_name.c_str()));
  Log(" ");
}

void TXMLTVImport::EndProgrammeElement(TSaxElement& element, bool& continue_parse) {
  ITVNewProgram* program = program_.Get();
  const std::string& name = element.Name();
  const std::string& text = element.Text();
  if (&element == program_element_) {
    FinishProgramme(continue_parse);
  } else if (name == "title") {
    if (LanguageWanted(element)) CheckHResult(program->put_Title(text));
  } else if (name == "sub-title") {
    if (LanguageWanted(element)) CheckHResult(program->put_Subtitle(text));
  } else if (name == "desc") {
    if (LanguageWanted(element)) AddDescription(text);
  } else if (IsPersonElement(name)) {
    CheckHResult(program->AddPerson(text, RoleOf(name)));
  } else if (name == "category") {
    if (LanguageWanted(element)) CheckHResult(program->AddGenre(text));
  } else if (name == "episode-num") {
    if (element.Attribute("system") == "dd_progid") {
      CheckHResult(program->put_EqualityKey(text));
      CheckHResult(program->put_ProgramType(text.substr(0, 2)));
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
  if (SameText(unit, "minutes")) {
    CheckHResult(program_->put_RunTime(length));
  } else if (SameText(unit, "seconds")) {
    CheckHResult(program_->put_RunTime(length / 60));
  } else if (SameText(unit, "hours") && length <= INT32_MAX / 60) {
    CheckHResult(program_->put_RunTime(length * 60));
  }
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

void TXMLTVImport::FinishProgramme(bool& continue_parse) {
  TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
  CheckHResult(program_->Save(&result));
  program_.Reset();
  program_element_ = nullptr;
  if (result != TV_PROGRAM_SAVE_OK && result != TV_PROGRAM_SAVE_UNWANTED_CHANNEL) {
    SetStopReason("Failed to save program");
    continue_parse = false;
    return;
  }
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
