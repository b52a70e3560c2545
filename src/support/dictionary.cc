#include "support/dictionary.h"

#include <utility>

namespace kestro {

namespace {
const Variant& EmptyVariant() {
  static const Variant empty;
  return empty;
}
}  // namespace

TDictionary::TDictionary(bool ref_counted) : TKestroIntfObject<IKestroItem>(ref_counted) {}

void* TDictionary::QueryExtraInterface(const IID& iid) {
  return iid == kAltIID ? static_cast<IKestroItem*>(this) : nullptr;
}

HRESULT TDictionary::get_Values(const Variant& key, Variant* value) {
  return GetProperty(value, [&]() -> Variant {
    if (key.IsString()) return Get(key.ToString());
    if (key.IsOrdinal()) return GetAt(key.ToInt64());
    return Variant();
  });
}

HRESULT TDictionary::put_Values(const Variant& key, const Variant& value) {
  return PutProperty([&] {
    if (key.IsString()) Set(key.ToString(), value);
    else if (key.IsOrdinal()) SetAt(key.ToInt64(), value);
  });
}

HRESULT TDictionary::get_Count(int32_t* count) {
  return GetProperty(count, [&] { return Count(); });
}

HRESULT TDictionary::HasValue(const std::string& name, bool* result) {
  return FrameValue(result, [&] { return Has(name); });
}

HRESULT TDictionary::get_KeyNames(int32_t index, std::string* name) {
  return GetProperty(name, [&] { return KeyAt(index); });
}

HRESULT TDictionary::Clear() {
  return Frame([&] {
    tree_.Clear();
    NotifyChange();
  });
}

HRESULT TDictionary::GetValue(const std::string& name, const Variant& fallback, Variant* value) {
  return FrameValue(value, [&] { return GetOr(name, fallback); });
}

HRESULT TDictionary::Assign(IKestroItem* source) {
  return Frame([&] {
    ForEachItemValue(source, [&](const std::string& name, Variant value) {
      Set(name, std::move(value));
    });
  });
}

HRESULT TDictionary::BeginUpdate() {
  ++update_count_;
  return S_OK;
}

HRESULT TDictionary::EndUpdate() {
  return Frame([&] {
    if (update_count_ > 0) --update_count_;
    if (update_count_ == 0) NotifyChange();
  });
}

void TDictionary::Set(std::string_view name, Variant value) {
  tree_.Set(name, std::move(value));
  NotifyChange();
}

void TDictionary::SetAt(int64_t index, Variant value) {
  if (InRange(index)) tree_.At(static_cast<size_t>(index)).Value = std::move(value);
  NotifyChange();
}

const Variant& TDictionary::Get(std::string_view name) const {
  const TBNode* node = tree_.Find(name);
  return node ? node->Value : EmptyVariant();
}

const Variant& TDictionary::GetAt(int64_t index) const {
  return InRange(index) ? tree_.At(static_cast<size_t>(index)).Value : EmptyVariant();
}

Variant TDictionary::GetOr(std::string_view name, const Variant& fallback) const {
  const Variant& value = Get(name);
  return value.IsEmpty() ? fallback : value;
}

std::string TDictionary::KeyAt(int64_t index) const {
  return InRange(index) ? tree_.At(static_cast<size_t>(index)).Key : std::string();
}

void TDictionary::NotifyChange() {
  if (update_count_ >= 1) return;
  if (on_change_) on_change_(*this);
  Changed();
}

ComPtr<TDictionary> NewDictionary() { return MakeObject<TDictionary>(); }

}  // namespace kestro
