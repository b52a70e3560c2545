// The result of saving a repeating schedule (its candidates, each with what it collides with and
// how that was classified) and the results of a re-prioritization.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/tv_schedules.h"
#include "scheduling/tv_schedule_list.h"

namespace kestro {

class TTVRepeatingScheduleResult : public TKestroTVObject<ITVRepeatingScheduleResult> {
 public:
  TTVRepeatingScheduleResult();

  // ITVRepeatingScheduleResult.
  HRESULT get_Code(TV_ADD_SCHEDULE_RESULT* value) override;
  HRESULT get_Description(std::string* value) override;
  HRESULT get_Schedules(ITVScheduleList** result) override;
  HRESULT get_Conflicts(int32_t index, ITVScheduleList** result) override;
  HRESULT get_ConflictTypes(int32_t index, TV_CONFLICT_TYPE* value) override;

  TV_ADD_SCHEDULE_RESULT Code() const { return code_; }
  const std::string& Description() const { return description_; }
  void SetCode(TV_ADD_SCHEDULE_RESULT code) { code_ = code; }
  void Set(TV_ADD_SCHEDULE_RESULT code, std::string description);

  int32_t Count() const { return schedules_->Count(); }
  ComPtr<ITVSchedule> Schedule(int32_t index) const { return schedules_->Item(index); }
  TTVScheduleList& ConflictsAt(int32_t index) const { return *conflicts_.at(index); }
  TV_CONFLICT_TYPE TypeAt(int32_t index) const { return types_.at(index); }
  // `conflicts` may be null (no conflicts).
  void Add(ComPtr<ITVSchedule> schedule, ComPtr<TTVScheduleList> conflicts,
           TV_CONFLICT_TYPE type);
  // Removes the entry with its conflicts and type; ignored outside the entries.
  void RemoveAt(int32_t index);
  // CONFLICT when any entry is SOFT, HARD or PROBLEM, otherwise OK.
  void RecomputeCode();

 private:
  void CheckIndex(int32_t index) const;

  TV_ADD_SCHEDULE_RESULT code_ = TV_ADD_SCHEDULE_OK;
  std::string description_;
  ComPtr<TTVScheduleList> schedules_;
  std::vector<ComPtr<TTVScheduleList>> conflicts_;
  std::vector<TV_CONFLICT_TYPE> types_;
};

class TTVRSPrioritizeResult : public TKestroTVObject<ITVRSPrioritizeResult> {
 public:
  // ITVRSPrioritizeResult.
  HRESULT get_Count(int32_t* value) override;
  HRESULT get_Items(int32_t index, ITVRepeatingScheduleResult** result) override;

  void Add(ComPtr<TTVRepeatingScheduleResult> result) { items_.push_back(std::move(result)); }

 private:
  std::vector<ComPtr<TTVRepeatingScheduleResult>> items_;
};

}  // namespace kestro
