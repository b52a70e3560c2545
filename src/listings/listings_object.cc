#include "listings/listings_object.h"

#include <algorithm>
#include <utility>

#include "listings/channel_store.h"
#include "listings/custom_search.h"
#include "listings/program_details_batch.h"
#include "listings/program_store.h"
#include "listings/program_groups.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "storage/listings_database.h"

namespace kestro {

namespace {

// "( start_time >= from )" and "( start_time < to )", each only for a time > 0.
void AddStartTimeBounds(ProgramSearch& search, OleDate from_time, OleDate to_time) {
  if (from_time > 0) {
    search.conditions.push_back(
        {"( start_time >= %d )", {SqlArg::Int(DateTimeToDbTime(from_time))}});
  }
  if (to_time > 0) {
    search.conditions.push_back({"( start_time < %d )", {SqlArg::Int(DateTimeToDbTime(to_time))}});
  }
}

ProgramSearch MakeSearch(int32_t channel_or_list_id, OleDate from_time, int32_t limit,
                         std::string ordering) {
  ProgramSearch search;
  search.limit = limit;
  search.channel_or_list_id = channel_or_list_id;
  search.ordering = std::move(ordering);
  search.from_time = from_time;
  search.wanted_channels_only = channel_or_list_id >= 0;
  return search;
}

}  // namespace

TTVListings::TTVListings(std::string file_name, int32_t id, const std::shared_ptr<Env>& env,
                         std::shared_ptr<const IScheduleAccess> scheduling)
    : file_name_(std::move(file_name)), id_(id), db_(OpenListingsDatabase(file_name_, env)) {
  if (scheduling) db_->AttachServices(std::move(scheduling));
}

ComPtr<TTVProgramList> TTVListings::RunProgramSearch(const ProgramSearch& search) {
  const SqlCondition sql = ProgramSearchSql(search);
  return MakeProgramList(db_->QueryFmt(sql.format, sql.args));
}

ComPtr<TTVProgramList> TTVListings::FindByTitle(const std::string& pattern,
                                                int32_t channel_or_list_id, OleDate from_time,
                                                int32_t limit) {
  // "*" alone lists every programme; a pattern with a wildcard finds several titles, shown in
  // time order.
  const std::string prepared = PrepareSearchPattern(pattern);
  if (prepared.empty()) return NewProgramList();
  SqlCondition title = TitleCondition(pattern);
  const bool wildcard = prepared.find('%') != std::string::npos;
  ProgramSearch search = MakeSearch(channel_or_list_id, from_time, limit,
                                    wildcard ? "start_time" : "search_title,start_time");
  if (!title.empty()) search.conditions.push_back(std::move(title));
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::FindInTimeSlice(OleDate from_time, OleDate to_time,
                                                    int32_t channel_or_list_id, int32_t limit) {
  ProgramSearch search = MakeSearch(channel_or_list_id, from_time, limit, "start_time");
  // No programme lasts longer than the longest stored one: one still on at `from_time` began at
  // most that long before it, and one that begins before `to_time` ends at most that long after
  // it. Both bounds keep the search to the programmes near the slice, whichever index SQLite
  // picks: (start_time, end_time) or, per channel, (channel_id, end_time, start_time), where an
  // open end_time range would read every programme after `from_time`. A minute more covers the
  // rounding of db times; a bound outside the years of db times is left out.
  if (const std::optional<int32_t> longest = LongestProgramSeconds(*db_)) {
    const OleDate reach = (*longest + 60) * kOneSecond;
    const int32_t earliest_start = from_time > 0 ? DateTimeToDbTime(from_time - reach) : 0;
    const int32_t latest_end = to_time > 0 ? DateTimeToDbTime(to_time + reach) : 0;
    if (earliest_start != 0)
      search.conditions.push_back({"( start_time >= %d )", {SqlArg::Int(earliest_start)}});
    if (latest_end != 0)
      search.conditions.push_back({"( end_time < %d )", {SqlArg::Int(latest_end)}});
  }
  AddStartTimeBounds(search, 0, to_time);
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::FindByStartTime(OleDate from_time, OleDate to_time,
                                                    int32_t channel_or_list_id, int32_t limit) {
  ProgramSearch search = MakeSearch(channel_or_list_id, 0, limit, "start_time");
  AddStartTimeBounds(search, from_time, to_time);
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::FindByKeywords(const std::string& keywords,
                                                   int32_t search_type,
                                                   int32_t channel_or_list_id, OleDate from_time,
                                                   int32_t limit) {
  const std::string match = KeywordMatch(keywords, search_type);
  if (match.empty()) return NewProgramList();
  ProgramSearch search = MakeSearch(channel_or_list_id, from_time, limit, "start_time");
  std::vector<int32_t> found;
  auto take = [](std::vector<int32_t>& into) {
    return [&into](const std::vector<int64_t>& fields) {
      into.push_back(static_cast<int32_t>(fields[0]));
    };
  };
  db_->ForEachIntRow("select rowid from program_words_fts where program_words_fts match %s",
                     {SqlArg::Quoted(match)}, take(found));
  if (!program_times_.Answers(*db_, found.size())) {
    search.conditions.push_back({"(id in (select value from json_each( %s )))",
                                 {SqlArg::Quoted(IdArray(found, 0, found.size()))}});
    return RunProgramSearch(search);
  }
  ProgramTimeIndex::Filter filter;
  filter.limit = search.limit;
  if (search.from_time > 0) filter.ended_by = DateTimeToDbTime(search.from_time);
  const SqlCondition channels = JoinConditions(
      ChannelConditions(search.channel_or_list_id, search.wanted_channels_only), " and ");
  std::vector<int32_t> channel_ids;
  if (!channels.empty()) {
    db_->ForEachIntRow("select channel_id from channels where " + channels.format, channels.args,
                       take(channel_ids));
    std::sort(channel_ids.begin(), channel_ids.end());
    filter.channels = &channel_ids;
  }
  return MakeObject<TTVProgramList>(db_, program_times_.Select(*db_, std::move(found), filter));
}

ComPtr<TTVProgramList> TTVListings::FindByProgramType(const std::string& program_type,
                                                      OleDate from_time, OleDate to_time,
                                                      int32_t channel_or_list_id, int32_t limit) {
  ProgramSearch search = MakeSearch(channel_or_list_id, 0, limit, "start_time");
  search.conditions.push_back({"(program_type = %s)", {SqlArg::Quoted(program_type)}});
  AddStartTimeBounds(search, from_time, to_time);
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::FindByEqualityKey(const std::string& equality_key,
                                                      int32_t channel_or_list_id,
                                                      OleDate from_time, int32_t limit) {
  ProgramSearch search = MakeSearch(channel_or_list_id, from_time, limit, "start_time");
  search.conditions.push_back({"(external_id = %s)", {SqlArg::Quoted(equality_key)}});
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::FindByPerson(int32_t person_id, int32_t channel_or_list_id,
                                                 OleDate from_time, int32_t limit) {
  ProgramSearch search = MakeSearch(channel_or_list_id, from_time, limit, "start_time");
  search.conditions.push_back(
      {"(id in (select program_id from program_people where person_id = %d))",
       {SqlArg::Int(person_id)}});
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::FindToBeRecorded(int32_t channel_or_list_id) {
  ProgramSearch search = MakeSearch(channel_or_list_id, db_->GetEnv()->NowLocal(), 0, "start_time");
  search.conditions.push_back({"(schedule_id > 0)", {}});
  return RunProgramSearch(search);
}

ComPtr<TTVProgramList> TTVListings::RunCustomSearch(const std::string& query,
                                                    std::string* problems) {
  const CustomSearchQuery parsed = ParseCustomSearch(query, db_->GetEnv()->NowLocal());
  if (problems) *problems = Join(parsed.problems, "\n");
  if (parsed.conditions.empty()) return NewProgramList();
  return RunProgramSearch(parsed.ToProgramSearch());
}

ComPtr<ITVProgram> TTVListings::FindProgram(int32_t program_id) {
  ProgramSearch search;
  search.conditions.push_back({"(id = %d)", {SqlArg::Int(program_id)}});
  const SqlCondition sql = ProgramSearchSql(search);
  TablePtr table = db_->QueryFmt(sql.format, sql.args);
  if (table->RowCount() != 1) return nullptr;
  return MakeProgram(std::move(table), 0);
}

ComPtr<TDictionary> TTVListings::FindPeople(const std::string& pattern) {
  ComPtr<TDictionary> people = NewDictionary();
  const SqlCondition name = TextCondition("search_name", pattern);
  if (name.empty()) return people;
  TablePtr table = db_->QueryFmt("select person_id , name from people where " + name.format,
                                 name.args);
  for (; !table->Eof(); table->Next()) people->Set(table->Text(1), Variant(table->Int(0)));
  people->Sort();
  return people;
}

ComPtr<TDictionary> TTVListings::AllPeopleRoles() {
  ComPtr<TDictionary> roles = NewDictionary();
  TablePtr table = db_->Query("select role_id , role from roles order by role");
  for (; !table->Eof(); table->Next()) roles->Set(table->Text(1), Variant(table->Int(0)));
  return roles;
}

bool TTVListings::AnyPrograms() { return db_->QueryInt("select count(*) from programs") > 0; }

// ITVListings --------------------------------------------------------------------------------

namespace {

template <class T>
auto AsList(T&& maker) {
  return [&] { return ComPtr<ITVProgramList>(maker()); };
}

}  // namespace

HRESULT TTVListings::SearchByTitle(const std::string& search_string, int32_t channel_or_list_id,
                                   OleDate from_time, int32_t limit, ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindByTitle(search_string, channel_or_list_id, from_time, limit);
                  }));
}

HRESULT TTVListings::SearchByTimeSlice(OleDate from_time, OleDate to_time,
                                       int32_t channel_or_list_id, int32_t limit,
                                       ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindInTimeSlice(from_time, to_time, channel_or_list_id, limit);
                  }));
}

HRESULT TTVListings::SearchByStartTime(OleDate from_time, OleDate to_time,
                                       int32_t channel_or_list_id, int32_t limit,
                                       ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindByStartTime(from_time, to_time, channel_or_list_id, limit);
                  }));
}

HRESULT TTVListings::NewProgramGroups(ITVProgramGroups** result) {
  return FrameOut(result, [] { return ComPtr<ITVProgramGroups>(MakeObject<TTVProgramGroups>()); });
}

HRESULT TTVListings::FindProgramByID(int32_t program_id, ITVProgram** result) {
  return FrameOut(result, [&] { return FindProgram(program_id); });
}

HRESULT TTVListings::GetChannelLists(const std::string& for_user, ITVChannelLists** result) {
  return FrameOut(result,
                  [&] { return ComPtr<ITVChannelLists>(kestro::GetChannelLists(db_, for_user)); });
}

HRESULT TTVListings::NewChannelList(ITVChannelList** result) {
  return FrameOut(result, [&] { return ComPtr<ITVChannelList>(kestro::NewChannelList(db_)); });
}

HRESULT TTVListings::GetAllChannels(ITVChannelList** result) {
  return FrameOut(result, [&] { return ComPtr<ITVChannelList>(GetWantedChannels(db_)); });
}

HRESULT TTVListings::FindChannelListByID(int32_t channel_list_id, ITVChannelList** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVChannelList>(kestro::FindChannelListByID(db_, channel_list_id));
  });
}

HRESULT TTVListings::FindChannelByID(int32_t channel_id, ITVChannel** result) {
  return FrameOut(result,
                  [&] { return ComPtr<ITVChannel>(kestro::FindChannelByID(db_, channel_id)); });
}

HRESULT TTVListings::DeleteChannelList(int32_t channel_list_id, bool* result) {
  return FrameValue(result, [&] { return kestro::DeleteChannelList(db_, channel_list_id); });
}

HRESULT TTVListings::SearchByKeywords(const std::string& keywords, int32_t search_type,
                                      int32_t channel_or_list_id, OleDate from_time, int32_t limit,
                                      ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindByKeywords(keywords, search_type, channel_or_list_id, from_time,
                                          limit);
                  }));
}

HRESULT TTVListings::SearchByProgramType(const std::string& program_type, OleDate from_time,
                                         OleDate to_time, int32_t channel_or_list_id, int32_t limit,
                                         ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindByProgramType(program_type, from_time, to_time,
                                             channel_or_list_id, limit);
                  }));
}

HRESULT TTVListings::SearchByEqualityKey(const std::string& equality_key,
                                         int32_t channel_or_list_id, OleDate from_time,
                                         int32_t limit, ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindByEqualityKey(equality_key, channel_or_list_id, from_time, limit);
                  }));
}

HRESULT TTVListings::get_ID(int32_t* value) { return GetProperty(value, id_); }

HRESULT TTVListings::GetProgramsToBeRecorded(int32_t channel_or_list_id,
                                             ITVProgramList** result) {
  return FrameOut(result, AsList([&] { return FindToBeRecorded(channel_or_list_id); }));
}

HRESULT TTVListings::GetPeople(const std::string& search_string, IKestroItem** result) {
  return FrameOut(result, [&] { return ComPtr<IKestroItem>(FindPeople(search_string)); });
}

HRESULT TTVListings::GetAllPeopleRoles(IKestroItem** result) {
  return FrameOut(result, [&] { return ComPtr<IKestroItem>(AllPeopleRoles()); });
}

HRESULT TTVListings::SearchByPerson(int32_t person_id, int32_t channel_or_list_id,
                                    OleDate from_time, int32_t limit, ITVProgramList** result) {
  return FrameOut(result, AsList([&] {
                    return FindByPerson(person_id, channel_or_list_id, from_time, limit);
                  }));
}

HRESULT TTVListings::GetMasterChannels(ITVChannelList** result) {
  return FrameOut(result, [&] { return ComPtr<ITVChannelList>(kestro::GetMasterChannels(db_)); });
}

HRESULT TTVListings::FindChannelByExternalID(const std::string& channel_external_id,
                                             ITVChannel** result) {
  return FrameOut(result, [&] {
    return ComPtr<ITVChannel>(kestro::FindChannelByExternalID(db_, channel_external_id));
  });
}

HRESULT TTVListings::ChannelExistsByExternalID(const std::string& channel_external_id,
                                               bool* result) {
  return FrameValue(result,
                    [&] { return kestro::ChannelExistsByExternalID(db_, channel_external_id); });
}

HRESULT TTVListings::GetScheduler(ITVScheduler** result) {
  // A new scheduler each call: it holds this object, so keeping it here would keep both alive.
  return FrameOut(result, [&] {
    return ScheduleAccessOf(*db_).NewScheduler(ComPtr<ITVListings>(this), db_);
  });
}

HRESULT TTVListings::CustomSearch(const std::string& search_query, std::string* error_text,
                                  ITVProgramList** result) {
  if (!error_text) return E_POINTER;
  // Lines that cannot be understood are skipped; the error text names each of them.
  error_text->clear();
  return FrameOut(result, AsList([&] { return RunCustomSearch(search_query, error_text); }));
}

HRESULT TTVListings::HasAnyPrograms(bool* result) {
  return FrameValue(result, [&] { return AnyPrograms(); });
}

}  // namespace kestro
