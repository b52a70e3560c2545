// TTVSchedule: one planned recording, a detached snapshot of a `schedules` row and its
// `schedule_data` values. It changes only in memory; the scheduler stores it.
#pragma once

#include <cstdint>
#include <string>

#include "core/kestro_object.h"
#include "kestro/ole_date.h"
#include "kestro/tv_schedules.h"
#include "listings/tv_channel.h"
#include "listings/tv_program.h"
#include "storage/db.h"
#include "support/dictionary.h"

namespace kestro {

// The order of two db times: the sign of their difference taken in 32-bit arithmetic. Packed
// times from 2044 on are negative as signed integers; the wrapped difference keeps them after
// the earlier ones.
inline int32_t DbTimeDiff(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// Whether the window [cs, ce) overlaps [s, e) as the scheduler's time-slice query decides it:
// windows that only touch at one instant do not overlap. All values are db times.
bool DbWindowsOverlap(int32_t s, int32_t e, int32_t cs, int32_t ce);

// The stored values of a schedule; the defaults are those of a new schedule.
struct ScheduleFields {
  int32_t id = -1;
  bool deleted = false;
  int32_t tuner_id = -1;
  int32_t program_id = 0;
  int32_t channel_id = 0;
  int32_t rs_id = 0;
  std::string title;
  OleDate start_time = 0.0;  // the reserved window, hard padding included
  OleDate end_time = 0.0;
  int32_t hard_padding_before = 0;  // seconds
  int32_t hard_padding_after = 0;
  int32_t soft_padding_before = 0;
  int32_t soft_padding_after = 0;
  bool delete_on_conflict = false;
  bool wake_up = true;
  std::string created_by;
  std::string deleted_by;
  std::string reason;
  std::string status;
  int32_t keep_until = TV_KEEP_UNTIL_SPACE_NEEDED;
  std::string folder;
  std::string quality;

  int32_t StartDbTime() const;
  int32_t EndDbTime() const;
};

class TTVSchedule;
// The module's own schedule behind `schedule`: the object itself when it is one; else a new one
// with the values and Data read once through the interface (the host may hand in its own schedule
// object). Throws when a getter fails.
ComPtr<TTVSchedule> OwnSchedule(ITVSchedule& schedule);

class TTVSchedule : public TKestroTVObject<ITVSchedule> {
 public:
  // A new schedule (ID -1) bound to `db`.
  explicit TTVSchedule(DBPtr db);
  TTVSchedule(DBPtr db, ScheduleFields fields);

  // ITVSchedule.
  HRESULT get_ID(int32_t* value) override;
  HRESULT put_ID(int32_t value) override;
  HRESULT get_TunerID(int32_t* value) override;
  HRESULT put_TunerID(int32_t value) override;
  HRESULT get_StartTime(OleDate* value) override;
  HRESULT put_StartTime(OleDate value) override;
  HRESULT get_EndTime(OleDate* value) override;
  HRESULT put_EndTime(OleDate value) override;
  HRESULT get_SoftPaddingBefore(int32_t* value) override;
  HRESULT put_SoftPaddingBefore(int32_t value) override;
  HRESULT get_SoftPaddingAfter(int32_t* value) override;
  HRESULT put_SoftPaddingAfter(int32_t value) override;
  HRESULT get_DeleteOnConflict(bool* value) override;
  HRESULT put_DeleteOnConflict(bool value) override;
  HRESULT get_WakeUp(bool* value) override;
  HRESULT put_WakeUp(bool value) override;
  HRESULT get_Data(IKestroItem** result) override;
  HRESULT get_CreatedBy(std::string* value) override;
  HRESULT put_CreatedBy(const std::string& value) override;
  HRESULT get_DeletedBy(std::string* value) override;
  HRESULT get_Reason(std::string* value) override;
  HRESULT get_Status(std::string* value) override;
  HRESULT get_IsInProgress(bool* value) override;
  HRESULT get_SoftStartTime(OleDate* value) override;
  HRESULT get_SoftEndTime(OleDate* value) override;
  HRESULT get_HasElapsed(bool* value) override;
  HRESULT get_Title(std::string* value) override;
  HRESULT put_Title(const std::string& value) override;
  HRESULT get_HardPaddingBefore(int32_t* value) override;
  HRESULT put_HardPaddingBefore(int32_t value) override;
  HRESULT get_HardPaddingAfter(int32_t* value) override;
  HRESULT put_HardPaddingAfter(int32_t value) override;
  HRESULT get_ProgramID(int32_t* value) override;
  HRESULT put_ProgramID(int32_t value) override;
  HRESULT StartsBefore(ITVSchedule* other, bool* result) override;
  HRESULT get_ChannelID(int32_t* value) override;
  HRESULT put_ChannelID(int32_t value) override;
  HRESULT get_RepeatingScheduleID(int32_t* value) override;
  HRESULT put_RepeatingScheduleID(int32_t value) override;
  HRESULT get_IsDeleted(bool* value) override;
  HRESULT GetProgram(ITVProgram** result) override;
  HRESULT GetChannel(ITVChannel** result) override;
  HRESULT get_KeepUntil(TV_KEEP_UNTIL* value) override;
  HRESULT put_KeepUntil(TV_KEEP_UNTIL value) override;
  HRESULT get_Folder(std::string* value) override;
  HRESULT put_Folder(const std::string& value) override;
  HRESULT get_Quality(std::string* value) override;
  HRESULT put_Quality(const std::string& value) override;
  HRESULT get_LogText(std::string* value) override;
  HRESULT GetRepeatingSchedule(ITVListings* listings, ITVRepeatingSchedule** result) override;
  HRESULT get_IsNew(bool* value) override;
  HRESULT GetAsKestroItem(IKestroItem** result) override;

  const ScheduleFields& fields() const { return fields_; }
  ScheduleFields& fields() { return fields_; }
  TDictionary& data() { return *data_; }
  const DBPtr& db() const { return db_; }

  // Compared with now in db time.
  bool InProgressAt(OleDate now) const;
  bool ElapsedAt(OleDate now) const;
  // Soft padding added around the reserved window.
  OleDate SoftStartTime() const;
  OleDate SoftEndTime() const;
  // ""%s" : (%d) : tuner %d : pgm %d : chnl %d : rsid %d : %s to %s : hp %d , %d : sp %d , %d"
  std::string LogLine() const;
  ComPtr<IKestroItem> AsKestroItem() const;
  // Loaded on first use and kept while ProgramID / ChannelID stay the same; null when the row
  // is missing.
  ComPtr<TTableTVProgram> Program();
  ComPtr<TTVChannel> Channel();

 private:
  DBPtr db_;
  ScheduleFields fields_;
  ComPtr<TDictionary> data_;
  ComPtr<TTableTVProgram> program_;
  ComPtr<TTVChannel> channel_;
};

}  // namespace kestro
