#include <functional>
#include <string>
#include <vector>

#include "storage/temp_database.h"

namespace kestro {
namespace {

std::string ErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const EDatabaseError& e) {
    return e.what();
  }
  return "(no error)";
}

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

TEST_F(FormatTest, QuotedTextRoundTripsThroughOnePreparedStatement) {
  const std::vector<std::string> names = {"He said \"50%\" it's", "ünïcødé «1»", "%s %d"};
  for (const std::string& name : names) {
    db_->ExecFmt("insert into channels (name, number) values (%s, %d)",
                 {SqlArg::Quoted(name), SqlArg::Int(-7)});
  }
  int64_t prepared = SQLitePrepareCount(*db_);
  std::vector<std::string> sent;
  db_->SetTrace([&](std::string_view sql) { sent.emplace_back(sql); });
  for (const std::string& name : names) {
    TablePtr table = db_->QueryFmt("select %s from channels where name = %s and number = %d",
                                   {SqlArg::Raw("name"), SqlArg::Quoted(name), SqlArg::Int(-7)});
    ASSERT_EQ(table->RowCount(), 1) << name;
    EXPECT_EQ(table->Text(0), name);
  }
  EXPECT_EQ(SQLitePrepareCount(*db_), prepared + 1);
  EXPECT_EQ(sent.back(), "select name from channels where name = ? and number = ?");
  EXPECT_EQ(db_->LastInsertRowID(), 3);
}

TEST_F(FormatTest, ArgumentsKeepTheirMeaningWhereNoParameterFitsAndMustMatch) {
  // Inside a literal, a pragma, several statements: written in as literal substitution would.
  EXPECT_EQ(db_->QueryFmt("select 'x%dy' || '%%'", {SqlArg::Int(5)})->Text(0), "x5y%");
  db_->ExecFmt("pragma user_version = %d", {SqlArg::Int(7)});
  EXPECT_EQ(db_->QueryInt("pragma user_version"), 7);
  db_->ExecFmt("insert into channels (name) values (%s); insert into channels (name) values (%s);",
               {SqlArg::Quoted("a"), SqlArg::Quoted("b\"")});
  EXPECT_EQ(db_->QueryIntFmt("select count(*) from channels where name in (%s, %s)",
                             {SqlArg::Quoted("a"), SqlArg::Quoted("b\"")}),
            2);
  // Arguments that do not fit the format are refused.
  const std::string sql = "select * from channels where id = %d";
  EXPECT_THROW(db_->QueryFmt(sql, {SqlArg::Quoted("1")}), EDatabaseError);
  EXPECT_THROW(db_->QueryFmt(sql, {}), EDatabaseError);
  EXPECT_THROW(db_->QueryFmt(sql, {SqlArg::Int(1), SqlArg::Int(2)}), EDatabaseError);
  EXPECT_THROW(db_->QueryFmt("select 1 where 'a' like '%a'", {}), EDatabaseError);
}

TEST_F(FormatTest, FailedStatementIsResetForTheNextCall) {
  const std::string insert = "insert into channels (id, name) values (%d, %s)";
  db_->ExecFmt(insert, {SqlArg::Int(1), SqlArg::Quoted("a")});
  EXPECT_EQ(ErrorOf([&] { db_->ExecFmt(insert, {SqlArg::Int(1), SqlArg::Quoted("it's")}); }),
            "Error executing SQL \"insert into channels (id, name) values (1, \"it's\")\" : "
            "UNIQUE constraint failed: channels.id");
  db_->ExecFmt(insert, {SqlArg::Int(2), SqlArg::Quoted("b")});
  EXPECT_EQ(Count(), 2);
}

TEST_F(FormatTest, OneFormatServesEveryKindAndRawTextOfItsArguments) {
  db_->Exec(
      "insert into channels (name, number) values ('one', 1);"
      "insert into channels (name, number) values ('two', 2);");
  // The same format with other Raw text or other argument kinds is another statement.
  auto select = [&](const std::string& column, const std::string& key, const SqlArg& value) {
    return db_->QueryFmt("select %s from channels where %s = %s",
                         {SqlArg::Raw(column), SqlArg::Raw(key), value})
        ->Text(0);
  };
  EXPECT_EQ(select("number", "name", SqlArg::Quoted("two")), "2");
  EXPECT_EQ(select("name", "name", SqlArg::Quoted("two")), "two");
  EXPECT_EQ(select("name", "number", SqlArg::Raw("1 + 0")), "one");
  EXPECT_EQ(select("name", "number", SqlArg::Raw("2")), "two");
  EXPECT_EQ(select("name", "number", SqlArg::Quoted("1 + 0")), "");  // a text, not a sum
  // Values standing inside a literal are written in afresh on every call.
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(db_->QueryFmt("select 'x%dy' , %d", {SqlArg::Int(i), SqlArg::Int(-i)})->Text(0),
              "x" + std::to_string(i) + "y");
  }
  // A text with NULs is bound without them, and an error names the statement without them too.
  const std::string nul_name("t\0w\0o", 5);
  EXPECT_EQ(db_->QueryIntFmt("select number from channels where name = %s",
                             {SqlArg::Quoted(nul_name)}), 2);
  const std::string insert = "insert into channels (id, name) values (%d, %s)";
  db_->ExecFmt(insert, {SqlArg::Int(3), SqlArg::Quoted("three")});
  EXPECT_EQ(ErrorOf([&] { db_->ExecFmt(insert, {SqlArg::Int(3), SqlArg::Quoted(nul_name)}); }),
            "Error executing SQL \"insert into channels (id, name) values (3, \"two\")\" : "
            "UNIQUE constraint failed: channels.id");
}

using ErrorTest = TempDatabaseTest;

TEST_F(ErrorTest, MessagesNameTheFileOrTheSql) {
  EXPECT_EQ(ErrorOf([&] { OpenSQLiteDatabase(dir_.path(), env_); }),
            "Failed to open database \"" + dir_.path() + "\" : unable to open database file");
  EXPECT_EQ(ErrorOf([&] { db_->Exec("select * from missing"); }),
            "Error executing SQL \"select * from missing\" : no such table: missing");
}

TEST_F(ErrorTest, AWriterWaitsOutTheBusyTimeoutThenFailsAsBusy) {
  db_->Exec("insert into channels (name) values ('a'); insert into channels (name) values ('b');");
  DBPtr other = Open();
  // A query that stopped reading early must not keep its read lock.
  EXPECT_EQ(other->QueryIntFmt("select id from channels where id > %d", {SqlArg::Int(0)}), 1);

  db_->BeginTransaction();
  db_->Exec("insert into channels (name) values ('c');");
  other->SetBusyTimeout(0);
  EXPECT_EQ(ErrorOf([&] { other->Exec("insert into channels (name) values ('d');"); }),
            "Error executing SQL \"insert into channels (name) values ('d');\" : "
            "database is locked");
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
