#include "import/xmltv_details.h"

#include <string>
#include <vector>

#include "platform/text/text.h"

namespace kestro {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits at `pos` as a number (at most 6 of them); false when there is none.
bool ReadNumber(std::string_view text, size_t& pos, int32_t* value) {
  const size_t start = pos;
  int32_t n = 0;
  while (pos < text.size() && IsDigit(text[pos]) && pos - start < 6) n = n * 10 + (text[pos++] - '0');
  if (pos == start || (pos < text.size() && IsDigit(text[pos]))) return false;
  *value = n;
  return true;
}

// One field of xmltv_ns: "", "n", "n/total" or "/total". -1 for what is not given.
bool ReadNsField(std::string_view field, int32_t* index, int32_t* total) {
  *index = -1;
  *total = -1;
  size_t pos = 0;
  if (pos < field.size() && IsDigit(field[pos]) && !ReadNumber(field, pos, index)) return false;
  if (pos < field.size() && field[pos] == '/') {
    ++pos;
    if (!ReadNumber(field, pos, total)) return false;
  }
  return pos == field.size();
}

void SkipBlanks(std::string_view text, size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

// Skips the first of `words` that stands at `pos` (the longest first).
bool SkipWord(std::string_view text, size_t& pos, std::initializer_list<std::string_view> words) {
  for (const std::string_view word : words) {
    if (text.substr(pos, word.size()) == word) {
      pos += word.size();
      return true;
    }
  }
  return false;
}

// "e12", "ep 12", "ep. 12", "episode 12" at `pos`.
bool ReadEpisode(std::string_view text, size_t& pos, int32_t* episode) {
  if (!SkipWord(text, pos, {"episode", "ep.", "ep", "e"})) return false;
  SkipBlanks(text, pos);
  return ReadNumber(text, pos, episode);
}

// Words in lower case that name films.
constexpr std::string_view kFilmWords[] = {
    "film",     "films",   "movie",    "movies",    "spielfilm", "fernsehfilm", "kinofilm",
    "telefilm", "téléfilm", "película", "pelicula",  "películas", "filme",       "filmes",
    "elokuva",  "фильм",    "фильмы",   "фільм",     "ταινία",    "영화",        "映画",
    "电影",      "電影",      "ภาพยนตร์", "فيلم",      "סרט",
};

}  // namespace

void EpisodeNumbers::FillFrom(const EpisodeNumbers& other) {
  if (season == 0) season = other.season;
  if (episode == 0) episode = other.episode;
  if (part == 0) {
    part = other.part;
    parts = other.parts;
  }
}

bool ParseXMLTVNsEpisode(std::string_view text, EpisodeNumbers* numbers) {
  std::string compact;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > ' ') compact += c;
  }
  const std::vector<std::string> fields = Split(compact, '.');
  if (fields.size() > 3) return false;
  int32_t index[3] = {-1, -1, -1};
  int32_t total[3] = {-1, -1, -1};
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!ReadNsField(fields[i], &index[i], &total[i])) return false;
  }
  EpisodeNumbers n;
  if (index[0] >= 0) n.season = index[0] + 1;
  if (index[1] >= 0) n.episode = index[1] + 1;
  // "0/1", part one of one, says nothing.
  if (index[2] >= 0 && (total[2] > 1 || (total[2] < 0 && index[2] > 0))) {
    n.part = index[2] + 1;
    n.parts = total[2] > 1 ? total[2] : 0;
  }
  *numbers = n;
  return true;
}

bool ParseOnScreenEpisode(std::string_view text, EpisodeNumbers* numbers) {
  const std::string lower = AsciiLower(Trim(text));
  const std::string_view t = lower;
  EpisodeNumbers n;
  size_t pos = 0;
  if (SkipWord(t, pos, {"season", "s"})) {
    SkipBlanks(t, pos);
    if (!ReadNumber(t, pos, &n.season)) return false;
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == ',' || t[pos] == '-' || t[pos] == ':' ||
                              t[pos] == '/' || t[pos] == '.')) {
      ++pos;
    }
    if (pos < t.size() && !ReadEpisode(t, pos, &n.episode)) return false;
  } else if (pos < t.size() && IsDigit(t[pos])) {
    // "2x03"
    if (!ReadNumber(t, pos, &n.season) || pos >= t.size() || t[pos] != 'x') return false;
    ++pos;
    if (!ReadNumber(t, pos, &n.episode)) return false;
  } else if (!ReadEpisode(t, pos, &n.episode)) {
    return false;
  }
  // What follows ("of 12", a title) does not matter, but the numbers must end where a word does.
  if (pos < t.size() && (IsDigit(t[pos]) || (t[pos] >= 'a' && t[pos] <= 'z'))) return false;
  *numbers = n;
  return !n.Empty();
}

bool IsFilmCategory(std::string_view category) {
  const std::string lower = UnicodeLower(category);
  size_t pos = 0;
  size_t word_start = 0;
  char32_t c = 0;
  for (size_t before = 0; ; before = pos) {
    const bool more = NextCodePoint(lower, pos, c);
    if (!more || !IsLetterOrDigit(c)) {
      const std::string_view word = std::string_view(lower).substr(word_start, before - word_start);
      for (const std::string_view film : kFilmWords) {
        if (word == film) return true;
      }
      word_start = pos;
    }
    if (!more) return false;
  }
}

}  // namespace kestro
