#include <gtest/gtest.h>

#include "scheduling/rule_fixture.h"
#include "scheduling/schedule_store.h"

namespace kestro::testing {
namespace {

Variant IDArray(const std::vector<int32_t>& ids) {
  std::vector<Variant> items;
  for (int32_t id : ids) items.emplace_back(id);
  return Variant(SafeArray::Vector(std::move(items)));
}

// Three rules whose showings all air at 20:00 on one tuner.
class PrioritizeTest : public RuleTest {
 protected:
  void SetUp() override {
    RuleTest::SetUp();
    for (const char* title : {"A", "B", "C"}) {
      AddShow(title, 1, At(1, 20), At(1, 21), std::string(title) + "1");
      auto rule = SearchRule(title);
      Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
      ids_.push_back(rule->fields().id);
    }
  }

  bool Prioritize(const Variant& ids, std::string* error, ComPtr<ITVRSPrioritizeResult>* results) {
    bool ok = false;
    EXPECT_EQ(scheduler_->PrioritizeRepeatingSchedules(ids, error,
                                                       results->ReleaseAndGetAddressOf(), &ok),
              S_OK);
    return ok;
  }

  std::vector<int32_t> ids_;
};

TEST_F(PrioritizeTest, RenumbersAndGivesTheTunerToTheTopRule) {
  ASSERT_EQ(LiveSchedulesOf(ids_[0]), 1);  // the first rule saved holds the tuner
  std::string error;
  ComPtr<ITVRSPrioritizeResult> results;
  ASSERT_TRUE(Prioritize(IDArray({ids_[2], ids_[0], ids_[1]}), &error, &results)) << error;
  EXPECT_EQ(Priority(ids_[2]), 100000);
  EXPECT_EQ(Priority(ids_[0]), 99900);
  EXPECT_EQ(Priority(ids_[1]), 99800);
  int32_t count = 0;
  results->get_Count(&count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(LiveSchedulesOf(ids_[2]), 1);
  EXPECT_EQ(LiveSchedulesOf(ids_[0]), 0);

  // The rules come back highest first.
  ComPtr<ITVRepeatingScheduleList> rules;
  ASSERT_EQ(scheduler_->GetRepeatingSchedules(rules.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<ITVRepeatingSchedule> top;
  ASSERT_EQ(rules->get_Items(0, top.ReleaseAndGetAddressOf()), S_OK);
  int32_t top_id = 0;
  top->get_ID(&top_id);
  EXPECT_EQ(top_id, ids_[2]);
}

TEST_F(PrioritizeTest, BadArgumentsOrAFailedSaveChangeNothing) {
  auto fails_with = [&](const Variant& ids) {
    std::string error;
    ComPtr<ITVRSPrioritizeResult> results;
    EXPECT_FALSE(Prioritize(ids, &error, &results));
    return error;
  };
  EXPECT_EQ(fails_with(Variant(5)), "Repeating schedule IDs is not an array");
  EXPECT_EQ(fails_with(IDArray({ids_[0], ids_[1]})),
            "Array of repeating schedule IDs has 2 elements and there are 3 existing repeating "
            "schedules");
  EXPECT_EQ(fails_with(IDArray({ids_[1], ids_[0], ids_[1]})),
            "Repeating schedule IDs has duplicate ID " + std::to_string(ids_[1]));

  // A rule that cannot save rolls everything back.
  const int32_t held = db_->QueryInt("select schedule_id from schedules where deleted = 0");
  db_->Exec("create trigger refuse before insert on schedules begin select raise ( abort , "
            "\"disk full\" ) ; end");
  const std::string error = fails_with(IDArray({ids_[1], ids_[0], ids_[2]}));
  EXPECT_EQ(error.rfind("There was a problem saving repeating schedule " +
                            std::to_string(ids_[1]) + " : ", 0), 0u) << error;
  EXPECT_EQ(Priority(ids_[0]), 100000);
  EXPECT_EQ(Priority(ids_[1]), 99900);
  EXPECT_EQ(db_->QueryInt("select schedule_id from schedules where deleted = 0"), held);
}

TEST_F(RuleTest, DeletingARuleKeepsItsRecordingAndTheRecordedLogSkipsBlankKeys) {
  AddShow("News", 1, At(0, 11, 30), At(0, 12, 30), "now");
  AddShow("News", 1, At(1, 11, 30), At(1, 12, 30), "later");
  auto rule = SearchRule("News");
  env_->SetLocal(At(0, 11));
  ASSERT_EQ(Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  env_->SetLocal(TestNow());

  bool ok = false;
  ASSERT_EQ(scheduler_->DeleteRepeatingSchedule(rule->fields().id, "alice", "not wanted", &ok),
            S_OK);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 0);
  EXPECT_EQ(Count("select count(*) from schedules where deleted = 0 and rs_id = 0"), 1);
  EXPECT_EQ(Count("select count(*) from schedules where deleted <> 0 and reason = \"not wanted\""),
            1);

  ASSERT_EQ(scheduler_->DeleteRepeatingSchedule(rule->fields().id, "alice", "again", &ok), S_OK);
  EXPECT_FALSE(ok);

  // The recorded log skips blank keys.
  AddShow("Blank", 1, At(0, 20), At(0, 21), "   ");
  ComPtr<ITVProgramList> found;
  std::string error;
  ASSERT_EQ(listings_->CustomSearch("title Blank", &error, found.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<ITVProgram> blank;
  ASSERT_EQ(found->get_Items(0, blank.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(scheduler_->LogRecordedProgram(blank.Get()), S_OK);
  EXPECT_EQ(scheduler_->LogRecordedProgram(nullptr), S_OK);
  EXPECT_EQ(Count("select count(*) from recorded_programs"), 0);
}

}  // namespace
}  // namespace kestro::testing
