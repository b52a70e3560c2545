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
#define ITVProgramGroups_MEMBERS(M)                                                             \
  M(propget, 0, Programs, (int32_t index, ITVProgramList** result))                             \
  M(propget, 201, Keys, (int32_t index, Variant* result))                                       \
  M(propget, 202, Count, (int32_t* value))                                                      \
  /* Adds `program` (may be null: the group alone is made) to the group of `key`, making the    \
     group when new. Without duplicates a programme whose ID is already there is not added      \
     again. */                                                                                  \
  M(method, 203, Add, (const Variant& key, ITVProgram* program, bool allow_duplicates))         \
  M(method, 204, Clear, ())                                                                     \
  /* The list of the group whose key equals `key`; null when there is none. */                  \
  M(method, 205, ProgramsForKey, (const Variant& key, ITVProgramList** result))                 \
  /* Adds every programme of every group of `source` under its key; empty groups are not        \
     copied. */                                                                                 \
  M(method, 206, CopyFrom, (ITVProgramGroups* source, bool allow_duplicates))                   \
  /* Decides how later new groups are placed; existing groups are not reordered. */             \
  M(propget, 207, Sorted, (bool* value))                                                        \
  M(propput, 207, Sorted, (bool value))                                                         \
  /* Empties every group's list; the groups and their keys stay. */                             \
  M(method, 208, ClearPrograms, ())                                                             \
  /* The first programme with this ID, by group index then list position; -1, -1 and false when \
     there is none. `key_index` and `program_index` are by reference. */                        \
  M(method, 209, FindProgram, (int32_t program_id, int32_t* key_index, int32_t* program_index,  \
                               bool* result))
  KESTRO_DISPATCH_MEMBERS(ITVProgramGroups, "Programmes grouped under keys")
};

}  // namespace kestro
