// Building blocks for objects that implement COM interfaces.
//
//   class TFoo : public DispatchObject<IFoo> { ... };
//   ComPtr<TFoo> foo = MakeObject<TFoo>(args...);
//
// ComObject<I> gives reference counting and QueryInterface for I and every interface it extends
// (each interface names its parent as `using Base = ...`). DispatchObject<I> adds IDispatch over
// I's table in a type library.
#pragma once

#include <atomic>
#include <memory>
#include <type_traits>
#include <utility>

#include "kestro/com.h"
#include "kestro/dispatch.h"

namespace kestro {

// Throws Exception "Type information for interface %s is not in library %s".
[[noreturn]] void ThrowMissingTypeInfo(const TypeLibInfo& lib, const IID& iid);

namespace com_detail {
template <class I>
bool MatchesChain(const IID& iid) {
  if (iid == I::kIID) return true;
  if constexpr (std::is_same_v<I, IUnknown>) return false;
  else return MatchesChain<typename I::Base>(iid);
}
}  // namespace com_detail

template <class I>
class ComObject : public I {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (com_detail::MatchesChain<I>(iid)) {
      *out = static_cast<I*>(this);
    } else if (void* extra = QueryExtraInterface(iid)) {
      *out = extra;
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;  // the one owner of a COM object is its reference count
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // Further interfaces the object answers besides I's chain; the pointer returned must be this
  // object viewed as that interface.
  virtual void* QueryExtraInterface(const IID& iid) { return nullptr; }
  ULONG RefCount() const { return refs_.load(std::memory_order_relaxed); }

 private:
  std::atomic<ULONG> refs_{0};
};

// IDispatch over the table of I in `lib`. The library must hold a table for I.
template <class I>
class DispatchObject : public ComObject<I> {
 public:
  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t index, uint32_t lcid, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *out = MakeTypeInfo(*lib_, *info_).Detach();
    return S_OK;
  }
  HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count, uint32_t lcid,
                        DISPID* ids) override {
    return DispatchGetIDsOfNames(*info_, names, count, ids);
  }
  HRESULT Invoke(DISPID id, const IID& riid, uint32_t lcid, uint16_t flags, DispParams* params,
                 Variant* result, ExcepInfo* excep, uint32_t* arg_err) override {
    return DispatchInvoke(*info_, static_cast<I*>(this), id, flags, params, result, excep, arg_err);
  }

 protected:
  // Throws when the library has no table for I (its type information cannot be loaded).
  explicit DispatchObject(const TypeLibInfo& lib) : lib_(&lib), info_(lib.FindInterface(I::kIID)) {
    if (!info_) ThrowMissingTypeInfo(lib, I::kIID);
  }

  // Runs a method body inside the error frame of this interface.
  template <class F>
  HRESULT Frame(F&& body) noexcept {
    return RunInErrorFrame(I::kIID, std::forward<F>(body));
  }
  // As Frame for a method with an interface result: *out is null at entry and receives the
  // ComPtr that the body returns.
  template <class T, class F>
  HRESULT FrameOut(T** out, F&& body) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Frame([&] { *out = body().Detach(); });
  }
  // As Frame for a method with a value result: *out is written only when the body completes.
  template <class T, class F>
  HRESULT FrameValue(T* out, F&& body) noexcept {
    if (!out) return E_POINTER;
    return Frame([&] { *out = body(); });
  }

  // The one form of every property slot:
  //   get_Title(std::string* value)  { return GetProperty(value, fields_.title); }
  //   get_HasElapsed(bool* value)    { return GetProperty(value, [&] { return ElapsedAt(now); }); }
  //   put_Title(const std::string& value) { return PutProperty(fields_.title, value); }
  //   put_Number(int32_t value)      { return PutProperty([&] { WriteNumber(value); }); }
  // A read hands out `value`, or what `read()` returns (an interface as a new reference, null
  // allowed), as FrameValue and FrameOut do; a write stores `value` into `field`, or runs
  // `write()`. Both run inside the error frame.
  template <class T, class V>
  HRESULT GetProperty(T* out, V&& value_or_read) noexcept {
    if constexpr (!std::is_invocable_v<V&>) {
      return GetProperty(out, [&]() -> const std::remove_cvref_t<V>& { return value_or_read; });
    } else if constexpr (std::is_pointer_v<T>) {
      return FrameOut(out, [&] { return ComPtr<std::remove_pointer_t<T>>(value_or_read()); });
    } else {
      return FrameValue(out, value_or_read);
    }
  }
  template <class T, class V>
  HRESULT PutProperty(T& field, V&& value) noexcept {
    return Frame([&] { field = std::forward<V>(value); });
  }
  template <class F>
  HRESULT PutProperty(F&& write) noexcept {
    return Frame(std::forward<F>(write));
  }

  const InterfaceInfo& Info() const { return *info_; }

 private:
  const TypeLibInfo* lib_;
  const InterfaceInfo* info_;
};

// Creates a COM object; the returned pointer holds the first reference.
template <class T, class... A>
ComPtr<T> MakeObject(A&&... args) {
  auto owned = std::make_unique<T>(std::forward<A>(args)...);
  return ComPtr<T>(owned.release());
}

}  // namespace kestro
