// xmltv_generator: writes realistic XMLTV listings for tests, benchmarks and demonstrations.
//
//   xmltv_generator --channels N --days D [--seed S] [--start YYYY-MM-DD] [--output FILE]
//
// The listings cover D days from 00:00 UTC of the start day (today when --start is not given).
// Each channel has two display names ("12 KXYZ" and "KXYZ Channel Twelve"), an icon and its own
// way of writing times (+0000, +0100, -0500, +0200 or UTC); its programmes run back to back with
// lengths from 5 minutes to 3 hours, drawn from a pool of series, news, films, sports, children's
// and documentary shows with credits, categories, ratings, star ratings, dd_progid and xmltv_ns
// episode numbers, dates in the forms YYYY, YYYYMMDD and YYYYMMDDhhmmss, lengths in minutes,
// seconds or hours, descriptions in one or two languages and some non-ASCII titles. About 3% of
// the programmes have no stop time.
//
// The output depends only on the options: the random numbers come from our own generator, not
// from the standard library's distributions, and every draw is a statement of its own (never two
// in one expression, whose order the compiler may choose), so a seed gives the same bytes
// everywhere. The file is written as it is generated; only the channels and their pools of
// shows are held in memory.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generator_options.h"
#include "generator_random.h"

namespace xmltv_generator {

using generator::Options;
using generator::Random;

// ---------------------------------------------------------------------------------------------
// Dates, in UTC without the C library's time zone.

struct Civil {
  int year, month, day, hour, minute, second;
};

Civil CivilFromSeconds(int64_t seconds) {
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
  return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d),
          static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
          static_cast<int>(rest % 60)};
}

// A channel's way of writing its times: the offset shown and the minutes it stands for.
struct Zone {
  const char* text;  // "+0100" or "UTC"
  int minutes;
};
constexpr Zone kZones[] = {{"+0000", 0}, {"+0100", 60}, {"-0500", -300}, {"UTC", 0}, {"+0200", 120}};

// "YYYYMMDDhhmmss +hhmm": the instant written as wall time in the zone.
std::string XmltvTime(int64_t utc_seconds, const Zone& zone) {
  const Civil c = CivilFromSeconds(utc_seconds + zone.minutes * 60);
  char text[48];
  snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d %s", c.year, c.month, c.day, c.hour,
           c.minute, c.second, zone.text);
  return text;
}

// ---------------------------------------------------------------------------------------------
// Words.

constexpr const char* kAdjectives[] = {
    "Silent", "Golden", "Hidden", "Last", "Broken", "Secret", "Quiet", "Wild", "Crimson",
    "Northern", "Lost", "Distant", "Frozen", "Burning", "Midnight", "Paper", "Velvet", "Glass"};
constexpr const char* kVowelAdjectives[] = {"Ancient", "Empty", "Open", "Old", "Unseen",
                                            "Endless", "Eternal", "Iron", "Ordinary", "Amber"};
constexpr const char* kNouns[] = {
    "Harbour", "Garden", "Frontier", "Kitchen", "Detective", "Orchard", "Lighthouse", "Signal",
    "Island", "Road", "Winter", "Valley", "Mirror", "Station", "Promise", "Circuit", "Bridge",
    "Archive", "Compass", "Lantern", "Summit", "Tide", "Workshop", "Embassy"};
constexpr const char* kPlaces[] = {"Lisbon", "Kraków", "Zürich", "Reykjavík", "Montréal",
                                   "São Paulo", "Malmö", "Galway", "Tromsø", "Cádiz",
                                   "Ljubljana", "Thessaloniki"};
// Titles in other scripts and with accents, used now and then.
constexpr const char* kForeignTitles[] = {
    "Ελληνικές Ιστορίες", "Новости дня", "東京の夜", "Crème de la Crème", "Die Küche am See",
    "Ночной экспресс", "Το Μυστικό του Λιμανιού", "北京故事", "Señora Núñez", "서울의 봄날",
    "Ça Commence Aujourd'hui", "Łódź Nocą"};
// The language of each foreign title, in the same order.
constexpr const char* kForeignTitleLanguages[] = {"el", "ru", "ja", "fr", "de", "ru",
                                                  "el", "zh", "es", "ko", "fr", "pl"};
static_assert(std::size(kForeignTitles) == std::size(kForeignTitleLanguages));
// Second titles of series, in French.
constexpr const char* kFrenchTitles[] = {"Le Phare", "Le Port", "La Frontière", "La Cuisine",
                                         "Le Jardin", "L'Île Perdue", "La Vallée", "Le Miroir"};
constexpr const char* kFirstNames[] = {
    "Anna", "Marco", "Léa", "Jonas", "Zoë", "Mateo", "Ingrid", "Tomás", "Chloé", "Rafael",
    "Noor", "Henrik", "Sofía", "Owen", "Mirela", "Kenji", "Elif", "Dmitri", "Agnès", "Samuel"};
constexpr const char* kLastNames[] = {
    "Álvarez", "Lindqvist", "Moreau", "Okafor", "Brennan", "Kowalski", "Nakamura", "Rossi",
    "Fischer", "O'Connell", "Dubois", "Haddad", "Novák", "Petrov", "Silva", "Whitfield",
    "Ferreira", "Janssen", "Müller", "Castellanos"};
constexpr const char* kRoles[] = {"Inspector Hale", "Dr. Wren", "Captain Ames", "Mara",
                                  "The Stranger", "Judge Orrin", "Eliza", "Coach Dunn"};
// "@" stands for a person, "#" for a place.
constexpr const char* kEnglishSentences[] = {
    "@ returns to # after twenty years and finds the old harbour changed beyond recognition.",
    "A storm cuts # off from the rest of the coast, and old rivalries surface around @.",
    "@ follows a trail of letters across #.",
    "In #, a missing painting puts @ on the spot.",
    "@ must choose between loyalty and the truth in #.",
    "An unexpected visitor changes everything for @ in #.",
    "@ investigates a string of break-ins around #.",
    "Preparations for the festival in # go wrong when @ loses the keys."};
constexpr const char* kNewsSentences[] = {
    "Headlines, weather and traffic, with @ reporting from #.",
    "The day's main stories from # and around the world; @ has the weather.",
    "@ presents the latest news, including a special report from #."};
constexpr const char* kSportsSentences[] = {
    "Live coverage of the regional final in #, with commentary by @.",
    "# hosts the second round; @ looks back at the season so far.",
    "Highlights and interviews from #, presented by @."};
constexpr const char* kFrenchSentences[] = {
    "@ revient à # et découvre un secret bien gardé.",
    "À #, @ mène l'enquête sur une disparition étrange.",
    "@ doit faire un choix difficile à #."};
constexpr const char* kGermanSentences[] = {
    "@ kehrt nach # zurück und entdeckt ein gut gehütetes Geheimnis.",
    "In # ermittelt @ in einem rätselhaften Fall.",
    "@ muss sich in # zwischen Loyalität und Wahrheit entscheiden."};
constexpr const char* kVchip[] = {"TV-Y", "TV-Y7", "TV-G", "TV-PG", "TV-14", "TV-MA"};
constexpr const char* kMpaa[] = {"G", "PG", "PG-13", "R", "NR"};
constexpr const char* kAdvisories[] = {"Adult Situations", "Violence", "Language",
                                       "Brief Nudity", "Graphic Violence"};
constexpr const char* kCountries[] = {"US", "GB", "FR", "DE", "CA", "ES", "SE", "JP"};
constexpr const char* kOnes[] = {"",      "One",     "Two",       "Three",    "Four",
                                 "Five",  "Six",     "Seven",     "Eight",    "Nine",
                                 "Ten",   "Eleven",  "Twelve",    "Thirteen", "Fourteen",
                                 "Fifteen", "Sixteen", "Seventeen", "Eighteen", "Nineteen"};
constexpr const char* kTens[] = {"",      "",      "Twenty",  "Thirty", "Forty",
                                 "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};

// 1..999 in words: "Four", "Twenty-One", "One Hundred Five".
std::string NumberInWords(int n) {
  std::string words;
  if (n >= 100) {
    words = std::string(kOnes[n / 100]) + " Hundred";
    n %= 100;
    if (n == 0) return words;
    words += ' ';
  }
  if (n < 20) return words + kOnes[n];
  words += kTens[n / 10];
  if (n % 10 != 0) words += std::string("-") + kOnes[n % 10];
  return words;
}

// Two words drawn in order, joined by `separator`.
template <size_t N, size_t M>
std::string TwoWords(Random& random, const char* const (&first)[N], const char* separator,
                     const char* const (&second)[M]) {
  std::string text = random.Pick(first);
  text += separator;
  text += random.Pick(second);
  return text;
}

std::string PersonName(Random& random) { return TwoWords(random, kFirstNames, " ", kLastNames); }

// A title, often with a leading article.
std::string MakeTitle(Random& random) {
  switch (random.Range(0, 9)) {
    case 0: case 1: case 2:
      return "The " + TwoWords(random, kAdjectives, " ", kNouns);
    case 3:
      return "A " + TwoWords(random, kNouns, " in ", kPlaces);
    case 4:
      return "An " + TwoWords(random, kVowelAdjectives, " ", kNouns);
    case 5:
      return TwoWords(random, kNouns, " & ", kNouns);
    case 6:
      if (random.Percent(50)) return random.Pick(kForeignTitles);
      return TwoWords(random, kPlaces, " ", kNouns);
    default:
      return TwoWords(random, kAdjectives, " ", kNouns);
  }
}

std::string Sentence(Random& random, const char* const* templates, size_t count) {
  const std::string_view pattern = templates[random.Next() % count];
  const std::string name = random.Pick(kFirstNames);
  const std::string place = random.Pick(kPlaces);
  std::string text;
  for (char c : pattern) {
    if (c == '@') {
      text += name;
    } else if (c == '#') {
      text += place;
    } else {
      text += c;
    }
  }
  return text;
}


// ---------------------------------------------------------------------------------------------
// XML output.

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

// <name attr="value">text</name> on its own line with the given indentation.
void Element(std::string& out, int indent, const char* name, std::string_view text,
             const char* attribute = nullptr, std::string_view value = {}) {
  out.append(static_cast<size_t>(indent), ' ');
  out += '<';
  out += name;
  if (attribute) {
    out += ' ';
    out += attribute;
    out += "=\"";
    AppendEscaped(out, value);
    out += '"';
  }
  out += '>';
  AppendEscaped(out, text);
  out += "</";
  out += name;
  out += ">\n";
}

// ---------------------------------------------------------------------------------------------
// Channels and shows.

enum class Kind { kSeries, kNews, kMovie, kSports, kKids, kDocumentary };

struct Show {
  Kind kind;
  std::string title;
  std::string foreign_title;  // a second title in French, sometimes
  int series_id;
  int season = 1;
  int episode = 0;
  int first_year;
  std::string director, writer, presenter;
  std::vector<std::pair<std::string, std::string>> actors;  // name, role
  std::vector<std::string> categories;
  const char* vchip;
  const char* country;
};

struct Channel {
  int number;
  std::string call_sign;
  std::string id;
  const Zone* zone;
  std::vector<Show> shows;
};

// The language code of a title.
const char* TitleLanguage(std::string_view title) {
  if (title == "Ειδήσεις της Ημέρας") return "el";
  for (size_t i = 0; i < std::size(kForeignTitles); ++i) {
    if (title == kForeignTitles[i]) return kForeignTitleLanguages[i];
  }
  return "en";
}

// Several sentences in English that suit the kind of show.
std::string English(Random& random, Kind kind, int sentences) {
  std::string text;
  for (int i = 0; i < sentences; ++i) {
    if (i > 0) text += ' ';
    if (kind == Kind::kNews) {
      text += Sentence(random, kNewsSentences, std::size(kNewsSentences));
    } else if (kind == Kind::kSports) {
      text += Sentence(random, kSportsSentences, std::size(kSportsSentences));
    } else {
      text += Sentence(random, kEnglishSentences, std::size(kEnglishSentences));
    }
  }
  return text;
}

Show MakeShow(Random& random, Kind kind, int& next_series_id) {
  Show show{kind, MakeTitle(random), {}, next_series_id++, 1, 0, random.Range(1985, 2026),
            {}, {}, {}, {}, {}, random.Pick(kVchip), random.Pick(kCountries)};
  switch (kind) {
    case Kind::kSeries:
      show.season = random.Range(1, 9);
      show.director = PersonName(random);
      show.writer = PersonName(random);
      for (int i = random.Range(2, 5); i > 0; --i) {
        std::string name = PersonName(random);
        std::string role = random.Percent(60) ? random.Pick(kRoles) : "";
        show.actors.emplace_back(std::move(name), std::move(role));
      }
      show.categories = {random.Percent(50) ? "Drama" : "Comedy", "Series"};
      if (random.Percent(30)) show.categories.push_back("Crime");
      if (random.Percent(15)) show.foreign_title = random.Pick(kFrenchTitles);
      break;
    case Kind::kNews:
      show.title = random.Percent(15)   ? kForeignTitles[1]
                   : random.Percent(15) ? "Ειδήσεις της Ημέρας"
                   : random.Percent(50) ? "The Evening Report"
                                        : "News at the Hour";
      show.presenter = PersonName(random);
      show.categories = {"News"};
      if (random.Percent(40)) show.categories.push_back("Weather");
      show.vchip = "TV-G";
      break;
    case Kind::kSports:
      show.presenter = PersonName(random);
      show.categories = {"Sports event", random.Percent(50) ? "Football" : "Tennis"};
      show.vchip = "TV-G";
      break;
    case Kind::kKids:
      show.writer = PersonName(random);
      show.categories = {"Children", random.Percent(50) ? "Animated" : "Educational"};
      show.vchip = random.Percent(50) ? "TV-Y" : "TV-Y7";
      break;
    case Kind::kDocumentary:
      show.presenter = PersonName(random);
      show.director = PersonName(random);
      show.categories = {"Documentary", random.Percent(50) ? "Nature" : "History"};
      break;
    case Kind::kMovie:
      break;  // every airing is a new film
  }
  return show;
}

Channel MakeChannel(Random& random, int number, int& next_series_id) {
  Channel channel;
  channel.number = number;
  channel.call_sign = random.Percent(50) ? "K" : "W";
  for (int i = 0; i < 3; ++i) channel.call_sign += static_cast<char>('A' + random.Range(0, 25));
  channel.id = "ch" + std::to_string(number) + ".example";
  channel.zone = &random.Pick(kZones);
  const Kind kinds[] = {Kind::kSeries, Kind::kSeries, Kind::kSeries, Kind::kSeries, Kind::kNews,
                        Kind::kSports, Kind::kKids,   Kind::kKids,   Kind::kDocumentary,
                        Kind::kDocumentary, Kind::kMovie};
  for (Kind kind : kinds) channel.shows.push_back(MakeShow(random, kind, next_series_id));
  for (int i = random.Range(2, 6); i > 0; --i) {
    channel.shows.push_back(MakeShow(random, Kind::kSeries, next_series_id));
  }
  return channel;
}

void WriteChannel(std::string& out, Random& random, const Channel& channel) {
  out += "  <channel id=\"" + channel.id + "\">\n";
  Element(out, 4, "display-name", std::to_string(channel.number) + " " + channel.call_sign);
  Element(out, 4, "display-name",
          channel.call_sign + " Channel " + NumberInWords(channel.number % 1000));
  if (random.Percent(30)) Element(out, 4, "display-name", std::to_string(channel.number));
  out += "    <icon src=\"https://img.example/logos/" + channel.id + ".png\"";
  out += random.Percent(50) ? " width=\"120\" height=\"90\"/>\n" : "/>\n";
  Element(out, 4, "url", "https://" + channel.id + "/");
  out += "  </channel>\n";
}

// Which kind of show fits the hour (wall time of the channel) and its length in minutes.
Kind KindForHour(Random& random, int hour) {
  if (hour == 6 || hour == 12 || hour == 18 || hour == 23) {
    if (random.Percent(60)) return Kind::kNews;
  }
  if (hour >= 7 && hour < 10 && random.Percent(50)) return Kind::kKids;
  if (hour >= 20 && hour < 23 && random.Percent(35)) return Kind::kMovie;
  if (hour < 5 && random.Percent(30)) return Kind::kDocumentary;
  constexpr Kind kDaytime[] = {Kind::kSeries, Kind::kSeries, Kind::kSeries, Kind::kSports,
                               Kind::kDocumentary, Kind::kKids, Kind::kNews, Kind::kMovie};
  return random.Pick(kDaytime);
}

int MinutesFor(Random& random, Kind kind) {
  switch (kind) {
    case Kind::kNews: { constexpr int m[] = {5, 10, 15, 30, 30, 60}; return random.Pick(m); }
    case Kind::kKids: { constexpr int m[] = {5, 10, 15, 25, 30, 30}; return random.Pick(m); }
    case Kind::kMovie: { constexpr int m[] = {90, 95, 105, 120, 150, 180}; return random.Pick(m); }
    case Kind::kSports: { constexpr int m[] = {60, 90, 120, 150, 180}; return random.Pick(m); }
    case Kind::kDocumentary: { constexpr int m[] = {30, 45, 60, 60, 90}; return random.Pick(m); }
    case Kind::kSeries: { constexpr int m[] = {30, 30, 30, 45, 60}; return random.Pick(m); }
  }
  return 30;
}

// A date in one of the three XMLTV forms.
std::string XmltvDate(Random& random, int year, bool full_date) {
  char text[24];
  if (!full_date) {
    snprintf(text, sizeof text, "%04d", year);
  } else {
    const bool with_time = random.Percent(30);
    const int month = random.Range(1, 12);
    const int day = random.Range(1, 28);
    const int hour = random.Range(0, 23);
    const int minute = random.Range(0, 11) * 5;
    if (with_time) {
      snprintf(text, sizeof text, "%04d%02d%02d%02d%02d00", year, month, day, hour, minute);
    } else {
      snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    }
  }
  return text;
}

void WriteLength(std::string& out, Random& random, int minutes) {
  const int form = random.Range(0, 9);
  if (form == 0) {
    Element(out, 4, "length", std::to_string(minutes * 60), "units", "seconds");
  } else if (form == 1 && minutes % 60 == 0) {
    Element(out, 4, "length", std::to_string(minutes / 60), "units", "hours");
  } else {
    Element(out, 4, "length", std::to_string(minutes), "units", "minutes");
  }
}

void WriteProgramme(std::string& out, Random& random, const Channel& channel, Show& show,
                    int64_t start, int64_t stop, int minutes, int& next_series_id) {
  const Zone& zone = *channel.zone;
  out += "  <programme start=\"" + XmltvTime(start, zone) + "\"";
  if (!random.Percent(3)) out += " stop=\"" + XmltvTime(stop, zone) + "\"";
  out += " channel=\"" + channel.id + "\">\n";

  const bool movie = show.kind == Kind::kMovie;
  const std::string title = movie ? MakeTitle(random) : show.title;
  Element(out, 4, "title", title, "lang", TitleLanguage(title));
  if (!show.foreign_title.empty()) Element(out, 4, "title", show.foreign_title, "lang", "fr");

  // Episodes: mostly the next one, sometimes an earlier one again.
  bool repeat = false;
  int episode = 0;
  if (show.kind == Kind::kSeries || show.kind == Kind::kKids) {
    repeat = show.episode > 0 && random.Percent(30);
    episode = repeat ? random.Range(1, show.episode) : ++show.episode;
    const std::string subtitle = random.Percent(50) ? std::string("The ") + random.Pick(kNouns)
                                                    : TwoWords(random, kFirstNames, "'s ", kNouns);
    Element(out, 4, "sub-title", subtitle, "lang", "en");
  }

  // Descriptions: one to three, a second language on some.
  const int descriptions = random.Range(1, 3);
  Element(out, 4, "desc", English(random, show.kind, 1), "lang", "en");
  if (descriptions >= 2) {
    const int sentences = random.Range(3, 5);
    Element(out, 4, "desc", English(random, show.kind, sentences), "lang", "en");
  }
  if (descriptions == 3) {
    if (random.Percent(50)) {
      Element(out, 4, "desc", Sentence(random, kFrenchSentences, std::size(kFrenchSentences)),
              "lang", "fr");
    } else {
      Element(out, 4, "desc", Sentence(random, kGermanSentences, std::size(kGermanSentences)),
              "lang", "de");
    }
  }

  // Credits.
  std::string director = show.director, writer = show.writer;
  std::vector<std::pair<std::string, std::string>> actors = show.actors;
  if (movie) {
    director = PersonName(random);
    writer = random.Percent(70) ? PersonName(random) : "";
    for (int i = random.Range(2, 6); i > 0; --i) actors.emplace_back(PersonName(random), "");
  }
  if (!director.empty() || !writer.empty() || !show.presenter.empty() || !actors.empty()) {
    out += "    <credits>\n";
    if (!director.empty()) Element(out, 6, "director", director);
    for (const auto& [name, role] : actors) {
      if (role.empty()) {
        Element(out, 6, "actor", name);
      } else {
        Element(out, 6, "actor", name, "role", role);
      }
    }
    if (!writer.empty()) Element(out, 6, "writer", writer);
    if (!show.presenter.empty()) Element(out, 6, "presenter", show.presenter);
    out += "    </credits>\n";
  }

  // Date: the film's year, the episode's first airing, or today's news.
  if (movie) {
    Element(out, 4, "date", XmltvDate(random, random.Range(1950, 2026), false));
  } else if (show.kind == Kind::kNews) {
    const Civil c = CivilFromSeconds(start);
    char text[16];
    snprintf(text, sizeof text, "%04d%02d%02d", c.year, c.month, c.day);
    Element(out, 4, "date", text);
  } else if (random.Percent(60)) {
    Element(out, 4, "date", XmltvDate(random, show.first_year, random.Percent(60)));
  }

  if (movie) {
    Element(out, 4, "category", "Movie", "lang", "en");
    Element(out, 4, "category", random.Percent(50) ? "Thriller" : "Romance", "lang", "en");
    if (random.Percent(30)) Element(out, 4, "category", "Film", "lang", "fr");
  } else {
    for (const std::string& category : show.categories) {
      Element(out, 4, "category", category, "lang", "en");
    }
    if (show.kind == Kind::kDocumentary && random.Percent(30)) {
      Element(out, 4, "category", "Documentaire", "lang", "fr");
    }
  }
  if (random.Percent(20)) Element(out, 4, "language", "en");
  WriteLength(out, random, minutes);
  if (random.Percent(15)) {
    out += "    <icon src=\"https://img.example/programmes/p" + std::to_string(show.series_id) +
           ".jpg\"/>\n";
  }
  if (movie || random.Percent(10)) Element(out, 4, "country", show.country);

  // Episode numbers.
  char id[32];
  if (movie) {
    snprintf(id, sizeof id, "MV%06d.0000", next_series_id++);
  } else if (episode > 0) {
    snprintf(id, sizeof id, "EP%06d.%04d", show.series_id, episode);
  } else {
    snprintf(id, sizeof id, "SH%06d.0000", show.series_id);
  }
  Element(out, 4, "episode-num", id, "system", "dd_progid");
  if (episode > 0) {
    char ns[48];
    snprintf(ns, sizeof ns, "%d . %d . 0/1", show.season - 1, episode - 1);
    Element(out, 4, "episode-num", ns, "system", "xmltv_ns");
  }

  if (random.Percent(40)) out += "    <video>\n      <aspect>16:9</aspect>\n    </video>\n";
  if (repeat) {
    out += "    <previously-shown/>\n";
  } else if (episode == 1 || (movie && random.Percent(10))) {
    out += "    <premiere/>\n";
  }
  if (random.Percent(10)) out += "    <subtitles type=\"teletext\"/>\n";

  // Ratings and stars.
  if (movie) {
    out += "    <rating system=\"MPAA\">\n";
    Element(out, 6, "value", random.Pick(kMpaa));
    out += "    </rating>\n";
  } else {
    out += "    <rating system=\"VCHIP\">\n";
    Element(out, 6, "value", show.vchip);
    out += "    </rating>\n";
  }
  if (random.Percent(10)) {
    out += "    <rating system=\"advisory\">\n";
    Element(out, 6, "value", random.Pick(kAdvisories));
    out += "    </rating>\n";
  }
  if (movie || random.Percent(20)) {
    out += "    <star-rating>\n";
    Element(out, 6, "value", std::to_string(random.Range(1, 4)) + "/4");
    out += "    </star-rating>\n";
  }
  out += "  </programme>\n";
}

// ---------------------------------------------------------------------------------------------
// The run.

class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) {}
  // Writes `text` and empties it.
  bool Write(std::string& text) {
    const bool ok = std::fwrite(text.data(), 1, text.size(), file_) == text.size();
    text.clear();
    return ok;
  }

 private:
  std::FILE* file_;
};

// Writes the listings; false when a write fails.
bool Generate(const Options& options, std::FILE* file) {
  Random random(options.seed);
  Output output(file);
  const int64_t first = options.start_day * 86400;
  const int64_t last = first + static_cast<int64_t>(options.days) * 86400;

  std::string out;
  out.reserve(1 << 16);
  const Civil day = CivilFromSeconds(first);
  char header[256];
  snprintf(header, sizeof header,
           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
           "<tv date=\"%04d%02d%02d000000 +0000\" source-info-name=\"Generated sample listings\" "
           "generator-info-name=\"xmltv_generator\">\n",
           day.year, day.month, day.day);
  out += header;

  int next_series_id = random.Range(10000, 90000);
  std::vector<Channel> channels;
  int number = random.Range(2, 5);
  for (int i = 0; i < options.channels; ++i) {
    channels.push_back(MakeChannel(random, number, next_series_id));
    number += random.Range(1, 4);
  }
  for (const Channel& channel : channels) WriteChannel(out, random, channel);
  if (!output.Write(out)) return false;

  for (Channel& channel : channels) {
    int64_t start = first;
    while (start < last) {
      const int hour = CivilFromSeconds(start + channel.zone->minutes * 60).hour;
      const Kind kind = KindForHour(random, hour);
      std::vector<Show*> candidates;
      for (Show& show : channel.shows) {
        if (show.kind == kind) candidates.push_back(&show);
      }
      Show& show = *candidates[random.Next() % candidates.size()];
      const int minutes = MinutesFor(random, kind);
      const int64_t stop = start + minutes * 60;
      WriteProgramme(out, random, channel, show, start, stop, minutes, next_series_id);
      if (out.size() >= (1 << 16) && !output.Write(out)) return false;
      start = stop;
    }
  }
  out += "</tv>\n";
  return output.Write(out);
}

constexpr const char* kUsage =
    "usage: xmltv_generator --channels N --days D [--seed S] [--start YYYY-MM-DD] "
    "[--output FILE]\n"
    "Writes XMLTV listings of N channels over D days from 00:00 UTC of the start day\n"
    "(default today) to FILE (default standard output). The same options give the same bytes.\n";

int Run(int argc, char** argv) {
  Options options;
  if (const std::optional<int> status = generator::ReadCommandLine(
          argc, argv, "xmltv_generator", kUsage, /*takes_text=*/false, &options)) {
    return *status;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, &std::fclose);
  if (!options.output.empty()) {
    file.reset(std::fopen(options.output.c_str(), "wb"));
    if (!file) {
      std::fprintf(stderr, "xmltv_generator: cannot write %s: %s\n", options.output.c_str(),
                   std::strerror(errno));
      return 1;
    }
  }
  std::FILE* out = file ? file.get() : stdout;
  bool ok = Generate(options, out);
  ok = std::fflush(out) == 0 && ok;
  if (file) ok = std::fclose(file.release()) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "xmltv_generator: write failed: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace xmltv_generator

#ifndef XMLTV_GENERATOR_NO_MAIN
int main(int argc, char** argv) { return xmltv_generator::Run(argc, argv); }
#endif
