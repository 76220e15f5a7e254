// Runs the built tessaly-extract in a fresh folder with its own settings and temp
// folders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/process_runner.h"
#include "support/files.h"

namespace tessaly::testing {

class ExtractProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // The program's working folder; archives and destinations live here.
  std::filesystem::path work() const { return temp_.path() / "work"; }
  // XDG_CONFIG_HOME of the program.
  std::filesystem::path config() const { return temp_.path() / "config"; }

  ProcessResult Run(const std::vector<std::string>& args, const std::string& input = "") const;
  // work()/name holding deflated files (stored path -> content).
  std::filesystem::path MakeZip(const std::string& name,
                                const std::map<std::string, std::string>& files) const;
  // A setting as the program stored it.
  std::string StoredSetting(const std::string& section, const std::string& key) const;

 private:
  TempFolder temp_;
};

// Where the tests expect the real ARJ utility.
inline constexpr const char* kArjUtility = "/usr/bin/arj";

}  // namespace tessaly::testing
