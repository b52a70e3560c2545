#include "host/tuners/tuner_list.h"

#include <pugixml.hpp>

#include <string_view>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

std::vector<TunerInfo> ReadTunerList(const std::string& file_name) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(file_name.c_str());
  if (!parsed) {
    throw Exception(Format("Failed to load tuner configuration \"%s\" : %s", file_name.c_str(),
                           parsed.description()));
  }
  const pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "tuner-config") {
    throw Exception(Format("The document element of \"%s\" is \"%s\", not \"tuner-config\"",
                           file_name.c_str(), root.name()));
  }
  std::vector<TunerInfo> tuners;
  std::map<int32_t, int32_t> count_by_lineup;
  int32_t group_index = 0;
  for (pugi::xml_node group : root.children("group")) {
    ++group_index;
    int32_t lineup_id = 0;
    if (!TryStrToInt(group.attribute("lineup").value(), &lineup_id)) {
      throw Exception(Format("Group %d of \"%s\" does not name its lineup (attribute \"lineup\")",
                             group_index, file_name.c_str()));
    }
    std::string backend = Trim(group.attribute("backend").value());
    if (backend.empty()) backend = kDefaultTunerBackend;
    for (pugi::xml_node tuner : group.children("tuner")) {
      TunerInfo info{lineup_id, ++count_by_lineup[lineup_id], tuner.attribute("device").value(),
                     backend, group.attribute("url-template").value(),
                     group.attribute("m3u").value(), group.attribute("host").value(), {}};
      for (pugi::xml_node property : tuner.child("tuner-properties").children("tuner-property"))
        info.properties[property.attribute("name").value()] = property.attribute("value").value();
      tuners.push_back(std::move(info));
    }
  }
  return tuners;
}

const TunerInfo* FindTuner(const std::vector<TunerInfo>& tuners, int32_t lineup_id,
                           int32_t tuner_id) {
  for (const TunerInfo& tuner : tuners)
    if (tuner.lineup_id == lineup_id && tuner.tuner_id == tuner_id) return &tuner;
  return nullptr;
}

}  // namespace kestro::host
