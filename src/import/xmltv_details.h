// What the XMLTV reader reads out of a programme's texts beyond their plain values: season,
// episode and part from an `episode-num`, and whether a category says the programme is a film.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestro {

// One-based numbers as a guide shows them; 0 where the text gives none.
struct EpisodeNumbers {
  int32_t season = 0;
  int32_t episode = 0;
  int32_t part = 0;
  int32_t parts = 0;

  bool Empty() const { return season == 0 && episode == 0 && part == 0; }
  // Fills the numbers this one lacks from `other`.
  void FillFrom(const EpisodeNumbers& other);
};

// The "xmltv_ns" system: "season . episode . part", each zero-based and possibly "n/total", any
// of them empty, blanks anywhere ("8 . 3 . 0/1", ".8/12."). False when the text has another shape.
bool ParseXMLTVNsEpisode(std::string_view text, EpisodeNumbers* numbers);

// The "onscreen" system as grabbers write it: "S8 E6", "S09E257", "Season 2, Episode 3",
// "2x03", "E12", any letter case. False when the text is none of these.
bool ParseOnScreenEpisode(std::string_view text, EpisodeNumbers* numbers);

// Whether a category names films: one of its words (any letter case) is film or movie in one
// of the languages of grabbed listings (Film, Movie, Spielfilm, Película, Фильм, 영화, 映画, ...).
bool IsFilmCategory(std::string_view category);

}  // namespace kestro
