// A library directory with its own registry, one saved lineup whose plug-in id answers with a
// test plug-in, a fake Env, and helpers a test plug-in uses to save channels and programmes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/fake_env.h"
#include "common/module_folders.h"
#include "common/temp_dir.h"
#include "common/test_environment.h"
#include "core/registry_info.h"
#include "import/import_plugin.h"
#include "import/listings_import.h"
#include "kestro/tv_import.h"
#include "lineups/lineups.h"
#include "platform/time/date_time.h"
#include "storage/listings_database.h"

namespace kestro::testing {

inline constexpr const char* kTestPluginID = "{6F1C2D3E-4A5B-4C6D-8E7F-9A0B1C2D3E4F}";

// A plug-in whose import is a test's function.
class TTestPlugin : public TTVListingsImportPlugin {
 public:
  using Body = std::function<bool(IKestroItem*, ITVListingsImportSystem&, std::string&)>;
  explicit TTestPlugin(Body body) : body_(std::move(body)) {}

 protected:
  bool RunImport(IKestroItem* properties, ITVListingsImportSystem& import_system,
                 std::string& error_message) override {
    return body_(properties, import_system, error_message);
  }

 private:
  Body body_;
};

// Records every report; answers false from the `cancel_at`-th report on (1-based; 0 never).
class TRecordingProgress : public TKestroIntfObject<IMLImportProgress> {
 public:
  explicit TRecordingProgress(int cancel_at = 0)
      : TKestroIntfObject<IMLImportProgress>(true), cancel_at_(cancel_at) {}
  HRESULT ReportProgress(int32_t percent, const std::string& status, bool* go_on) override {
    reports.emplace_back(percent, status);
    *go_on = cancel_at_ == 0 || static_cast<int>(reports.size()) < cancel_at_;
    return S_OK;
  }
  std::vector<std::pair<int32_t, std::string>> reports;

 private:
  const int cancel_at_;
};

inline TV_CHANNEL_SAVE_RESULT SaveChannel(ITVListingsImportSystem& system,
                                          const std::string& external_id, int32_t number,
                                          const std::string& short_name, int32_t* id = nullptr) {
  ComPtr<ITVNewChannel> channel;
  EXPECT_EQ(system.NewChannel(channel.ReleaseAndGetAddressOf()), S_OK);
  channel->put_ExternalID(external_id);
  channel->put_Number(number);
  channel->put_ShortName(short_name);
  TV_CHANNEL_SAVE_RESULT result = TV_CHANNEL_SAVE_FAILED;
  EXPECT_EQ(channel->Save(&result), S_OK);
  if (id) channel->get_ID(id);
  return result;
}

inline TV_PROGRAM_SAVE_RESULT SaveProgram(ITVListingsImportSystem& system,
                                          const std::string& channel_external_id, OleDate start,
                                          OleDate end, const std::string& title) {
  ComPtr<ITVNewProgram> program;
  EXPECT_EQ(system.NewProgram(program.ReleaseAndGetAddressOf()), S_OK);
  program->put_ChannelExternalID(channel_external_id);
  program->put_StartTime(start);
  program->put_EndTime(end);
  program->put_Title(title);
  TV_PROGRAM_SAVE_RESULT result = TV_PROGRAM_SAVE_FAILED;
  EXPECT_EQ(program->Save(&result), S_OK);
  return result;
}

// The rows of `sql`, one a line, their columns joined by '|'.
inline std::string Rows(IDB& db, const std::string& sql) {
  std::string text;
  for (TablePtr table = db.Query(sql); !table->Eof(); table->Next()) {
    if (!text.empty()) text += "\n";
    for (int32_t i = 0; i < table->ColumnCount(); ++i) text += (i ? "|" : "") + table->Text(i);
  }
  return text;
}

class ImportRunTest : public ::testing::Test {
 protected:
  // Saturday 10 March 2029, 12:00:00 local time.
  static OleDate Now() { return EncodeDateTime({2029, 3, 10, 12, 0, 0, 0}); }
  static constexpr double kHour = 1.0 / 24.0;

  void SetUp() override {
    // Each test has its own lock files, so parallel test processes never meet.
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    UseModuleFolders(dir_, /*tuners=*/0, library_dir_);
    env_->SetLocal(Now());

    lineups_ = MakeObject<TTVLineups>(Services(), LineupLocations::FromConfig());
    ComPtr<ITVLineup> lineup;
    ASSERT_EQ(lineups_->NewLineup(lineup.ReleaseAndGetAddressOf()), S_OK);
    lineup->put_Name("Cable");
    lineup->put_PluginID(kTestPluginID);
    ComPtr<IKestroItem> props;
    lineup->get_PluginProperties(props.ReleaseAndGetAddressOf());
    props->put_Values(Variant("file"), Variant("/srv/guide.xml"));
    std::string error;
    bool saved = false;
    ASSERT_EQ(lineup->Save(&error, &saved), S_OK);
    ASSERT_TRUE(saved) << error;
    lineup->get_ID(&lineup_id_);
    lineup_ = lineup;
  }
  // What the system object would hand down: this test's Env and plug-ins.
  ImportServices Services() const { return {env_, plugins_}; }

  // Makes the lineup's plug-in id answer with a test plug-in running `body`.
  void UsePlugin(TTestPlugin::Body body) {
    plugins_->Set(kTestPluginID, [body](const std::shared_ptr<Env>&) {
      return ComPtr<ITVListingsImportPlugin>(MakeObject<TTestPlugin>(body).Get());
    });
  }

  // Replaces the lineup's plug-in properties.
  void SetProperties(const std::vector<std::pair<std::string, std::string>>& values) {
    ComPtr<IKestroItem> bag;
    lineup_->get_PluginProperties(bag.ReleaseAndGetAddressOf());
    bag->Clear();
    for (const auto& [key, value] : values) bag->put_Values(Variant(key), Variant(value));
  }

  bool Import(std::string* error, IMLImportProgress* progress = nullptr) {
    bool ok = false;
    EXPECT_EQ(lineup_->ImportListings(progress, error, &ok), S_OK);
    return ok;
  }

  std::string ListingsFile() const {
    return library_dir_ + "tv/listings." + std::to_string(lineup_id_) + ".dat";
  }
  DBPtr Listings() { return OpenListingsDatabase(ListingsFile(), env_); }
  int32_t Count(const std::string& table) {
    return Listings()->QueryInt("select count ( * ) from " + table);
  }
  std::vector<std::string> Logs() {
    return ListImportLogs(*env_, ImportLogDirectory(library_dir_), lineup_id_);
  }
  // The messages of the newest log, without their headers.
  std::vector<std::string> LastLogMessages() {
    std::vector<std::string> logs = Logs();
    if (logs.empty()) return {};
    std::vector<std::string> lines;
    std::string text = ReadFile(logs.back());
    for (size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
      lines.push_back(text.substr(pos, end - pos));
    }
    return WithoutLogHeaders(lines);
  }
  // The lineup as the lineups database holds it now.
  ComPtr<ITVLineup> Reloaded() {
    ComPtr<TTVLineups> lineups = MakeObject<TTVLineups>(Services(), LineupLocations::FromConfig());
    ComPtr<ITVLineup> lineup;
    lineups->GetLineup(lineup_id_, lineup.ReleaseAndGetAddressOf());
    return lineup;
  }
  std::string LastUpdateStatus() {
    std::string status;
    Reloaded()->get_LastUpdateStatus(&status);
    return status;
  }

  TempDir dir_;
  const std::string library_dir_ = dir_ / "library/";
  std::shared_ptr<FakeEnv> env_ = std::make_shared<FakeEnv>();
  // The built-in plug-ins; a test makes the lineup's id answer with its own.
  std::shared_ptr<TTVListingsImportPluginFactory> plugins_ =
      std::make_shared<TTVListingsImportPluginFactory>(TTVListingsImportPluginFactory::BuiltIn());
  ComPtr<TTVLineups> lineups_;
  ComPtr<ITVLineup> lineup_;
  int32_t lineup_id_ = 0;
  // Later tests of this process see the configuration they would have seen without this one.
  SavedEnvironment saved_;
};

}  // namespace kestro::testing
