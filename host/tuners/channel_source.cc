#include "host/tuners/channel_source.h"

#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

namespace {

// The value of attribute `name` in an #EXTINF line ("" when absent).
std::string Attribute(std::string_view line, std::string_view name) {
  const std::string key = std::string(name) + "=\"";
  for (size_t at = line.find(key); at != std::string_view::npos; at = line.find(key, at + 1)) {
    if (at > 0 && line[at - 1] != ' ' && line[at - 1] != '\t') continue;
    const size_t from = at + key.size();
    const size_t to = line.find('"', from);
    if (to == std::string_view::npos) return {};
    return std::string(line.substr(from, to - from));
  }
  return {};
}

// The display title: the text after the first comma outside quotes.
std::string Title(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ',' && !quoted) return Trim(line.substr(i + 1));
  }
  return {};
}

std::string UrlEncode(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += Format("%%%02X", c);
    }
  }
  return out;
}

bool IsHttpUrl(std::string_view text) {
  return StartsWithText(text, "http://") || StartsWithText(text, "https://");
}

class StringSink final : public HttpSink {
 public:
  bool OnData(std::string_view data) override {
    body += data;
    return body.size() < kMaxPlaylist;
  }
  static constexpr size_t kMaxPlaylist = 64 << 20;
  std::string body;
};

std::string ReadPlaylist(const std::string& source, Env& env) {
  if (IsHttpUrl(source)) {
    StringSink sink;
    HttpRequest request;
    request.url = source;
    request.inactivity_timeout_ms = 15000;
    const HttpResult result = env.HttpGet(request, sink);
    if (result.outcome != HttpResult::Outcome::kDone)
      throw Exception("Failed to fetch the playlist \"" + source + "\" : " + result.error);
    if (result.status / 100 != 2)
      throw Exception(
          Format("Failed to fetch the playlist \"%s\" : HTTP %d", source.c_str(), result.status));
    return std::move(sink.body);
  }
  std::ifstream in(source, std::ios::binary);
  if (!in) throw Exception("Failed to read the playlist \"" + source + "\"");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::vector<M3UEntry> ParseM3U(std::string_view text) {
  std::vector<M3UEntry> entries;
  M3UEntry pending;
  bool has_info = false;
  for (const std::string& raw : Split(text, '\n')) {
    const std::string line = Trim(raw);
    if (line.empty()) continue;
    if (StartsWithText(line, "#EXTINF:")) {
      pending = M3UEntry{{},
                         Attribute(line, "tvg-id"),
                         Attribute(line, "tvg-chno"),
                         Attribute(line, "tvg-name"),
                         Title(line)};
      has_info = true;
    } else if (line[0] != '#') {
      if (!has_info) pending = M3UEntry{};
      pending.url = line;
      entries.push_back(std::move(pending));
      pending = M3UEntry{};
      has_info = false;
    }
  }
  return entries;
}

const M3UEntry* FindM3UChannel(const std::vector<M3UEntry>& entries, const TunerChannel& channel) {
  const std::string id = Trim(channel.external_id);
  if (!id.empty()) {
    for (const M3UEntry& e : entries)
      if (e.tvg_id == id) return &e;
  }
  const std::string number = std::to_string(channel.number);
  for (const M3UEntry& e : entries)
    if (channel.number > 0 && Trim(e.tvg_chno) == number) return &e;
  const std::string name = Trim(channel.name);
  for (const M3UEntry& e : entries)
    if (!name.empty() && (SameText(Trim(e.tvg_name), name) || SameText(e.title, name))) return &e;
  return nullptr;
}

std::string ExpandUrlTemplate(std::string_view url_template, std::string_view host,
                              const TunerChannel& channel) {
  const std::pair<std::string_view, std::string> fields[] = {
      {"{number}", std::to_string(channel.number)},
      {"{name}", UrlEncode(channel.name)},
      {"{id}", UrlEncode(channel.external_id)},
      {"{host}", std::string(host)}};
  std::string url;
  for (size_t i = 0; i < url_template.size();) {
    bool replaced = false;
    for (const auto& [field, value] : fields) {
      if (url_template.substr(i, field.size()) == field) {
        url += value;
        i += field.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) url += url_template[i++];
  }
  return url;
}

std::string ChannelStreamUrl(const TunerInfo& tuner, const TunerChannel& channel, Env& env) {
  const std::string which = Format("channel %d \"%s\" (id \"%s\")", channel.number,
                                   channel.name.c_str(), channel.external_id.c_str());
  if (!Trim(tuner.url_template).empty())
    return ExpandUrlTemplate(Trim(tuner.url_template), Trim(tuner.host), channel);
  if (!Trim(tuner.m3u).empty()) {
    const std::vector<M3UEntry> entries = ParseM3U(ReadPlaylist(Trim(tuner.m3u), env));
    if (const M3UEntry* entry = FindM3UChannel(entries, channel)) return entry->url;
    throw Exception("No URL for " + which + " in the playlist \"" + Trim(tuner.m3u) + "\"");
  }
  throw Exception(
      Format("No URL for %s: the tuner group of lineup %d names neither "
             "\"url-template\" nor \"m3u\"",
             which.c_str(), tuner.lineup_id));
}

}  // namespace kestro::host
