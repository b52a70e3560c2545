#include "import/xmltv_details.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kestro {
namespace {

TEST(XMLTVEpisodeTest, BothSystemsAsGrabbersWriteThem) {
  // xmltv_ns is zero-based with totals and blanks anywhere; on-screen forms are one-based.
  constexpr auto kNs = ParseXMLTVNsEpisode;
  constexpr auto kOnScreen = ParseOnScreenEpisode;
  const struct {
    bool (*parse)(std::string_view, EpisodeNumbers*);
    const char* text;
    const char* expected;
  } cases[] = {
      {kNs, "8 . 3 .   ", "9 4 0/0"},       {kNs, " 2 . 9 . 0/1", "3 10 0/0"},
      {kNs, ".8/12.", "0 9 0/0"},           {kNs, "0/4.0.1/3", "1 1 2/3"},
      {kNs, ".26/0.", "0 27 0/0"},          {kNs, "..", "0 0 0/0"},
      {kOnScreen, "S8 E6", "8 6 0/0"},      {kOnScreen, "S09E257", "9 257 0/0"},
      {kOnScreen, "2x03", "2 3 0/0"},       {kOnScreen, "Season 2, Episode 3", "2 3 0/0"},
      {kOnScreen, "s4", "4 0 0/0"},         {kOnScreen, "Ep. 12 of 20", "0 12 0/0"},
  };
  for (const auto& c : cases) {
    EpisodeNumbers n;
    ASSERT_TRUE(c.parse(c.text, &n)) << c.text;
    EXPECT_EQ(c.expected, std::to_string(n.season) + " " + std::to_string(n.episode) + " " +
                              std::to_string(n.part) + "/" + std::to_string(n.parts))
        << c.text;
  }
  EpisodeNumbers n;
  for (const char* bad : {"S1E2", "1.2.3.4", "a.b.", "1/.2.", "1234567.0."})
    EXPECT_FALSE(ParseXMLTVNsEpisode(bad, &n)) << bad;
  for (const char* bad : {"", "Special", "Series 2/10", "S1E2E3", "12"})
    EXPECT_FALSE(ParseOnScreenEpisode(bad, &n)) << bad;
}

TEST(XMLTVFilmTest, CategoriesThatNameFilmsInTheirLanguage) {
  for (const char* film : {"Film", "Movie / Drama", "TV Movie", "Spielfilm", "Película",
                           "ФИЛЬМ", "영화", "映画・洋画", "电影"}) {
    EXPECT_TRUE(IsFilmCategory(film)) << film;
  }
  for (const char* other : {"Filmmagazin", "News", "Moviestar", "Series", ""}) {
    EXPECT_FALSE(IsFilmCategory(other)) << other;
  }
}

}  // namespace
}  // namespace kestro
