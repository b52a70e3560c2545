#include "cli/tuner_source.h"

#include <pugixml.hpp>

#include <iterator>

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::cli {

namespace {

pugi::xml_document Load(const std::string& file_name) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(file_name.c_str());
  if (!parsed)
    throw Exception(Format("Failed to load tuner configuration \"%s\" : %s", file_name.c_str(),
                           parsed.description()));
  return document;
}

void SetOrRemove(pugi::xml_node group, const char* name, const std::string& value) {
  if (value.empty()) {
    group.remove_attribute(name);
  } else {
    pugi::xml_attribute attribute = group.attribute(name);
    if (!attribute) attribute = group.append_attribute(name);
    attribute.set_value(value.c_str());
  }
}

}  // namespace

std::optional<TunerSource> ParseTunerSource(const ArgParser& args) {
  std::optional<std::string> backend = args.Choice("tuner-source", {"test", "http"});
  const std::optional<std::string> url_template = args.Value("url-template");
  const std::optional<std::string> m3u = args.Value("m3u");
  const std::optional<std::string> host = args.Value("tuner-host");
  if (!backend) {
    if (url_template || m3u || host)
      throw UsageError("--url-template, --m3u and --tuner-host go with --tuner-source http");
    return std::nullopt;
  }
  TunerSource source{*backend, Trim(url_template.value_or("")), Trim(m3u.value_or("")),
                     Trim(host.value_or(""))};
  if (source.backend == "http") {
    if (source.url_template.empty() == source.m3u.empty())
      throw UsageError("--tuner-source http takes either --url-template or --m3u");
    if (source.url_template.find("{host}") != std::string::npos && source.host.empty())
      throw UsageError("the URL template uses {host}: give --tuner-host");
  } else if (!source.url_template.empty() || !source.m3u.empty()) {
    throw UsageError("--url-template and --m3u go with --tuner-source http");
  }
  return source;
}

void ApplyTunerSource(const std::string& file_name, const TunerSource& source) {
  pugi::xml_document document = Load(file_name);
  for (pugi::xml_node group : document.document_element().children("group")) {
    SetOrRemove(group, "backend", source.backend);
    SetOrRemove(group, "url-template", source.url_template);
    SetOrRemove(group, "m3u", source.m3u);
    SetOrRemove(group, "host", source.host);
  }
  if (!document.save_file(file_name.c_str(), "  "))
    throw Exception("Failed to write \"" + file_name + "\"");
}

std::vector<std::string> DescribeTunerSources(const std::string& file_name) {
  pugi::xml_document document = Load(file_name);
  std::vector<std::string> lines;
  for (pugi::xml_node group : document.document_element().children("group")) {
    const auto tuners =
        std::distance(group.children("tuner").begin(), group.children("tuner").end());
    std::string backend = Trim(group.attribute("backend").value());
    if (backend.empty()) backend = "test";
    std::string source = backend;
    if (const std::string t = group.attribute("url-template").value(); !t.empty())
      source += " url-template " + t;
    if (const std::string m = group.attribute("m3u").value(); !m.empty()) source += " m3u " + m;
    if (const std::string h = group.attribute("host").value(); !h.empty()) source += " host " + h;
    lines.push_back(Format("lineup %s, %d tuner%s, %s", group.attribute("lineup").value(),
                           static_cast<int>(tuners), tuners == 1 ? "" : "s", source.c_str()));
  }
  return lines;
}

}  // namespace kestro::cli
