// Base classes of every COM object the module hands out.
//
//  - TKestroTVObject<I>: implements an interface of the module's own type library.
//  - TKestroIntfObject<I>: implements an interface of the host's type library; with RefCounted
//    false, AddRef and Release do nothing (return -1) and the owner frees the object itself.
//
// Both answer IDispatch from I's table and count towards DllCanUnloadNow. Method bodies run in
// the error frame (Frame/FrameOut/FrameValue): any exception becomes E_UNEXPECTED with the
// message as error info under I's IID.
#pragma once

#include <atomic>

#include "core/type_library.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"

namespace kestro {

// Live module objects and server locks, for DllCanUnloadNow.
class ModuleObjectCounter {
 public:
  ModuleObjectCounter() { count_.fetch_add(1); }
  ModuleObjectCounter(const ModuleObjectCounter&) : ModuleObjectCounter() {}
  ~ModuleObjectCounter() { count_.fetch_sub(1); }
  static int32_t LiveObjects() { return count_.load(); }
  static void LockServer(bool lock) { locks_.fetch_add(lock ? 1 : -1); }
  static bool CanUnload() { return count_.load() == 0 && locks_.load() <= 0; }

 private:
  static inline std::atomic<int32_t> count_{0};
  static inline std::atomic<int32_t> locks_{0};
};

template <class I>
class TKestroTVObject : public DispatchObject<I>, private ModuleObjectCounter {
 protected:
  TKestroTVObject() : DispatchObject<I>(ModuleTypeLibrary()) {}
};

template <class I>
class TKestroIntfObject : public DispatchObject<I>, private ModuleObjectCounter {
 public:
  ULONG AddRef() override { return ref_counted_ ? DispatchObject<I>::AddRef() : ULONG(-1); }
  ULONG Release() override { return ref_counted_ ? DispatchObject<I>::Release() : ULONG(-1); }
  bool RefCounted() const { return ref_counted_; }
  // Public so that an owner of an object made with RefCounted false can free it.
  ~TKestroIntfObject() override = default;

 protected:
  explicit TKestroIntfObject(bool ref_counted)
      : DispatchObject<I>(HostTypeLibrary()), ref_counted_(ref_counted) {}

 private:
  const bool ref_counted_;
};

}  // namespace kestro
