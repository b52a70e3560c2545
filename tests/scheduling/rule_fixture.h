// A guide with a scheduler over a configured number of tuners, the host's media library
// registered, a log that collects a save's lines, and helpers to make and save rules.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/module_folders.h"
#include "host/media_library/ml_library.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"
#include "scheduling/repeating_schedule.h"
#include "scheduling/rule_library.h"
#include "scheduling/rule_result.h"
#include "scheduling/tv_scheduler.h"
#include "recording/recording_test_support.h"
#include "search/guide_fixture.h"

namespace kestro::testing {

// Collects the lines of a save.
class LineLog : public DispatchObject<IKestroLog> {
 public:
  LineLog() : DispatchObject<IKestroLog>(HostTypeLibrary()) {}
  HRESULT WriteLine(const std::string& line) override {
    lines.push_back(line);
    return S_OK;
  }
  bool Has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool HasPrefix(const std::string& prefix) const {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }
  std::string All() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
  }
  std::vector<std::string> lines;
};

class RuleTest : public GuideTest {
 protected:
  void SetUp() override {
    GuideTest::SetUp();
    UseTuners(1);
    AddChannel(1, 101);
    AddChannel(2, 102);
  }

  // Rewrites the registry, with the media library registered.
  void UseTuners(int count) {
    UseModuleFolders(dir_, count);
    RegisterClasses(host::HostClasses(), dir_ / "registry.reg", KESTRO_HOST_MODULE_FILE);
    ComPtr<ITVScheduler> scheduler;
    ASSERT_EQ(listings_->GetScheduler(scheduler.ReleaseAndGetAddressOf()), S_OK);
    scheduler_ = ComPtr<TTVScheduler>(static_cast<TTVScheduler*>(scheduler.Get()));
  }

  // A search rule for the programmes titled `title`.
  ComPtr<TTVRepeatingSchedule> SearchRule(const std::string& title) {
    ComPtr<TTVRepeatingSchedule> rule = MakeObject<TTVRepeatingSchedule>(db_, listings_);
    rule->fields().title = title;
    rule->fields().search_criteria = "title " + title;
    rule->fields().created_by = "alice";
    return rule;
  }

  ComPtr<TTVRepeatingScheduleResult> Save(TTVRepeatingSchedule& rule, TV_RS_SAVE_MODE mode) {
    log_ = MakeObject<LineLog>();
    ComPtr<ITVRepeatingScheduleResult> result;
    EXPECT_EQ(rule.Save(mode, log_.Get(), result.ReleaseAndGetAddressOf()), S_OK);
    return ComPtr<TTVRepeatingScheduleResult>(
        static_cast<TTVRepeatingScheduleResult*>(result.Get()));
  }

  int32_t AddShow(const std::string& title, int32_t channel, OleDate start, OleDate end,
                  const std::string& ek) {
    return AddProgram({.channel_id = channel, .title = title, .start = start, .end = end,
                       .equality_key = ek});
  }

  // A single schedule (no rule) stored for the window.
  ComPtr<TTVSchedule> Single(OleDate start, OleDate end, int32_t program_id = 0) {
    ComPtr<TTVSchedule> s = scheduler_->NewSchedule();
    s->fields().start_time = start;
    s->fields().end_time = end;
    s->fields().title = "Single";
    s->fields().program_id = program_id;
    EXPECT_TRUE(scheduler_->Add(*s)->Ok());
    return s;
  }

  int32_t Count(const std::string& sql) { return db_->QueryInt(sql); }
  int32_t LiveSchedulesOf(int32_t rs_id) {
    return db_->QueryIntFmt("select count(*) from schedules where deleted = 0 and rs_id = %d",
                            {SqlArg::Int(rs_id)});
  }
  int32_t Priority(int32_t rs_id) {
    return db_->QueryIntFmt("select priority from repeating_schedules where rs_id = %d",
                            {SqlArg::Int(rs_id)});
  }

  // A recording in the media library's recordings section.
  void AddRecording(const std::string& ek, int32_t rs_id = 0, int32_t keep_until = 0) {
    AddLibraryRecording(
        *host::OpenMediaLibrary(dir_ / "data/media-library.db")->Section(kRecordingsSection, true),
        ek, dir_ / ("rec/" + ek + ".ts"), 0,
        {{"equality-key", Variant(ek)}, {"rs_id", rs_id}, {"keep_until", keep_until}});
  }

  ComPtr<TTVScheduler> scheduler_;
  ComPtr<LineLog> log_;
};

// The conflict types of a result's entries, in order.
inline std::vector<TV_CONFLICT_TYPE> Types(const TTVRepeatingScheduleResult& r) {
  std::vector<TV_CONFLICT_TYPE> types;
  for (int32_t i = 0; i < r.Count(); ++i) types.push_back(r.TypeAt(i));
  return types;
}

}  // namespace kestro::testing
