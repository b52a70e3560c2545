// Automation: IDispatch, type information and the thread's error info.
//
// Each interface is described once by an InterfaceInfo table: its IID, name and members with
// DISPID, kind and an invoke thunk generated from the member function pointer, so a call through
// IDispatch::Invoke runs exactly the code of the slot call. The tables are made from each
// interface's member list (see "Member lists" below). A type library is a list of such tables
// under a LIBID.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "kestro/com.h"
#include "kestro/ole_date.h"
#include "kestro/variant.h"

namespace kestro {

enum DispatchFlags : uint16_t {
  DISPATCH_METHOD = 1,
  DISPATCH_PROPERTYGET = 2,
  DISPATCH_PROPERTYPUT = 4,
};
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_PROPERTYPUT = -3;

// Arguments of Invoke, in reverse order as automation passes them (last argument first).
struct DispParams {
  Variant* args = nullptr;
  const DISPID* named_args = nullptr;
  uint32_t arg_count = 0;
  uint32_t named_arg_count = 0;
};

struct ExcepInfo {
  std::string source;
  std::string description;
  HRESULT scode = S_OK;
};

struct ITypeInfo;
struct ITypeLib;

struct IDispatch : IUnknown {
  static constexpr GUID kIID = MakeGuid("{00020400-0000-0000-C000-000000000046}");
  using Base = IUnknown;
  virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, uint32_t lcid, ITypeInfo** out) = 0;
  virtual HRESULT GetIDsOfNames(const IID& riid, const char* const* names, uint32_t count,
                                uint32_t lcid, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, const IID& riid, uint32_t lcid, uint16_t flags,
                         DispParams* params, Variant* result, ExcepInfo* excep,
                         uint32_t* arg_err) = 0;
};

// ---------------------------------------------------------------------------------------------
// Type tables

enum class MemberKind : uint16_t { kMethod = DISPATCH_METHOD, kGet = DISPATCH_PROPERTYGET, kPut = DISPATCH_PROPERTYPUT };

// Calls the member on `itf` (the interface pointer the table describes) with `args` in natural
// order. By-reference arguments are written back into `args`.
using InvokeThunk = HRESULT (*)(void* itf, Variant* args, uint32_t arg_count, Variant* result);

struct MemberInfo {
  const char* name;
  DISPID dispid;
  MemberKind kind;
  uint32_t param_count;  // arguments the caller passes (the trailing result is not counted)
  InvokeThunk invoke;
};

struct InterfaceInfo {
  IID iid;
  const char* name;
  const char* help;
  const InterfaceInfo* base;  // the interface this one extends (null for IDispatch's direct heirs)
  std::vector<MemberInfo> members;

  // The member with this DISPID whose kind suits the flags, searching base interfaces too.
  // Sets *owner to the table that holds it.
  const MemberInfo* Find(DISPID id, uint16_t flags, const InterfaceInfo** owner = nullptr) const;
  // The DISPID of a member name (case-insensitive), or DISPID_UNKNOWN.
  DISPID IdOfName(std::string_view name) const;
};

struct CoClassInfo {
  CLSID clsid;
  const char* name;
  const char* help;
  IID default_interface;
};

struct TypeLibInfo {
  GUID libid;
  const char* name;
  const char* help;
  uint16_t major;
  uint16_t minor;
  std::vector<const InterfaceInfo*> interfaces;
  std::vector<CoClassInfo> classes;

  const InterfaceInfo* FindInterface(const IID& iid) const;
};

// Minimal type information over the tables: enough for a host to name what it holds.
struct ITypeInfo : IUnknown {
  static constexpr GUID kIID = MakeGuid("{00020401-0000-0000-C000-000000000046}");
  using Base = IUnknown;
  virtual HRESULT GetGuid(GUID* iid) = 0;
  // memid DISPID_UNKNOWN: the interface's name and help string; else the member's name.
  virtual HRESULT GetDocumentation(DISPID memid, std::string* name, std::string* help) = 0;
  virtual HRESULT GetIDsOfNames(const char* const* names, uint32_t count, DISPID* ids) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** lib, uint32_t* index) = 0;
  // The table itself, for in-process callers built from the same headers.
  virtual const InterfaceInfo* Info() = 0;
};

struct ITypeLib : IUnknown {
  static constexpr GUID kIID = MakeGuid("{00020402-0000-0000-C000-000000000046}");
  using Base = IUnknown;
  virtual HRESULT GetLibAttr(GUID* libid, uint16_t* major, uint16_t* minor) = 0;
  // index -1: the library's name and help string; else the type at that index.
  virtual HRESULT GetDocumentation(int32_t index, std::string* name, std::string* help) = 0;
  virtual uint32_t GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, ITypeInfo** out) = 0;
  virtual HRESULT GetTypeInfoOfGuid(const GUID& iid, ITypeInfo** out) = 0;
};

ComPtr<ITypeLib> MakeTypeLib(const TypeLibInfo& lib);
ComPtr<ITypeInfo> MakeTypeInfo(const TypeLibInfo& lib, const InterfaceInfo& itf);

// The IDispatch behaviour of an object over its interface table; `itf` is the object's pointer
// for that interface.
HRESULT DispatchGetIDsOfNames(const InterfaceInfo& info, const char* const* names, uint32_t count,
                              DISPID* ids);
HRESULT DispatchInvoke(const InterfaceInfo& info, void* itf, DISPID id, uint16_t flags,
                       DispParams* params, Variant* result, ExcepInfo* excep, uint32_t* arg_err);

// ---------------------------------------------------------------------------------------------
// Thread error info

struct ErrorInfo {
  GUID iid{};
  std::string source;
  std::string description;
};
void SetErrorInfo(const GUID& iid, std::string_view description, std::string_view source = {});
// Takes the calling thread's error info (S_OK) and clears it; S_FALSE when there is none.
HRESULT GetErrorInfo(ErrorInfo* out);
void ClearErrorInfo();

// Runs `body` as a COM method body: S_OK when it completes; on any exception E_UNEXPECTED with
// the exception's message as the thread's error info under `iid`.
template <class F>
HRESULT RunInErrorFrame(const IID& iid, F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const std::exception& e) {
    SetErrorInfo(iid, e.what());
  } catch (...) {
    SetErrorInfo(iid, "Unknown failure");
  }
  return E_UNEXPECTED;
}

// Throws an Exception with the error info's description (or the HRESULT in hexadecimal when
// there is none) when `hr` failed: how a failed host call becomes a failure of the caller.
void CheckHResult(HRESULT hr, std::string_view what = {});

// ---------------------------------------------------------------------------------------------
// Invoke thunks generated from member function pointers.

namespace dispatch_detail {

template <class P>
constexpr bool IsOutParam() {
  if constexpr (std::is_pointer_v<P>) {
    using T = std::remove_pointer_t<P>;
    if constexpr (std::is_const_v<T>) return false;
    else if constexpr (std::is_class_v<T>) return !std::is_base_of_v<IUnknown, T>;
    else return true;  // int32_t*, bool*, OleDate*, ITVFoo**
  } else {
    return false;
  }
}

template <class T>
T FromVariant(const Variant& v) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, Variant>) return v;
  else if constexpr (std::is_same_v<U, bool>) return v.ToBool();
  else if constexpr (std::is_same_v<U, OleDate>) return v.ToDate();
  else if constexpr (std::is_same_v<U, double>) return v.ToDouble();
  else if constexpr (std::is_same_v<U, std::string>) return v.ToString();
  else if constexpr (std::is_same_v<U, int64_t>) return v.ToInt64();
  else if constexpr (std::is_integral_v<U>) return static_cast<U>(v.ToInt32());
  else if constexpr (std::is_enum_v<U>) return static_cast<U>(v.ToInt32());
  else static_assert(sizeof(U) == 0, "no variant conversion for this parameter type");
}

// The variant of a result: an OleDate becomes a date, an interface handed out is taken over.
template <class T>
Variant ToVariant(const T& value) {
  if constexpr (std::is_pointer_v<T>) {
    using I = std::remove_pointer_t<T>;
    return Variant(ComPtr<I>::Attach(value));
  } else if constexpr (std::is_enum_v<T>) {
    return Variant(static_cast<int32_t>(value));
  } else {
    return Variant(value);
  }
}

// Throws EVariantError for an interface argument that lacks the interface the method takes.
[[noreturn]] void ThrowInterfaceMismatch();

// How one parameter is held during the call.
template <class P>
struct Param {
  static constexpr bool kOut = IsOutParam<P>();
  using Pointee = std::remove_pointer_t<P>;
  using Store = std::conditional_t<
      kOut, Pointee,
      std::conditional_t<std::is_pointer_v<P>, ComPtr<std::remove_const_t<std::remove_pointer_t<P>>>,
                         std::remove_cvref_t<P>>>;

  static void Load(Store& s, const Variant& v) {
    if constexpr (kOut && std::is_pointer_v<Pointee>) {
      s = nullptr;  // interface out: by-reference input is not read
    } else if constexpr (!kOut && std::is_pointer_v<P>) {
      using I = std::remove_const_t<std::remove_pointer_t<P>>;
      ComPtr<IUnknown> unk = v.ToInterface();
      if (unk) {
        s = unk.template As<I>();
        if (!s) ThrowInterfaceMismatch();
      }
    } else {
      s = FromVariant<Store>(v);
    }
  }
  static decltype(auto) Pass(Store& s) {
    if constexpr (kOut) return &s;
    else if constexpr (std::is_pointer_v<P>) return s.Get();
    else return static_cast<P>(s);
  }
};

template <class Tuple, size_t I>
using ParamAt = std::tuple_element_t<I, Tuple>;

// Runs a thunk body, turning a failed argument conversion into DISP_E_TYPEMISMATCH with error info.
HRESULT ConvertFailure(const std::exception& e);

template <auto Fn>
struct Thunk;

template <class I, class... P, HRESULT (I::*Fn)(P...)>
struct Thunk<Fn> {
  using Params = std::tuple<P...>;
  static constexpr size_t kCount = sizeof...(P);
  static constexpr bool kHasResult = [] {
    if constexpr (kCount == 0) return false;
    else return IsOutParam<ParamAt<Params, kCount - 1>>();
  }();
  static constexpr uint32_t kArgCount = static_cast<uint32_t>(kHasResult ? kCount - 1 : kCount);

  template <size_t K>
  using ParamK = Param<ParamAt<Params, K>>;

  static HRESULT Call(void* itf, Variant* args, uint32_t arg_count, Variant* result) {
    if (arg_count != kArgCount) return DISP_E_BADPARAMCOUNT;
    return CallImpl(static_cast<I*>(itf), args, result, std::make_index_sequence<kCount>{});
  }

  template <size_t... K>
  static HRESULT CallImpl(I* self, [[maybe_unused]] Variant* args, [[maybe_unused]] Variant* result,
                          std::index_sequence<K...>) {
    std::tuple<typename ParamK<K>::Store...> store{};
    try {
      (LoadOne<K>(std::get<K>(store), args), ...);
    } catch (const std::exception& e) {
      return ConvertFailure(e);
    }
    HRESULT hr = (self->*Fn)(ParamK<K>::Pass(std::get<K>(store))...);
    if (Succeeded(hr)) (StoreOne<K>(std::get<K>(store), args, result), ...);
    return hr;
  }

  template <size_t K, class S>
  static void LoadOne(S& s, Variant* args) {
    if constexpr (K < kArgCount) ParamK<K>::Load(s, args[K]);
  }
  template <size_t K, class S>
  static void StoreOne([[maybe_unused]] S& s, [[maybe_unused]] Variant* args,
                       [[maybe_unused]] Variant* result) {
    if constexpr (ParamK<K>::kOut) {
      Variant v = ToVariant(s);
      if constexpr (K < kArgCount) args[K] = std::move(v);
      else if (result) *result = std::move(v);
    }
  }
};

// The table row of one member. A property get must hand out a result; a put takes its value
// (after any index) and hands out none.
template <MemberKind kKind, auto Fn>
MemberInfo Row(const char* name, DISPID id) {
  using T = Thunk<Fn>;
  static_assert(kKind != MemberKind::kGet || T::kHasResult, "a property get needs a result");
  static_assert(kKind != MemberKind::kPut || (!T::kHasResult && T::kArgCount >= 1),
                "a property put takes a value and has no result");
  return {name, id, kKind, T::kArgCount, &T::Call};
}

// The table of the interface an interface extends; none for IDispatch's direct heirs.
template <class B>
const InterfaceInfo* BaseTable() {
  if constexpr (std::is_same_v<B, IDispatch>) return nullptr;
  else return &B::TypeTable();
}

}  // namespace dispatch_detail

// ---------------------------------------------------------------------------------------------
// Member lists
//
// Every interface lists its members once, inside its struct, as an X-macro named
// <interface>_MEMBERS, followed by KESTRO_DISPATCH_MEMBERS (each line of the list but its last
// ends in a backslash):
//
//   struct ITVFooList : IDispatch {
//     static constexpr GUID kIID = MakeGuid("{...}");
//     using Base = IDispatch;
//   #define ITVFooList_MEMBERS(M)
//     M(propget, 201, Count, (int32_t* value))
//     /* An index outside the list is ignored. */
//     M(method, 202, Remove, (int32_t index))
//     KESTRO_DISPATCH_MEMBERS(ITVFooList, "A list of foos")
//   };
//
// An entry gives the kind (propget, propput or method), the DISPID, the name and the parameters;
// a property's slots are get_<name> and put_<name>, a method's is <name>. The list becomes the
// pure virtual slots, in list order (the slot order), and the interface's dispatch table
// `TypeTable()`, whose rows invoke those very slots: a slot cannot lack its row, nor a row its
// slot. Comments inside a list must be /* */.

#define KESTRO_SLOT_propget(name) get_##name
#define KESTRO_SLOT_propput(name) put_##name
#define KESTRO_SLOT_method(name) name
#define KESTRO_SLOT(kind, name) KESTRO_SLOT_##kind(name)
#define KESTRO_MEMBER_KIND_propget ::kestro::MemberKind::kGet
#define KESTRO_MEMBER_KIND_propput ::kestro::MemberKind::kPut
#define KESTRO_MEMBER_KIND_method ::kestro::MemberKind::kMethod

#define KESTRO_PURE_SLOT(kind, dispid, name, params) \
  virtual ::kestro::HRESULT KESTRO_SLOT(kind, name) params = 0;
#define KESTRO_TABLE_ROW(kind, dispid, name, params)                                            \
  ::kestro::dispatch_detail::Row<KESTRO_MEMBER_KIND_##kind, &Self::KESTRO_SLOT(kind, name)>( \
      #name, dispid),

// TypeTable is a template so that it is compiled only where a type library lists it, with every
// interface its members take complete.
#define KESTRO_DISPATCH_MEMBERS(Interface, help)                              \
  Interface##_MEMBERS(KESTRO_PURE_SLOT)                                       \
  template <class Self = Interface>                                           \
  static const ::kestro::InterfaceInfo& TypeTable() {                         \
    static const ::kestro::InterfaceInfo table{                               \
        kIID, #Interface, help, ::kestro::dispatch_detail::BaseTable<Base>(), \
        {Interface##_MEMBERS(KESTRO_TABLE_ROW)}};                             \
    return table;                                                             \
  }

}  // namespace kestro
