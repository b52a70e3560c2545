// kestro recordings: the recordings of the media library's recordings section, as kestrod hands
// them over: list them, show one, delete one (file, note in deleted.txt and entry), and print the
// file to play.
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/output.h"
#include "cli/time_arg.h"
#include "host/recordings.h"
#include "platform/text/text.h"
#include "platform/time/format_settings.h"

namespace kestro::cli {

namespace {

using host::RecordingEntry;

std::string SizeText(int64_t size) {
  if (size < 0) return "missing";
  return Format("%.1f MB", static_cast<double>(size) / 1e6);
}

std::string DurationText(double seconds) {
  const int64_t s = static_cast<int64_t>(seconds + 0.5);
  return Format("%lld:%02lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60));
}

ComPtr<host::TMediaLibrary> OpenLibrary() {
  return host::OpenMediaLibrary(host::DefaultMediaLibraryPath());
}

// The recording of the id on the command line. Throws Exception when there is none.
RecordingEntry FindRecording(host::TMediaLibrary& library, const std::string& id_text) {
  int64_t id = 0;
  if (TryStrToInt64(Trim(id_text), &id)) {
    if (std::optional<RecordingEntry> e = host::FindRecording(library, id)) return std::move(*e);
  }
  throw Exception("No recording with id \"" + id_text +
                  "\"; \"kestro recordings list\" shows the recordings");
}

int RunList(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(0);
  const OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  ComPtr<host::TMediaLibrary> library = OpenLibrary();
  TableOutput table({"id", "title", "channel", "start", "duration", "size", "keep", "watched"});
  for (const RecordingEntry& e : host::ListRecordings(*library)) {
    const std::string title = e.subtitle.empty() ? e.title : e.title + " - " + e.subtitle;
    table.AddRow({std::to_string(e.item->ID()), title, e.channel, FormatTime(e.start),
                  DurationText(e.duration_seconds), SizeText(e.size),
                  host::KeepUntilText(e.keep_until), e.watched ? "yes" : "no"});
  }
  if (table.RowCount() == 0 && format == OutputFormat::kTable) {
    ctx.out << "No recordings\n";
    return kExitOk;
  }
  table.Print(ctx.out, format);
  return kExitOk;
}

int RunShow(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(1);
  const OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  ComPtr<host::TMediaLibrary> library = OpenLibrary();
  const RecordingEntry e = FindRecording(*library, args.Positional(0, "RECORDING-ID"));
  std::vector<std::pair<std::string, std::string>> fields = {
      {"id", std::to_string(e.item->ID())}, {"file", e.file}, {"size", SizeText(e.size)}};
  for (const auto& [name, value] : e.item->TagBag().Values()) {
    std::string text;
    try {
      text = value.IsEmptyOrNull() ? std::string() : value.ToString();
    } catch (const std::exception&) {
      text = "?";
    }
    fields.emplace_back(name, text);
  }
  if (format == OutputFormat::kJson) {
    nlohmann::ordered_json object;
    for (const auto& [name, value] : fields) object[name] = value;
    ctx.out << object.dump(2) << "\n";
    return kExitOk;
  }
  TableOutput table({"name", "value"});
  for (const auto& [name, value] : fields) table.AddRow({name, value});
  table.Print(ctx.out, format);
  return kExitOk;
}

int RunDelete(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.ExpectAtMost(1);
  ComPtr<host::TMediaLibrary> library = OpenLibrary();
  const RecordingEntry e = FindRecording(*library, args.Positional(0, "RECORDING-ID"));
  const int64_t id = e.item->ID();
  const std::vector<std::string> files = host::DeleteRecording(*library, e);
  ctx.out << "Deleted recording " << id << " \"" << e.title << "\"\n";
  for (const std::string& file : files) ctx.out << "  removed " << file << "\n";
  return kExitOk;
}

int RunPlayPath(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.ExpectAtMost(1);
  ComPtr<host::TMediaLibrary> library = OpenLibrary();
  const RecordingEntry e = FindRecording(*library, args.Positional(0, "RECORDING-ID"));
  if (e.size < 0)
    throw Exception("The file of recording " + args.Positional(0, "") + " is missing: \"" + e.file +
                    "\"");
  ctx.out << e.file << "\n";
  return kExitOk;
}

}  // namespace

std::vector<Command> RecordingCommands() {
  return {
      {"recordings list", "kestro recordings list [--format F]",
       "the recordings in the media library",
       "  Each recording: id, title, channel, start, duration, size, keep rule and whether it\n"
       "  was watched.\n",
       RunList},
      {"recordings show", "kestro recordings show RECORDING-ID [--format F]",
       "a recording's file and every tag", "", RunShow},
      {"recordings delete", "kestro recordings delete RECORDING-ID",
       "delete a recording: its file (noted in deleted.txt beside it) and its entry", "",
       RunDelete},
      {"recordings play-path", "kestro recordings play-path RECORDING-ID",
       "print the file of a recording, for a player", "", RunPlayPath},
  };
}

}  // namespace kestro::cli
