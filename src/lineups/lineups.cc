// TTVLineups: the lineups database and the list of its lineups.
#include "lineups/lineups.h"

#include <algorithm>
#include <system_error>

#include "platform/exception.h"
#include "platform/text/text.h"
#include "storage/database_file.h"
#include "storage/sqlite_database.h"
#include "support/failure_report.h"

namespace kestro {

namespace {

constexpr const char* kCreateScript =
    "begin transaction;"
    "PRAGMA default_synchronous = OFF;"
    "create table lineups ( id integer primary key , name char , plugin_id char , "
    "update_freq char , update_time integer , last_update_time integer , "
    "last_update_ok integer , last_update_status char , tuner_count integer );"
    "create table plugin_props ( lineup_id integer , prop_name char , prop_value char );"
    "create index idx_plugin_props on plugin_props ( lineup_id );"
    "create table parameters ( param_name char primary key , param_value char );"
    "insert into parameters ( param_name , param_value ) values ( \"version\" , \"1\" );"
    "commit;";

// As for the listings databases: readers never wait for a writer, and a power cut cannot
// corrupt the file.
constexpr const char* kDurabilityPragmas = "PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;";

}  // namespace

TTVLineups::TTVLineups(ImportServices services, LineupLocations locations)
    : services_(std::move(services)),
      locations_(std::move(locations)),
      file_name_(locations_.LineupsDatabase()) {
  // Without the registry's folder values the library would be the file system's root.
  if (locations_.library_dir.empty() || locations_.library_dir == "/")
    throw Exception("KestroTV is not set up: run kestro setup");
  Env& env = *services_.env;
  const std::string dir = locations_.LineupsDirectory();
  if (const std::error_code ec = env.CreateDirectories(dir)) {
    throw Exception(Format("Failed to create TV lineups database in \"%s\" : %s", dir.c_str(),
                           ec.message().c_str()));
  }

  const bool existed = env.FileExists(file_name_);
  try {
    db_ = OpenDatabaseFile(file_name_, services_.env, kCreateScript, "lineups");
  } catch (const std::exception& e) {
    ThrowWithCause(Format(existed ? "Failed to open TV lineups database \"%s\" : %s"
                                  : "Failed to create TV lineups database \"%s\" : %s",
                          file_name_.c_str(), e.what()),
                   e);
  }
  try {
    TablePtr rows = db_->Query("select * from lineups order by name");
    for (; !rows->Eof(); rows->Next())
      lineups_.push_back(MakeObject<TTVLineup>(db_, services_, locations_, *rows));
    if (!db_->ReadOnly()) db_->Exec(kDurabilityPragmas);
  } catch (const std::exception& e) {
    throw Exception(
        Format("Failed to open TV lineups database \"%s\" : %s", file_name_.c_str(), e.what()));
  }
}

void TTVLineups::DeleteListingsFile(const std::string& file_name) {
  Env& env = *services_.env;
  if (env.FileExists(file_name) && env.RemoveFile(file_name))
    throw Exception(Format("Delete file failed on \"%s\"", file_name.c_str()));
  // A write-ahead log left beside it would be replayed into a later file of the same name.
  for (const char* suffix : {"-wal", "-shm", "-journal"}) env.RemoveFile(file_name + suffix);
}

bool TTVLineups::Delete(int32_t lineup_id) {
  for (auto it = lineups_.begin(); it != lineups_.end(); ++it) {
    TTVLineup& lineup = **it;
    if (lineup.ID() != lineup_id) continue;
    try {
      Transaction transaction(*db_);
      DeleteListingsFile(lineup.ListingsFileName());
      db_->ExecFmt("delete from lineups where id = %d", {SqlArg::Int(lineup_id)});
      db_->ExecFmt("delete from plugin_props where lineup_id = %d", {SqlArg::Int(lineup_id)});
      transaction.Commit();
      lineups_.erase(it);
      return true;
    } catch (const std::exception& e) {
      if (IsReadOnlyFailure(e)) throw;  // the caller says why nothing can be deleted
      ReportFailure(Format("Deleting lineup %d", lineup_id), e);  // the lineup stays
    }
  }
  return false;
}

HRESULT TTVLineups::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return static_cast<int32_t>(lineups_.size()); });
}

HRESULT TTVLineups::get_Items(int32_t index, ITVLineup** value) {
  return GetProperty(value, [&] {
    if (index < 0 || static_cast<size_t>(index) >= lineups_.size())
      throw Exception(Format("List index out of bounds (%d)", index));
    return ComPtr<ITVLineup>(lineups_[index]);
  });
}

HRESULT TTVLineups::NewLineup(ITVLineup** result) {
  return FrameOut(result, [&] {
    lineups_.push_back(MakeObject<TTVLineup>(db_, services_, locations_));
    return ComPtr<ITVLineup>(lineups_.back());
  });
}

HRESULT TTVLineups::DeleteLineup(int32_t lineup_id, bool* result) {
  return FrameValue(result, [&] { return Delete(lineup_id); });
}

HRESULT TTVLineups::GetLineup(int32_t lineup_id, ITVLineup** result) {
  return FrameOut(result, [&] {
    auto it = std::find_if(lineups_.begin(), lineups_.end(),
                           [&](const ComPtr<TTVLineup>& l) { return l->ID() == lineup_id; });
    return it == lineups_.end() ? ComPtr<ITVLineup>() : ComPtr<ITVLineup>(*it);
  });
}

}  // namespace kestro
