#include "listings/search_conditions.h"

#include <gtest/gtest.h>

#include "platform/time/date_time.h"

namespace kestro {
namespace {

TEST(SearchPatternTest, StarsBecomeOneWildcardAndTextIsLowered) {
  EXPECT_EQ(PrepareSearchPattern("  Star*  "), "star%");
  EXPECT_EQ(PrepareSearchPattern("**st%*ar%%"), "%st%ar%");
  EXPECT_EQ(PrepareSearchPattern("ÉCOLE Ärger"), "école ärger");
  EXPECT_TRUE(IsEmptyPattern(PrepareSearchPattern(" ** ")));
  EXPECT_TRUE(IsEmptyPattern(PrepareSearchPattern("")));
}

TEST(SearchPatternTest, TextConditionIsEqualityOrLike) {
  EXPECT_EQ(TextCondition("search_title", "Star Trek").Literal(),
            "( search_title = \"star trek\")");
  EXPECT_EQ(TextCondition("search_title", "star*").Literal(), "( search_title like \"star%\")");
  EXPECT_EQ(TextCondition("b.search_name", "o\"neil*").Literal(),
            "( b.search_name like \"o\"\"neil%\")");
  EXPECT_TRUE(TextCondition("search_title", "*").empty());
  EXPECT_TRUE(TextCondition("search_title", "   ").empty());
}

TEST(KeywordConditionTest, PunctuationAndCaseAreNormalized) {
  EXPECT_EQ(NormalizeKeywords("  The CAT's -- hat!  "), "the cat s hat");
  EXPECT_EQ(NormalizeKeywords("Žluťoučký kůň, 2005"), "žluťoučký kůň 2005");
  EXPECT_EQ(NormalizeKeywords(" ?! "), "");
  EXPECT_TRUE(KeywordCondition("...", TV_KWD_SEARCH_TYPE_ANY).empty());
}

TEST(ProgramSearchSqlTest, ChannelListAndMissingParts) {
  ProgramSearch search;
  search.channel_or_list_id = 5;
  EXPECT_EQ(ChannelOrListCondition(5).Literal(),
            "(channel_id in (select channel_id from channel_list_channels where list_id = 5))");
  std::string sql = ProgramSearchSql(search).Literal();
  EXPECT_NE(sql.find("from programs where (channel_id in"), std::string::npos) << sql;
  // Nothing at all: every programme, with neither "where" nor "order by".
  EXPECT_EQ(ProgramSearchSql(ProgramSearch{}).Literal().find(" where"), std::string::npos);
}

TEST(ProgramSearchSqlTest, UserTextIsBoundNotWrittenIntoTheFormat) {
  SqlCondition c = TextCondition("search_title", "100%* %d \"x\"");
  EXPECT_EQ(c.format, "( search_title like %s)");
  ASSERT_EQ(c.args.size(), 1u);
  EXPECT_EQ(c.args[0].text(), "100% %d \"x\"");
}

}  // namespace
}  // namespace kestro
