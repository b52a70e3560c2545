#include "storage/sql_functions.h"

#include <sqlite3.h>

#include <cmath>
#include <exception>
#include <string>
#include <string_view>

#include "platform/text/text.h"
#include "platform/env/env.h"
#include "platform/time/date_time.h"
#include "platform/time/format_settings.h"
#include "storage/db.h"

namespace kestro {
namespace {

// Every argument is read as text, as the functions were defined; NULL reads as "".
std::string_view ArgText(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return text ? std::string_view(text, sqlite3_value_bytes(value)) : std::string_view();
}

void ResultText(sqlite3_context* ctx, const std::string& text) {
  sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Days since 1899-12-30 with the time of day dropped.
std::string DayNumber(OleDate value) {
  return std::to_string(static_cast<int64_t>(std::trunc(value)));
}

// The date-time of a db time argument; false for text that is not an integer, for 0 and for a
// value that does not unpack to a date.
bool DbTimeArg(sqlite3_value* value, OleDate* out) {
  int32_t db_time = 0;
  if (!TryStrToInt(ArgText(value), &db_time) || db_time == 0) return false;
  *out = DbTimeToDateTime(db_time);
  return *out != 0.0;
}

// The clock of the connection's Env, registered with every function.
OleDate Now(sqlite3_context* ctx) { return static_cast<Env*>(sqlite3_user_data(ctx))->NowLocal(); }

// Keeps C++ exceptions from crossing into SQLite.
template <typename Body>
void Guarded(sqlite3_context* ctx, Body body) {
  try {
    body();
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
  }
}

// datenum(text): the parsed date-time as "yyyy-mm-dd-hh-nn-ss", "0" when it does not parse.
void DateNum(sqlite3_context* ctx, int, sqlite3_value** argv) {
  Guarded(ctx, [&] {
    OleDate value = 0.0;
    if (!TryStrToDateTime(ArgText(argv[0]), Now(ctx), &value) || value == 0.0) {
      ResultText(ctx, "0");
    } else {
      ResultText(ctx, FormatDateTime("yyyy-mm-dd-hh-nn-ss", value));
    }
  });
}

// today(): the day number of the current local date, as text.
void Today(sqlite3_context* ctx, int, sqlite3_value**) {
  Guarded(ctx, [&] { ResultText(ctx, DayNumber(Now(ctx))); });
}

// date(text): the day number of the parsed date-time, "0" when it does not parse.
void Date(sqlite3_context* ctx, int, sqlite3_value** argv) {
  Guarded(ctx, [&] {
    OleDate value = 0.0;
    ResultText(ctx, TryStrToDateTime(ArgText(argv[0]), Now(ctx), &value) ? DayNumber(value) : "0");
  });
}

// idt_timeof(db time): hour * 100 + minute.
void IdtTimeOf(sqlite3_context* ctx, int, sqlite3_value** argv) {
  Guarded(ctx, [&] {
    OleDate value = 0.0;
    if (!DbTimeArg(argv[0], &value)) return sqlite3_result_int(ctx, 0);
    DateTimeParts parts = DecodeDateTime(value);
    sqlite3_result_int(ctx, parts.hour * 100 + parts.minute);
  });
}

// idt_dayof(db time): 1 = Monday ... 7 = Sunday.
void IdtDayOf(sqlite3_context* ctx, int, sqlite3_value** argv) {
  Guarded(ctx, [&] {
    OleDate value = 0.0;
    sqlite3_result_int(ctx, DbTimeArg(argv[0], &value) ? IsoDayOfWeek(value) : 0);
  });
}

// idt_now(): the db time of the current local time.
void IdtNow(sqlite3_context* ctx, int, sqlite3_value**) {
  Guarded(ctx, [&] { sqlite3_result_int(ctx, DateTimeToDbTime(Now(ctx))); });
}

// lower(text): every script's capitals in lower case, where SQLite's own folds A to Z only, so
// that lower( genre ) matches a search text lowered the same way. NULL stays NULL.
void Lower(sqlite3_context* ctx, int, sqlite3_value** argv) {
  Guarded(ctx, [&] {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    ResultText(ctx, UnicodeLower(ArgText(argv[0])));
  });
}

struct FunctionDef {
  const char* name;
  int arg_count;
  bool deterministic;
  void (*function)(sqlite3_context*, int, sqlite3_value**);
};

// datenum and date are not marked deterministic: two-digit years pivot on the current date.
constexpr FunctionDef kFunctions[] = {
    {"datenum", 1, false, DateNum},      {"today", 0, false, Today},
    {"date", 1, false, Date},            {"idt_timeof", 1, true, IdtTimeOf},
    {"idt_dayof", 1, true, IdtDayOf},    {"idt_now", 0, false, IdtNow},
    {"lower", 1, true, Lower},
};

}  // namespace

void RegisterSqlFunctions(sqlite3* db, Env& env) {
  for (const FunctionDef& f : kFunctions) {
    int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    if (sqlite3_create_function_v2(db, f.name, f.arg_count, flags, &env, f.function, nullptr,
                                   nullptr, nullptr) != SQLITE_OK) {
      throw EDatabaseError(Format("Failed to register SQL function \"%s\" : %s", f.name,
                                  sqlite3_errmsg(db)));
    }
  }
}

}  // namespace kestro
