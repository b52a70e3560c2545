#include "listings/program_writer.h"

#include <algorithm>
#include <utility>

#include "listings/search_conditions.h"
#include "listings/titles.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro {
namespace {

// The statements. Text values fill the %s places as bound string literals.
constexpr const char kUpdateProgram[] =
    "update programs set channel_id = %d, external_id = %s , start_time = %d , end_time = %d , "
    "title = %s , subtitle = %s , tv_rating = %s , movie_rating = %s , program_type = %s  , "
    "sort_title = %s , search_title = %s  where id = %d";
constexpr const char kUpdateRescheduledProgram[] =
    "update programs set channel_id = %d, external_id = %s , start_time = %d , end_time = %d , "
    "title = %s , subtitle = %s ,  tv_rating = %s , movie_rating = %s , program_type = %s  ,  "
    "sort_title = %s , search_title = %s , schedule_id = %d where id = %d";
constexpr const char kInsertProgram[] =
    "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
    "subtitle , tv_rating , movie_rating , program_type , sort_title , search_title ) values ( "
    "null , %d , %s , %d , %d , %s , %s , %s , %s , %s , %s , %s )";
constexpr const char kInsertDetails[] =
    " insert into program_details ( id , long_desc , short_desc , part_num , num_of_parts ,is_cc,"
    "is_stereo,is_repeat,is_subtitled,is_jip,is_sap,is_blackout,is_sex_rating,is_violence_rating,"
    "is_language_rating,is_dialog_rating,is_fv_rating,is_enhanced,is_3d,is_letterbox,is_hdtv,"
    "is_dvs,is_made_for_tv,dolby,premiere_finale,advisories,year,run_time,color,language,"
    "origin_country,source_type,show_type,holiday,episode_num,origin_network,origin_studio,"
    "original_air_date,season_num,season_episode_num) values ( %d,%s,%s,%d,%d,%d,%d,%d,%d,%d,%d,"
    "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s,%s,%s,%d,%d,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%d,%d)";
constexpr const char kSelectRole[] = "select role_id from roles where role = %s";
constexpr const char kInsertRole[] = "insert into roles ( role_id , role ) values ( null , %s )";
constexpr const char kSelectPerson[] = "select person_id from people where name = %s";
constexpr const char kInsertPerson[] =
    "insert into people ( person_id , name , search_name ) values ( null , %s , %s )";
constexpr const char kInsertProgramPerson[] =
    "insert into program_people ( program_id , person_id , role_id , relevance ) values ( %d , "
    "%d , %d , %d )";
constexpr const char kSelectGenre[] = "select genre_id from genres where genre = %s";
constexpr const char kInsertGenre[] =
    "insert into genres ( genre_id , genre ) values ( null , %s )";
constexpr const char kInsertProgramGenre[] =
    "insert into program_genres ( program_id , genre_id , relevance ) values ( %d , %d , %d )";
constexpr const char kInsertWords[] =
    "insert into program_words ( program_id , words ) values ( %d , %s )";
#define SELECT_CHANNEL_PROGRAMS                                                                \
  "select p.id , p.schedule_id , p.start_time , p.end_time , p.external_id , p.title , "      \
  "p.subtitle , p.tv_rating , p.movie_rating , p.program_type , d.long_desc , d.short_desc "  \
  "from programs p left join program_details d on d.id = p.id where p.channel_id = %d and "
constexpr const char kSelectOverlaps[] =
    SELECT_CHANNEL_PROGRAMS "p.end_time > %d and p.start_time < %d order by p.start_time";
// The same with the end times bounded above, so that the scan of the channel's end times stops.
constexpr const char kSelectBoundedOverlaps[] = SELECT_CHANNEL_PROGRAMS
    "p.end_time > %d and p.end_time < %d and p.start_time < %d order by p.start_time";
#undef SELECT_CHANNEL_PROGRAMS

SqlArgs RowValues(const ProgramRecord& p, const ProgramKeys& keys) {
  return {SqlArg::Int(p.channel_id),      SqlArg::Quoted(p.equality_key),
          SqlArg::Int(keys.start_db),     SqlArg::Int(keys.end_db),
          SqlArg::Quoted(p.title),        SqlArg::Quoted(p.subtitle),
          SqlArg::Quoted(p.tv_rating),    SqlArg::Quoted(p.movie_rating),
          SqlArg::Quoted(p.program_type), SqlArg::Quoted(p.sort_title),
          SqlArg::Quoted(keys.search_title)};
}

// The id of the row named `name` (a role, a genre; a person's also gets a search name): `known`
// (may be null) holds the ids found before; else the lookup's, else the row id of the insert.
// With `ignore_duplicate`, an insert a constraint refuses answers 0.
int32_t FindOrInsert(IDB& db, const char* select_format, const char* insert_format,
                     const std::string& name, bool person, bool ignore_duplicate,
                     std::unordered_map<std::string, int32_t>* known) {
  if (known) {
    if (auto found = known->find(name); found != known->end()) return found->second;
  }
  int32_t id = db.QueryIntFmt(select_format, {SqlArg::Quoted(name)});
  if (id == 0) {
    SqlArgs values = {SqlArg::Quoted(name)};
    if (person) values.push_back(SqlArg::Quoted(MakeTitles(name, false).search_title));
    try {
      db.ExecFmt(insert_format, values);
      id = db.LastInsertRowID();
    } catch (const EDatabaseError& e) {
      if (!ignore_duplicate || e.failure() != DbFailure::kConstraint) throw;
      return 0;
    }
  }
  if (known) {
    if (known->size() >= ProgramNameIds::kLimit) known->clear();
    known->emplace(name, id);
  }
  return id;
}

// Runs a link insert; a link that exists already stands.
void InsertLink(IDB& db, const char* format, const SqlArgs& args) {
  try {
    db.ExecFmt(format, args);
  } catch (const EDatabaseError& e) {
    if (e.failure() != DbFailure::kConstraint) throw;
  }
}

}  // namespace

void ProgramRecord::Clear() { *this = ProgramRecord(); }

void ProgramRecord::AddGenre(std::string_view genre) {
  std::string trimmed = Trim(genre);
  if (trimmed.empty()) return;
  const bool listed = std::any_of(genres.begin(), genres.end(),
                                  [&](const std::string& g) { return SameText(g, trimmed); });
  if (!listed) genres.push_back(std::move(trimmed));
}

void ProgramRecord::AddPerson(std::string_view name, std::string_view role) {
  std::string trimmed_name = Trim(name);
  if (trimmed_name.empty()) return;
  std::string trimmed_role = Trim(role);
  if (trimmed_role.empty()) trimmed_role = "Actor";
  people.push_back({std::move(trimmed_name), std::move(trimmed_role)});
}

int32_t InsertProgramRow(IDB& db, const ProgramRecord& program, const ProgramKeys& keys) {
  db.ExecFmt(kInsertProgram, RowValues(program, keys));
  return db.LastInsertRowID();
}

void UpdateProgramRow(IDB& db, int32_t program_id, const ProgramRecord& program,
                      const ProgramKeys& keys, int32_t schedule_id) {
  SqlArgs values = RowValues(program, keys);
  if (schedule_id >= 0) values.push_back(SqlArg::Int(schedule_id));
  values.push_back(SqlArg::Int(program_id));
  db.ExecFmt(schedule_id >= 0 ? kUpdateRescheduledProgram : kUpdateProgram, values);
}

std::vector<StoredProgramRow> FindOverlappingRows(IDB& db, int32_t channel_id, int32_t start_db,
                                                  int32_t end_db,
                                                  std::optional<int32_t> longest_seconds) {
  // A programme that overlaps the time begins before its end, so it ends before the end plus the
  // longest length (a minute more covers the rounding of db times). Without that bound the scan
  // reads every later programme of the channel; a bound outside the years of db times, or one
  // that does not sort after the end, is left out.
  int32_t latest_end = 0;
  if (longest_seconds) {
    latest_end =
        DateTimeToDbTime(DbTimeToDateTime(end_db) + (*longest_seconds + 60) * kOneSecond);
  }
  TablePtr rows =
      latest_end > end_db
          ? db.QueryFmt(kSelectBoundedOverlaps,
                        {SqlArg::Int(channel_id), SqlArg::Int(start_db), SqlArg::Int(latest_end),
                         SqlArg::Int(end_db)})
          : db.QueryFmt(kSelectOverlaps,
                        {SqlArg::Int(channel_id), SqlArg::Int(start_db), SqlArg::Int(end_db)});
  std::vector<StoredProgramRow> found;
  for (; !rows->Eof(); rows->Next()) {
    found.push_back({rows->Int(0), rows->Int(1), rows->Int(2), rows->Int(3), rows->Text(4),
                     rows->Text(5), rows->Text(6), rows->Text(7), rows->Text(8), rows->Text(9),
                     rows->Text(10), rows->Text(11)});
  }
  return found;
}

void InsertProgramDetails(IDB& db, int32_t program_id, const ProgramRecord& p) {
  SqlArgs values = {SqlArg::Int(program_id), SqlArg::Quoted(p.long_description),
                    SqlArg::Quoted(p.short_description), SqlArg::Int(p.part_number),
                    SqlArg::Int(p.number_of_parts)};
  values.reserve(40);
  for (TV_3_WAY flag : p.flags) values.push_back(SqlArg::Int(flag));
  const std::string air_date = p.original_air_date == 0.0
                                   ? std::string()
                                   : FormatDateTime("yyyymmdd", p.original_air_date);
  for (const SqlArg& value :
       {SqlArg::Quoted(p.dolby), SqlArg::Quoted(p.premiere_finale), SqlArg::Quoted(p.advisories),
        SqlArg::Int(p.year_produced), SqlArg::Int(p.run_time), SqlArg::Quoted(p.color),
        SqlArg::Quoted(p.language), SqlArg::Quoted(p.country_of_origin),
        SqlArg::Quoted(p.source_type), SqlArg::Quoted(p.show_type), SqlArg::Quoted(p.holiday),
        SqlArg::Quoted(p.episode_number), SqlArg::Quoted(p.network), SqlArg::Quoted(p.studio),
        SqlArg::Quoted(air_date), SqlArg::Int(p.season_number),
        SqlArg::Int(p.season_episode_number)}) {
    values.push_back(value);
  }
  db.ExecFmt(kInsertDetails, values);
}

void InsertProgramPeople(IDB& db, int32_t program_id, const ProgramRecord& p,
                         ProgramNameIds* ids) {
  for (size_t i = 0; i < p.people.size(); ++i) {
    const ProgramPerson& person = p.people[i];
    if (person.name.empty() || person.role.empty()) continue;
    const int32_t role_id = FindOrInsert(db, kSelectRole, kInsertRole, person.role, false, true,
                                         ids ? &ids->roles : nullptr);
    if (role_id == 0) continue;
    const int32_t person_id = FindOrInsert(db, kSelectPerson, kInsertPerson, person.name, true,
                                           true, ids ? &ids->people : nullptr);
    if (person_id == 0) continue;
    InsertLink(db, kInsertProgramPerson,
               {SqlArg::Int(program_id), SqlArg::Int(person_id), SqlArg::Int(role_id),
                SqlArg::Int(static_cast<int32_t>(i) + 1)});
  }
}

void InsertProgramGenres(IDB& db, int32_t program_id, const ProgramRecord& p,
                         ProgramNameIds* ids) {
  for (size_t i = 0; i < p.genres.size(); ++i) {
    const std::string& genre = p.genres[i];
    const int32_t genre_id = FindOrInsert(db, kSelectGenre, kInsertGenre, genre, false, false,
                                          ids ? &ids->genres : nullptr);
    InsertLink(db, kInsertProgramGenre,
               {SqlArg::Int(program_id), SqlArg::Int(genre_id),
                SqlArg::Int(static_cast<int32_t>(i) + 1)});
  }
}

void InsertProgramWords(IDB& db, int32_t program_id, const ProgramRecord& p,
                        std::string_view search_title) {
  std::string text(search_title);
  for (const std::string* part : {&p.subtitle, &p.long_description, &p.premiere_finale,
                                  &p.language, &p.country_of_origin, &p.holiday, &p.studio}) {
    text += ' ';
    text += *part;
  }
  text += ' ';
  if (p.program_type == "MV") text += "movie ";
  for (const ProgramPerson& person : p.people) text += person.name + ' ';
  for (const std::string& genre : p.genres) text += genre + ' ';
  // The stored words are padded with one blank on each side, so that " word " finds whole words.
  std::string words(1, ' ');
  words += NormalizeKeywords(text);
  words += ' ';
  db.ExecFmt(kInsertWords, {SqlArg::Int(program_id), SqlArg::Quoted(words)});
}

void DeleteProgramDependents(IDB& db, int32_t program_id) {
  static constexpr const char* kDeleteDependentRows[] = {
      "delete from program_details where id = %d",
      "delete from program_genres where program_id = %d",
      "delete from program_words where program_id = %d",
      "delete from program_people where program_id = %d",
  };
  for (const char* format : kDeleteDependentRows) db.ExecFmt(format, {SqlArg::Int(program_id)});
}

void DeleteProgramRow(IDB& db, int32_t program_id) {
  db.ExecFmt("delete from programs where id = %d", {SqlArg::Int(program_id)});
}

void DeleteProgramWithDetails(IDB& db, int32_t program_id) {
  DeleteProgramRow(db, program_id);
  DeleteProgramDependents(db, program_id);
}

void LinkProgramToSchedule(IDB& db, int32_t program_id, int32_t schedule_id) {
  db.ExecFmt("update programs set schedule_id = %d where id = %d",
             {SqlArg::Int(schedule_id), SqlArg::Int(program_id)});
}

void UnlinkProgramFromSchedule(IDB& db, int32_t program_id, int32_t schedule_id) {
  db.ExecFmt("update programs set schedule_id = 0 where id = %d and schedule_id = %d",
             {SqlArg::Int(program_id), SqlArg::Int(schedule_id)});
}

void ClearProgramSchedule(IDB& db, int32_t program_id) {
  db.ExecFmt("update programs set schedule_id = 0 where id = %d", {SqlArg::Int(program_id)});
}

}  // namespace kestro
