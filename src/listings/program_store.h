// The programme reads of the listings object, over its open database or a search's result. The
// writes are in program_writer.h.
#pragma once

#include <cstdint>

#include "kestro/com.h"
#include "listings/tv_program.h"
#include "listings/tv_program_list.h"
#include "storage/db.h"

namespace kestro {

// The select list of every programme search, in the column order programmes read
// (the same order as "select * from programs").
inline constexpr const char kProgramColumns[] =
    "id , channel_id , external_id , start_time , end_time , title , subtitle , tv_rating , "
    "movie_rating , program_type , sort_title , search_title , schedule_id";

// A list with one programme per row of `table`, in row order, all sharing the table.
// `table` null gives an empty list. The programmes move the table's cursor when they read it:
// hand the table over, do not walk it while its programmes are in use.
ComPtr<TTVProgramList> MakeProgramList(TablePtr table);
ComPtr<TTVProgramList> NewProgramList();
// The programme of row `row` of `table`.
ComPtr<TTableTVProgram> MakeProgram(TablePtr table, int32_t row);
// "select * from programs where id = %d": the programme, or null when there is no row.
ComPtr<TTableTVProgram> GetProgram(const DBPtr& db, int32_t program_id);

}  // namespace kestro
