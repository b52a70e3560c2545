#include "cli/session.h"

#include "platform/system/registry_file.h"
#include "platform/text/text.h"

namespace kestro::cli {

ModuleConfig SetUpConfig(const std::string& registry_path) {
  const RegistryFile registry = RegistryFile::LoadChecked(registry_path);
  for (const char* folder : {"root", "library", "data"}) {
    if (registry.GetString(kTVRegistryKey, folder).empty())
      throw Exception("KestroTV is not set up: run kestro setup");
  }
  return ReadModuleConfig(registry);
}

ComPtr<ITVChannel> FindChannelArgument(ITVListings* listings, const std::string& text,
                                       const std::string& option) {
  const bool by_id = text.rfind("id:", 0) == 0;
  const std::string digits = by_id ? text.substr(3) : text;
  int32_t value = 0;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
      !TryStrToInt(digits, &value)) {
    throw UsageError(option + " takes a channel number as the guide shows it, or id:N for the "
                     "channel's id (kestro channel list LINEUP --all), not \"" + text + "\"");
  }
  if (by_id) {
    ComPtr<ITVChannel> channel;
    CheckHResult(listings->FindChannelByID(value, channel.ReleaseAndGetAddressOf()));
    if (!channel) throw Exception(Format("No channel with id %d", value));
    return channel;
  }
  std::vector<ComPtr<ITVChannel>> found;
  for (ComPtr<ITVChannel>& c :
       ListItems(GetObject(listings, &ITVListings::GetMasterChannels).Get()))
    if (Get(c.Get(), &ITVChannel::get_Number) == value) found.push_back(std::move(c));
  if (found.empty()) {
    throw Exception(Format("No channel with number %d; \"kestro channel list LINEUP --all\" "
                           "shows the channels",
                           value));
  }
  if (found.size() > 1) {
    std::vector<std::string> labels;
    for (const auto& c : found) labels.push_back(ChannelLabel(c.Get()));
    throw Exception(Format("Channel number %d is shared by %s: give id:N", value,
                           Join(labels, ", ").c_str()));
  }
  return found.front();
}

std::string ChannelLabel(ITVChannel* channel) {
  std::string name = Get(channel, &ITVChannel::get_ShortName);
  if (name.empty()) name = Get(channel, &ITVChannel::get_LongName);
  return Format("%d %s (id:%d)", Get(channel, &ITVChannel::get_Number), name.c_str(),
                Get(channel, &ITVChannel::get_ID));
}

Session::Session(const CommandContext& ctx) : Session(SetUpConfig(ctx.registry_path), ctx) {}

Session::Session(ModuleConfig config, const CommandContext& ctx)
    : host::ModuleSession(ctx.registry_path), config_(std::move(config)) {}

ComPtr<ITVLineup> Session::FindLineup(const std::string& id_text) {
  int32_t id = 0;
  ComPtr<ITVLineup> lineup;
  const bool decimal =
      !id_text.empty() && id_text.find_first_not_of("0123456789") == std::string::npos;
  if (decimal && TryStrToInt(id_text, &id)) lineup = LineupById(id);
  if (!lineup) {
    throw Exception("No lineup with id \"" + id_text +
                    "\"; \"kestro lineup list\" shows the lineups");
  }
  return lineup;
}

}  // namespace kestro::cli
