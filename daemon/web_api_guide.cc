// The API's reading calls: lineups, channels and channel lists, the guide by time window,
// programmes, searches, and the status of the tuners and imports.
#include <httplib.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "daemon/web_api.h"
#include "host/daemon_files.h"
#include "host/host_clock.h"
#include "host/input_error.h"
#include "host/program_search.h"
#include "host/xmltv_export.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"

namespace kestro::daemon {

namespace {

using httplib::Request;
using httplib::Response;
using web::TimeJson;

Json ChannelJson(ITVChannel* c) {
  return {{"id", Get(c, &ITVChannel::get_ID)},
          {"number", Get(c, &ITVChannel::get_Number)},
          {"name", Get(c, &ITVChannel::get_ShortName)},
          {"long-name", Get(c, &ITVChannel::get_LongName)},
          {"network", Get(c, &ITVChannel::get_Network)},
          {"wanted", Get(c, &ITVChannel::get_Wanted)}};
}

std::string Flag(TV_3_WAY value) {
  return value == TV_3_WAY_YES ? "yes" : value == TV_3_WAY_NO ? "no" : "";
}

// A programme as the guide shows it; with `details` everything the module knows of it.
Json ProgramJson(ITVProgram* p, bool details) {
  Json json = {{"id", Get(p, &ITVProgram::get_ID)},
               {"channel-id", Get(p, &ITVProgram::get_ChannelID)},
               {"start", TimeJson(Get(p, &ITVProgram::get_StartTime))},
               {"end", TimeJson(Get(p, &ITVProgram::get_EndTime))},
               {"title", Get(p, &ITVProgram::get_Title)},
               // What title searches and rules match ("harbour in ljubljana, a").
               {"search-title", Get(p, &ITVProgram::get_SearchTitle)},
               {"subtitle", Get(p, &ITVProgram::get_Subtitle)},
               {"type", Get(p, &ITVProgram::get_ProgramType)}};
  const int32_t schedule = Get(p, &ITVProgram::get_ScheduleID);
  json["schedule-id"] = schedule > 0 ? Json(schedule) : Json(nullptr);
  ComPtr<ITVProgramDetails> d = GetObject(p, &ITVProgram::get_Details);
  if (!d) return json;
  json["episode"] = Get(d.Get(), &ITVProgramDetails::get_EpisodeNumber);
  json["season"] = Get(d.Get(), &ITVProgramDetails::get_SeasonNumber);
  json["season-episode"] = Get(d.Get(), &ITVProgramDetails::get_SeasonEpisodeNumber);
  Json genres = Json::array();
  ForEachItemValue(GetObject(d.Get(), &ITVProgramDetails::get_Genres).Get(),
                   [&](const std::string& name, const Variant&) { genres.push_back(name); });
  json["genres"] = genres;
  if (!details) return json;
  json["tv-rating"] = Get(p, &ITVProgram::get_TVRating);
  json["movie-rating"] = Get(p, &ITVProgram::get_MovieRating);
  json["equality-key"] = Get(p, &ITVProgram::get_EqualityKey);
  json["description"] = Get(d.Get(), &ITVProgramDetails::get_LongDescription);
  json["short-description"] = Get(d.Get(), &ITVProgramDetails::get_ShortDescription);
  json["part"] = Get(d.Get(), &ITVProgramDetails::get_PartNumber);
  json["parts"] = Get(d.Get(), &ITVProgramDetails::get_NumberOfParts);
  json["year"] = Get(d.Get(), &ITVProgramDetails::get_YearProduced);
  json["run-time"] = Get(d.Get(), &ITVProgramDetails::get_RunTime);
  json["language"] = Get(d.Get(), &ITVProgramDetails::get_Language);
  json["country"] = Get(d.Get(), &ITVProgramDetails::get_CountryOfOrigin);
  json["network"] = Get(d.Get(), &ITVProgramDetails::get_Network);
  json["studio"] = Get(d.Get(), &ITVProgramDetails::get_Studio);
  json["first-aired"] = TimeJson(Get(d.Get(), &ITVProgramDetails::get_OriginalAirDate));
  json["advisories"] = Get(d.Get(), &ITVProgramDetails::get_Advisories);
  json["repeat"] = Flag(Get(d.Get(), &ITVProgramDetails::get_IsRepeat));
  json["subtitled"] = Flag(Get(d.Get(), &ITVProgramDetails::get_IsSubtitled));
  json["hdtv"] = Flag(Get(d.Get(), &ITVProgramDetails::get_IsHDTV));
  Json people = Json::array();
  const int32_t count = Get(d.Get(), &ITVProgramDetails::get_PeopleCount);
  for (int32_t i = 0; i < count; ++i) {
    ComPtr<ITVPerson> person;
    CheckHResult(d->get_People(i, person.ReleaseAndGetAddressOf()));
    people.push_back({{"name", Get(person.Get(), &ITVPerson::get_Name)},
                      {"role", Get(person.Get(), &ITVPerson::get_Role)}});
  }
  json["people"] = people;
  return json;
}

// Schedule id -> its status, of the lineup's live schedules: the guide marks what is to be
// recorded and what is in conflict.
std::map<int32_t, std::string> ScheduleStatuses(ITVListings* listings) {
  ComPtr<ITVScheduler> scheduler = GetObject(listings, &ITVListings::GetScheduler);
  std::map<int32_t, std::string> statuses;
  for (const auto& s : ListItems(GetObject(scheduler.Get(), &ITVScheduler::GetSchedules).Get()))
    statuses[Get(s.Get(), &ITVSchedule::get_ID)] = Get(s.Get(), &ITVSchedule::get_Status);
  return statuses;
}

// The channels a guide shows: a channel list's, or the wanted ones.
std::vector<ComPtr<ITVChannel>> GuideChannels(ITVListings* listings, int32_t list_id) {
  ComPtr<ITVChannelList> list;
  if (list_id > 0) {
    CheckHResult(listings->FindChannelListByID(list_id, list.ReleaseAndGetAddressOf()));
    if (!list) throw HttpError(404, Format("No channel list with id %d", list_id));
  } else {
    list = GetObject(listings, &ITVListings::GetAllChannels);
  }
  return ListItems(list.Get());
}

Json Lineups(const Request&, Response&, host::ModuleSession& session) {
  Json lineups = Json::array();
  for (const auto& l : ListItems(session.Lineups())) {
    lineups.push_back({{"id", Get(l.Get(), &ITVLineup::get_ID)},
                       {"name", Get(l.Get(), &ITVLineup::get_Name)},
                       {"tuners", Get(l.Get(), &ITVLineup::get_TunerCount)},
                       {"last-update", TimeJson(Get(l.Get(), &ITVLineup::get_LastUpdateTime))},
                       {"last-update-ok", Get(l.Get(), &ITVLineup::get_LastUpdateOK)},
                       {"last-update-status", Get(l.Get(), &ITVLineup::get_LastUpdateStatus)},
                       {"importing", Get(l.Get(), &ITVLineup::get_IsImportInProgress)}});
  }
  return lineups;
}

Json Channels(const Request& req, Response&, host::ModuleSession& session) {
  ComPtr<ITVListings> listings = session.OpenListings(web::PathLineup(session, req).Get());
  const bool all = req.get_param_value("all") == "1" || req.get_param_value("all") == "true";
  ComPtr<ITVChannelList> list =
      all ? GetObject(listings.Get(), &ITVListings::GetMasterChannels)
          : GetObject(listings.Get(), &ITVListings::GetAllChannels);
  Json channels = Json::array();
  for (const auto& c : ListItems(list.Get())) channels.push_back(ChannelJson(c.Get()));
  return channels;
}

Json ChannelLists(const Request& req, Response&, host::ModuleSession& session) {
  ComPtr<ITVListings> listings = session.OpenListings(web::PathLineup(session, req).Get());
  ComPtr<ITVChannelLists> lists;
  CheckHResult(listings->GetChannelLists("", lists.ReleaseAndGetAddressOf()));
  Json result = Json::array();
  for (const auto& l : ListItems(lists.Get())) {
    Json ids = Json::array();
    for (const auto& c : ListItems(l.Get())) ids.push_back(Get(c.Get(), &ITVChannel::get_ID));
    result.push_back({{"id", Get(l.Get(), &ITVChannelList::get_ID)},
                      {"name", Get(l.Get(), &ITVChannelList::get_Name)},
                      {"channels", ids}});
  }
  return result;
}

// The programmes of [start, start + hours) per channel, channels in their list's order.
Json Guide(const Request& req, Response&, host::ModuleSession& session) {
  ComPtr<ITVListings> listings = session.OpenListings(web::PathLineup(session, req).Get());
  const OleDate start = web::TimeParam(req, "start", host::NowLocal());
  const int32_t hours = web::IntParam(req, "hours", 1, 24, 3);
  const int32_t list = web::IntParam(req, "list", 1, 1 << 30, 0);
  const OleDate end = start + hours * kOneHour;
  const std::vector<ComPtr<ITVChannel>> channels = GuideChannels(listings.Get(), list);
  ComPtr<ITVProgramList> found;
  CheckHResult(
      listings->SearchByTimeSlice(start, end, list, 0, found.ReleaseAndGetAddressOf()));
  const std::map<int32_t, std::string> statuses = ScheduleStatuses(listings.Get());
  std::map<int32_t, Json> programs;  // channel id -> its programmes
  for (const auto& p : ListItems(found.Get())) {
    Json program = ProgramJson(p.Get(), false);
    if (program["schedule-id"].is_number()) {
      auto it = statuses.find(program["schedule-id"].get<int32_t>());
      program["schedule-status"] = it == statuses.end() ? "" : it->second;
    }
    programs[Get(p.Get(), &ITVProgram::get_ChannelID)].push_back(std::move(program));
  }
  Json rows = Json::array();
  for (const auto& c : channels) {
    Json row = ChannelJson(c.Get());
    auto it = programs.find(Get(c.Get(), &ITVChannel::get_ID));
    row["programs"] = it == programs.end() ? Json::array() : std::move(it->second);
    rows.push_back(std::move(row));
  }
  return {{"start", TimeJson(start)}, {"end", TimeJson(end)}, {"channels", rows}};
}

// A programme with every detail and the other showings of it (same equality key).
Json Program(const Request& req, Response&, host::ModuleSession& session) {
  const int32_t id = web::PathId(req, 2);
  ComPtr<ITVListings> listings = session.OpenListings(web::PathLineup(session, req).Get());
  ComPtr<ITVProgram> p;
  CheckHResult(listings->FindProgramByID(id, p.ReleaseAndGetAddressOf()));
  if (!p) throw HttpError(404, Format("No programme with id %d", id));
  Json json = ProgramJson(p.Get(), true);
  json["channel"] = web::ChannelLabel(GetObject(p.Get(), &ITVProgram::get_Channel).Get());
  Json others = Json::array();
  const std::string key = Get(p.Get(), &ITVProgram::get_EqualityKey);
  if (!key.empty()) {
    host::ProgramSearch same{"key", key};
    same.from = host::NowLocal();
    same.limit = 50;
    for (const auto& o : host::SearchPrograms(listings.Get(), same))
      if (Get(o.Get(), &ITVProgram::get_ID) != id) others.push_back(ProgramJson(o.Get(), false));
  }
  json["other-showings"] = others;
  return json;
}

Json Search(const Request& req, Response&, host::ModuleSession& session) {
  ComPtr<ITVListings> listings = session.OpenListings(web::PathLineup(session, req).Get());
  Json found = Json::array();
  for (const auto& p : host::SearchPrograms(listings.Get(), web::SearchParams(req))) {
    Json program = ProgramJson(p.Get(), false);
    program["channel"] = web::ChannelLabel(GetObject(p.Get(), &ITVProgram::get_Channel).Get());
    found.push_back(std::move(program));
  }
  return found;
}

// What the daemon records now (its status file), and per lineup its last import and next
// recording.
Json Status(const std::string& root_dir, host::ModuleSession& session) {
  Json json;
  Json recordings = Json::array();
  const std::string file = host::DaemonStatusFile(root_dir);
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    const host::DaemonStatus status = host::ReadDaemonStatus(file);
    for (const host::RecordingRequest& r : status.recordings) {
      const uintmax_t size = std::filesystem::file_size(r.file, ec);
      recordings.push_back({{"lineup-id", r.lineup_id},
                            {"tuner-id", r.tuner_id},
                            {"schedule-id", r.schedule_id},
                            {"title", r.caption},
                            {"file", r.file},
                            {"size", ec ? 0 : size},
                            {"start", TimeJson(r.start_time)},
                            {"end", TimeJson(r.end_time)}});
    }
  }
  json["recordings"] = recordings;
  const OleDate now = host::NowLocal();
  Json lineups = Json::array();
  for (const auto& l : ListItems(session.Lineups())) {
    ComPtr<ITVListings> listings = session.OpenListings(l.Get());
    ComPtr<ITVScheduler> scheduler = GetObject(listings.Get(), &ITVListings::GetScheduler);
    Json next = nullptr;
    for (const auto& s :
         ListItems(GetObject(scheduler.Get(), &ITVScheduler::GetSchedules).Get())) {
      if (Get(s.Get(), &ITVSchedule::get_StartTime) <= now) continue;
      if (next.is_null() || TimeJson(Get(s.Get(), &ITVSchedule::get_StartTime)) < next["start"])
        next = {{"schedule-id", Get(s.Get(), &ITVSchedule::get_ID)},
                {"title", Get(s.Get(), &ITVSchedule::get_Title)},
                {"tuner-id", Get(s.Get(), &ITVSchedule::get_TunerID)},
                {"start", TimeJson(Get(s.Get(), &ITVSchedule::get_StartTime))}};
    }
    lineups.push_back({{"id", Get(l.Get(), &ITVLineup::get_ID)},
                       {"name", Get(l.Get(), &ITVLineup::get_Name)},
                       {"last-update", TimeJson(Get(l.Get(), &ITVLineup::get_LastUpdateTime))},
                       {"last-update-ok", Get(l.Get(), &ITVLineup::get_LastUpdateOK)},
                       {"last-update-status", Get(l.Get(), &ITVLineup::get_LastUpdateStatus)},
                       {"importing", Get(l.Get(), &ITVLineup::get_IsImportInProgress)},
                       {"next-recording", next}});
  }
  json["lineups"] = lineups;
  return json;
}

// The guide as XMLTV: ?lineup=ID (default the first) from a time (default today) for some days.
Json Xmltv(const Request& req, Response& res, host::ModuleSession& session) {
  const int32_t lineup_id = web::IntParam(req, "lineup", 1, 1 << 30, 0);
  ComPtr<ITVLineup> lineup;
  if (lineup_id > 0) {
    lineup = session.LineupById(lineup_id);
  } else if (Get(session.Lineups(), &ITVLineups::get_Count) > 0) {
    CheckHResult(session.Lineups()->get_Items(0, lineup.ReleaseAndGetAddressOf()));
  }
  if (!lineup) throw HttpError(404, Format("No lineup with id %d", lineup_id));
  ComPtr<ITVListings> listings = session.OpenListings(lineup.Get());
  const OleDate from = web::TimeParam(req, "from", DateOf(host::NowLocal()));
  const int32_t days = web::IntParam(req, "days", 1, 31, 14);
  std::ostringstream xml;
  host::WriteXmltv(listings.Get(), from, from + days, web::IntParam(req, "list", 1, 1 << 30, 0),
                   xml);
  res.set_content(xml.str(), "application/xml; charset=utf-8");
  return nullptr;
}

}  // namespace

void AddGuideCalls(const AddCall& add, const std::string& root_dir) {
  add("GET", "/lineups", Lineups);
  add("GET", R"(/lineups/([^/]+)/channels)", Channels);
  add("GET", R"(/lineups/([^/]+)/channel-lists)", ChannelLists);
  add("GET", R"(/lineups/([^/]+)/guide)", Guide);
  add("GET", R"(/lineups/([^/]+)/programs/([^/]+))", Program);
  add("GET", R"(/lineups/([^/]+)/search)", Search);
  add("GET", "/xmltv", Xmltv);
  add("GET", "/status", [root_dir](const Request&, Response&, host::ModuleSession& session) {
    return Status(root_dir, session);
  });
}

}  // namespace kestro::daemon
