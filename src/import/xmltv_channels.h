// The channels of an XMLTV file: collected from their `channel` elements wherever these stand
// (before, between or after the programmes), merged when an id is declared twice, and given a
// number and names from their display names.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "import/sax_parser.h"

namespace kestro {

// A channel as its `channel` element (or its declarations) says it.
struct XMLTVChannel {
  std::string id;
  std::vector<std::string> display_names;  // trimmed, in file order
  std::string icon;                        // the first icon's src
  std::string lcn;                         // the logical channel number some exporters add
};

// Collects the channels while a file is read: a reader hands it every element it builds at the
// element's end. Only `channel` elements and their `display-name`, `icon` and `lcn` children
// matter (NeedsElement says which to build).
class XMLTVChannelCollector {
 public:
  // Whether an element of this name must be built for the collector, given whether a channel
  // element is open.
  static bool NeedsElement(std::string_view name, bool in_channel);

  void EndElement(const TSaxElement& element);
  // The channels in the order of their first declaration; a later declaration of the same id
  // adds the display names, icon and number the first one lacks. Called once, after the read.
  std::vector<XMLTVChannel> TakeChannels();
  // The ids declared more than once, in the order of their first declaration.
  const std::vector<std::string>& DuplicateIds() const { return duplicate_ids_; }

 private:
  XMLTVChannel current_;
  std::vector<XMLTVChannel> channels_;
  std::map<std::string, size_t> index_;  // id -> its place in channels_
  std::vector<std::string> duplicate_ids_;
};

// The number and names the guide gives a channel.
struct XMLTVChannelNaming {
  int32_t number = 0;
  std::string short_name;
  std::string long_name;
};

// Derives number and names from the channel's `lcn`, its display names and its id, taken in that
// order. A number comes from the `lcn`, else from a display name (or the id) that is a number on
// its own ("13"), else from one that is a number, a blank and a name ("13 KERA", which leaves
// the name "KERA"), or a sub-channel ("7-1", "7.1 KXYZ", whose major number counts and whose full
// form stays in the names). "3sat" is a name. The short name is the first name left, the long
// name the second; when the number came from a sub-channel written alone, the long name shows it
// before the short one ("7-1 BBC1 HD"). A channel whose names give no number gets
// `default_number`; one left without a name is named by its id. Every step is logged through
// `log`.
XMLTVChannelNaming NameAndNumberChannel(const XMLTVChannel& channel, int32_t default_number,
                                        const std::function<void(const std::string&)>& log);

}  // namespace kestro
