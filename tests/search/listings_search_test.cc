// The searches of the listings object over a small guide (now = Wednesday 9 March 2005 12:00).
#include <gtest/gtest.h>

#include "kestro/interface_reads.h"
#include "scheduling/open_listings.h"
#include "search/guide_fixture.h"

namespace kestro::testing {
namespace {

class SearchTest : public GuideTest {
 protected:
  void SetUp() override {
    GuideTest::SetUp();
    AddChannel(1, 2);
    AddChannel(2, 5);
    AddChannel(5, 9);
    AddChannelList(5, {1});
    // Saturday, Sunday and last Saturday's airings of one episode.
    auto trek = [&](int32_t channel, OleDate start, int32_t schedule = 0) {
      return AddProgram({.channel_id = channel, .title = "Star Trek", .start = start,
                         .end = start + kOneHour, .equality_key = "EP001",
                         .schedule_id = schedule});
    };
    sat_ = trek(1, At(3, 20));
    sun_early_ = trek(2, At(4, 19));
    sun_late_ = trek(5, At(4, 21));
    past_ = trek(1, At(-4, 20), 4);
    voyager_ = AddProgram({.channel_id = 1, .title = "Star Trek: Voyager",
                           .start = At(0, 11), .end = At(0, 12),  // ends exactly now
                           .search_title = "star trek voyager"});
    stargate_ = AddProgram({.channel_id = 2, .title = "Stargate", .start = At(0, 12),
                            .end = At(0, 13), .schedule_id = 3});
    aerger_ = AddProgram({.channel_id = 5, .title = "Ärger im Paradies", .start = At(0, 14),
                          .end = At(0, 15), .genres = {"Érotique"}});
    cat_movie_ = AddProgram({.channel_id = 1, .title = "The Cat Concert", .start = At(1, 20),
                             .end = At(1, 22), .words = "cat concert the classical music tom cat",
                             .program_type = "MV", .genres = {"Comedy", "Music"},
                             .people = {{"Tom Cat", "Actor"}, {"Jerry Mouse", "Director"}}});
    concat_ = AddProgram({.channel_id = 2, .title = "Concatenate", .start = At(1, 9),
                          .end = At(1, 10), .words = "concatenate data"});
    dog_show_ = AddProgram({.channel_id = 5, .title = "Dog Show", .start = At(2, 10),
                            .end = At(2, 11), .words = "dog show the dog cat show",
                            .people = {{"Tom Cat", "Guest"}}});
  }

  IDList Title(const std::string& pattern, int32_t list, OleDate from, int32_t limit) {
    return IDs(listings_->FindByTitle(pattern, list, from, limit));
  }
  IDList Keywords(const std::string& words, int32_t type, int32_t list, OleDate from,
                  int32_t limit) {
    return IDs(listings_->FindByKeywords(words, type, list, from, limit));
  }

  int32_t sat_, sun_early_, sun_late_, past_, voyager_, stargate_, aerger_, cat_movie_, concat_,
      dog_show_;
};

TEST_F(SearchTest, TitlesExactOrWithATrailingStarArticlesAndApostrophes) {
  const OleDate now = TestNow();
  EXPECT_EQ(Title("STAR TREK", 0, now, 0), (IDList{sat_, sun_early_, sun_late_}));
  EXPECT_EQ(Title("star trek", 0, 0, 0), (IDList{past_, sat_, sun_early_, sun_late_}));
  // A wildcard finds several titles: in time order.
  EXPECT_EQ(Title("star*", 0, 0, 0),
            (IDList{past_, voyager_, stargate_, sat_, sun_early_, sun_late_}));
  EXPECT_EQ(Title("star*", 0, now, 2), (IDList{stargate_, sat_}));
  EXPECT_EQ(Title("star*", -5, now, 0), (IDList{sun_late_}));
  EXPECT_EQ(Title("star*", 5, now, 0), (IDList{sat_}));  // list 5 = {1}
  EXPECT_EQ(Title("Star Trek: Voyager", 0, 0, 0), IDList{voyager_});
  // A programme ending exactly at the from time is left out.
  EXPECT_EQ(Title("star trek voyager", 0, now, 0), IDList{});
  EXPECT_EQ(Title("star trek voyager", 0, now - kOneMinute, 0), IDList{voyager_});
  EXPECT_EQ(Title("ÄRGER IM PARADIES", 0, 0, 0), IDList{aerger_});
  EXPECT_EQ(Title("Ärger*", 0, 0, 0), IDList{aerger_});
  // "*" alone is every programme; an empty pattern is none.
  EXPECT_EQ(Title("  **  ", 0, now, 3), (IDList{stargate_, aerger_, concat_}));
  ComPtr<ITVProgramList> list;
  ASSERT_EQ(listings_->SearchByTitle("", 0, 0, 0, list.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(list);
  EXPECT_TRUE(IDs(list.Get()).empty());
  // Imported titles lose their article in the search title; older rows may keep it.
  const int32_t detective = AddProgram({.channel_id = 1, .title = "The Quiet Detective",
                                        .start = At(5, 20), .end = At(5, 21),
                                        .search_title = "quiet detective"});
  EXPECT_EQ(Title("the quiet detective", 0, 0, 0), IDList{detective});
  EXPECT_EQ(Title("The Quiet*", 0, 0, 0), IDList{detective});
  EXPECT_EQ(Title("the cat concert", 0, 0, 0), IDList{cat_movie_});

  const int32_t its = AddProgram({.channel_id = 1, .title = "It's Late", .start = At(5, 21),
                                  .end = At(5, 22), .words = "it s late"});
  AddProgram({.channel_id = 1, .title = "John's Story", .start = At(5, 22), .end = At(5, 23),
              .words = "john s story"});
  EXPECT_EQ(Keywords("it's", TV_KWD_SEARCH_TYPE_ANY, 0, 0, 0), IDList{its});
  EXPECT_EQ(Keywords("it's late", TV_KWD_SEARCH_TYPE_ALL, 0, 0, 0), IDList{its});
}

TEST_F(SearchTest, TimeSliceAndStartTime) {
  const OleDate now = TestNow();
  // Running in [12:00, 14:00): the 11-12 programme has ended, the 14:00 one has not begun.
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(now, At(0, 14), 0, 0)), IDList{stargate_});
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(now, At(0, 14, 1), 0, 0)), (IDList{stargate_, aerger_}));
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(At(0, 12, 30), At(1, 23), -1, 0)), IDList{cat_movie_});
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(now, 0, 0, 3)), (IDList{stargate_, aerger_, concat_}));
  // Starting on Thursday; the programme running into it from before is not included.
  EXPECT_EQ(IDs(listings_->FindByStartTime(At(1, 0), At(2, 0), 0, 0)),
            (IDList{concat_, cat_movie_}));
  EXPECT_EQ(IDs(listings_->FindByStartTime(At(0, 12, 30), At(1, 9, 30), 0, 0)),
            (IDList{aerger_, concat_}));
  EXPECT_EQ(IDs(listings_->FindByStartTime(At(3, 0), 0, 5, 0)), IDList{sat_});

  // A slice looks only as far around itself as the longest programme lasts: a long one that began
  // the day before, or begins at the slice's very end, is still found, and so it is in a guide
  // that lacks the length.
  const int32_t night = AddProgram({.channel_id = 5, .title = "Night", .start = At(-1, 20),
                                    .end = At(0, 14, 30)});
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(now, At(0, 14), 0, 0)), (IDList{night, stargate_}));
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(At(-1, 19), At(-1, 20, 1), 0, 0)), IDList{night});
  db_->Exec("delete from parameters where param_name = 'longest-program'");
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(At(0, 14, 15), At(0, 14, 20), 0, 0)),
            (IDList{night, aerger_}));
}

TEST_F(SearchTest, KeywordsMatchWholeWords) {
  // "the" or "cat": never the "cat" inside "concatenate".
  EXPECT_EQ(Keywords("the cat", TV_KWD_SEARCH_TYPE_ANY, 0, 0, 0), (IDList{cat_movie_, dog_show_}));
  EXPECT_EQ(Keywords("Cat!", TV_KWD_SEARCH_TYPE_ANY, 0, 0, 0), (IDList{cat_movie_, dog_show_}));
  EXPECT_EQ(Keywords("cat music", TV_KWD_SEARCH_TYPE_ALL, 0, 0, 0), IDList{cat_movie_});
  EXPECT_EQ(Keywords("the cat", TV_KWD_SEARCH_TYPE_EXACT, 0, 0, 0), IDList{});
  EXPECT_EQ(Keywords("dog cat", TV_KWD_SEARCH_TYPE_EXACT, 0, 0, 0), IDList{dog_show_});
  EXPECT_EQ(Keywords("cat", 1, -5, 0, 0), IDList{dog_show_});
  EXPECT_EQ(Keywords("cat", 1, 0, At(2, 0), 0), IDList{dog_show_});
  EXPECT_EQ(Keywords("cat", 1, 0, 0, 1), IDList{cat_movie_});
  EXPECT_EQ(Keywords(" - ", 1, 0, 0, 0), IDList{});
  EXPECT_EQ(Keywords("PARADIES ÄRGER", TV_KWD_SEARCH_TYPE_ALL, 0, 0, 0), IDList{aerger_});
}

TEST_F(SearchTest, TypeEqualityKeyPersonAndRecordings) {
  EXPECT_EQ(IDs(listings_->FindByProgramType("MV", 0, 0, 0, 0)), IDList{cat_movie_});
  EXPECT_EQ(IDs(listings_->FindByProgramType("SH", At(0, 12), At(1, 10), 0, 0)),
            (IDList{stargate_, aerger_, concat_}));
  EXPECT_EQ(IDs(listings_->FindByProgramType("SH", At(0, 12), At(1, 10), -2, 0)),
            (IDList{stargate_, concat_}));
  EXPECT_EQ(IDs(listings_->FindByEqualityKey("EP001", 0, TestNow(), 0)),
            (IDList{sat_, sun_early_, sun_late_}));
  EXPECT_EQ(IDs(listings_->FindByEqualityKey("EP001", -1, 0, 0)), (IDList{past_, sat_}));
  const int32_t tom = PersonID("Tom Cat");
  EXPECT_EQ(IDs(listings_->FindByPerson(tom, 0, 0, 0)), (IDList{cat_movie_, dog_show_}));
  EXPECT_EQ(IDs(listings_->FindByPerson(tom, 0, At(2, 0), 0)), IDList{dog_show_});
  EXPECT_EQ(IDs(listings_->FindByPerson(tom, 5, 0, 0)), IDList{cat_movie_});
  // Scheduled and not over: the past recording is left out.
  EXPECT_EQ(IDs(listings_->FindToBeRecorded(0)), IDList{stargate_});
  EXPECT_EQ(IDs(listings_->FindToBeRecorded(-1)), IDList{});
}

// Every field of a custom search against the guide; a line that cannot be understood is skipped
// and named, and without a condition nothing is found.
TEST_F(SearchTest, CustomSearchExamples) {
  const struct {
    std::string query;
    IDList expected;
    std::string error = "";
  } cases[] = {
      {"title star trek\nday sat, sun\nstart-time >= 20:00\ninclude-past", {past_, sat_, sun_late_}},
      {"title star trek\\day sat, sun\\start-time >= 20:00\\include-past", {past_, sat_, sun_late_}},
      {"title star trek\nday sat, sun\nstart-time >= 20:00", {sat_, sun_late_}},
      {"next 1d", {stargate_, aerger_, concat_}},
      {"start >= tomorrow", {}, "line 1: bad date \"tomorrow\" (now or today, such as today+1d20h)"},
      {"title stargate\\titel x", {stargate_}, "line 2: unknown field \"titel\""},
      {"start >= today+1d\nstart < today+1d12h", {concat_}},
      {"START >= today+3d20h\nend-time <= 21:00", {sat_, sun_early_}},
      {"end < now\ninclude-past", {past_}},
      {"will-record\ninclude-past", {past_, stargate_}},
      {"end-time <= 10:00", {concat_}},
      {"genre comedy\npeople tom*", {cat_movie_}},
      {"genre drama, ÉROTIQUE", {aerger_}},  // case of any script
      {"people jerry*, *, TOM CAT\nchannel 2, 9", {cat_movie_, dog_show_}, "line 1: bad name \"*\""},
      {"keywords exact dog cat\ninclude-past", {dog_show_}},
      {"keywords ALL music cat", {cat_movie_}},
      {"program-type mv, xx, ep", {cat_movie_}, "line 1: bad programme type \"xx\""},
      {"movies-only\nwill-record", {}},
      {"title Stargate, ärger*", {stargate_, aerger_}},
      {"title star*\ninclude-past\nchannel-id 1, 2\nlimit 3", {past_, voyager_, stargate_}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    std::string error = "stale";
    ComPtr<ITVProgramList> list;
    EXPECT_EQ(listings_->CustomSearch(c.query, &error, list.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(list ? IDs(list.Get()) : IDList{-1}, c.expected);
  }
}

TEST_F(SearchTest, ProgrammeByIDPeopleAndRoles) {
  ComPtr<ITVProgram> program;
  ASSERT_EQ(listings_->FindProgramByID(cat_movie_, program.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(program);
  EXPECT_EQ(Get(program.Get(), &ITVProgram::get_Title), "The Cat Concert");
  ASSERT_EQ(listings_->FindProgramByID(9999, program.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_FALSE(program);

  ComPtr<TDictionary> people = listings_->FindPeople("*o*");
  ASSERT_EQ(people->Count(), 2);
  EXPECT_EQ(people->KeyAt(0), "Jerry Mouse");  // sorted by name
  EXPECT_EQ(people->GetAt(1), Variant(PersonID("Tom Cat")));
  EXPECT_EQ(listings_->FindPeople("TOM CAT")->Count(), 1);
  EXPECT_EQ(listings_->FindPeople("tom")->Count(), 0);
  EXPECT_EQ(listings_->FindPeople("*")->Count(), 0);
  // Quotes, per cent signs and format directives in the user's text are searched for as text.
  AddProgram({.title = "Talk", .start = At(5, 23), .end = At(6, 0),
              .people = {{"Dan O\"Neil 100% %d", "Guest"}}});
  EXPECT_EQ(listings_->FindPeople("DAN O\"NEIL 100% %d")->Count(), 1);
  EXPECT_EQ(listings_->FindPeople("*o\"neil*")->Count(), 1);
  ComPtr<TDictionary> roles = listings_->AllPeopleRoles();
  ASSERT_EQ(roles->Count(), 3);
  EXPECT_EQ(roles->KeyAt(0), "Actor");
  EXPECT_EQ(roles->Get("Guest"),
            Variant(db_->QueryInt("select role_id from roles where role = 'Guest'")));
}

TEST_F(GuideTest, EmptyGuideHasNoProgrammes) {
  bool any = true;
  ASSERT_EQ(listings_->HasAnyPrograms(&any), S_OK);
  EXPECT_FALSE(any);
  AddChannel(1, 1);
  AddProgram({.title = "News", .start = At(0, 18), .end = At(0, 19)});
  listings_->HasAnyPrograms(&any);
  EXPECT_TRUE(any);
  // No condition at all: every programme.
  EXPECT_EQ(IDs(listings_->FindInTimeSlice(0, 0, 0, 0)).size(), 1u);
}

}  // namespace
}  // namespace kestro::testing
