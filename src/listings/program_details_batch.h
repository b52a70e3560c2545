// ProgramDetailsBatch: the details of a search's programmes, read for many programmes at once.
//
// A guide window asks for the details and genres of thousands of programmes; a query or two per
// programme costs more than all the rest of the window. The programmes made from one search's
// result table share a batch: the first of a block of rows to ask has the details and genres of
// the whole block read with two queries, and the others of the block find theirs ready.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/kestro_object.h"
#include "listings/tv_program_details.h"
#include "storage/db.h"

namespace kestro {

// ids[from, to) as a JSON array, to be bound as the one parameter of "json_each( %s )": the
// statement's text stays the same for any number of ids, so it is prepared once.
std::string IdArray(const std::vector<int32_t>& ids, size_t from, size_t to);

class ProgramDetailsBatch {
 public:
  // Rows read together; a caller that reads one programme's details pays for this many.
  static constexpr int32_t kBlockRows = 512;

  // `ids`: the programme id of each row of a search's result, in row order.
  ProgramDetailsBatch(DBPtr db, std::vector<int32_t> ids);

  // The details of the programme of `row`, with its block read first when it has not been.
  // REQUIRES: row in [0, row count).
  ComPtr<TTVProgramDetails> DetailsOf(int32_t row);

 private:
  void ReadBlock(int32_t block);

  DBPtr db_;
  std::vector<int32_t> ids_;
  std::vector<bool> block_read_;
  std::vector<ComPtr<TTVProgramDetails>> details_;  // per row; handed out once, then dropped
};

}  // namespace kestro
