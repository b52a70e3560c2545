// TTVLineup: one lineup, its row in the lineups database and its plug-in properties.
#include "lineups/lineups.h"

#include "core/registry_info.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/open_listings.h"
#include "support/tuner_configuration.h"

namespace kestro {

LineupLocations LineupLocations::FromConfig() {
  const ModuleConfig& config = Config();
  return {config.library_dir, config.tuner_config_file};
}

std::string LineupLocations::ListingsDatabase(int32_t lineup_id) const {
  return Format("%stv/listings.%d.dat", library_dir.c_str(), lineup_id);
}

TTVLineup::TTVLineup(DBPtr db, ImportServices services, LineupLocations locations)
    : db_(std::move(db)),
      services_(std::move(services)),
      locations_(std::move(locations)),
      plugin_properties_(NewDictionary()) {}

TTVLineup::TTVLineup(DBPtr db, ImportServices services, LineupLocations locations,
                     const ITable& row)
    : TTVLineup(std::move(db), std::move(services), std::move(locations)) {
  id_ = row.Int("id");
  name_ = row.Text("name");
  plugin_id_ = row.Text("plugin_id");
  update_frequency_ = row.Text("update_freq");
  update_time_ = DbTimeToDateTime(row.Int("update_time"));
  last_update_time_ = DbTimeToDateTime(row.Int("last_update_time"));
  last_update_ok_ = row.Int("last_update_ok") != 0;
  last_update_status_ = row.Text("last_update_status");
  TablePtr props = db_->QueryFmt(
      "select prop_name , prop_value from plugin_props where lineup_id = %d", {SqlArg::Int(id_)});
  for (; !props->Eof(); props->Next()) plugin_properties_->Set(props->Text(0), props->Text(1));
}

void TTVLineup::RecordUpdateStart(OleDate time) {
  last_update_time_ = time;
  last_update_ok_ = false;
}

void TTVLineup::RecordUpdateOutcome(bool ok, const std::string& status) {
  last_update_ok_ = ok;
  last_update_status_ = status;
}

void TTVLineup::WriteRow() {
  const SqlArgs values = {SqlArg::Quoted(name_),
                          SqlArg::Quoted(plugin_id_),
                          SqlArg::Quoted(update_frequency_),
                          SqlArg::Int(DateTimeToDbTime(update_time_)),
                          SqlArg::Int(DateTimeToDbTime(last_update_time_)),
                          SqlArg::Int(last_update_ok_ ? 1 : 0),
                          SqlArg::Quoted(last_update_status_),
                          SqlArg::Int(StoredTunerCount())};
  if (id_ > 0) {
    SqlArgs args = values;
    args.push_back(SqlArg::Int(id_));
    db_->ExecFmt(
        "update lineups set name= %s , plugin_id = %s , update_freq = %s , update_time = %d , "
        "last_update_time = %d , last_update_ok = %d , last_update_status = %s , "
        "tuner_count = %d where id = %d",
        args);
    return;
  }
  db_->ExecFmt(
      "insert into lineups ( id , name , plugin_id , update_freq , update_time , "
      "last_update_time , last_update_ok , last_update_status , tuner_count ) values ( null , "
      "%s , %s , %s , %d , %d , %d , %s , %d )",
      values);
  id_ = db_->LastInsertRowID();
}

void TTVLineup::WritePluginProperties() {
  db_->ExecFmt("delete from plugin_props where lineup_id = %d", {SqlArg::Int(id_)});
  for (int32_t i = 0; i < plugin_properties_->Count(); ++i) {
    db_->ExecFmt(
        "insert into plugin_props ( lineup_id , prop_name , prop_value ) values ( %d , %s , %s )",
        {SqlArg::Int(id_), SqlArg::Quoted(plugin_properties_->KeyAt(i)),
         SqlArg::Quoted(plugin_properties_->GetAt(i).ToString())});
  }
}

bool TTVLineup::TrySave(std::string* error) {
  const int32_t id_before = id_;
  try {
    Transaction transaction(*db_);
    WriteRow();
    WritePluginProperties();
    transaction.Commit();
    return true;
  } catch (const std::exception& e) {
    *error = e.what();
  }
  id_ = id_before;  // the rollback took a new row away again
  return false;
}

HRESULT TTVLineup::get_ID(int32_t* value) { return GetProperty(value, id_); }
HRESULT TTVLineup::get_Name(std::string* value) { return GetProperty(value, name_); }
HRESULT TTVLineup::put_Name(const std::string& value) { return PutProperty(name_, value); }
HRESULT TTVLineup::get_PluginID(std::string* value) { return GetProperty(value, plugin_id_); }
HRESULT TTVLineup::put_PluginID(const std::string& value) { return PutProperty(plugin_id_, value); }
HRESULT TTVLineup::get_UpdateFrequency(std::string* value) {
  return GetProperty(value, update_frequency_);
}
HRESULT TTVLineup::put_UpdateFrequency(const std::string& value) {
  return PutProperty(update_frequency_, value);
}
HRESULT TTVLineup::get_UpdateTime(OleDate* value) { return GetProperty(value, update_time_); }
HRESULT TTVLineup::put_UpdateTime(OleDate value) { return PutProperty(update_time_, value); }
HRESULT TTVLineup::get_LastUpdateTime(OleDate* value) {
  return GetProperty(value, last_update_time_);
}
HRESULT TTVLineup::put_LastUpdateTime(OleDate value) {
  return PutProperty(last_update_time_, value);
}
HRESULT TTVLineup::get_LastUpdateOK(bool* value) { return GetProperty(value, last_update_ok_); }
HRESULT TTVLineup::put_LastUpdateOK(bool value) { return PutProperty(last_update_ok_, value); }
HRESULT TTVLineup::get_LastUpdateStatus(std::string* value) {
  return GetProperty(value, last_update_status_);
}
HRESULT TTVLineup::put_LastUpdateStatus(const std::string& value) {
  return PutProperty(last_update_status_, value);
}
HRESULT TTVLineup::get_TunerCount(int32_t* value) {
  return GetProperty(value, [&] { return TunerCount(locations_.tuner_config_file, id_); });
}

int32_t TTVLineup::StoredTunerCount() const {
  // The column is informative only; a broken tuner configuration must not stop a lineup's save
  // (the scheduler reports it).
  try {
    return TunerCount(locations_.tuner_config_file, id_);
  } catch (const std::exception&) {
    return 0;
  }
}
HRESULT TTVLineup::put_TunerCount(int32_t) {
  return PutProperty([] {});  // the count always comes from the tuner configuration
}

HRESULT TTVLineup::Save(std::string* error, bool* result) {
  if (!error) return E_POINTER;
  return FrameValue(result, [&] {
    error->clear();
    return TrySave(error);
  });
}

HRESULT TTVLineup::get_PluginProperties(IKestroItem** value) {
  return GetProperty(value, plugin_properties_);
}

HRESULT TTVLineup::GetListings(ITVListings** result) {
  return FrameOut(result, [&] { return OpenListings(ListingsFileName(), id_, services_.env); });
}

HRESULT TTVLineup::ImportListings(IMLImportProgress* progress, std::string* error_message,
                                  bool* result) {
  if (!error_message) return E_POINTER;
  return FrameValue(result, [&] {
    return RunListingsImport(*this, locations_.library_dir, services_, progress, error_message);
  });
}

HRESULT TTVLineup::get_IsImportInProgress(bool* value) {
  return GetProperty(value,
                     [&] { return TImportInProgressLock::IsHeld(locations_.library_dir, id_); });
}

}  // namespace kestro
