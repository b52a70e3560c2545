// TTableTVProgram: one broadcast read from a row of a shared `programs` result table.
//
// Searches return thousands of programmes from one query. A programme keeps a counted reference
// to the query's result table and its row index; its text fields are read from the table's cells
// when asked for, never copied, so the table lives as long as any programme made from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/kestro_object.h"
#include "kestro/ole_date.h"
#include "kestro/tv_programs.h"
#include "kestro/tv_schedules.h"
#include "listings/tv_program_details.h"
#include "storage/db.h"

namespace kestro {

class ProgramDetailsBatch;

// Columns of a programme row, in the order of the search select list and of
// "select * from programs".
enum ProgramColumn : int32_t {
  kProgramID = 0,
  kProgramChannelID,
  kProgramExternalID,
  kProgramStartTime,
  kProgramEndTime,
  kProgramTitle,
  kProgramSubtitle,
  kProgramTVRating,
  kProgramMovieRating,
  kProgramType,
  kProgramSortTitle,
  kProgramSearchTitle,
  kProgramScheduleID,
};

class TTableTVProgram : public TKestroTVObject<ITVProgram> {
 public:
  // The programme of row `row` of `table` (columns as ProgramColumn). A row outside the table
  // gives a programme with zero and empty values. With a batch (the one of the table's rows), its
  // details are read together with those of its neighbours.
  TTableTVProgram(TablePtr table, int32_t row,
                  std::shared_ptr<ProgramDetailsBatch> batch = nullptr);
  ~TTableTVProgram() override;

  // ITVProgram.
  HRESULT get_ID(int32_t* value) override;
  HRESULT get_ChannelID(int32_t* value) override;
  HRESULT get_StartTime(OleDate* value) override;
  HRESULT get_EndTime(OleDate* value) override;
  HRESULT get_Title(std::string* value) override;
  HRESULT get_Subtitle(std::string* value) override;
  HRESULT get_TVRating(std::string* value) override;
  HRESULT get_MovieRating(std::string* value) override;
  HRESULT get_ProgramType(std::string* value) override;
  HRESULT get_SortTitle(std::string* value) override;
  HRESULT get_SearchTitle(std::string* value) override;
  HRESULT get_EqualityKey(std::string* value) override;
  HRESULT get_Channel(ITVChannel** result) override;
  HRESULT get_Details(ITVProgramDetails** result) override;
  HRESULT GetAsKestroItem(IKestroItem** result) override;
  HRESULT IsOver(bool* result) override;
  HRESULT IsOnNow(bool* result) override;
  HRESULT DurationMinutes(int32_t* result) override;
  HRESULT Reload(bool* result) override;
  HRESULT get_ScheduleID(int32_t* value) override;
  HRESULT IsToBeRecorded(bool* result) override;
  HRESULT GetAsProgramList(ITVProgramList** result) override;
  HRESULT SetScheduleID(int32_t schedule_id, bool* result) override;
  HRESULT LogText(std::string* result) override;
  HRESULT GetSchedule(ITVSchedule** result) override;
  HRESULT GetRepeatingSchedule(ITVListings* listings, ITVRepeatingSchedule** result) override;

  int32_t ID() const { return id_; }
  int32_t ChannelID() const { return channel_id_; }
  int32_t StartDbTime() const { return start_db_; }
  int32_t EndDbTime() const { return end_db_; }
  OleDate StartTime() const;
  OleDate EndTime() const;
  int32_t ScheduleID() const { return schedule_id_; }

  // A text cell of this programme's row, "" for NULL. The view points into the shared result
  // table and stays valid while this programme holds that table (until a successful Reload).
  std::string_view Text(ProgramColumn column) const;
  std::string_view Title() const { return Text(kProgramTitle); }
  std::string_view EqualityKey() const { return Text(kProgramExternalID); }

  const TablePtr& table() const { return table_; }
  int32_t row() const { return row_; }

  // Compared in db time (2-second resolution): StartTime <= now < EndTime / now >= EndTime.
  bool OnNowAt(OleDate now) const;
  bool OverAt(OleDate now) const;
  // Whole minutes between start and end, fraction dropped, never negative.
  int32_t Minutes() const;
  // "(%d) : "%s : %s" on %d : %s - %s" with id, title, subtitle, channel id, start and end.
  std::string LogLine() const;
  ComPtr<IKestroItem> AsKestroItem() const;

  // Made on first use and kept until Reload.
  ComPtr<ITVChannel> Channel();
  ComPtr<TTVProgramDetails> Details();
  // The schedule that records this programme (deleted or not); null when ScheduleID <= 0 or
  // the schedule row is gone. Made on first use and kept until Reload.
  ComPtr<ITVSchedule> Schedule();

  // Reads the row again from the database; false (and nothing changed) when it is gone.
  bool ReloadRow();

 private:
  // Places the table's cursor on this programme's row; false when the row is not in the table.
  bool MoveToRow() const;
  // Parses the numeric fields of the row.
  void ReadNumbers();

  TablePtr table_;
  int32_t row_;
  int32_t id_ = 0;
  int32_t channel_id_ = 0;
  int32_t start_db_ = 0;
  int32_t end_db_ = 0;
  int32_t schedule_id_ = 0;
  std::shared_ptr<ProgramDetailsBatch> batch_;  // until Reload
  ComPtr<ITVChannel> channel_;
  ComPtr<TTVProgramDetails> details_;
  ComPtr<ITVSchedule> schedule_;
};

// The name used across the listings code for a programme object.
using TTVProgram = TTableTVProgram;

}  // namespace kestro
