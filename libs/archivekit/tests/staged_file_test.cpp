#include "archivekit/staged_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

TEST_F(StagedFileTest, TheOldFileStaysUntilTheNewOneIsCommitted) {
  const std::string path = At("a.txt");
  Put(path, "old");
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

TEST(PermittedMode, KeepsOnlyPermissionBitsTheUmaskAllows) {
  const mode_t mask = umask(0);
  umask(mask);
  const mode_t allowed = 0777 & ~mask;
  EXPECT_EQ(archivekit::permitted_mode(04755), 0755 & allowed);
  EXPECT_EQ(archivekit::permitted_mode(07777), allowed);
  EXPECT_EQ(archivekit::permitted_mode(0100644), 0644 & allowed);
}

}  // namespace
