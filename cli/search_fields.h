// The fields of the custom-search language as `kestro search --help` and `kestro rule --help`
// explain them.
#pragma once

namespace kestro::cli {

inline constexpr const char* kSearchFieldsHelp =
    "Custom search: one field per line (lines separated by \\ or a line break). A line that\n"
    "cannot be understood is refused, naming its number and the word:\n"
    "  title PATTERN, ...          title star trek*, the quiet detective (any case; * wildcard)\n"
    "  keywords all|any|exact W... keywords all space station\n"
    "  people PATTERN, ...         people ann brennan, * brennan (a person's name; * wildcard)\n"
    "  genre NAME, ...             genre drama, comedy\n"
    "  program-type TYPE, ...      program-type MV, SP (MV, SP, EP or SH)\n"
    "  movies-only                 movies-only\n"
    "  channel NUMBER, ...         channel 5, 7\n"
    "  channel-id ID, ...          channel-id 12\n"
    "  day DAY, ...                day sat, sun (mon ... sun or monday ... sunday)\n"
    "  start OP DATE / end OP DATE start >= today+1d20h (OP =, <, >, <= or >=; DATE now or\n"
    "                              today, + or - days d, hours h, minutes m)\n"
    "  start-time OP HH:MM         start-time >= 20:00 (also end-time)\n"
    "  next DURATION               next 3h30m (starting from now until then)\n"
    "  will-record                 will-record (programmes already to be recorded)\n"
    "  include-past                include-past (also programmes that have ended)\n"
    "  limit N                     limit 50\n"
    "  # TEXT                      a comment\n";

}  // namespace kestro::cli
