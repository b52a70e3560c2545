// TTVNewProgram.Save inside an import run: validation, the rows it writes, and the
// reconciliation with the programmes and recordings already in the guide.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "import/program_import_fixture.h"
#include "listings/titles.h"
#include "storage/sqlite_database.h"

namespace kestro::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class NewProgramSave : public ProgramImportTest {};

TEST_F(NewProgramSave, InvalidOrLongEndedProgrammesWriteNothing) {
  AddChannel("ch.unwanted", 0);
  struct Case {
    std::string title, channel;
    OleDate start, end;
    TV_PROGRAM_SAVE_RESULT result;
  } cases[] = {
      {"Equal", "ch.one", At(20), At(20), TV_PROGRAM_SAVE_INVALID_TIMES},
      {"No start", "ch.one", 0, At(20), TV_PROGRAM_SAVE_INVALID_TIMES},
      {"", "ch.one", At(20), At(21), TV_PROGRAM_SAVE_INCOMPLETE_PROGRAM},
      {"Nowhere", "ch.missing", At(20), At(21), TV_PROGRAM_SAVE_INVALID_CHANNEL},
      {"Unwanted", "ch.unwanted", At(20), At(21), TV_PROGRAM_SAVE_UNWANTED_CHANNEL},
  };
  for (const Case& c : cases) {
    ComPtr<TTVNewProgram> program = Program(c.title, c.start, c.end);
    program->put_ChannelExternalID(c.channel);
    EXPECT_EQ(Save(program.Get()), c.result) << c.title;
  }
  EXPECT_EQ(Saved("Breakfast", At(8), At(9)), 0);  // ended 3 hours ago: OK, nothing written
  EXPECT_EQ(Count("select count ( * ) from programs"), 0);
  EXPECT_EQ(run_->Stats().programs_failed, 4);
  EXPECT_EQ(run_->Stats().programs_skipped, 2);  // the unwanted channel's and Breakfast
  EXPECT_GT(Saved("Lunch", At(10, 30), At(11)), 0);  // ended an hour ago: still in the guide
}

// Texts are trimmed; genres are kept once whatever their case, people without a name dropped
// and people without a role are actors.
TEST_F(NewProgramSave, AddedProgrammeHasAllItsRows) {
  ComPtr<TTVNewProgram> program = Program("  The Late Show \t", At(23), At(23, 59));
  ITVNewProgram& p = *program;
  p.put_Subtitle("Guests: Ann & Bob");
  p.put_ProgramType("ep");
  p.put_LongDescription("Chat, music.");
  p.put_Language("English");
  p.put_OriginalAirDate(EncodeDateTime({2005, 1, 31, 0, 0, 0, 0}));
  p.put_IsCC(TV_3_WAY_YES);
  p.put_IsMadeForTV(TV_3_WAY_NO);
  p.put_SeasonNumber(4);
  for (const char* genre : {" Talk ", "talk", "\t", "Comedy"}) p.AddGenre(genre);
  p.AddPerson(" Ann Smith ", "Host");
  p.AddPerson("", "Host");
  p.AddPerson("Bob O'Neil", " ");
  p.AddPerson("Bob O'Neil", "");  // the same link twice: the first one stands
  EXPECT_EQ(Save(&p), TV_PROGRAM_SAVE_OK);
  const int32_t id = program->fields().id;
  ASSERT_GT(id, 0);
  EXPECT_EQ(run_->Stats().programs_added, 1);
  EXPECT_TRUE(Messages().empty());

  EXPECT_EQ(Rows(*db_, "select p.channel_id , p.sort_title , p.search_title , p.program_type , "
                      "d.long_desc , d.original_air_date , d.is_cc , d.is_made_for_tv , d.is_hdtv "
                      ", d.season_num from programs p , program_details d where d.id = p.id"),
            std::to_string(channel_id_) +
                "|Late Show, The|late show|EP|Chat, music.|20050131|1|0|-1|4");
  EXPECT_EQ(Text("select external_id from programs"),
            ComputeEqualityKey({"The Late Show", "Guests: Ann & Bob", "", "", "Chat, music.",
                                &program->fields().genres}));
  EXPECT_EQ(Text("select group_concat ( genre , '|' ) from ( select g.genre from program_genres "
                 "pg , genres g where pg.genre_id = g.genre_id order by pg.relevance )"),
            "Talk|Comedy");
  EXPECT_EQ(Text("select group_concat ( who , '|' ) from ( select p.name || '/' || r.role || '/' "
                 "|| p.search_name as who from program_people pp , people p , roles r where "
                 "pp.person_id = p.person_id and pp.role_id = r.role_id order by pp.relevance )"),
            "Ann Smith/Host/ann smith|Bob O'Neil/Actor/bob oneil");
  EXPECT_EQ(Text("select words from program_words"),
            " late show guests ann bob chat music english ann smith bob o neil bob o neil talk "
            "comedy ");

  // An unknown programme type is dropped; a movie adds the word "movie". Without an external
  // id the channel is found by its id, and the external id wins over the id.
  const int32_t other = AddChannel("ch.two", 1);
  ComPtr<TTVNewProgram> movie = Program("Heat", At(20), At(22));
  movie->put_ProgramType("mv");
  movie->put_ChannelExternalID("");
  movie->put_ChannelID(other);
  EXPECT_EQ(Save(movie.Get()), TV_PROGRAM_SAVE_OK);
  EXPECT_EQ(movie->fields().channel_external_id, "ch.two");
  EXPECT_EQ(Text("select words from program_words where program_id = " +
                 std::to_string(movie->fields().id)),
            " heat movie ");
  ComPtr<TTVNewProgram> odd = Program("Odd", At(14), At(15));
  odd->put_ProgramType("xx");
  odd->put_EqualityKey("given-key");
  odd->put_ChannelID(other);
  EXPECT_EQ(Save(odd.Get()), TV_PROGRAM_SAVE_OK);
  EXPECT_EQ(odd->fields().channel_id, channel_id_);
  EXPECT_EQ(Text("select program_type || '/' || external_id from programs where title = 'Odd'"),
            "/given-key");
}

TEST_F(NewProgramSave, SameProgrammeTwiceIsSkippedAndAChangedOneUpdatedInPlace) {
  const int32_t first = Saved("News", At(18), At(19));
  ASSERT_GT(first, 0);
  EXPECT_EQ(Saved("News", At(18), At(19)), first);  // equal key and times: nothing written
  EXPECT_EQ(run_->Stats().programs_skipped, 1);

  ComPtr<TTVNewProgram> changed = Program("NEWS", At(18), At(19));  // same title, new details
  changed->put_LongDescription("Headlines.");
  changed->AddGenre("Current affairs");
  EXPECT_EQ(Save(changed.Get()), TV_PROGRAM_SAVE_OK);
  EXPECT_EQ(changed->fields().id, first);
  EXPECT_EQ(run_->Stats().programs_updated, 1);
  EXPECT_EQ(Rows(*db_, "select p.title , d.long_desc , w.words , ( select count ( * ) from "
                      "program_genres ) from programs p , program_details d , program_words w"),
            "NEWS|Headlines.| news headlines current affairs |1");
}

TEST_F(NewProgramSave, ProgrammesOfOtherTitlesInItsTimeAreReplaced) {
  StoreProgram("Film", At(19, 30), At(20, 30), "k-film");
  StoreProgram("Sport", At(20, 30), At(22), "k-sport");
  StoreProgram("Quiz", At(19), At(19, 30), "k-quiz");  // ends at the start

  EXPECT_GT(Saved("Concert", At(20), At(21)), 0);
  EXPECT_EQ(Rows(*db_, "select title from programs order by start_time"), "Quiz\nConcert");
  EXPECT_EQ(run_->Stats().programs_deleted, 2);
  EXPECT_EQ(run_->Stats().programs_added, 1);

  // One stored programme replaced by two of other titles. It lasts longer than any programme
  // stored before the run, and the first part, well inside it, still finds it.
  Saved("Marathon", At(13), At(19));
  EXPECT_GT(Saved("Part one", At(14), At(15)), 0);
  EXPECT_GT(Saved("Part two", At(18), At(19)), 0);
  EXPECT_EQ(Rows(*db_, "select title from programs order by start_time"),
            "Part one\nPart two\nQuiz\nConcert");
}

TEST_F(NewProgramSave, SameProgrammeAtNewTimesReplacesTheOldRow) {
  StoreProgram("News", At(18), At(19), "k-news");
  EXPECT_GT(Saved("News", At(18, 5), At(19, 5)), 0);
  EXPECT_EQ(Rows(*db_, "select start_time from programs"),
            std::to_string(DateTimeToDbTime(At(18, 5))));
  EXPECT_EQ(run_->Stats().programs_deleted, 1);
  EXPECT_EQ(run_->Stats().programs_added, 1);

  // Two stored episodes of the same programme both overlap: both go.
  StoreProgram("Serial", At(14), At(15), "k-1");
  StoreProgram("Serial", At(15), At(16), "k-2");
  EXPECT_GT(Saved("Serial", At(14, 30), At(15, 30)), 0);
  EXPECT_EQ(Count("select count ( * ) from programs where title = 'Serial'"), 1);
}

TEST_F(NewProgramSave, RecordedProgrammeAtNewTimesTakesItsRecordingAlong) {
  const int32_t id = StoreProgram("Match", At(20), At(22), "k-match");
  Record(id);

  ComPtr<TTVNewProgram> moved = Program("Match", At(20, 30), At(22, 30));
  moved->put_EqualityKey("k-match");
  EXPECT_EQ(Save(moved.Get()), TV_PROGRAM_SAVE_OK);
  EXPECT_EQ(moved->fields().id, id);
  EXPECT_EQ(run_->Stats().programs_updated, 1);
  // The old schedule was replaced by one around the new times, linked both ways.
  EXPECT_EQ(Rows(*db_, "select s.start_time - p.start_time , s.schedule_id = p.schedule_id , "
                      "s.program_id = p.id , s.deleted from schedules s , programs p"),
            "0|1|1|0");
  EXPECT_EQ(Count("select start_time from programs"), DateTimeToDbTime(At(20, 30)));
  EXPECT_EQ(run_->RelocationList().Count(), 0);
}

TEST_F(NewProgramSave, RecordingThatCannotMoveIsDeletedAndWaitsForRelocation) {
  const int32_t id = StoreProgram("Match", At(20), At(22), "k-match");
  const int32_t schedule = Record(id);
  // Both tuners are taken at the new time by recordings that may not be deleted.
  RecordWindow(At(22), At(23));
  RecordWindow(At(22), At(23));

  EXPECT_GT(Saved("Match", At(21), At(23)), 0);
  // The old row went; the new programme stands alone.
  EXPECT_EQ(Rows(*db_, "select start_time from programs"),
            std::to_string(DateTimeToDbTime(At(21))));
  EXPECT_EQ(Text("select deleted_by || '/' || reason from schedules where schedule_id = " +
                 std::to_string(schedule)),
            "System/Overlaps with program from listings update");
  ASSERT_EQ(run_->RelocationList().Count(), 1);
  EXPECT_EQ(run_->RelocationList().IDAt(0), id);
}

TEST_F(NewProgramSave, FailingSavesAndReplacedRecordingsWhoseScheduleIsGoneOrRefusesDeletion) {
  const int32_t orphan = StoreProgram("Old", At(14), At(15), "k-old");
  db_->ExecFmt("update programs set schedule_id = 99 where id = %d", {SqlArg::Int(orphan)});
  EXPECT_GT(Saved("New", At(14), At(15)), 0);
  EXPECT_THAT(Messages(), Contains(HasSubstr("and its schedule was not found")));
  EXPECT_EQ(run_->RelocationList().Count(), 0);

  const int32_t id = StoreProgram("Film", At(20), At(22), "k-film");
  Record(id);
  const int32_t talk = StoreProgram("Talk", At(21, 30), At(22, 30), "k-talk");
  db_->Exec(
      "create trigger refuse_update before update on schedules begin select raise ( abort "
      ", 'refused' ) ; end ;");
  lines_.clear();
  const int32_t deleted = run_->Stats().programs_deleted;
  EXPECT_EQ(Saved("News", At(21), At(22)), 0);
  EXPECT_EQ(run_->Stats().programs_failed, 1);
  EXPECT_EQ(Count("select count ( * ) from programs where id = " + std::to_string(id)), 1);
  EXPECT_GT(ScheduleOf(id), 0);
  // The failed save is undone whole: the overlapping programme it had removed is back.
  EXPECT_EQ(Count("select count ( * ) from programs where id = " + std::to_string(talk)), 1);
  EXPECT_EQ(run_->Stats().programs_deleted, deleted);
  EXPECT_THAT(Messages(), Contains(EndsWith("] is not saved; its changes are undone")));

  // A database failure answers "failed" and is logged.
  lines_.clear();
  db_->Exec(
      "create trigger refuse_details before insert on program_details begin select raise ( "
      "abort , 'disk on fire' ) ; end ;");
  ComPtr<TTVNewProgram> program = Program("Late", At(23), At(23, 30));
  EXPECT_EQ(Save(program.Get()), TV_PROGRAM_SAVE_FAILED);
  EXPECT_EQ(run_->Stats().programs_failed, 2);
  EXPECT_THAT(Messages(), ElementsAre(AllOf(StartsWith("EXCEPTION (EDatabaseError) : Saving "
                                                       "program [("),
                                            HasSubstr("disk on fire"))));
}

}  // namespace
}  // namespace kestro::testing
