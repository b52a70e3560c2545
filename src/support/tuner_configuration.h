// The tuner configuration document ("tuner-configuration.xml" in the data directory), which the
// host writes and the module reads for one thing: how many tuners each lineup may record on.
//
// Typed binding, one class per element type:
//   tuner-config      TXMLTunerconfigType      collection of group
//   group             TXMLGroupType            lineup (integer); collection of tuner
//   tuner             TXMLTunerType            device, instance (integer), graph; tuning,
//                                              tuner-properties
//   tuning            TXMLTuningType           id, mode
//   tuner-properties  TXMLTunerpropertiesType  collection of tuner-property
//   tuner-property    TXMLTunerpropertyType    name
// A binding object is a light handle on an element; it keeps the whole document alive. Text
// getters of an absent attribute yield ""; integer getters of an absent or non-numeric attribute
// throw EConvertError.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kestro {

class TXMLNode {
 public:
  TXMLNode(std::shared_ptr<pugi::xml_document> document, pugi::xml_node node)
      : document_(std::move(document)), node_(node) {}
  pugi::xml_node Node() const { return node_; }
  std::string NodeName() const { return node_.name(); }

 protected:
  std::string GetText(const char* attribute) const;
  void SetText(const char* attribute, std::string_view value);
  int32_t GetInt(const char* attribute) const;
  void SetInt(const char* attribute, int32_t value);
  // The first child element of this name, appended when there is none.
  pugi::xml_node ChildElement(const char* name);
  template <class T>
  T Bind(pugi::xml_node node) const {
    return T(document_, node);
  }

 private:
  std::shared_ptr<pugi::xml_document> document_;
  pugi::xml_node node_;
};

// The elements named `item_name` directly below this one, bound as Item.
template <class Item>
class TXMLNodeCollection : public TXMLNode {
 public:
  int32_t Count() const;
  // Throws Exception for an index out of range.
  Item Get(int32_t index) const;
  // Appends a new item element.
  Item Add();
  // Inserts a new item element before the item at `index` (appends when index = Count).
  Item Insert(int32_t index);

 protected:
  TXMLNodeCollection(std::shared_ptr<pugi::xml_document> document, pugi::xml_node node,
                     const char* item_name)
      : TXMLNode(std::move(document), node), item_name_(item_name) {}

 private:
  pugi::xml_node ItemNode(int32_t index) const;
  const char* item_name_;
};

class TXMLTunerpropertyType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;
  std::string Name() const { return GetText("name"); }
  void SetName(std::string_view value) { SetText("name", value); }
};

class TXMLTunerpropertiesType : public TXMLNodeCollection<TXMLTunerpropertyType> {
 public:
  TXMLTunerpropertiesType(std::shared_ptr<pugi::xml_document> document, pugi::xml_node node)
      : TXMLNodeCollection(std::move(document), node, "tuner-property") {}
};

class TXMLTuningType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;
  std::string Id() const { return GetText("id"); }
  void SetId(std::string_view value) { SetText("id", value); }
  std::string Mode() const { return GetText("mode"); }
  void SetMode(std::string_view value) { SetText("mode", value); }
};

class TXMLTunerType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;
  std::string Device() const { return GetText("device"); }
  void SetDevice(std::string_view value) { SetText("device", value); }
  int32_t Instance() const { return GetInt("instance"); }
  void SetInstance(int32_t value) { SetInt("instance", value); }
  std::string Graph() const { return GetText("graph"); }
  void SetGraph(std::string_view value) { SetText("graph", value); }
  // Created when missing.
  TXMLTuningType Tuning() { return Bind<TXMLTuningType>(ChildElement("tuning")); }
  TXMLTunerpropertiesType TunerProperties() {
    return Bind<TXMLTunerpropertiesType>(ChildElement("tuner-properties"));
  }
};

class TXMLGroupType : public TXMLNodeCollection<TXMLTunerType> {
 public:
  TXMLGroupType(std::shared_ptr<pugi::xml_document> document, pugi::xml_node node)
      : TXMLNodeCollection(std::move(document), node, "tuner") {}
  int32_t Lineup() const { return GetInt("lineup"); }
  void SetLineup(int32_t value) { SetInt("lineup", value); }
};

class TXMLTunerconfigType : public TXMLNodeCollection<TXMLGroupType> {
 public:
  TXMLTunerconfigType(std::shared_ptr<pugi::xml_document> document, pugi::xml_node node)
      : TXMLNodeCollection(std::move(document), node, "group") {}
};

extern template class TXMLNodeCollection<TXMLTunerpropertyType>;
extern template class TXMLNodeCollection<TXMLTunerType>;
extern template class TXMLNodeCollection<TXMLGroupType>;

// Parses the file and binds its document element. Throws Exception when the file cannot be
// read or parsed, or its document element is not "tuner-config".
TXMLTunerconfigType LoadTunerconfig(const std::string& file_name);

// The tuners of lineup `lineup_id`: the tuner elements of the groups whose "lineup" names it (two
// lineups never share a tuner); 0 when there is no such file. Throws what LoadTunerconfig throws,
// so a broken document is reported rather than read as no tuners.
int32_t TunerCount(const std::string& file_name, int32_t lineup_id);
// As above for the module's configured document (Config().tuner_config_file).
int32_t TunerCount(int32_t lineup_id);

}  // namespace kestro
