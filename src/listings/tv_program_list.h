// TTVProgramList: an ordered list of programmes.
//
// A list made from a query keeps the query's result table and one small entry per row; the
// programme object of a row is made when the row is first handed out, and shares the table.
// So a search of 10,000 programmes costs one result table plus 10,000 entries, and no text is
// copied.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/tv_programs.h"
#include "storage/db.h"

namespace kestro {

class ProgramDetailsBatch;

class TTVProgramList : public TKestroTVObject<ITVProgramList> {
 public:
  TTVProgramList() = default;
  // One entry per row of `table`, a `programs` result with the search's column order.
  explicit TTVProgramList(TablePtr table);

  // ITVProgramList.
  HRESULT get_Items(int32_t index, ITVProgram** result) override;
  HRESULT get_Count(int32_t* value) override;
  HRESULT Add(ITVProgram* program) override;
  HRESULT Clear() override;
  HRESULT ContainsProgram(ITVProgram* program, bool* result) override;
  HRESULT CopyFrom(ITVProgramList* source) override;
  HRESULT IndexOfProgram(int32_t program_id, int32_t* result) override;
  HRESULT Remove(int32_t index) override;

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The programme at `index`, made on first access and kept; throws
  // "List index out of bounds (%d)".
  ComPtr<ITVProgram> Item(int32_t index);
  // The ID of the item at `index` without making its programme. REQUIRES: index in range.
  int32_t IDAt(int32_t index) const { return entries_[static_cast<size_t>(index)].id; }
  // Whether the item at `index` has its programme object yet (tests, diagnostics).
  bool IsMade(int32_t index) const { return entries_[static_cast<size_t>(index)].program.Get(); }

  // Appends a programme; null is ignored.
  void Append(ComPtr<ITVProgram> program);
  // Appends every item of `source` in order; `source` may be this list.
  void AppendAll(ITVProgramList* source);
  void ClearAll() { entries_.clear(); }
  // An index outside the list is ignored.
  void RemoveAt(int32_t index);
  // The index of the first item with this ID, -1 when none.
  int32_t IndexOf(int32_t program_id) const;
  // false for null.
  bool Contains(ITVProgram* program) const;

 private:
  struct Entry {
    int32_t id = 0;
    int32_t row = -1;                 // row of `table` while the programme is not made yet
    TablePtr table;                   // released once the programme is made
    ComPtr<ITVProgram> program;
  };
  std::vector<Entry> entries_;
  // The details of the table's programmes, shared by the programmes made from it.
  std::shared_ptr<ProgramDetailsBatch> batch_;
};

}  // namespace kestro
