#include "xmltv_import_floor.h"

#include <expat.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "listings/search_conditions.h"
#include "listings/titles.h"
#include "storage/listings_database.h"

namespace kestro {
namespace {

double CpuNow() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

[[noreturn]] void Fail(sqlite3* db, const char* what) {
  std::fprintf(stderr, "floor: %s: %s\n", what, sqlite3_errmsg(db));
  std::exit(1);
}

// One prepared statement, bound by position and run once per Step.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK)
      Fail(db, sql);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Int(int index, int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  Statement& Text(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    return *this;
  }
  void Step() {
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE && rc != SQLITE_CONSTRAINT) Fail(db_, "insert");
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// "yyyymmddhhnnss ..." packed as the guide stores times (the zone left out: the floor does not
// convert it, the cost is the same).
int32_t PackedTime(std::string_view text) {
  if (text.size() < 14) return 0;
  auto num = [&](size_t at, size_t n) {
    int value = 0;
    for (size_t i = at; i < at + n; ++i) value = value * 10 + (text[i] - '0');
    return static_cast<uint32_t>(value);
  };
  return static_cast<int32_t>((num(0, 4) - 1980) << 25 | num(4, 2) << 21 | num(6, 2) << 16 |
                              num(8, 2) << 11 | num(10, 2) << 5 | num(12, 2) / 2);
}

struct Programme {
  std::string channel, start, stop, title, subtitle, description, short_description, episode,
      tv_rating, movie_rating, language, country, premiere;
  bool repeat = false;
  std::vector<std::string> genres;
  std::vector<std::pair<std::string, std::string>> people;  // name, role
};

class Floor {
 public:
  Floor(sqlite3* db)
      : db_(db),
        channel_(db, "insert into channels ( channel_id , external_id , wanted ) values ( null , "
                     "? , 1 )"),
        program_(db, "insert into programs ( id , channel_id , external_id , start_time , "
                     "end_time , title , subtitle , tv_rating , movie_rating , program_type , "
                     "sort_title , search_title ) values ( null , ? , ? , ? , ? , ? , ? , ? , ? , "
                     "? , ? , ? )"),
        details_(db, "insert into program_details ( id , long_desc , short_desc , is_repeat , "
                     "premiere_finale , language , origin_country , episode_num ) values ( ? , ? "
                     ", ? , ? , ? , ? , ? , ? )"),
        words_(db, "insert into program_words ( program_id , words ) values ( ? , ? )"),
        person_(db, "insert into people ( person_id , name , search_name ) values ( null , ? , "
                    "? )"),
        role_(db, "insert into roles ( role_id , role ) values ( null , ? )"),
        genre_(db, "insert into genres ( genre_id , genre ) values ( null , ? )"),
        program_person_(db, "insert into program_people ( program_id , person_id , role_id , "
                            "relevance ) values ( ? , ? , ? , ? )"),
        program_genre_(db, "insert into program_genres ( program_id , genre_id , relevance ) "
                           "values ( ? , ? , ? )") {}

  int stored() const { return stored_; }

  void Channel(const std::string& external_id) {
    channel_.Text(1, external_id).Step();
    channels_[external_id] = sqlite3_last_insert_rowid(db_);
  }

  // A programme is stored once the next one of its channel is read (its stop time may be that
  // start); the last of each channel at the end.
  void Add(Programme&& p) {
    auto [pending, first] = pending_.try_emplace(p.channel);
    if (!first) {
      if (pending->second.stop.empty()) pending->second.stop = p.start;
      Store(pending->second);
    }
    pending->second = std::move(p);
  }
  void Finish() {
    for (auto& [channel, p] : pending_) {
      if (!p.stop.empty()) Store(p);
    }
    pending_.clear();
  }

 private:
  int64_t Find(std::unordered_map<std::string, int64_t>& ids, Statement& insert,
               const std::string& key, std::string_view second = {}) {
    auto [it, added] = ids.try_emplace(key, 0);
    if (added) {
      insert.Text(1, key);
      if (!second.empty()) insert.Text(2, second);
      insert.Step();
      it->second = sqlite3_last_insert_rowid(db_);
    }
    return it->second;
  }

  void Store(const Programme& p) {
    const auto channel = channels_.find(p.channel);
    if (channel == channels_.end()) return;
    const bool movie = !p.movie_rating.empty() || p.episode.starts_with("MV");
    const Titles titles = MakeTitles(p.title, true);
    program_.Int(1, channel->second).Text(2, p.episode).Int(3, PackedTime(p.start))
        .Int(4, PackedTime(p.stop)).Text(5, p.title).Text(6, p.subtitle).Text(7, p.tv_rating)
        .Text(8, p.movie_rating).Text(9, movie ? "MV" : p.episode.substr(0, 2))
        .Text(10, titles.sort_title).Text(11, titles.search_title).Step();
    const int64_t id = sqlite3_last_insert_rowid(db_);
    details_.Int(1, id).Text(2, p.description).Text(3, p.short_description)
        .Int(4, p.repeat ? 1 : 0).Text(5, p.premiere).Text(6, p.language).Text(7, p.country)
        .Text(8, p.episode).Step();
    std::string text = titles.search_title;
    for (const std::string* part : {&p.subtitle, &p.description, &p.premiere, &p.language,
                                    &p.country}) {
      text += ' ';
      text += *part;
    }
    text += movie ? " movie " : " ";
    for (const auto& [name, role] : p.people) (text += name) += ' ';
    for (const std::string& genre : p.genres) (text += genre) += ' ';
    words_.Int(1, id).Text(2, " " + NormalizeKeywords(text) + " ").Step();
    int relevance = 0;
    for (const auto& [name, role] : p.people) {
      const int64_t person = Find(people_, person_, name, MakeTitles(name, false).search_title);
      program_person_.Int(1, id).Int(2, person).Int(3, Find(roles_, role_, role))
          .Int(4, ++relevance).Step();
    }
    relevance = 0;
    for (const std::string& genre : p.genres)
      program_genre_.Int(1, id).Int(2, Find(genres_, genre_, genre)).Int(3, ++relevance).Step();
    ++stored_;
  }

  sqlite3* db_;
  Statement channel_, program_, details_, words_, person_, role_, genre_, program_person_,
      program_genre_;
  std::unordered_map<std::string, int64_t> channels_, people_, roles_, genres_;
  std::unordered_map<std::string, Programme> pending_;
  int stored_ = 0;
};

// The expat handlers: the element being read and the programme it belongs to.
struct Reader {
  Floor* floor = nullptr;
  Programme programme;
  bool in_programme = false;
  std::string element, attribute, text;  // attribute: the element's lang, system or role
};

const char* Attribute(const XML_Char** attrs, const char* name) {
  for (int i = 0; attrs[i]; i += 2) {
    if (!std::strcmp(attrs[i], name)) return attrs[i + 1];
  }
  return nullptr;
}

void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** attrs) {
  auto* r = static_cast<Reader*>(user);
  r->element = name;
  r->text.clear();
  if (!std::strcmp(name, "channel")) {
    if (const char* id = Attribute(attrs, "id")) r->floor->Channel(id);
  } else if (!std::strcmp(name, "programme")) {
    r->in_programme = true;
    r->programme = Programme();
    const char* channel = Attribute(attrs, "channel");
    const char* start = Attribute(attrs, "start");
    const char* stop = Attribute(attrs, "stop");
    r->programme.channel = channel ? channel : "";
    r->programme.start = start ? start : "";
    r->programme.stop = stop ? stop : "";
  } else if (!std::strcmp(name, "previously-shown")) {
    r->programme.repeat = true;
  } else if (!std::strcmp(name, "premiere")) {
    r->programme.premiere = "premiere";
  } else if (!std::strcmp(name, "rating")) {
    const char* system = Attribute(attrs, "system");
    r->attribute = system ? system : "";
  } else if (std::strcmp(name, "value") != 0) {
    const char* attribute = Attribute(attrs, "system");
    if (!attribute) attribute = Attribute(attrs, "role");
    if (!attribute) attribute = Attribute(attrs, "lang");
    r->attribute = attribute ? attribute : "";
  }
}

void XMLCALL OnEnd(void* user, const XML_Char* name) {
  auto* r = static_cast<Reader*>(user);
  Programme& p = r->programme;
  const std::string_view element = name;
  std::string& text = r->text;
  if (!r->in_programme) {
  } else if (element == "programme") {
    r->in_programme = false;
    r->floor->Add(std::move(p));
  } else if (element == "title") {
    if (p.title.empty()) p.title = text;
  } else if (element == "sub-title") {
    p.subtitle = text;
  } else if (element == "desc") {
    if (r->attribute == "en" && text.size() > p.description.size()) {
      p.short_description = std::move(p.description);
      p.description = text;
    }
  } else if (element == "actor" || element == "director" || element == "writer" ||
             element == "presenter") {
    const bool actor = element == "actor";
    p.people.emplace_back(text, actor ? "Actor" : std::string(element));
  } else if (element == "category") {
    if (r->attribute == "en") p.genres.push_back(text);
  } else if (element == "episode-num") {
    if (r->attribute == "dd_progid") p.episode = text;
  } else if (element == "language") {
    p.language = text;
  } else if (element == "country") {
    p.country = text;
  } else if (element == "value") {
    if (r->attribute == "VCHIP") p.tv_rating = text;
    if (r->attribute == "MPAA") p.movie_rating = text;
  }
  text.clear();
}

void XMLCALL OnText(void* user, const XML_Char* text, int len) {
  static_cast<Reader*>(user)->text.append(text, static_cast<size_t>(len));
}

}  // namespace

FloorResult RunImportFloor(const std::string& xmltv_file, const std::string& guide_file,
                           const std::shared_ptr<Env>& env) {
  OpenListingsDatabase(guide_file, env);  // the schema and every index, as the import has them
  sqlite3* db = nullptr;
  if (sqlite3_open(guide_file.c_str(), &db) != SQLITE_OK) Fail(db, "open");
  sqlite3_exec(db, "PRAGMA cache_size = 5000;PRAGMA journal_mode=WAL;PRAGMA synchronous=NORMAL;",
               nullptr, nullptr, nullptr);

  FloorResult result;
  const auto started = std::chrono::steady_clock::now();
  const double cpu_started = CpuNow();
  sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
  {
    Floor floor(db);
    Reader reader;
    reader.floor = &floor;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    std::ifstream in(xmltv_file, std::ios::binary);
    std::vector<char> block(1 << 16);
    for (;;) {
      in.read(block.data(), static_cast<std::streamsize>(block.size()));
      const auto n = static_cast<int>(in.gcount());
      if (XML_Parse(parser, block.data(), n, n == 0) == XML_STATUS_ERROR) {
        std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
        std::exit(1);
      }
      if (n == 0) break;
    }
    XML_ParserFree(parser);
    floor.Finish();
    result.programmes = floor.stored();
  }
  if (sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db, "commit");
  result.cpu_seconds = CpuNow() - cpu_started;
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  sqlite3_close(db);
  return result;
}

}  // namespace kestro
