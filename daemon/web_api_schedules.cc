// The API's recording calls: single schedules (list, record, delete) and rules (list, add,
// preview, order, delete).
#include <httplib.h>

#include <algorithm>

#include "daemon/web_api.h"
#include "host/host_clock.h"
#include "host/input_error.h"
#include "host/rule_options.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::daemon {

namespace {

using host::InputError;
using httplib::Request;
using httplib::Response;
using web::TimeJson;

constexpr const char* kWebUser = "web";

// --- the body's fields ---------------------------------------------------------------------

std::optional<int32_t> IntField(const Json& body, const char* name, int32_t min, int32_t max) {
  if (!body.contains(name) || body[name].is_null()) return std::nullopt;
  const Json& v = body[name];
  if (!v.is_number_integer() || v.get<int64_t>() < min || v.get<int64_t>() > max)
    throw InputError(Format("\"%s\" is a whole number from %d to %d", name, min, max));
  return v.get<int32_t>();
}

std::optional<std::string> TextField(const Json& body, const char* name) {
  if (!body.contains(name) || body[name].is_null()) return std::nullopt;
  if (!body[name].is_string()) throw InputError(Format("\"%s\" is a text", name));
  return body[name].get<std::string>();
}

bool BoolField(const Json& body, const char* name, bool fallback) {
  if (!body.contains(name) || body[name].is_null()) return fallback;
  if (!body[name].is_boolean()) throw InputError(Format("\"%s\" is true or false", name));
  return body[name].get<bool>();
}

std::optional<std::string> WordField(const Json& body, const char* name,
                                     const std::vector<std::string>& words) {
  std::optional<std::string> text = TextField(body, name);
  if (text && std::find(words.begin(), words.end(), *text) == words.end())
    throw InputError(Format("\"%s\" is one of %s, not \"%s\"", name, Join(words, ", ").c_str(),
                            text->c_str()));
  return text;
}

OleDate TimeField(const Json& body, const char* name) {
  std::optional<std::string> text = TextField(body, name);
  OleDate value = 0;
  if (!text || !host::ParseLocalTime(*text, &value))
    throw InputError(Format("\"%s\" is a local time \"YYYY-MM-DDTHH:MM\"", name));
  return value;
}

std::optional<OleDate> TimeOfDayField(const Json& body, const char* name) {
  std::optional<std::string> text = TextField(body, name);
  if (!text) return std::nullopt;
  int32_t hour = -1, minute = -1;
  const size_t colon = text->find(':');
  if (colon == std::string::npos || !TryStrToInt(text->substr(0, colon), &hour) ||
      !TryStrToInt(text->substr(colon + 1), &minute) || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59)
    throw InputError(Format("\"%s\" is a time of day \"HH:MM\", not \"%s\"", name, text->c_str()));
  return EncodeTime(hour, minute, 0, 0);
}

std::optional<TV_KEEP_UNTIL> KeepField(const Json& body) {
  std::optional<std::string> keep = WordField(body, "keep", {"space-needed", "until-deleted"});
  if (!keep) return std::nullopt;
  return *keep == "until-deleted" ? TV_KEEP_UNTIL_DELETED : TV_KEEP_UNTIL_SPACE_NEEDED;
}

// --- JSON of schedules and rules -----------------------------------------------------------

Json ScheduleJson(ITVSchedule* s) {
  ComPtr<ITVChannel> channel;
  CheckHResult(s->GetChannel(channel.ReleaseAndGetAddressOf()));
  const int32_t program = Get(s, &ITVSchedule::get_ProgramID);
  const int32_t rule = Get(s, &ITVSchedule::get_RepeatingScheduleID);
  return {{"id", Get(s, &ITVSchedule::get_ID)},
          {"tuner-id", Get(s, &ITVSchedule::get_TunerID)},
          {"start", TimeJson(Get(s, &ITVSchedule::get_StartTime))},
          {"end", TimeJson(Get(s, &ITVSchedule::get_EndTime))},
          {"title", Get(s, &ITVSchedule::get_Title)},
          {"channel-id", Get(s, &ITVSchedule::get_ChannelID)},
          {"channel", web::ChannelLabel(channel.Get())},
          {"program-id", program > 0 ? Json(program) : Json(nullptr)},
          {"rule-id", rule > 0 ? Json(rule) : Json(nullptr)},
          {"status", Get(s, &ITVSchedule::get_Status)},
          {"deleted", Get(s, &ITVSchedule::get_IsDeleted)},
          {"deleted-by", Get(s, &ITVSchedule::get_DeletedBy)},
          {"reason", Get(s, &ITVSchedule::get_Reason)},
          {"padding", {Get(s, &ITVSchedule::get_HardPaddingBefore),
                       Get(s, &ITVSchedule::get_HardPaddingAfter)}},
          {"soft-padding", {Get(s, &ITVSchedule::get_SoftPaddingBefore),
                            Get(s, &ITVSchedule::get_SoftPaddingAfter)}},
          {"keep", Get(s, &ITVSchedule::get_KeepUntil) == TV_KEEP_UNTIL_DELETED ? "until-deleted"
                                                                               : "space-needed"}};
}

Json ScheduleListJson(ITVScheduleList* list) {
  Json json = Json::array();
  for (const auto& s : ListItems(list)) json.push_back(ScheduleJson(s.Get()));
  return json;
}

Json RuleJson(ITVRepeatingSchedule* r) {
  const bool search = Get(r, &ITVRepeatingSchedule::get_RSType) == TV_RS_TYPE_SEARCH;
  ComPtr<ITVScheduleList> schedules = GetObject(r, &ITVRepeatingSchedule::GetSchedules);
  Json json = {{"id", Get(r, &ITVRepeatingSchedule::get_ID)},
               {"type", search ? "search" : "time"},
               {"priority", Get(r, &ITVRepeatingSchedule::get_Priority)},
               {"title", Get(r, &ITVRepeatingSchedule::get_Title)},
               {"channel-id", Get(r, &ITVRepeatingSchedule::get_ChannelID)}};
  if (search) {
    json["search"] = Get(r, &ITVRepeatingSchedule::get_SearchCriteria);
  } else {
    json["start"] = FormatDateTime("hh:nn", Get(r, &ITVRepeatingSchedule::get_StartTime));
    json["end"] = FormatDateTime("hh:nn", Get(r, &ITVRepeatingSchedule::get_EndTime));
    json["frequency"] = Get(r, &ITVRepeatingSchedule::get_Frequency);
  }
  json["duplicates"] =
      host::WordOf(host::kDuplicateWords, Get(r, &ITVRepeatingSchedule::get_Duplicates));
  json["first-run-only"] = Get(r, &ITVRepeatingSchedule::get_Repeats) == TV_REPEATS_FIRST_RUN_ONLY;
  json["keep-at-most"] = Get(r, &ITVRepeatingSchedule::get_KeepAtMost);
  json["schedules"] = ScheduleListJson(schedules.Get());
  return json;
}

// A save's or preview's outcome: its code in words, and each showing with its conflicts.
Json RuleResultJson(ITVRepeatingScheduleResult* result) {
  const TV_ADD_SCHEDULE_RESULT code = Get(result, &ITVRepeatingScheduleResult::get_Code);
  Json showings = Json::array();
  const auto entries = ListItems(GetObject(result, &ITVRepeatingScheduleResult::get_Schedules).Get());
  for (int32_t i = 0; i < static_cast<int32_t>(entries.size()); ++i) {
    Json showing = ScheduleJson(entries[static_cast<size_t>(i)].Get());
    TV_CONFLICT_TYPE type = TV_CONFLICT_NONE;
    CheckHResult(result->get_ConflictTypes(i, &type));
    ComPtr<ITVScheduleList> conflicts;
    CheckHResult(result->get_Conflicts(i, conflicts.ReleaseAndGetAddressOf()));
    showing["conflict"] = ConflictTypeName(type);
    showing["conflicts-with"] = ScheduleListJson(conflicts.Get());
    showings.push_back(std::move(showing));
  }
  return {{"code", ResultCodeName(code)},
          {"description", Get(result, &ITVRepeatingScheduleResult::get_Description)},
          {"showings", showings}};
}

// --- calls -----------------------------------------------------------------------------------

ComPtr<ITVScheduler> PathScheduler(host::ModuleSession& session, const Request& req,
                                   ComPtr<ITVListings>* listings = nullptr) {
  ComPtr<ITVListings> opened = session.OpenListings(web::PathLineup(session, req).Get());
  ComPtr<ITVScheduler> scheduler = GetObject(opened.Get(), &ITVListings::GetScheduler);
  if (listings) *listings = opened;
  return scheduler;
}

Json Schedules(const Request& req, Response&, host::ModuleSession& session) {
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req);
  const std::string view = req.get_param_value("view");
  const int32_t tuner = web::IntParam(req, "tuner", 1, 1 << 30, 0);
  ComPtr<ITVScheduleList> list;
  if (view == "deleted")
    CheckHResult(scheduler->GetDeletedSchedules(list.ReleaseAndGetAddressOf()));
  else if (view == "lost")
    CheckHResult(scheduler->GetLostSchedules(list.ReleaseAndGetAddressOf()));
  else if (!view.empty())
    throw InputError("The parameter \"view\" is deleted or lost");
  else if (tuner > 0)
    CheckHResult(scheduler->GetSchedulesForTuner(tuner, list.ReleaseAndGetAddressOf()));
  else
    CheckHResult(scheduler->GetSchedules(list.ReleaseAndGetAddressOf()));
  return {{"tuners", Get(scheduler.Get(), &ITVScheduler::get_TunerCount)},
          {"schedules", ScheduleListJson(list.Get())}};
}

// Records a programme ("program-id") or a window ("channel-id", "start", "end", "title"):
// 201 with the schedule, or 409 with the reason (and the conflicting schedules, if any).
Json Record(const Request& req, Response& res, host::ModuleSession& session) try {
  const Json body = web::BodyObject(req);
  ComPtr<ITVListings> listings;
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req, &listings);
  host::ScheduleOptions o;
  o.before = IntField(body, "before", 0, 24 * 3600).value_or(0);
  o.after = IntField(body, "after", 0, 24 * 3600).value_or(0);
  o.soft_before = IntField(body, "soft-before", 0, 24 * 3600).value_or(0);
  o.soft_after = IntField(body, "soft-after", 0, 24 * 3600).value_or(0);
  o.delete_on_conflict = BoolField(body, "delete-on-conflict", false);
  o.keep = KeepField(body).value_or(TV_KEEP_UNTIL_SPACE_NEEDED);
  o.title = TextField(body, "title");
  o.force = BoolField(body, "force", false);
  o.created_by = kWebUser;
  ComPtr<ITVSchedule> schedule;
  if (std::optional<int32_t> program = IntField(body, "program-id", 1, 0x7FFFFFFF)) {
    if (body.contains("channel-id"))
      throw InputError("give \"program-id\" or \"channel-id\", \"start\" and \"end\", not both");
    ComPtr<ITVProgram> found;
    CheckHResult(listings->FindProgramByID(*program, found.ReleaseAndGetAddressOf()));
    if (!found) throw HttpError(404, Format("No programme with id %d", *program));
    schedule = host::NewProgramSchedule(scheduler.Get(), listings.Get(), *program, o);
  } else {
    std::optional<int32_t> channel = IntField(body, "channel-id", 1, 0x7FFFFFFF);
    if (!channel || !o.title)
      throw InputError("give \"program-id\", or \"channel-id\", \"start\", \"end\" and \"title\"");
    const OleDate start = TimeField(body, "start"), end = TimeField(body, "end");
    ComPtr<ITVChannel> found;
    CheckHResult(listings->FindChannelByID(*channel, found.ReleaseAndGetAddressOf()));
    if (!found) throw HttpError(404, Format("No channel with id %d", *channel));
    schedule = host::NewWindowSchedule(scheduler.Get(), listings.Get(), *channel, start, end, o);
  }
  ComPtr<ITVScheduleResult> result;
  CheckHResult(scheduler->AddSchedule(schedule.Get(), result.ReleaseAndGetAddressOf()));
  const TV_ADD_SCHEDULE_RESULT code = Get(result.Get(), &ITVScheduleResult::get_Code);
  if (code == TV_ADD_SCHEDULE_OK) {
    res.status = 201;
    return {{"schedule", ScheduleJson(schedule.Get())}};
  }
  res.status = code == TV_ADD_SCHEDULE_CONFLICT ? 409 : 400;
  return {{"error", "Not scheduled: " + Get(result.Get(), &ITVScheduleResult::get_Description)},
          {"code", ResultCodeName(code)},
          {"conflicts",
           ScheduleListJson(GetObject(result.Get(), &ITVScheduleResult::get_Conflicts).Get())}};
} catch (const host::RecordingRefused& e) {
  throw HttpError(409, e.what());
}

Json DeleteSchedule(const Request& req, Response&, host::ModuleSession& session) {
  const int32_t id = web::PathId(req, 2);
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req);
  ComPtr<ITVSchedule> found;
  CheckHResult(scheduler->FindSchedule(id, found.ReleaseAndGetAddressOf()));
  if (!found || Get(found.Get(), &ITVSchedule::get_IsDeleted))
    throw HttpError(404, Format("No schedule with id %d to delete", id));
  bool deleted = false;
  CheckHResult(scheduler->DeleteSchedule(id, kWebUser, "", &deleted));
  if (!deleted) throw Exception(Format("Schedule %d could not be deleted", id));
  return {{"deleted", id}};
}

// The rule options of a body; the names are those of docs/api.md.
host::RuleOptions RuleOptionsOf(const Json& body) {
  host::RuleOptions o;
  o.search = TextField(body, "search");
  if (o.search && Trim(*o.search).empty()) throw InputError("\"search\" needs a query");
  o.channel = IntField(body, "channel-id", 0, 0x7FFFFFFF);
  o.start = TimeOfDayField(body, "start");
  o.end = TimeOfDayField(body, "end");
  o.frequency = WordField(body, "frequency", host::RuleFrequencies());
  o.title = TextField(body, "title");
  o.folder = TextField(body, "folder");
  o.quality = TextField(body, "quality");
  if (auto d = WordField(body, "duplicates", host::Words(host::kDuplicateWords)))
    o.duplicates = host::ValueOf(host::kDuplicateWords, *d);
  if (body.contains("first-run-only"))
    o.repeats = BoolField(body, "first-run-only", false) ? TV_REPEATS_FIRST_RUN_ONLY
                                                          : TV_REPEATS_ALL;
  o.keep = KeepField(body);
  o.keep_at_most = IntField(body, "keep-at-most", 0, 100000);
  o.before = IntField(body, "before", 0, 24 * 3600);
  o.after = IntField(body, "after", 0, 24 * 3600);
  o.soft_before = IntField(body, "soft-before", 0, 24 * 3600);
  o.soft_after = IntField(body, "soft-after", 0, 24 * 3600);
  return o;
}

// A new rule from the body's options, or (with "rule-id") the stored rule with them applied.
ComPtr<ITVRepeatingSchedule> RuleOf(ITVScheduler* scheduler, ITVListings* listings,
                                    const Json& body) {
  const host::RuleOptions o = RuleOptionsOf(body);
  std::string channel_name;
  if (o.channel && *o.channel > 0) {
    ComPtr<ITVChannel> channel;
    CheckHResult(listings->FindChannelByID(*o.channel, channel.ReleaseAndGetAddressOf()));
    if (!channel) throw HttpError(404, Format("No channel with id %d", *o.channel));
    channel_name = web::ChannelLabel(channel.Get());
  }
  if (std::optional<int32_t> id = IntField(body, "rule-id", 1, 0x7FFFFFFF)) {
    ComPtr<ITVRepeatingSchedule> rule;
    CheckHResult(scheduler->FindRepeatingSchedule(*id, rule.ReleaseAndGetAddressOf()));
    if (!rule) throw HttpError(404, Format("No rule with id %d", *id));
    host::ApplyRuleOptions(rule.Get(), o);
    return rule;
  }
  host::CheckNewRuleOptions(o);
  return host::NewRule(scheduler, o, kWebUser, channel_name);
}

Json Rules(const Request& req, Response&, host::ModuleSession& session) {
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req);
  Json rules = Json::array();
  for (const auto& r :
       ListItems(GetObject(scheduler.Get(), &ITVScheduler::GetRepeatingSchedules).Get()))
    rules.push_back(RuleJson(r.Get()));
  return rules;
}

// Saves a new or changed rule ("mode" as kestro's): 201 (200 for a stored rule) when it was
// stored, 409 when conflicts kept it from being stored; the result either way.
Json SaveRule(const Request& req, Response& res, host::ModuleSession& session) {
  const Json body = web::BodyObject(req);
  ComPtr<ITVListings> listings;
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req, &listings);
  const bool is_new = !body.contains("rule-id");
  std::optional<TV_RS_SAVE_MODE> mode;
  if (auto word = WordField(body, "mode", host::Words(host::kSaveModes)))
    mode = host::ValueOf(host::kSaveModes, *word);
  const TV_RS_SAVE_MODE save_mode =
      mode.value_or(is_new ? TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE : TV_RS_SAVE_MODE_RECALCULATE);
  ComPtr<ITVRepeatingSchedule> rule = RuleOf(scheduler.Get(), listings.Get(), body);
  ComPtr<ITVRepeatingScheduleResult> result;
  CheckHResult(rule->Save(save_mode, nullptr, result.ReleaseAndGetAddressOf()));
  const TV_ADD_SCHEDULE_RESULT code = Get(result.Get(), &ITVRepeatingScheduleResult::get_Code);
  const bool stored = host::RuleStored(save_mode, code);
  res.status = !stored ? (code == TV_ADD_SCHEDULE_CONFLICT ? 409 : 400) : is_new ? 201 : 200;
  Json json = {{"stored", stored}, {"result", RuleResultJson(result.Get())}};
  if (stored) json["rule"] = RuleJson(rule.Get());
  if (!stored)
    json["error"] = "The rule was not saved: " + json["result"]["description"].get<std::string>();
  return json;
}

Json PreviewRule(const Request& req, Response&, host::ModuleSession& session) {
  const Json body = web::BodyObject(req);
  ComPtr<ITVListings> listings;
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req, &listings);
  ComPtr<ITVRepeatingSchedule> rule = RuleOf(scheduler.Get(), listings.Get(), body);
  ComPtr<ITVRepeatingScheduleResult> result;
  CheckHResult(rule->Preview(nullptr, result.ReleaseAndGetAddressOf()));
  return RuleResultJson(result.Get());
}

// Orders every rule, highest first ({"ids": [3, 1, 2]}), and schedules them again.
Json OrderRules(const Request& req, Response&, host::ModuleSession& session) {
  const Json body = web::BodyObject(req);
  if (!body.contains("ids") || !body["ids"].is_array() || body["ids"].empty())
    throw InputError("\"ids\" lists every rule's id, highest priority first");
  std::vector<Variant> ids;
  for (const Json& id : body["ids"]) {
    if (!id.is_number_integer()) throw InputError("\"ids\" holds rule ids");
    ids.emplace_back(id.get<int32_t>());
  }
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req);
  std::string error;
  ComPtr<ITVRSPrioritizeResult> results;
  bool ok = false;
  CheckHResult(scheduler->PrioritizeRepeatingSchedules(Variant(SafeArray::Vector(std::move(ids))),
                                                       &error, results.ReleaseAndGetAddressOf(),
                                                       &ok));
  if (!ok) throw InputError(error);
  Response unused;
  return Rules(req, unused, session);
}

Json DeleteRule(const Request& req, Response&, host::ModuleSession& session) {
  const int32_t id = web::PathId(req, 2);
  ComPtr<ITVScheduler> scheduler = PathScheduler(session, req);
  ComPtr<ITVRepeatingSchedule> rule;
  CheckHResult(scheduler->FindRepeatingSchedule(id, rule.ReleaseAndGetAddressOf()));
  if (!rule) throw HttpError(404, Format("No rule with id %d", id));
  bool deleted = false;
  CheckHResult(
      scheduler->DeleteRepeatingSchedule(id, kWebUser, "Repeating recording deleted", &deleted));
  if (!deleted) throw Exception(Format("Rule %d could not be deleted", id));
  return {{"deleted", id}};
}

}  // namespace

void AddScheduleCalls(const AddCall& add) {
  add("GET", R"(/lineups/([^/]+)/schedules)", Schedules);
  add("POST", R"(/lineups/([^/]+)/schedules)", Record);
  add("DELETE", R"(/lineups/([^/]+)/schedules/([^/]+))", DeleteSchedule);
  add("GET", R"(/lineups/([^/]+)/rules)", Rules);
  add("POST", R"(/lineups/([^/]+)/rules)", SaveRule);
  add("POST", R"(/lineups/([^/]+)/rules/preview)", PreviewRule);
  add("POST", R"(/lineups/([^/]+)/rules/order)", OrderRules);
  add("DELETE", R"(/lineups/([^/]+)/rules/([^/]+))", DeleteRule);
}

}  // namespace kestro::daemon
