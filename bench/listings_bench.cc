// Search speed of the listings object over a guide the size of a large lineup: 500 channels ×
// 14 days (about 200,000 programmes with details, people, genres and words), stored the way an
// import stores them.
//
//   cmake -S . -B build-bench -G Ninja -DKESTRO_BUILD_BENCH=ON && ninja -C build-bench listings_bench
//   build-bench/bench/listings_bench [--guide=/path/guide.dat] [--mmap]
//                                    [--benchmark_filter=Keywords]
//
// The guide is built once per run in a temporary folder (or reused from --guide when that file
// exists). Goals: indexed searches under 10 ms, keyword searches under 5 ms (the time slices and
// keyword searches show their mean time beside the goal). --mmap maps the file into memory, to
// compare the reads of the searches.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/fake_env.h"
#include "listings/listings_object.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "scheduling/open_listings.h"

namespace kestro {
namespace {

constexpr int kChannels = 500;
constexpr int kDays = 14;

// Monday 3 March 2025: the guide starts at midnight; "now" is noon of that day.
OleDate GuideStart() { return EncodeDate(2025, 3, 3); }
OleDate Now() { return GuideStart() + 0.5; }

// Words drawn with a Zipf-like skew, so a few are common and most are rare, as in real text.
class WordSource {
 public:
  explicit WordSource(std::vector<std::string> words) : words_(std::move(words)) {
    std::vector<double> weights;
    for (size_t i = 0; i < words_.size(); ++i) weights.push_back(1.0 / static_cast<double>(i + 1));
    pick_ = std::discrete_distribution<size_t>(weights.begin(), weights.end());
  }
  const std::string& Next(std::mt19937& rng) { return words_[NextIndex(rng)]; }
  size_t NextIndex(std::mt19937& rng) { return pick_(rng); }
  const std::string& At(size_t i) const { return words_[i]; }
  size_t Size() const { return words_.size(); }

 private:
  std::vector<std::string> words_;
  std::discrete_distribution<size_t> pick_;
};

// Stop words rank first, the content words a keyword search looks for rank from 60 on among
// invented words, so each of them occurs in a few hundred to a few thousand programmes.
std::vector<std::string> MakeVocabulary(std::mt19937& rng) {
  const std::vector<std::string> stop = {"the", "and", "of", "a", "to", "in", "his", "her", "new",
                                         "with", "for", "on", "at", "from", "is", "life"};
  const std::vector<std::string> content = {
      "family", "city", "world", "night", "story", "love", "war", "home", "secret", "last",
      "team", "friends", "murder", "island", "river", "mountain", "dragon", "harbour", "journey",
      "school", "doctor", "police", "detective", "kitchen", "garden", "history", "ocean",
      "space", "station", "mission", "king", "queen", "village", "summer", "winter", "train",
      "road", "music", "concert", "football", "final", "championship", "election", "news",
      "weather", "science", "nature", "wildlife", "desert", "forest", "castle", "empire",
      "legend", "escape", "rescue", "fire", "storm", "ghost", "mystery", "treasure", "pirate",
      "robot", "planet", "galaxy", "star", "moon", "sun", "heart", "brother", "sister",
      "mother", "father", "wedding", "holiday", "christmas", "comedy", "drama", "crime",
      "justice", "court", "hospital", "emergency", "challenge", "competition", "cook",
      "travel", "house"};
  static const char* kSyllables[] = {"ka", "lo", "mi", "ter", "an", "dor", "vel", "si",  "ra",
                                     "nu", "pe", "gra", "tho", "lin", "mar", "os", "qua", "ben",
                                     "del", "fi", "zor", "ul", "han", "ki"};
  std::uniform_int_distribution<int> syllable(0, 23), length(2, 4);
  std::set<std::string> seen(stop.begin(), stop.end());
  seen.insert(content.begin(), content.end());
  std::vector<std::string> words = stop;
  size_t next_content = 0;
  while (words.size() < 4000) {
    if (words.size() >= 60 && words.size() % 5 == 0 && next_content < content.size()) {
      words.push_back(content[next_content++]);
      continue;
    }
    std::string w;
    for (int n = length(rng); n > 0; --n) w += kSyllables[syllable(rng)];
    if (seen.insert(w).second) words.push_back(w);
  }
  return words;
}

struct Show {
  std::string title;
  std::string search_title;
  std::string type;
  int minutes;
};

std::vector<Show> MakeShows(std::mt19937& rng, WordSource& vocabulary) {
  std::vector<Show> shows = {{"Star Trek", "star trek", "EP", 60},
                             {"Star Trek: Voyager", "star trek voyager", "EP", 60},
                             {"Stargate", "stargate", "EP", 60},
                             {"Starsky and Hutch", "starsky and hutch", "EP", 60},
                             {"Star Wars", "star wars", "MV", 120}};
  std::uniform_int_distribution<int> words(1, 4), kind(0, 9);
  static const int kMinutes[] = {30, 30, 30, 30, 60, 60, 60, 120};
  std::uniform_int_distribution<int> minutes(0, 7);
  while (shows.size() < 3000) {
    std::string title = kind(rng) < 3 ? "The" : "";
    for (int n = words(rng); n > 0; --n) {
      std::string w = vocabulary.At(16 + static_cast<size_t>(rng() % 1500));
      w[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(w[0])));
      title += (title.empty() ? "" : " ") + w;
    }
    const int k = kind(rng);
    shows.push_back({title, UnicodeLower(title), k < 2 ? "MV" : k < 3 ? "SP" : "EP",
                     kMinutes[minutes(rng)]});
  }
  return shows;
}

// Builds the guide in one transaction; every insert goes through a cached prepared statement.
void BuildGuide(TTVListings& listings) {
  const auto started = std::chrono::steady_clock::now();
  IDB& db = *listings.DB();
  std::mt19937 rng(20250303);
  WordSource vocabulary(MakeVocabulary(rng));
  std::vector<Show> shows = MakeShows(rng, vocabulary);
  static const char* kFirst[] = {"Anna", "Ben", "Clara", "David", "Eva", "Frank", "Grace",
                                 "Henry", "Ines", "Jack", "Kate", "Liam", "Maria", "Noah",
                                 "Olga", "Paul", "Rosa", "Sam", "Tara", "Umar", "Vera", "Will",
                                 "Xenia", "Yusuf", "Zoë", "Émile", "Søren", "Łucja"};
  std::vector<std::string> people;
  std::set<std::string> names;
  for (const char* first : kFirst)
    for (size_t i = 0; i < 1000; ++i) {
      std::string last = vocabulary.At(1000 + i * 3);  // rarer words than the descriptions use
      last[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(last[0])));
      std::string name = std::string(first) + " " + last;
      if (names.insert(name).second) people.push_back(std::move(name));
    }
  WordSource person_pick(people);
  static const char* kGenres[] = {"Drama", "Comedy", "News", "Sports", "Documentary",
                                  "Science Fiction", "Crime", "Children", "Music", "Reality",
                                  "Cooking", "Travel", "History", "Nature", "Talk", "Action",
                                  "Romance", "Horror", "Animation", "Game Show"};
  static const char* kRoles[] = {"Actor", "Director", "Host", "Guest", "Writer", "Producer"};

  db.BeginTransaction();
  for (int c = 1; c <= kChannels; ++c) {
    db.ExecFmt("insert into channels ( channel_id , external_id , number , short_name , "
               "long_name , network , frequency , image_id , wanted ) values ( %d , %s , %d , "
               "%s , %s , %s , %s , %s , %d )",
               {SqlArg::Int(c), SqlArg::Quoted(Format("I%d.labs.example", 10000 + c)),
                SqlArg::Int(c), SqlArg::Quoted(Format("CH%d", c)),
                SqlArg::Quoted(Format("Channel %d", c)), SqlArg::Quoted("Network"),
                SqlArg::Quoted(""), SqlArg::Quoted(""), SqlArg::Int(c % 10 == 0 ? 0 : 1)});
  }
  for (size_t g = 0; g < std::size(kGenres); ++g)
    db.ExecFmt("insert into genres ( genre_id , genre ) values ( %d , %s )",
               {SqlArg::Int(static_cast<int64_t>(g + 1)), SqlArg::Quoted(kGenres[g])});
  for (size_t r = 0; r < std::size(kRoles); ++r)
    db.ExecFmt("insert into roles ( role_id , role ) values ( %d , %s )",
               {SqlArg::Int(static_cast<int64_t>(r + 1)), SqlArg::Quoted(kRoles[r])});
  for (size_t p = 0; p < people.size(); ++p)
    db.ExecFmt("insert into people ( person_id , name , search_name ) values ( %d , %s , %s )",
               {SqlArg::Int(static_cast<int64_t>(p + 1)), SqlArg::Quoted(people[p]),
                SqlArg::Quoted(UnicodeLower(people[p]))});

  std::uniform_int_distribution<size_t> show_pick(0, shows.size() - 1);
  std::uniform_int_distribution<int> words_in_desc(12, 25), cast(2, 4), genre_count(1, 3),
      genre_pick(0, std::size(kGenres) - 1), role_pick(0, std::size(kRoles) - 1), coin(0, 99);
  int64_t id = 0;
  for (int c = 1; c <= kChannels; ++c) {
    // Each channel airs its own rotation of about twenty shows; the Star titles air on a few.
    std::vector<size_t> rotation;
    for (int i = 0; i < 20; ++i) rotation.push_back(show_pick(rng));
    if (c % 25 == 0) rotation[0] = static_cast<size_t>(c / 25 % 5);
    int64_t start_ms = OleDateToMillis(GuideStart()) - 30 * 60 * 1000;
    const int64_t end_of_guide = OleDateToMillis(GuideStart() + kDays);
    for (int slot = 0; start_ms < end_of_guide; ++slot) {
      const Show& show = shows[rotation[static_cast<size_t>(slot) % rotation.size()]];
      const int64_t end_ms = start_ms + show.minutes * 60 * 1000;
      ++id;
      std::string desc;
      for (int n = words_in_desc(rng); n > 0; --n) desc += (desc.empty() ? "" : " ") + vocabulary.Next(rng);
      const std::string subtitle = vocabulary.Next(rng) + " " + vocabulary.Next(rng);
      db.ExecFmt(
          "insert into programs ( id , channel_id , external_id , start_time , end_time , title , "
          "subtitle , tv_rating , movie_rating , program_type , sort_title , search_title , "
          "schedule_id ) values ( %d , %d , %s , %d , %d , %s , %s , %s , %s , %s , %s , %s , %d )",
          {SqlArg::Int(id), SqlArg::Int(c),
           SqlArg::Quoted(Format("%s%08lld", show.type.c_str(), static_cast<long long>(id % 40000))),
           SqlArg::Int(DateTimeToDbTime(MillisToOleDate(start_ms))),
           SqlArg::Int(DateTimeToDbTime(MillisToOleDate(end_ms))), SqlArg::Quoted(show.title),
           SqlArg::Quoted(subtitle), SqlArg::Quoted("TV-PG"), SqlArg::Quoted(""),
           SqlArg::Quoted(show.type), SqlArg::Quoted(show.title), SqlArg::Quoted(show.search_title),
           SqlArg::Int(coin(rng) == 0 ? 1 : 0)});
      db.ExecFmt("insert into program_details ( id , long_desc , short_desc , is_cc , is_stereo , "
                 "is_hdtv , year , run_time , color , language ) values ( %d , %s , %s , %d , %d , "
                 "%d , %d , %d , %s , %s )",
                 {SqlArg::Int(id), SqlArg::Quoted(desc), SqlArg::Quoted(desc.substr(0, 60)),
                  SqlArg::Int(1), SqlArg::Int(1), SqlArg::Int(coin(rng) < 40 ? 1 : 0),
                  SqlArg::Int(1950 + coin(rng) % 75), SqlArg::Int(show.minutes),
                  SqlArg::Quoted("Color"), SqlArg::Quoted("English")});
      std::string words = show.search_title + " " + subtitle + " " + desc;
      for (int n = genre_count(rng), last = -1; n > 0; --n) {
        const int g = genre_pick(rng);
        if (g == last) continue;
        last = g;
        db.ExecFmt("insert or ignore into program_genres ( program_id , genre_id , relevance ) "
                   "values ( %d , %d , %d )",
                   {SqlArg::Int(id), SqlArg::Int(g + 1), SqlArg::Int(n)});
        words += std::string(" ") + kGenres[g];
      }
      for (int n = cast(rng), relevance = 1; n > 0; --n, ++relevance) {
        const size_t person = person_pick.NextIndex(rng);
        const int64_t person_id = static_cast<int64_t>(person + 1);
        db.ExecFmt("insert or ignore into program_people ( program_id , person_id , role_id , "
                   "relevance ) values ( %d , %d , %d , %d )",
                   {SqlArg::Int(id), SqlArg::Int(person_id), SqlArg::Int(role_pick(rng) + 1),
                    SqlArg::Int(relevance)});
        words += " " + people[person];
      }
      db.ExecFmt("insert into program_words ( program_id , words ) values ( %d , %s )",
                 {SqlArg::Int(id), SqlArg::Quoted(" " + NormalizeKeywords(words) + " ")});
      start_ms = end_ms;
    }
  }
  db.Commit();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("Built the guide: %lld programmes on %d channels in %.1f s\n",
              static_cast<long long>(id), kChannels, seconds);
}

TTVListings* g_listings = nullptr;

// Runs one search per iteration and reports how many programmes it found; with a goal, the
// label shows the mean time beside it.
template <class Search>
void RunSearch(benchmark::State& state, Search search, double goal_ms = 0) {
  int32_t found = 0;
  const auto started = std::chrono::steady_clock::now();
  for (auto _ : state) {
    ComPtr<TTVProgramList> list = search(*g_listings);
    found = list->Count();
    benchmark::DoNotOptimize(found);
  }
  state.counters["programmes"] = found;
  if (goal_ms > 0 && state.iterations() > 0) {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count() /
        static_cast<double>(state.iterations());
    state.SetLabel(Format("%.2f ms, goal under %g ms: %s", ms, goal_ms,
                          ms < goal_ms ? "met" : "MISSED"));
  }
}

constexpr double kKeywordGoalMs = 5;
constexpr double kTimeSliceGoalMs = 10;

void BM_TitleExact(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) { return l.FindByTitle("Star Trek", 0, Now(), 0); });
}
void BM_TitleTrailingStar(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) { return l.FindByTitle("star*", 0, Now(), 0); });
}
// Three hours over all channels: from now, tomorrow evening, and the evening of the last day.
void BM_TimeSlice3hNow(benchmark::State& state) {
  RunSearch(
      state, [](TTVListings& l) { return l.FindInTimeSlice(Now(), Now() + 3 * kOneHour, 0, 0); },
      kTimeSliceGoalMs);
}
void BM_TimeSlice3hTomorrowEvening(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    return l.FindInTimeSlice(Now() + 1 + 7 * kOneHour, Now() + 1 + 10 * kOneHour, 0, 0);
  }, kTimeSliceGoalMs);
}
void BM_TimeSlice3hLastDay(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    return l.FindInTimeSlice(Now() + 13 + 7 * kOneHour, Now() + 13 + 10 * kOneHour, 0, 0);
  }, kTimeSliceGoalMs);
}
void BM_KeywordsAny(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    return l.FindByKeywords("treasure pirate", TV_KWD_SEARCH_TYPE_ANY, 0, Now(), 0);
  }, kKeywordGoalMs);
}
void BM_KeywordsAll(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    return l.FindByKeywords("treasure pirate", TV_KWD_SEARCH_TYPE_ALL, 0, Now(), 0);
  }, kKeywordGoalMs);
}
// Two of the most frequent content words: tens of thousands of programmes.
void BM_KeywordsAnyCommonWords(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    return l.FindByKeywords("family city", TV_KWD_SEARCH_TYPE_ANY, 0, Now(), 0);
  }, kKeywordGoalMs);
}
// The first keyword search after any change to the guide reads the programme times again.
void BM_KeywordsAnyCommonWordsAfterChange(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    l.DB()->Exec("update parameters set param_value = param_value where param_name = "
                 "\"longest-program\"");
    return l.FindByKeywords("family city", TV_KWD_SEARCH_TYPE_ANY, 0, Now(), 0);
  });
}
// What a web or cli search costs: a listings object opened for it, one keyword search, every
// programme found read.
void BM_KeywordsAnyFreshListings(benchmark::State& state) {
  int32_t found = 0;
  for (auto _ : state) {
    ComPtr<TTVListings> listings =
        OpenListings(g_listings->DB()->FileName(), 1, std::make_shared<testing::FakeEnv>(Now()));
    ComPtr<TTVProgramList> list =
        listings->FindByKeywords("treasure pirate", TV_KWD_SEARCH_TYPE_ANY, 0, Now(), 0);
    found = list->Count();
    for (int32_t i = 0; i < found; ++i) benchmark::DoNotOptimize(list->Item(i));
  }
  state.counters["programmes"] = found;
}
void BM_Person(benchmark::State& state) {
  // A person of middling fame (a few dozen programmes).
  static const int32_t person =
      g_listings->DB()->QueryInt("select person_id from program_people group by person_id "
                                 "having count(*) between 40 and 80 limit 1");
  RunSearch(state, [](TTVListings& l) { return l.FindByPerson(person, 0, Now(), 0); });
}
void BM_CustomSearchFourLines(benchmark::State& state) {
  RunSearch(state, [](TTVListings& l) {
    return l.RunCustomSearch("title star trek\nday sat, sun\nstart-time >= 20:00\ninclude-past");
  });
}
void BM_MasterChannels(benchmark::State& state) {
  int32_t count = 0;
  for (auto _ : state) {
    ComPtr<ITVChannelList> list;
    g_listings->GetMasterChannels(list.ReleaseAndGetAddressOf());
    list->get_Count(&count);
  }
  state.counters["channels"] = count;
}

// Heap held by a 10,000-programme result: the list alone, then with every programme made.
void BM_Result10000Memory(benchmark::State& state) {
  double list_bytes = 0, made_bytes = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    ComPtr<TTVProgramList> list = g_listings->FindByStartTime(Now(), 0, 0, 10000);
    list_bytes = static_cast<double>(mallinfo2().uordblks - before);
    for (int32_t i = 0; i < list->Count(); ++i) benchmark::DoNotOptimize(list->Item(i));
    made_bytes = static_cast<double>(mallinfo2().uordblks - before);
    state.counters["programmes"] = list->Count();
  }
  state.counters["list_KiB"] = list_bytes / 1024;
  state.counters["all_made_KiB"] = made_bytes / 1024;
}

BENCHMARK(BM_TitleExact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleTrailingStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimeSlice3hNow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimeSlice3hTomorrowEvening)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimeSlice3hLastDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordsAny)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordsAll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordsAnyCommonWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordsAnyCommonWordsAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordsAnyFreshListings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Person)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomSearchFourLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterChannels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Result10000Memory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kestro

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace kestro;
  std::string guide;
  bool memory_mapped = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--guide=", 0) == 0) guide = arg.substr(8);
    else if (arg == "--mmap") memory_mapped = true;
    else args.push_back(argv[i]);
  }
  fs::path temp;
  if (guide.empty()) {
    temp = fs::temp_directory_path() / Format("kestro-bench-%d", static_cast<int>(getpid()));
    guide = (temp / "listings.1.dat").string();
  }
  const bool exists = fs::exists(guide);
  int status = 0;
  {
    ComPtr<TTVListings> listings =
        OpenListings(guide, 1, std::make_shared<testing::FakeEnv>(Now()));
    g_listings = listings.Get();
    if (!exists) BuildGuide(*listings);
    if (memory_mapped) {
      // Scans read the file through a mapping instead of copying pages into the page cache.
      listings->DB()->Exec("PRAGMA mmap_size = 1073741824;");
      std::printf("With the file memory-mapped\n");
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_listings = nullptr;
  }
  if (!temp.empty()) fs::remove_all(temp);
  return status;
}
