#include "cli/args.h"

#include "platform/text/text.h"

namespace kestro::cli {

ArgParser::ArgParser(std::vector<std::string> args, std::set<std::string> value_options,
                     std::set<std::string> flags) {
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      if (arg == "--") {
        options_done = true;
        continue;
      }
      positionals_.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> inline_value;
    if (size_t eq = name.find('='); eq != std::string::npos) {
      inline_value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (flags.count(name)) {
      if (inline_value) throw UsageError("option --" + name + " takes no value");
      flags_given_.insert(name);
    } else if (value_options.count(name)) {
      if (inline_value) {
        values_.emplace_back(name, *inline_value);
      } else {
        if (i + 1 >= args.size()) throw UsageError("option --" + name + " needs a value");
        values_.emplace_back(name, args[++i]);
      }
    } else {
      throw UsageError("unknown option --" + name);
    }
  }
}

std::optional<std::string> ArgParser::Value(const std::string& name) const {
  std::optional<std::string> result;
  for (const auto& [n, v] : values_)
    if (n == name) result = v;
  return result;
}

std::vector<std::string> ArgParser::Values(const std::string& name) const {
  std::vector<std::string> result;
  for (const auto& [n, v] : values_)
    if (n == name) result.push_back(v);
  return result;
}

bool ArgParser::Flag(const std::string& name) const { return flags_given_.count(name) > 0; }

const std::string& ArgParser::Positional(size_t index, const std::string& what) const {
  if (index >= positionals_.size()) throw UsageError("missing " + what);
  return positionals_[index];
}

void ArgParser::ExpectAtMost(size_t count) const {
  if (positionals_.size() > count)
    throw UsageError("unexpected argument \"" + positionals_[count] + "\"");
}

std::optional<int32_t> ArgParser::IntValue(const std::string& name, int32_t min,
                                           int32_t max) const {
  std::optional<std::string> text = Value(name);
  if (!text) return std::nullopt;
  int32_t value;
  if (!TryStrToInt(*text, &value) || value < min || value > max)
    throw UsageError(Format("--%s must be a whole number from %d to %d", name.c_str(), min, max));
  return value;
}

std::optional<std::string> ArgParser::Choice(const std::string& name,
                                             const std::vector<std::string>& allowed) const {
  std::optional<std::string> text = Value(name);
  if (!text) return std::nullopt;
  for (const std::string& a : allowed)
    if (*text == a) return text;
  throw UsageError("--" + name + " must be one of: " + Join(allowed, ", "));
}

}  // namespace kestro::cli
