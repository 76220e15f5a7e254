// Points XDG_CONFIG_HOME and TMPDIR at folders of a fresh temporary folder for the
// duration of a test and puts both back afterwards, so no test sees the user's
// settings or another test's.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/files.h"

namespace tessaly::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class IsolatedSettingsTest : public ::testing::Test {
 protected:
  IsolatedSettingsTest()
      : root_(temp_.path().string()),
        config_("XDG_CONFIG_HOME", root_ + "/config"),
        tmpdir_("TMPDIR", root_ + "/tmp") {
    if (temp_.path().empty()) ADD_FAILURE() << "cannot create a temporary folder";
    std::filesystem::create_directories(root_ + "/tmp");
  }

  const std::string& Root() const { return root_; }
  std::string ConfigHome() const { return root_ + "/config"; }
  std::string TempRoot() const { return root_ + "/tmp"; }
  std::string SettingsFile() const { return ConfigHome() + "/Brindlemoor/Tessaly 3.6.conf"; }

 private:
  TempFolder temp_;
  std::string root_;
  ScopedEnv config_;
  ScopedEnv tmpdir_;
};

}  // namespace tessaly::testing
