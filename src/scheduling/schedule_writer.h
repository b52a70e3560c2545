// TScheduleWriter: the only writer of single schedules of one listings database. It validates a
// schedule, picks its tuner (making room when allowed), stores it, deletes and re-attaches
// schedules, and raises "schedule-data-version" on every change so the recording engine notices.
// The scheduler (TTVScheduler) offers it through its interface; the rule save uses it directly.
//
// Every change runs in one transaction (BeginScheduleChange) and is all or nothing; a change the
// writer makes inside another of its changes (the deletions that make room for an add) shares the
// outer one's, and its failure fails the outer change. Operations that return a result turn
// expected problems into its code (EAddSchedule inside); Delete answers false on failure and
// reports why (ReportFailure).
#pragma once

#include <cstdint>
#include <string_view>

#include "kestro/ole_date.h"
#include "kestro/tv_programs.h"
#include "scheduling/conflict_resolver.h"
#include "scheduling/schedule_result.h"
#include "scheduling/schedule_store.h"
#include "scheduling/tv_schedule.h"
#include "scheduling/tv_schedule_list.h"
#include "storage/db.h"

namespace kestro {

class TScheduleWriter {
 public:
  // `tuner_count` is fixed for the writer's life (below 1, every schedule is refused with
  // TV_ADD_SCHEDULE_INVALID_GROUP).
  TScheduleWriter(DBPtr db, int32_t tuner_count);
  TScheduleWriter(const TScheduleWriter&) = delete;
  TScheduleWriter& operator=(const TScheduleWriter&) = delete;

  ComPtr<TTVSchedule> NewSchedule() const;
  // Validates and stores the schedule on the tuner the conflict resolution picks. On success the
  // schedule carries its ID and TunerID; otherwise it keeps the ones it had and nothing changed.
  ComPtr<TTVScheduleResult> Add(TTVSchedule& schedule);
  // Marks the schedule deleted (or purges it for kPurgeScheduleReason) and unlinks its
  // programme. An unknown id is no change and true. False on any failure, nothing changed (inside
  // another change, that change fails too).
  bool Delete(int32_t schedule_id, std::string_view deleted_by, std::string_view reason) noexcept;
  // See TConflictResolver::Resolve; the deletions that make room stay only when it succeeds.
  ComPtr<TTVScheduleResult> ResolveConflicts(ScheduleFields& fields);
  // Deletes the schedule and adds one with its options around the new programme times;
  // `*made` receives the new schedule once it is made. All or nothing.
  ComPtr<TTVScheduleResult> Move(int32_t schedule_id, int32_t new_program_id, OleDate start,
                                 OleDate end, ComPtr<TTVSchedule>* made);
  // A new unsaved schedule for the programme with the options of `existing`.
  ComPtr<TTVSchedule> ScheduleForProgram(TTVSchedule& existing, ITVProgram& program) const;
  // Live schedules overlapping [start, end); empty when end < start.
  ComPtr<TTVScheduleList> SchedulesForTimeSlice(OleDate start, OleDate end) const;
  int32_t TunerCount() const { return tuner_count_; }
  // From now on the writer's changes leave "schedule-data-version" alone: the caller, which
  // holds them in a transaction of its own (a rule save), raises it once before its commit.
  void LeaveVersionToCaller() { raise_version_ = false; }
  // Raises the version once if a change left it to the caller; throws when that fails.
  void RaiseVersionLeftToCaller();

 private:
  class Change;

  void RaiseVersion();  // throws
  // The storing part of an add: the rows, the data and the programme link, then the commit of
  // `change`. Returns the schedule's id (a new one for a schedule not stored yet).
  int32_t Store(const ScheduleFields& fields, IKestroItem& data, Change& change);
  // A new schedule with the recording options of `existing`: paddings, deletion and wake-up
  // flags, Data, CreatedBy, repeating schedule, folder and quality (not KeepUntil).
  ComPtr<TTVSchedule> CopyOptions(TTVSchedule& existing) const;

  DBPtr db_;
  int32_t tuner_count_;
  TConflictResolver resolver_;
  int32_t depth_ = 0;         // changes open, the outermost first
  bool changed_ = false;      // the outermost change has written something
  bool raise_version_ = true;
  bool version_left_ = false;  // a change committed without raising the version
};

}  // namespace kestro
