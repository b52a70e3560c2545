// TTVProgramList: an ordered list of programmes.
//
// A list made from a query keeps the query's result table and one small entry per row; the
// programme object of a row is made when the row is first handed out, and shares the table.
// So a search of 10,000 programmes costs one result table plus 10,000 entries, and no text is
// copied. A list made from programme ids alone reads the rows when they are first handed out,
// a page of them at a time: a search that finds 12,000 programmes reads only those shown.
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
  // One entry per id, read from `db` when handed out.
  TTVProgramList(DBPtr db, const std::vector<int32_t>& ids);

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
  // "List index out of bounds (%d)", or for an id list a message naming a programme deleted
  // from the guide since the list was made.
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
  // Until its programme is made, an entry holds its row (table, row and the table's details
  // batch), or for an id list nothing until its page is read.
  struct Entry {
    int32_t id = 0;
    int32_t row = -1;
    TablePtr table;
    std::shared_ptr<ProgramDetailsBatch> batch;  // the details of the table's programmes
    ComPtr<ITVProgram> program;
  };
  static constexpr size_t kPageRows = 256;

  // Reads the rows of up to kPageRows entries that have neither row nor programme, from `index`
  // on and then before it, with one query.
  void ReadPage(size_t index);

  std::vector<Entry> entries_;
  DBPtr db_;  // an id list's database
};

}  // namespace kestro
