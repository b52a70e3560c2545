// The XMLTV plug-in's grabber mode with small shell scripts as grabbers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text/text.h"
#include "import/command_line.h"
#include "import/xmltv_plugin.h"
#include "import_run_fixture.h"

namespace kestro::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(SplitCommandLineTest, QuotesAndBackslashesAsAShellReadsThem) {
  EXPECT_THAT(SplitCommandLine("  tv_grab_x  --config-file 'my file.conf'\t--days 3 "),
              ElementsAre("tv_grab_x", "--config-file", "my file.conf", "--days", "3"));
  EXPECT_THAT(SplitCommandLine(R"(a"b c"d "x\"y\$z\n" it\'s '' "")"),
              ElementsAre("ab cd", "x\"y$z\\n", "it's", "", ""));
  EXPECT_THAT(SplitCommandLine(" --output \"/tmp/a b/listings.1.xmltv\""),
              ElementsAre("--output", "/tmp/a b/listings.1.xmltv"));
  EXPECT_THROW(SplitCommandLine("a 'b"), Exception);
  EXPECT_THROW(SplitCommandLine("a \"b"), Exception);
}

class GrabberTest : public ImportRunTest {
 protected:
  // A grabber script `body` (after "#!/bin/sh") in its own folder; returns its path.
  std::string Script(const std::string& body) {
    const std::string folder = dir_ / "grabber dir";
    fs::create_directories(folder);
    const std::string path = folder + "/grab.sh";
    WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
  }

  void UseGrabber(const std::string& exe, int64_t max_run_time_ms = 60LL * 60 * 1000) {
    SetProperties({{"exe", exe},
                   {"grabber", "tv_grab_test"},
                   {"params", "--config 'a b.conf'"},
                   {"days", "3"}});
    plugins_->Set(kTestPluginID, [this, max_run_time_ms](const std::shared_ptr<Env>& env) {
      TXMLTVListingsWizard::Options options;
      options.max_run_time_ms = max_run_time_ms;
      options.wait_step_ms = 50;
      options.import_file = [this](ITVListingsImportSystem&, const std::string& file,
                                   IKestroItem*) {
        imported_.push_back(file);
        contents_.push_back(ReadFile(file));
      };
      return ComPtr<ITVListingsImportPlugin>(MakeObject<TXMLTVListingsWizard>(env, options).Get());
    });
  }

  static std::string Failure(const std::string& message) {
    return "The listings import plugin failed to perform the import : " + message;
  }

  // Whether the grabber that wrote its pid here has ended. One stopped before it got that far
  // (a loaded machine) has nothing left running.
  static bool Gone(const std::string& pid_file) {
    int pid = 0;
    if (!TryStrToInt(Trim(ReadFile(pid_file)), &pid) || pid <= 0) return true;
    return kill(pid, 0) != 0;
  }

  std::vector<std::string> imported_;
  std::vector<std::string> contents_;
};

TEST_F(GrabberTest, RunsTheGrabberInItsFolderAndImportsItsOutputOrSaysWhyNot) {
  // Each argument on a line of its own, then the working folder and the niceness.
  const std::string exe = Script(
      "for a in \"$@\"; do echo \"$a\"; done > args\n"
      "while [ \"$1\" != --output ]; do shift; done\n"
      "pwd > \"$2\"; cut -d ' ' -f 19 /proc/$$/stat >> \"$2\"\n"
      "echo progress to stderr >&2\n");
  UseGrabber(exe);
  std::string error;
  ASSERT_TRUE(Import(&error)) << error;
  ASSERT_EQ(imported_.size(), 1u);
  const std::string& output = imported_[0];
  // "<temp>/listings.<id>.<yyyy-mm-dd-hh-nn-ss>.xmltv" with the pinned clock.
  EXPECT_EQ(output, library_dir_ + "tv/temp/listings." + std::to_string(lineup_id_) +
                        ".2029-03-10-12-00-00.xmltv");
  EXPECT_EQ(contents_[0], (dir_ / "grabber dir") + "\n19\n");
  EXPECT_EQ(ReadFile(dir_ / "grabber dir/args"),
            "tv_grab_test\n--config\na b.conf\n--days\n3\n--output\n" + output + "\n");
  EXPECT_THAT(LastLogMessages(), Contains("XMLTV : progress to stderr"));

  // Failures: missing, not executable, a failure exit code, no output file.
  imported_.clear();
  UseGrabber(dir_ / "missing.sh");
  EXPECT_FALSE(Import(&error));
  EXPECT_EQ(error, Failure("The XMLTV executable \"" + (dir_ / "missing.sh") +
                           "\" does not exist"));

  // Exists but cannot be executed.
  const std::string plain = dir_ / "plain.sh";
  WriteFile(plain, "exit 0\n");
  UseGrabber(plain);
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, StartsWith(Failure("Failed to run XMLTV with command line \"" + plain +
                                        " tv_grab_test --config")));
  EXPECT_THAT(error, HasSubstr("\" : Permission denied"));

  UseGrabber(Script("exit 3\n"));
  EXPECT_FALSE(Import(&error));
  EXPECT_EQ(error, Failure("XMLTV returned a failure exit code \"3\""));

  UseGrabber(Script("exit 0\n"));
  EXPECT_FALSE(Import(&error));
  EXPECT_THAT(error, StartsWith(Failure("XMLTV seems to have run succesfully but the specified "
                                        "output file \"" + library_dir_ + "tv/temp/listings.")));
  EXPECT_THAT(error, HasSubstr(".xmltv\" does not exist"));
  EXPECT_TRUE(imported_.empty());

  EXPECT_EQ(LastUpdateStatus(), error);
}

// A grabber past its time limit, and one running when the host answers "stop", are ended.
TEST_F(GrabberTest, AGrabberPastTheLimitOrCanceledIsEnded) {
  const std::string pid_file = dir_ / "pid";
  const std::string sleeper = Script("echo $$ > '" + pid_file + "'\nsleep 30 & wait\n");
  UseGrabber(sleeper, 1000);
  std::string error;
  EXPECT_FALSE(Import(&error));
  EXPECT_EQ(error, Failure("The XMLTV process ran longer than the max. run time of 0 minutes"));
  EXPECT_TRUE(Gone(pid_file));

  UseGrabber(sleeper);
  // Reports: removing temporary files, deleting old programmes (none: no report), running
  // XMLTV, then one per wait; the third answers "stop".
  ComPtr<TRecordingProgress> progress = MakeObject<TRecordingProgress>(4);
  EXPECT_FALSE(Import(&error, progress.Get()));
  EXPECT_EQ(error, "canceled");
  EXPECT_TRUE(Gone(pid_file));
  EXPECT_EQ(progress->reports.back().second, "Running XMLTV. This could take several minutes...");
  EXPECT_EQ(progress->reports.back().first, -1);
}

}  // namespace
}  // namespace kestro::testing
