#include "daemon/web_imports.h"

#include <httplib.h>

#include <vector>

#include "host/host_clock.h"
#include "host/import_report.h"
#include "host/module_session.h"
#include "host/plugin_thread.h"
#include "kestro/com_object.h"
#include "kestro/host.h"
#include "kestro/host_type_library.h"
#include "platform/com/class_loader.h"
#include "platform/text/text.h"

namespace kestro::daemon {

namespace {

// Hands each report of the import plug-in to a function; the import goes on while it says so.
class ImportProgress : public DispatchObject<IMLImportProgress> {
 public:
  using Report = std::function<bool(int32_t percent, const std::string& status)>;
  explicit ImportProgress(Report report)
      : DispatchObject<IMLImportProgress>(HostTypeLibrary()), report_(std::move(report)) {}

  HRESULT ReportProgress(int32_t percent, const std::string& status, bool* go_on) override {
    return FrameValue(go_on, [&] { return report_(percent, status); });
  }

 private:
  Report report_;
};

Json Lines(const std::vector<std::string>& lines) {
  Json json = Json::array();
  for (const std::string& line : lines) json.push_back(line);
  return json;
}

}  // namespace

// What the pages see of an import. Guarded by the mutex of WebImports.
struct WebImports::State {
  int32_t lineup_id = 0;
  bool running = true;
  int32_t percent = -1;
  std::string status = "Starting";
  bool ok = false;
  std::string error;
  std::vector<std::string> report;
  std::string log;
  OleDate started = 0, ended = 0;
};

struct WebImports::Run {
  State state;
  host::PluginThread thread;  // last: joined before the state goes
};

WebImports::WebImports(std::string registry_path, std::string library_dir)
    : registry_path_(std::move(registry_path)), library_dir_(std::move(library_dir)) {}

WebImports::~WebImports() {
  stopping_ = true;
  std::map<int32_t, std::unique_ptr<Run>> runs;
  {
    std::lock_guard lock(mutex_);
    runs.swap(runs_);
  }
  runs.clear();  // joins each run's thread once its import has seen the cancel
}

Json WebImports::Start(int32_t lineup_id, bool elsewhere) {
  std::lock_guard lock(mutex_);
  auto it = runs_.find(lineup_id);
  if (elsewhere || (it != runs_.end() && it->second->state.running))
    throw HttpError(409, Format("An import of lineup %d is in progress", lineup_id));
  auto run = std::make_unique<Run>();
  run->state.lineup_id = lineup_id;
  run->state.started = host::NowLocal();
  State& state = run->state;
  // The ended run before it, if any, goes here: its thread has nothing more to do.
  (runs_[lineup_id] = std::move(run))->thread.Runner().Post([this, &state] { Import(state); });
  return StateJson(state);
}

// On the run's thread.
void WebImports::Import(State& run) {
  std::string error, log;
  std::vector<std::string> report;
  bool ok = false;
  try {
    host::ModuleSession session(
        CreateClassInstance<IKestroTVSystem>(registry_path_, kKestroTVProgID));
    ComPtr<ITVLineup> lineup = session.LineupById(run.lineup_id);
    if (!lineup) throw Exception(Format("No lineup with id %d", run.lineup_id));
    const std::vector<std::string> before = host::ImportLogs(library_dir_, run.lineup_id);
    ComPtr<ImportProgress> progress =
        MakeObject<ImportProgress>([this, &run](int32_t percent, const std::string& status) {
          std::lock_guard lock(mutex_);
          if (percent >= 0) run.percent = percent;
          run.status = status;
          return !stopping_.load();
        });
    CheckHResult(lineup->ImportListings(progress.Get(), &error, &ok));
    log = host::NewImportLog(before, host::ImportLogs(library_dir_, run.lineup_id));
    if (ok && !log.empty()) report = host::ImportReport(log);
  } catch (const std::exception& e) {
    ok = false;
    error = e.what();
  }
  std::lock_guard lock(mutex_);
  run.running = false;
  run.ok = ok;
  if (ok) run.percent = 100;
  run.error = error;
  run.report = std::move(report);
  run.log = log;
  run.ended = host::NowLocal();
}

Json WebImports::StateJson(const State& run) {
  return {{"lineup-id", run.lineup_id},
          {"running", run.running},
          {"percent", run.percent < 0 ? Json(nullptr) : Json(run.percent)},
          {"status", run.status},
          {"started", web::TimeJson(run.started)},
          {"ended", web::TimeJson(run.ended)},
          {"ok", run.running ? Json(nullptr) : Json(run.ok)},
          {"error", run.error},
          {"report", Lines(run.report)},
          {"log", run.log}};
}

Json WebImports::Current(ITVLineup* lineup) const {
  const int32_t id = Get(lineup, &ITVLineup::get_ID);
  {
    std::lock_guard lock(mutex_);
    if (auto it = runs_.find(id); it != runs_.end()) return StateJson(it->second->state);
  }
  const OleDate last = Get(lineup, &ITVLineup::get_LastUpdateTime);
  const std::vector<std::string> logs = host::ImportLogs(library_dir_, id);
  if (last == 0 && logs.empty()) return nullptr;
  State before;
  before.lineup_id = id;
  before.running = Get(lineup, &ITVLineup::get_IsImportInProgress);
  before.status = Get(lineup, &ITVLineup::get_LastUpdateStatus);
  before.ended = last;
  before.ok = Get(lineup, &ITVLineup::get_LastUpdateOK);
  if (!before.ok) before.error = before.status;
  if (!logs.empty()) {
    before.log = logs.back();
    if (before.ok) before.report = host::ImportReport(before.log);
  }
  return StateJson(before);
}

void AddImportCalls(const AddCall& add, WebImports& imports) {
  add("POST", R"(/lineups/([^/]+)/import)",
      [&imports](const httplib::Request& req, httplib::Response& res,
                 host::ModuleSession& session) {
        ComPtr<ITVLineup> lineup = web::PathLineup(session, req);
        Json state = imports.Start(Get(lineup.Get(), &ITVLineup::get_ID),
                                   Get(lineup.Get(), &ITVLineup::get_IsImportInProgress));
        res.status = 202;
        return state;
      });
  add("GET", R"(/lineups/([^/]+)/import)",
      [&imports](const httplib::Request& req, httplib::Response&, host::ModuleSession& session) {
        ComPtr<ITVLineup> lineup = web::PathLineup(session, req);
        Json state = imports.Current(lineup.Get());
        if (state.is_null())
          throw HttpError(
              404, Format("Lineup %d was never imported", Get(lineup.Get(), &ITVLineup::get_ID)));
        return state;
      });
}

}  // namespace kestro::daemon
