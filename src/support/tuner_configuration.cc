#include "support/tuner_configuration.h"

#include <filesystem>

#include "core/registry_info.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {

std::string TXMLNode::GetText(const char* attribute) const {
  return node_.attribute(attribute).value();
}

void TXMLNode::SetText(const char* attribute, std::string_view value) {
  pugi::xml_attribute a = node_.attribute(attribute);
  if (!a) a = node_.append_attribute(attribute);
  a.set_value(std::string(value).c_str());
}

int32_t TXMLNode::GetInt(const char* attribute) const {
  return StrToInt(node_.attribute(attribute).value());
}

void TXMLNode::SetInt(const char* attribute, int32_t value) {
  SetText(attribute, std::to_string(value));
}

pugi::xml_node TXMLNode::ChildElement(const char* name) {
  pugi::xml_node child = node_.child(name);
  return child ? child : node_.append_child(name);
}

template <class Item>
pugi::xml_node TXMLNodeCollection<Item>::ItemNode(int32_t index) const {
  if (index >= 0) {
    for (pugi::xml_node n = Node().child(item_name_); n; n = n.next_sibling(item_name_)) {
      if (index-- == 0) return n;
    }
  }
  return {};
}

template <class Item>
int32_t TXMLNodeCollection<Item>::Count() const {
  int32_t count = 0;
  for (pugi::xml_node n = Node().child(item_name_); n; n = n.next_sibling(item_name_)) ++count;
  return count;
}

template <class Item>
Item TXMLNodeCollection<Item>::Get(int32_t index) const {
  pugi::xml_node node = ItemNode(index);
  if (!node) throw Exception(Format("List index out of bounds (%d)", index));
  return this->template Bind<Item>(node);
}

template <class Item>
Item TXMLNodeCollection<Item>::Add() {
  return this->template Bind<Item>(Node().append_child(item_name_));
}

template <class Item>
Item TXMLNodeCollection<Item>::Insert(int32_t index) {
  if (index == Count()) return Add();
  pugi::xml_node before = ItemNode(index);
  if (!before) throw Exception(Format("List index out of bounds (%d)", index));
  return this->template Bind<Item>(Node().insert_child_before(item_name_, before));
}

template class TXMLNodeCollection<TXMLTunerpropertyType>;
template class TXMLNodeCollection<TXMLTunerType>;
template class TXMLNodeCollection<TXMLGroupType>;

TXMLTunerconfigType LoadTunerconfig(const std::string& file_name) {
  // The XML reader sizes its buffer from the file's length, which a folder does not have.
  std::error_code ec;
  if (std::filesystem::is_directory(file_name, ec)) {
    throw Exception(
        Format("Failed to load tuner configuration \"%s\" : it is a folder", file_name.c_str()));
  }
  auto document = std::make_shared<pugi::xml_document>();
  pugi::xml_parse_result result = document->load_file(file_name.c_str());
  if (!result) {
    throw Exception(Format("Failed to load tuner configuration \"%s\" : %s", file_name.c_str(),
                           result.description()));
  }
  pugi::xml_node root = document->document_element();
  if (std::string_view(root.name()) != "tuner-config") {
    throw Exception(Format("The document element of \"%s\" is \"%s\", not \"tuner-config\"",
                           file_name.c_str(), root.name()));
  }
  return TXMLTunerconfigType(std::move(document), root);
}

int32_t TunerCount(const std::string& file_name, int32_t lineup_id) {
  std::error_code ec;
  if (!std::filesystem::exists(file_name, ec) && !ec) return 0;  // no tuners set up yet
  TXMLTunerconfigType config = LoadTunerconfig(file_name);
  int32_t total = 0;
  for (int32_t i = 0; i < config.Count(); ++i) {
    TXMLGroupType group = config.Get(i);
    int32_t group_lineup = 0;
    if (TryStrToInt(group.Node().attribute("lineup").value(), &group_lineup) &&
        group_lineup == lineup_id)
      total += group.Count();
  }
  return total;
}

int32_t TunerCount(int32_t lineup_id) { return TunerCount(Config().tuner_config_file, lineup_id); }

}  // namespace kestro
