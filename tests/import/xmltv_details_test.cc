#include "import/xmltv_details.h"

#include <gtest/gtest.h>

#include <string>

namespace kestro {
namespace {

std::string Numbers(bool parsed, const EpisodeNumbers& n) {
  if (!parsed) return "refused";
  return std::to_string(n.season) + " " + std::to_string(n.episode) + " " +
         std::to_string(n.part) + "/" + std::to_string(n.parts);
}

std::string Ns(const char* text) {
  EpisodeNumbers n;
  return Numbers(ParseXMLTVNsEpisode(text, &n), n);
}

std::string OnScreen(const char* text) {
  EpisodeNumbers n;
  return Numbers(ParseOnScreenEpisode(text, &n), n);
}

TEST(XMLTVEpisodeTest, XmltvNsIsZeroBasedWithTotalsAndBlanksAnywhere) {
  EXPECT_EQ("9 4 0/0", Ns("8 . 3 .   "));
  EXPECT_EQ("3 10 0/0", Ns(" 2 . 9 . 0/1"));
  EXPECT_EQ("0 9 0/0", Ns(".8/12."));
  EXPECT_EQ("1 1 2/3", Ns("0/4.0.1/3"));
  EXPECT_EQ("0 27 0/0", Ns(".26/0."));
  EXPECT_EQ("0 0 0/0", Ns(".."));
  for (const char* bad : {"S1E2", "1.2.3.4", "a.b.", "1/.2.", "1234567.0."}) {
    EXPECT_EQ("refused", Ns(bad)) << bad;
  }
}

TEST(XMLTVEpisodeTest, OnScreenFormsAsGrabbersWriteThem) {
  EXPECT_EQ("8 6 0/0", OnScreen("S8 E6"));
  EXPECT_EQ("9 257 0/0", OnScreen("S09E257"));
  EXPECT_EQ("2 3 0/0", OnScreen("Season 2, Episode 3"));
  EXPECT_EQ("2 3 0/0", OnScreen("2x03"));
  EXPECT_EQ("0 12 0/0", OnScreen("Ep. 12 of 20"));
  EXPECT_EQ("4 0 0/0", OnScreen("s4"));
  for (const char* bad : {"", "Special", "Series 2/10", "S1E2E3", "12"}) {
    EXPECT_EQ("refused", OnScreen(bad)) << bad;
  }
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
