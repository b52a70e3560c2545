// kestro tuners: which tuners serve which lineup.
#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "cli/session.h"
#include "cli/tuners.h"
#include "host/tuners/tuner_list.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

void AddTuners(pugi::xml_node group, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    pugi::xml_node tuner = group.append_child("tuner");
    tuner.append_attribute("device") = Format("tuner%d", i).c_str();
    tuner.append_attribute("instance") = i;
    tuner.append_attribute("graph") = "";
    pugi::xml_node tuning = tuner.append_child("tuning");
    tuning.append_attribute("id") = "";
    tuning.append_attribute("mode") = "";
    tuner.append_child("tuner-properties");
  }
}

pugi::xml_node AddGroup(pugi::xml_node config, int lineup_id, const std::string& backend) {
  pugi::xml_node group = config.append_child("group");
  group.append_attribute("lineup") = lineup_id;
  group.append_attribute("backend") = backend.c_str();
  return group;
}

std::string DocumentText(const pugi::xml_document& document) {
  std::ostringstream text;
  document.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
  return text.str();
}

// Replaces the groups of lineup `lineup_id` by one group of `tuners` tuners (none for 0), with
// the back end of the group it replaces. Other lineups' groups stay as they are; the file is
// replaced whole, so a reader never sees half of it.
void SetLineupTuners(const std::string& file_name, int lineup_id, int tuners) {
  host::ReadTunerList(file_name);  // names the file and the fault when it is broken
  pugi::xml_document document;
  document.load_file(file_name.c_str(), pugi::parse_default | pugi::parse_declaration);
  pugi::xml_node config = document.document_element();
  std::string backend = host::kDefaultTunerBackend;
  int first_instance = 0;
  for (pugi::xml_node group = config.child("group"); group;) {
    pugi::xml_node next = group.next_sibling("group");
    int32_t id = 0;
    TryStrToInt(group.attribute("lineup").value(), &id);
    if (id == lineup_id) {
      if (*group.attribute("backend").value()) backend = group.attribute("backend").value();
      config.remove_child(group);
    } else {
      for (pugi::xml_node t = group.child("tuner"); t; t = t.next_sibling("tuner"))
        first_instance = std::max(first_instance, t.attribute("instance").as_int() + 1);
    }
    group = next;
  }
  if (tuners > 0) AddTuners(AddGroup(config, lineup_id, backend), first_instance, tuners);
  const std::string temp = file_name + ".new";
  if (!document.save_file(temp.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
    throw Exception("Failed to write \"" + temp + "\"");
  std::error_code ec;
  std::filesystem::rename(temp, file_name, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw Exception("Failed to replace \"" + file_name + "\" : " + ec.message());
  }
}

int RunTunersSet(CommandContext& ctx) {
  ArgParser args(ctx.args, {"lineup"}, {});
  args.ExpectAtMost(1);
  int32_t tuners = 0;
  const std::string& text = args.Positional(0, "N");
  if (!TryStrToInt(text, &tuners) || tuners < 0 || tuners > 64)
    throw UsageError("N is a number of tuners from 0 to 64, not \"" + text + "\"");
  const int32_t lineup_id = args.IntValue("lineup", 1, 1 << 30).value_or(1);
  const ModuleConfig config = SetUpConfig(ctx.registry_path);
  SetLineupTuners(config.tuner_config_file, lineup_id, tuners);
  ctx.out << DescribeTunerGroups(config.tuner_config_file);
  return kExitOk;
}

int RunTunersList(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.ExpectAtMost(0);
  ctx.out << DescribeTunerGroups(SetUpConfig(ctx.registry_path).tuner_config_file);
  return kExitOk;
}

}  // namespace

std::string NewTunerConfiguration(int lineup_id, int tuners) {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  pugi::xml_node config = document.append_child("tuner-config");
  AddTuners(AddGroup(config, lineup_id, host::kDefaultTunerBackend), 0, tuners);
  return DocumentText(document);
}

std::string DescribeTunerGroups(const std::string& file_name) {
  // Per lineup in lineup order: its tuner count and back ends.
  std::map<int32_t, std::pair<int, std::vector<std::string>>> lineups;
  for (const host::TunerInfo& tuner : host::ReadTunerList(file_name)) {
    auto& [count, backends] = lineups[tuner.lineup_id];
    ++count;
    if (std::find(backends.begin(), backends.end(), tuner.backend) == backends.end())
      backends.push_back(tuner.backend);
  }
  if (lineups.empty()) return "no tuners (kestro tuners set N --lineup ID assigns some)\n";
  std::string text;
  for (const auto& [lineup_id, group] : lineups) {
    text += Format("lineup %d: %d tuner%s (%s)\n", lineup_id, group.first,
                   group.first == 1 ? "" : "s", Join(group.second, ", ").c_str());
  }
  return text;
}

std::vector<Command> TunerCommands() {
  return {
      {"tuners list", "kestro tuners list", "which tuners serve which lineup", "", RunTunersList},
      {"tuners set", "kestro tuners set N [--lineup ID]",
       "give a lineup N tuners of its own (0 takes them away)",
       "  --lineup ID   the lineup (default 1); the groups of other lineups are kept\n"
       "The tuner configuration is data/tuner-configuration.xml below the root; a lineup records\n"
       "only on the tuners of the groups that name it.\n",
       RunTunersSet},
  };
}

}  // namespace kestro::cli
