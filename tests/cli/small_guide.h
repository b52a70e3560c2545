// A lineup "Cable" (id 1) whose guide is written straight into its listings database: channels
// 4 KXYZ (id 1) and 7 WABC (id 2), six programmes on each from ten minutes ago (60 and 45 minutes
// alternately: Star Trek, Café Révolution, The News), one person.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/kestro_tool.h"
#include "platform/env/real_env.h"
#include "platform/text/text.h"
#include "platform/time/date_time.h"
#include "storage/listings_database.h"

namespace kestro::testing {

class SmallGuideTest : public KestroToolTest {
 protected:
  void SetUp() override {
    setenv("USER", "alice", 1);  // the tool names the user as creator and deleter
    SetUpTool();
    ASSERT_EQ(Kestro("lineup add --name Cable --plugin xmltv").out, "1\n");
    // The tool runs on the machine's clock, so the guide is written around it.
    const std::shared_ptr<Env> env = MakeRealEnv();
    DBPtr db = OpenListingsDatabase(root_ + "/library/tv/listings.1.dat", env);
    db->Exec(
        "insert into channels values ( 1 , \"c4.example\" , 4 , \"KXYZ\" , \"KXYZ Four\" , "
        "\"NET\" , \"\" , \"\" , 1 );"
        "insert into channels values ( 2 , \"c7.example\" , 7 , \"WABC\" , \"\" , \"\" , \"\" , "
        "\"\" , 1 );"
        "insert into people values ( 1 , \"Ana Núñez\" , \"ana núñez\" );"
        "insert into roles values ( 1 , \"Actor\" );");
    // Back to back from ten minutes ago on both channels: 60 and 45 minutes alternately, so
    // programme 0 is on now, 1 starts in 50 minutes, 2 in 1 h 35, 3 in 2 h 35, 4 in 3 h 20.
    const OleDate minute = static_cast<int64_t>(env->NowLocal() * 1440) / 1440.0;
    int id = 1;
    for (int channel = 1; channel <= 2; ++channel) {
      OleDate start = minute - 10 * kOneMinute;
      for (int i = 0; i < 6; ++i, ++id) {
        OleDate end = start + (i % 2 ? 45 : 60) * kOneMinute;
        const char* titles[] = {"Star Trek", "Café Révolution", "The News"};
        const char* keys[] = {"star trek", "café révolution", "news the"};
        db->ExecFmt(
            "insert into programs values ( %d , %d , %s , %d , %d , %s , %s , \"\" , \"\" , "
            "\"EP\" , %s , %s , 0 )",
            {SqlArg::Int(id), SqlArg::Int(channel), SqlArg::Quoted("key" + std::to_string(i % 3)),
             SqlArg::Int(DateTimeToDbTime(start)), SqlArg::Int(DateTimeToDbTime(end)),
             SqlArg::Quoted(titles[i % 3]), SqlArg::Quoted("Part " + std::to_string(i)),
             SqlArg::Quoted(titles[i % 3]), SqlArg::Quoted(keys[i % 3])});
        db->ExecFmt("insert into program_details ( id , long_desc , year ) values ( %d , %s , 1999 )",
                    {SqlArg::Int(id), SqlArg::Quoted(std::string("About ") + titles[i % 3])});
        db->ExecFmt("insert into program_words values ( %d , %s )",
                    {SqlArg::Int(id), SqlArg::Quoted(std::string(" ") + keys[i % 3] + " space ")});
        start = end;
      }
    }
    db->Exec("insert into program_people values ( 2 , 1 , 1 , 1 )");
  }

  // The rows of a --format tsv listing, without its header; and one column of them.
  std::vector<std::string> Rows(const std::string& command) {
    ToolRun run = Kestro(command + " --format tsv");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    std::vector<std::string> rows = Split(run.out, '\n');
    if (!rows.empty()) rows.erase(rows.begin());
    if (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
  }
  std::vector<std::string> Column(const std::string& command, size_t column) {
    std::vector<std::string> cells;
    for (const std::string& row : Rows(command)) cells.push_back(Split(row, '\t').at(column));
    return cells;
  }
};

}  // namespace kestro::testing
