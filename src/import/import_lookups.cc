#include "import/import_lookups.h"

namespace kestro {

bool TImportLookups::Usable(const IDB& db) {
  const uint64_t transaction = db.TransactionSerial();
  if (transaction != transaction_) {
    for (Ids& ids : ids_) ids.clear();
    transaction_ = transaction;
  }
  return transaction != 0;
}

int32_t TImportLookups::Find(Kind kind, std::string_view name) const {
  const Ids& ids = ids_[static_cast<size_t>(kind)];
  auto it = ids.find(name);
  return it == ids.end() ? 0 : it->second;
}

void TImportLookups::Remember(Kind kind, std::string_view name, int32_t id) {
  Ids& ids = ids_[static_cast<size_t>(kind)];
  if (id == 0 || ids.size() >= capacity_) return;
  ids.emplace(std::string(name), id);
}

}  // namespace kestro
