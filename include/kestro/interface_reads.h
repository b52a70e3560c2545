// Reading values and lists through interfaces alone, whoever implements them (the module, the
// host, a plug-in). A failed call throws, as CheckHResult does.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "kestro/com.h"
#include "kestro/dispatch.h"

namespace kestro {

// A value through its getter (a property get or a method with only a result):
//   Get(schedule, &ITVSchedule::get_Title)
template <class I, class T>
T Get(std::type_identity_t<I>* object, HRESULT (I::*getter)(T*)) {
  T value{};
  CheckHResult((object->*getter)(&value));
  return value;
}

// As Get for a getter that hands out an interface (null allowed).
template <class I, class T>
ComPtr<T> GetObject(std::type_identity_t<I>* object, HRESULT (I::*getter)(T**)) {
  ComPtr<T> value;
  CheckHResult((object->*getter)(value.ReleaseAndGetAddressOf()));
  return value;
}

// The items of a list interface in order: Count, then each item by its 0-based position through
// `item` (get_Items unless named). All are read before any is used, so a caller may change the
// list, even copy it onto itself. None for a null list.
template <class L, class I, class T>
std::vector<ComPtr<T>> ListItems(L* list, HRESULT (I::*item)(int32_t, T**)) {
  std::vector<ComPtr<T>> items;
  if (!list) return items;
  const int32_t count = Get(list, &L::get_Count);
  for (int32_t i = 0; i < count; ++i) {
    ComPtr<T> value;
    CheckHResult((list->*item)(i, value.ReleaseAndGetAddressOf()));
    items.push_back(std::move(value));
  }
  return items;
}
template <class L>
auto ListItems(L* list) {
  return ListItems(list, &L::get_Items);
}

}  // namespace kestro
