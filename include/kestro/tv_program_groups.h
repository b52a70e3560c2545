// Programme groups: programmes sorted into groups under keys of any automation type (a title, a
// date, a channel number), each group holding a programme list.
#pragma once

#include <cstdint>

#include "kestro/dispatch.h"
#include "kestro/tv_programs.h"
#include "kestro/variant.h"

namespace kestro {

// Group indexes are in key order while the container is sorted, else in the order keys were
// first added. Keys compare as automation variants (numbers and dates by value, text as text).
struct ITVProgramGroups : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F0BDB3E6-366E-4A42-AE29-92B37C33C774}");
  using Base = IDispatch;
  virtual HRESULT get_Programs(int32_t index, ITVProgramList** result) = 0;          // 0
  virtual HRESULT get_Keys(int32_t index, Variant* result) = 0;                      // 201
  virtual HRESULT get_Count(int32_t* value) = 0;                                     // 202
  // Adds `program` (may be null: the group alone is made) to the group of `key`, making the
  // group when new. Without duplicates a programme whose ID is already there is not added again.
  virtual HRESULT Add(const Variant& key, ITVProgram* program, bool allow_duplicates) = 0;  // 203
  virtual HRESULT Clear() = 0;                                                       // 204
  // The list of the group whose key equals `key`; null when there is none.
  virtual HRESULT ProgramsForKey(const Variant& key, ITVProgramList** result) = 0;   // 205
  // Adds every programme of every group of `source` under its key; empty groups are not copied.
  virtual HRESULT CopyFrom(ITVProgramGroups* source, bool allow_duplicates) = 0;     // 206
  // Decides how later new groups are placed; existing groups are not reordered.
  virtual HRESULT get_Sorted(bool* value) = 0;                                       // 207
  virtual HRESULT put_Sorted(bool value) = 0;                                        // 207
  // Empties every group's list; the groups and their keys stay.
  virtual HRESULT ClearPrograms() = 0;                                               // 208
  // The first programme with this ID, by group index then list position; -1, -1 and false when
  // there is none. `key_index` and `program_index` are by reference.
  virtual HRESULT FindProgram(int32_t program_id, int32_t* key_index, int32_t* program_index,
                              bool* result) = 0;                                     // 209
};

}  // namespace kestro
