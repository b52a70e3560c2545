// A kestro child killed (SIGKILL) at each named moment of an import, a rule save and the creation
// of a lineup's guide: what it leaves is the old state or the new one, every recording is live or
// listed as lost, and the next run works.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "common/kestro_tool.h"
#include "platform/env/real_env.h"
#include "storage/listings_database.h"

namespace kestro {
namespace {

using testing::ToolRun;

// The XMLTV time `hours` after the current hour began.
std::string XmltvTime(int hours) {
  const time_t moment = time(nullptr) / 3600 * 3600 + hours * 3600;
  tm utc{};
  gmtime_r(&moment, &utc);
  char text[32];
  strftime(text, sizeof text, "%Y%m%d%H%M%S +0000", &utc);
  return text;
}

std::string Programme(int from_hour, int to_hour, const std::string& title) {
  return "<programme channel=\"c1.example\" start=\"" + XmltvTime(from_hour) + "\" stop=\"" +
         XmltvTime(to_hour) + "\"><title>" + title + "</title></programme>\n";
}

// Lists of programmes on one channel as a grabber's output.
std::string Guide(const std::string& programmes) {
  return "<?xml version=\"1.0\"?>\n<tv>\n<channel id=\"c1.example\"><display-name>1 "
         "KONE</display-name></channel>\n" +
         programmes + "</tv>\n";
}

bool Killed(const ToolRun& run) { return run.exit_code == -1 || run.exit_code == 128 + 9; }

class CrashPointTest : public testing::KestroToolTest,
                       public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    SetUpTool(2);
    // The grabber hands over whatever guide.xml holds at the time.
    testing::WriteFile(grabber_, "#!/bin/sh\nwhile [ $# -gt 1 ]; do\n  [ \"$1\" = --output ] && "
                                 "exec cp '" + guide_ + "' \"$2\"\n  shift\ndone\nexit 1\n");
    chmod(grabber_.c_str(), 0755);
    ASSERT_EQ(Kestro("lineup add --name Cable --plugin xmltv --set exe=" + grabber_ +
                     " --set grabber=tv_grab_test")
                  .out,
              "1\n");
  }

  // Runs kestro with the crash point `point` armed; it has to be reached.
  void RunKilledAt(const std::string& point, const std::string& args) {
    ToolRun run = Kestro(args, "KESTRO_CRASH_AT=" + point);
    ASSERT_TRUE(Killed(run)) << "kestro " << args << " did not reach " << point << ": "
                             << run.exit_code << " " << run.err;
  }
  void Import(const std::string& programmes) {
    testing::WriteFile(guide_, Guide(programmes));
    ToolRun run = Kestro("import 1 --quiet");
    ASSERT_EQ(run.exit_code, 0) << run.err;
  }
  DBPtr OpenGuide() {
    return OpenListingsDatabase(root_ + "/library/tv/listings.1.dat", MakeRealEnv());
  }
  int Count(const std::string& sql) { return OpenGuide()->QueryInt(sql); }
  // Live schedules titled `title` on a programme of the guide, and those listed as lost.
  int Live(const std::string& title) {
    return Count("select count ( * ) from schedules s , programs p where s.deleted = 0 and "
                 "p.id = s.program_id and p.schedule_id = s.schedule_id and s.title = '" +
                 title + "'");
  }
  int Lost(const std::string& title) {
    return Count("select count ( * ) from lost_schedules l , schedules s where s.schedule_id = "
                 "l.schedule_id and s.title = '" + title + "'");
  }
  std::string FirstProgram(const std::string& title) {
    return std::to_string(Count("select id from programs where title = '" + title +
                                "' order by start_time limit 1"));
  }

  std::string grabber_ = dir_ / "grab.sh";
  std::string guide_ = dir_ / "guide.xml";
};

// The guide before: Film at +2 h (recorded) and +5 h, Show at +3 h (recorded, never again).
// The update puts a Magazine over both recordings: Film moves to +5 h, Show is lost.
// One point per phase: the clean-up committed, the run's saves not yet committed, committed.
const char* const kImportPoints[] = {"import-cleaned", "import-relocated", "import-committed"};

class ImportCrash : public CrashPointTest {};

TEST_P(ImportCrash, LeavesTheOldOrTheNewGuideWithEveryRecordingAccountedFor) {
  Import(Programme(2, 3, "Film") + Programme(3, 4, "Show") + Programme(5, 6, "Film"));
  ASSERT_EQ(Kestro("record 1 " + FirstProgram("Film")).exit_code, 0);
  ASSERT_EQ(Kestro("record 1 " + FirstProgram("Show")).exit_code, 0);

  testing::WriteFile(guide_, Guide(Programme(2, 4, "Magazine") + Programme(5, 6, "Film")));
  RunKilledAt(GetParam(), "import 1 --quiet");
  const bool updated = Count("select count ( * ) from programs where title = 'Magazine'") == 1;
  EXPECT_EQ(Live("Film") + Lost("Film"), 1);
  EXPECT_EQ(Live("Show") + Lost("Show"), 1);
  if (!updated) {
    EXPECT_EQ(Live("Film") + Live("Show"), 2) << "the old guide, untouched";
  }

  ToolRun again = Kestro("import 1 --quiet");
  ASSERT_EQ(again.exit_code, 0) << again.err;
  EXPECT_EQ(Live("Film"), 1);
  EXPECT_EQ(Count("select count ( * ) from programs p , schedules s where s.schedule_id = "
                  "p.schedule_id and s.deleted = 0 and p.title = 'Film'"),
            1);
  EXPECT_EQ(Lost("Show"), 1);
  EXPECT_EQ(Live("Show"), 0);
}

INSTANTIATE_TEST_SUITE_P(EachPoint, ImportCrash, ::testing::ValuesIn(kImportPoints));

class RuleSaveCrash : public CrashPointTest {};

TEST_P(RuleSaveCrash, StoresTheRuleWithAllItsRecordingsOrNothing) {
  Import(Programme(2, 3, "Film") + Programme(5, 6, "Film"));
  RunKilledAt(GetParam(), "rule add 1 --search 'title Film'");
  const int rules = Count("select count ( * ) from repeating_schedules");
  EXPECT_EQ(Count("select count ( * ) from schedules where deleted = 0 and rs_id > 0"),
            2 * rules);

  ASSERT_EQ(Kestro("rule add 1 --search 'title Film'").exit_code, 0);
  EXPECT_EQ(Count("select count ( * ) from repeating_schedules"), rules + 1);
}

INSTANTIATE_TEST_SUITE_P(EachPoint, RuleSaveCrash,
                         ::testing::Values("rule-scheduled", "rule-saved"));

class FirstOpenCrash : public CrashPointTest {};

TEST_P(FirstOpenCrash, LeavesNothingInTheWayOfTheNextRun) {
  RunKilledAt(GetParam(), "channel list 1");
  Import(Programme(2, 3, "Film"));
  EXPECT_EQ(Count("select count ( * ) from programs"), 1);
}

INSTANTIATE_TEST_SUITE_P(EachPoint, FirstOpenCrash,
                         ::testing::Values("database-created", "database-renamed"));

}  // namespace
}  // namespace kestro
