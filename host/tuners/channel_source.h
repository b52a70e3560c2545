// Where the "http" tuner back end finds a channel's live stream: a URL template of the tuner
// group ("http://{host}:5004/auto/v{number}", as network tuners of the common kind serve) or an
// M3U playlist that lists stream URLs with the channels they carry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/tuners/tuner_list.h"
#include "host/tuners/tuner_stream.h"
#include "platform/env/env.h"

namespace kestro::host {

// One stream of an M3U playlist: "#EXTINF:-1 tvg-id=".." tvg-chno=".." tvg-name="..",Title" and
// the URL on the next line.
struct M3UEntry {
  std::string url;
  std::string tvg_id;
  std::string tvg_chno;
  std::string tvg_name;
  std::string title;
};

// The streams of a playlist in order; lines it does not know are skipped.
std::vector<M3UEntry> ParseM3U(std::string_view text);

// The entry of `channel`: the one whose tvg-id is the channel's external id, else the first whose
// tvg-chno is its number, else the first whose tvg-name or title is its name (ignoring case).
// Null when none is.
const M3UEntry* FindM3UChannel(const std::vector<M3UEntry>& entries, const TunerChannel& channel);

// The template with "{number}", "{name}", "{id}" (external id) and "{host}" filled in; the name
// and id are URL-encoded.
std::string ExpandUrlTemplate(std::string_view url_template, std::string_view host,
                              const TunerChannel& channel);

// The stream URL of `channel` for the tuner's group. The playlist is read from its file, or
// fetched when it is an http(s) URL. Throws Exception naming the channel when the group gives no
// URL for it, or why the playlist cannot be read.
std::string ChannelStreamUrl(const TunerInfo& tuner, const TunerChannel& channel, Env& env);

}  // namespace kestro::host
