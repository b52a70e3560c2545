#include "listings/program_groups.h"

#include <gtest/gtest.h>

#include "search/guide_fixture.h"

namespace kestro::testing {
namespace {

class ProgramGroupsTest : public GuideTest {
 protected:
  void SetUp() override {
    GuideTest::SetUp();
    AddChannel(1, 1);
    for (int i = 0; i < 4; ++i) {
      const int32_t id = AddProgram(
          {.title = "Show " + std::to_string(i), .start = At(0, 13 + i), .end = At(0, 14 + i)});
      programs_.push_back(listings_->FindProgram(id));
    }
    groups_ = MakeObject<TTVProgramGroups>();
  }

  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (int32_t i = 0; i < groups_->Count(); ++i) keys.push_back(groups_->KeyAt(i).ToString());
    return keys;
  }
  int32_t ID(int i) const {
    int32_t id = 0;
    programs_[static_cast<size_t>(i)]->get_ID(&id);
    return id;
  }
  ITVProgram* P(int i) const { return programs_[static_cast<size_t>(i)].Get(); }

  std::vector<ComPtr<ITVProgram>> programs_;
  ComPtr<TTVProgramGroups> groups_;
};

// Keys sort by value (numbers and dates too, not as text); turning sorting off places only later
// groups by arrival, and a new key with sorting on again rebuilds the whole order.
TEST_F(ProgramGroupsTest, SortedKeysByValueAndUnsortedByArrival) {
  auto numbers = MakeObject<TTVProgramGroups>();
  for (int key : {10, 9, 100}) numbers->AddProgram(Variant(key), nullptr, false);
  EXPECT_EQ(numbers->KeyAt(0), Variant(9));
  EXPECT_EQ(numbers->KeyAt(2), Variant(100));
  auto dates = MakeObject<TTVProgramGroups>();
  for (int day : {3, 1, 2}) dates->AddProgram(Variant::Date(At(day, 0)), P(0), false);
  EXPECT_EQ(dates->KeyAt(0), Variant::Date(At(1, 0)));

  for (const char* key : {"m", "c"}) groups_->AddProgram(Variant(key), nullptr, false);
  ASSERT_EQ(groups_->put_Sorted(false), S_OK);
  groups_->AddProgram(Variant("a"), nullptr, false);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"c", "m", "a"}));
  groups_->put_Sorted(true);
  groups_->AddProgram(Variant("z"), nullptr, false);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "c", "m", "z"}));
}

TEST_F(ProgramGroupsTest, DuplicatesAndNullProgrammes) {
  groups_->AddProgram(Variant("k"), P(0), false);
  groups_->AddProgram(Variant("k"), P(0), false);
  EXPECT_EQ(groups_->ProgramsAt(0)->Count(), 1);
  groups_->AddProgram(Variant("k"), P(0), true);
  EXPECT_EQ(groups_->ProgramsAt(0)->Count(), 2);
  groups_->AddProgram(Variant("empty"), nullptr, true);
  EXPECT_EQ(groups_->Count(), 2);
  EXPECT_EQ(groups_->ProgramsAt(0)->Count(), 0);  // "empty" < "k"

  ComPtr<ITVProgramList> none;
  ASSERT_EQ(groups_->ProgramsForKey(Variant("never"), none.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_FALSE(none);
  ASSERT_EQ(groups_->ProgramsForKey(Variant("k"), none.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(IDs(none.Get()), (IDList{ID(0), ID(0)}));
  ComPtr<ITVProgramList> out_of_range;
  EXPECT_EQ(groups_->get_Programs(2, out_of_range.ReleaseAndGetAddressOf()), E_UNEXPECTED);
}

TEST_F(ProgramGroupsTest, FindProgramClearProgramsAndClear) {
  groups_->AddProgram(Variant("b"), P(0), false);
  groups_->AddProgram(Variant("b"), P(1), false);
  groups_->AddProgram(Variant("a"), P(2), false);
  groups_->AddProgram(Variant("c"), P(1), false);
  int32_t key = 7, position = 7;
  bool found = false;
  ASSERT_EQ(groups_->FindProgram(ID(1), &key, &position, &found), S_OK);
  EXPECT_TRUE(found);
  EXPECT_EQ(key, 1);  // group "b" comes before "c", where it also is
  EXPECT_EQ(position, 1);

  ASSERT_EQ(groups_->ClearPrograms(), S_OK);
  int32_t count = 0;
  groups_->get_Count(&count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "b", "c"}));
  ASSERT_EQ(groups_->FindProgram(ID(1), &key, &position, &found), S_OK);
  EXPECT_FALSE(found);
  EXPECT_EQ(key, -1);
  EXPECT_EQ(position, -1);

  // Lists handed out outlive a Clear, and a new group is not the old list.
  ComPtr<ITVProgramList> list;
  groups_->AddProgram(Variant("b"), P(0), false);
  ASSERT_EQ(groups_->ProgramsForKey(Variant("b"), list.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(groups_->Clear(), S_OK);
  EXPECT_EQ(groups_->Count(), 0);
  EXPECT_EQ(IDs(list.Get()), IDList{ID(0)});
  groups_->AddProgram(Variant("b"), P(1), false);
  EXPECT_EQ(IDs(list.Get()), IDList{ID(0)});
}

TEST_F(ProgramGroupsTest, CopyFromAddsProgrammesUnderTheSourceKeys) {
  auto source = MakeObject<TTVProgramGroups>();
  source->AddProgram(Variant("only"), nullptr, false);
  groups_->AddAll(source.Get(), false);
  EXPECT_EQ(groups_->Count(), 0);  // a group with an empty list is not copied

  source->AddProgram(Variant("x"), P(0), false);
  source->AddProgram(Variant("x"), P(1), false);
  groups_->AddProgram(Variant("x"), P(1), false);
  groups_->AddProgram(Variant("a"), P(3), false);
  ASSERT_EQ(groups_->CopyFrom(source.Get(), false), S_OK);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"a", "x"}));  // not cleared first
  EXPECT_EQ(IDs(groups_->ProgramsAt(1)), (IDList{ID(1), ID(0)}));
  // Copying a container onto itself with duplicates doubles each list once.
  groups_->AddAll(groups_.Get(), true);
  EXPECT_EQ(IDs(groups_->ProgramsAt(1)), (IDList{ID(1), ID(0), ID(1), ID(0)}));
}

}  // namespace
}  // namespace kestro::testing
