#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "scheduling/rule_fixture.h"
#include "platform/system/registry_file.h"
#include "scheduling/rule_operations.h"
#include "scheduling/schedule_store.h"

namespace kestro::testing {
namespace {

using ::testing::HasSubstr;

// The first of a rule's stored schedules, after checking how many there are.
ScheduleFields FirstStored(const DBPtr& db, const RuleFields& rule, int32_t count) {
  ComPtr<TTVScheduleList> stored = LoadRuleSchedules(db, rule);
  EXPECT_EQ(stored->Count(), count);
  if (stored->Count() == 0) return {};
  return static_cast<TTVSchedule*>(stored->Item(0).Get())->fields();
}

// A time rule recording channel `channel` every day from `start` to `end`.
ComPtr<TTVRepeatingSchedule> EveryDay(ComPtr<TTVRepeatingSchedule> rule, int32_t channel,
                                      OleDate start, OleDate end) {
  rule->fields().rs_type = TV_RS_TYPE_TIME;
  rule->fields().channel_id = channel;
  rule->fields().frequency = "every-day";
  rule->fields().start_time = start;
  rule->fields().end_time = end;
  return rule;
}

TEST(RuleFields, TimesKeepTheTimeOfDayAndFrequencyIsOneToken) {
  ComPtr<TTVRepeatingSchedule> rule = MakeObject<TTVRepeatingSchedule>(nullptr, nullptr);
  ComPtr<ITVScheduleList> none;
  ASSERT_EQ(rule->GetSchedules(none.ReleaseAndGetAddressOf()), S_OK);  // no database needed
  rule->put_StartTime(EncodeDateTime({2030, 3, 2, 21, 30, 0, 0}));
  OleDate start = 0;
  rule->get_StartTime(&start);
  EXPECT_DOUBLE_EQ(start, EncodeTime(21, 30, 0, 0));

  for (auto [frequency, day, matches] : std::vector<std::tuple<const char*, int, bool>>{
           {"Week-End", 7, true}, {"Week-End", 5, false}, {"mon,tue", 1, false}}) {
    EXPECT_EQ(FrequencyMatchesDay(frequency, day), matches) << frequency << " " << day;
  }
}

TEST_F(RuleTest, RefusesBadRulesAndModesWithoutStoringAnything) {
  ComPtr<TTVRepeatingSchedule> rule = SearchRule("News");
  rule->fields().search_criteria.clear();
  auto r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_INVALID_PARAMETERS);
  EXPECT_EQ(r->Description(), "Invalid properties for repeating schedule : Missing search criteria");

  r = Save(*SearchRule("News"), TV_RS_SAVE_MODE_RECALCULATE);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_INVALID_PARAMETERS);
  EXPECT_EQ(r->Description(),
            "Save mode is not valid. Mode RECALCULATE can only be used for existing repeating "
            "schedules.");

  rule = SearchRule("Nonsense");
  rule->fields().search_criteria = "whatever ~~ 12";
  r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_LOAD_FAILED);
  EXPECT_EQ(r->Description(), "There was an error executing the search for this repeating "
                              "schedule : line 1: unknown field \"whatever\"");
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 0);
}

TEST_F(RuleTest, TimeRuleWindowsPastMidnightEndTheNextDay) {
  UseTuners(2);
  auto rule = EveryDay(SearchRule("Late"), 1, EncodeTime(23, 0, 0, 0), EncodeTime(1, 0, 0, 0));
  auto r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << r->Description();
  const ScheduleFields first = FirstStored(db_, rule->fields(), 15);
  EXPECT_DOUBLE_EQ(first.start_time, At(0, 23));
  EXPECT_DOUBLE_EQ(first.end_time, At(1, 1));

  // A window that is already over today is not made: 14 from tomorrow on.
  auto morning = EveryDay(SearchRule("Morning"), 2, EncodeTime(8, 0, 0, 0), EncodeTime(9, 0, 0, 0));
  ASSERT_EQ(Save(*morning, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  EXPECT_EQ(LiveSchedulesOf(morning->fields().id), 14);
}

TEST_F(RuleTest, NewRulesGetPrioritiesBelowOrAboveTheOthers) {
  AddShow("A", 1, At(0, 14), At(0, 15), "a1");
  AddShow("B", 1, At(0, 16), At(0, 17), "b1");
  AddShow("C", 1, At(0, 18), At(0, 19), "c1");
  auto a = SearchRule("A"), b = SearchRule("B"), c = SearchRule("C");
  ASSERT_EQ(Save(*a, TV_RS_SAVE_MODE_LOW_PRIORITY_TRY)->Code(), TV_ADD_SCHEDULE_OK);
  ASSERT_EQ(Save(*b, TV_RS_SAVE_MODE_LOW_PRIORITY_TRY)->Code(), TV_ADD_SCHEDULE_OK);
  ASSERT_EQ(Save(*c, TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  EXPECT_EQ(Priority(a->fields().id), 100000);
  EXPECT_EQ(Priority(b->fields().id), 99900);
  EXPECT_EQ(Priority(c->fields().id), 100100);
  EXPECT_EQ(LiveSchedulesOf(c->fields().id), 1);
}

// One tuner; a single schedule stands where the rule's only showing airs. A try stores nothing,
// a save skips the showing, and a high-priority save deletes the single with the rule's reason.
TEST_F(RuleTest, ASingleInTheWayByMode) {
  AddShow("News", 1, At(0, 20), At(0, 21), "news1");
  ComPtr<TTVSchedule> single = Single(At(0, 20, 30), At(0, 21, 30));
  auto single_deleted = [&] { return FindScheduleByID(db_, single->fields().id)->fields().deleted; };

  auto r = Save(*SearchRule("News"), TV_RS_SAVE_MODE_LOW_PRIORITY_TRY);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CONFLICT);
  EXPECT_EQ(Types(*r), std::vector<TV_CONFLICT_TYPE>{TV_CONFLICT_HARD});
  EXPECT_EQ(r->ConflictsAt(0).Count(), 1);
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 0);
  EXPECT_EQ(Count("select count(*) from schedules"), 1);

  auto rule = SearchRule("News");
  EXPECT_EQ(Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_CONFLICT);
  EXPECT_TRUE(log_->Has("  SKIPPED"));
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 1);
  EXPECT_EQ(LiveSchedulesOf(rule->fields().id), 0);
  EXPECT_FALSE(single_deleted());

  rule = SearchRule("News");
  r = Save(*rule, TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_CONFLICT);  // it reports what it overrode
  ComPtr<TTVSchedule> gone = FindScheduleByID(db_, single->fields().id);
  EXPECT_TRUE(gone->fields().deleted);
  EXPECT_EQ(gone->fields().deleted_by, "alice");
  EXPECT_EQ(gone->fields().reason, "Conflict with repeating recording \"News\"");
  EXPECT_EQ(LiveSchedulesOf(rule->fields().id), 1);
}

TEST_F(RuleTest, ASingleOfTheSameProgrammeIsASelfConflict) {
  const int32_t news = AddShow("News", 1, At(0, 20), At(0, 21), "news1");
  Single(At(0, 20), At(0, 21), news);
  auto r = Save(*SearchRule("News"), TV_RS_SAVE_MODE_LOW_PRIORITY_TRY);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  EXPECT_EQ(r->Count(), 0);
  EXPECT_TRUE(log_->Has("CONFLICT TYPE = SELF"));
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 1);
}

TEST_F(RuleTest, SameRuleWithOnlySoftConflictsSavesButAddsNothingThatCollides) {
  AddShow("Low", 1, At(0, 20), At(0, 21), "low1");
  AddShow("High", 2, At(0, 20), At(0, 21), "high1");
  AddShow("High", 2, At(1, 10), At(1, 11), "high2");
  auto low = SearchRule("Low"), high = SearchRule("High");
  ASSERT_EQ(Save(*low, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  ASSERT_EQ(Save(*high, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_CONFLICT);
  db_->ExecFmt("update repeating_schedules set priority = 200000 where rs_id = %d",
               {SqlArg::Int(high->fields().id)});
  high = FindRule(db_, listings_, high->fields().id);

  auto r = Save(*high, TV_RS_SAVE_MODE_SAME_PRIORITY_TRY);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  EXPECT_EQ(Types(*r), (std::vector<TV_CONFLICT_TYPE>{TV_CONFLICT_SOFT, TV_CONFLICT_NONE}));
  EXPECT_EQ(LiveSchedulesOf(high->fields().id), 1);  // only the showing that collides with nothing
  EXPECT_EQ(LiveSchedulesOf(low->fields().id), 1);

  // Recalculation lets the lower rule give way.
  r = Save(*high, TV_RS_SAVE_MODE_RECALCULATE);
  EXPECT_EQ(LiveSchedulesOf(high->fields().id), 2);
  EXPECT_EQ(LiveSchedulesOf(low->fields().id), 0);
  EXPECT_EQ(Count("select count(*) from schedules where deleted <> 0 and deleted_by = \"System\""),
            1);
}

TEST_F(RuleTest, ARecordingInProgressSurvivesAReSaveAndItsShowingIsSelf) {
  AddShow("News", 1, At(0, 11, 30), At(0, 12, 30), "news-now");
  AddShow("News", 1, At(1, 11, 30), At(1, 12, 30), "news-tomorrow");
  auto rule = SearchRule("News");
  // Saved before the programme started, so that it has a schedule that is recording now.
  env_->SetLocal(At(0, 11));
  ASSERT_EQ(Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  env_->SetLocal(TestNow());
  const int32_t recording = db_->QueryInt("select min( schedule_id ) from schedules");

  auto r = Save(*rule, TV_RS_SAVE_MODE_RECALCULATE);
  EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  EXPECT_TRUE(log_->Has("SET ASIDE 1 OLD SCHEDULES"));  // not the one recording now
  EXPECT_TRUE(log_->Has("OLD SCHEDULES : KEPT 1 : DELETED 0"));
  EXPECT_FALSE(FindScheduleByID(db_, recording)->fields().deleted);
  EXPECT_EQ(LiveSchedulesOf(rule->fields().id), 2);
}

TEST_F(RuleTest, OfTwoCollidingShowingsTheRarerProgrammeIsKept) {
  UseTuners(2);
  AddShow("News", 1, At(0, 20), At(0, 21), "often");
  AddShow("News", 2, At(0, 20, 30), At(0, 21, 30), "once");
  AddShow("News", 1, At(2, 20), At(2, 21), "often");
  auto rule = SearchRule("News");
  auto r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  ASSERT_EQ(r->Code(), TV_ADD_SCHEDULE_OK) << log_->All();
  EXPECT_TRUE(log_->HasPrefix("  WILL NOT RECORD \"News\" : (-1) :"));
  EXPECT_EQ(FirstStored(db_, rule->fields(), 2).channel_id, 2);
}

// Three showings of one episode and one of another; library and log know some keys.
class DuplicatesTest : public RuleTest {
 protected:
  void SetUp() override {
    RuleTest::SetUp();
    UseTuners(2);
    AddShow("Drama", 1, At(0, 20), At(0, 21), "ep1");
    AddShow("Drama", 1, At(2, 20), At(2, 21), "ep1");
    AddShow("Drama", 2, At(3, 20), At(3, 21), "ep2");
  }
};

TEST_F(DuplicatesTest, AllShowingsWithoutReductionOneWithIt) {
  auto every = SearchRule("Drama");
  ASSERT_EQ(Save(*every, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  EXPECT_FALSE(log_->Has("EQUALITY KEY REDUCTION"));
  EXPECT_EQ(LiveSchedulesOf(every->fields().id), 3);

  // A second rule finds every showing recorded already: one showing never takes two tuners.
  ComPtr<TTVRepeatingSchedule> again = SearchRule("Drama");
  ASSERT_EQ(Save(*again, TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  EXPECT_EQ(LiveSchedulesOf(again->fields().id), 0);

  ASSERT_TRUE(DeleteRule(db_, listings_, every->fields().id, "", kPurgeScheduleReason));
  ASSERT_TRUE(DeleteRule(db_, listings_, again->fields().id, "", kPurgeScheduleReason));
  ComPtr<TTVRepeatingSchedule> once = SearchRule("Drama");
  once->fields().duplicates = TV_DUPLICATES_NOT_IF_IN_LIBRARY;
  once->fields().channel_id = 1;
  auto r = Save(*once, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  EXPECT_TRUE(log_->Has("EQUALITY KEY REDUCTION FINISHED : 1 schedules removed")) << log_->All();
  EXPECT_EQ(LiveSchedulesOf(once->fields().id), 1);
}

TEST_F(DuplicatesTest, KeysInTheLibraryOrTheRecordedLogRemoveWholeGroups) {
  AddRecording("EP1");  // keys compare ignoring case
  auto library_only = SearchRule("Drama");
  library_only->fields().duplicates = TV_DUPLICATES_NOT_IF_IN_LIBRARY;
  ASSERT_EQ(Save(*library_only, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  EXPECT_TRUE(log_->Has("  GROUP 0 : EK found in previously recorded list, removing all schedules"))
      << log_->All();
  EXPECT_EQ(LiveSchedulesOf(library_only->fields().id), 1);  // ep2 only

  ComPtr<ITVProgram> ep2;
  ComPtr<ITVProgramList> found;
  std::string error;
  ASSERT_EQ(listings_->CustomSearch("title Drama", &error, found.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(found->get_Items(2, ep2.ReleaseAndGetAddressOf()), S_OK);
  bool recorded = false;
  scheduler_->LogRecordedProgram(ep2.Get());
  scheduler_->LogRecordedProgram(ep2.Get());
  scheduler_->HasBeenRecorded(ep2.Get(), &recorded);
  EXPECT_TRUE(recorded);
  EXPECT_EQ(Count("select count(*) from recorded_programs"), 1);

  // The log counts only for "none"; the library still counts too.
  auto none = SearchRule("Drama");
  none->fields().duplicates = TV_DUPLICATES_NONE;
  EXPECT_EQ(Save(*none, TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE)->Count(), 0) << log_->All();
}

TEST_F(DuplicatesTest, FirstRunOnlyKeepsGroupsWithAFirstRun) {
  // ep1 first aired on the day of its first showing; ep2 is a repeat of an old episode.
  db_->Exec("insert into program_details ( id , original_air_date ) select id , \"20050309\" "
            "from programs where external_id = \"ep1\"");
  db_->Exec("insert into program_details ( id , original_air_date ) select id , \"19990101\" "
            "from programs where external_id = \"ep2\"");
  auto rule = SearchRule("Drama");
  rule->fields().repeats = TV_REPEATS_FIRST_RUN_ONLY;
  auto r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  EXPECT_TRUE(log_->Has("  GROUP 0 : ANY FIRST RUN = True : EK = \"ep1\"")) << log_->All();
  EXPECT_TRUE(log_->Has("  GROUP 1 : This RS is for first runs only and none of the schedules "
                        "in this group are first runs."));
  EXPECT_DOUBLE_EQ(FirstStored(db_, rule->fields(), 1).start_time, At(0, 20));
}

TEST_F(DuplicatesTest, KeepAtMostCountsTheRulesKeptRecordings) {
  auto rule = SearchRule("Drama");
  ASSERT_EQ(Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(), TV_ADD_SCHEDULE_OK);
  AddRecording("old1", rule->fields().id, TV_KEEP_UNTIL_DELETED);
  AddRecording("old2", rule->fields().id, TV_KEEP_UNTIL_DELETED);
  AddRecording("old3", rule->fields().id, TV_KEEP_UNTIL_SPACE_NEEDED);  // does not count
  AddRecording("old4", rule->fields().id + 1, TV_KEEP_UNTIL_DELETED);   // another rule's
  rule->fields().keep_at_most = 3;
  auto r = Save(*rule, TV_RS_SAVE_MODE_RECALCULATE);
  EXPECT_TRUE(log_->Has("  There are 2 KUID recordings in the library")) << log_->All();
  EXPECT_TRUE(log_->Has("REMOVED 2 : LEFT 1"));
  EXPECT_DOUBLE_EQ(FirstStored(db_, rule->fields(), 1).start_time, At(0, 20));
}

TEST_F(DuplicatesTest, ALibraryThatFailsToAnswerFailsTheSaveRatherThanRecordDuplicates) {
  RegistryFile registry = RegistryFile::Load(dir_ / "registry.reg");
  registry.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(CLSID_MediaLibrary) +
                         "\\InprocServer32",
                     "", dir_ / "missing-library.so");
  registry.Save(dir_ / "registry.reg");
  auto rule = SearchRule("Drama");
  rule->fields().duplicates = TV_DUPLICATES_NOT_IF_IN_LIBRARY;
  auto r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
  EXPECT_NE(r->Code(), TV_ADD_SCHEDULE_OK);
  EXPECT_NE(r->Description().find("Failed to read the recordings of the media library"),
            std::string::npos)
      << r->Description();
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 0);
  EXPECT_EQ(Count("select count(*) from schedules"), 0);
}

TEST_F(RuleTest, PreviewStoresNothingAndLeavesTheRuleAsItWas) {
  AddShow("News", 1, At(0, 20), At(0, 21), "news1");
  auto rule = SearchRule("News");
  log_ = MakeObject<LineLog>();
  ComPtr<ITVRepeatingScheduleResult> result;
  ASSERT_EQ(rule->Preview(log_.Get(), result.ReleaseAndGetAddressOf()), S_OK);
  auto* r = static_cast<TTVRepeatingScheduleResult*>(result.Get());
  EXPECT_EQ(r->Count(), 1);
  EXPECT_EQ(rule->fields().id, 0);
  EXPECT_EQ(rule->fields().priority, 0);
  EXPECT_EQ(Count("select count(*) from repeating_schedules"), 0);
  EXPECT_EQ(Count("select count(*) from schedules"), 0);
}

// Each fault as SQL on the save's own connection: the second schedule refused by a trigger, a
// read-only database, and a full disk (no page may be added while the rule's long title needs
// overflow pages). The save fails saying why and stores nothing.
TEST_F(RuleTest, AFailedSaveSaysWhyAndUndoesAllOfIt) {
  AddShow("News", 1, At(0, 14), At(0, 15), "n1");
  AddShow("News", 1, At(1, 14), At(1, 15), "n2");
  const int32_t version = ReadScheduleVersion(*db_);
  const struct {
    std::string fault, undo, cause;
  } cases[] = {
      {Format("create trigger refuse_second before insert on schedules when new.start_time > %d "
              "begin select raise ( abort , \"disk full\" ) ; end",
              DateTimeToDbTime(At(0, 23))),
       "drop trigger refuse_second", "disk full"},
      {"pragma query_only = 1", "pragma query_only = 0", "the database is read-only"},
      {"vacuum ; pragma max_page_count = " + std::to_string(Count("pragma page_count")),
       "pragma max_page_count = 1000000", "the disk is full"},
  };
  for (const auto& c : cases) {
    db_->Exec(c.fault);
    auto rule = SearchRule("News");
    rule->fields().title = "News" + std::string(20000, ' ');
    auto r = Save(*rule, TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE);
    db_->Exec(c.undo);
    EXPECT_EQ(r->Code(), TV_ADD_SCHEDULE_SAVE_FAILED) << c.fault << "\n" << r->Description().substr(0, 300);
    EXPECT_THAT(r->Description(), HasSubstr(c.cause)) << c.fault << "\n" << r->Description().substr(0, 300);
    EXPECT_EQ(Count("select count(*) from repeating_schedules"), 0) << c.fault;
    EXPECT_EQ(Count("select count(*) from schedules"), 0) << c.fault;
    EXPECT_EQ(ReadScheduleVersion(*db_), version) << c.fault;
  }
  // Once nothing refuses it, the save raises the version once for both its schedules.
  EXPECT_EQ(Save(*SearchRule("News"), TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE)->Code(),
            TV_ADD_SCHEDULE_OK);
  EXPECT_EQ(Count("select count(*) from schedules"), 2);
  EXPECT_EQ(ReadScheduleVersion(*db_), version + 1);
}

}  // namespace
}  // namespace kestro::testing
