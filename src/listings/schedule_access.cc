#include "listings/schedule_access.h"

#include "platform/text/text.h"

namespace kestro {

const IScheduleAccess& ScheduleAccessOf(const IDB& db) {
  if (const auto* access = dynamic_cast<const IScheduleAccess*>(db.Services())) return *access;
  throw Exception(
      Format("The listings database \"%s\" was opened without scheduling", db.FileName().c_str()));
}

}  // namespace kestro
