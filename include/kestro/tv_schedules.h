// Recording schedules of a lineup: single schedules, their lists, the result of a scheduling
// operation and the scheduler that stores them and assigns their tuners.
//
// A schedule's StartTime and EndTime are the window it reserves on its tuner and already include
// the hard padding; soft padding lies outside that window and never takes part in conflict tests.
// All paddings are in seconds; times are OLE dates (local time).
#pragma once

#include <cstdint>
#include <string>

#include "kestro/dispatch.h"
#include "kestro/host.h"

namespace kestro {

// Declared by the listings headers; here only passed by pointer.
struct ITVListings;
struct ITVChannel;
struct ITVProgram;

// The outcome of every scheduling operation.
enum TV_ADD_SCHEDULE_RESULT : int32_t {
  TV_ADD_SCHEDULE_OK = 0,
  TV_ADD_SCHEDULE_INVALID_TIMES = 1,
  TV_ADD_SCHEDULE_INVALID_PADDING = 2,
  TV_ADD_SCHEDULE_INVALID_GROUP = 3,
  TV_ADD_SCHEDULE_BUSY = 4,
  TV_ADD_SCHEDULE_LOAD_FAILED = 5,
  TV_ADD_SCHEDULE_CORRUPTION = 6,
  TV_ADD_SCHEDULE_SAVE_FAILED = 7,
  TV_ADD_SCHEDULE_CONFLICT = 8,
  TV_ADD_SCHEDULE_INVALID_PARAMETERS = 9,
};

// How long a recording is kept. Other values are stored and returned as they are.
// The deletion reason that removes a schedule's rows instead of marking it deleted.
inline constexpr const char* kPurgeScheduleReason = "{E4066511-B3BB-4908-A2A4-126BED83DB4F}";

enum TV_KEEP_UNTIL : int32_t {
  TV_KEEP_UNTIL_SPACE_NEEDED = 0,
  TV_KEEP_UNTIL_DELETED = -1,
};

// A rule that makes schedules over and over. Its members come with the repeating schedules;
// until then it is only handed around.
struct ITVRepeatingSchedule : IDispatch {
  static constexpr GUID kIID = MakeGuid("{34539A03-8F1A-4658-B401-E5777F6A4A24}");
  using Base = IDispatch;
};

// One planned recording: a detached snapshot of its row. Setters only store the value; nothing
// is validated or saved until the scheduler adds the schedule.
struct ITVSchedule : IDispatch {
  static constexpr GUID kIID = MakeGuid("{9F4238E5-54B7-421D-A359-D8EDD9233723}");
  using Base = IDispatch;
  // -1 until saved.
  virtual HRESULT get_ID(int32_t* value) = 0;                                  // 201
  virtual HRESULT put_ID(int32_t value) = 0;                                   // 201
  // 1-based; set by the scheduler when the schedule is added.
  virtual HRESULT get_TunerID(int32_t* value) = 0;                             // 202
  virtual HRESULT put_TunerID(int32_t value) = 0;                              // 202
  virtual HRESULT get_StartTime(double* value) = 0;                            // 203 (DATE)
  virtual HRESULT put_StartTime(double value) = 0;                             // 203
  virtual HRESULT get_EndTime(double* value) = 0;                              // 204 (DATE)
  virtual HRESULT put_EndTime(double value) = 0;                               // 204
  virtual HRESULT get_SoftPaddingBefore(int32_t* value) = 0;                   // 205
  virtual HRESULT put_SoftPaddingBefore(int32_t value) = 0;                    // 205
  virtual HRESULT get_SoftPaddingAfter(int32_t* value) = 0;                    // 206
  virtual HRESULT put_SoftPaddingAfter(int32_t value) = 0;                     // 206
  // Whether the scheduler may delete this schedule to make room for another.
  virtual HRESULT get_DeleteOnConflict(bool* value) = 0;                       // 207
  virtual HRESULT put_DeleteOnConflict(bool value) = 0;                        // 207
  virtual HRESULT get_WakeUp(bool* value) = 0;                                 // 208
  virtual HRESULT put_WakeUp(bool value) = 0;                                  // 208
  // The schedule's named values: the object itself, not a copy.
  virtual HRESULT get_Data(IKestroItem** result) = 0;                          // 209
  virtual HRESULT get_CreatedBy(std::string* value) = 0;                       // 210
  virtual HRESULT put_CreatedBy(const std::string& value) = 0;                 // 210
  virtual HRESULT get_DeletedBy(std::string* value) = 0;                       // 211
  virtual HRESULT get_Reason(std::string* value) = 0;                          // 212
  virtual HRESULT get_Status(std::string* value) = 0;                          // 213
  // StartTime <= now < EndTime, compared in db time.
  virtual HRESULT get_IsInProgress(bool* value) = 0;                           // 214
  virtual HRESULT get_SoftStartTime(double* value) = 0;                        // 215 (DATE)
  virtual HRESULT get_SoftEndTime(double* value) = 0;                          // 216 (DATE)
  // now >= EndTime, compared in db time.
  virtual HRESULT get_HasElapsed(bool* value) = 0;                             // 217
  virtual HRESULT get_Title(std::string* value) = 0;                           // 218
  virtual HRESULT put_Title(const std::string& value) = 0;                     // 218
  virtual HRESULT get_HardPaddingBefore(int32_t* value) = 0;                   // 219
  virtual HRESULT put_HardPaddingBefore(int32_t value) = 0;                    // 219
  virtual HRESULT get_HardPaddingAfter(int32_t* value) = 0;                    // 220
  virtual HRESULT put_HardPaddingAfter(int32_t value) = 0;                     // 220
  // 0 when the schedule has no programme.
  virtual HRESULT get_ProgramID(int32_t* value) = 0;                           // 221
  virtual HRESULT put_ProgramID(int32_t value) = 0;                            // 221
  // This StartTime is earlier than the other's, compared in db time.
  virtual HRESULT StartsBefore(ITVSchedule* other, bool* result) = 0;          // 222
  virtual HRESULT get_ChannelID(int32_t* value) = 0;                           // 223
  virtual HRESULT put_ChannelID(int32_t value) = 0;                            // 223
  // 0 when not made by a repeating schedule.
  virtual HRESULT get_RepeatingScheduleID(int32_t* value) = 0;                 // 224
  virtual HRESULT put_RepeatingScheduleID(int32_t value) = 0;                  // 224
  virtual HRESULT get_IsDeleted(bool* value) = 0;                              // 225
  // The programme of ProgramID, or null.
  virtual HRESULT GetProgram(ITVProgram** result) = 0;                         // 226
  // The channel of ChannelID, or null.
  virtual HRESULT GetChannel(ITVChannel** result) = 0;                         // 227
  virtual HRESULT get_KeepUntil(TV_KEEP_UNTIL* value) = 0;                     // 228
  virtual HRESULT put_KeepUntil(TV_KEEP_UNTIL value) = 0;                      // 228
  virtual HRESULT get_Folder(std::string* value) = 0;                          // 229
  virtual HRESULT put_Folder(const std::string& value) = 0;                    // 229
  virtual HRESULT get_Quality(std::string* value) = 0;                         // 230
  virtual HRESULT put_Quality(const std::string& value) = 0;                   // 230
  virtual HRESULT get_LogText(std::string* value) = 0;                         // 231
  // The repeating schedule that made this schedule, or null.
  virtual HRESULT GetRepeatingSchedule(ITVListings* listings,
                                       ITVRepeatingSchedule** result) = 0;     // 232
  // ID < 0.
  virtual HRESULT get_IsNew(bool* value) = 0;                                  // 233
  // A new property bag describing the schedule ("schedule-id", "tuner-id", ...), without Data.
  virtual HRESULT GetAsKestroItem(IKestroItem** result) = 0;                   // 234
};

struct ITVScheduleList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F11DA2FD-498A-46F3-A4FD-69ECB4A36228}");
  using Base = IDispatch;
  virtual HRESULT get_Count(int32_t* value) = 0;                               // 201
  // 0-based; null (and success) for an index outside the list.
  virtual HRESULT get_Items(int32_t index, ITVSchedule** result) = 0;          // 0
  // An index outside the list is ignored.
  virtual HRESULT Remove(int32_t index) = 0;                                   // 202
};

struct ITVScheduleResult : IDispatch {
  static constexpr GUID kIID = MakeGuid("{00B45DF5-FD80-4A8D-90DB-383E99A6ED78}");
  using Base = IDispatch;
  virtual HRESULT get_Code(TV_ADD_SCHEDULE_RESULT* value) = 0;                 // 201
  virtual HRESULT get_Description(std::string* value) = 0;                     // 202
  // The schedules that stand in the way (the result's own list).
  virtual HRESULT get_Conflicts(ITVScheduleList** result) = 0;                 // 203
};

// The only writer of single schedules of one listings database. Operations that return a
// result report expected problems through its Code and Description, never as a failed call.
struct ITVScheduler : IDispatch {
  static constexpr GUID kIID = MakeGuid("{58E48A98-F608-4986-9EDD-721ECAD7BBCF}");
  using Base = IDispatch;
  // Always fails: "Tuner count changes not implemented yet".
  virtual HRESULT SetTunerCount(int32_t tuner_count, bool* result) = 0;        // 201
  // A new empty schedule bound to this database; nothing is stored.
  virtual HRESULT CreateSchedule(ITVSchedule** result) = 0;                    // 202
  // Live schedules by start time.
  virtual HRESULT GetSchedules(ITVScheduleList** result) = 0;                  // 203
  // Validates, picks a tuner (making room when allowed) and stores the schedule; on success the
  // schedule carries its ID and TunerID.
  virtual HRESULT AddSchedule(ITVSchedule* schedule, ITVScheduleResult** result) = 0;  // 204
  // Marks the schedule deleted, or removes its rows for the purge reason. False on failure.
  virtual HRESULT DeleteSchedule(int32_t schedule_id, const std::string& deleted_by,
                                 const std::string& reason, bool* result) = 0;  // 205
  // The schedule, deleted or not, or null.
  virtual HRESULT FindSchedule(int32_t schedule_id, ITVSchedule** result) = 0;  // 206
  virtual HRESULT GetDeletedSchedules(ITVScheduleList** result) = 0;           // 207
  // Writes the status alone: no transaction, no version change.
  virtual HRESULT SetScheduleStatus(int32_t schedule_id, const std::string& status,
                                    bool* result) = 0;                         // 208
  // "schedule-data-version", -1 when the row is missing.
  virtual HRESULT get_ScheduleVersion(int32_t* value) = 0;                     // 209
  virtual HRESULT GetSchedulesForTuner(int32_t tuner_id, ITVScheduleList** result) = 0;  // 210
  // Moves a schedule to another broadcast: the old one is deleted and a new one with its options
  // is added around the new times. `new_schedule` is by reference.
  virtual HRESULT Reschedule(int32_t schedule_id, int32_t new_program_id,
                             double new_program_start_time, double new_program_end_time,
                             ITVSchedule** new_schedule, ITVScheduleResult** result) = 0;  // 211
  // A new unsaved schedule for `program` with the options of `existing`.
  virtual HRESULT CreateScheduleFromScheduleAndProgram(ITVSchedule* existing,
                                                       ITVProgram* program,
                                                       ITVSchedule** result) = 0;  // 212
  virtual HRESULT get_TunerCount(int32_t* value) = 0;                          // 213
  virtual HRESULT GetLostSchedules(ITVScheduleList** result) = 0;              // 214
  // Live schedules whose reserved window overlaps [start, end); empty when end < start.
  virtual HRESULT GetSchedulesForTimeSlice(double start_time, double end_time,
                                           ITVScheduleList** result) = 0;      // 215
  virtual HRESULT ClearLostSchedules() = 0;                                    // 216
  // Picks the schedule's tuner as AddSchedule does, deleting schedules to make room when it
  // must, without storing the schedule itself.
  virtual HRESULT GetConflictsForSchedule(ITVSchedule* schedule,
                                          ITVScheduleResult** result) = 0;     // 217
  // The entries of `list` whose windows overlap the schedule's; changes nothing.
  virtual HRESULT GetConflictsForScheduleFromList(ITVSchedule* schedule, ITVScheduleList* list,
                                                  ITVScheduleResult** result) = 0;  // 218
};

}  // namespace kestro
