// What a rule keeps of its showings across saves: unchanged schedules keep their ids, showings
// the user deleted stay deleted, and ids are never handed out twice.
#include <gtest/gtest.h>

#include "scheduling/rule_fixture.h"
#include "scheduling/schedule_store.h"

namespace kestro::testing {
namespace {

class RuleShowingsTest : public RuleTest {
 protected:
  void SetUp() override {
    RuleTest::SetUp();
    AddShow("News", 1, At(1, 20), At(1, 21), "news-1");
    AddShow("News", 1, At(2, 20), At(2, 21), "news-2");
    rule_ = SearchRule("News");
    ASSERT_EQ(Save(*rule_, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  }

  // The rule's live schedule ids by start time.
  std::vector<std::string> LiveIds() {
    std::vector<std::string> ids;
    for (TablePtr t = db_->QueryFmt(
             "select schedule_id from schedules where deleted = 0 and rs_id = %d "
             "order by start_time",
             {SqlArg::Int(rule_->fields().id)});
         !t->Eof(); t->Next()) {
      ids.push_back(t->Text(0));
    }
    return ids;
  }

  bool DeleteSchedule(const std::string& id, const std::string& by, const std::string& reason) {
    bool ok = false;
    EXPECT_EQ(scheduler_->DeleteSchedule(StrToInt(id), by, reason, &ok), S_OK);
    return ok;
  }

  ComPtr<TTVRepeatingSchedule> rule_;
};

TEST_F(RuleShowingsTest, RecalculationKeepsUnchangedSchedulesWithTheirIdsAndStatus) {
  const std::vector<std::string> before = LiveIds();
  ASSERT_EQ(before.size(), 2u);
  db_->ExecFmt("update schedules set status = \"READY\" where schedule_id = %s",
               {SqlArg::Raw(before[0])});

  auto r = Save(*rule_, TV_RS_SAVE_MODE_RECALCULATE);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  EXPECT_TRUE(log_->HasPrefix("EQUAL : ")) << log_->All();
  EXPECT_TRUE(log_->Has("OLD SCHEDULES : KEPT 2 : DELETED 0"));
  EXPECT_EQ(LiveIds(), before);
  EXPECT_EQ(FindScheduleByID(db_, StrToInt(before[0]))->fields().status, "READY");

  // A programme that moved gets a new schedule, under an id never used before.
  db_->ExecFmt("update programs set start_time = %d where id = ( select max ( id ) from programs )",
               {SqlArg::Int(DateTimeToDbTime(At(2, 20, 5)))});
  r = Save(*rule_, TV_RS_SAVE_MODE_RECALCULATE);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  const std::vector<std::string> after = LiveIds();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_GT(StrToInt(after[1]), StrToInt(before[1]));
  EXPECT_FALSE(FindScheduleByID(db_, StrToInt(before[1])));

  // Ids stay unique even after the newest schedule is purged.
  ASSERT_TRUE(DeleteSchedule(after[1], "System", kPurgeScheduleReason));
  ComPtr<TTVSchedule> single = Single(At(3, 8), At(3, 9));
  EXPECT_GT(single->fields().id, StrToInt(after[1]));
}

TEST_F(RuleShowingsTest, AShowingTheUserDeletedStaysDeletedUntilTheRuleGoes) {
  const std::vector<std::string> before = LiveIds();
  ASSERT_TRUE(DeleteSchedule(before[0], "USER", "not this one"));

  // The programme comes back under a new id, as a later import may bring it.
  db_->Exec("update programs set id = 77 where id = ( select min ( id ) from programs )");
  auto r = Save(*rule_, TV_RS_SAVE_MODE_RECALCULATE);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  EXPECT_TRUE(log_->HasPrefix("Deleted by the user, not scheduled again : ")) << log_->All();
  EXPECT_EQ(LiveIds(), std::vector<std::string>{before[1]});
  EXPECT_EQ(Count("select count(*) from schedules where deleted = 1 and reason = \"not this one\""),
            1);

  // What the system deletes (a missed recording) is not remembered.
  ASSERT_TRUE(DeleteSchedule(before[1], "System", "Missed"));
  Save(*rule_, TV_RS_SAVE_MODE_RECALCULATE);
  EXPECT_EQ(LiveIds().size(), 1u);
  EXPECT_NE(LiveIds()[0], before[1]);

  bool ok = false;
  ASSERT_EQ(scheduler_->DeleteRepeatingSchedule(rule_->fields().id, "USER", "", &ok), S_OK);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Count("select count(*) from rule_exclusions"), 0);
}

}  // namespace
}  // namespace kestro::testing
