// Every write to the programme tables: a programme's record as it is stored, the statements that
// write its row and the rows that hang off it (details, people, genres, search words), its
// removal, and its link to the schedule that records it. The import, the scheduler and the
// import's finalization all write through these; every statement goes through the ...Fmt operations with typed arguments,
// so thousands of saves reuse a handful of prepared statements. All writes land in the caller's
// transaction; failures throw.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kestro/ole_date.h"
#include "kestro/tv_programs.h"
#include "listings/tv_program_details.h"
#include "storage/db.h"

namespace kestro {

struct ProgramPerson {
  std::string name;
  std::string role;
};

// Everything a source tells about one programme, as its rows store it. The import's new-programme
// object trims texts as they are set, and its save rewrites id, channel_id, channel_external_id,
// sort_title, program_type and equality_key.
struct ProgramRecord {
  int32_t id = 0;
  int32_t channel_id = 0;
  std::string channel_external_id;
  OleDate start_time = 0.0;
  OleDate end_time = 0.0;
  OleDate original_air_date = 0.0;
  std::string title, subtitle, tv_rating, movie_rating, program_type, sort_title, equality_key;
  std::string long_description, short_description, dolby, premiere_finale, advisories, color;
  std::string language, country_of_origin, source_type, show_type, holiday, episode_number;
  std::string network, studio;
  int32_t part_number = 0, number_of_parts = 0, year_produced = 0, run_time = 0;
  int32_t season_number = 0, season_episode_number = 0;
  // Indexed by DetailFlag, in the order of the program_details columns.
  std::array<TV_3_WAY, static_cast<size_t>(DetailFlag::kCount)> flags;
  std::vector<std::string> genres;  // distinct ignoring case, in order of addition
  std::vector<ProgramPerson> people;

  ProgramRecord() { flags.fill(TV_3_WAY_UNKNOWN); }
  // Genres and people emptied, numbers and dates 0, texts empty, every flag unknown.
  void Clear();
  // Trims; ignores an empty genre and one already listed (compared ignoring case).
  void AddGenre(std::string_view genre);
  // Trims both; ignores an empty name; an empty role becomes "Actor".
  void AddPerson(std::string_view name, std::string_view role);
  TV_3_WAY Flag(DetailFlag flag) const { return flags[static_cast<size_t>(flag)]; }
  TV_3_WAY& Flag(DetailFlag flag) { return flags[static_cast<size_t>(flag)]; }
};

// What the save derives for the programme's own row.
struct ProgramKeys {
  int32_t start_db = 0;  // db times of the record's start and end
  int32_t end_db = 0;
  std::string search_title;
};

// Inserts the programme's row and returns its id.
int32_t InsertProgramRow(IDB& db, const ProgramRecord& program, const ProgramKeys& keys);
// Rewrites the row of `program_id` with the record's values; with a `schedule_id` of 0 or more
// its schedule link becomes that schedule, else the link stays.
void UpdateProgramRow(IDB& db, int32_t program_id, const ProgramRecord& program,
                      const ProgramKeys& keys, int32_t schedule_id = -1);

// A stored programme as an import compares it with a new one: its row and its descriptions.
struct StoredProgramRow {
  int32_t id = 0, schedule_id = 0, start_db = 0, end_db = 0;
  std::string equality_key, title, subtitle, tv_rating, movie_rating, program_type;
  std::string long_description, short_description;  // "" when it has no details row
};
// The programmes of `channel_id` whose time overlaps [start_db, end_db), by start time: one
// statement over the index on ( channel_id , end_time , start_time ). `longest_seconds`, when
// known, is no less than the length of any stored programme of the channel; it bounds the scan.
std::vector<StoredProgramRow> FindOverlappingRows(IDB& db, int32_t channel_id, int32_t start_db,
                                                  int32_t end_db,
                                                  std::optional<int32_t> longest_seconds);

// The ids of the people, roles and genres that a run of saves found or added, so that each name
// is looked up once per run. Bounded: a map that reaches kLimit names starts over. An undone
// insert leaves a stale id behind: Clear after a rollback.
struct ProgramNameIds {
  static constexpr size_t kLimit = 50000;
  std::unordered_map<std::string, int32_t> people, roles, genres;
  void Clear() {
    people.clear();
    roles.clear();
    genres.clear();
  }
};

// The rows that hang off a programme, for `program_id`: its details, its people (each person and
// role found or added), its genres (each genre found or added) and its search words. A person in
// the same role twice, or a genre twice, keeps its first link. `ids` (may be null) remembers the
// names' ids between calls.
void InsertProgramDetails(IDB& db, int32_t program_id, const ProgramRecord& program);
void InsertProgramPeople(IDB& db, int32_t program_id, const ProgramRecord& program,
                         ProgramNameIds* ids = nullptr);
void InsertProgramGenres(IDB& db, int32_t program_id, const ProgramRecord& program,
                         ProgramNameIds* ids = nullptr);
void InsertProgramWords(IDB& db, int32_t program_id, const ProgramRecord& program,
                        std::string_view search_title);

// --- removing programmes and linking them to schedules ----------------------------------------

// Deletes the rows that hang off a programme: its details, genres, words and people.
void DeleteProgramDependents(IDB& db, int32_t program_id);
// Deletes the programme's own row only.
void DeleteProgramRow(IDB& db, int32_t program_id);
// Deletes the programme's row and every row that hangs off it.
void DeleteProgramWithDetails(IDB& db, int32_t program_id);

// The programme is recorded by `schedule_id`.
void LinkProgramToSchedule(IDB& db, int32_t program_id, int32_t schedule_id);
// The programme is no longer recorded by `schedule_id`; a link to another schedule stays.
void UnlinkProgramFromSchedule(IDB& db, int32_t program_id, int32_t schedule_id);
// The programme is recorded by nothing, whatever it pointed at.
void ClearProgramSchedule(IDB& db, int32_t program_id);

}  // namespace kestro
