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

TEST(KeywordConditionTest, EachTypeLooksForWholeWords) {
  auto match = [](const char* query) {
    return std::string("(id in (select rowid from program_words_fts where program_words_fts "
                       "match \"") + query + "\"))";
  };
  EXPECT_EQ(KeywordCondition("The cat's", TV_KWD_SEARCH_TYPE_ANY).Literal(),
            match("\"\"the\"\" OR \"\"cat s\"\""));
  EXPECT_EQ(KeywordCondition("the cat", TV_KWD_SEARCH_TYPE_ALL).Literal(),
            match("\"\"the\"\" AND \"\"cat\"\""));
  EXPECT_EQ(KeywordCondition("the, cat", TV_KWD_SEARCH_TYPE_EXACT).Literal(),
            match("\"\"the cat\"\""));
  // A type outside 1..3 searches for any word.
  EXPECT_EQ(KeywordCondition("a b", 9).Literal(), KeywordCondition("a b", 1).Literal());
}

TEST(ProgramSearchSqlTest, FragmentsComeInTheDocumentedOrder) {
  ProgramSearch search;
  search.limit = 20;
  search.channel_or_list_id = -5;
  search.ordering = "start_time";
  search.from_time = EncodeDateTime({2005, 3, 7, 21, 30, 0, 0});
  search.conditions = {{"(program_type = %s)", {SqlArg::Quoted("MV")}}, {}, {"(x = 1)", {}}};
  EXPECT_EQ(ProgramSearchSql(search).Literal(),
            "select id , channel_id , external_id , start_time , end_time , title , subtitle , "
            "tv_rating , movie_rating , program_type , sort_title , search_title , schedule_id "
            "from programs where ( end_time > 845654976 ) and (channel_id = 5) and "
            "(program_type = \"MV\") and (x = 1) order by start_time limit 20 ");
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
