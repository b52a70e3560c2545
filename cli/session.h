// What every kestro command that works on the guide needs: the module's system object loaded the
// way a host loads it, its lineups, one lineup picked by the id on the command line, and that
// lineup's listings. A failed COM call becomes an Exception carrying the call's error info, which
// the tool prints with exit code 1.
#pragma once

#include <string>

#include "cli/cli.h"
#include <vector>

#include "kestro/tv_lineups.h"
#include "kestro/tv_listings.h"
#include "kestro/tv_system.h"

namespace kestro::cli {

// Reads a property through its getter; throws when the call fails.
template <class I, class T>
T Get(I* object, HRESULT (I::*getter)(T*)) {
  T value{};
  CheckHResult((object->*getter)(&value));
  return value;
}

// As Get for a getter that hands out an interface.
template <class I, class T>
ComPtr<T> GetObject(I* object, HRESULT (I::*getter)(T**)) {
  ComPtr<T> value;
  CheckHResult((object->*getter)(value.ReleaseAndGetAddressOf()));
  return value;
}

// The items of a list interface (Count, then Items by position) in order; none for no list.
template <class T, class L>
std::vector<ComPtr<T>> ListItems(L* list) {
  std::vector<ComPtr<T>> items;
  if (!list) return items;
  const int32_t count = Get(list, &L::get_Count);
  for (int32_t i = 0; i < count; ++i) {
    ComPtr<T> item;
    CheckHResult(list->get_Items(i, item.ReleaseAndGetAddressOf()));
    items.push_back(std::move(item));
  }
  return items;
}

class Session {
 public:
  // Loads the module through the registry of the command's context and creates the system
  // object. The lineups are opened on first use.
  explicit Session(const CommandContext& ctx);

  IKestroTVSystem* System() const { return system_.Get(); }
  // The one lineups collection of this session (a new one would not see unsaved lineups).
  ITVLineups* Lineups();
  // The lineup whose id is `id_text` (a decimal number). Throws Exception
  // "No lineup with id "<id_text>"; "kestro lineup list" shows the lineups" when the text is not
  // a number or no lineup has that id.
  ComPtr<ITVLineup> FindLineup(const std::string& id_text);
  // A new listings object on the lineup's guide.
  ComPtr<ITVListings> OpenListings(ITVLineup* lineup);

 private:
  ComPtr<IKestroTVSystem> system_;
  ComPtr<ITVLineups> lineups_;
};

}  // namespace kestro::cli
