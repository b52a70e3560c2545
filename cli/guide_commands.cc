// kestro guide, search and program: reading a lineup's guide.
#include <fstream>
#include <map>

#include "cli/output.h"
#include "cli/search_fields.h"
#include "cli/session.h"
#include "cli/time_arg.h"
#include "host/host_clock.h"
#include "host/program_search.h"
#include "host/xmltv_export.h"
#include "kestro/tv_programs.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

namespace {

// Channel id -> "number name" of every channel, for showing programmes.
std::map<int32_t, std::pair<int32_t, std::string>> ChannelNames(ITVListings* listings) {
  std::map<int32_t, std::pair<int32_t, std::string>> names;
  ComPtr<ITVChannelList> channels = GetObject(listings, &ITVListings::GetMasterChannels);
  for (const ComPtr<ITVChannel>& c : ListItems(channels.Get())) {
    std::string name = Get(c.Get(), &ITVChannel::get_ShortName);
    if (name.empty()) name = Get(c.Get(), &ITVChannel::get_LongName);
    names[Get(c.Get(), &ITVChannel::get_ID)] = {Get(c.Get(), &ITVChannel::get_Number), name};
  }
  return names;
}

// The stored channel list `id`; Exception when there is none.
void CheckChannelList(ITVListings* listings, int32_t id) {
  ComPtr<ITVChannelList> found;
  CheckHResult(listings->FindChannelListByID(id, found.ReleaseAndGetAddressOf()));
  if (!found) throw Exception(Format("No channel list with id %d", id));
}

// The channel-or-list argument of the searches from --channel CHANNEL or --list ID.
int32_t ChannelOrList(const ArgParser& args, ITVListings* listings) {
  std::optional<std::string> channel = args.Value("channel");
  std::optional<int32_t> list = args.IntValue("list", 1, 1 << 30);
  if (channel && list) throw UsageError("give --channel or --list, not both");
  if (list) {
    CheckChannelList(listings, *list);
    return *list;
  }
  if (!channel) return 0;
  return -Get(FindChannelArgument(listings, *channel, "--channel").Get(), &ITVChannel::get_ID);
}

// "S9 E4", "S9" or "E4" from a programme's details; "" when they give neither number.
std::string SeasonAndEpisode(ITVProgramDetails* details) {
  if (!details) return {};
  const int32_t season = Get(details, &ITVProgramDetails::get_SeasonNumber);
  const int32_t episode = Get(details, &ITVProgramDetails::get_SeasonEpisodeNumber);
  std::string text = season > 0 ? "S" + std::to_string(season) : std::string();
  if (episode > 0) text += (text.empty() ? "E" : " E") + std::to_string(episode);
  return text;
}

void PrintPrograms(CommandContext& ctx, ITVListings* listings,
                   const std::vector<ComPtr<ITVProgram>>& programs, OutputFormat format) {
  auto names = ChannelNames(listings);
  TableOutput table({Number("id"), "channel", "start", "end", "title", "subtitle", "episode",
                     Flag("record")});
  for (const auto& p : programs) {
    int32_t channel_id = Get(p.Get(), &ITVProgram::get_ChannelID);
    auto it = names.find(channel_id);
    std::string channel = it == names.end()
                              ? std::to_string(channel_id)
                              : Format("%d %s", it->second.first, it->second.second.c_str());
    bool record = false;
    CheckHResult(p->IsToBeRecorded(&record));
    table.AddRow({std::to_string(Get(p.Get(), &ITVProgram::get_ID)), channel,
                  FormatTime(Get(p.Get(), &ITVProgram::get_StartTime)),
                  FormatTime(Get(p.Get(), &ITVProgram::get_EndTime)),
                  Get(p.Get(), &ITVProgram::get_Title), Get(p.Get(), &ITVProgram::get_Subtitle),
                  SeasonAndEpisode(GetObject(p.Get(), &ITVProgram::get_Details).Get()),
                  record ? "yes" : ""});
  }
  table.Print(ctx.out, format);
}

int RunGuide(CommandContext& ctx) {
  ArgParser args(ctx.args, {"at", "hours", "list", "format"}, {});
  args.ExpectAtMost(1);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  OleDate at = args.Value("at") ? ParseTimeArgument(*args.Value("at"), "at") : host::NowLocal();
  int32_t hours = args.IntValue("hours", 1, 24 * 14).value_or(3);
  int32_t list = args.IntValue("list", 1, 1 << 30).value_or(0);
  if (list) CheckChannelList(listings.Get(), list);
  ComPtr<ITVProgramList> found;
  CheckHResult(listings->SearchByTimeSlice(at, at + hours * kOneHour, list, 0,
                                           found.ReleaseAndGetAddressOf()));
  std::vector<ComPtr<ITVProgram>> programs = ListItems(found.Get());
  if (format != OutputFormat::kTable) {
    PrintPrograms(ctx, listings.Get(), programs, format);
    return kExitOk;
  }
  // One line per channel in channel-number order: what is on at the start, then what follows.
  auto names = ChannelNames(listings.Get());
  std::map<std::pair<int32_t, int32_t>, std::vector<std::string>> rows;  // (number, id) -> cells
  for (const auto& p : programs) {
    int32_t channel_id = Get(p.Get(), &ITVProgram::get_ChannelID);
    int32_t number = names.count(channel_id) ? names[channel_id].first : 0;
    std::string title = Get(p.Get(), &ITVProgram::get_Title);
    std::string subtitle = Get(p.Get(), &ITVProgram::get_Subtitle);
    if (!subtitle.empty()) title += " (" + subtitle + ")";
    rows[{number, channel_id}].push_back(
        FormatDateTime("hh:nn", Get(p.Get(), &ITVProgram::get_StartTime)) + " " + title);
  }
  ctx.out << "On " << FormatDateTime("dddd d mmmm yyyy", at) << " from "
          << FormatDateTime("hh:nn", at) << " for " << hours << (hours == 1 ? " hour" : " hours")
          << "\n\n";
  TableOutput table({"ch", "channel", "programmes"});
  for (const auto& [key, cells] : rows)
    table.AddRow({std::to_string(key.first), names[key.second].second, Join(cells, "  |  ")});
  table.Print(ctx.out, OutputFormat::kTable);
  if (rows.empty()) ctx.out << "(nothing in the guide for this time)\n";
  return kExitOk;
}

int RunSearch(CommandContext& ctx) {
  ArgParser args(ctx.args, {"from", "limit", "channel", "list", "format"}, {"all", "exact"});
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  const std::string& kind = args.Positional(1, "the kind of search (title, keywords, person, type, key or custom)");
  std::vector<std::string> words(args.Positionals().begin() + 2, args.Positionals().end());
  if (words.empty()) throw UsageError("missing what to search for");
  const std::string text = Join(words, " ");
  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  OleDate from =
      args.Value("from") ? ParseTimeArgument(*args.Value("from"), "from") : host::NowLocal();
  int32_t limit = args.IntValue("limit", 0, 1 << 30).value_or(100);
  int32_t where = ChannelOrList(args, listings.Get());
  if ((args.Flag("all") || args.Flag("exact")) && kind != "keywords")
    throw UsageError("--all and --exact go with a keywords search");

  if (kind == "keywords" && args.Flag("all") && args.Flag("exact"))
    throw UsageError("give --all or --exact, not both");
  if (kind == "custom" && (args.Value("from") || where != 0))
    throw UsageError("a custom search sets its own time and channels in its lines");
  host::ProgramSearch search{kind, text};
  search.keywords_type = args.Flag("all")     ? TV_KWD_SEARCH_TYPE_ALL
                         : args.Flag("exact") ? TV_KWD_SEARCH_TYPE_EXACT
                                              : TV_KWD_SEARCH_TYPE_ANY;
  search.channel_or_list = where;
  search.from = from;
  // A custom search's own "limit" line applies; --limit cuts further only when given.
  search.limit = kind == "custom" && !args.Value("limit") ? 0 : limit;
  std::vector<ComPtr<ITVProgram>> programs = host::SearchPrograms(listings.Get(), search);
  PrintPrograms(ctx, listings.Get(), programs, format);
  return kExitOk;
}

std::string TriState(TV_3_WAY value) {
  return value == TV_3_WAY_YES ? "yes" : value == TV_3_WAY_NO ? "no" : "";
}

int RunProgram(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(2);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  int32_t id = 0;
  if (!TryStrToInt(args.Positional(1, "PROGRAM-ID"), &id))
    throw UsageError("PROGRAM-ID is a number");
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  ComPtr<ITVProgram> p;
  CheckHResult(listings->FindProgramByID(id, p.ReleaseAndGetAddressOf()));
  if (!p) throw Exception(Format("No programme with id %d in lineup %s", id, args.Positionals()[0].c_str()));
  ComPtr<ITVProgramDetails> d = GetObject(p.Get(), &ITVProgram::get_Details);
  ComPtr<ITVChannel> channel = GetObject(p.Get(), &ITVProgram::get_Channel);

  auto number = [](int32_t n) { return n ? std::to_string(n) : std::string(); };
  RecordOutput record;
  record.Add(Number("Programme"), std::to_string(id));
  record.Add("Title", Get(p.Get(), &ITVProgram::get_Title));
  record.Add("Subtitle", Get(p.Get(), &ITVProgram::get_Subtitle));
  record.Add("Channel", channel ? ChannelLabel(channel.Get()) : std::string());
  record.Add("Start", FormatTime(Get(p.Get(), &ITVProgram::get_StartTime)));
  record.Add("End", FormatTime(Get(p.Get(), &ITVProgram::get_EndTime)));
  record.Add("Type", Get(p.Get(), &ITVProgram::get_ProgramType));
  record.Add("TV rating", Get(p.Get(), &ITVProgram::get_TVRating));
  record.Add("Movie rating", Get(p.Get(), &ITVProgram::get_MovieRating));
  record.Add("Equality key", Get(p.Get(), &ITVProgram::get_EqualityKey));
  record.Add(Number("Schedule"), number(std::max(0, Get(p.Get(), &ITVProgram::get_ScheduleID))));
  if (d) {
    auto text = [&](const char* label, std::string value) { record.Add(label, std::move(value)); };
    auto count = [&](const char* label, int32_t n) { record.Add(Number(label), number(n)); };
    text("Description", Get(d.Get(), &ITVProgramDetails::get_LongDescription));
    text("Short description", Get(d.Get(), &ITVProgramDetails::get_ShortDescription));
    text("Episode", Get(d.Get(), &ITVProgramDetails::get_EpisodeNumber));
    text("Season, episode", SeasonAndEpisode(d.Get()));
    count("Part", Get(d.Get(), &ITVProgramDetails::get_PartNumber));
    count("Parts", Get(d.Get(), &ITVProgramDetails::get_NumberOfParts));
    count("Year", Get(d.Get(), &ITVProgramDetails::get_YearProduced));
    count("Run time", Get(d.Get(), &ITVProgramDetails::get_RunTime));
    text("Language", Get(d.Get(), &ITVProgramDetails::get_Language));
    text("Country", Get(d.Get(), &ITVProgramDetails::get_CountryOfOrigin));
    text("Network", Get(d.Get(), &ITVProgramDetails::get_Network));
    text("Studio", Get(d.Get(), &ITVProgramDetails::get_Studio));
    OleDate aired = Get(d.Get(), &ITVProgramDetails::get_OriginalAirDate);
    text("First aired", aired ? FormatDateTime("yyyy-mm-dd", aired) : std::string());
    text("Advisories", Get(d.Get(), &ITVProgramDetails::get_Advisories));
    text("Repeat", TriState(Get(d.Get(), &ITVProgramDetails::get_IsRepeat)));
    text("Subtitled", TriState(Get(d.Get(), &ITVProgramDetails::get_IsSubtitled)));
    text("HDTV", TriState(Get(d.Get(), &ITVProgramDetails::get_IsHDTV)));
    std::vector<std::string> genres;
    ForEachItemValue(GetObject(d.Get(), &ITVProgramDetails::get_Genres).Get(),
                     [&](const std::string& name, const Variant&) { genres.push_back(name); });
    record.AddList("Genres", std::move(genres));
    std::vector<std::string> people;
    int32_t count_of_people = Get(d.Get(), &ITVProgramDetails::get_PeopleCount);
    for (int32_t i = 0; i < count_of_people; ++i) {
      ComPtr<ITVPerson> person;
      CheckHResult(d->get_People(i, person.ReleaseAndGetAddressOf()));
      people.push_back(Get(person.Get(), &ITVPerson::get_Name) + " (" +
                       Get(person.Get(), &ITVPerson::get_Role) + ")");
    }
    record.AddList("People", std::move(people));
  }
  record.Print(ctx.out, format);
  return kExitOk;
}

int RunExportXmltv(CommandContext& ctx) {
  ArgParser args(ctx.args, {"from", "days", "list", "output"}, {});
  args.ExpectAtMost(1);
  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  const OleDate from = args.Value("from") ? ParseTimeArgument(*args.Value("from"), "from")
                                          : DateOf(host::NowLocal());
  const int32_t days = args.IntValue("days", 1, 31).value_or(14);
  const int32_t list = args.IntValue("list", 1, 1 << 30).value_or(0);
  if (std::optional<std::string> file = args.Value("output")) {
    std::ofstream out(*file, std::ios::binary | std::ios::trunc);
    if (!out) throw Exception("Failed to create \"" + *file + "\"");
    host::WriteXmltv(listings.Get(), from, from + days, list, out);
    if (!out.flush()) throw Exception("Failed to write \"" + *file + "\"");
  } else {
    host::WriteXmltv(listings.Get(), from, from + days, list, ctx.out);
  }
  return kExitOk;
}

}  // namespace

std::vector<Command> GuideCommands() {
  const std::string where =
      "  --channel CHANNEL  only this channel: its number as the guide shows it, or id:N\n"
      "  --list ID          only the channels of this channel list\n"
      "  --format F         table (default), tsv or json\n";
  const std::string times =
      "TIME is \"YYYY-MM-DD HH:MM\" local time, HH:MM (today), or an expression: now, today,\n"
      "today+1d20h, now-90m (units d, h, m).\n";
  return {
      {"guide", "kestro guide LINEUP [--at TIME] [--hours H] [--list ID] [--format F]",
       "what is on: each channel's programmes from a time (default now) for some hours",
       "  --at TIME          start of the window (default now)\n"
       "  --hours H          length of the window (default 3)\n"
       "  --list ID          only the channels of this channel list\n"
       "  --format F         table (default: one line per channel), tsv or json (one row per\n"
       "                     programme)\n" + times,
       RunGuide},
      {"search",
       "kestro search LINEUP title PATTERN | keywords [--all|--exact] WORDS | person PATTERN | "
       "type MV|EP|SH|SP | key EQUALITY-KEY | custom QUERY [--from TIME] [--limit N] "
       "[--channel CHANNEL | --list ID] [--format F]",
       "find programmes by title, keywords, person, type, equality key or a custom query",
       "  title PATTERN      the title, lower case, with * as a wildcard (star trek*)\n"
       "  keywords WORDS     any of the words; --all every word; --exact the phrase\n"
       "  person PATTERN     programmes with a person whose name (or, without *, surname)\n"
       "                     matches\n"
       "  custom QUERY       custom-search lines separated by \\ (title star trek\\day sat);\n"
       "                     the fields are below\n"
       "  --from TIME        leave out programmes that ended before (default now)\n"
       "  --limit N          at most N programmes (default 100, 0 for all; a custom search\n"
       "                     without it has no limit but its own)\n" + where + times +
           kSearchFieldsHelp,
       RunSearch},
      {"program", "kestro program LINEUP PROGRAM-ID [--format F]",
       "every detail of one programme, with its genres and people",
       "  --format F         table (default), tsv (a label and a value a line) or json (one\n"
       "                     object)\n",
       RunProgram},
      {"export xmltv",
       "kestro export xmltv LINEUP [--from TIME] [--days N] [--list ID] [--output FILE]",
       "the guide as XMLTV, for other media players",
       "  --from TIME        programmes running from this time (default today 00:00)\n"
       "  --days N           for this many days (default 14)\n"
       "  --list ID          only the channels of this channel list\n"
       "  --output FILE      write to FILE (default standard output)\n" + times,
       RunExportXmltv},
  };
}

}  // namespace kestro::cli
