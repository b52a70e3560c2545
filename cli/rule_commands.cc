// kestro rule: repeating recordings of a lineup. A time rule records one channel in a daily
// window on chosen days; a search rule records every programme a custom search finds. Saving a
// rule rebuilds its schedules and reports each showing with what it collides with.
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/session.h"
#include "cli/time_arg.h"
#include "host/rule_options.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"
#include "kestro/tv_schedules.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

namespace {

using host::kDuplicateWords;
using host::kSaveModes;

// Who creates and deletes rules: the login name, else the tool's name.
std::string UserName() {
  const char* user = std::getenv("USER");
  return user && *user ? user : "kestro";
}

// The IKestroLog handed to a save for --log: each line goes to the output as it comes.
class TPrintedLog : public DispatchObject<IKestroLog> {
 public:
  explicit TPrintedLog(std::ostream& out)
      : DispatchObject<IKestroLog>(HostTypeLibrary()), out_(out) {}
  HRESULT WriteLine(const std::string& line) override {
    return Frame([&] { out_ << line << '\n'; });
  }

 private:
  std::ostream& out_;
};

// --- options ---------------------------------------------------------------------------------

const std::set<std::string> kRuleValueOptions = {
    "search", "channel",    "start", "end",    "frequency",   "title",      "duplicates",
    "keep-at-most", "keep", "before", "after", "soft-before", "soft-after", "folder",
    "quality", "format"};
const std::set<std::string> kRuleFlags = {"first-run-only", "all-repeats", "log"};

std::set<std::string> With(std::set<std::string> names, const std::string& more) {
  names.insert(more);
  return names;
}

// The options of add, save and preview as typed: the shared rule options, the --channel text
// (a channel number, id:N, or 0 for none; RuleSession::ResolveChannel turns it into the id), and
// the tool's own --log and --format.
struct RuleOptions : host::RuleOptions {
  std::optional<std::string> channel_text;
  bool log = false;
  OutputFormat format = OutputFormat::kTable;
};

// "HH:MM" (or "H:MM") as a time of day.
std::optional<OleDate> TimeOfDayOption(const ArgParser& args, const std::string& name) {
  std::optional<std::string> text = args.Value(name);
  if (!text) return std::nullopt;
  const size_t colon = text->find(':');
  const bool digits = text->find_first_not_of("0123456789:") == std::string::npos;
  int32_t hour = -1, minute = -1;
  if (!digits || colon == std::string::npos || colon == 0 || colon > 2 ||
      text->size() != colon + 3 || !TryStrToInt(text->substr(0, colon), &hour) ||
      !TryStrToInt(text->substr(colon + 1), &minute) || hour > 23 || minute > 59)
    throw UsageError("--" + name + " takes a time of day HH:MM, not \"" + *text + "\"");
  return EncodeTime(hour, minute, 0, 0);
}

// Every --search value, one or more lines each; a literal "\n" inside a value breaks the line.
std::optional<std::string> SearchOption(const ArgParser& args) {
  const std::vector<std::string> values = args.Values("search");
  if (values.empty()) return std::nullopt;
  std::vector<std::string> lines;
  for (const std::string& value : values) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
      if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
        text += '\n';
        ++i;
      } else if (value[i] != '\r') {
        text += value[i];
      }
    }
    for (const std::string& line : Split(text, '\n'))
      if (!Trim(line).empty()) lines.push_back(line);
  }
  if (lines.empty()) throw UsageError("--search needs a query");
  return Join(lines, "\n");
}

// The options of add, save and preview as given.
RuleOptions ParseRuleOptions(const ArgParser& args) {
  RuleOptions o;
  o.search = SearchOption(args);
  o.channel_text = args.Value("channel");
  if (o.channel_text == "0") o.channel = 0;  // a search rule over every channel
  o.start = TimeOfDayOption(args, "start");
  o.end = TimeOfDayOption(args, "end");
  o.frequency = args.Choice("frequency", host::RuleFrequencies());
  o.title = args.Value("title");
  o.folder = args.Value("folder");
  o.quality = args.Value("quality");
  if (auto d = args.Choice("duplicates", host::Words(kDuplicateWords)))
    o.duplicates = host::ValueOf(kDuplicateWords, *d);
  if (args.Flag("first-run-only") && args.Flag("all-repeats"))
    throw UsageError("give --first-run-only or --all-repeats, not both");
  if (args.Flag("first-run-only")) o.repeats = TV_REPEATS_FIRST_RUN_ONLY;
  if (args.Flag("all-repeats")) o.repeats = TV_REPEATS_ALL;
  if (auto keep = args.Choice("keep", {"space-needed", "until-deleted"}))
    o.keep = *keep == "until-deleted" ? TV_KEEP_UNTIL_DELETED : TV_KEEP_UNTIL_SPACE_NEEDED;
  o.keep_at_most = args.IntValue("keep-at-most", 0, 100000);
  o.before = args.IntValue("before", 0, 24 * 3600);
  o.after = args.IntValue("after", 0, 24 * 3600);
  o.soft_before = args.IntValue("soft-before", 0, 24 * 3600);
  o.soft_after = args.IntValue("soft-after", 0, 24 * 3600);
  o.log = args.Flag("log");
  o.format = ParseOutputFormat(args.Value("format").value_or("table"));
  return o;
}

// A new rule needs a search, or a whole time window on a channel (checked on the text of
// --channel, before the lineup is opened to resolve it).
void CheckNewRuleArguments(const RuleOptions& o) {
  if (o.search && o.HasWindow())
    throw UsageError("give --search or --start/--end/--frequency, not both");
  if (!o.search && (!o.channel_text || o.channel == 0 || !o.start || !o.end || !o.frequency))
    throw UsageError("give --search QUERY, or --channel, --start, --end and --frequency");
}

std::optional<TV_RS_SAVE_MODE> ModeOption(const ArgParser& args) {
  std::optional<std::string> mode = args.Choice("mode", host::Words(kSaveModes));
  if (!mode) return std::nullopt;
  return host::ValueOf(kSaveModes, *mode);
}

int32_t RuleIdArgument(const ArgParser& args, size_t index) {
  int32_t id = 0;
  const std::string& text = args.Positional(index, "RULE-ID");
  if (!TryStrToInt(text, &id) || id < 1)
    throw UsageError("RULE-ID is a number, not \"" + text + "\"");
  return id;
}

// --- the lineup's scheduler ------------------------------------------------------------------

class RuleSession {
 public:
  RuleSession(const CommandContext& ctx, const std::string& lineup_id) : session_(ctx) {
    lineup_ = session_.FindLineup(lineup_id);
    listings_ = session_.OpenListings(lineup_.Get());
    scheduler_ = GetObject(listings_.Get(), &ITVListings::GetScheduler);
  }
  ITVScheduler* Scheduler() const { return scheduler_.Get(); }

  // A query that the search language does not wholly understand is refused, naming each line and
  // word it did not understand: a typo must not silently widen what a rule records.
  void CheckSearch(const std::optional<std::string>& query) const {
    if (!query) return;
    std::string problems;
    ComPtr<ITVProgramList> found;
    CheckHResult(listings_->CustomSearch(*query, &problems, found.ReleaseAndGetAddressOf()));
    if (!problems.empty()) {
      throw UsageError("--search: " + problems + "\n(kestro search --help lists the fields)");
    }
  }

  // The ids of the stored rules, highest priority first.
  std::vector<int32_t> RuleIds() const {
    std::vector<int32_t> ids;
    ComPtr<ITVRepeatingScheduleList> rules =
        GetObject(scheduler_.Get(), &ITVScheduler::GetRepeatingSchedules);
    for (const ComPtr<ITVRepeatingSchedule>& rule : ListItems(rules.Get()))
      ids.push_back(Get(rule.Get(), &ITVRepeatingSchedule::get_ID));
    return ids;
  }

  ComPtr<ITVRepeatingSchedule> Find(int32_t id) const {
    ComPtr<ITVRepeatingSchedule> rule;
    CheckHResult(scheduler_->FindRepeatingSchedule(id, rule.ReleaseAndGetAddressOf()));
    return rule;
  }
  // The stored rule; Exception when there is none.
  ComPtr<ITVRepeatingSchedule> Load(int32_t id) const {
    ComPtr<ITVRepeatingSchedule> rule = Find(id);
    if (!rule)
      throw Exception(Format("No rule with id %d; \"kestro rule list\" shows the rules", id));
    return rule;
  }

  // Turns the --channel text into the channel's id; Exception when no channel has it.
  void ResolveChannel(RuleOptions& o) const {
    if (o.channel_text && !o.channel) {
      o.channel = Get(FindChannelArgument(listings_.Get(), *o.channel_text, "--channel").Get(),
                      &ITVChannel::get_ID);
    }
  }

  // "5 KXYZ" for a channel id, cached; Exception for an unknown channel when `required`.
  std::string ChannelName(int32_t channel_id, bool required = false) {
    if (auto it = channels_.find(channel_id); it != channels_.end()) return it->second;
    ComPtr<ITVChannel> channel;
    CheckHResult(listings_->FindChannelByID(channel_id, channel.ReleaseAndGetAddressOf()));
    if (!channel && required) throw Exception(Format("No channel with id %d", channel_id));
    std::string name = channel ? Format("%d %s", Get(channel.Get(), &ITVChannel::get_Number),
                                        Get(channel.Get(), &ITVChannel::get_ShortName).c_str())
                               : Format("id %d", channel_id);
    return channels_[channel_id] = name;
  }

 private:
  Session session_;
  ComPtr<ITVLineup> lineup_;
  ComPtr<ITVListings> listings_;
  ComPtr<ITVScheduler> scheduler_;
  std::map<int32_t, std::string> channels_;
};

std::string HourMinute(OleDate time_of_day) { return FormatDateTime("hh:nn", time_of_day); }

// An unsaved rule made from the options (already checked by CheckNewRuleArguments).
ComPtr<ITVRepeatingSchedule> NewRule(RuleSession& session, const RuleOptions& o) {
  const std::string channel =
      o.channel && *o.channel > 0 ? session.ChannelName(*o.channel, true) : std::string();
  return host::NewRule(session.Scheduler(), o, UserName(), channel);
}

// --- printing --------------------------------------------------------------------------------

int32_t ScheduleCount(ITVRepeatingSchedule* rule) {
  ComPtr<ITVScheduleList> list = GetObject(rule, &ITVRepeatingSchedule::GetSchedules);
  return list ? Get(list.Get(), &ITVScheduleList::get_Count) : 0;
}

std::string CodeText(ITVRepeatingScheduleResult* result) {
  std::string text = ResultCodeName(Get(result, &ITVRepeatingScheduleResult::get_Code));
  const std::string description = Get(result, &ITVRepeatingScheduleResult::get_Description);
  return description.empty() ? text : text + " - " + description;
}

// The showings of a save or preview: the stored schedule's id ("-" when it was not stored), its
// tuner, window, title, channel, conflict type and the schedules it collides with.
void PrintEntries(std::ostream& out, RuleSession& session, ITVRepeatingScheduleResult* result,
                  OutputFormat format) {
  std::vector<ComPtr<ITVSchedule>> entries =
      ListItems(GetObject(result, &ITVRepeatingScheduleResult::get_Schedules).Get());
  const std::string none = format == OutputFormat::kTable ? "-" : "";
  if (entries.empty() && format == OutputFormat::kTable) {
    out << "Nothing to record.\n";
    return;
  }
  TableOutput table(
      {Number("schedule"), Number("tuner"), "start", "end", "title", "channel", "conflict", "with"});
  for (int32_t i = 0; i < static_cast<int32_t>(entries.size()); ++i) {
    ITVSchedule* s = entries[static_cast<size_t>(i)].Get();
    TV_CONFLICT_TYPE type = TV_CONFLICT_NONE;
    CheckHResult(result->get_ConflictTypes(i, &type));
    ComPtr<ITVScheduleList> conflicts;
    CheckHResult(result->get_Conflicts(i, conflicts.ReleaseAndGetAddressOf()));
    std::vector<std::string> with;
    for (const auto& c : ListItems(conflicts.Get()))
      with.push_back(Format("#%d %s", Get(c.Get(), &ITVSchedule::get_ID),
                            Get(c.Get(), &ITVSchedule::get_Title).c_str()));
    const int32_t id = Get(s, &ITVSchedule::get_ID), tuner = Get(s, &ITVSchedule::get_TunerID);
    table.AddRow({id > 0 ? std::to_string(id) : none, tuner > 0 ? std::to_string(tuner) : none,
                  FormatTime(Get(s, &ITVSchedule::get_StartTime)),
                  FormatTime(Get(s, &ITVSchedule::get_EndTime)), Get(s, &ITVSchedule::get_Title),
                  session.ChannelName(Get(s, &ITVSchedule::get_ChannelID)),
                  ConflictTypeName(type), Join(with, ", ")});
  }
  table.Print(out, format);
}

// The outcome of a save or a preview: the heading, the result and the showings; in JSON one
// object with the rule's id (null for a new rule), whether it is stored, the result and the
// showings; in TSV the showings alone.
void PrintOutcome(std::ostream& out, RuleSession& session, ITVRepeatingScheduleResult* result,
                  OutputFormat format, const std::string& heading, int32_t rule_id, bool stored) {
  switch (format) {
    case OutputFormat::kJson: {
      std::ostringstream showings;
      PrintEntries(showings, session, result, format);
      out << "{\"rule\": " << (rule_id > 0 ? std::to_string(rule_id) : "null")
          << ", \"stored\": " << (stored ? "true" : "false")
          << ", \"result\": " << JsonString(CodeText(result)) << ",\n \"showings\": "
          << showings.str() << "}\n";
      break;
    }
    case OutputFormat::kTable:
      out << heading << "Result: " << CodeText(result) << "\n";
      [[fallthrough]];
    case OutputFormat::kTsv:
      PrintEntries(out, session, result, format);
      break;
  }
}

// Saves the rule and prints the outcome; exit 1 unless the result is OK (a rule saved with
// conflicting showings is stored all the same, and says so).
int SaveAndReport(CommandContext& ctx, const std::string& command, RuleSession& session,
                  ITVRepeatingSchedule* rule, TV_RS_SAVE_MODE mode, bool log,
                  OutputFormat format) {
  ComPtr<TPrintedLog> printed = log ? MakeObject<TPrintedLog>(ctx.out) : nullptr;
  ComPtr<ITVRepeatingScheduleResult> result;
  CheckHResult(rule->Save(mode, printed.Get(), result.ReleaseAndGetAddressOf()));
  const TV_ADD_SCHEDULE_RESULT code = Get(result.Get(), &ITVRepeatingScheduleResult::get_Code);
  const bool stored = host::RuleStored(mode, code);
  const int32_t id = Get(rule, &ITVRepeatingSchedule::get_ID);
  PrintOutcome(ctx.out, session, result.Get(), format,
               stored ? Format("Rule %d saved with priority %d\n", id,
                               Get(rule, &ITVRepeatingSchedule::get_Priority))
                      : std::string("Rule not saved\n"),
               stored ? id : 0, stored);
  if (code == TV_ADD_SCHEDULE_OK) return kExitOk;
  ctx.err << "kestro " << command
          << (stored ? ": the rule was saved, but some showings conflict: "
                     : ": the rule was not saved: ")
          << CodeText(result.Get()) << "\n";
  return kExitFailed;
}

// --- commands --------------------------------------------------------------------------------

int RunRuleAdd(CommandContext& ctx) {
  ArgParser args(ctx.args, With(kRuleValueOptions, "mode"), kRuleFlags);
  args.ExpectAtMost(1);
  RuleOptions options = ParseRuleOptions(args);
  CheckNewRuleArguments(options);
  const TV_RS_SAVE_MODE mode = ModeOption(args).value_or(TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  RuleSession session(ctx, args.Positional(0, "LINEUP"));
  session.ResolveChannel(options);
  session.CheckSearch(options.search);
  ComPtr<ITVRepeatingSchedule> rule = NewRule(session, options);
  return SaveAndReport(ctx, "rule add", session, rule.Get(), mode, options.log, options.format);
}

int RunRuleSave(CommandContext& ctx) {
  ArgParser args(ctx.args, With(kRuleValueOptions, "mode"), kRuleFlags);
  args.ExpectAtMost(2);
  const int32_t id = RuleIdArgument(args, 1);
  RuleOptions options = ParseRuleOptions(args);
  const TV_RS_SAVE_MODE mode = ModeOption(args).value_or(TV_RS_SAVE_MODE_RECALCULATE);
  RuleSession session(ctx, args.Positional(0, "LINEUP"));
  ComPtr<ITVRepeatingSchedule> rule = session.Load(id);
  session.ResolveChannel(options);
  session.CheckSearch(options.search);
  host::ApplyRuleOptions(rule.Get(), options);
  return SaveAndReport(ctx, "rule save", session, rule.Get(), mode, options.log, options.format);
}

int RunRulePreview(CommandContext& ctx) {
  ArgParser args(ctx.args, With(kRuleValueOptions, "rule"), kRuleFlags);
  args.ExpectAtMost(1);
  RuleOptions options = ParseRuleOptions(args);
  const std::optional<int32_t> id = args.IntValue("rule", 1, 0x7FFFFFFF);
  if (!id) CheckNewRuleArguments(options);
  RuleSession session(ctx, args.Positional(0, "LINEUP"));
  session.ResolveChannel(options);
  session.CheckSearch(options.search);
  ComPtr<ITVRepeatingSchedule> rule;
  if (id) {
    rule = session.Load(*id);
    host::ApplyRuleOptions(rule.Get(), options);
  } else {
    rule = NewRule(session, options);
  }
  ComPtr<TPrintedLog> printed = args.Flag("log") ? MakeObject<TPrintedLog>(ctx.out) : nullptr;
  ComPtr<ITVRepeatingScheduleResult> result;
  CheckHResult(rule->Preview(printed.Get(), result.ReleaseAndGetAddressOf()));
  PrintOutcome(ctx.out, session, result.Get(), options.format,
               id ? Format("Preview of rule %d\n", *id) : std::string("Preview of a new rule\n"),
               id.value_or(0), false);
  const TV_ADD_SCHEDULE_RESULT code = Get(result.Get(), &ITVRepeatingScheduleResult::get_Code);
  if (code == TV_ADD_SCHEDULE_OK || code == TV_ADD_SCHEDULE_CONFLICT) return kExitOk;
  ctx.err << "kestro rule preview: " << CodeText(result.Get()) << "\n";
  return kExitFailed;
}

// What a rule records: its search (and channel), or its days, window and channel.
std::string WhatText(RuleSession& session, ITVRepeatingSchedule* rule) {
  const int32_t channel = Get(rule, &ITVRepeatingSchedule::get_ChannelID);
  if (Get(rule, &ITVRepeatingSchedule::get_RSType) == TV_RS_TYPE_SEARCH) {
    std::string text = host::OneLineQuery(Get(rule, &ITVRepeatingSchedule::get_SearchCriteria));
    return channel > 0 ? text + " (ch " + session.ChannelName(channel) + ")" : text;
  }
  return Format("%s %s-%s ch %s", Get(rule, &ITVRepeatingSchedule::get_Frequency).c_str(),
                HourMinute(Get(rule, &ITVRepeatingSchedule::get_StartTime)).c_str(),
                HourMinute(Get(rule, &ITVRepeatingSchedule::get_EndTime)).c_str(),
                session.ChannelName(channel).c_str());
}

// The options that differ from a new rule's, in the words of the command line.
std::string OptionsText(ITVRepeatingSchedule* rule) {
  std::vector<std::string> parts;
  if (Get(rule, &ITVRepeatingSchedule::get_Repeats) == TV_REPEATS_FIRST_RUN_ONLY)
    parts.emplace_back("first-run-only");
  if (TV_DUPLICATES d = Get(rule, &ITVRepeatingSchedule::get_Duplicates); d != TV_DUPLICATES_ALL)
    parts.push_back("duplicates " + host::WordOf(kDuplicateWords, d));
  if (int32_t n = Get(rule, &ITVRepeatingSchedule::get_KeepAtMost); n > 0)
    parts.push_back(Format("keep-at-most %d", n));
  if (Get(rule, &ITVRepeatingSchedule::get_KeepUntil) == TV_KEEP_UNTIL_DELETED)
    parts.emplace_back("keep until-deleted");
  const int32_t before = Get(rule, &ITVRepeatingSchedule::get_HardPaddingBefore),
                after = Get(rule, &ITVRepeatingSchedule::get_HardPaddingAfter),
                soft_before = Get(rule, &ITVRepeatingSchedule::get_SoftPaddingBefore),
                soft_after = Get(rule, &ITVRepeatingSchedule::get_SoftPaddingAfter);
  if (before || after) parts.push_back(Format("padding %d/%d", before, after));
  if (soft_before || soft_after) parts.push_back(Format("soft %d/%d", soft_before, soft_after));
  if (std::string f = Get(rule, &ITVRepeatingSchedule::get_Folder); !f.empty())
    parts.push_back("folder " + f);
  if (std::string q = Get(rule, &ITVRepeatingSchedule::get_Quality); !q.empty())
    parts.push_back("quality " + q);
  return Join(parts, ", ");
}

int RunRuleList(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(1);
  const OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  RuleSession session(ctx, args.Positional(0, "LINEUP"));
  ComPtr<ITVRepeatingScheduleList> rules =
      GetObject(session.Scheduler(), &ITVScheduler::GetRepeatingSchedules);
  TableOutput table(
      {Number("id"), "type", Number("priority"), "title", "records", "options", "schedules"});
  for (const ComPtr<ITVRepeatingSchedule>& rule : ListItems(rules.Get())) {
    ITVRepeatingSchedule* r = rule.Get();
    table.AddRow({std::to_string(Get(r, &ITVRepeatingSchedule::get_ID)),
                  Get(r, &ITVRepeatingSchedule::get_RSType) == TV_RS_TYPE_SEARCH ? "search"
                                                                                 : "time",
                  std::to_string(Get(r, &ITVRepeatingSchedule::get_Priority)),
                  Get(r, &ITVRepeatingSchedule::get_Title), WhatText(session, r), OptionsText(r),
                  std::to_string(ScheduleCount(r))});
  }
  table.Print(ctx.out, format);
  return kExitOk;
}

int RunRuleDelete(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.ExpectAtMost(2);
  const int32_t id = RuleIdArgument(args, 1);
  RuleSession session(ctx, args.Positional(0, "LINEUP"));
  session.Load(id);
  bool deleted = false;
  CheckHResult(session.Scheduler()->DeleteRepeatingSchedule(
      id, UserName(), "Repeating recording deleted", &deleted));
  if (!deleted) throw Exception(Format("Rule %d could not be deleted", id));
  return kExitOk;
}

// The ordering must name every rule of the lineup exactly once.
void CheckOrdering(const RuleSession& session, const std::vector<int32_t>& ids) {
  std::set<int32_t> seen;
  for (int32_t id : ids) {
    session.Load(id);
    if (!seen.insert(id).second) throw UsageError(Format("rule %d is named twice", id));
  }
  const std::vector<int32_t> existing = session.RuleIds();
  if (ids.size() == existing.size()) return;
  std::vector<std::string> missing;
  for (int32_t id : existing)
    if (!seen.count(id)) missing.push_back(std::to_string(id));
  throw UsageError(Format("name every rule of the lineup once, highest priority first: it has "
                          "%d rules; missing: %s",
                          static_cast<int32_t>(existing.size()), Join(missing, ", ").c_str()));
}

int RunRulePrioritize(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.Positional(1, "RULE-ID");
  std::vector<int32_t> ids;
  std::vector<Variant> items;
  for (size_t i = 1; i < args.Positionals().size(); ++i) {
    ids.push_back(RuleIdArgument(args, i));
    items.emplace_back(ids.back());
  }
  RuleSession session(ctx, args.Positional(0, "LINEUP"));
  CheckOrdering(session, ids);
  if (ids.size() == 1) {
    ctx.out << Format("Rule %d is the only rule: there is nothing to order\n", ids[0]);
    return kExitOk;
  }
  std::string error;
  ComPtr<ITVRSPrioritizeResult> results;
  bool ok = false;
  CheckHResult(session.Scheduler()->PrioritizeRepeatingSchedules(
      Variant(SafeArray::Vector(std::move(items))), &error, results.ReleaseAndGetAddressOf(), &ok));
  if (!ok) throw Exception("the rules were not reordered: " + error);
  TableOutput table({Number("id"), Number("priority"), "title", "result", "schedules"});
  std::vector<std::string> not_ok;
  for (size_t i = 0; i < ids.size(); ++i) {
    ComPtr<ITVRepeatingScheduleResult> result;
    CheckHResult(results->get_Items(static_cast<int32_t>(i), result.ReleaseAndGetAddressOf()));
    ComPtr<ITVRepeatingSchedule> rule = session.Load(ids[i]);
    table.AddRow({std::to_string(ids[i]),
                  std::to_string(Get(rule.Get(), &ITVRepeatingSchedule::get_Priority)),
                  Get(rule.Get(), &ITVRepeatingSchedule::get_Title), CodeText(result.Get()),
                  std::to_string(ScheduleCount(rule.Get()))});
    if (Get(result.Get(), &ITVRepeatingScheduleResult::get_Code) != TV_ADD_SCHEDULE_OK)
      not_ok.push_back(Format("rule %d: %s", ids[i], CodeText(result.Get()).c_str()));
  }
  table.Print(ctx.out, OutputFormat::kTable);
  if (not_ok.empty()) return kExitOk;
  ctx.err << "kestro rule prioritize: the rules were reordered, but some showings lost their "
             "tuner (kestro schedule list LINEUP --deleted shows them with the reason): "
          << Join(not_ok, "; ") << "\n";
  return kExitFailed;
}

}  // namespace

std::vector<Command> RuleCommands() {
  const std::string what =
      "  --search QUERY                     a search rule: a custom search, one condition per\n"
      "                                     line (\"\\n\" in the text breaks the line; --search\n"
      "                                     may be given again, one line each; kestro\n"
      "                                     search --help lists the fields)\n"
      "  --channel CHANNEL                  a time rule's channel (its number as the guide\n"
      "                                     shows it, or id:N); keeps a search rule to it\n"
      "  --start HH:MM --end HH:MM          a time rule's daily window (an end not after the\n"
      "                                     start ends on the next day)\n"
      "  --frequency DAYS                   mon ... sun, week-day, week-end or every-day\n";
  const std::string options =
      "  --title T                          the rule's name and its recordings' title\n"
      "  --first-run-only / --all-repeats   only first runs of a programme, or every showing\n"
      "  --duplicates all|not-in-library|none\n"
      "                                     skip programmes in the media library (or ever "
      "recorded)\n"
      "  --keep-at-most N                   at most N recordings kept (0: no limit)\n"
      "  --keep space-needed|until-deleted  how long each recording is kept\n"
      "  --before S / --after S             hard padding in seconds\n"
      "  --soft-before S / --soft-after S   soft padding in seconds\n"
      "  --folder F / --quality Q           where and how to record\n"
      "  --log                              print the save's log\n"
      "  --format F                         table (default), tsv (the showings) or json\n";
  const std::string modes =
      "  --mode low-priority-try    new rule below all others; nothing saved on any conflict\n"
      "         low-priority-save   new rule below all others; conflicting showings skipped\n"
      "         high-priority-save  above all others; what stands in the way is deleted\n"
      "         recalculate         stored rule, same priority; lower rules give way\n"
      "         same-priority-try   stored rule, same priority; nothing saved on a hard "
      "conflict\n";
  const std::string report =
      "Prints the rule's id and priority, the result, and each showing with its schedule id\n"
      "(\"-\" when not stored), tuner and conflict type (NONE, SOFT, HARD, PROBLEM). The exit\n"
      "code is 1 when the result is not OK; the first line says whether the rule was saved.\n";
  return {
      {"rule add",
       "kestro rule add LINEUP (--search QUERY | --channel CHANNEL --start HH:MM --end HH:MM "
       "--frequency DAYS) [--mode MODE] [OPTIONS]",
       "add a repeating recording (a search or a daily time window) and schedule its showings",
       what + options + modes + "The default mode is low-priority-save.\n" + report, RunRuleAdd},
      {"rule save", "kestro rule save LINEUP RULE-ID [--mode MODE] [OPTIONS]",
       "change a repeating recording's options and schedule it again",
       "Only the options given change.\n" + what + options + modes +
           "The default mode is recalculate.\n" + report,
       RunRuleSave},
      {"rule list", "kestro rule list LINEUP [--format F]",
       "the repeating recordings of a lineup, highest priority first", "", RunRuleList},
      {"rule delete", "kestro rule delete LINEUP RULE-ID",
       "delete a repeating recording and its future recordings (one under way goes on)", "",
       RunRuleDelete},
      {"rule prioritize", "kestro rule prioritize LINEUP RULE-ID...",
       "order all repeating recordings, highest first, and schedule them again in that order",
       "Every rule must be named once. Prints each rule's new priority and save result; the\n"
       "exit code is 1 when a rule's result is not OK. Showings that lose their tuner are kept\n"
       "as deleted with the reason (kestro schedule list LINEUP --deleted).\n",
       RunRulePrioritize},
      {"rule preview", "kestro rule preview LINEUP [--rule RULE-ID] [OPTIONS]",
       "what saving a repeating recording would schedule, without saving anything",
       "Without --rule the options describe a new rule as for kestro rule add; with --rule they\n"
       "change the stored rule's options for the preview only.\n" +
           what + options +
           "The exit code is 0 even when showings conflict, 1 when the preview failed.\n",
       RunRulePreview},
  };
}

}  // namespace kestro::cli
