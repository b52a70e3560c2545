// File-system locations shared by the module and its host.
#pragma once

#include <string>

namespace kestro {

// The directory with one trailing "/" added when missing; an empty value becomes "/".
std::string WithTrailingDelimiter(std::string dir);
// The running program's file (/proc/self/exe), or "" when unknown.
std::string ExecutablePath();
// $XDG_DATA_HOME, else ~/.local/share (no trailing "/").
std::string UserDataHome();

}  // namespace kestro
