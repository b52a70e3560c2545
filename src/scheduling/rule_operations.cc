#include "scheduling/rule_operations.h"

#include <optional>
#include <set>
#include <vector>

#include "platform/text/text.h"
#include "scheduling/open_listings.h"
#include "scheduling/rule_save.h"
#include "scheduling/rule_showings.h"
#include "scheduling/rule_store.h"
#include "scheduling/schedule_store.h"
#include "scheduling/schedule_writer.h"
#include "support/failure_report.h"

namespace kestro {
namespace {

// The rule ids of the argument after the checks of its shape.
std::vector<int32_t> RuleIDs(const Variant& rs_ids) {
  if (rs_ids.IsEmptyOrNull()) throw Exception("Repeating schedule IDs is empty or null");
  if (!rs_ids.IsArray()) throw Exception("Repeating schedule IDs is not an array");
  const SafeArray& array = rs_ids.ToArray();
  if (array.Dims() != 1) {
    throw Exception("Repeating schedule IDs is not a one-dimensional array");
  }
  const int32_t low = array.LBound(), high = array.UBound();
  if (high <= low) {
    throw Exception(
        Format("Repeating schedule IDs has bad upper and lower bounds : %d to %d", low, high));
  }
  std::vector<int32_t> ids;
  for (int32_t i = low; i <= high; ++i) ids.push_back(array.Get({i}).ToInt32());
  return ids;
}

RuleFields LoadRule(IDB& db, int32_t rs_id) {
  std::optional<RuleFields> rule = FindRuleFields(db, rs_id);
  if (!rule) throw Exception(Format("Failed to load repeating schedule with ID %d", rs_id));
  return std::move(*rule);
}

void Prioritize(const DBPtr& db, const ComPtr<ITVListings>& listings, const Variant& rs_ids,
                TTVRSPrioritizeResult& results) {
  const std::vector<int32_t> ids = RuleIDs(rs_ids);
  Transaction transaction =
      BeginScheduleChange(*db, "Failed to begin transaction, DB is probably busy");
  const std::vector<RuleFields> rules = LoadAllRuleFields(*db);
  if (rules.empty()) throw Exception("No repeating schedules found");
  if (ids.size() != rules.size()) {
    throw Exception(Format(
        "Array of repeating schedule IDs has %d elements and there are %d existing repeating "
        "schedules",
        static_cast<int32_t>(ids.size()), static_cast<int32_t>(rules.size())));
  }
  std::set<int32_t> existing, seen;
  for (const RuleFields& rule : rules) existing.insert(rule.id);
  for (int32_t id : ids) {
    if (!existing.count(id)) {
      throw Exception(Format("Failed to find existing repeating schedule with ID %d", id));
    }
  }
  for (int32_t id : ids) {
    if (!seen.insert(id).second) {
      throw Exception(Format("Repeating schedule IDs has duplicate ID %d", id));
    }
  }

  for (size_t k = 0; k < ids.size(); ++k) {
    db->ExecFmt("update repeating_schedules set priority = %d where rs_id = %d",
                {SqlArg::Int(100000 - 100 * static_cast<int64_t>(k)), SqlArg::Int(ids[k])});
  }
  // Everything is set aside first, so the top rule picks its tuners before the others fit around
  // it. Each save takes back the schedules it still records the same way (their ids stay) and
  // keeps those that lost their tuner as deleted, with the reason.
  const OleDate now = db->GetEnv()->NowLocal();
  for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
    SetRuleSchedulesAside(*db, LoadRule(*db, *id).id, /*in_progress_too=*/true, now);
  }
  for (int32_t id : ids) {
    RuleFields rule = LoadRule(*db, id);
    ComPtr<TTVRepeatingScheduleResult> saved =
        SaveRule(rule, db, listings, TV_RS_SAVE_MODE_RECALCULATE, nullptr, /*preview=*/false);
    if (saved->Code() != TV_ADD_SCHEDULE_OK && saved->Code() != TV_ADD_SCHEDULE_CONFLICT) {
      throw Exception(Format("There was a problem saving repeating schedule %d : %s", id,
                             saved->Description().c_str()));
    }
    results.Add(saved);
  }
  transaction.Commit();
}

}  // namespace

bool PrioritizeRules(const DBPtr& db, const ComPtr<ITVListings>& listings, const Variant& rs_ids,
                     std::string* error, TTVRSPrioritizeResult& results) noexcept {
  try {
    Prioritize(db, listings, rs_ids, results);
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

bool DeleteRule(const DBPtr& db, const ComPtr<ITVListings>& listings, int32_t rs_id,
                std::string_view deleted_by, std::string_view reason) noexcept {
  try {
    Transaction transaction = BeginScheduleChange(*db);
    std::optional<RuleFields> rule = FindRuleFields(*db, rs_id);
    if (!rule) return false;
    TScheduleWriter writer(db, LineupTunerCount(*db));
    ComPtr<TTVScheduleList> schedules = LoadRuleSchedules(db, *rule);
    const OleDate now = db->GetEnv()->NowLocal();
    for (const ComPtr<ITVSchedule>& s : schedules->items()) {
      ComPtr<TTVSchedule> own = OwnSchedule(*s);
      const int32_t schedule_id = own->fields().id;
      if (own->InProgressAt(now)) {
        // The recording goes on, as a single schedule.
        db->ExecFmt("update schedules set rs_id = 0 where schedule_id = %d",
                    {SqlArg::Int(schedule_id)});
        continue;
      }
      if (!writer.Delete(schedule_id, deleted_by, reason)) return false;
    }
    ForgetDeletedShowingsOfRule(*db, rs_id);
    db->ExecFmt("delete from repeating_schedules where rs_id = %d", {SqlArg::Int(rs_id)});
    transaction.Commit();
    return true;
  } catch (const std::exception& e) {
    ReportFailure(Format("Deleting repeating schedule %d", rs_id), e);
    return false;
  }
}

}  // namespace kestro
