// The searches a person starts on a lineup's guide, by kind: "title" (a pattern with * as a
// wildcard), "keywords" (any, all or the exact phrase), "person" (everyone whose name matches),
// "type" (MV, EP, SH, SP), "key" (an equality key) or "custom" (the custom search language, which
// sets its own time and channels; the limit then cuts its result).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kestro/interface_reads.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_programs.h"

namespace kestro::host {

struct ProgramSearch {
  std::string kind;
  std::string text;
  int32_t keywords_type = TV_KWD_SEARCH_TYPE_ANY;
  int32_t channel_or_list = 0;  // a channel list's id, minus a channel's id, or 0 for all
  OleDate from = 0;             // leave out programmes that ended before
  int32_t limit = 100;          // 0 for all
};

// The kinds of search, in the order people are offered them.
const std::vector<std::string>& ProgramSearchKinds();

// The programmes found, by start time (title searches by title). Throws InputError for an
// unknown kind or programme type, options the kind does not take or lines of a custom search it
// cannot use; Exception for the module's failures.
std::vector<ComPtr<ITVProgram>> SearchPrograms(ITVListings* listings, const ProgramSearch& search);

}  // namespace kestro::host
