#include "scheduling/schedule_result.h"

namespace kestro {

HRESULT TTVScheduleResult::get_Code(TV_ADD_SCHEDULE_RESULT* value) {
  return GetProperty(value, code_);
}

HRESULT TTVScheduleResult::get_Description(std::string* value) {
  return GetProperty(value, description_);
}

HRESULT TTVScheduleResult::get_Conflicts(ITVScheduleList** result) {
  return GetProperty(result, conflicts_);
}

}  // namespace kestro
