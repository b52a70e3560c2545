#include "host/xmltv_export.h"

#include <pugixml.hpp>

#include <map>

#include "kestro/interface_reads.h"
#include "platform/exception.h"
#include "kestro/tv_programs.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"

namespace kestro::host {

namespace {

// "20261206190000 +0000" of a local time.
std::string XmltvTime(OleDate local) {
  return FormatDateTime("yyyymmddhhnnss", UnixMillisToUtcDate(LocalToUnixMillis(local))) +
         " +0000";
}

void AddText(pugi::xml_node parent, const char* name, const std::string& text) {
  if (!text.empty()) parent.append_child(name).text().set(text.c_str());
}

// The XMLTV credit element of a role; people of other roles are guests.
const char* CreditOf(const std::string& role) {
  static const char* const kCredits[] = {"director", "actor",     "writer", "adapter",
                                         "producer", "composer",  "editor", "presenter",
                                         "commentator", "guest"};
  for (const char* credit : kCredits)
    if (SameText(role, credit)) return credit;
  if (SameText(role, "host")) return "presenter";
  return "guest";
}

void AddDetails(pugi::xml_node programme, ITVProgram* p) {
  ComPtr<ITVProgramDetails> d = GetObject(p, &ITVProgram::get_Details);
  AddText(programme, "title", Get(p, &ITVProgram::get_Title));
  AddText(programme, "sub-title", Get(p, &ITVProgram::get_Subtitle));
  if (!d) return;
  std::string desc = Get(d.Get(), &ITVProgramDetails::get_LongDescription);
  if (desc.empty()) desc = Get(d.Get(), &ITVProgramDetails::get_ShortDescription);
  AddText(programme, "desc", desc);
  const int32_t people = Get(d.Get(), &ITVProgramDetails::get_PeopleCount);
  pugi::xml_node credits;
  for (int32_t i = 0; i < people; ++i) {
    ComPtr<ITVPerson> person;
    CheckHResult(d->get_People(i, person.ReleaseAndGetAddressOf()));
    if (!credits) credits = programme.append_child("credits");
    AddText(credits, CreditOf(Get(person.Get(), &ITVPerson::get_Role)),
            Get(person.Get(), &ITVPerson::get_Name));
  }
  if (int32_t year = Get(d.Get(), &ITVProgramDetails::get_YearProduced); year > 0)
    AddText(programme, "date", std::to_string(year));
  ForEachItemValue(GetObject(d.Get(), &ITVProgramDetails::get_Genres).Get(),
                   [&](const std::string& genre, const Variant&) {
                     AddText(programme, "category", genre);
                   });
  const int32_t season = Get(d.Get(), &ITVProgramDetails::get_SeasonNumber);
  const int32_t episode = Get(d.Get(), &ITVProgramDetails::get_SeasonEpisodeNumber);
  if (season > 0 || episode > 0) {
    // xmltv_ns counts from 0.
    programme.append_child("episode-num").append_attribute("system").set_value("xmltv_ns");
    programme.last_child().text().set(
        Format("%s.%s.", season > 0 ? std::to_string(season - 1).c_str() : "",
               episode > 0 ? std::to_string(episode - 1).c_str() : "")
            .c_str());
  }
  if (std::string onscreen = Get(d.Get(), &ITVProgramDetails::get_EpisodeNumber);
      !onscreen.empty()) {
    programme.append_child("episode-num").append_attribute("system").set_value("onscreen");
    programme.last_child().text().set(onscreen.c_str());
  }
  if (Get(d.Get(), &ITVProgramDetails::get_IsRepeat) == TV_3_WAY_YES)
    programme.append_child("previously-shown");
  if (std::string rating = Get(p, &ITVProgram::get_TVRating); !rating.empty())
    AddText(programme.append_child("rating"), "value", rating);
}

}  // namespace

void WriteXmltv(ITVListings* listings, OleDate from, OleDate to, int32_t list, std::ostream& out) {
  pugi::xml_document doc;
  pugi::xml_node tv = doc.append_child("tv");
  tv.append_attribute("generator-info-name").set_value("KestroTV");
  ComPtr<ITVChannelList> channels;
  if (list > 0) {
    CheckHResult(listings->FindChannelListByID(list, channels.ReleaseAndGetAddressOf()));
    if (!channels) throw Exception(Format("No channel list with id %d", list));
  } else {
    channels = GetObject(listings, &ITVListings::GetAllChannels);
  }
  std::map<int32_t, std::string> ids;  // channel id -> its XMLTV id
  for (const auto& c : ListItems(channels.Get())) {
    std::string id = Get(c.Get(), &ITVChannel::get_ExternalID);
    if (id.empty()) id = Format("%d.kestrotv", Get(c.Get(), &ITVChannel::get_ID));
    ids[Get(c.Get(), &ITVChannel::get_ID)] = id;
    pugi::xml_node channel = tv.append_child("channel");
    channel.append_attribute("id").set_value(id.c_str());
    AddText(channel, "display-name",
            Format("%d %s", Get(c.Get(), &ITVChannel::get_Number),
                   Get(c.Get(), &ITVChannel::get_ShortName).c_str()));
    AddText(channel, "display-name", Get(c.Get(), &ITVChannel::get_LongName));
  }
  ComPtr<ITVProgramList> found;
  CheckHResult(listings->SearchByTimeSlice(from, to, list, 0, found.ReleaseAndGetAddressOf()));
  for (const auto& p : ListItems(found.Get())) {
    auto channel = ids.find(Get(p.Get(), &ITVProgram::get_ChannelID));
    if (channel == ids.end()) continue;  // an unwanted channel's
    pugi::xml_node programme = tv.append_child("programme");
    programme.append_attribute("start").set_value(
        XmltvTime(Get(p.Get(), &ITVProgram::get_StartTime)).c_str());
    programme.append_attribute("stop").set_value(
        XmltvTime(Get(p.Get(), &ITVProgram::get_EndTime)).c_str());
    programme.append_attribute("channel").set_value(channel->second.c_str());
    AddDetails(programme, p.Get());
  }
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
}

}  // namespace kestro::host
