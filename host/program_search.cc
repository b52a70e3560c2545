#include "host/program_search.h"

#include <algorithm>
#include <set>

#include "host/input_error.h"
#include "platform/text/text.h"

namespace kestro::host {

const std::vector<std::string>& ProgramSearchKinds() {
  static const std::vector<std::string> kinds = {"title", "keywords", "person",
                                                 "type",  "key",      "custom"};
  return kinds;
}

namespace {

std::vector<ComPtr<ITVProgram>> PersonSearch(ITVListings* listings, const ProgramSearch& s) {
  // A name without a wildcard is a whole name or a surname: "brennan" finds Ann Brennan.
  std::vector<std::string> patterns = {s.text};
  if (s.text.find('*') == std::string::npos) patterns.push_back("* " + s.text);
  std::vector<ComPtr<ITVProgram>> programs;
  std::set<int32_t> seen;
  for (const std::string& pattern : patterns) {
    ComPtr<IKestroItem> people;
    CheckHResult(listings->GetPeople(pattern, people.ReleaseAndGetAddressOf()));
    ForEachItemValue(people.Get(), [&](const std::string&, Variant id) {
      ComPtr<ITVProgramList> part;
      CheckHResult(listings->SearchByPerson(id.ToInt32(), s.channel_or_list, s.from, s.limit,
                                            part.ReleaseAndGetAddressOf()));
      for (auto& p : ListItems(part.Get()))
        if (seen.insert(Get(p.Get(), &ITVProgram::get_ID)).second) programs.push_back(p);
    });
  }
  std::stable_sort(programs.begin(), programs.end(), [](const auto& a, const auto& b) {
    return Get(a.Get(), &ITVProgram::get_StartTime) < Get(b.Get(), &ITVProgram::get_StartTime);
  });
  if (s.limit > 0 && programs.size() > static_cast<size_t>(s.limit)) programs.resize(s.limit);
  return programs;
}

}  // namespace

std::vector<ComPtr<ITVProgram>> SearchPrograms(ITVListings* listings, const ProgramSearch& s) {
  ComPtr<ITVProgramList> found;
  if (s.kind == "title") {
    CheckHResult(listings->SearchByTitle(s.text, s.channel_or_list, s.from, s.limit,
                                         found.ReleaseAndGetAddressOf()));
  } else if (s.kind == "keywords") {
    CheckHResult(listings->SearchByKeywords(s.text, s.keywords_type, s.channel_or_list, s.from,
                                            s.limit, found.ReleaseAndGetAddressOf()));
  } else if (s.kind == "type") {
    const std::string type = AsciiUpper(s.text);
    if (type != "MV" && type != "EP" && type != "SH" && type != "SP")
      throw InputError("the programme type is one of MV, EP, SH, SP");
    CheckHResult(listings->SearchByProgramType(type, s.from, 0, s.channel_or_list, s.limit,
                                               found.ReleaseAndGetAddressOf()));
  } else if (s.kind == "key") {
    CheckHResult(listings->SearchByEqualityKey(s.text, s.channel_or_list, s.from, s.limit,
                                               found.ReleaseAndGetAddressOf()));
  } else if (s.kind == "custom") {
    // Lines the search language cannot use are the person's mistakes, named by line and word.
    std::string problems;
    CheckHResult(listings->CustomSearch(s.text, &problems, found.ReleaseAndGetAddressOf()));
    if (!problems.empty()) throw InputError(problems);
    // The limit cuts the result after the query's own "limit" line.
    std::vector<ComPtr<ITVProgram>> programs = ListItems(found.Get());
    if (s.limit > 0 && programs.size() > static_cast<size_t>(s.limit)) programs.resize(s.limit);
    return programs;
  } else if (s.kind == "person") {
    return PersonSearch(listings, s);
  } else {
    throw InputError("unknown kind of search \"" + s.kind + "\"");
  }
  return ListItems(found.Get());
}

}  // namespace kestro::host
