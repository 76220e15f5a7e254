// What extraction leaves on disk: the data callback and cancelling, links that
// would lead outside, names that try to climb out, times and permissions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "api_support.h"
#include "support/rar_writer.h"

namespace unrar_test {
namespace {

using tessaly::testing::RarFormat;
using tessaly::testing::RarOptions;
using tessaly::testing::RarTestEntry;
using tessaly::testing::WriteRar;

struct CallbackLog {
  std::vector<int> sizes;
  int stopAfter = -1;  // the call after this many returns 0; -1 never
};
CallbackLog* gLog = nullptr;

int log_callback(unsigned char* address, int size) {
  if (!address) return 0;
  gLog->sizes.push_back(size);
  return static_cast<int>(gLog->sizes.size()) == gLog->stopAfter + 1 ? 0 : 1;
}

class Extraction : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(out);
    gLog = &log;
  }
  void TearDown() override { gLog = nullptr; }
  TempDir dir;
  std::string out = dir / "out";
  CallbackLog log;
};

// A stop removes the entry and the next one still comes out.
TEST_F(Extraction, CallbackSeesEveryByteInPiecesOfAtMost256KiBAndMayStopTheEntry) {
  const size_t size = 700 * 1024 + 3;
  for (const RarFormat format : {RarFormat::Rar4, RarFormat::Rar5}) {
    SCOPED_TRACE(format == RarFormat::Rar5 ? "RAR5" : "RAR4");
    const std::string archive = dir / "big.rar";
    RarOptions options;
    options.format = format;
    WriteRar(archive, {{"big.bin", std::string(size, 'b')}, {"next.txt", "after"}}, options);
    for (const int stopAfter : {-1, 1}) {
      fs::remove_all(out);
      fs::create_directory(out);
      log = {{}, stopAfter};
      const RunResult run =
          run_archive(archive, RAR_EXTRACT, out, "", RAR_OM_EXTRACT, log_callback);
      ASSERT_EQ(run.entries.size(), 2u);
      EXPECT_EQ(run.entries[1].result, 0);
      EXPECT_EQ(ReadFileText(out + "/next.txt"), "after");
      if (stopAfter == 1) {
        EXPECT_EQ(run.entries[0].result, ERAR_UNKNOWN);
        EXPECT_FALSE(fs::exists(out + "/big.bin"));
        EXPECT_EQ(log.sizes.size(), 3u);
        continue;
      }
      EXPECT_TRUE(run.all_ok());
      size_t total = 0;
      for (const int piece : log.sizes) {
        EXPECT_LE(piece, 256 * 1024);
        total += static_cast<size_t>(piece);
      }
      EXPECT_EQ(total, size + 5);
      EXPECT_GE(log.sizes.size(), 4u);
    }
  }
}

// A name that climbs out is refused (errno EACCES) and the next entry is read.
TEST_F(Extraction, NamesThatClimbOutAreRefusedAbsoluteOnesLandInside) {
  const std::string archive = dir / "climb.rar";
  WriteRar(archive, {{"../escape.txt", "a"},
                     {"/abs/path.txt", "b"},
                     {"ok/../../x.txt", "c"},
                     {"ok/../in.txt", "d"}});
  const RunResult run = run_archive(archive, RAR_EXTRACT, out);
  ASSERT_EQ(run.entries.size(), 4u);
  for (const size_t refused : {0, 2}) {
    EXPECT_EQ(run.entries[refused].result, ERAR_ECREATE);
    EXPECT_EQ(run.entries[refused].error, EACCES);
  }
  EXPECT_EQ(tessaly::testing::TreeOf(out),
            (std::vector<std::string>{"abs/", "abs/path.txt", "in.txt"}));
}

// A damaged header stops the reading; skipping to the next header whose CRC checks
// out reads on with every guard kept. After a cut there is nothing to skip to.
TEST_F(Extraction, DamagedHeadersAreSkippedOnlyWhenAsked) {
  const std::map<std::string, std::string> texts = {
      {"a.txt", "first"}, {"b.txt", "second"}, {"../up.txt", "climb"}, {"c.txt", "third"}};
  std::vector<RarTestEntry> entries;
  for (const auto& [name, text] : texts) entries.push_back({name, text});
  const std::string archive = dir / "d.rar";
  for (const RarFormat format : {RarFormat::Rar4, RarFormat::Rar5}) {
    RarOptions options;
    options.format = format;
    WriteRar(archive, entries, options);
    const std::string sound = ReadFileText(archive);
    std::string flipped = sound;
    flipped[sound.find("b.txt")] ^= 0x20;
    const struct {
      const char* label;
      std::string bytes;
      std::vector<std::string> refused;
      std::vector<std::string> skipped;
    } rows[] = {
        {"a header byte flipped", flipped, {}, {"c.txt"}},
        {"cut inside a header", sound.substr(0, sound.find("c.txt") - 3), {"b.txt"}, {"b.txt"}},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.label) + (format == RarFormat::Rar4 ? " RAR 4" : " RAR5"));
      WriteFileText(archive, row.bytes);
      for (const bool skip : {false, true}) {
        fs::remove_all(out);
        fs::create_directory(out);
        const RunResult run =
            run_archive(archive, RAR_EXTRACT, out, "", RAR_OM_EXTRACT, nullptr, skip);
        EXPECT_EQ(run.endResult, skip ? ERAR_END_ARCHIVE : ERAR_BAD_ARCHIVE);
        std::vector<std::string> whole = skip ? row.skipped : row.refused;
        whole.insert(whole.begin(), "a.txt");
        EXPECT_EQ(tessaly::testing::TreeOf(out), whole);
        for (const std::string& name : whole)
          EXPECT_EQ(ReadFileText(out + "/" + name), texts.at(name));
        EXPECT_FALSE(fs::exists(dir / "up.txt"));
      }
    }
  }
}

TEST_F(Extraction, NoDestinationMeansTheCurrentFolder) {
  const std::string archive = dir / "here.rar";
  WriteRar(archive, {{"here.txt", "cwd"}});
  const fs::path previous = fs::current_path();
  fs::current_path(out);
  const RunResult run = run_archive(archive, RAR_EXTRACT);
  fs::current_path(previous);
  EXPECT_TRUE(run.all_ok());
  EXPECT_EQ(ReadFileText(out + "/here.txt"), "cwd");
}

TEST_F(Extraction, SymlinkLeadingOutsideIsRefused) {
  const RunResult run = run_archive(corpus("rar5-evil-symlink-traversal.rar"), RAR_EXTRACT, out);
  bool refused = false;
  for (const EntryOutcome& entry : run.entries) refused |= entry.result == ERAR_UNSAFE_LINK;
  EXPECT_TRUE(refused);
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(out + "/up")));
  for (const auto& item : fs::directory_iterator(dir.path())) {
    EXPECT_TRUE(item.path().filename() == "out") << item.path();
  }
}

// A RAR5 directory link once came out as an empty folder.
TEST_F(Extraction, DirectoryLinkIsMadeAsALinkWhenItsTargetStaysInside) {
  const std::string archive = dir / "links.rar";
  RarTestEntry inward = tessaly::testing::RarFolder("links/dir_link");
  inward.linkTarget = "../dir";
  RarTestEntry outward = tessaly::testing::RarFolder("links/out_link");
  outward.linkTarget = "../../..";
  RarOptions options;
  options.format = RarFormat::Rar5;
  WriteRar(archive, {{"dir/a.txt", "a"}, inward, outward}, options);
  const RunResult run = run_archive(archive, RAR_EXTRACT, out);
  ASSERT_EQ(run.entries.size(), 3u);
  EXPECT_EQ(run.entries[1].result, 0);
  EXPECT_EQ(fs::read_symlink(out + "/links/dir_link"), "../dir");
  EXPECT_EQ(ReadFileText(out + "/links/dir_link/a.txt"), "a");
  EXPECT_EQ(run.entries[2].result, ERAR_UNSAFE_LINK);
  EXPECT_FALSE(fs::exists(fs::symlink_status(out + "/links/out_link")));
}

TEST_F(Extraction, PermissionsFromTheHostSystem) {
  RunResult run = run_archive(corpus("rar3-readonly-win.rar"), RAR_EXTRACT, out);
  EXPECT_TRUE(run.all_ok());
  struct stat info {};
  ASSERT_EQ(stat((out + "/ro_dir/ro_file.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0222, 0u);

  const std::string unixOut = dir / "unix";
  fs::create_directory(unixOut);
  run = run_archive(corpus("test_read_format_rar.rar"), RAR_EXTRACT, unixOut);
  ASSERT_EQ(stat((unixOut + "/test.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  // The archive's times, not the time of extraction, also for a folder written into.
  EXPECT_LT(info.st_mtime, 1400000000);
  ASSERT_EQ(stat((unixOut + "/testdir").c_str(), &info), 0);
  EXPECT_LT(info.st_mtime, 1400000000);
}

TEST(SolidArchives, SkippedEntriesAreDecodedForTheOnesAfterThem) {
  for (const char* name : {"rar3-solid.rar", "test_read_format_rar5_solid.rar"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(process_last_after_skips(corpus(name)), 0);
    // A listing does not decode what it skips, and says so when asked for more.
    EXPECT_EQ(process_last_after_skips(corpus(name), RAR_OM_LIST), ERAR_BAD_DATA);
  }
}

}  // namespace
}  // namespace unrar_test
