// TTVLineups and TTVLineup: the lineups database ("tv/lineups.dat" in the library directory) and
// the lineups it holds. Each lineup has its own listings database,
// "tv/listings.<id>.dat" in the library directory.
//
// A collection loads its list once and changes it only through NewLineup and DeleteLineup; two
// collections do not see each other's unsaved lineups. Objects of this family belong to one
// thread at a time. They reach files, the clock and the import plug-ins through the services the
// system object hands down.
#pragma once

#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "import/listings_import.h"
#include "kestro/tv_lineups.h"
#include "storage/db.h"
#include "support/dictionary.h"

namespace kestro {

// Where the lineups live and which tuner configuration counts their tuners.
struct LineupLocations {
  std::string library_dir;  // with a trailing "/"
  std::string tuner_config_file;

  // The module's configuration (Config()).
  static LineupLocations FromConfig();
  std::string LineupsDirectory() const { return library_dir + "tv/"; }
  std::string LineupsDatabase() const { return library_dir + "tv/lineups.dat"; }
  std::string ListingsDatabase(int32_t lineup_id) const;
};

class TTVLineup : public TKestroTVObject<ITVLineup>, public IImportedLineup {
 public:
  // A new lineup: ID 0, empty texts, no times, status "Never updated", an empty bag.
  TTVLineup(DBPtr db, ImportServices services, LineupLocations locations);
  // The lineup of the current row of "select * from lineups", with its plug-in properties.
  // Throws the database's failures.
  TTVLineup(DBPtr db, ImportServices services, LineupLocations locations, const ITable& row);

  HRESULT get_ID(int32_t* value) override;
  HRESULT get_Name(std::string* value) override;
  HRESULT put_Name(const std::string& value) override;
  HRESULT get_PluginID(std::string* value) override;
  HRESULT put_PluginID(const std::string& value) override;
  HRESULT get_UpdateFrequency(std::string* value) override;
  HRESULT put_UpdateFrequency(const std::string& value) override;
  HRESULT get_UpdateTime(OleDate* value) override;
  HRESULT put_UpdateTime(OleDate value) override;
  HRESULT get_LastUpdateTime(OleDate* value) override;
  HRESULT put_LastUpdateTime(OleDate value) override;
  HRESULT get_LastUpdateOK(bool* value) override;
  HRESULT put_LastUpdateOK(bool value) override;
  HRESULT get_LastUpdateStatus(std::string* value) override;
  HRESULT put_LastUpdateStatus(const std::string& value) override;
  HRESULT get_TunerCount(int32_t* value) override;
  HRESULT put_TunerCount(int32_t value) override;
  HRESULT Save(std::string* error, bool* result) override;
  HRESULT get_PluginProperties(IKestroItem** value) override;
  HRESULT GetListings(ITVListings** result) override;
  HRESULT ImportListings(IMLImportProgress* progress, std::string* error_message,
                         bool* result) override;
  HRESULT get_IsImportInProgress(bool* value) override;

  // IImportedLineup (the import writes the outcome of its run and saves).
  int32_t ID() const override { return id_; }
  const std::string& PluginID() const override { return plugin_id_; }
  TDictionary& PluginProperties() override { return *plugin_properties_; }
  std::string ListingsFileName() const override { return locations_.ListingsDatabase(id_); }
  void RecordUpdateStart(OleDate time) override;
  void RecordUpdateOutcome(bool ok, const std::string& status) override;
  // Writes the lineup in one transaction; on failure rolls back, leaves the ID as it was before
  // and returns false with the message in *error.
  bool TrySave(std::string* error) override;

 private:
  void WriteRow();
  // The tuner count written to the row: the configuration's count, 0 when it cannot be read.
  int32_t StoredTunerCount() const;
  void WritePluginProperties();

  DBPtr db_;
  const ImportServices services_;
  LineupLocations locations_;
  int32_t id_ = 0;
  std::string name_;
  std::string plugin_id_;
  std::string update_frequency_;
  OleDate update_time_;
  OleDate last_update_time_;
  bool last_update_ok_ = false;
  std::string last_update_status_ = "Never updated";
  ComPtr<TDictionary> plugin_properties_;
};

class TTVLineups : public TKestroTVObject<ITVLineups> {
 public:
  // Opens (creating when missing) the lineups database and loads its lineups by name. Throws
  // Exception "Failed to create TV lineups database in "%s" : %s", "Failed to create TV lineups
  // database "%s" : %s" or "Failed to open TV lineups database "%s" : %s".
  explicit TTVLineups(ImportServices services,
                      LineupLocations locations = LineupLocations::FromConfig());

  HRESULT get_Count(int32_t* value) override;
  HRESULT get_Items(int32_t index, ITVLineup** value) override;
  HRESULT NewLineup(ITVLineup** result) override;
  HRESULT DeleteLineup(int32_t lineup_id, bool* result) override;
  HRESULT GetLineup(int32_t lineup_id, ITVLineup** result) override;

  // Deletes the first lineup with this ID that can be deleted: its listings database file, then
  // its rows, in one transaction. False when nothing was deleted; a failure is reported
  // (ReportFailure).
  bool Delete(int32_t lineup_id);
  const std::string& FileName() const { return file_name_; }

 private:
  // Removes the listings database of a lineup (with SQLite's companion files); throws
  // "Delete file failed on "%s"" when the database file exists and cannot be removed.
  void DeleteListingsFile(const std::string& file_name);

  const ImportServices services_;
  LineupLocations locations_;
  std::string file_name_;
  DBPtr db_;
  std::vector<ComPtr<TTVLineup>> lineups_;  // load order, then new ones
};

}  // namespace kestro
