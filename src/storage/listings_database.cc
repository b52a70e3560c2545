#include "storage/listings_database.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "core/registry_info.h"
#include "platform/system/debug_trace.h"
#include "platform/text/text.h"
#include "storage/database_file.h"
#include "storage/sqlite_database.h"

namespace kestro {

namespace {

namespace fs = std::filesystem;

// Schedule ids are never reused (autoincrement): a purged schedule's id must not name another
// recording later.
#define SCHEDULES_TABLE                                                                          \
  "create table schedules ( schedule_id integer primary key autoincrement , deleted integer , " \
  "tuner_id integer , program_id integer , channel_id integer , rs_id integer , title char , "  \
  "start_time integer , end_time integer , hard_padding_before integer , "                      \
  "hard_padding_after integer , soft_padding_before integer , soft_padding_after integer , "    \
  "delete_on_conflict integer , wake_up integer , keep_until integer , folder char , "          \
  "quality char , created_by char , deleted_by char , reason char , status char )"
#define SCHEDULES_INDEXES                                                    \
  "create index idx_schedules_deleted on schedules ( deleted );"             \
  "create index idx_schedules_start_time on schedules ( start_time );"       \
  "create index idx_schedules_end_time on schedules ( end_time );"           \
  "create index idx_schedules_program_id on schedules ( program_id );"       \
  "create index idx_schedules_rs_id on schedules ( rs_id );"
// The showings of rules that the user deleted: a rule never schedules them again.
#define RULE_EXCLUSIONS_TABLE                                                             \
  "create table if not exists rule_exclusions ( rs_id integer , equality_key char , "   \
  "start_time integer , primary key ( rs_id , equality_key , start_time ) )"

// Each table is followed by its indexes; then the rows every new file starts with.
// The file is born in WAL mode: a later open then changes no journal mode, which would need the
// file to itself while another process may be opening it too.
constexpr const char* kCreateScript =
    "PRAGMA journal_mode=WAL;"
    "begin transaction;"
    "PRAGMA default_synchronous = OFF;"
    "create table programs ( id integer primary key , channel_id integer , external_id char , "
    "start_time integer , end_time integer , title char , subtitle char , tv_rating char , "
    "movie_rating char , program_type char , sort_title char , search_title char , "
    "schedule_id integer );"
    "create index idx_programs_channel_id on programs ( channel_id );"
    "create index idx_programs_external_id on programs ( external_id );"
    "create index idx_programs_start_time on programs ( start_time );"
    "create index idx_programs_end_time on programs ( end_time );"
    "create index idx_programs_sort_title on programs ( sort_title );"
    "create index idx_programs_search_title on programs ( search_title );"
    "create index idx_programs_schedule_id on programs ( schedule_id );"
    "create table program_details ( id integer primary key , long_desc char , short_desc char , "
    "part_num integer , num_of_parts integer , is_cc integer , is_stereo integer , "
    "is_repeat integer , is_subtitled integer , is_jip integer , is_sap integer , "
    "is_blackout integer , is_sex_rating integer , is_violence_rating integer , "
    "is_language_rating integer , is_dialog_rating integer , is_fv_rating integer , "
    "is_enhanced integer , is_3d integer , is_letterbox integer , is_hdtv integer , "
    "is_dvs integer , is_made_for_tv integer , dolby char , premiere_finale char , "
    "advisories char , year integer , run_time integer , color char , language char , "
    "origin_country char , source_type char , show_type char , holiday char , "
    "episode_num char , origin_network char , origin_studio char , original_air_date char , "
    "season_num integer , season_episode_num integer );"
    "create table program_genres ( program_id integer , genre_id integer , relevance integer , "
    "primary key ( program_id , genre_id ) );"
    "create table genres ( genre_id integer primary key , genre char );"
    "create unique index idx_genres on genres ( genre );"
    "create table program_words ( program_id integer primary key , words char );"
    "create table program_people ( program_id integer , person_id integer , role_id integer , "
    "relevance integer , primary key ( program_id , person_id , role_id ) );"
    "create table roles ( role_id integer primary key , role char );"
    "create unique index idx_roles_role on roles ( role );"
    "create table people ( person_id integer primary key , name char , search_name char );"
    "create unique index idx_people_name on people ( name );"
    "create index idx_people_search_name on people ( search_name );"
    "create table channels ( channel_id integer primary key , external_id char , "
    "number integer , short_name char , long_name char , network char , frequency char , "
    "image_id char , wanted integer );"
    "create index idx_channels_external_id on channels ( external_id );"
    "create index idx_channels_number on channels ( number );"
    "create table channel_lists ( list_id integer primary key , name char , users char );"
    "create table channel_list_channels ( list_id integer , channel_id integer , "
    "order_number integer );"
    "create index idx_clc_list_id on channel_list_channels ( list_id );"
    SCHEDULES_TABLE ";" SCHEDULES_INDEXES
    "create table schedule_data ( schedule_id integer , prop_name char , prop_value char );"
    "create index idx_schedule_data on schedule_data ( schedule_id );"
    "create table tuners ( tuner_id integer primary key , tuner_name char , external_id char , "
    "config char );"
    "create table repeating_schedules ( rs_id integer primary key , rs_type integer , "
    "priority integer , title char , hard_padding_before integer , hard_padding_after integer , "
    "soft_padding_before integer , soft_padding_after integer , channel_id integer , "
    "start_time integer , end_time integer , frequency char , search_criteria char , "
    "keep_until integer , folder char , quality char , keep_at_most integer , repeats integer , "
    "created_by char , duplicates integer );"
    "create table lost_schedules ( schedule_id integer primary key );"
    "create table recorded_programs ( equality_key char primary key , start_time integer , "
    "end_time integer , title char , subtitle char );"
    RULE_EXCLUSIONS_TABLE ";"
    "create table parameters ( param_name char primary key , param_value char );"
    "insert into parameters ( param_name , param_value ) values ( \"schema-version\" , \"4\" );"
    "insert into parameters ( param_name , param_value ) "
    "values ( \"listings-data-version\" , \"1\" );"
    "insert into parameters ( param_name , param_value ) "
    "values ( \"schedule-data-version\" , \"1\" );"
    "insert into tuners ( tuner_id ) values ( 1 );"
    "commit;";

// Version 2 added the log of recorded programmes. "if not exists": a run interrupted after this
// step, before the version row changed, repeats it on the next open.
constexpr const char* kCreateRecordedPrograms =
    "create table if not exists recorded_programs ( equality_key char primary key , "
    "start_time integer , end_time integer , title char , subtitle char )";

// Version 3 added the last column, duplicates.
constexpr const char* kCreateRepeatingSchedules =
    "create table repeating_schedules ( rs_id integer primary key , rs_type integer , "
    "priority integer , title char , hard_padding_before integer , hard_padding_after integer , "
    "soft_padding_before integer , soft_padding_after integer , channel_id integer , "
    "start_time integer , end_time integer , frequency char , search_criteria char , "
    "keep_until integer , folder char , quality char , keep_at_most integer , repeats integer , "
    "created_by char , duplicates integer )";

constexpr const char* kVersion2Columns =
    "rs_id , rs_type , priority , title , hard_padding_before , hard_padding_after , "
    "soft_padding_before , soft_padding_after , channel_id , start_time , end_time , frequency , "
    "search_criteria , keep_until , folder , quality , keep_at_most , repeats , created_by";

// The settings of every connection, then write-ahead logging: readers never block the import's
// writer, and with synchronous=NORMAL a power cut cannot corrupt the file.
constexpr const char* kConnectionPragmas =
    "PRAGMA cache_size = 5000;PRAGMA synchronous=OFF;PRAGMA count_changes=OFF;"
    "PRAGMA temp_store=2;";
constexpr const char* kDurabilityPragmas = "PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;";
// Temporary storage in files: VACUUM builds its copy of the whole guide there, and in memory that
// copy would make the process as large as the guide.
constexpr const char* kTemporaryStoragePragma = "PRAGMA temp_store=FILE;";

bool TableExists(IDB& db, const char* name) {
  return db.QueryIntFmt(
             "select count ( * ) from sqlite_master where type = \"table\" and "
             "name = %s",
             {SqlArg::Quoted(name)}) > 0;
}

bool RepeatingSchedulesHaveDuplicates(IDB& db) {
  return db.QueryInt(
             "select count ( * ) from pragma_table_info ( \"repeating_schedules\" ) "
             "where name = \"duplicates\"") > 0;
}

// Rebuilds repeating_schedules with the duplicates column. Resumes an interrupted earlier run:
// a copy left in temp_rs beside the old table is stale and dropped; a temp_rs without the old
// table holds the only copy of the rows and is moved into the new table.
void UpgradeToVersion3(IDB& db) {
  bool has_table = TableExists(db, "repeating_schedules");
  bool has_copy = TableExists(db, "temp_rs");
  const bool rebuilt = has_table && RepeatingSchedulesHaveDuplicates(db);
  if (has_table && !rebuilt) {
    if (has_copy) db.Exec("drop table temp_rs");
    db.Exec("create table temp_rs as select * from repeating_schedules");
    db.Exec("drop table repeating_schedules");
    has_table = false;
    has_copy = true;
  }
  if (!has_table) db.Exec(kCreateRepeatingSchedules);
  if (has_copy) {
    // Into a table that an interrupted run had already begun to fill, rows already there win.
    db.ExecFmt(rebuilt ? "insert or ignore into repeating_schedules ( %s ) select * from temp_rs"
                       : "insert into repeating_schedules ( %s ) select * from temp_rs",
               {SqlArg::Raw(kVersion2Columns)});
    db.Exec("drop table temp_rs");
  }
  db.Exec("update repeating_schedules set duplicates = 0");
  db.Exec("update parameters set param_value = 3 where param_name = \"schema-version\"");
}

// Version 4: schedule ids from autoincrement and the table of rules' excluded showings. One
// transaction, so an interrupted run leaves version 3 as it was.
void UpgradeToVersion4(IDB& db) {
  DebugTrace(Format("Upgrading TV listings database \"%s\" to version 4", db.FileName().c_str()));
  Transaction transaction(db);
  if (TableExists(db, "schedules")) {
    db.Exec("alter table schedules rename to schedules_v3");
    for (const char* index : {"idx_schedules_deleted", "idx_schedules_start_time",
                              "idx_schedules_end_time", "idx_schedules_program_id",
                              "idx_schedules_rs_id"}) {
      db.ExecFmt("drop index if exists %s", {SqlArg::Raw(index)});
    }
    db.Exec(SCHEDULES_TABLE);
    db.Exec("insert into schedules select * from schedules_v3");
    db.Exec("drop table schedules_v3");
  } else {
    db.Exec(SCHEDULES_TABLE);
  }
  db.Exec(SCHEDULES_INDEXES);
  db.Exec(RULE_EXCLUSIONS_TABLE);
  db.Exec("update parameters set param_value = 4 where param_name = \"schema-version\"");
  transaction.Commit();
  DebugTrace(Format("Upgraded TV listings database \"%s\" to version 4 : %d schedules kept",
                    db.FileName().c_str(), db.QueryInt("select count ( * ) from schedules")));
}

// The version kCreateScript writes and Upgrade brings older files to.
constexpr int32_t kSchemaVersion = 4;

// Brings an existing file up to the current version, one version at a time. A file without a
// version row is left alone; a version that is not a number counts as 1.
void Upgrade(IDB& db) {
  TablePtr row = db.Query(
      "select param_value from parameters where param_name = "
      "\"schema-version\"");
  if (row->Eof()) return;
  int32_t version = 0;
  if (!TryStrToInt(row->Text(0), &version)) version = 1;
  if (version < kSchemaVersion && db.ReadOnly()) {
    throw EDatabaseError(Format("TV listings database \"%s\" is of version %d and needs an "
                                "upgrade to version %d, which it cannot get while it is read-only; "
                                "open it once as a user who can write it",
                                db.FileName().c_str(), version, kSchemaVersion),
                         SQLITE_READONLY);
  }
  if (version < 2) {
    db.Exec(kCreateRecordedPrograms);
    db.Exec("update parameters set param_value = 2 where param_name = \"schema-version\"");
  }
  if (version < 3) UpgradeToVersion3(db);
  if (version < 4) UpgradeToVersion4(db);
}

// Indexes beyond the original schema that the guide needs at full size: a time slice is answered
// from (start_time, end_time) without reading each row, an import's overlap test for a new
// programme from (channel_id, end_time, start_time), a person's programmes from program_people by
// person, and the schedules' shortest and longest windows (which bound the start times of the
// schedules a time slice can meet) from their lengths. Made when missing; a file locked by a
// running import gets them on a later open.
constexpr std::pair<const char*, const char*> kSearchIndexes[] = {
    {"idx_programs_start_end",
     "create index idx_programs_start_end on programs ( start_time , end_time )"},
    {"idx_programs_channel_times",
     "create index idx_programs_channel_times on programs ( channel_id , end_time , start_time )"},
    {"idx_program_people_person",
     "create index idx_program_people_person on program_people ( person_id )"},
    {"idx_schedules_length",
     "create index idx_schedules_length on schedules ( end_time - start_time )"},
};

void AddSearchIndexes(IDB& db) {
  // Opening the guide must not wait for a running import: a busy file gets its indexes later.
  db.SetBusyTimeout(0);
  for (const auto& [name, sql] : kSearchIndexes) {
    try {
      // Even reading the schema is busy while another connection writes the file.
      if (db.QueryIntFmt("select count ( * ) from sqlite_master where type = \"index\" and "
                         "name = %s",
                         {SqlArg::Quoted(name)}) > 0)
        continue;
      db.Exec(sql);
    } catch (const EDatabaseError& e) {
      // The searches still work without the index, only slower.
      if (!e.IsBusy()) DebugTrace(Format("BAD : Creating index %s : %s", name, e.what()));
    }
  }
  db.SetBusyTimeout(Config().busy_timeout_ms);
}

// The keyword index: an FTS5 index over program_words, which stays the table of record. Its
// tokens are exactly the stored words: the stored text holds only letters, digits and single
// blanks, and the ascii tokenizer splits at the blanks and keeps every non-ASCII character. The
// triggers keep it in step with every write of program_words, whoever makes it, except the rows
// above the parameter "keyword-index-deferred-from" while it exists: an import adds those to the
// index in one statement before it commits (indexing row by row costs several times more, as
// FTS5 writes its pending terms out at every statement).
#define KEYWORD_INDEX_DEFERRAL "'keyword-index-deferred-from'"
#define KEYWORD_INDEX_DEFERRED_FROM                                                       \
  "coalesce ( ( select cast ( param_value as integer ) from parameters where param_name = " \
  KEYWORD_INDEX_DEFERRAL " ) , 9223372036854775807 )"
constexpr const char* kKeywordIndexTriggers =
    "create trigger program_words_fts_insert after insert on program_words "
    "when new.program_id <= " KEYWORD_INDEX_DEFERRED_FROM " begin "
    "insert into program_words_fts ( rowid , words ) values ( new.program_id , new.words ); end;"
    "create trigger program_words_fts_delete after delete on program_words "
    "when old.program_id <= " KEYWORD_INDEX_DEFERRED_FROM " begin "
    "insert into program_words_fts ( program_words_fts , rowid , words ) "
    "values ( 'delete' , old.program_id , old.words ); end;"
    "create trigger program_words_fts_update after update on program_words begin "
    "insert into program_words_fts ( program_words_fts , rowid , words ) "
    "select 'delete' , old.program_id , old.words "
    "where old.program_id <= " KEYWORD_INDEX_DEFERRED_FROM ";"
    "insert into program_words_fts ( rowid , words ) select new.program_id , new.words "
    "where new.program_id <= " KEYWORD_INDEX_DEFERRED_FROM "; end;";
constexpr const char* kDropKeywordIndexTriggers =
    "drop trigger if exists program_words_fts_insert;"
    "drop trigger if exists program_words_fts_delete;"
    "drop trigger if exists program_words_fts_update;";
constexpr const char* kCreateKeywordIndex =
    "create virtual table program_words_fts using fts5 ( words , content = 'program_words' , "
    "content_rowid = 'program_id' , tokenize = 'ascii' , columnsize = 0 );"
    "insert into program_words_fts ( program_words_fts ) values ( 'rebuild' );";
constexpr const char* kFinishDeferredKeywordIndex =
    "insert into program_words_fts ( rowid , words ) select program_id , words from program_words "
    "where program_id > " KEYWORD_INDEX_DEFERRED_FROM ";"
    "delete from parameters where param_name = " KEYWORD_INDEX_DEFERRAL ";";

// Seconds since a fixed day of the db time in `column`, in SQL of integers only (the days of the
// date counted as the proleptic Gregorian calendar does), so that a trigger can take the length
// of a programme cheaply. Differences are wall-clock differences, as OLE dates give them.
std::string DbTimeSecondsSql(const std::string& column) {
  const std::string year = "( ( ( " + column + " >> 25 ) & 127 ) + 1980 )";
  const std::string month = "( ( " + column + " >> 21 ) & 15 )";
  // Years start in March, so that the leap day ends a year.
  const std::string march_year = "( " + year + " - ( " + month + " < 3 ) )";
  const std::string days = "( 365 * " + march_year + " + " + march_year + " / 4 - " + march_year +
                           " / 100 + " + march_year + " / 400 + ( 153 * ( ( " + month +
                           " + 9 ) % 12 ) + 2 ) / 5 + ( ( " + column + " >> 16 ) & 31 ) )";
  return "( " + days + " * 86400 + ( ( " + column + " >> 11 ) & 31 ) * 3600 + ( ( " + column +
         " >> 5 ) & 63 ) * 60 + ( " + column + " & 31 ) * 2 )";
}

std::string ProgramLengthSql(const std::string& row) {
  return "( " + DbTimeSecondsSql(row + "end_time") + " - " +
         DbTimeSecondsSql(row + "start_time") + " )";
}

// The parameter "longest-program": the most seconds any stored programme lasts, set from the
// stored programmes and raised by the triggers as longer ones are written (lowered only by
// RecomputeLongestProgram, so it may be longer than any programme that is left).
std::string LongestProgramRaiseSql() {
  return "update parameters set param_value = " + ProgramLengthSql("new.") +
         " where param_name = 'longest-program' and cast ( param_value as integer ) < " +
         ProgramLengthSql("new.") + ";";
}

std::string LongestProgramOfAllSql() {
  return "select max ( 0 , coalesce ( max ( " + ProgramLengthSql("") + " ) , 0 ) ) from programs";
}

std::string CreateLongestProgramSql() {
  return "insert or replace into parameters ( param_name , param_value ) select "
         "'longest-program' , ( " + LongestProgramOfAllSql() + " );"
         "create trigger programs_longest_insert after insert on programs begin " +
         LongestProgramRaiseSql() + " end;"
         "create trigger programs_longest_update after update of start_time , end_time on "
         "programs begin " + LongestProgramRaiseSql() + " end;";
}

// Gives a file with the keyword index the current triggers when its own cannot defer (made
// before the deferral), and rebuilds the index of a file left deferred (its import committed
// without finishing the deferral, which a crash cannot do).
void RepairKeywordIndex(IDB& db) {
  const bool old_triggers =
      db.QueryInt("select count ( * ) from sqlite_master where type = 'trigger' and name = "
                  "'program_words_fts_insert' and instr ( sql , " KEYWORD_INDEX_DEFERRAL
                  " ) > 0") == 0;
  const bool deferred = db.QueryInt("select count ( * ) from parameters where param_name = "
                                    KEYWORD_INDEX_DEFERRAL) > 0;
  if (!old_triggers && !deferred) return;
  Transaction transaction(db);
  if (old_triggers) {
    db.Exec(kDropKeywordIndexTriggers);
    db.Exec(kKeywordIndexTriggers);
  }
  if (deferred) {
    db.Exec("insert into program_words_fts ( program_words_fts ) values ( 'rebuild' );"
            "delete from parameters where param_name = " KEYWORD_INDEX_DEFERRAL);
  }
  transaction.Commit();
  if (deferred) {
    DebugTrace(Format("BAD : TV listings database \"%s\" was left with its keyword index "
                      "deferred : index rebuilt", db.FileName().c_str()));
  }
}

// Adds the keyword index and the longest programme to a file that lacks them (every file made
// before they existed, and each new file right after its creation), in one transaction.
void AddKeywordIndex(IDB& db) {
  if (!TableExists(db, "program_words") || !TableExists(db, "programs")) return;
  const bool has_index = TableExists(db, "program_words_fts");
  if (db.ReadOnly()) {
    // Browsing works without it; keyword searches need one open by a user who can write.
    if (!has_index) {
      DebugTrace(Format("BAD : TV listings database \"%s\" has no keyword index and is "
                        "read-only", db.FileName().c_str()));
    }
    return;
  }
  if (has_index) {
    RepairKeywordIndex(db);
    return;
  }
  Transaction transaction(db);
  // Another connection opening the same new file may have added it while this one waited.
  if (TableExists(db, "program_words_fts")) return;
  db.Exec(kCreateKeywordIndex);
  db.Exec(kKeywordIndexTriggers);
  db.Exec(CreateLongestProgramSql());
  transaction.Commit();
  DebugTrace(Format("Added the keyword index to TV listings database \"%s\" : %d programmes",
                    db.FileName().c_str(), db.QueryInt("select count ( * ) from program_words")));
}

void ConfigureConnection(IDB& db) {
  db.Exec(kConnectionPragmas);
  // A read-only file keeps its journal mode and its indexes as its writers left them.
  if (!db.ReadOnly()) db.Exec(kDurabilityPragmas);
  db.Exec(kTemporaryStoragePragma);
  // Stored keys and search patterns are lower case already; a case-sensitive like lets SQLite
  // serve "star%" from the search-title index.
  db.Exec("PRAGMA case_sensitive_like = ON;");
  if (!db.ReadOnly()) AddSearchIndexes(db);
}

DBPtr OpenFile(const std::string& file_name, const std::shared_ptr<Env>& env) {
  const bool existed = env->FileExists(file_name);
  try {
    DBPtr db = OpenDatabaseFile(file_name, env, kCreateScript, "parameters");
    Upgrade(*db);
    AddKeywordIndex(*db);
    ConfigureConnection(*db);
    return db;
  } catch (const std::exception& e) {
    ThrowWithCause(Format(existed ? "Failed to open TV listings database \"%s\" : %s"
                                  : "Failed to create TV listings database \"%s\" : %s",
                          file_name.c_str(), e.what()),
                   e);
  }
}

}  // namespace

std::optional<int32_t> LongestProgramSeconds(IDB& db) {
  TablePtr row = db.QueryFmt("select param_value from parameters where param_name = %s",
                             {SqlArg::Quoted("longest-program")});
  int32_t seconds = 0;
  if (row->Eof() || !TryStrToInt(row->Text(0), &seconds) || seconds < 0) return std::nullopt;
  return seconds;
}

void BeginDeferredKeywordIndex(IDB& db) {
  db.Exec("insert or replace into parameters ( param_name , param_value ) select "
          KEYWORD_INDEX_DEFERRAL " , coalesce ( max ( program_id ) , 0 ) from program_words");
}

void FinishDeferredKeywordIndex(IDB& db) { db.Exec(kFinishDeferredKeywordIndex); }

void RecomputeLongestProgram(IDB& db) {
  db.Exec("update parameters set param_value = ( " + LongestProgramOfAllSql() +
          " ) where param_name = 'longest-program'");
}

DBPtr OpenListingsDatabase(const std::string& file_name, const std::shared_ptr<Env>& env) {
  const fs::path dir = fs::path(file_name).parent_path();
  if (!dir.empty()) {
    if (const std::error_code ec = env->CreateDirectories(dir)) {
      throw Exception(Format("Failed to create TV listings database in \"%s\" : %s", dir.c_str(),
                             ec.message().c_str()));
    }
  }
  return OpenFile(file_name, env);
}

}  // namespace kestro
