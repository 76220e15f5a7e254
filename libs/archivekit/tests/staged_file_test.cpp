#include "archivekit/staged_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archivekit/staging.h"

namespace fs = std::filesystem;

namespace {

class StagedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/staged-file-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder_ = name;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string At(const std::string& name) const { return (folder_ / name).string(); }
  static void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void Write(archivekit::StagedFile& file, const std::string& text) {
    ASSERT_EQ(write(file.fd(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // Everything in the folder: no temporary file may be left among it.
  size_t Entries() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }

  fs::path folder_;
};

// Also when the old file is read-only.
TEST_F(StagedFileTest, TheOldFileStaysUntilTheNewOneIsCommitted) {
  const std::string path = At("a.txt");
  Put(path, "old");
  chmod(path.c_str(), 0444);
  archivekit::StagedFile file;
  ASSERT_TRUE(file.open(path));
  Write(file, "new");
  EXPECT_EQ(Read(path), "old");
  ASSERT_TRUE(file.commit());
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(StagedFileTest, ADiscardedOrAbandonedFileLeavesNothing) {
  const std::string path = At("a.txt");
  Put(path, "old");
  {
    archivekit::StagedFile file;
    ASSERT_TRUE(file.open(path));
    Write(file, "half");
    file.discard();
  }
  {
    archivekit::StagedFile abandoned;
    ASSERT_TRUE(abandoned.open(At("b.txt")));
  }
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(StagedFileTest, ALinkIsReplacedNotWrittenThroughAndAFolderIsNeverReplaced) {
  const std::string outside = At("outside.txt");
  Put(outside, "kept");
  ASSERT_EQ(symlink(outside.c_str(), At("link").c_str()), 0);
  archivekit::StagedFile throughLink;
  ASSERT_TRUE(throughLink.open(At("link")));
  Write(throughLink, "new");
  ASSERT_TRUE(throughLink.commit());
  EXPECT_FALSE(fs::is_symlink(At("link")));
  EXPECT_EQ(Read(outside), "kept");

  fs::create_directory(At("folder"));
  Put(At("folder/inner.txt"), "inner");
  archivekit::StagedFile overFolder;
  ASSERT_TRUE(overFolder.open(At("folder")));
  EXPECT_FALSE(overFolder.commit());
  EXPECT_EQ(Read(At("folder/inner.txt")), "inner");
  EXPECT_EQ(Entries(), 3u);
}

TEST_F(StagedFileTest, ALinkIsPlacedOverAFileButNeverOverAFolder) {
  Put(At("a"), "old");
  ASSERT_TRUE(archivekit::place_symlink("target", At("a")));
  EXPECT_EQ(fs::read_symlink(At("a")), "target");
  fs::create_directory(At("folder"));
  EXPECT_FALSE(archivekit::place_symlink("target", At("folder")));
  EXPECT_TRUE(fs::is_directory(At("folder")));
  EXPECT_EQ(Entries(), 2u);
}

// What a run killed before it could clean up left behind goes with the next run that
// writes into the folder; a live run's entries (locked) and anything not named exactly
// as ours stay.
TEST_F(StagedFileTest, AFolderWrittenIntoLosesOnlyTheStagingThatNoRunHolds) {
  const struct {
    const char* name;
    bool folder;
    bool locked;
    bool kept;
  } kRows[] = {
      {".tessaly-aB3dE9", false, false, false},     {".tessaly-Zz0000", true, false, false},
      {".tessaly-liveF1", false, true, true},       {".tessaly-liveD1", true, true, true},
      {".tessaly-abc12", false, false, true},       {".tessaly-abc1234", false, false, true},
      {".tessaly-copy-abc123", false, false, true}, {"tessaly-abcdef", false, false, true},
  };
  std::vector<int> locks;
  for (const auto& row : kRows) {
    if (row.folder) {
      fs::create_directories(At(row.name) + "/inner");
      Put(At(row.name) + "/inner/unpacked", "x");
    } else {
      Put(At(row.name), "x");
    }
    if (row.locked) {
      locks.push_back(::open(At(row.name).c_str(), O_RDONLY | O_CLOEXEC));
      ASSERT_EQ(flock(locks.back(), LOCK_EX), 0);
    }
  }
  Put(At("outside"), "kept");
  ASSERT_EQ(symlink(At("outside").c_str(), At(".tessaly-linked").c_str()), 0);
  fs::create_directory(At("sub"));
  Put(At("sub/.tessaly-deeper"), "not written into");

  archivekit::StagedFile file;
  ASSERT_TRUE(file.open(At("new.txt")));
  // Its own temporary file is held like the live ones.
  for (const auto& entry : fs::directory_iterator(folder_)) {
    const std::string name = entry.path().filename().string();
    if (archivekit::is_staging_name(name) && name.rfind(".tessaly-live", 0) != 0 &&
        !fs::is_symlink(entry.path())) {
      const int other = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
      EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0) << name;
      close(other);
    }
  }
  ASSERT_TRUE(file.commit());

  for (const auto& row : kRows) {
    EXPECT_EQ(fs::exists(fs::symlink_status(At(row.name))), row.kept) << row.name;
  }
  EXPECT_TRUE(fs::is_symlink(At(".tessaly-linked")));
  EXPECT_EQ(Read(At("outside")), "kept");
  EXPECT_TRUE(fs::exists(At("sub/.tessaly-deeper")));
  for (const int lock : locks) close(lock);
}

TEST(PermittedMode, KeepsOnlyPermissionBitsTheUmaskAllows) {
  const mode_t mask = umask(0);
  umask(mask);
  const mode_t allowed = 0777 & ~mask;
  EXPECT_EQ(archivekit::permitted_mode(04755), 0755 & allowed);
  EXPECT_EQ(archivekit::permitted_mode(07777), allowed);
  EXPECT_EQ(archivekit::permitted_mode(0100644), 0644 & allowed);
}

}  // namespace
