// kestro channel and kestro channel-list: the channels of a guide and the stored channel lists.
#include <sstream>

#include "cli/output.h"
#include "cli/session.h"
#include "kestro/tv_channels.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

void PrintChannels(ITVChannelList* list, OutputFormat format, std::ostream& out) {
  TableOutput table({Number("id"), Number("number"), "external id", "short name", "long name",
                     "network", "frequency", Flag("wanted")});
  for (const auto& c : ListItems(list)) {
    table.AddRow({std::to_string(Get(c.Get(), &ITVChannel::get_ID)),
                  std::to_string(Get(c.Get(), &ITVChannel::get_Number)),
                  Get(c.Get(), &ITVChannel::get_ExternalID),
                  Get(c.Get(), &ITVChannel::get_ShortName),
                  Get(c.Get(), &ITVChannel::get_LongName), Get(c.Get(), &ITVChannel::get_Network),
                  Get(c.Get(), &ITVChannel::get_Frequency),
                  Get(c.Get(), &ITVChannel::get_Wanted) ? "yes" : "no"});
  }
  table.Print(out, format);
}

int32_t ParseId(const std::string& text, const char* what) {
  int32_t id = 0;
  if (!TryStrToInt(text, &id) || id <= 0) throw UsageError(std::string(what) + " is a number");
  return id;
}

ComPtr<ITVChannel> FindChannel(ITVListings* listings, const std::string& text) {
  return FindChannelArgument(listings, text, "CHANNEL");
}

ComPtr<ITVChannelList> FindList(ITVListings* listings, const std::string& id_text) {
  ComPtr<ITVChannelList> list;
  CheckHResult(listings->FindChannelListByID(ParseId(id_text, "LIST-ID"),
                                             list.ReleaseAndGetAddressOf()));
  if (!list) throw Exception("No channel list with id " + id_text);
  return list;
}

// The guide of the lineup named by the first positional argument.
struct Guide {
  Session session;
  ComPtr<ITVListings> listings;
  Guide(CommandContext& ctx, const ArgParser& args) : session(ctx) {
    ComPtr<ITVLineup> lineup = session.FindLineup(args.Positional(0, "LINEUP"));
    listings = session.OpenListings(lineup.Get());
  }
};

int RunChannelList(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {"all"});
  args.ExpectAtMost(1);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  Guide guide(ctx, args);
  ComPtr<ITVChannelList> list =
      args.Flag("all") ? GetObject(guide.listings.Get(), &ITVListings::GetMasterChannels)
                       : GetObject(guide.listings.Get(), &ITVListings::GetAllChannels);
  PrintChannels(list.Get(), format, ctx.out);
  return kExitOk;
}

int RunChannelSet(CommandContext& ctx) {
  ArgParser args(ctx.args,
                 {"wanted", "number", "short-name", "long-name", "network", "frequency", "image"},
                 {});
  args.ExpectAtMost(2);
  std::optional<std::string> wanted = args.Choice("wanted", {"yes", "no"});
  std::optional<int32_t> number = args.IntValue("number", 0, 1 << 30);
  Guide guide(ctx, args);
  ComPtr<ITVChannel> c = FindChannel(guide.listings.Get(), args.Positional(1, "CHANNEL"));
  // Each write reaches the database at once.
  if (wanted) CheckHResult(c->put_Wanted(*wanted == "yes"));
  if (number) CheckHResult(c->put_Number(*number));
  if (auto v = args.Value("short-name")) CheckHResult(c->put_ShortName(*v));
  if (auto v = args.Value("long-name")) CheckHResult(c->put_LongName(*v));
  if (auto v = args.Value("network")) CheckHResult(c->put_Network(*v));
  if (auto v = args.Value("frequency")) CheckHResult(c->put_Frequency(*v));
  if (auto v = args.Value("image")) CheckHResult(c->put_ImageID(*v));
  return kExitOk;
}

// A list shows only its wanted channels; an unwanted one is kept, and the user is told.
void AddChannels(CommandContext& ctx, ITVListings* listings, ITVChannelList* list,
                 const std::vector<std::string>& channels) {
  for (const std::string& text : channels) {
    ComPtr<ITVChannel> channel = FindChannel(listings, text);
    CheckHResult(list->Add(channel.Get()));
    if (!Get(channel.Get(), &ITVChannel::get_Wanted)) {
      ctx.err << "Channel " << ChannelLabel(channel.Get())
              << " is not wanted: the list keeps it but shows it only once it is wanted again "
                 "(kestro channel set LINEUP id:"
              << Get(channel.Get(), &ITVChannel::get_ID) << " --wanted yes)\n";
    }
  }
}

void SaveList(ITVChannelList* list) {
  bool saved = false;
  CheckHResult(list->Save(&saved));
  if (!saved) throw Exception("The channel list was not saved");
}

int RunListCreate(CommandContext& ctx) {
  ArgParser args(ctx.args, {"name", "user"}, {});
  std::optional<std::string> name = args.Value("name");
  if (!name || Trim(*name).empty()) throw UsageError("--name is required");
  Guide guide(ctx, args);
  ComPtr<ITVChannelList> list = GetObject(guide.listings.Get(), &ITVListings::NewChannelList);
  CheckHResult(list->put_Name(*name));
  CheckHResult(list->put_Users(Join(args.Values("user"), ",")));
  AddChannels(ctx, guide.listings.Get(), list.Get(),
              {args.Positionals().begin() + 1, args.Positionals().end()});
  SaveList(list.Get());
  ctx.out << Get(list.Get(), &ITVChannelList::get_ID) << "\n";
  return kExitOk;
}

int RunListShow(CommandContext& ctx) {
  ArgParser args(ctx.args, {"format"}, {});
  args.ExpectAtMost(2);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  Guide guide(ctx, args);
  ComPtr<ITVChannelList> list = FindList(guide.listings.Get(), args.Positional(1, "LIST-ID"));
  const int32_t id = Get(list.Get(), &ITVChannelList::get_ID);
  const std::string name = Get(list.Get(), &ITVChannelList::get_Name);
  const std::string users = Get(list.Get(), &ITVChannelList::get_Users);
  switch (format) {
    case OutputFormat::kJson: {
      std::ostringstream channels;
      PrintChannels(list.Get(), format, channels);
      ctx.out << "{\"id\": " << id << ", \"name\": " << JsonString(name)
              << ", \"users\": " << JsonString(users) << ",\n \"channels\": " << channels.str()
              << "}\n";
      break;
    }
    case OutputFormat::kTable:
      ctx.out << "List    " << id << " " << name << "\n"
              << "Users   " << (users.empty() ? "everyone" : users) << "\n\n";
      [[fallthrough]];
    case OutputFormat::kTsv:
      PrintChannels(list.Get(), format, ctx.out);
      break;
  }
  return kExitOk;
}

int RunListAll(CommandContext& ctx) {
  ArgParser args(ctx.args, {"user", "format"}, {});
  args.ExpectAtMost(1);
  OutputFormat format = ParseOutputFormat(args.Value("format").value_or("table"));
  Guide guide(ctx, args);
  ComPtr<ITVChannelLists> lists;
  CheckHResult(guide.listings->GetChannelLists(args.Value("user").value_or(""),
                                               lists.ReleaseAndGetAddressOf()));
  TableOutput table({Number("id"), "name", "users", Number("channels")});
  for (const ComPtr<ITVChannelList>& list : ListItems(lists.Get())) {
    table.AddRow({std::to_string(Get(list.Get(), &ITVChannelList::get_ID)),
                  Get(list.Get(), &ITVChannelList::get_Name),
                  Get(list.Get(), &ITVChannelList::get_Users),
                  std::to_string(Get(list.Get(), &ITVChannelList::get_Count))});
  }
  table.Print(ctx.out, format);
  return kExitOk;
}

int RunListChange(CommandContext& ctx, bool add) {
  ArgParser args(ctx.args, {"name", "user"}, {"all-users"});
  Guide guide(ctx, args);
  ComPtr<ITVChannelList> list = FindList(guide.listings.Get(), args.Positional(1, "LIST-ID"));
  std::vector<std::string> ids(args.Positionals().begin() + 2, args.Positionals().end());
  if (add) {
    AddChannels(ctx, guide.listings.Get(), list.Get(), ids);
  } else {
    for (const std::string& id : ids)
      CheckHResult(list->RemoveChannel(FindChannel(guide.listings.Get(), id).Get()));
  }
  if (auto name = args.Value("name")) CheckHResult(list->put_Name(*name));
  if (args.Flag("all-users")) CheckHResult(list->put_Users(""));
  std::vector<std::string> users = args.Values("user");
  if (!users.empty()) {
    std::string current = Get(list.Get(), &ITVChannelList::get_Users);
    std::vector<std::string> all = current.empty() ? std::vector<std::string>{} : Split(current, ',');
    for (const std::string& u : users) {
      auto same = [&](const std::string& x) { return SameText(x, u); };
      auto it = std::find_if(all.begin(), all.end(), same);
      if (add && it == all.end()) all.push_back(u);
      if (!add && it != all.end()) all.erase(it);
    }
    CheckHResult(list->put_Users(Join(all, ",")));
  }
  SaveList(list.Get());
  return kExitOk;
}

int RunListDelete(CommandContext& ctx) {
  ArgParser args(ctx.args, {}, {});
  args.ExpectAtMost(2);
  Guide guide(ctx, args);
  ComPtr<ITVChannelList> list = FindList(guide.listings.Get(), args.Positional(1, "LIST-ID"));
  bool deleted = false;
  CheckHResult(guide.listings->DeleteChannelList(Get(list.Get(), &ITVChannelList::get_ID),
                                                 &deleted));
  if (!deleted) throw Exception("The channel list could not be deleted");
  return kExitOk;
}

}  // namespace

std::vector<Command> ChannelCommands() {
  return {
      {"channel list", "kestro channel list LINEUP [--all] [--format F]",
       "the wanted channels of a lineup, or every channel with --all", "", RunChannelList},
      {"channel set",
       "kestro channel set LINEUP CHANNEL [--wanted yes|no] [--number N] [--short-name S] "
       "[--long-name S] [--network S] [--frequency S] [--image S]",
       "change a channel; each change is stored at once",
       "CHANNEL is the channel's number as the guide shows it, or id:N for its id.\n", RunChannelSet},
      {"channel-list list", "kestro channel-list list LINEUP [--user U] [--format F]",
       "the stored channel lists (only those for user U with --user)", "", RunListAll},
      {"channel-list create",
       "kestro channel-list create LINEUP --name NAME [--user U]... [CHANNEL...]",
       "store a new channel list of the given channels, in order; prints its id",
       "  --user U   a user the list is for (repeatable); a list without users is for everyone\n"
       "CHANNEL is a channel's number as the guide shows it, or id:N for its id.\n",
       RunListCreate},
      {"channel-list show", "kestro channel-list show LINEUP LIST-ID [--format F]",
       "a stored channel list with its users and channels", "", RunListShow},
      {"channel-list add",
       "kestro channel-list add LINEUP LIST-ID [CHANNEL...] [--user U]... [--name NAME]",
       "append channels and users to a stored list (or rename it)", "",
       [](CommandContext& ctx) { return RunListChange(ctx, true); }},
      {"channel-list remove",
       "kestro channel-list remove LINEUP LIST-ID [CHANNEL...] [--user U]... [--all-users]",
       "remove channels or users from a stored list", "",
       [](CommandContext& ctx) { return RunListChange(ctx, false); }},
      {"channel-list delete", "kestro channel-list delete LINEUP LIST-ID",
       "delete a stored channel list", "", RunListDelete},
  };
}

}  // namespace kestro::cli
