#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

#include "common/error_of.h"
#include "storage/temp_database.h"

namespace kestro {
namespace {

using ::testing::StartsWith;
using testing::ErrorOf;

using TransactionTest = TempDatabaseTest;

TEST_F(TransactionTest, InnerUnitsAreSavepointsAndTheOutermostDecides) {
  {
    Transaction outer(*db_);
    db_->Exec("insert into channels (name) values ('outer');");
    {
      Transaction failed(*db_);
      db_->Exec("insert into channels (name) values ('undone');");
    }
    {
      Transaction kept(*db_);
      db_->Exec("insert into channels (name) values ('inner');");
      kept.Commit();
      EXPECT_TRUE(db_->InTransaction());
    }
    outer.Commit();
  }
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(QueryText("select group_concat(name) from channels"), "outer,inner");

  {
    Transaction outer(*db_);
    Transaction inner(*db_);
    db_->Exec("insert into channels (name) values ('lost with the outer unit');");
    inner.Commit();
  }
  EXPECT_EQ(Count(), 2);
}

TEST_F(TransactionTest, ATransactionTheDatabaseEndedCannotBeCommitted) {
  {
    Transaction outer(*db_);
    {
      Transaction inner(*db_);
      db_->Exec("insert into channels (name) values ('a');");
      db_->Exec("rollback");  // as SQLite does by itself after some errors (a full disk)
    }  // undoing the inner unit finds nothing left to undo
    EXPECT_THROW(outer.Commit(), EDatabaseError);
  }
  EXPECT_FALSE(db_->InTransaction());
  EXPECT_EQ(Count(), 0);
  Transaction next(*db_);  // the connection is usable again
  db_->Exec("insert into channels (name) values ('b');");
  next.Commit();
  EXPECT_EQ(Count(), 1);
}

using QueryTest = TempDatabaseTest;

TEST_F(QueryTest, EmptyTextIsNotNullAndATableKeepsItsConnection) {
  EXPECT_EQ(db_->Query("select name from channels")->Field(0), nullptr);
  EXPECT_EQ(db_->QueryInt("select number from channels"), 0);
  db_->Exec("insert into channels (name, number) values ('', null);");
  TablePtr table = db_->Query("select b.name, b.number from channels b");
  EXPECT_STREQ(table->FieldByName("NAME"), "");
  EXPECT_EQ(table->Field(1), nullptr);
  EXPECT_EQ(table->FieldByName("missing"), nullptr);
  table->Next();
  table->MoveTo(7);  // past the end: stays
  EXPECT_TRUE(table->Eof());

  db_.reset();
  EXPECT_EQ(table->GetDB()->QueryInt("select count(*) from channels"), 1);
}

TEST_F(QueryTest, DoubleQuotedTextIsAlwaysALiteralAndNulsAreRemoved) {
  db_->Exec("insert into channels (name) values (\"name\");");
  db_->Exec("insert into channels (name) values ('other');");
  TablePtr table = db_->Query("select id from channels where name = \"name\"");
  EXPECT_EQ(table->RowCount(), 1);

  const std::string tricky = "it's \"x\" -- /* [";
  EXPECT_EQ(QuoteSQL("a\"b"), "\"a\"\"b\"");
  db_->Exec("insert into channels (name) values (" + QuoteSQL(tricky) + ");");
  EXPECT_EQ(QueryText("select name from channels where id = 3"), tricky);
  // Single-quoted literals and comments are left alone; NUL characters are removed.
  EXPECT_EQ(QueryText("select 'say \"hi\"' -- \"not a literal\n"), "say \"hi\"");
  const char sql[] = "insert into chan\0nels (name) values ('a\0b');";
  db_->Exec(std::string(sql, sizeof sql - 1));
  EXPECT_EQ(QueryText("select name from channels where id = 4"), "ab");
}

using FormatTest = TempDatabaseTest;

// One format serves every kind of argument: values are bound where SQLite takes a parameter and
// written in where it takes none (literals, pragmas, several statements). Cases run in order on
// one database, so a statement kept from an earlier case must bind the new values.
TEST_F(FormatTest, ArgumentsAreBoundOrWrittenInAndMustMatchTheFormat) {
  db_->Exec("insert into channels (id, name, number) values (1, 'one', 1), (2, 'two', 2);");
  const std::string odd = "He said \"50% ünï\" it's", nul_name("t\0w\0o", 5);
  const std::string insert = "insert into channels (id, name) values (%d, %s)";
  const std::string select = "select %s from channels where %s = %s";
  const std::string by_id = "select * from channels where id = %d";
  struct Case {
    std::string format;
    SqlArgs args;
    std::string expected;  // the first column of the first row, "-" for none, or the error
  };
  const Case cases[] = {
      {insert, {SqlArg::Int(3), SqlArg::Quoted(odd)}, "-"},
      {insert, {SqlArg::Int(5), SqlArg::Quoted("%s %d")}, "-"},
      {select, {SqlArg::Raw("name"), SqlArg::Raw("name"), SqlArg::Quoted(odd)}, odd},
      {select, {SqlArg::Raw("id"), SqlArg::Raw("name"), SqlArg::Quoted("%s %d")}, "5"},
      {select, {SqlArg::Raw("name"), SqlArg::Raw("number"), SqlArg::Raw("1 + 0")}, "one"},
      {select, {SqlArg::Raw("name"), SqlArg::Raw("number"), SqlArg::Quoted("1 + 0")}, "-"},
      {select, {SqlArg::Raw("number"), SqlArg::Raw("name"), SqlArg::Quoted(nul_name)}, "2"},
      {"select 'x%dy' || '%%'", {SqlArg::Int(5)}, "x5y%"},
      {"select 'x%dy' , %d", {SqlArg::Int(1), SqlArg::Int(-1)}, "x1y"},
      {"select 'x%dy' , %d", {SqlArg::Int(2), SqlArg::Int(-2)}, "x2y"},
      {"pragma user_version = %d", {SqlArg::Int(7)}, "-"},
      {"insert into channels (name) values (%s); insert into channels (name) values (%s);",
       {SqlArg::Quoted("a"), SqlArg::Quoted("b\"")},
       "-"},
      {"select count(*) from channels where name in (%s, %s)",
       {SqlArg::Quoted("a"), SqlArg::Quoted("b\"")},
       "2"},
      // A failed statement is reset for the next call; errors show the values written in,
      // without NULs.
      {insert,
       {SqlArg::Int(1), SqlArg::Quoted("it's")},
       "Error executing SQL \"insert into channels (id, name) values (1, \"it's\")\" : UNIQUE "
       "constraint failed: channels.id"},
      {insert,
       {SqlArg::Int(2), SqlArg::Quoted(nul_name)},
       "Error executing SQL \"insert into channels (id, name) values (2, \"two\")\" : UNIQUE "
       "constraint failed: channels.id"},
      {by_id, {SqlArg::Int(2)}, "2"},
      // Arguments that do not fit the format are refused.
      {by_id, {SqlArg::Quoted("1")}, "Invalid SQL format \"" + by_id + "\""},
      {by_id, {SqlArg::Int(1), SqlArg::Int(2)}, "Invalid SQL format \"" + by_id + "\""},
      {"select 1 where 'a' like '%a'", {}, "Invalid SQL format \"select 1 where 'a' like '%a'\""},
  };
  for (const Case& c : cases) {
    std::string got = "(no error)";
    try {
      TablePtr table = db_->QueryFmt(c.format, c.args);
      got = table->RowCount() > 0 ? table->Text(0) : "-";
    } catch (const EDatabaseError& e) {
      got = e.what();
    }
    // An invalid format is refused with the reason after the format.
    if (got != c.expected) {
      EXPECT_THAT(got, StartsWith(c.expected + " : ")) << c.format;
    }
  }
}

using ErrorTest = TempDatabaseTest;

TEST_F(ErrorTest, AWriterWaitsOutTheBusyTimeoutThenFailsAsBusy) {
  db_->Exec("insert into channels (name) values ('a'); insert into channels (name) values ('b');");
  DBPtr other = Open();
  // A query that stopped reading early must not keep its read lock.
  EXPECT_EQ(other->QueryIntFmt("select id from channels where id > %d", {SqlArg::Int(0)}), 1);

  db_->BeginTransaction();
  db_->Exec("insert into channels (name) values ('c');");
  other->SetBusyTimeout(0);
  EXPECT_EQ(
      ErrorOf<EDatabaseError>([&] { other->Exec("insert into channels (name) values ('d');"); }),
      "Error executing SQL \"insert into channels (name) values ('d');\" : database is locked");
  other->SetBusyTimeout(50);
  try {
    Transaction waiting(*other);
    ADD_FAILURE() << "began a transaction while another connection writes";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.IsBusy()) << e.what();
  }
  EXPECT_FALSE(other->InTransaction());
  db_->Commit();
  other->Exec("insert into channels (name) values ('d');");
  EXPECT_EQ(Count(), 4);
}

TEST_F(ErrorTest, FailuresCarrySQLitesResultCode) {
  auto failure = [&](const std::function<void()>& body) {
    try {
      body();
    } catch (const EDatabaseError& e) {
      return e.failure();
    }
    ADD_FAILURE() << "no failure";
    return DbFailure::kError;
  };
  db_->Exec("create unique index u on channels ( name )");
  db_->Exec("insert into channels (name) values ('a')");
  EXPECT_EQ(failure([&] { db_->Exec("insert into channels (name) values ('a')"); }),
            DbFailure::kConstraint);
  testing::WriteFile(dir_ / "garbage.db", std::string(4096, 'x'));
  EXPECT_EQ(failure([&] {
              OpenSQLiteDatabase(dir_ / "garbage.db", env_)
                  ->QueryInt("select count(*) from sqlite_master");
            }),
            DbFailure::kCorrupt);
}

}  // namespace
}  // namespace kestro
