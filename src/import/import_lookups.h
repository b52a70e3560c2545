// TImportLookups: the ids of roles, people and genres that one import run has looked up or
// written, so that its thousands of saves do not ask the database again for the same name.
//
// An id is kept only while the transaction it was learnt in lasts: in a transaction the run sees
// the database as it was at its start plus its own writes, and nothing in the module updates or
// deletes these rows. When the connection's transaction is another one, or none is open, every
// id is forgotten. The number of ids kept is bounded, so memory does not grow with the source.
//
// Not thread-safe: it belongs to the import's thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "storage/db.h"

namespace kestro {

class TImportLookups {
 public:
  enum class Kind { kRole, kPerson, kGenre };
  static constexpr size_t kDefaultCapacity = 32768;

  // `capacity`: the most ids kept of each kind; beyond it lookups go to the database.
  explicit TImportLookups(size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // Whether ids may be kept and used now: true while a transaction is open on `db`. Forgets
  // what was learnt in an earlier transaction.
  bool Usable(const IDB& db);
  // The id kept for the exact `name`, 0 when none is. REQUIRES: Usable() answered true.
  int32_t Find(Kind kind, std::string_view name) const;
  // Keeps a non-zero id. REQUIRES: Usable() answered true.
  void Remember(Kind kind, std::string_view name, int32_t id);

 private:
  // Heterogeneous lookup, so that Find needs no string of its own.
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  using Ids = std::unordered_map<std::string, int32_t, Hash, std::equal_to<>>;

  const size_t capacity_;
  uint64_t transaction_ = 0;  // IDB::TransactionSerial of the ids kept
  std::array<Ids, 3> ids_;    // by Kind
};

}  // namespace kestro
