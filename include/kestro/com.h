// COM-style object model: HRESULT, GUID, IUnknown, IClassFactory and the ComPtr smart pointer.
//
// Interfaces have the COM layout: no virtual destructor, IUnknown's three methods first, then the
// interface's methods in declaration order. Each interface names its IID as `static constexpr
// GUID kIID`. Ownership crosses interfaces only through AddRef/Release.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace kestro {

using HRESULT = int32_t;
using ULONG = uint32_t;
using DISPID = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802B);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;

constexpr bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
constexpr bool operator<(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1) return a.Data1 < b.Data1;
  if (a.Data2 != b.Data2) return a.Data2 < b.Data2;
  if (a.Data3 != b.Data3) return a.Data3 < b.Data3;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return a.Data4[i] < b.Data4[i];
  return false;
}

namespace detail {
constexpr int HexDigit(char c) {
  return (c >= '0' && c <= '9')   ? c - '0'
         : (c >= 'a' && c <= 'f') ? c - 'a' + 10
         : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                  : -1;
}
constexpr bool ParseGuidChars(std::string_view s, GUID& g) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' ||
      s[19] != '-' || s[24] != '-')
    return false;
  auto hex = [&](size_t pos, int digits, uint64_t& v) {
    v = 0;
    for (int i = 0; i < digits; ++i) {
      int d = HexDigit(s[pos + i]);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
    }
    return true;
  };
  uint64_t v = 0;
  if (!hex(1, 8, v)) return false;
  g.Data1 = static_cast<uint32_t>(v);
  if (!hex(10, 4, v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!hex(15, 4, v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  constexpr size_t kPos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!hex(kPos[i], 2, v)) return false;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  return true;
}
}  // namespace detail

// A GUID from its registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; a malformed literal is a
// compile-time error when used in a constant expression.
consteval GUID MakeGuid(std::string_view registry_form) {
  GUID g{};
  if (!detail::ParseGuidChars(registry_form, g)) throw "malformed GUID literal";
  return g;
}
// Parses the registry form at run time (either case); false when malformed.
bool TryParseGuid(std::string_view text, GUID* out);
// Registry form with upper-case hexadecimal digits and braces, 38 characters.
std::string GuidToString(const GUID& guid);

struct IUnknown {
  static constexpr GUID kIID = MakeGuid("{00000000-0000-0000-C000-000000000046}");
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
  static constexpr GUID kIID = MakeGuid("{00000001-0000-0000-C000-000000000046}");
  using Base = IUnknown;
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
  virtual HRESULT LockServer(int32_t lock) = 0;
};

// The entry points an in-process server exports.
using DllGetClassObjectFn = int32_t (*)(const GUID*, const GUID*, void**);
using DllCanUnloadNowFn = int32_t (*)(void);
using DllRegisterServerFn = int32_t (*)(void);

// Owning interface pointer: AddRefs a new value before releasing the old one.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(T* p) : p_(p) {  // NOLINT: adopts a borrowed pointer by adding a reference
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& other) {
    Assign(other.p_);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      T* old = std::exchange(p_, std::exchange(other.p_, nullptr));
      if (old) old->Release();
    }
    return *this;
  }
  ComPtr& operator=(T* p) {
    Assign(p);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Takes over a reference the caller already owns (no AddRef).
  static ComPtr Attach(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  // Hands the reference to the caller (no Release).
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }
  // For out parameters: releases the current value and gives the address to fill.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Typed QueryInterface; null when the object does not implement U.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(U::kIID, reinterpret_cast<void**>(r.ReleaseAndGetAddressOf()));
    return r;
  }
  // Hands a new reference out through a COM out parameter.
  void CopyTo(T** out) const {
    *out = p_;
    if (p_) p_->AddRef();
  }

 private:
  void Assign(T* p) {
    if (p) p->AddRef();
    T* old = std::exchange(p_, p);
    if (old) old->Release();
  }
  T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
  return a.Get() == b.Get();
}

}  // namespace kestro
