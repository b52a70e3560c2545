// Sort and search titles of imported programmes and people, and the equality key.
#include "listings/titles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

struct TitleCase {
  const char* text;
  bool move_article;
  const char* sort_title;
  const char* search_title;
};

TEST(MakeTitlesTest, LeadingArticleMovesToTheEndAndLeavesTheSearchTitle) {
  const TitleCase cases[] = {
      {"The Late Show", true, "Late Show, The", "late show"},
      {"A-Team", true, "A-Team", "ateam"},  // "a-" is not the article "a "
      {"Simpsons, The", false, "Simpsons, The", "simpsons the"},
      {"THE END", true, "END, THE", "end"},
      {"Theatre Tonight", true, "Theatre Tonight", "theatre tonight"},
      {"Law & Order:  SVU", true, "Law & Order:  SVU", "law order svu"},
      {"Ça Va, Élodie?", true, "Ça Va, Élodie?", "ça va élodie"},
      {"...", true, "...", ""},
  };
  for (const TitleCase& c : cases) {
    const Titles titles = MakeTitles(c.text, c.move_article);
    EXPECT_EQ(titles.sort_title, c.sort_title) << c.text;
    EXPECT_EQ(titles.search_title, c.search_title) << c.text;
  }
}

TEST(EqualityKeyTest, IsTheSha1OfTheFieldsWithoutBlanksInLowerCase) {
  EXPECT_EQ(Sha1Hex("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");

  const std::vector<std::string> genres = {"News", "Talk Show"};
  const std::string key =
      ComputeEqualityKey({"The Late Show", "Episode 1", "TV-14", "", "Guests.", &genres});
  EXPECT_EQ(key, Sha1Hex("thelateshowepisode1tv-14guests.newstalkshow"));

  // Blanks, line breaks and ASCII letter case do not make another programme...
  EXPECT_EQ(
      ComputeEqualityKey({" THE LATE\tSHOW ", "Episode\r\n1", "tv-14", "", "Guests.", &genres}),
      key);
  // ...but every field and the genres do, and moving text between fields does not.
  EXPECT_NE(ComputeEqualityKey({"The Late Show", "Episode 2", "TV-14", "", "Guests.", &genres}),
            key);
  EXPECT_NE(ComputeEqualityKey({"The Late Show", "Episode 1", "TV-14", "", "Guests.", nullptr}),
            key);
  EXPECT_EQ(ComputeEqualityKey({"The Late", "Show Episode 1", "TV-14", "", "Guests.", &genres}),
            key);
  // Only ASCII letters have case in the key.
  EXPECT_NE(ComputeEqualityKey({"ÉTÉ", "", "", "", "", nullptr}),
            ComputeEqualityKey({"été", "", "", "", "", nullptr}));
}

}  // namespace
}  // namespace kestro
