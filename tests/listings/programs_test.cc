// Programmes, their details and people, and programme lists over one shared result table.
#include <gtest/gtest.h>

#include "kestro/interface_reads.h"
#include "listings/channel_store.h"
#include "listings/program_store.h"
#include "listings_fixture.h"
#include "scheduling/open_listings.h"
#include "support/dictionary.h"

namespace kestro {
namespace {

using ProgramTest = ListingsTest;
using Names = std::vector<std::string>;

// The keys of a dictionary handed out as an item, in its order.
Names Keys(const ComPtr<IKestroItem>& item) {
  auto* dictionary = static_cast<TDictionary*>(item.Get());
  Names keys;
  for (int32_t i = 0; i < dictionary->Count(); ++i) keys.push_back(dictionary->KeyAt(i));
  return keys;
}

TEST_F(ProgramTest, FieldsComeFromTheRow) {
  int32_t channel = AddChannel(3, "Drei");
  const std::string title = "Ünïcødé «Tatort» 東京";
  int32_t id = AddProgram(channel, At(2024, 5, 4, 20, 15, 1), At(2024, 5, 4, 21, 45), title);
  ComPtr<TTableTVProgram> program = GetProgram(db_, id);
  ASSERT_TRUE(program);
  EXPECT_FALSE(GetProgram(db_, id + 1));

  EXPECT_EQ(Get(program.Get(), &ITVProgram::get_Title), title);
  EXPECT_EQ(Get(program.Get(), &ITVProgram::get_StartTime), At(2024, 5, 4, 20, 15, 0))
      << "db time drops the odd second";
  EXPECT_EQ(Get(program.Get(), &ITVProgram::DurationMinutes), 90);

  ComPtr<ITVChannel> ch = GetObject(program.Get(), &ITVProgram::get_Channel);
  EXPECT_EQ(GetObject(program.Get(), &ITVProgram::get_Channel).Get(), ch.Get())
      << "the channel is made once and kept";
  EXPECT_EQ(ChannelIDOf(ch.Get()), channel);
}

TEST_F(ProgramTest, ItemDescribesTheProgrammeAndItsRecording) {
  int32_t plain = AddProgram(1, At(2024, 1, 1, 9), At(2024, 1, 1, 10, 30), "News");
  int32_t recorded = AddProgram(1, At(2024, 1, 1, 11), At(2024, 1, 1, 12), "Film", 7);
  db_->ExecFmt("update programs set movie_rating = %s where id = %d",
               {SqlArg::Quoted("R"), SqlArg::Int(recorded)});

  auto item_of = [&](int32_t id) {
    ComPtr<IKestroItem> item;
    EXPECT_EQ(GetProgram(db_, id)->GetAsKestroItem(item.ReleaseAndGetAddressOf()), S_OK);
    return ComPtr<TDictionary>(static_cast<TDictionary*>(item.Get()));
  };
  ComPtr<TDictionary> a = item_of(plain);
  EXPECT_EQ(a->Get("program-rating"), Variant("TV-PG"));
  EXPECT_EQ(a->Get("program-record"), Variant("N"));
  EXPECT_EQ(a->Get("program-schedule-id"), Variant(0)) << "a null schedule id reads 0";

  ComPtr<TDictionary> b = item_of(recorded);
  EXPECT_EQ(b->Get("program-rating"), Variant("R")) << "a movie rating wins over the TV rating";
  EXPECT_EQ(b->Get("program-record"), Variant("Y"));

  for (int32_t schedule_id : {-1, 0}) {
    ComPtr<TTableTVProgram> program =
        GetProgram(db_, AddProgram(1, At(2024, 1, 1, 9), At(2024, 1, 1, 10), "a", schedule_id));
    EXPECT_FALSE(Get(program.Get(), &ITVProgram::IsToBeRecorded));
    EXPECT_FALSE(GetObject(program.Get(), &ITVProgram::GetSchedule));
  }
}

TEST_F(ProgramTest, ScheduleOfARecordedProgrammeIsReadOnceAndKept) {
  int32_t id = AddProgram(1, At(2024, 1, 1, 9), At(2024, 1, 1, 10), "rec", 42);
  db_->ExecFmt(
      "insert into schedules ( schedule_id , deleted , tuner_id , program_id , channel_id , "
      "rs_id , start_time , end_time , hard_padding_before , hard_padding_after , "
      "soft_padding_before , soft_padding_after , delete_on_conflict , wake_up , keep_until ) "
      "values ( 42 , 0 , 1 , %d , 1 , 0 , %d , %d , 0 , 0 , 0 , 0 , 0 , 1 , 0 )",
      {SqlArg::Int(id), SqlArg::Int(DateTimeToDbTime(At(2024, 1, 1, 9))),
       SqlArg::Int(DateTimeToDbTime(At(2024, 1, 1, 10)))});
  db_->AttachServices(SchedulingAccess(1));  // as a lineup's listings are opened
  ComPtr<TTableTVProgram> program = GetProgram(db_, id);
  ComPtr<ITVSchedule> first = GetObject(program.Get(), &ITVProgram::GetSchedule);
  ASSERT_TRUE(first);
  EXPECT_EQ(Get(first.Get(), &ITVSchedule::get_ID), 42);
  EXPECT_EQ(GetObject(program.Get(), &ITVProgram::GetSchedule).Get(), first.Get());

  db_->Exec("delete from schedules");
  EXPECT_FALSE(GetProgram(db_, id)->Schedule()) << "a schedule row that is gone gives null";
}

TEST_F(ProgramTest, OnNowAndOverCompareInDbTime) {
  int32_t id = AddProgram(1, At(2024, 3, 2, 20, 0, 1), At(2024, 3, 2, 21), "show");
  ComPtr<TTableTVProgram> program = GetProgram(db_, id);
  auto state = [&](OleDate now) {
    env_->SetLocal(now);
    return std::make_pair(Get(program.Get(), &ITVProgram::IsOnNow),
                          Get(program.Get(), &ITVProgram::IsOver));
  };
  EXPECT_EQ(state(At(2024, 3, 2, 19, 59, 59)), std::make_pair(false, false));
  EXPECT_EQ(state(At(2024, 3, 2, 20, 0, 0)), std::make_pair(true, false))
      << "the start second is lost in db time";
  EXPECT_EQ(state(At(2024, 3, 2, 20, 59, 59)), std::make_pair(true, false));
  EXPECT_EQ(state(At(2024, 3, 2, 21, 0, 0)), std::make_pair(false, true));

  // From 2044 on the packed db time has its top bit set; it still orders after earlier times.
  int32_t late = AddProgram(1, At(2044, 1, 1, 10), At(2044, 1, 1, 11), "late");
  EXPECT_TRUE(GetProgram(db_, late)->OnNowAt(At(2044, 1, 1, 10, 30)));
  EXPECT_FALSE(GetProgram(db_, late)->OverAt(At(2043, 12, 31, 23)));
  EXPECT_TRUE(GetProgram(db_, late)->OverAt(At(2044, 1, 1, 11)));
}

TEST_F(ProgramTest, ReloadTakesTheNewRowAndDropsCaches) {
  int32_t c1 = AddChannel(1, "one"), c2 = AddChannel(2, "two");
  int32_t id = AddProgram(c1, At(2024, 1, 1, 9), At(2024, 1, 1, 10), "before");
  ComPtr<TTableTVProgram> program = GetProgram(db_, id);
  ComPtr<ITVChannel> channel = program->Channel();
  db_->ExecFmt("update programs set title = %s , channel_id = %d where id = %d",
               {SqlArg::Quoted("after"), SqlArg::Int(c2), SqlArg::Int(id)});
  EXPECT_EQ(program->Title(), "before") << "a programme is a snapshot";

  EXPECT_TRUE(Get(program.Get(), &ITVProgram::Reload));
  EXPECT_EQ(program->Title(), "after");
  EXPECT_EQ(ChannelIDOf(program->Channel().Get()), c2);

  db_->ExecFmt("delete from programs where id = %d", {SqlArg::Int(id)});
  EXPECT_FALSE(Get(program.Get(), &ITVProgram::Reload));
  EXPECT_EQ(program->Title(), "after");
}

TEST_F(ProgramTest, TriStatesTextsAndDisplayFlags) {
  // Without a details row: empty and unknown.
  ComPtr<TTVProgramDetails> bare =
      GetProgram(db_, AddProgram(1, At(2024, 1, 1, 8), At(2024, 1, 1, 9), "bare"))->Details();
  EXPECT_EQ(Get(bare.Get(), &ITVProgramDetails::get_IsCC), TV_3_WAY_UNKNOWN);
  EXPECT_EQ(Keys(bare->DisplayFlags()), Names{});

  int32_t id = AddProgram(1, At(2024, 1, 1, 9), At(2024, 1, 1, 10), "full");
  db_->ExecFmt(
      "insert into program_details ( id , long_desc , is_cc , is_stereo , is_repeat , is_hdtv , "
      "color , year , original_air_date ) values ( %d , %s , 1 , 0 , 7 , null , %s , 1984 , %s )",
      {SqlArg::Int(id), SqlArg::Quoted("Ein „Film“ über Ärger"), SqlArg::Quoted("Black & White"),
       SqlArg::Quoted("19991231")});
  ComPtr<TTVProgramDetails> details = GetProgram(db_, id)->Details();
  const ProgramDetailsFields& f = details->fields();
  // Values other than 0 and 1 are unknown.
  EXPECT_EQ((std::vector{f.Flag(DetailFlag::kCC), f.Flag(DetailFlag::kStereo),
                         f.Flag(DetailFlag::kRepeat), f.Flag(DetailFlag::kHDTV)}),
            (std::vector{TV_3_WAY_YES, TV_3_WAY_NO, TV_3_WAY_UNKNOWN, TV_3_WAY_UNKNOWN}));
  EXPECT_EQ(f.Text(DetailText::kLongDesc), "Ein „Film“ über Ärger");

  EXPECT_EQ(Keys(details->DisplayFlags()), (Names{"CC", "Black & White"}));

  ComPtr<IKestroItem> item;
  ASSERT_EQ(details->GetAsKestroItem(item.ReleaseAndGetAddressOf()), S_OK);
  auto* bag = static_cast<TDictionary*>(item.Get());
  EXPECT_EQ(bag->Get("program-is-repeat"), Variant(-1));
  EXPECT_EQ(bag->Get("program-original-air-date"), Variant::Date(At(1999, 12, 31)));

  db_->Exec("update program_details set color = 'COLOR'");
  EXPECT_EQ(Keys(GetProgram(db_, id)->Details()->DisplayFlags()), Names{"CC"})
      << "colour itself is no flag";
}

TEST(OriginalAirDate, OnlyEightDigitsOfAValidDate) {
  EXPECT_EQ(ParseOriginalAirDate("20000229"), EncodeDate(2000, 2, 29));
  for (const char* bad : {"1999123", "199912310", "19990229", "1999-1-1"})
    EXPECT_EQ(ParseOriginalAirDate(bad), 0.0) << bad;
}

TEST_F(ProgramTest, PeopleAndGenresFollowRelevance) {
  int32_t id = AddProgram(1, At(2024, 1, 1, 9), At(2024, 1, 1, 10), "cast");
  db_->Exec(
      "insert into people values ( 1 , 'Zoë Ärmel' , 'zoe armel' ) ;"
      "insert into people values ( 2 , 'Al Ames' , 'al ames' ) ;"
      "insert into roles values ( 1 , 'Actor' ) ; insert into roles values ( 2 , 'Director' ) ;"
      "insert into genres values ( 1 , 'Drama' ) ; insert into genres values ( 2 , 'Krimi' ) ;");
  db_->ExecFmt(
      "insert into program_people values ( %d , 1 , 1 , 2 ) ;"
      "insert into program_people values ( %d , 2 , 2 , 1 ) ;"
      "insert into program_people values ( %d , 1 , 2 , 3 ) ;"
      "insert into program_genres values ( %d , 1 , 2 ) ;"
      "insert into program_genres values ( %d , 2 , 1 ) ;",
      {SqlArg::Int(id), SqlArg::Int(id), SqlArg::Int(id), SqlArg::Int(id), SqlArg::Int(id)});
  ComPtr<TTVProgramDetails> details = GetProgram(db_, id)->Details();

  ASSERT_EQ(Get(details.Get(), &ITVProgramDetails::get_PeopleCount), 3);
  Names seen;
  for (int32_t i = 0; i < 3; ++i) {
    ComPtr<ITVPerson> person;
    ASSERT_EQ(details->get_People(i, person.ReleaseAndGetAddressOf()), S_OK);
    seen.push_back(Get(person.Get(), &ITVPerson::get_Name) + "/" +
                   Get(person.Get(), &ITVPerson::get_Role) + "/" +
                   std::to_string(Get(person.Get(), &ITVPerson::get_RoleID)));
  }
  EXPECT_EQ(seen, (Names{"Al Ames/Director/2", "Zoë Ärmel/Actor/1", "Zoë Ärmel/Director/2"}));
  ComPtr<ITVPerson> none;
  EXPECT_EQ(details->get_People(3, none.ReleaseAndGetAddressOf()), E_UNEXPECTED);

  ComPtr<IKestroItem> genres = details->Genres();
  EXPECT_EQ(Keys(genres), (Names{"Krimi", "Drama"}));
  EXPECT_EQ(static_cast<TDictionary*>(genres.Get())->Get("Drama"), Variant("Y"));
}

TEST_F(ProgramTest, ProgrammesOfOneQueryShareItsTable) {
  db_->Exec("begin");
  for (int i = 0; i < 20; ++i)
    AddProgram(1, At(2024, 1, 1, 0) + i * kOneMinute, At(2024, 1, 1, 0) + (i + 1) * kOneMinute,
               "title " + std::to_string(i));
  db_->Exec("commit");
  TablePtr table = db_->QueryFmt("select %s from programs order by start_time",
                                 {SqlArg::Raw(kProgramColumns)});
  ComPtr<TTVProgramList> list = MakeProgramList(table);
  ASSERT_EQ(list->Count(), 20);
  EXPECT_FALSE(list->IsMade(10)) << "programmes are made when first handed out";
  EXPECT_EQ(list->IndexOf(list->IDAt(10)), 10);

  ComPtr<ITVProgram> item = list->Item(10);
  EXPECT_EQ(list->Item(10).Get(), item.Get()) << "the same row gives the same object";
  auto* program = static_cast<TTableTVProgram*>(item.Get());
  EXPECT_EQ(program->table().get(), table.get());
  EXPECT_EQ(program->Title(), "title 10");
  // The title is the table's own cell, not a copy.
  std::string_view title = program->Title();
  table->MoveTo(10);
  EXPECT_EQ(title.data(), table->Field(kProgramTitle));

  // Reading one programme must not disturb what another reads from the shared table.
  ComPtr<ITVProgram> other = list->Item(7);
  EXPECT_EQ(Get(item.Get(), &ITVProgram::get_Title), "title 10");
  EXPECT_EQ(Get(other.Get(), &ITVProgram::get_Title), "title 7");
}

// A search's programmes read their details and genres a block of rows at a time; each must
// still get its own, in row order that differs from id order, across a block's end.
TEST_F(ProgramTest, DetailsAreReadForABlockOfRowsAtOnce) {
  db_->Exec("begin ; insert into genres values ( 1 , 'Drama' ) ; "
            "insert into genres values ( 2 , 'Krimi' ) ;");
  const int count = 600;
  for (int i = 0; i < count; ++i) {
    const int32_t id = AddProgram(1, At(2024, 1, 1, 0) + i * kOneMinute,
                                  At(2024, 1, 1, 0) + (i + 1) * kOneMinute, std::to_string(i));
    if (i % 3 == 0)
      db_->ExecFmt("insert into program_details ( id , long_desc , year ) values ( %d , %s , %d )",
                   {SqlArg::Int(id), SqlArg::Quoted("about " + std::to_string(i)),
                    SqlArg::Int(1900 + i)});
    if (i % 2 == 0)
      db_->ExecFmt("insert into program_genres values ( %d , 1 , 2 ) ; "
                   "insert into program_genres values ( %d , 2 , 1 ) ;",
                   {SqlArg::Int(id), SqlArg::Int(id)});
  }
  db_->Exec("commit");
  ComPtr<TTVProgramList> list = MakeProgramList(db_->QueryFmt(
      "select %s from programs order by id desc", {SqlArg::Raw(kProgramColumns)}));
  int detail_reads = 0;
  db_->SetTrace([&](std::string_view sql) {
    detail_reads += sql.find("program_details") != sql.npos || sql.find("genres") != sql.npos;
  });
  for (int32_t row = 0; row < count; ++row) {
    auto* program = static_cast<TTableTVProgram*>(list->Item(row).Get());
    const int i = std::stoi(std::string(program->Title()));
    ComPtr<TTVProgramDetails> details = program->Details();
    const ProgramDetailsFields& f = details->fields();
    EXPECT_EQ(f.Text(DetailText::kLongDesc) + "/" + std::to_string(f.Int(DetailInt::kYear)),
              i % 3 ? "/0" : "about " + std::to_string(i) + "/" + std::to_string(1900 + i));
    EXPECT_EQ(Keys(details->Genres()), (i % 2 ? Names{} : Names{"Krimi", "Drama"})) << i;
  }
  EXPECT_EQ(detail_reads, 4) << "two blocks of rows, two queries each";

  auto* reloaded = static_cast<TTableTVProgram*>(list->Item(2).Get());  // programme 597
  ASSERT_TRUE(reloaded->ReloadRow());
  EXPECT_EQ(reloaded->Details()->fields().Int(DetailInt::kYear), 1900 + 597);
  EXPECT_EQ(detail_reads, 5) << "a reloaded programme reads its own details alone";
  db_->SetTrace({});
}

TEST_F(ProgramTest, ListOperationsWorkByProgrammeID) {
  int32_t p1 = AddProgram(1, At(2024, 1, 1, 9), At(2024, 1, 1, 10), "one");
  int32_t p2 = AddProgram(1, At(2024, 1, 1, 10), At(2024, 1, 1, 11), "two");
  ComPtr<TTVProgramList> list = MakeProgramList(db_->Query("select * from programs order by id"));
  ComPtr<ITVProgramList> copy;
  ASSERT_EQ(GetProgram(db_, p2)->GetAsProgramList(copy.ReleaseAndGetAddressOf()), S_OK);

  auto contains = [&](ITVProgram* program) {
    bool result = true;
    EXPECT_EQ(copy->ContainsProgram(program, &result), S_OK);
    return result;
  };
  EXPECT_TRUE(contains(GetProgram(db_, p2).Get())) << "a fresh object of the same row counts";
  EXPECT_FALSE(contains(GetProgram(db_, p1).Get()));
  EXPECT_FALSE(contains(nullptr));

  auto index_of = [&](int32_t id) {
    int32_t index = 0;
    EXPECT_EQ(list->IndexOfProgram(id, &index), S_OK);
    return index;
  };
  for (int32_t outside : {-1, 5}) EXPECT_EQ(list->Remove(outside), S_OK);
  ASSERT_EQ(list->Remove(0), S_OK);
  EXPECT_EQ(index_of(p2), 0);
  EXPECT_EQ(index_of(p1), -1);
}

}  // namespace
}  // namespace kestro
