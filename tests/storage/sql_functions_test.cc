#include "platform/time/date_time.h"
#include "storage/temp_database.h"

namespace kestro {
namespace {

class SqlFunctionsTest : public TempDatabaseTest {
 protected:
  int32_t IntOf(const std::string& sql) { return db_->QueryInt("select " + sql); }
  std::string TextOf(const std::string& sql) { return QueryText("select " + sql); }
};

// Day and time of a db time are found by the custom searches; a value that is no db time gives 0.
TEST_F(SqlFunctionsTest, DbTimePartsOfNoTimeAreZero) {
  EXPECT_EQ(IntOf("idt_timeof(0)"), 0);
  EXPECT_EQ(IntOf("idt_dayof(0)"), 0);
  EXPECT_EQ(IntOf("idt_timeof('9:05')"), 0);
  EXPECT_EQ(IntOf("idt_dayof(null)"), 0);
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
