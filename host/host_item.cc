#include "host/host_item.h"

#include "kestro/host_type_library.h"
#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro::host {

template <class I>
ItemBase<I>::ItemBase() : DispatchObject<I>(HostTypeLibrary()) {}

template <class I>
std::pair<std::string, Variant>* ItemBase<I>::Find(const std::string& name) {
  for (auto& kv : values_)
    if (SameText(kv.first, name)) return &kv;
  return nullptr;
}

template <class I>
void ItemBase<I>::Set(const std::string& name, Variant value) {
  if (auto* kv = Find(name)) kv->second = std::move(value);
  else values_.emplace_back(name, std::move(value));
}

template <class I>
Variant ItemBase<I>::Get(const std::string& name) const {
  for (const auto& kv : values_)
    if (SameText(kv.first, name)) return kv.second;
  return {};
}

template <class I>
HRESULT ItemBase<I>::get_Values(const Variant& key, Variant* value) {
  return this->GetProperty(value, [&]() -> Variant {
    if (key.IsString()) return Get(key.ToString());
    if (key.IsOrdinal()) {
      int64_t i = key.ToInt64();
      if (i >= 0 && i < static_cast<int64_t>(values_.size())) return values_[i].second;
    }
    return {};
  });
}

template <class I>
HRESULT ItemBase<I>::put_Values(const Variant& key, const Variant& value) {
  return this->PutProperty([&] {
    if (key.IsString()) {
      Set(key.ToString(), value);
    } else if (key.IsOrdinal()) {
      int64_t i = key.ToInt64();
      if (i >= 0 && i < static_cast<int64_t>(values_.size())) values_[i].second = value;
    }
  });
}

template <class I>
HRESULT ItemBase<I>::get_Count(int32_t* count) {
  return this->GetProperty(count, [&] { return static_cast<int32_t>(values_.size()); });
}

template <class I>
HRESULT ItemBase<I>::HasValue(const std::string& name, bool* result) {
  return this->FrameValue(result, [&] { return Find(name) != nullptr; });
}

template <class I>
HRESULT ItemBase<I>::get_KeyNames(int32_t index, std::string* name) {
  return this->GetProperty(name, [&]() -> std::string {
    if (index < 0 || index >= static_cast<int32_t>(values_.size())) return {};
    return values_[index].first;
  });
}

template <class I>
HRESULT ItemBase<I>::Clear() {
  values_.clear();
  return S_OK;
}

template <class I>
HRESULT ItemBase<I>::GetValue(const std::string& name, const Variant& fallback, Variant* value) {
  return this->FrameValue(value, [&] {
    Variant v = Get(name);
    return v.IsEmpty() ? fallback : v;
  });
}

template <class I>
HRESULT ItemBase<I>::Assign(IKestroItem* source) {
  return this->Frame([&] {
    ForEachItemValue(source, [&](const std::string& name, Variant value) {
      Set(name, std::move(value));
    });
  });
}

template class ItemBase<IKestroItem>;
template class ItemBase<IKestroMessage>;

ComPtr<THostItem> NewHostItem() { return MakeObject<THostItem>(); }

}  // namespace kestro::host
