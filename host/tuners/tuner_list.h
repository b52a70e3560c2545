// The tuners as the host's tuner side sees them in the tuner configuration document
// ("tuner-configuration.xml"): each group names the lineup its tuners serve and the back end that
// drives them; a tuner's number within its lineup counts the tuners of that lineup's groups in
// document order, from 1, as the scheduler numbers them.
//
//   <tuner-config>
//     <group lineup="1" backend="test">   (or backend="http" url-template="..." | m3u="...")
//       <tuner device="tuner0" instance="0" graph="">
//         <tuning id="" mode=""/>
//         <tuner-properties><tuner-property name="bitrate" value="4000000"/></tuner-properties>
//       </tuner>
//     </group>
//   </tuner-config>
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kestro::host {

inline constexpr const char* kDefaultTunerBackend = "test";

struct TunerInfo {
  int32_t lineup_id = 0;
  int32_t tuner_id = 0;  // 1-based within the lineup
  std::string device;
  std::string backend;                            // the group's; kDefaultTunerBackend when unnamed
  // The group's stream source for the "http" back end: a URL template, or an M3U playlist (a
  // file or a URL), and the value of "{host}" in the template.
  std::string url_template;
  std::string m3u;
  std::string host;
  std::map<std::string, std::string> properties;  // tuner-property name -> value
};

// Every tuner of the document, in document order. Throws Exception naming the file when it
// cannot be read or parsed, its document element is not "tuner-config", or a group has no
// numeric "lineup".
std::vector<TunerInfo> ReadTunerList(const std::string& file_name);

// The tuner `tuner_id` of lineup `lineup_id`, or null.
const TunerInfo* FindTuner(const std::vector<TunerInfo>& tuners, int32_t lineup_id,
                           int32_t tuner_id);

}  // namespace kestro::host
