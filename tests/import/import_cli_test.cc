// kestro import / import-log as a user runs them, and the host's import progress: the lines it
// shows, and how Ctrl-C turns into a cancel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <sstream>
#include <string>

#include "common/kestro_tool.h"
#include "host/import_progress.h"

namespace kestro {
namespace {

using ::testing::MatchesRegex;
using host::THostImportProgress;
using testing::ToolRun;

class ImportCommands : public testing::KestroToolTest {
 protected:
  void SetUp() override { SetUpTool(1); }
};

TEST_F(ImportCommands, FailedImportReportsItsMessageAndLeavesItsLog) {
  ASSERT_EQ(Kestro("lineup add --name Cable --plugin '{0D1E2F3A-4B5C-6D7E-8F90-A1B2C3D4E5F6}'")
                .exit_code,
            0);
  ToolRun none = Kestro("import-log 1");
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_EQ(none.err, "kestro import-log: Lineup 1 has no import log yet\n");
  EXPECT_EQ(Kestro("import 7").exit_code, 1);  // no such lineup

  ToolRun import = Kestro("import 1 --quiet");
  EXPECT_EQ(import.exit_code, 1);
  EXPECT_EQ(import.out, "");
  EXPECT_THAT(import.err,
              MatchesRegex("kestro import: Unable to create the listings import plugin with id "
                           "\"\\{0D1E2F3A-4B5C-6D7E-8F90-A1B2C3D4E5F6\\}\"\n"
                           "Log: .*/library/tv/logs/listings\\.1\\.[-0-9]+\\.log\n"));

  ToolRun log = Kestro("import-log 1");
  EXPECT_EQ(log.exit_code, 0) << log.err;
  EXPECT_THAT(log.out, MatchesRegex(".* : \\[ *[0-9]+\\] : Beginning listings import\n"
                                    ".* : Unable to create the listings import plugin with id .*\n"));
}

bool Report(THostImportProgress& progress, int32_t percent, const std::string& status) {
  bool go_on = false;
  EXPECT_EQ(progress.ReportProgress(percent, status, &go_on), S_OK);
  return go_on;
}

TEST(HostImportProgress, PlainLinesOnlyWhenSomethingChanged) {
  std::ostringstream out;
  ComPtr<THostImportProgress> progress =
      MakeObject<THostImportProgress>(out, THostImportProgress::Style::kLines);
  EXPECT_TRUE(Report(*progress, 0, "Removing temporary files"));
  EXPECT_TRUE(Report(*progress, 0, "Removing temporary files"));
  EXPECT_TRUE(Report(*progress, 40, "Importing 200 of 500"));
  EXPECT_TRUE(Report(*progress, 30, "Importing 300 of 1000"));  // the count grew: held at 40
  EXPECT_TRUE(Report(*progress, -1, "Waiting for the grabber"));
  EXPECT_TRUE(Report(*progress, 10, "Importing 100 of 1000"));  // a new phase starts low
  progress->Finish();
  EXPECT_EQ(out.str(),
            "  0% Removing temporary files\n 40% Importing 200 of 500\n 40% Importing 300 of "
            "1000\nWaiting for the grabber\n 10% Importing 100 of 1000\n");
}

TEST(HostImportProgress, InterruptCancelsAtTheNextReportAndASecondOneIsFatalAgain) {
  std::ostringstream out;
  {
    host::ScopedInterruptCancel interrupt;
    ComPtr<THostImportProgress> progress = MakeObject<THostImportProgress>(
        out, THostImportProgress::Style::kQuiet, &host::ScopedInterruptCancel::Flag());
    EXPECT_TRUE(Report(*progress, 10, "Saving"));
    raise(SIGINT);  // the process goes on
    EXPECT_FALSE(Report(*progress, 20, "Saving"));
    EXPECT_FALSE(Report(*progress, 30, "Saving"));
  }
  struct sigaction now {};
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);  // restored when the import is over

  // Cancel() holds from then on, like the interrupt.
  ComPtr<THostImportProgress> progress =
      MakeObject<THostImportProgress>(out, THostImportProgress::Style::kQuiet);
  EXPECT_TRUE(Report(*progress, 10, "Saving"));
  progress->Cancel();
  EXPECT_FALSE(Report(*progress, 20, "Saving"));
}

}  // namespace
}  // namespace kestro
