#include "platform/time/date_time.h"
#include "storage/temp_database.h"

namespace kestro {
namespace {

class SqlFunctionsTest : public TempDatabaseTest {
 protected:
  int32_t IntOf(const std::string& sql) { return db_->QueryInt("select " + sql); }
  std::string TextOf(const std::string& sql) { return QueryText("select " + sql); }
};

TEST_F(SqlFunctionsTest, DbTimeParts) {
  // 2005-03-06 was a Sunday.
  const int32_t sunday_0905 = DateTimeToDbTime(EncodeDateTime({2005, 3, 6, 9, 5, 0, 0}));
  db_->ExecFmt("insert into channels (number) values (%d)", {SqlArg::Int(sunday_0905)});
  EXPECT_EQ(IntOf("idt_timeof(number) from channels"), 905);
  EXPECT_EQ(IntOf("idt_dayof(number) from channels"), 7);
  EXPECT_EQ(IntOf("count(*) from channels where idt_dayof(number) = 7"), 1);
  EXPECT_EQ(IntOf("idt_timeof(0)"), 0);
  EXPECT_EQ(IntOf("idt_dayof(0)"), 0);
  EXPECT_EQ(IntOf("idt_timeof('9:05')"), 0);
  EXPECT_EQ(IntOf("idt_dayof(null)"), 0);
}

TEST_F(SqlFunctionsTest, LowerFoldsEveryScript) {
  EXPECT_EQ(TextOf("lower('ÉDUCATION Новости ABC')"), "éducation новости abc");
  EXPECT_EQ(IntOf("lower(null) is null"), 1);
}

TEST_F(SqlFunctionsTest, DatesFollowTheConnectionsClock) {
  env_->SetLocal(EncodeDateTime({2005, 3, 7, 21, 30, 0, 0}));
  EXPECT_EQ(TextOf("today()"), "38418");
  EXPECT_EQ(IntOf("idt_now()"), 845654976);
  EXPECT_EQ(TextOf("datenum('3/7/2005 9:30:15 PM')"), "2005-03-07-21-30-15");
  EXPECT_EQ(TextOf("date('3/7/2005 9:30 PM')"), "38418");
  EXPECT_EQ(TextOf("datenum('not a date')"), "0");
  EXPECT_EQ(TextOf("date('')"), "0");
}

}  // namespace
}  // namespace kestro
