#include "scheduling/rule_result.h"

#include "platform/exception.h"
#include "platform/text/text.h"

namespace kestro {

// --- TTVRepeatingScheduleResult ---------------------------------------------------------------

TTVRepeatingScheduleResult::TTVRepeatingScheduleResult()
    : schedules_(MakeObject<TTVScheduleList>()) {}

void TTVRepeatingScheduleResult::Set(TV_ADD_SCHEDULE_RESULT code, std::string description) {
  code_ = code;
  description_ = std::move(description);
}

void TTVRepeatingScheduleResult::Add(ComPtr<ITVSchedule> schedule,
                                     ComPtr<TTVScheduleList> conflicts, TV_CONFLICT_TYPE type) {
  schedules_->Add(std::move(schedule));
  conflicts_.push_back(conflicts ? std::move(conflicts) : MakeObject<TTVScheduleList>());
  types_.push_back(type);
}

void TTVRepeatingScheduleResult::RemoveAt(int32_t index) {
  if (index < 0 || index >= Count()) return;
  schedules_->RemoveAt(index);
  conflicts_.erase(conflicts_.begin() + index);
  types_.erase(types_.begin() + index);
}

void TTVRepeatingScheduleResult::RecomputeCode() {
  code_ = TV_ADD_SCHEDULE_OK;
  for (TV_CONFLICT_TYPE type : types_) {
    if (type == TV_CONFLICT_SOFT || type == TV_CONFLICT_HARD || type == TV_CONFLICT_PROBLEM) {
      code_ = TV_ADD_SCHEDULE_CONFLICT;
    }
  }
}

void TTVRepeatingScheduleResult::CheckIndex(int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw Exception(Format("List index out of bounds (%d)", index));
  }
}

HRESULT TTVRepeatingScheduleResult::get_Code(TV_ADD_SCHEDULE_RESULT* value) {
  return GetProperty(value, code_);
}

HRESULT TTVRepeatingScheduleResult::get_Description(std::string* value) {
  return GetProperty(value, description_);
}

HRESULT TTVRepeatingScheduleResult::get_Schedules(ITVScheduleList** result) {
  return GetProperty(result, schedules_);
}

HRESULT TTVRepeatingScheduleResult::get_Conflicts(int32_t index, ITVScheduleList** result) {
  return GetProperty(result, [&] {
    CheckIndex(index);
    return ComPtr<ITVScheduleList>(conflicts_[static_cast<size_t>(index)]);
  });
}

HRESULT TTVRepeatingScheduleResult::get_ConflictTypes(int32_t index, TV_CONFLICT_TYPE* value) {
  return GetProperty(value, [&] {
    CheckIndex(index);
    return types_[static_cast<size_t>(index)];
  });
}

// --- TTVRSPrioritizeResult --------------------------------------------------------------------

HRESULT TTVRSPrioritizeResult::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return static_cast<int32_t>(items_.size()); });
}

HRESULT TTVRSPrioritizeResult::get_Items(int32_t index, ITVRepeatingScheduleResult** result) {
  return GetProperty(result, [&] {
    if (index < 0 || index >= static_cast<int32_t>(items_.size())) {
      throw Exception(Format("List index out of bounds (%d)", index));
    }
    return ComPtr<ITVRepeatingScheduleResult>(items_[static_cast<size_t>(index)]);
  });
}

}  // namespace kestro
