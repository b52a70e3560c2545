#include "import/program_save.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "listings/program_store.h"
#include "listings/program_writer.h"
#include "listings/search_conditions.h"
#include "listings/titles.h"
#include "listings/listings_object.h"
#include "platform/exception.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "scheduling/schedule_store.h"
#include "scheduling/tv_scheduler.h"
#include "storage/db.h"
#include "storage/listings_database.h"
#include "support/failure_report.h"
#include "support/logger.h"

namespace kestro {
namespace {

constexpr const char kSelectChannelByID[] = "select * from channels where channel_id = %d";
constexpr const char kSelectChannelByExternalID[] = "select * from channels where external_id = %s";

constexpr const char kValidProgramTypes[][3] = {"MV", "EP", "SH", "SP"};
constexpr OleDate kPastMargin = 2.0 / 24.0;  // programmes that ended longer ago are skipped

// Db times compare as unsigned: from 2044 on they have bit 31 set.
bool DbBefore(int32_t a, int32_t b) { return static_cast<uint32_t>(a) < static_cast<uint32_t>(b); }

// Equal when the ASCII letters are compared without case (the rule for titles).
bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// A programme already stored that overlaps the new one, as the reconciliation needs it. Its
// programme object is read only when the save removes or moves it.
struct StoredProgram : StoredProgramRow {
  ComPtr<ITVProgram> program;

  explicit StoredProgram(StoredProgramRow row) : StoredProgramRow(std::move(row)) {}
  bool ToBeRecorded() const { return schedule_id != 0; }
  std::string LogText() const {
    std::string text;
    if (program) CheckHResult(program->LogText(&text));
    return text;
  }
};

enum class RowAction { kKeepRow, kDeleteRow };

// What the reconciliation with the stored programmes decided.
enum class Reconciled {
  kInsert,   // no stored programme is kept: insert a new row
  kUpdated,  // the stored row was rewritten with the new values: write the dependent rows
  kSkipped,  // the stored programme is the same and unchanged: nothing to write
  kFailed,   // an overlapping recording could not be removed
};

// The run's counters a save moves; kept back until the save's writes are kept.
struct SaveCounts {
  int32_t added = 0, updated = 0, deleted = 0, skipped = 0;
};

// One run of Save. The steps are the members below, in the order Run calls them.
class ProgramSave {
 public:
  ProgramSave(ITVListingsUpdateSession& session, ProgramRecord& program)
      : session_(session), p_(program), db_(session.GetDatabase()), logger_(session.GetLogger()) {}

  TV_PROGRAM_SAVE_RESULT Run();

 private:
  // Validation: false (with the result set) when the programme is refused or skipped.
  bool ValidTimes();
  bool IsOver();
  bool HasTitle();
  // The channel row; false (with the result set) for an unknown or unwanted channel.
  bool MatchChannel();
  const ImportLookups::Channel* FindChannel();
  // Sort and search titles, programme type, equality key.
  void DeriveKeys();
  // The stored programmes in the new one's time.
  std::vector<StoredProgram> FindOverlaps();
  // What becomes of them.
  Reconciled ReconcileOverlaps(std::vector<StoredProgram> overlaps);
  Reconciled KeepSameProgram(StoredProgram& same);
  Reconciled RescheduleRecording(StoredProgram& same);
  bool IsSameProgram(const StoredProgram& stored) const;
  bool IsUnchanged(const StoredProgram& stored) const;
  // Reads the stored programme's object, before its row goes.
  void Load(StoredProgram& stored);
  // Removes a stored programme (or only its dependent rows); false when its recording's
  // schedule cannot be deleted.
  bool DeleteOverlapped(StoredProgram& old, RowAction action);
  bool DeleteRecordedProgram(StoredProgram& old);
  // The programme's own row (the rows hanging off it are written by Run).
  void InsertProgram();
  // The writes of the save after validation.
  Reconciled WriteProgram(std::vector<StoredProgram> overlaps);
  // After a save was undone: the old programmes it put on the relocation list come off it.
  void ForgetRelocations() noexcept;
  void CountOnSession();
  void Log(const char* format, const std::string& a);
  void Log(const char* format, const std::string& a, const std::string& b);

  ITVListingsUpdateSession& session_;
  ProgramRecord& p_;
  DBPtr db_;
  std::shared_ptr<ILogger> logger_;
  TV_PROGRAM_SAVE_RESULT result_ = TV_PROGRAM_SAVE_FAILED;
  ProgramKeys keys_;  // the db times and search title the save derives
  SaveCounts counts_;
  int32_t relocations_before_ = 0;
  bool writing_ = false;  // rows may have been written outside a savepoint of the save's own
  ImportLookups::Channel found_by_id_;
};

TV_PROGRAM_SAVE_RESULT ProgramSave::Run() {
  if (!ValidTimes() || IsOver() || !HasTitle()) return result_;
  try {
    if (!MatchChannel()) return result_;
    DeriveKeys();
    CheckHResult(session_.GetRelocationList()->get_Count(&relocations_before_));
    std::vector<StoredProgram> overlaps = FindOverlaps();
    Reconciled reconciled = Reconciled::kFailed;
    {
      // A save that replaces stored programmes may fail halfway (a recording that may not be
      // deleted): it runs in a savepoint, so that it leaves nothing behind, not its rows, not
      // the removal of the programmes it replaced, not their recordings' schedules. A save
      // that only adds rows fails only when the database does, and then the whole import is
      // undone; it goes without, as a savepoint per programme would slow the import by a third.
      std::optional<Transaction> unit;
      if (!overlaps.empty()) unit.emplace(*db_);
      writing_ = !unit;
      reconciled = WriteProgram(std::move(overlaps));
      writing_ = false;
      if (unit && reconciled != Reconciled::kFailed) unit->Commit();
    }
    if (reconciled == Reconciled::kFailed) {
      ForgetRelocations();
      session_.Lookups().Forget();  // the savepoint took back the names it added
      Log("Program [%s] is not saved; its changes are undone", ProgramLogText(p_));
      return TV_PROGRAM_SAVE_FAILED;
    }
    CountOnSession();
    return TV_PROGRAM_SAVE_OK;
  } catch (const std::exception& e) {
    ForgetRelocations();
    session_.Lookups().Forget();
    // The database failing is not the programme's fault, and rows written without a savepoint
    // cannot be taken back alone: the import cannot go on.
    if (writing_ || dynamic_cast<const EDatabaseError*>(&e))
      session_.DatabaseFailed(FailureCause(e));
    session_.ProgramFailed();
    if (logger_) logger_->LogExceptionFmt(e, "Saving program [%s]", ProgramLogText(p_).c_str());
    return TV_PROGRAM_SAVE_FAILED;
  }
}

Reconciled ProgramSave::WriteProgram(std::vector<StoredProgram> overlaps) {
  const Reconciled reconciled = ReconcileOverlaps(std::move(overlaps));
  switch (reconciled) {
    case Reconciled::kSkipped:
      ++counts_.skipped;
      return reconciled;
    case Reconciled::kFailed:
      return reconciled;
    case Reconciled::kInsert:
      InsertProgram();
      break;
    case Reconciled::kUpdated:
      break;
  }
  if (std::optional<int32_t>& longest = session_.Lookups().longest_program) {
    const auto seconds = static_cast<int32_t>(std::lround(
        (DbTimeToDateTime(keys_.end_db) - DbTimeToDateTime(keys_.start_db)) / kOneSecond));
    longest = std::max(*longest, seconds);
  }
  InsertProgramDetails(*db_, p_.id, p_);
  InsertProgramPeople(*db_, p_.id, p_, &session_.Lookups().names);
  InsertProgramGenres(*db_, p_.id, p_, &session_.Lookups().names);
  InsertProgramWords(*db_, p_.id, p_, keys_.search_title);
  return reconciled;
}

void ProgramSave::ForgetRelocations() noexcept {
  try {
    ComPtr<ITVProgramList> list = session_.GetRelocationList();
    int32_t count = 0;
    CheckHResult(list->get_Count(&count));
    while (count-- > relocations_before_) CheckHResult(list->Remove(count));
  } catch (const std::exception& e) {
    ReportFailure("Undoing the relocations of a failed save", e);
  }
}

void ProgramSave::CountOnSession() {
  for (int32_t i = 0; i < counts_.added; ++i) session_.ProgramAdded();
  for (int32_t i = 0; i < counts_.updated; ++i) session_.ProgramUpdated();
  for (int32_t i = 0; i < counts_.deleted; ++i) session_.ProgramDeleted();
  for (int32_t i = 0; i < counts_.skipped; ++i) session_.ProgramSkipped();
}

// --- validation ---------------------------------------------------------------------------------

bool ProgramSave::ValidTimes() {
  keys_.start_db = DateTimeToDbTime(p_.start_time);
  keys_.end_db = DateTimeToDbTime(p_.end_time);
  if (p_.start_time > 0 && p_.end_time > 0 && keys_.start_db != 0 && keys_.end_db != 0 &&
      DbBefore(keys_.start_db, keys_.end_db)) {
    return true;
  }
  Log("Program [%s] has invalid times", ProgramLogText(p_));
  session_.ProgramFailed();
  result_ = TV_PROGRAM_SAVE_INVALID_TIMES;
  return false;
}

bool ProgramSave::IsOver() {
  if (!EndedLongAgo(*db_, p_.end_time)) return false;
  session_.ProgramSkipped();
  result_ = TV_PROGRAM_SAVE_OK;
  return true;
}

bool ProgramSave::HasTitle() {
  if (!p_.title.empty()) return true;
  Log("Program [%s] has no title", ProgramLogText(p_));
  session_.ProgramFailed();
  result_ = TV_PROGRAM_SAVE_INCOMPLETE_PROGRAM;
  return false;
}

bool ProgramSave::MatchChannel() {
  const ImportLookups::Channel* channel = FindChannel();
  if (!channel) {
    Log("Program [%s] has invalid channel", ProgramLogText(p_));
    session_.ProgramFailed();
    result_ = TV_PROGRAM_SAVE_INVALID_CHANNEL;
    return false;
  }
  p_.channel_id = channel->id;
  p_.channel_external_id = channel->external_id;
  if (!channel->wanted) {
    session_.ProgramSkipped();
    result_ = TV_PROGRAM_SAVE_UNWANTED_CHANNEL;
    return false;
  }
  return true;
}

// A channel named by its external id is read once per run; one named by its id alone is read
// each time (no source saves many programmes so).
const ImportLookups::Channel* ProgramSave::FindChannel() {
  const bool by_id = p_.channel_id > 0 && p_.channel_external_id.empty();
  auto& known = session_.Lookups().channels;
  if (!by_id) {
    if (auto found = known.find(p_.channel_external_id); found != known.end())
      return &found->second;
  }
  TablePtr row = by_id
                     ? db_->QueryFmt(kSelectChannelByID, {SqlArg::Int(p_.channel_id)})
                     : db_->QueryFmt(kSelectChannelByExternalID,
                                     {SqlArg::Quoted(p_.channel_external_id)});
  if (row->Eof()) return nullptr;
  const char* wanted = row->FieldByName("wanted");
  ImportLookups::Channel channel{row->Int("channel_id"), row->Text("external_id"),
                                 StrToIntDef(wanted ? wanted : "", 1) != 0};
  if (by_id) {
    found_by_id_ = std::move(channel);
    return &found_by_id_;
  }
  return &known.insert_or_assign(p_.channel_external_id, std::move(channel)).first->second;
}

void ProgramSave::DeriveKeys() {
  if (!p_.sort_title.empty()) {
    keys_.search_title = MakeTitles(p_.sort_title, false).search_title;
  } else {
    Titles titles = MakeTitles(p_.title, true);
    p_.sort_title = std::move(titles.sort_title);
    keys_.search_title = std::move(titles.search_title);
  }

  if (!p_.program_type.empty()) {
    p_.program_type = AsciiUpper(p_.program_type);
    bool valid = false;
    for (const char* type : kValidProgramTypes) valid = valid || p_.program_type == type;
    if (!valid) p_.program_type.clear();
  }

  if (Trim(p_.equality_key).empty()) {
    p_.equality_key = ComputeEqualityKey(
        {p_.title, p_.subtitle, p_.tv_rating, p_.movie_rating, p_.long_description, &p_.genres});
  }
}

// --- reconciliation with the stored programmes --------------------------------------------------

std::vector<StoredProgram> ProgramSave::FindOverlaps() {
  ImportLookups& lookups = session_.Lookups();
  if (!lookups.longest_program_read) {
    lookups.longest_program = LongestProgramSeconds(*db_);
    lookups.longest_program_read = true;
  }
  std::vector<StoredProgram> overlaps;
  for (StoredProgramRow& row : FindOverlappingRows(*db_, p_.channel_id, keys_.start_db,
                                                   keys_.end_db, lookups.longest_program)) {
    overlaps.emplace_back(std::move(row));
  }
  return overlaps;
}

void ProgramSave::Load(StoredProgram& stored) {
  if (stored.program) return;
  stored.program = session_.ListingsObject().FindProgram(stored.id);
  if (!stored.program) throw Exception(Format("Stored program %d is gone", stored.id));
}

Reconciled ProgramSave::ReconcileOverlaps(std::vector<StoredProgram> overlaps) {
  // Other programmes in the new one's time go; the same programme may stay.
  for (size_t i = overlaps.size(); i-- > 0;) {
    if (IsSameProgram(overlaps[i])) continue;
    if (!DeleteOverlapped(overlaps[i], RowAction::kDeleteRow)) return Reconciled::kFailed;
    overlaps.erase(overlaps.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (overlaps.empty()) return Reconciled::kInsert;
  if (overlaps.size() > 1) {
    for (size_t i = overlaps.size(); i-- > 0;) {
      if (!DeleteOverlapped(overlaps[i], RowAction::kDeleteRow)) return Reconciled::kFailed;
    }
    return Reconciled::kInsert;
  }
  return KeepSameProgram(overlaps.front());
}

bool ProgramSave::IsSameProgram(const StoredProgram& stored) const {
  if (!stored.equality_key.empty() && !p_.equality_key.empty() &&
      stored.equality_key == p_.equality_key) {
    return true;
  }
  return SameAsciiText(stored.title, p_.title) && SameAsciiText(stored.subtitle, p_.subtitle);
}

Reconciled ProgramSave::KeepSameProgram(StoredProgram& same) {
  if (same.start_db != keys_.start_db || same.end_db != keys_.end_db) {
    if (same.ToBeRecorded()) return RescheduleRecording(same);
    return DeleteOverlapped(same, RowAction::kDeleteRow) ? Reconciled::kInsert
                                                         : Reconciled::kFailed;
  }
  p_.id = same.id;
  if (IsUnchanged(same)) return Reconciled::kSkipped;
  UpdateProgramRow(*db_, p_.id, p_, keys_);
  DeleteOverlapped(same, RowAction::kKeepRow);
  ++counts_.updated;
  return Reconciled::kUpdated;
}

// A stored programme equal in every value the guide shows needs no write at all.
bool ProgramSave::IsUnchanged(const StoredProgram& stored) const {
  return stored.equality_key == p_.equality_key && stored.title == p_.title &&
         stored.subtitle == p_.subtitle && stored.tv_rating == p_.tv_rating &&
         stored.movie_rating == p_.movie_rating && stored.program_type == p_.program_type &&
         stored.long_description == p_.long_description &&
         stored.short_description == p_.short_description;
}

// The stored programme is the same but has moved, and it is to be recorded: its schedule moves
// with it, or, when that fails, it is replaced like any other programme.
Reconciled ProgramSave::RescheduleRecording(StoredProgram& same) {
  Load(same);
  const std::string old_text = same.LogText();
  Log("Attempting to reschedule old TBR program [%s] to new program[%s]", old_text,
      ProgramLogText(p_));
  ComPtr<TTVSchedule> moved;
  ComPtr<TTVScheduleResult> result = session_.GetScheduler()->writer().Move(
      same.schedule_id, same.id, p_.start_time, p_.end_time, &moved);
  if (!result->Ok()) {
    Log("Failed to reschedule old TBR program [%s] to new program[%s]", old_text,
        ProgramLogText(p_));
    return DeleteOverlapped(same, RowAction::kDeleteRow) ? Reconciled::kInsert
                                                         : Reconciled::kFailed;
  }
  p_.id = same.id;
  Log("Successfully rescheduled old TBR program [%s] to new program[%s]", old_text,
      ProgramLogText(p_));
  UpdateProgramRow(*db_, p_.id, p_, keys_, moved->fields().id);
  DeleteOverlapped(same, RowAction::kKeepRow);
  ++counts_.updated;
  return Reconciled::kUpdated;
}

bool ProgramSave::DeleteOverlapped(StoredProgram& old, RowAction action) {
  if (action == RowAction::kDeleteRow) {
    Load(old);
    if (old.ToBeRecorded()) {
      if (!DeleteRecordedProgram(old)) return false;
    } else {
      DeleteProgramRow(*db_, old.id);
      Log("Deleted old program [%s] because it overlaps with [%s]", old.LogText(),
          ProgramLogText(p_));
      ++counts_.deleted;
    }
  }
  DeleteProgramDependents(*db_, old.id);
  return true;
}

// The recording goes with the programme; finalization tries to put it on another broadcast.
bool ProgramSave::DeleteRecordedProgram(StoredProgram& old) {
  TScheduleWriter& scheduler = session_.GetScheduler()->writer();
  if (!FindScheduleByID(db_, old.schedule_id)) {
    DeleteProgramRow(*db_, old.id);
    Log("Deleted old TBR program [%s] because it overlaps with [%s] and its schedule was not "
        "found",
        old.LogText(), ProgramLogText(p_));
    ++counts_.deleted;
    return true;
  }
  if (!scheduler.Delete(old.schedule_id, "System", "Overlaps with program from listings update")) {
    Log("Failed to delete schedule for old TBR program [%s]. It overlaps with new program [%s]",
        old.LogText(), ProgramLogText(p_));
    session_.ProgramFailed();
    return false;
  }
  DeleteProgramRow(*db_, old.id);
  Log("Deleted old TBR program and schedule [%s] because it overlaps with [%s]", old.LogText(),
      ProgramLogText(p_));
  ++counts_.deleted;
  CheckHResult(session_.GetRelocationList()->Add(old.program.Get()));
  return true;
}

// --- the rows of the programme ------------------------------------------------------------------

void ProgramSave::InsertProgram() {
  p_.id = InsertProgramRow(*db_, p_, keys_);
  ++counts_.added;
}

void ProgramSave::Log(const char* format, const std::string& a) {
  if (logger_) logger_->LogFmt(format, a.c_str());
}

void ProgramSave::Log(const char* format, const std::string& a, const std::string& b) {
  if (logger_) logger_->LogFmt(format, a.c_str(), b.c_str());
}

}  // namespace

bool EndedLongAgo(IDB& db, OleDate end_time) {
  const OleDate now = db.GetEnv()->NowLocal();
  return DbBefore(DateTimeToDbTime(end_time), DateTimeToDbTime(now - kPastMargin));
}

std::string ProgramLogText(const ProgramRecord& program) {
  return Format("(%d) : \"%s : %s\" on %d : %s - %s", program.id, program.title.c_str(),
                program.subtitle.c_str(), program.channel_id,
                FormatDateTime("yyyy-mm-dd hh:nn", program.start_time).c_str(),
                FormatDateTime("yyyy-mm-dd hh:nn", program.end_time).c_str());
}

TV_PROGRAM_SAVE_RESULT SaveNewProgram(ITVListingsUpdateSession& session,
                                      ProgramRecord& program) noexcept {
  try {
    return ProgramSave(session, program).Run();
  } catch (const std::exception& e) {
    // Only the logger or the session itself can fail out here; Save still answers.
    ReportFailure("Saving a program", e);
    return TV_PROGRAM_SAVE_FAILED;
  }
}

}  // namespace kestro
