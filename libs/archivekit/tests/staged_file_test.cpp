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

#include "archivekit/held_destination.h"
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

// The quick road opens an entry's folder only when every level is a real folder
// beneath the destination; anything else sends the caller to the path-safety function.
TEST_F(StagedFileTest, AnEntryFolderIsReachedThroughNoLink) {
  fs::create_directories(At("dest/a/b"));
  fs::create_directory(At("outside"));
  Put(At("dest/plain"), "x");
  ASSERT_EQ(symlink("a", At("dest/inward").c_str()), 0);
  ASSERT_EQ(symlink(At("outside").c_str(), At("dest/outward").c_str()), 0);
  const struct {
    const char* name;
    int error;  // 0: the folder opens
  } kRows[] = {
      {"top.txt", 0},           {"a/b/deep.txt", 0},     {"missing/x.txt", ENOENT},
      {"plain/x.txt", ENOTDIR}, {"inward/x.txt", ELOOP}, {"outward/x.txt", ELOOP},
      {"../x.txt", EXDEV},
  };
  const archivekit::HeldDestination held(At("dest") + "/");
  for (const auto& row : kRows) {
    errno = 0;
    const archivekit::EntryFolder folder = held.open_folder_of(row.name);
    EXPECT_EQ(folder.fd() >= 0 ? 0 : errno, row.error) << row.name;
  }
}

// A folder found once is found again for each file: one replaced by a link between two
// files is not written through, wherever the link leads.
TEST_F(StagedFileTest, AFolderReplacedByALinkBetweenFilesIsNotWrittenThrough) {
  fs::create_directories(At("dest/a"));
  fs::create_directory(At("outside"));
  const archivekit::HeldDestination held(At("dest") + "/");
  {
    const archivekit::EntryFolder folder = held.open_folder_of("a/first");
    archivekit::StagedFile file;
    ASSERT_TRUE(file.open_at(folder.fd(), At("dest/a/"), "first", 0644));
    ASSERT_TRUE(file.commit());
  }
  fs::rename(At("dest/a"), At("outside/a"));
  ASSERT_EQ(symlink(At("outside/a").c_str(), At("dest/a").c_str()), 0);
  EXPECT_LT(held.open_folder_of("a/second").fd(), 0);
  EXPECT_EQ(errno, ELOOP);
  EXPECT_TRUE(fs::exists(At("outside/a/first")));
  EXPECT_FALSE(fs::exists(At("outside/a/second")));
}

// Written relative to its open folder, a file replaces what is at its name only when
// committed, whole, with the permissions it was made with and the times set on it.
// Unnamed until committed, it is linked in; a file or link put at the name meanwhile is
// replaced, never written through.
TEST_F(StagedFileTest, AFileStagedInAnOpenFolderReplacesOnlyWhenCommitted) {
  const mode_t mask = umask(0);
  umask(mask);
  enum class Old { None, File, ReadOnlyFile, LinkOut, FileMeanwhile, LinkOutMeanwhile };
  const struct {
    const char* name;
    Old old;
    mode_t mode;
    bool commit;
    bool unnamed = false;
  } kRows[] = {
      {"new", Old::None, 0640, true},
      {"over-file", Old::File, 0600, true},
      {"over-ro", Old::ReadOnlyFile, 0444, true},
      {"over-link", Old::LinkOut, 0755, true},
      {"discarded", Old::File, 0644, false},
      {"discarded-new", Old::None, 0644, false},
      {"unnamed-new", Old::None, 0640, true, true},
      {"unnamed-taken", Old::FileMeanwhile, 0600, true, true},
      {"unnamed-link", Old::LinkOutMeanwhile, 0755, true, true},
      {"unnamed-discarded", Old::None, 0644, false, true},
  };
  Put(At("outside.txt"), "kept");
  const int folder = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  const timespec recorded{1000000000, 0};
  for (const auto& row : kRows) {
    const std::string path = At(row.name);
    const auto putOld = [&](bool link) {
      if (link) {
        ASSERT_EQ(symlink(At("outside.txt").c_str(), path.c_str()), 0);
      } else {
        Put(path, "old");
        if (row.old == Old::ReadOnlyFile) chmod(path.c_str(), 0444);
      }
    };
    if (row.old == Old::LinkOut || row.old == Old::File || row.old == Old::ReadOnlyFile) {
      putOld(row.old == Old::LinkOut);
    }
    archivekit::StagedFile file;
    const std::string in = folder_.string() + "/";
    ASSERT_TRUE(row.unnamed ? file.open_unnamed_at(folder, in, row.name, row.mode)
                            : file.open_at(folder, in, row.name, row.mode))
        << row.name;
    if (row.old == Old::FileMeanwhile || row.old == Old::LinkOutMeanwhile) {
      putOld(row.old == Old::LinkOutMeanwhile);
    }
    Write(file, "new");
    const timespec times[2] = {{0, UTIME_OMIT}, recorded};
    ASSERT_EQ(futimens(file.fd(), times), 0);
    EXPECT_EQ(fs::exists(fs::symlink_status(path)), row.old != Old::None) << row.name;
    if (!row.commit) {
      file.discard();
      EXPECT_EQ(Read(path), row.old == Old::None ? "" : "old") << row.name;
      continue;
    }
    ASSERT_TRUE(file.commit()) << row.name;
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << row.name;
    EXPECT_EQ(info.st_mode & 07777, row.mode & ~mask) << row.name;
    EXPECT_EQ(info.st_mtim.tv_sec, recorded.tv_sec) << row.name;
    EXPECT_EQ(Read(path), "new") << row.name;
  }
  close(folder);
  EXPECT_EQ(Read(At("outside.txt")), "kept");
  // The rows' names and the outside file; no staging name left.
  EXPECT_EQ(Entries(), 9u);
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
