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
#define ITVSchedule_MEMBERS(M)                                                                     \
  /* -1 until saved. */                                                                            \
  M(propget, 201, ID, (int32_t* value))                                                            \
  M(propput, 201, ID, (int32_t value))                                                             \
  /* 1-based; set by the scheduler when the schedule is added. */                                  \
  M(propget, 202, TunerID, (int32_t* value))                                                       \
  M(propput, 202, TunerID, (int32_t value))                                                        \
  M(propget, 203, StartTime, (OleDate* value))                                                     \
  M(propput, 203, StartTime, (OleDate value))                                                      \
  M(propget, 204, EndTime, (OleDate* value))                                                       \
  M(propput, 204, EndTime, (OleDate value))                                                        \
  M(propget, 205, SoftPaddingBefore, (int32_t* value))                                             \
  M(propput, 205, SoftPaddingBefore, (int32_t value))                                              \
  M(propget, 206, SoftPaddingAfter, (int32_t* value))                                              \
  M(propput, 206, SoftPaddingAfter, (int32_t value))                                               \
  /* Whether the scheduler may delete this schedule to make room for another. */                   \
  M(propget, 207, DeleteOnConflict, (bool* value))                                                 \
  M(propput, 207, DeleteOnConflict, (bool value))                                                  \
  M(propget, 208, WakeUp, (bool* value))                                                           \
  M(propput, 208, WakeUp, (bool value))                                                            \
  /* The schedule's named values: the object itself, not a copy. */                                \
  M(propget, 209, Data, (IKestroItem** result))                                                    \
  M(propget, 210, CreatedBy, (std::string* value))                                                 \
  M(propput, 210, CreatedBy, (const std::string& value))                                           \
  M(propget, 211, DeletedBy, (std::string* value))                                                 \
  M(propget, 212, Reason, (std::string* value))                                                    \
  M(propget, 213, Status, (std::string* value))                                                    \
  /* StartTime <= now < EndTime, compared in db time. */                                           \
  M(propget, 214, IsInProgress, (bool* value))                                                     \
  M(propget, 215, SoftStartTime, (OleDate* value))                                                 \
  M(propget, 216, SoftEndTime, (OleDate* value))                                                   \
  /* now >= EndTime, compared in db time. */                                                       \
  M(propget, 217, HasElapsed, (bool* value))                                                       \
  M(propget, 218, Title, (std::string* value))                                                     \
  M(propput, 218, Title, (const std::string& value))                                               \
  M(propget, 219, HardPaddingBefore, (int32_t* value))                                             \
  M(propput, 219, HardPaddingBefore, (int32_t value))                                              \
  M(propget, 220, HardPaddingAfter, (int32_t* value))                                              \
  M(propput, 220, HardPaddingAfter, (int32_t value))                                               \
  /* 0 when the schedule has no programme. */                                                      \
  M(propget, 221, ProgramID, (int32_t* value))                                                     \
  M(propput, 221, ProgramID, (int32_t value))                                                      \
  /* This StartTime is earlier than the other's, compared in db time. */                           \
  M(method, 222, StartsBefore, (ITVSchedule* other, bool* result))                                 \
  M(propget, 223, ChannelID, (int32_t* value))                                                     \
  M(propput, 223, ChannelID, (int32_t value))                                                      \
  /* 0 when not made by a repeating schedule. */                                                   \
  M(propget, 224, RepeatingScheduleID, (int32_t* value))                                           \
  M(propput, 224, RepeatingScheduleID, (int32_t value))                                            \
  M(propget, 225, IsDeleted, (bool* value))                                                        \
  /* The programme of ProgramID, or null. */                                                       \
  M(method, 226, GetProgram, (ITVProgram** result))                                                \
  /* The channel of ChannelID, or null. */                                                         \
  M(method, 227, GetChannel, (ITVChannel** result))                                                \
  M(propget, 228, KeepUntil, (TV_KEEP_UNTIL* value))                                               \
  M(propput, 228, KeepUntil, (TV_KEEP_UNTIL value))                                                \
  M(propget, 229, Folder, (std::string* value))                                                    \
  M(propput, 229, Folder, (const std::string& value))                                              \
  M(propget, 230, Quality, (std::string* value))                                                   \
  M(propput, 230, Quality, (const std::string& value))                                             \
  M(propget, 231, LogText, (std::string* value))                                                   \
  /* The repeating schedule that made this schedule, or null. */                                   \
  M(method, 232, GetRepeatingSchedule, (ITVListings* listings, ITVRepeatingSchedule** result))     \
  /* ID < 0. */                                                                                    \
  M(propget, 233, IsNew, (bool* value))                                                            \
  /* A new property bag describing the schedule ("schedule-id", "tuner-id", ...), without Data. */ \
  M(method, 234, GetAsKestroItem, (IKestroItem** result))
  KESTRO_DISPATCH_MEMBERS(ITVSchedule, "A planned recording")
};

struct ITVScheduleList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{F11DA2FD-498A-46F3-A4FD-69ECB4A36228}");
  using Base = IDispatch;
#define ITVScheduleList_MEMBERS(M)                                 \
  M(propget, 201, Count, (int32_t* value))                         \
  /* 0-based; null (and success) for an index outside the list. */ \
  M(propget, 0, Items, (int32_t index, ITVSchedule** result))      \
  /* An index outside the list is ignored. */                      \
  M(method, 202, Remove, (int32_t index))
  KESTRO_DISPATCH_MEMBERS(ITVScheduleList, "A list of schedules")
};

struct ITVScheduleResult : IDispatch {
  static constexpr GUID kIID = MakeGuid("{00B45DF5-FD80-4A8D-90DB-383E99A6ED78}");
  using Base = IDispatch;
#define ITVScheduleResult_MEMBERS(M)                                 \
  M(propget, 201, Code, (TV_ADD_SCHEDULE_RESULT* value))             \
  M(propget, 202, Description, (std::string* value))                 \
  /* The schedules that stand in the way (the result's own list). */ \
  M(propget, 203, Conflicts, (ITVScheduleList** result))
  KESTRO_DISPATCH_MEMBERS(ITVScheduleResult, "The outcome of a scheduling operation")
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
#define ITVRepeatingScheduleResult_MEMBERS(M)                                                \
  M(propget, 201, Code, (TV_ADD_SCHEDULE_RESULT* value))                                     \
  M(propget, 202, Description, (std::string* value))                                         \
  /* The candidates the save considered, in order (the result's own list). */                \
  M(propget, 203, Schedules, (ITVScheduleList** result))                                     \
  /* Per candidate: what it collides with, and how that was classified. An index outside the \
     entries fails. */                                                                       \
  M(propget, 204, Conflicts, (int32_t index, ITVScheduleList** result))                      \
  M(propget, 205, ConflictTypes, (int32_t index, TV_CONFLICT_TYPE* value))
  KESTRO_DISPATCH_MEMBERS(ITVRepeatingScheduleResult, "The outcome of saving a repeating schedule")
};

// A rule that makes single schedules over and over. Setters only store the value; Save checks
// and stores the rule and its schedules.
struct ITVRepeatingSchedule : IDispatch {
  static constexpr GUID kIID = MakeGuid("{34539A03-8F1A-4658-B401-E5777F6A4A24}");
  using Base = IDispatch;
#define ITVRepeatingSchedule_MEMBERS(M)                                                         \
  /* Below 1 while the rule is new. */                                                          \
  M(propget, 201, ID, (int32_t* value))                                                         \
  M(propput, 201, ID, (int32_t value))                                                          \
  M(propget, 202, RSType, (TV_RS_TYPE* value))                                                  \
  M(propput, 202, RSType, (TV_RS_TYPE value))                                                   \
  /* A larger value wins; set only by saving and re-prioritization. */                          \
  M(propget, 203, Priority, (int32_t* value))                                                   \
  M(propget, 204, Title, (std::string* value))                                                  \
  M(propput, 204, Title, (const std::string& value))                                            \
  M(propget, 205, HardPaddingBefore, (int32_t* value))                                          \
  M(propput, 205, HardPaddingBefore, (int32_t value))                                           \
  M(propget, 206, HardPaddingAfter, (int32_t* value))                                           \
  M(propput, 206, HardPaddingAfter, (int32_t value))                                            \
  M(propget, 207, SoftPaddingBefore, (int32_t* value))                                          \
  M(propput, 207, SoftPaddingBefore, (int32_t value))                                           \
  M(propget, 208, SoftPaddingAfter, (int32_t* value))                                           \
  M(propput, 208, SoftPaddingAfter, (int32_t value))                                            \
  /* Time rules: the channel; search rules: above 0 keeps only that channel's programmes. */    \
  M(propget, 209, ChannelID, (int32_t* value))                                                  \
  M(propput, 209, ChannelID, (int32_t value))                                                   \
  /* Times of day only (the date part is dropped); an EndTime not after StartTime ends the      \
     window on the next day. */                                                                 \
  M(propget, 210, StartTime, (OleDate* value))                                                  \
  M(propput, 210, StartTime, (OleDate value))                                                   \
  M(propget, 211, EndTime, (OleDate* value))                                                    \
  M(propput, 211, EndTime, (OleDate value))                                                     \
  /* "mon" ... "sun", "week-day", "week-end" or "every-day"; anything else matches no day. */   \
  M(propget, 212, Frequency, (std::string* value))                                              \
  M(propput, 212, Frequency, (const std::string& value))                                        \
  /* A custom search, one condition per line. */                                                \
  M(propget, 213, SearchCriteria, (std::string* value))                                         \
  M(propput, 213, SearchCriteria, (const std::string& value))                                   \
  M(propget, 214, KeepUntil, (TV_KEEP_UNTIL* value))                                            \
  M(propput, 214, KeepUntil, (TV_KEEP_UNTIL value))                                             \
  M(propget, 215, Folder, (std::string* value))                                                 \
  M(propput, 215, Folder, (const std::string& value))                                           \
  M(propget, 216, Quality, (std::string* value))                                                \
  M(propput, 216, Quality, (const std::string& value))                                          \
  /* 0 = no limit. */                                                                           \
  M(propget, 217, KeepAtMost, (int32_t* value))                                                 \
  M(propput, 217, KeepAtMost, (int32_t value))                                                  \
  M(propget, 218, Repeats, (TV_REPEATS* value))                                                 \
  M(propput, 218, Repeats, (TV_REPEATS value))                                                  \
  M(propget, 219, CreatedBy, (std::string* value))                                              \
  M(propput, 219, CreatedBy, (const std::string& value))                                        \
  /* Stores the rule and rebuilds its schedules; problems are the result's code, never a failed \
     call. Each line of the save's log goes to `log`, or to the debug output when null. */      \
  M(method, 220, Save, (TV_RS_SAVE_MODE mode, IKestroLog* log,                                  \
                        ITVRepeatingScheduleResult** result))                                   \
  /* The rule's live schedules by start time; empty for a new rule. */                          \
  M(method, 221, GetSchedules, (ITVScheduleList** result))                                      \
  M(propget, 222, LogText, (std::string* value))                                                \
  M(method, 223, IsNew, (bool* result))                                                         \
  M(propget, 224, Duplicates, (TV_DUPLICATES* value))                                           \
  M(propput, 224, Duplicates, (TV_DUPLICATES value))                                            \
  /* What a save would do, without storing anything: the candidates with their conflict types   \
     (a new rule is judged at the lowest priority, an existing one at its own). The database is \
     left exactly as it was. */                                                                 \
  M(method, 225, Preview, (IKestroLog* log, ITVRepeatingScheduleResult** result))
  KESTRO_DISPATCH_MEMBERS(ITVRepeatingSchedule, "A rule that records over and over")
};

struct ITVRepeatingScheduleList : IDispatch {
  static constexpr GUID kIID = MakeGuid("{6F78F6EE-846C-45EC-88A0-A98FA0E9C24D}");
  using Base = IDispatch;
#define ITVRepeatingScheduleList_MEMBERS(M)                            \
  M(propget, 201, Count, (int32_t* value))                             \
  /* 0-based; an index outside the list fails. */                      \
  M(propget, 0, Items, (int32_t index, ITVRepeatingSchedule** result))
  KESTRO_DISPATCH_MEMBERS(ITVRepeatingScheduleList, "A list of repeating schedules")
};

// The save results of a re-prioritization, highest priority first.
struct ITVRSPrioritizeResult : IDispatch {
  static constexpr GUID kIID = MakeGuid("{36FC8B05-57F2-4E31-9BC5-E3F735A3D89C}");
  using Base = IDispatch;
#define ITVRSPrioritizeResult_MEMBERS(M)                                     \
  M(propget, 201, Count, (int32_t* value))                                   \
  /* 0-based; an index outside the list fails. */                            \
  M(propget, 0, Items, (int32_t index, ITVRepeatingScheduleResult** result))
  KESTRO_DISPATCH_MEMBERS(ITVRSPrioritizeResult, "The save results of a re-prioritization")
};

// The only writer of single schedules of one listings database. Operations that return a
// result report expected problems through its Code and Description, never as a failed call.
struct ITVScheduler : IDispatch {
  static constexpr GUID kIID = MakeGuid("{58E48A98-F608-4986-9EDD-721ECAD7BBCF}");
  using Base = IDispatch;
#define ITVScheduler_MEMBERS(M)                                                                   \
  /* Always fails: "Tuner count changes not implemented yet". */                                  \
  M(method, 201, SetTunerCount, (int32_t tuner_count, bool* result))                              \
  /* A new empty schedule bound to this database; nothing is stored. */                           \
  M(method, 202, CreateSchedule, (ITVSchedule** result))                                          \
  /* Live schedules by start time. */                                                             \
  M(method, 203, GetSchedules, (ITVScheduleList** result))                                        \
  /* Validates, picks a tuner (making room when allowed) and stores the schedule; on success the  \
     schedule carries its ID and TunerID. */                                                      \
  M(method, 204, AddSchedule, (ITVSchedule* schedule, ITVScheduleResult** result))                \
  /* Marks the schedule deleted, or removes its rows for the purge reason. False on failure. */   \
  M(method, 205, DeleteSchedule, (int32_t schedule_id, const std::string& deleted_by,             \
                                  const std::string& reason, bool* result))                       \
  /* The schedule, deleted or not, or null. */                                                    \
  M(method, 206, FindSchedule, (int32_t schedule_id, ITVSchedule** result))                       \
  M(method, 207, GetDeletedSchedules, (ITVScheduleList** result))                                 \
  /* Writes the status alone: no transaction, no version change. */                               \
  M(method, 208, SetScheduleStatus, (int32_t schedule_id, const std::string& status,              \
                                     bool* result))                                               \
  /* "schedule-data-version", -1 when the row is missing. */                                      \
  M(propget, 209, ScheduleVersion, (int32_t* value))                                              \
  M(method, 210, GetSchedulesForTuner, (int32_t tuner_id, ITVScheduleList** result))              \
  /* Moves a schedule to another broadcast: the old one is deleted and a new one with its options \
     is added around the new times. `new_schedule` is by reference. */                            \
  M(method, 211, Reschedule, (int32_t schedule_id, int32_t new_program_id,                        \
                              OleDate new_program_start_time, OleDate new_program_end_time,       \
                              ITVSchedule** new_schedule, ITVScheduleResult** result))            \
  /* A new unsaved schedule for `program` with the options of `existing`. */                      \
  M(method, 212, CreateScheduleFromScheduleAndProgram, (ITVSchedule* existing,                    \
                                                        ITVProgram* program,                      \
                                                        ITVSchedule** result))                    \
  M(propget, 213, TunerCount, (int32_t* value))                                                   \
  M(method, 214, GetLostSchedules, (ITVScheduleList** result))                                    \
  /* Live schedules whose reserved window overlaps [start, end); empty when end < start. */       \
  M(method, 215, GetSchedulesForTimeSlice, (OleDate start_time, OleDate end_time,                 \
                                            ITVScheduleList** result))                            \
  M(method, 216, ClearLostSchedules, ())                                                          \
  /* Picks the schedule's tuner as AddSchedule does, deleting schedules to make room when it      \
     must, without storing the schedule itself. */                                                \
  M(method, 217, GetConflictsForSchedule, (ITVSchedule* schedule, ITVScheduleResult** result))    \
  /* The entries of `list` whose windows overlap the schedule's; changes nothing. */              \
  M(method, 218, GetConflictsForScheduleFromList, (ITVSchedule* schedule, ITVScheduleList* list,  \
                                                   ITVScheduleResult** result))                   \
  /* A new rule bound to this database and listings; nothing is stored. */                        \
  M(method, 219, CreateRepeatingSchedule, (ITVRepeatingSchedule** result))                        \
  /* The stored rule, or null. */                                                                 \
  M(method, 220, FindRepeatingSchedule, (int32_t rs_id, ITVRepeatingSchedule** result))           \
  /* Every stored rule, highest priority first. */                                                \
  M(method, 221, GetRepeatingSchedules, (ITVRepeatingScheduleList** result))                      \
  /* `rs_ids`: an array naming every rule once, highest priority first. Renumbers the priorities  \
     and rebuilds every rule's schedules in that order. All or nothing; failure is false with     \
     `*error` (by reference) set, never a failed call. */                                         \
  M(method, 222, PrioritizeRepeatingSchedules, (const Variant& rs_ids, std::string* error,        \
                                                ITVRSPrioritizeResult** results, bool* result))   \
  /* Deletes the rule and its future schedules; one that is recording goes on as a single         \
     schedule. False on failure, nothing changed. */                                              \
  M(method, 223, DeleteRepeatingSchedule, (int32_t rs_id, const std::string& deleted_by,          \
                                           const std::string& reason, bool* result))              \
  /* Remembers the programme (by equality key) as recorded. Never fails. */                       \
  M(method, 224, LogRecordedProgram, (ITVProgram* program))                                       \
  M(method, 225, HasBeenRecorded, (ITVProgram* program, bool* result))
  KESTRO_DISPATCH_MEMBERS(ITVScheduler, "The scheduler of a lineup")
};

}  // namespace kestro
