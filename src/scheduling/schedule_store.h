// How schedules are kept in the listings database: reading `schedules` rows with their
// `schedule_data` values, writing them, the "schedule-data-version" counter, and the transaction
// every change of schedules runs in.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "kestro/host.h"
#include "scheduling/tv_schedule.h"
#include "scheduling/tv_schedule_list.h"
#include "storage/db.h"

namespace kestro {

// --- reading --------------------------------------------------------------------------------

// The schedules of every row of `rows` (a "select * from schedules ..." result on `db`), in row
// order, each with its Data. The columns schedule_id, tuner_id, start_time, end_time, the soft
// paddings, delete_on_conflict and wake_up must hold integers: one that does not fails the whole
// read (EConvertError). The other integer columns read as 0 when they hold something else.
std::vector<ComPtr<TTVSchedule>> ReadSchedules(const DBPtr& db, ITable& rows);

// The schedules of a "select * from schedules ..." query as a new list.
ComPtr<TTVScheduleList> QueryScheduleList(const DBPtr& db, std::string_view format,
                                          const SqlArgs& args = {});
ComPtr<TTVScheduleList> MakeScheduleList(const std::vector<ComPtr<TTVSchedule>>& schedules);

// "select * from schedules where schedule_id = %d": the schedule, deleted or not, or null.
ComPtr<TTVSchedule> FindScheduleByID(const DBPtr& db, int32_t schedule_id);

// The live schedules whose reserved windows overlap [start_db, end_db) (db times), in id order.
// A window that ends at start_db or starts at end_db does not overlap.
std::vector<ComPtr<TTVSchedule>> LoadOverlappingSchedules(const DBPtr& db, int32_t start_db,
                                                          int32_t end_db);

// The live schedules that record the programme.
std::vector<ComPtr<TTVSchedule>> LoadLiveSchedulesOfProgram(const DBPtr& db, int32_t program_id);

// --- writing (callers hold a transaction; failures throw) ----------------------------

// Inserts a new row with status "NEW" (the fields' id is ignored); returns its schedule_id.
int32_t InsertScheduleRow(IDB& db, const ScheduleFields& fields);
// Rewrites the stored row of fields.id, leaving its status and deleted flag. Throws when there
// is no such row.
void UpdateScheduleRow(IDB& db, const ScheduleFields& fields);
// Replaces the schedule_data rows of the schedule with the values of `data`, in its order, each
// converted to text.
void WriteScheduleData(IDB& db, int32_t schedule_id, IKestroItem* data);
// Removes the rows of every deleted schedule of the programme.
void PurgeDeletedSchedulesOfProgram(IDB& db, int32_t program_id);
// Removes the schedule's rows.
void PurgeSchedule(IDB& db, int32_t schedule_id);
// Marks the schedule deleted with who deleted it and why.
void MarkScheduleDeleted(IDB& db, int32_t schedule_id, std::string_view deleted_by,
                         std::string_view reason);

// --- the schedule version ---------------------------------------------------------------------

// "schedule-data-version"; -1 when the row is missing. Throws when it is not an integer.
int32_t ReadScheduleVersion(IDB& db);
// Raises "schedule-data-version" by one, from 2147483647 back to 1. False when the row is
// missing or anything fails (the failure is reported, see ReportFailure).
bool IncreaseScheduleVersion(IDB& db) noexcept;

// --- transactions -----------------------------------------------------------------------------

inline constexpr const char* kScheduleBusyMessage =
    "Unable to begin database transaction, DB is probably locked";

// Begins one change of schedules, all or nothing (a Transaction: a savepoint inside the caller's
// transaction). A database that another connection keeps writing longer than the busy timeout
// throws EAddSchedule TV_ADD_SCHEDULE_BUSY with `busy_message`, before anything is written; any
// other database failure (read-only, full disk) TV_ADD_SCHEDULE_SAVE_FAILED naming its cause.
Transaction BeginScheduleChange(IDB& db, const char* busy_message = kScheduleBusyMessage);
// The same into `unit` (left empty when it throws).
void BeginScheduleChange(std::optional<Transaction>& unit, IDB& db,
                         const char* busy_message = kScheduleBusyMessage);

}  // namespace kestro
