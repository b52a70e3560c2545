#include "listings/program_store.h"

#include <utility>

namespace kestro {

ComPtr<TTVProgramList> MakeProgramList(TablePtr table) {
  return MakeObject<TTVProgramList>(std::move(table));
}

ComPtr<TTVProgramList> NewProgramList() { return MakeObject<TTVProgramList>(); }

ComPtr<TTableTVProgram> MakeProgram(TablePtr table, int32_t row) {
  return MakeObject<TTableTVProgram>(std::move(table), row);
}

ComPtr<TTableTVProgram> GetProgram(const DBPtr& db, int32_t program_id) {
  TablePtr row = db->QueryFmt("select * from programs where id = %d", {SqlArg::Int(program_id)});
  if (row->Eof()) return nullptr;
  return MakeProgram(std::move(row), 0);
}

void DeleteProgramDependents(IDB& db, int32_t program_id) {
  static constexpr const char* kDeleteDependentRows[] = {
      "delete from program_details where id = %d",
      "delete from program_genres where program_id = %d",
      "delete from program_words where program_id = %d",
      "delete from program_people where program_id = %d",
  };
  for (const char* format : kDeleteDependentRows) db.ExecFmt(format, {SqlArg::Int(program_id)});
}

void DeleteProgramRow(IDB& db, int32_t program_id) {
  db.ExecFmt("delete from programs where id = %d", {SqlArg::Int(program_id)});
}

void DeleteProgramWithDetails(IDB& db, int32_t program_id) {
  DeleteProgramRow(db, program_id);
  DeleteProgramDependents(db, program_id);
}

void LinkProgramToSchedule(IDB& db, int32_t program_id, int32_t schedule_id) {
  db.ExecFmt("update programs set schedule_id = %d where id = %d",
             {SqlArg::Int(schedule_id), SqlArg::Int(program_id)});
}

void UnlinkProgramFromSchedule(IDB& db, int32_t program_id, int32_t schedule_id) {
  db.ExecFmt("update programs set schedule_id = 0 where id = %d and schedule_id = %d",
             {SqlArg::Int(program_id), SqlArg::Int(schedule_id)});
}

void ClearProgramSchedule(IDB& db, int32_t program_id) {
  db.ExecFmt("update programs set schedule_id = 0 where id = %d", {SqlArg::Int(program_id)});
}

}  // namespace kestro
