// Keyword searches answer from an in-memory index of programme times: every change to the guide,
// whoever makes it, must show in the next search, and a result reads its rows page by page.
#include <gtest/gtest.h>

#include <utility>

#include "common/error_of.h"
#include "kestro/interface_reads.h"
#include "scheduling/open_listings.h"
#include "search/guide_fixture.h"

namespace kestro::testing {
namespace {

class KeywordIndexTest : public GuideTest {
 protected:
  void SetUp() override {
    GuideTest::SetUp();
    AddChannel(1, 2);
  }
  int32_t AddPirates(OleDate start, const std::string& title = "Pirate Treasure") {
    return AddProgram({.title = title, .start = start, .end = start + kOneHour});
  }
  IDList Pirates() {
    return IDs(listings_->FindByKeywords("pirate", TV_KWD_SEARCH_TYPE_ANY, 0, 0, 0));
  }
};

TEST_F(KeywordIndexTest, SeesEveryChangeToTheGuide) {
  const int32_t late = AddPirates(At(1, 20));
  EXPECT_EQ(Pirates(), IDList{late});

  // Added through another connection to the same guide.
  ComPtr<TTVListings> other = OpenListings(dir_ / "tv/listings.1.dat", 1, env_);
  const DBPtr mine = std::exchange(db_, other->DB());
  const int32_t early = AddPirates(At(1, 8));
  db_ = mine;
  EXPECT_EQ(Pirates(), (IDList{early, late}));

  // Gone inside the transaction that deletes it, back once the transaction is rolled back.
  {
    Transaction transaction(*db_);
    db_->Exec("delete from programs where id = " + std::to_string(early));
    EXPECT_EQ(Pirates(), IDList{late});
  }
  EXPECT_EQ(Pirates(), (IDList{early, late}));
}

TEST_F(KeywordIndexTest, ReadsLongResultsByThePageAndNamesProgrammesDeletedSince) {
  IDList expected;
  for (int32_t i = 0; i < 600; ++i)
    expected.push_back(AddPirates(At(1, 0) + i * kOneMinute, "Pirate " + std::to_string(i)));
  ComPtr<TTVProgramList> list =
      listings_->FindByKeywords("pirate", TV_KWD_SEARCH_TYPE_ANY, 0, 0, 0);
  ASSERT_EQ(list->Count(), 600);
  EXPECT_FALSE(list->IsMade(599));
  EXPECT_EQ(Get<ITVProgram>(list->Item(599).Get(), &ITVProgram::get_Title), "Pirate 599");

  db_->Exec("delete from programs where id = " + std::to_string(expected[300]));
  EXPECT_EQ(ErrorOf<Exception>([&] { list->Item(300); }),
            "The programme " + std::to_string(expected[300]) +
                " is no longer in the guide: search again");
  expected.erase(expected.begin() + 300);
  EXPECT_EQ(Pirates(), expected);
}

}  // namespace
}  // namespace kestro::testing
