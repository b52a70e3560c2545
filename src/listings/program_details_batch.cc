#include "listings/program_details_batch.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

#include "listings/table_fields.h"

namespace kestro {

std::string IdArray(const std::vector<int32_t>& ids, size_t from, size_t to) {
  std::string json = "[";
  for (size_t i = from; i < to; ++i) {
    if (i > from) json += ',';
    json += std::to_string(ids[i]);
  }
  return json + "]";
}

ProgramDetailsBatch::ProgramDetailsBatch(DBPtr db, std::vector<int32_t> ids)
    : db_(std::move(db)),
      ids_(std::move(ids)),
      block_read_((ids_.size() + kBlockRows - 1) / kBlockRows, false),
      details_(ids_.size()) {}

ComPtr<TTVProgramDetails> ProgramDetailsBatch::DetailsOf(int32_t row) {
  const int32_t block = row / kBlockRows;
  if (!block_read_[static_cast<size_t>(block)]) ReadBlock(block);
  return std::move(details_[static_cast<size_t>(row)]);
}

void ProgramDetailsBatch::ReadBlock(int32_t block) {
  const size_t from = static_cast<size_t>(block) * kBlockRows;
  const size_t to = std::min(ids_.size(), from + kBlockRows);
  const SqlArgs ids = {SqlArg::Quoted(IdArray(ids_, from, to))};

  std::unordered_map<int32_t, ProgramDetailsFields> fields;
  TablePtr rows = db_->QueryFmt(
      "select * from program_details where id in ( select value from json_each( %s ) )", ids);
  const ProgramDetailsReader reader(*rows);
  for (; !rows->Eof(); rows->Next())
    fields.emplace(FieldIntOr(rows->Field(0), 0), reader.Read(*rows));  // column 0: id

  std::unordered_map<int32_t, std::vector<std::string>> genres;
  rows = db_->QueryFmt(
      "select pg.program_id , g.genre from program_genres pg , genres g where pg.program_id in "
      "( select value from json_each( %s ) ) and pg.genre_id = g.genre_id order by "
      "pg.program_id , pg.relevance",
      ids);
  for (; !rows->Eof(); rows->Next())
    genres[FieldIntOr(rows->Field(0), 0)].push_back(rows->Text(1));

  for (size_t row = from; row < to; ++row) {
    const int32_t id = ids_[row];
    auto f = fields.find(id);
    auto g = genres.find(id);
    details_[row] = MakeObject<TTVProgramDetails>(
        db_, id, f == fields.end() ? ProgramDetailsFields() : f->second,
        g == genres.end() ? std::vector<std::string>() : g->second);
  }
  block_read_[static_cast<size_t>(block)] = true;
}

}  // namespace kestro
