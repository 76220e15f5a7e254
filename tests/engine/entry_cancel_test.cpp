// Cancel pressed while a large entry is being written, for every format unpacked
// in-process: the library stops within its next 256 KiB, the entry leaves neither a
// partial file nor a changed old one, and the job ends unfinished without an error.
// Also Cancel among a tar's small files, and in the RAR counting pass.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/rar/rar_backend.h"
#include "support/ace_writer.h"
#include "support/cancelling_pump.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

// Lines of text: compressible, yet every decoder has real work.
std::string BigData() {
  constexpr size_t kSize = size_t{2} << 20;
  std::string data;
  for (int line = 0; data.size() < kSize; ++line) data += "line " + std::to_string(line) + "\n";
  data.resize(kSize);
  return data;
}

struct CancelCase {
  const char* archive;
  const char* settingsSection;
  void (*write)(const std::string& path, const std::string& big);
};

const CancelCase kCases[] = {
    {"big.zip", "zip options",
     [](const std::string& path, const std::string& big) {
       WriteZip(path, {{"big.bin", big, true}, {"after.txt", "after"}});
     }},
    {"big.rar", "rar options",
     [](const std::string& path, const std::string& big) {
       WriteRar(path, {{"big.bin", big}, {"after.txt", "after"}});
     }},
    {"big.ace", "ace options",
     [](const std::string& path, const std::string& big) {
       WriteAce(path, {{"big.bin", big, false, AceMethod::Stored}, {"after.txt", "after"}});
     }},
    {"big.7z", "7z options",
     [](const std::string& path, const std::string& big) {
       const TempFolder tree;
       WriteFileText(tree.path() / "big.bin", big);
       // 7z keeps its entries in name order.
       WriteFileText(tree.path() / "later.txt", "after");
       ASSERT_EQ(RunTool({"7z", "a", "-bd", "-mx1", path, "big.bin", "later.txt"}, tree.path()), 0);
     }},
    {"big.tar.xz", "libarchive options",
     [](const std::string& path, const std::string& big) {
       const TempFolder tree;
       WriteFileText(tree.path() / "big.bin", big);
       WriteFileText(tree.path() / "after.txt", "after");
       ASSERT_EQ(RunTool({"bsdtar", "-cJf", path, "big.bin", "after.txt"}, tree.path()), 0);
     }},
};

// The job runs on a session whose pump presses Cancel.
class EntryCancelTest : public DestinationJobTest {
 protected:
  EntryCancelTest() {
    direct.mainWindow.destinationBox.text = out_;
    direct.mainWindow.currentFolder = Root() + "/";
    dialogs.session = &direct;
    cancelling.job = &direct.job;
  }
  CancellingPump cancelling;
  Session direct{dialogs, cancelling};
};

TEST_F(EntryCancelTest, CancelStopsTheEntryBeingWrittenAndKeepsTheOldFile) {
  const std::string big = BigData();
  for (const CancelCase& c : kCases) {
    SCOPED_TRACE(c.archive);
    fs::remove_all(out_);
    fs::create_directory(out_);
    const std::string archive = PathOf(c.archive);
    c.write(archive, big);
    SetSetting(c.settingsSection, "auto overwrite", "1");
    WriteFileText(Out("big.bin"), "old");
    cancelling.pumps = 0;
    cancelling.pumpsAtCancel = -1;
    cancelling.cancelNow = [this] {
      return direct.status.messageLabel.find("big.bin") != std::string::npos;
    };
    direct.job.selectedFiles = {archive};
    direct.job.selectedCount = 1;
    ExtractSelectedArchives(direct, CallingWindow::MainWindow);

    ASSERT_GE(cancelling.pumpsAtCancel, 0) << "Cancel was pressed during the entry";
    EXPECT_LE(cancelling.pumps - cancelling.pumpsAtCancel, 2) << "the library went on writing";
    const std::string kept = ReadFileText(Out("big.bin"));
    EXPECT_TRUE(kept == "old") << "the old file became " << kept.size() << " bytes";
    EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"big.bin"}) << "a partial file is left";
    EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
    EXPECT_EQ(direct.status.archiveLabel, kNotFinished);
  }
}

// A tar's files and folders written ahead of a Cancel go again: with four threads the
// destination holds what one thread leaves, the entries up to the one shown at Cancel.
TEST_F(EntryCancelTest, CancelAmongSmallFilesLeavesWhatOneThreadLeaves) {
  const TempFolder tree;
  for (int i = 0; i < 100; ++i) {
    WriteFileText(tree.path() / ("d" + std::to_string(i / 10)) / ("f" + std::to_string(i)),
                  std::string(100 + i, 'x'));
  }
  ASSERT_EQ(RunTool({"bsdtar", "-cf", PathOf("small.tar"), "."}, tree.path()), 0);
  std::vector<std::string> left[2];
  for (int threads : {1, 4}) {
    fs::remove_all(out_);
    fs::create_directory(out_);
    direct.zip.threads = threads;
    cancelling.pumpsAtCancel = -1;
    cancelling.cancelNow = [this] { return direct.status.messageLabel.ends_with("/f50"); };
    direct.job.selectedFiles = {PathOf("small.tar")};
    direct.job.selectedCount = 1;
    ExtractSelectedArchives(direct, CallingWindow::MainWindow);
    ASSERT_GE(cancelling.pumpsAtCancel, 0);
    left[threads == 1 ? 0 : 1] = TreeOf(out_);
  }
  EXPECT_EQ(left[0], left[1]);
  EXPECT_LT(left[0].size(), 110u);
  EXPECT_TRUE(fs::exists(Out("d5/f50")));
}

TEST_F(EntryCancelTest, RarCancelInTheCountingPassReturnsWithoutExtracting) {
  WriteRar(PathOf("a.rar"), {{"a.txt", "a"}, {"b.txt", "b"}});
  direct.job.archiveType = "rar";
  cancelling.cancelNow = [] { return true; };
  EXPECT_EQ(ExtractRarArchive(direct, PathOf("a.rar")), 1);
  EXPECT_EQ(direct.job.activeBackend, "rar");
  EXPECT_EQ(direct.status.archiveLabel, "") << "the archive is not opened for extraction";
  EXPECT_TRUE(TreeOf(out_).empty());
}

}  // namespace
}  // namespace tessaly::testing
