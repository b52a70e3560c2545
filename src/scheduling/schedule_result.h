// The result of a scheduling operation, and EAddSchedule, the failure that carries a result code
// inside the scheduler until the operation's boundary turns it into a result.
#pragma once

#include <string>
#include <utility>

#include "core/kestro_object.h"
#include "kestro/tv_schedules.h"
#include "platform/exception.h"
#include "scheduling/tv_schedule_list.h"

namespace kestro {

class EAddSchedule : public Exception {
 public:
  EAddSchedule(TV_ADD_SCHEDULE_RESULT code, const std::string& message)
      : Exception(message), code_(code) {}
  const char* ClassName() const noexcept override { return "EAddSchedule"; }
  TV_ADD_SCHEDULE_RESULT Code() const { return code_; }

 private:
  TV_ADD_SCHEDULE_RESULT code_;
};

class TTVScheduleResult : public TKestroTVObject<ITVScheduleResult> {
 public:
  TTVScheduleResult() : conflicts_(MakeObject<TTVScheduleList>()) {}

  // ITVScheduleResult.
  HRESULT get_Code(TV_ADD_SCHEDULE_RESULT* value) override;
  HRESULT get_Description(std::string* value) override;
  HRESULT get_Conflicts(ITVScheduleList** result) override;

  TV_ADD_SCHEDULE_RESULT Code() const { return code_; }
  bool Ok() const { return code_ == TV_ADD_SCHEDULE_OK; }
  const std::string& Description() const { return description_; }
  void SetCode(TV_ADD_SCHEDULE_RESULT code) { code_ = code; }
  void Set(TV_ADD_SCHEDULE_RESULT code, std::string description) {
    code_ = code;
    description_ = std::move(description);
  }
  TTVScheduleList& Conflicts() { return *conflicts_; }

 private:
  TV_ADD_SCHEDULE_RESULT code_ = TV_ADD_SCHEDULE_OK;
  std::string description_;
  ComPtr<TTVScheduleList> conflicts_;
};

// Runs `body(result)` on a new result at an operation's boundary (the body may put another
// result in its place): an EAddSchedule becomes the result's code and description, any other
// failure TV_ADD_SCHEDULE_CORRUPTION with "There was an unexpected error : " and its message.
// Whatever the body left open is undone by its own guards while the failure unwinds. Never throws.
// The result type R needs Set(code, description).
template <class R = TTVScheduleResult, class F>
ComPtr<R> RunScheduleOperation(F&& body) {
  ComPtr<R> result = MakeObject<R>();
  try {
    body(result);
  } catch (const EAddSchedule& e) {
    result->Set(e.Code(), e.what());
  } catch (const std::exception& e) {
    result->Set(TV_ADD_SCHEDULE_CORRUPTION,
                std::string("There was an unexpected error : ") + e.what());
  }
  return result;
}

}  // namespace kestro
