#include "scheduling/tv_schedule_list.h"

namespace kestro {

ComPtr<ITVSchedule> TTVScheduleList::Item(int32_t index) const {
  return InRange(index) ? items_[static_cast<size_t>(index)] : nullptr;
}

void TTVScheduleList::Add(ComPtr<ITVSchedule> schedule) { items_.push_back(std::move(schedule)); }

void TTVScheduleList::RemoveAt(int32_t index) {
  if (InRange(index)) items_.erase(items_.begin() + index);
}

int32_t TTVScheduleList::IndexOfID(int32_t id) const {
  for (int32_t i = 0; i < Count(); ++i) {
    int32_t item_id = 0;
    CheckHResult(items_[static_cast<size_t>(i)]->get_ID(&item_id));
    if (item_id == id) return i;
  }
  return -1;
}

HRESULT TTVScheduleList::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return Count(); });
}

HRESULT TTVScheduleList::get_Items(int32_t index, ITVSchedule** result) {
  return GetProperty(result, [&] { return Item(index); });
}

HRESULT TTVScheduleList::Remove(int32_t index) {
  return Frame([&] { RemoveAt(index); });
}

}  // namespace kestro
