#include "recording/recording_tags.h"

#include <vector>

#include "kestro/interface_reads.h"
#include "kestro/tv_programs.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro {
namespace {

constexpr std::string_view kNotInFileNames = "\"*/:<>?\\|";

// The first `count` characters (code points) of `text`.
std::string FirstCharacters(std::string_view text, size_t count) {
  size_t pos = 0;
  char32_t code_point = 0;
  for (size_t n = 0; n < count && NextCodePoint(text, pos, code_point); ++n) {
  }
  return std::string(text.substr(0, pos));
}

// Every occurrence of `what` removed, ignoring case.
std::string RemoveText(std::string format, std::string_view what) {
  for (size_t at = 0; at + what.size() <= format.size();) {
    if (SameText(std::string_view(format).substr(at, what.size()), what)) {
      format.erase(at, what.size());
    } else {
      ++at;
    }
  }
  return format;
}

// A date-time in the locale's form without seconds, with the characters file names cannot hold
// (and blanks) as "_" and full stops dropped: "3/4/2006 8:30:00 PM" -> "3_4_2006_8_30_PM".
std::string FileNameTime(OleDate value, FormatSettings fs) {
  for (std::string* format : {&fs.long_time_format, &fs.short_time_format})
    *format = RemoveText(RemoveText(*format, ":ss"), "ss");
  std::string text;
  for (char c : DateTimeToStr(value, fs)) {
    if (c == '.') continue;
    text += c == ' ' || kNotInFileNames.find(c) != std::string_view::npos ? '_' : c;
  }
  return text;
}

// "|a|b|" for the names a, b; "" for none.
std::string FramedList(const std::vector<std::string>& names) {
  return names.empty() ? std::string() : "|" + Join(names, "|") + "|";
}

Variant ItemValue(IKestroItem* item, const std::string& name) {
  Variant value;
  if (item) CheckHResult(item->GetValue(name, Variant(), &value));
  return value;
}

void AddProgramTags(TDictionary& tags, const std::string& prefix, ITVProgram& program,
                    const std::string& title) {
  auto set = [&](const char* name, Variant value) { tags.Set(prefix + name, std::move(value)); };
  const std::string subtitle = Get(&program, &ITVProgram::get_Subtitle);
  ComPtr<IKestroItem> item = GetObject(&program, &ITVProgram::GetAsKestroItem);
  ComPtr<ITVProgramDetails> details = GetObject(&program, &ITVProgram::get_Details);
  ComPtr<IKestroItem> details_item;
  if (details) details_item = GetObject(details.Get(), &ITVProgramDetails::GetAsKestroItem);

  set("sort title", Get(&program, &ITVProgram::get_SortTitle));
  set("search title", Get(&program, &ITVProgram::get_SearchTitle));
  set("program-title", title);
  set("program-subtitle", subtitle);
  set("subtitle", subtitle);
  set("program-long-desc",
      details ? Get(details.Get(), &ITVProgramDetails::get_LongDescription) : std::string());
  set("rating", ItemValue(item.Get(), "program-rating"));
  // The programme's own item has no year; its details' item has.
  Variant year = ItemValue(item.Get(), "program-year");
  set("program-year", year.IsEmpty() ? ItemValue(details_item.Get(), "program-year") : year);
  set("equality-key", Get(&program, &ITVProgram::get_EqualityKey));
  if (!details) return;

  std::vector<std::string> genres;
  ComPtr<IKestroItem> genre_item = GetObject(details.Get(), &ITVProgramDetails::get_Genres);
  ForEachItemValue(genre_item.Get(),
                   [&](const std::string& name, const Variant&) { genres.push_back(name); });
  std::vector<std::string> people;
  const int32_t people_count = Get(details.Get(), &ITVProgramDetails::get_PeopleCount);
  for (int32_t i = 0; i < people_count; ++i) {
    ComPtr<ITVPerson> person;
    CheckHResult(details->get_People(i, person.ReleaseAndGetAddressOf()));
    if (person) people.push_back(Get(person.Get(), &ITVPerson::get_Name));
  }
  set("genre", FramedList(genres));
  set("people", FramedList(people));
  set("premiere-finale", Get(details.Get(), &ITVProgramDetails::get_PremiereFinale));
  set("year-produced", Get(details.Get(), &ITVProgramDetails::get_YearProduced));
  const OleDate aired = Get(details.Get(), &ITVProgramDetails::get_OriginalAirDate);
  if (aired > 0) set("original-air-date", Variant::Date(aired));
  set("program-is-repeat", ItemValue(details_item.Get(), "program-is-repeat"));
}

}  // namespace

std::string BuildRecordingFileName(TTVSchedule& schedule, const FormatSettings& fs) {
  const ScheduleFields& f = schedule.fields();
  std::string name = FirstCharacters(Trim(f.title), 100);
  if (name.empty()) name = "untitled";
  if (ComPtr<TTableTVProgram> program = schedule.Program()) {
    const std::string subtitle = Trim(Get(program.Get(), &ITVProgram::get_Subtitle));
    if (!subtitle.empty()) name += "_" + FirstCharacters(subtitle, 100);
  }
  if (ComPtr<TTVChannel> channel = schedule.Channel()) {
    name += "_" + channel->fields().short_name + "_" + std::to_string(channel->fields().number);
  }
  name += "_" + FileNameTime(f.start_time, fs);
  std::erase_if(name, [](char c) { return kNotInFileNames.find(c) != std::string_view::npos; });
  return Trim(name);
}

std::string DescribeSchedule(const TTVSchedule& schedule) {
  const ScheduleFields& f = schedule.fields();
  return Format("\"%s\" : %s to %s : id %d : pgm id %d : tuner %d : chnl %d", f.title.c_str(),
                FormatDateTime("yyyy-mm-dd hh:nn:ss", f.start_time).c_str(),
                FormatDateTime("yyyy-mm-dd hh:nn:ss", f.end_time).c_str(), f.id, f.program_id,
                f.tuner_id, f.channel_id);
}

RecordingTags BuildRecordingTags(TTVSchedule& schedule, IKestroItem* source,
                                 std::string_view prefix_text, OleDate now) {
  const ScheduleFields& f = schedule.fields();
  const std::string prefix(prefix_text);
  ComPtr<TTableTVProgram> program = schedule.Program();
  RecordingTags result{NewDictionary(), f.title, f.start_time, f.end_time};
  ComPtr<ITVChannel> channel;
  if (program) {
    result.title = Get(program.Get(), &ITVProgram::get_Title);
    result.start = Get(program.Get(), &ITVProgram::get_StartTime);
    result.end = Get(program.Get(), &ITVProgram::get_EndTime);
    channel = GetObject(program.Get(), &ITVProgram::get_Channel);
  } else {
    channel = ComPtr<ITVChannel>(schedule.Channel().Get());
  }

  TDictionary& tags = *result.tags;
  auto set = [&](const char* name, Variant value) { tags.Set(prefix + name, std::move(value)); };
  set("title", result.title);
  set("date", Variant::Date(result.start));
  set("time", Variant::Date(result.start));
  set("program-start-time", Variant::Date(result.start));
  set("program-end-time", Variant::Date(result.end));
  set("day", Variant::Date(DateOf(result.start)));
  set("duration-text", ItemValue(source, "duration-text"));
  set("duration", ItemValue(source, "duration"));
  set("keep_until", f.keep_until);
  set("watched", false);
  set("resume-state", 0);
  set("quality", f.quality);
  set("rs_id", f.rs_id);
  set("record-time", DateTimeToDbTime(result.start));
  set("locked", false);
  set("actual-start-time", Variant::Date(now));
  set("folder", f.folder.empty() ? result.title : f.folder);
  if (channel) {
    const std::string short_name = Get(channel.Get(), &ITVChannel::get_ShortName);
    set("channel", short_name);
    set("channel-short-name", short_name);
    set("channel-number", Get(channel.Get(), &ITVChannel::get_Number));
    set("channel image", Get(channel.Get(), &ITVChannel::get_ImageID));
  }
  if (program) AddProgramTags(tags, prefix, *program, result.title);
  return result;
}

}  // namespace kestro
