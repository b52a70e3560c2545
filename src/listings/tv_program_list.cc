#include "listings/tv_program_list.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "kestro/interface_reads.h"
#include "listings/program_details_batch.h"
#include "listings/program_store.h"
#include "listings/table_fields.h"
#include "listings/tv_program.h"
#include "platform/text/text.h"

namespace kestro {

namespace {

int32_t ProgramIDOf(ITVProgram* program) {
  int32_t id = 0;
  CheckHResult(program->get_ID(&id));
  return id;
}

}  // namespace

TTVProgramList::TTVProgramList(TablePtr table) {
  if (!table) return;
  const int32_t rows = table->RowCount();
  entries_.reserve(static_cast<size_t>(rows));
  std::vector<int32_t> ids;
  ids.reserve(static_cast<size_t>(rows));
  for (int32_t row = 0; row < rows; ++row) {
    table->MoveTo(row);
    ids.push_back(FieldIntOr(table->Field(kProgramID), 0));
    entries_.push_back({ids.back(), row, table, nullptr, nullptr});
  }
  DBPtr db = table->GetDB();
  if (!db || rows == 0) return;
  auto batch = std::make_shared<ProgramDetailsBatch>(std::move(db), std::move(ids));
  for (Entry& entry : entries_) entry.batch = batch;
}

TTVProgramList::TTVProgramList(DBPtr db, const std::vector<int32_t>& ids) : db_(std::move(db)) {
  entries_.reserve(ids.size());
  for (const int32_t id : ids) entries_.push_back({id, -1, nullptr, nullptr, nullptr});
}

void TTVProgramList::ReadPage(size_t index) {
  std::vector<size_t> page;
  std::vector<int32_t> ids;
  auto take = [&](size_t i) {
    if (entries_[i].program || entries_[i].table) return;
    page.push_back(i);
    ids.push_back(entries_[i].id);
  };
  // The entries after `index` first, then those before it (a list read backwards).
  for (size_t i = index; i < entries_.size() && page.size() < kPageRows; ++i) take(i);
  for (size_t i = index; i-- > 0 && page.size() < kPageRows;) take(i);
  TablePtr table = db_->QueryFmt(std::string("select ") + kProgramColumns +
                                     " from programs where id in "
                                     "( select value from json_each( %s ) )",
                                 {SqlArg::Quoted(IdArray(ids, 0, ids.size()))});
  std::unordered_map<int32_t, int32_t> row_of;
  ids.clear();
  for (int32_t row = 0; !table->Eof(); table->Next(), ++row) {
    ids.push_back(FieldIntOr(table->Field(kProgramID), 0));
    row_of.emplace(ids.back(), row);
  }
  auto batch = std::make_shared<ProgramDetailsBatch>(db_, std::move(ids));
  for (const size_t i : page) {
    Entry& entry = entries_[i];
    const auto found = row_of.find(entry.id);
    if (found == row_of.end()) continue;  // deleted since the list was made
    entry.row = found->second;
    entry.table = table;
    entry.batch = batch;
  }
}

ComPtr<ITVProgram> TTVProgramList::Item(int32_t index) {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", index));
  Entry& entry = entries_[static_cast<size_t>(index)];
  if (!entry.program) {
    if (!entry.table && db_) ReadPage(static_cast<size_t>(index));
    if (!entry.table) {
      throw Exception(Format("The programme %d is no longer in the guide: search again",
                             entry.id));
    }
    entry.program = MakeObject<TTableTVProgram>(entry.table, entry.row, entry.batch);
    entry.table.reset();  // the programme holds the table and the batch from now on
    entry.batch.reset();
  }
  return entry.program;
}

void TTVProgramList::Append(ComPtr<ITVProgram> program) {
  if (!program) return;
  const int32_t id = ProgramIDOf(program.Get());
  entries_.push_back({id, -1, nullptr, nullptr, std::move(program)});
}

void TTVProgramList::AppendAll(ITVProgramList* source) {
  if (!source) return;
  // Every item is read first: copying a list onto itself doubles it.
  for (ComPtr<ITVProgram>& program : ListItems(source)) Append(std::move(program));
}

void TTVProgramList::RemoveAt(int32_t index) {
  if (index < 0 || index >= Count()) return;
  entries_.erase(entries_.begin() + index);
}

int32_t TTVProgramList::IndexOf(int32_t program_id) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].id == program_id) return static_cast<int32_t>(i);
  return -1;
}

bool TTVProgramList::Contains(ITVProgram* program) const {
  return program && IndexOf(ProgramIDOf(program)) >= 0;
}

// ITVProgramList ----------------------------------------------------------------------------

HRESULT TTVProgramList::get_Items(int32_t index, ITVProgram** result) {
  return GetProperty(result, [&] { return Item(index); });
}
HRESULT TTVProgramList::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return Count(); });
}
HRESULT TTVProgramList::Add(ITVProgram* program) {
  return Frame([&] { Append(ComPtr<ITVProgram>(program)); });
}
HRESULT TTVProgramList::Clear() {
  return Frame([&] { ClearAll(); });
}
HRESULT TTVProgramList::ContainsProgram(ITVProgram* program, bool* result) {
  return FrameValue(result, [&] { return Contains(program); });
}
HRESULT TTVProgramList::CopyFrom(ITVProgramList* source) {
  return Frame([&] { AppendAll(source); });
}
HRESULT TTVProgramList::IndexOfProgram(int32_t program_id, int32_t* result) {
  return FrameValue(result, [&] { return IndexOf(program_id); });
}
HRESULT TTVProgramList::Remove(int32_t index) {
  return Frame([&] { RemoveAt(index); });
}

}  // namespace kestro
