// A listings object on a fresh guide in a temporary folder, with the clock set, and helpers
// that write channels, lists and programmes the way an import stores them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "kestro/tv_listings.h"
#include "listings/listings_object.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/open_listings.h"

namespace kestro::testing {

// Wednesday 9 March 2005, 12:00 local time.
inline OleDate TestNow() { return EncodeDateTime({2005, 3, 9, 12, 0, 0, 0}); }
// A time on a day relative to TestNow's date.
inline OleDate At(int day_offset, int hour, int minute = 0) {
  return DateOf(TestNow()) + day_offset + EncodeTime(hour, minute, 0, 0);
}

struct ProgramRow {
  int32_t channel_id = 1;
  std::string title{};
  OleDate start = 0;
  OleDate end = 0;
  std::string search_title{};  // defaults to the lower-cased title
  std::string words{};         // stored with a blank before and after; defaults to search_title
  std::string program_type = "SH";
  std::string equality_key{};
  int32_t schedule_id = 0;
  std::vector<std::string> genres{};
  std::vector<std::pair<std::string, std::string>> people{};  // (name, role)
};

class GuideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listings_ = OpenListings(dir_ / "tv/listings.1.dat", 1, env_);
    db_ = listings_->DB();
  }

  void AddChannel(int32_t id, int32_t number, bool wanted = true) {
    db_->ExecFmt("insert into channels ( channel_id , external_id , number , short_name , "
                 "wanted ) values ( %d , %s , %d , %s , %d )",
                 {SqlArg::Int(id), SqlArg::Quoted("ext" + std::to_string(id)), SqlArg::Int(number),
                  SqlArg::Quoted("CH" + std::to_string(number)), SqlArg::Int(wanted ? 1 : 0)});
  }
  void AddChannelList(int32_t list_id, const std::vector<int32_t>& channel_ids) {
    db_->ExecFmt("insert into channel_lists ( list_id , name , users ) values ( %d , %s , %s )",
                 {SqlArg::Int(list_id), SqlArg::Quoted("list"), SqlArg::Quoted("")});
    int32_t order = 1;
    for (int32_t channel : channel_ids) {
      db_->ExecFmt("insert into channel_list_channels ( list_id , channel_id , order_number ) "
                   "values ( %d , %d , %d )",
                   {SqlArg::Int(list_id), SqlArg::Int(channel), SqlArg::Int(order++)});
    }
  }

  int32_t AddProgram(const ProgramRow& p) {
    const std::string search_title = p.search_title.empty() ? UnicodeLower(p.title) : p.search_title;
    db_->ExecFmt(
        "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
        "subtitle , tv_rating , movie_rating , program_type , sort_title , search_title , "
        "schedule_id ) values ( null , %d , %s , %d , %d , %s , %s , %s , %s , %s , %s , %s , %d )",
        {SqlArg::Int(p.channel_id), SqlArg::Quoted(p.equality_key),
         SqlArg::Int(DateTimeToDbTime(p.start)), SqlArg::Int(DateTimeToDbTime(p.end)),
         SqlArg::Quoted(p.title), SqlArg::Quoted(""), SqlArg::Quoted(""), SqlArg::Quoted(""),
         SqlArg::Quoted(p.program_type), SqlArg::Quoted(p.title), SqlArg::Quoted(search_title),
         SqlArg::Int(p.schedule_id)});
    const int32_t id = db_->LastInsertRowID();
    db_->ExecFmt("insert into program_words ( program_id , words ) values ( %d , %s )",
                 {SqlArg::Int(id), SqlArg::Quoted(" " + (p.words.empty() ? search_title : p.words) + " ")});
    int32_t relevance = 1;
    for (const std::string& genre : p.genres) {
      db_->ExecFmt("insert or ignore into genres ( genre_id , genre ) values ( null , %s )",
                   {SqlArg::Quoted(genre)});
      db_->ExecFmt("insert into program_genres ( program_id , genre_id , relevance ) select %d , "
                   "genre_id , %d from genres where genre = %s",
                   {SqlArg::Int(id), SqlArg::Int(relevance++), SqlArg::Quoted(genre)});
    }
    relevance = 1;
    for (const auto& [name, role] : p.people) {
      db_->ExecFmt("insert or ignore into roles ( role_id , role ) values ( null , %s )",
                   {SqlArg::Quoted(role)});
      db_->ExecFmt("insert or ignore into people ( person_id , name , search_name ) values ( "
                   "null , %s , %s )",
                   {SqlArg::Quoted(name), SqlArg::Quoted(UnicodeLower(name))});
      db_->ExecFmt("insert into program_people ( program_id , person_id , role_id , relevance ) "
                   "select %d , p.person_id , r.role_id , %d from people p , roles r where "
                   "p.name = %s and r.role = %s",
                   {SqlArg::Int(id), SqlArg::Int(relevance++), SqlArg::Quoted(name),
                    SqlArg::Quoted(role)});
    }
    return id;
  }
  int32_t PersonID(const std::string& name) {
    return db_->QueryIntFmt("select person_id from people where name = %s", {SqlArg::Quoted(name)});
  }

  // The IDs of a result in list order.
  static std::vector<int32_t> IDs(ITVProgramList* list) {
    std::vector<int32_t> ids;
    int32_t count = 0;
    EXPECT_EQ(list->get_Count(&count), S_OK);
    for (int32_t i = 0; i < count; ++i) {
      ComPtr<ITVProgram> program;
      EXPECT_EQ(list->get_Items(i, program.ReleaseAndGetAddressOf()), S_OK);
      int32_t id = 0;
      program->get_ID(&id);
      ids.push_back(id);
    }
    return ids;
  }
  static std::vector<int32_t> IDs(const ComPtr<TTVProgramList>& list) { return IDs(list.Get()); }

  TempDir dir_;
  std::shared_ptr<FakeEnv> env_ = std::make_shared<FakeEnv>(TestNow());
  ComPtr<TTVListings> listings_;
  DBPtr db_;
};

using IDList = std::vector<int32_t>;

}  // namespace kestro::testing
