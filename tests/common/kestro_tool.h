// Runs the built kestro tool as a user would: a separate process with its own registry file,
// data home and runtime folder inside a temporary folder.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "common/temp_dir.h"

namespace kestro::testing {

struct ToolRun {
  int exit_code;
  std::string out;
  std::string err;
};

class KestroToolTest : public ::testing::Test {
 protected:
  // `environment` adds variables ("NAME=value ...") to the child's environment.
  ToolRun Kestro(const std::string& args, const std::string& environment = "") {
    const std::string out_file = dir_ / "stdout", err_file = dir_ / "stderr";
    std::string command = "env " + environment + " KESTRO_REGISTRY='" + registry_ + "' XDG_DATA_HOME='" +
                          (dir_ / "xdg") + "' XDG_RUNTIME_DIR='" + dir_.path() + "' " +
                          KESTRO_CLI_FILE + " " + args + " >" + out_file + " 2>" + err_file;
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out_file), ReadFile(err_file)};
  }
  // Runs `args`, which must succeed; its output.
  std::string Succeeds(const std::string& args) {
    ToolRun run = Kestro(args);
    EXPECT_EQ(run.exit_code, 0) << args << ": " << run.err;
    return run.out;
  }
  // Runs `args`, which must exit with `code` and say `says` on stderr.
  void ExpectFails(const std::string& args, int code, const std::string& says) {
    ToolRun run = Kestro(args);
    EXPECT_EQ(run.exit_code, code) << args;
    EXPECT_THAT(run.err, ::testing::HasSubstr(says)) << args;
  }
  // kestro setup into root_.
  void SetUpTool(int tuners = 2) {
    ToolRun setup = Kestro("setup --root " + root_ + " --tuners " + std::to_string(tuners));
    ASSERT_EQ(setup.exit_code, 0) << setup.err;
  }

  TempDir dir_;
  std::string registry_ = dir_ / "config/registry.reg";
  std::string root_ = dir_ / "tv";
};

}  // namespace kestro::testing
