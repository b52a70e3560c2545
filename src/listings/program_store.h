// The programme tables: the reads of the listings object, over its open database or a search's
// result, and the writes of the import, the scheduler and the import's finalization, so that
// each statement that changes a programme lives once.
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

// --- writes (inside the caller's transaction; failures throw) ---------------------------------

// Deletes the rows that hang off a programme: its details, genres, words and people.
void DeleteProgramDependents(IDB& db, int32_t program_id);
// Deletes the programme's own row only.
void DeleteProgramRow(IDB& db, int32_t program_id);
// Deletes the programme's row and every row that hangs off it.
void DeleteProgramWithDetails(IDB& db, int32_t program_id);

// The programme is recorded by `schedule_id`.
void LinkProgramToSchedule(IDB& db, int32_t program_id, int32_t schedule_id);
// The programme is no longer recorded by `schedule_id`; a link to another schedule stays.
void UnlinkProgramFromSchedule(IDB& db, int32_t program_id, int32_t schedule_id);
// The programme is recorded by nothing, whatever it pointed at.
void ClearProgramSchedule(IDB& db, int32_t program_id);

}  // namespace kestro
