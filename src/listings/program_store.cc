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

}  // namespace kestro
