// kestro lineup add | list | set | delete: the lineups and their import plug-in settings.
#include <set>
#include <utility>

#include "cli/cli.h"
#include "cli/output.h"
#include "cli/session.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

namespace {

// The import plug-ins by the names the tool gives them.
constexpr std::pair<const char*, const char*> kPlugins[] = {
    {"xmltv", "{B20AD294-96B6-4EE5-8A54-5CC4469C319F}"},
    {"service", "{ED730335-60B1-466C-8862-221A2160A810}"},
};

// A plug-in name, or a plug-in id in registry form, which is kept as written.
std::string PluginIdOf(const std::string& text) {
  for (const auto& [name, id] : kPlugins)
    if (text == name) return id;
  GUID guid;
  if (!TryParseGuid(text, &guid))
    throw UsageError("--plugin must be xmltv, service or a plug-in id such as {XXXXXXXX-...}");
  return text;
}

std::string PluginNameOf(const std::string& id) {
  for (const auto& [name, known_id] : kPlugins)
    if (id == known_id) return name;
  return id;
}

// The KEY=VALUE arguments of --set, in order.
std::vector<std::pair<std::string, std::string>> Assignments(const ArgParser& args) {
  std::vector<std::pair<std::string, std::string>> result;
  for (const std::string& text : args.Values("set")) {
    size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
      throw UsageError("--set takes KEY=VALUE, not \"" + text + "\"");
    result.emplace_back(text.substr(0, eq), text.substr(eq + 1));
  }
  return result;
}

void SetProperties(ITVLineup* lineup,
                   const std::vector<std::pair<std::string, std::string>>& values) {
  if (values.empty()) return;
  ComPtr<IKestroItem> props = GetObject(lineup, &ITVLineup::get_PluginProperties);
  for (const auto& [key, value] : values)
    CheckHResult(props->put_Values(Variant(key), Variant(value)));
}

// An item has no removal; the bag is filled again without the keys to drop. Throws when a key
// is not there, before anything changed.
void UnsetProperties(ITVLineup* lineup, int32_t id, const std::vector<std::string>& keys) {
  if (keys.empty()) return;
  ComPtr<IKestroItem> props = GetObject(lineup, &ITVLineup::get_PluginProperties);
  std::vector<std::pair<std::string, Variant>> kept;
  std::set<std::string> found;
  ForEachItemValue(props.Get(), [&](const std::string& name, Variant value) {
    for (const std::string& key : keys) {
      if (SameText(key, name)) {
        found.insert(key);
        return;
      }
    }
    kept.emplace_back(name, std::move(value));
  });
  for (const std::string& key : keys)
    if (!found.count(key))
      throw Exception(Format("Lineup %d has no property \"%s\"", id, key.c_str()));
  CheckHResult(props->Clear());
  for (const auto& [name, value] : kept) CheckHResult(props->put_Values(Variant(name), value));
}

void Save(ITVLineup* lineup) {
  std::string error;
  bool saved = false;
  CheckHResult(lineup->Save(&error, &saved));
  if (!saved) throw Exception(error);
}

int RunAdd(CommandContext& ctx) {
  ArgParser args(ctx.args, {"name", "plugin", "set"}, {});
  args.ExpectAtMost(0);
  std::optional<std::string> name = args.Value("name");
  std::optional<std::string> plugin = args.Value("plugin");
  if (!name || Trim(*name).empty()) throw UsageError("--name is required");
  if (!plugin) throw UsageError("--plugin is required");
  const std::string plugin_id = PluginIdOf(*plugin);
  const auto values = Assignments(args);

  Session session(ctx);
  ComPtr<ITVLineup> lineup = GetObject(session.Lineups(), &ITVLineups::NewLineup);
  CheckHResult(lineup->put_Name(*name));
  CheckHResult(lineup->put_PluginID(plugin_id));
  SetProperties(lineup.Get(), values);
  Save(lineup.Get());
  ctx.out << Get(lineup.Get(), &ITVLineup::get_ID) << "\n";
  return kExitOk;
}

int RunList(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(0);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));

  Session session(ctx);
  ITVLineups* lineups = session.Lineups();
  TableOutput table(
      {Number("id"), "name", "plugin", Number("tuners"), "last_update", Flag("last_update_ok"),
       "last_update_status"});
  for (const ComPtr<ITVLineup>& lineup : ListItems(lineups)) {
    ITVLineup* l = lineup.Get();
    const OleDate last_update = Get(l, &ITVLineup::get_LastUpdateTime);
    table.AddRow({std::to_string(Get(l, &ITVLineup::get_ID)), Get(l, &ITVLineup::get_Name),
                  PluginNameOf(Get(l, &ITVLineup::get_PluginID)),
                  std::to_string(Get(l, &ITVLineup::get_TunerCount)),
                  last_update == 0 ? "" : FormatDateTime("yyyy-mm-dd hh:nn:ss", last_update),
                  Get(l, &ITVLineup::get_LastUpdateOK) ? "yes" : "no",
                  Get(l, &ITVLineup::get_LastUpdateStatus)});
  }
  table.Print(ctx.out, format);
  return kExitOk;
}

int RunSet(CommandContext& ctx) {
  ArgParser args(ctx.args, {"name", "plugin", "set", "unset"}, {});
  const std::string& id_text = args.Positional(0, "lineup id");
  args.ExpectAtMost(1);
  std::optional<std::string> name = args.Value("name");
  std::optional<std::string> plugin = args.Value("plugin");
  if (name && Trim(*name).empty()) throw UsageError("--name must not be empty");
  const std::string plugin_id = plugin ? PluginIdOf(*plugin) : std::string();
  const auto values = Assignments(args);
  const std::vector<std::string> unset = args.Values("unset");
  if (!name && !plugin && values.empty() && unset.empty())
    throw UsageError("nothing to change: give --name, --plugin, --set or --unset");

  Session session(ctx);
  ComPtr<ITVLineup> lineup = session.FindLineup(id_text);
  if (name) CheckHResult(lineup->put_Name(*name));
  if (plugin) CheckHResult(lineup->put_PluginID(plugin_id));
  UnsetProperties(lineup.Get(), Get(lineup.Get(), &ITVLineup::get_ID), unset);
  SetProperties(lineup.Get(), values);
  Save(lineup.Get());
  return kExitOk;
}

int RunDelete(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  const std::string& id_text = args.Positional(0, "lineup id");
  args.ExpectAtMost(1);

  Session session(ctx);
  const int32_t id = Get(session.FindLineup(id_text).Get(), &ITVLineup::get_ID);
  bool deleted = false;
  CheckHResult(session.Lineups()->DeleteLineup(id, &deleted));
  if (!deleted) {
    throw Exception(
        Format("Lineup %d was not deleted: its listings database could not be "
               "removed or the lineups database is busy",
               id));
  }
  return kExitOk;
}

}  // namespace

std::vector<Command> LineupCommands() {
  return {
      {"lineup add", "kestro lineup add --name NAME --plugin xmltv|service|ID [--set KEY=VALUE]...",
       "add a lineup; prints its id",
       "  --name NAME       the lineup's name\n"
       "  --plugin P        the import plug-in: xmltv, service or a plug-in id {...}\n"
       "  --set KEY=VALUE   a setting of the plug-in (repeatable)\n"
       "Settings of the xmltv plug-in:\n"
       "  mode=I            import the listings files of dir (*.xml, *.xmltv, also .gz); any\n"
       "                    other mode runs the grabber exe with grabber, params and days\n"
       "  after-import=...  nothing, delete or rename (directory mode)\n"
       "  lang=CODE         the preferred language of titles and descriptions\n"
       "  timezone=ZONE     the zone of times the listings write without one: Local (the\n"
       "                    default), UTC, an offset such as +0100 or +01:00, or a zone name\n"
       "                    such as Europe/Berlin or America/New_York, whose summer time\n"
       "                    applies date by date\n"
       "Settings of the service plug-in:\n"
       "  headend-id=ID     the headend (provider) whose listings are fetched\n"
       "  country=CODE      the country code sent to the service\n"
       "  device-id=ID      the device identifier sent to the service\n"
       "  ignored-channels=ID,...  channel ids not imported unless the guide has them already\n"
       "  service-url=URL   the service's endpoint (default: the registry value service-url,\n"
       "                    else https://listings.kestrotv.org)\n",
       RunAdd},
      {"lineup list", "kestro lineup list [--format table|tsv|json]",
       "list the lineups with their plug-in, tuners and last import",
       "  --format F   table (default), tsv or json\n", RunList},
      {"lineup set",
       "kestro lineup set ID [--name NAME] [--plugin P] [--set KEY=VALUE]... "
       "[--unset KEY]...",
       "change a lineup's name, plug-in or plug-in settings",
       "  --name NAME       a new name\n"
       "  --plugin P        a new import plug-in: xmltv, service or a plug-in id {...}\n"
       "  --set KEY=VALUE   set a plug-in setting (repeatable)\n"
       "  --unset KEY       remove a plug-in setting (repeatable; applied before --set)\n",
       RunSet},
      {"lineup delete", "kestro lineup delete ID",
       "delete a lineup with its listings database and schedules", "", RunDelete},
  };
}

}  // namespace kestro::cli
