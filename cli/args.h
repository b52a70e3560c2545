// Command-line parsing for kestro: options "--name value", "--name=value" and flags "--name",
// then positional arguments. A mistake throws UsageError, which the tool reports with the
// command's usage line and exit code 2.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/input_error.h"

namespace kestro::cli {

// A host::InputError, as what the host's shared option checks throw: the tool reports both alike.
using host::InputError;
KESTRO_DECLARE_EXCEPTION(UsageError, InputError);

class ArgParser {
 public:
  // `value_options` take a value; `flags` do not. Names are given without "--".
  ArgParser(std::vector<std::string> args, std::set<std::string> value_options,
            std::set<std::string> flags);

  // The last value of an option, if given.
  std::optional<std::string> Value(const std::string& name) const;
  // Every value of a repeatable option, in order.
  std::vector<std::string> Values(const std::string& name) const;
  bool Flag(const std::string& name) const;
  const std::vector<std::string>& Positionals() const { return positionals_; }
  // Positional argument `index`, or UsageError "missing WHAT".
  const std::string& Positional(size_t index, const std::string& what) const;
  // UsageError when more than `count` positional arguments were given.
  void ExpectAtMost(size_t count) const;

  // An integer option within [min, max]; UsageError naming the option otherwise.
  std::optional<int32_t> IntValue(const std::string& name, int32_t min, int32_t max) const;
  // One of the allowed words.
  std::optional<std::string> Choice(const std::string& name,
                                    const std::vector<std::string>& allowed) const;

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::set<std::string> flags_given_;
  std::vector<std::string> positionals_;
};

}  // namespace kestro::cli
