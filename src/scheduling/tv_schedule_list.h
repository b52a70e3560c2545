// TTVScheduleList: an ordered list of schedule references.
#pragma once

#include <cstdint>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/tv_schedules.h"

namespace kestro {

class TTVScheduleList : public TKestroTVObject<ITVScheduleList> {
 public:
  // ITVScheduleList.
  HRESULT get_Count(int32_t* value) override;
  HRESULT get_Items(int32_t index, ITVSchedule** result) override;
  HRESULT Remove(int32_t index) override;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Null for an index outside the list.
  ComPtr<ITVSchedule> Item(int32_t index) const;
  void Add(ComPtr<ITVSchedule> schedule);
  // Ignored for an index outside the list.
  void RemoveAt(int32_t index);
  // The first index whose schedule has this ID, -1 when none.
  int32_t IndexOfID(int32_t id) const;
  const std::vector<ComPtr<ITVSchedule>>& items() const { return items_; }

 private:
  bool InRange(int32_t index) const { return index >= 0 && index < Count(); }

  std::vector<ComPtr<ITVSchedule>> items_;
};

}  // namespace kestro
