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
#include "kestro/variant.h"

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

struct ITVRepeatingSchedule;

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

// --- repeating schedules -----------------------------------------------------------------------

enum TV_RS_TYPE : int32_t {
  TV_RS_TYPE_TIME = 0,    // one channel, a daily window, on the days of Frequency
  TV_RS_TYPE_SEARCH = 1,  // every programme a custom search finds
};

enum TV_REPEATS : int32_t {
  TV_REPEATS_ALL = 0,
  TV_REPEATS_FIRST_RUN_ONLY = 1,
};

enum TV_DUPLICATES : int32_t {
  TV_DUPLICATES_ALL = 0,
  TV_DUPLICATES_NOT_IF_IN_LIBRARY = 1,  // skip programmes the media library holds
  TV_DUPLICATES_NONE = 2,               // ... or that were ever recorded
};

// How a save treats the schedules that stand in the rule's way, and which priority it gives.
enum TV_RS_SAVE_MODE : int32_t {
  TV_RS_SAVE_MODE_LOW_PRIORITY_TRY = 0,    // new rules; nothing saved on any conflict
  TV_RS_SAVE_MODE_LOW_PRIORITY_SAVE = 1,   // new rules; conflicting showings skipped
  TV_RS_SAVE_MODE_HIGH_PRIORITY_SAVE = 2,  // everything in the way is deleted
  TV_RS_SAVE_MODE_RECALCULATE = 3,         // existing rules; lower priorities give way
  TV_RS_SAVE_MODE_SAME_PRIORITY_TRY = 4,   // existing rules; nothing saved on a hard conflict
};

// What a candidate schedule of a rule collides with.
enum TV_CONFLICT_TYPE : int32_t {
  TV_CONFLICT_NONE = 0,
  TV_CONFLICT_SOFT = 1,     // only schedules of lower-priority or vanished rules
  TV_CONFLICT_HARD = 2,     // a single schedule of another programme, or a rule not below
  TV_CONFLICT_PROBLEM = 3,  // the conflict test itself failed
  TV_CONFLICT_SELF = 4,     // the rule's own schedule, or a single schedule of the same programme
};

// The names logs and tools give these values: "OK", "CONFLICT", ...; "LOW_PRIORITY_TRY", ...;
// "NONE", "SOFT", ...; "UNKNOWN" for any other value.
inline const char* ResultCodeName(int32_t code) {
  constexpr const char* kNames[] = {"OK",          "INVALID_TIMES", "INVALID_PADDING",
                                    "INVALID_GROUP", "BUSY",        "LOAD_FAILED",
                                    "CORRUPTION",  "SAVE_FAILED",   "CONFLICT",
                                    "INVALID_PARAMETERS"};
  return code >= 0 && code < 10 ? kNames[code] : "UNKNOWN";
}
inline const char* SaveModeName(int32_t mode) {
  constexpr const char* kNames[] = {"LOW_PRIORITY_TRY", "LOW_PRIORITY_SAVE", "HIGH_PRIORITY_SAVE",
                                    "RECALCULATE", "SAME_PRIORITY_TRY"};
  return mode >= 0 && mode < 5 ? kNames[mode] : "UNKNOWN";
}
inline const char* ConflictTypeName(int32_t type) {
  constexpr const char* kNames[] = {"NONE", "SOFT", "HARD", "PROBLEM", "SELF"};
  return type >= 0 && type < 5 ? kNames[type] : "UNKNOWN";
}

struct ITVRepeatingScheduleResult : IDispatch {
  static constexpr GUID kIID = MakeGuid("{357EEE38-DD47-46E6-A30E-83565E26587E}");
  using Base = IDispatch;
  virtual HRESULT get_Code(TV_ADD_SCHEDULE_RESULT* value) = 0;                 // 201
  virtual HRESULT get_Description(std::string* value) = 0;                     // 202
  // The candidates the save considered, in order (the result's own list).
  virtual HRESULT get_Schedules(ITVScheduleList** result) = 0;                 // 203
  // Per candidate: what it collides with, and how that was classified. An index outside the
  // entries fails.
  virtual HRESULT get_Conflicts(int32_t index, ITVScheduleList** result) = 0;  // 204
  virtual HRESULT get_ConflictTypes(int32_t index, TV_CONFLICT_TYPE* value) = 0;  // 205
};

// A rule that makes single schedules over and over. Setters only store the value; Save checks
// and stores the rule and its schedules.
struct ITVRepeatingSchedule : IDispatch {
  static constexpr GUID kIID = MakeGuid("{34539A03-8F1A-4658-B401-E5777F6A4A24}");
  using Base = IDispatch;
  // Below 1 while the rule is new.
  virtual HRESULT get_ID(int32_t* value) = 0;                                  // 201
  virtual HRESULT put_ID(int32_t value) = 0;                                   // 201
  virtual HRESULT get_RSType(TV_RS_TYPE* value) = 0;                           // 202
  virtual HRESULT put_RSType(TV_RS_TYPE value) = 0;                            // 202
  // A larger value wins; set only by saving and re-prioritization.
  virtual HRESULT get_Priority(int32_t* value) = 0;                            // 203
  virtual HRESULT get_Title(std::string* value) = 0;                           // 204
  virtual HRESULT put_Title(const std::string& value) = 0;                     // 204
  virtual HRESULT get_HardPaddingBefore(int32_t* value) = 0;                   // 205
  virtual HRESULT put_HardPaddingBefore(int32_t value) = 0;                    // 205
  virtual HRESULT get_HardPaddingAfter(int32_t* value) = 0;                    // 206
  virtual HRESULT put_HardPaddingAfter(int32_t value) = 0;                     // 206
  virtual HRESULT get_SoftPaddingBefore(int32_t* value) = 0;                   // 207
  virtual HRESULT put_SoftPaddingBefore(int32_t value) = 0;                    // 207
  virtual HRESULT get_SoftPaddingAfter(int32_t* value) = 0;                    // 208
  virtual HRESULT put_SoftPaddingAfter(int32_t value) = 0;                     // 208
  // Time rules: the channel; search rules: above 0 keeps only that channel's programmes.
  virtual HRESULT get_ChannelID(int32_t* value) = 0;                           // 209
  virtual HRESULT put_ChannelID(int32_t value) = 0;                            // 209
  // Times of day only (the date part is dropped); an EndTime not after StartTime ends the
  // window on the next day.
  virtual HRESULT get_StartTime(double* value) = 0;                            // 210 (DATE)
  virtual HRESULT put_StartTime(double value) = 0;                             // 210
  virtual HRESULT get_EndTime(double* value) = 0;                              // 211 (DATE)
  virtual HRESULT put_EndTime(double value) = 0;                               // 211
  // "mon" ... "sun", "week-day", "week-end" or "every-day"; anything else matches no day.
  virtual HRESULT get_Frequency(std::string* value) = 0;                       // 212
  virtual HRESULT put_Frequency(const std::string& value) = 0;                 // 212
  // A custom search, one condition per line.
  virtual HRESULT get_SearchCriteria(std::string* value) = 0;                  // 213
  virtual HRESULT put_SearchCriteria(const std::string& value) = 0;            // 213
  virtual HRESULT get_KeepUntil(TV_KEEP_UNTIL* value) = 0;                     // 214
  virtual HRESULT put_KeepUntil(TV_KEEP_UNTIL value) = 0;                      // 214
  virtual HRESULT get_Folder(std::string* value) = 0;                          // 215
  virtual HRESULT put_Folder(const std::string& value) = 0;                    // 215
  virtual HRESULT get_Quality(std::string* value) = 0;                         // 216
  virtual HRESULT put_Quality(const std::string& value) = 0;                   // 216
  // 0 = no limit.
  virtual HRESULT get_KeepAtMost(int32_t* value) = 0;                          // 217
  virtual HRESULT put_KeepAtMost(int32_t value) = 0;                           // 217
  virtual HRESULT get_Repeats(TV_REPEATS* value) = 0;                          // 218
  virtual HRESULT put_Repeats(TV_REPEATS value) = 0;                           // 218
  virtual HRESULT get_CreatedBy(std::string* value) = 0;                       // 219
  virtual HRESULT put_CreatedBy(const std::string& value) = 0;                 // 219
  // Stores the rule and rebuilds its schedules; problems are the result's code, never a failed
  // call. Each line of the save's log goes to `log`, or to the debug output when null.
  virtual HRESULT Save(TV_RS_SAVE_MODE mode, IKestroLog* log,
                       ITVRepeatingScheduleResult** result) = 0;               // 220
  // The rule's live schedules by start time; empty for a new rule.
  virtual HRESULT GetSchedules(ITVScheduleList** result) = 0;                  // 221
  virtual HRESULT get_LogText(std::string* value) = 0;                         // 222
  virtual HRESULT IsNew(bool* result) = 0;                                     // 223
  virtual HRESULT get_Duplicates(TV_DUPLICATES* value) = 0;                    // 224
  virtual HRESULT put_Duplicates(TV_DUPLICATES value) = 0;                     // 224
  // What a save would do, without storing anything: the candidates with their conflict types
  // (a new rule is judged at the lowest priority, an existing one at its own). The database is
  // left exactly as it was.
  virtual HRESULT Preview(IKestroLog* log, ITVRepeatingScheduleResult** result) = 0;  // 225
};

struct ITVRepeatingScheduleList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{6F78F6EE-846C-45EC-88A0-A98FA0E9C24D}");
  using Base = IDispatch;
  virtual HRESULT get_Count(int32_t* value) = 0;                               // 201
  // 0-based; an index outside the list fails.
  virtual HRESULT get_Items(int32_t index, ITVRepeatingSchedule** result) = 0;  // 0
};

// The save results of a re-prioritization, highest priority first.
struct ITVRSPrioritizeResult : IDispatch {
  static constexpr GUID kIID = MakeGuid("{36FC8B05-57F2-4E31-9BC5-E3F735A3D89C}");
  using Base = IDispatch;
  virtual HRESULT get_Count(int32_t* value) = 0;                               // 201
  // 0-based; an index outside the list fails.
  virtual HRESULT get_Items(int32_t index, ITVRepeatingScheduleResult** result) = 0;  // 0
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
  // A new rule bound to this database and listings; nothing is stored.
  virtual HRESULT CreateRepeatingSchedule(ITVRepeatingSchedule** result) = 0;  // 219
  // The stored rule, or null.
  virtual HRESULT FindRepeatingSchedule(int32_t rs_id, ITVRepeatingSchedule** result) = 0;  // 220
  // Every stored rule, highest priority first.
  virtual HRESULT GetRepeatingSchedules(ITVRepeatingScheduleList** result) = 0;  // 221
  // `rs_ids`: an array naming every rule once, highest priority first. Renumbers the priorities
  // and rebuilds every rule's schedules in that order. All or nothing; failure is false with
  // `*error` (by reference) set, never a failed call.
  virtual HRESULT PrioritizeRepeatingSchedules(const Variant& rs_ids, std::string* error,
                                               ITVRSPrioritizeResult** results,
                                               bool* result) = 0;              // 222
  // Deletes the rule and its future schedules; one that is recording goes on as a single
  // schedule. False on failure, nothing changed.
  virtual HRESULT DeleteRepeatingSchedule(int32_t rs_id, const std::string& deleted_by,
                                          const std::string& reason, bool* result) = 0;  // 223
  // Remembers the programme (by equality key) as recorded. Never fails.
  virtual HRESULT LogRecordedProgram(ITVProgram* program) = 0;                 // 224
  virtual HRESULT HasBeenRecorded(ITVProgram* program, bool* result) = 0;      // 225
};

}  // namespace kestro
