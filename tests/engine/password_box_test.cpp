// Every backend's password box hides what is typed; the other input boxes do not
// (the new-folder box is the destination dialog tests' part).
#include <gtest/gtest.h>

#include <functional>

#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/files.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

using PasswordBoxTest = DestinationJobTest;

TEST_F(PasswordBoxTest, EveryBackendAsksForThePasswordInASecretBox) {
  struct Row {
    const char* name;
    std::function<void(const std::string&)> write;
  };
  const Row rows[] = {
      {"zip",
       [](const std::string& path) {
         WriteZip(path, {{"zip.txt", "zip", false, "pw"}});
       }},
      {"rar",
       [](const std::string& path) {
         RarOptions options;
         options.password = "pw";
         WriteRar(path, {{"rar.txt", "rar", false, true}}, options);
       }},
      {"ace",
       [](const std::string& path) {
         AceOptions options;
         options.password = "pw";
         WriteAce(path, {{"ace.txt", "ace", false, AceMethod::Stored, true}}, options);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string archive = PathOf(std::string("locked.") + row.name);
    row.write(archive);
    dialogs.inputs.clear();
    dialogs.inputAnswers = {"pw"};
    ExtractOne(archive);
    ASSERT_EQ(dialogs.inputs.size(), 1u);
    EXPECT_EQ(dialogs.inputs[0].echo, InputEcho::Secret);
    EXPECT_EQ(ReadFileText(Out(std::string(row.name) + ".txt")), row.name);
  }
}

}  // namespace
}  // namespace tessaly::testing
