// The grabber's command line, split as a POSIX shell would split it: quotes and backslashes, no
// expansion and no shell.
#pragma once

#include <string>
#include <vector>

namespace kestro {

// The words of a command line by POSIX shell quoting rules: blanks (space, tab, newline)
// separate words; '...' keeps everything literally; "..." keeps everything but a backslash
// before $ ` " \ or newline; an unquoted backslash keeps the next character (a backslash-newline
// pair vanishes). Nothing is expanded. Throws kestro::Exception on an unterminated quote.
std::vector<std::string> SplitCommandLine(const std::string& text);

}  // namespace kestro
