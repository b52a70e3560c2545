#include "scheduling/schedule_result.h"

namespace kestro {

HRESULT TTVScheduleResult::get_Code(TV_ADD_SCHEDULE_RESULT* value) {
  return FrameValue(value, [&] { return code_; });
}

HRESULT TTVScheduleResult::get_Description(std::string* value) {
  return FrameValue(value, [&] { return description_; });
}

HRESULT TTVScheduleResult::get_Conflicts(ITVScheduleList** result) {
  return FrameOut(result, [&] { return ComPtr<ITVScheduleList>(conflicts_.Get()); });
}

}  // namespace kestro
