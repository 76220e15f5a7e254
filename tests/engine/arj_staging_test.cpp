// ARJ jobs through the staging folder with the installed utility: whatever names an
// archive holds and whatever the destination already holds, nothing is written outside
// the destination, an existing file goes only as the existing-file rule says and only
// for a whole, checked file, and modes, names and links come out as the libraries write
// them. Failed entries are the job tests' part.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <map>

#include "engine/arj/arj_headers.h"
#include "engine/arj/arj_placement.h"
#include "engine/arj/arj_staging.h"
#include "engine/arj_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

std::string OutsideText(const std::string& name) {
  return "Tessaly did not extract \"" + name + "\": its path leads outside the destination folder.";
}

std::string FailedCheckText(const std::string& name) {
  return "Tessaly did not extract \"" + name +
         "\": it does not match the size and CRC-32 recorded in the archive.";
}

mode_t Mode(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

mode_t Umask() {
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

class ArjStagingTest : public ArjTest {
 protected:
  // Everything under the test's folder but the destination, the settings and the
  // temporary folder: each path with its link target, its content or (for the
  // archive) its size.
  std::map<std::string, std::string> Outside() const {
    std::map<std::string, std::string> seen;
    for (const std::string& entry : TreeOf(Root())) {
      if (entry.starts_with("out/") || entry.starts_with("config/") || entry.starts_with("tmp/")) {
        continue;
      }
      const fs::path path = fs::path(Root()) / entry;
      if (fs::is_symlink(path)) {
        seen[entry] = "-> " + fs::read_symlink(path).string();
      } else {
        const std::string content = fs::is_regular_file(path) ? ReadFileText(path) : "";
        seen[entry] = content.size() <= 64 ? content : std::to_string(content.size()) + " bytes";
      }
    }
    return seen;
  }

  void ExpectNoStagingLeft() const {
    for (const std::string& entry : TreeOf(PathOf("out"))) {
      EXPECT_EQ(entry.find(".tessaly-"), std::string::npos) << entry;
    }
  }
};

TEST_F(ArjStagingTest, NothingIsWrittenOutsideTheDestinationWhateverTheNames) {
  // Stored as named ("-jf"), from pack/in: through a folder that is a link in the
  // destination, "../" in front, ".." that climbs above the folder the utility is
  // given (it drops only leading ones), and an absolute name.
  fs::create_directories(PathOf("pack/in/pre"));
  fs::create_directories(PathOf("pack/in/sub"));
  WriteFileText(PathOf("pack/in/pre/j.txt"), "through the link");
  WriteFileText(PathOf("pack/x.txt"), "dot dot");
  WriteFileText(PathOf("pack/esc.txt"), "climbing");
  WriteFileText(PathOf("abs/a.txt"), "absolute");
  const std::string archive = PathOf("hostile.arj");
  ASSERT_EQ(RunArj({"a", "-jf", archive, "pre/j.txt", "../x.txt", "sub/../../esc.txt",
                    PathOf("abs/a.txt")},
                   PathOf("pack/in")),
            0);
  fs::create_directories(PathOf("outside"));
  fs::create_directories(PathOf("out"));
  fs::create_directory_symlink("../outside", PathOf("out/pre"));
  const std::map<std::string, std::string> before = Outside();
  session.mainWindow.destinationBox.text = PathOf("out");
  Select({archive});
  Extract();

  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{OutsideText("pre/j.txt"), OutsideText("../x.txt"),
                                      OutsideText("sub/../../esc.txt")}));
  EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  // Names that climb out are refused, as in every format; "/" is dropped.
  EXPECT_FALSE(fs::exists(PathOf("out/x.txt")));
  EXPECT_FALSE(fs::exists(PathOf("out/sub/esc.txt")));
  EXPECT_EQ(ReadFileText(PathOf("out") + PathOf("abs/a.txt")), "absolute");
  ExpectNoStagingLeft();
}

// The utility loops for ever on a name that, once its leading "/", "./" and "../" are
// dropped, begins with ".", and cannot make such an archive either: the name is written
// over that of an archive it made (same length) and the header's CRC-32 made right
// again. Should the refusal fail, the extraction's batch cannot start: no hang.
TEST_F(ArjStagingTest, ANameTheUtilityLoopsOnEndsTheJobBeforeAnythingRuns) {
  struct Case {
    std::string name;
    std::string shown;                // in the refusal; "" where the archive is extracted
    std::vector<std::string> landed;  // what comes out then
  };
  const std::vector<Case> cases = {
      {"..x", "..x", {}},
      {"...", "...", {}},
      {"..\\x", ".._x", {}},
      {".../x", ".../x", {}},
      {"/.\x01z", "._z", {}},
      {"./..", "./..", {}},
      {"a/..x", "", {"a/", "a/..x"}},
      {"\\..x", "", {"_..x"}},
  };
  for (const Case& c : cases) {
    fs::remove_all(PathOf("out"));
    // A fresh one each time: the utility would add to the last and stall on its name.
    fs::remove(PathOf("odd.arj"));
    const std::string archive =
        MakeArj(PathOf("odd.arj"), {{std::string(c.name.size(), 'q'), "data"}});
    std::string bytes = ReadFileText(archive);
    const auto little16 = [&bytes](size_t at) {
      return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    // After the main header (id, size, header, CRC, no extended header) the entry's id
    // and size, then its header: the name follows the first first_hdr_size bytes.
    const size_t header = 4 + little16(2) + 4 + 2 + 4;
    const size_t size = little16(header - 2);
    bytes.replace(header + static_cast<unsigned char>(bytes[header]), c.name.size(), c.name);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(&bytes[header]), size);
    for (size_t i = 0; i < 4; ++i) bytes[header + size + i] = static_cast<char>(crc >> (8 * i));
    WriteFileText(archive, bytes);
    dialogs.messages.clear();
    const size_t probes = host.starts.size() + 1;
    if (!c.shown.empty()) host.failFromStart = probes + 1;
    ExtractInto({archive});
    host.failFromStart = 0;

    EXPECT_EQ(TreeOf(PathOf("out")), c.landed) << c.name;
    if (c.shown.empty()) {
      EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
      EXPECT_EQ(session.status.archiveLabel, kFinished) << c.name;
      continue;
    }
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Tessaly did not extract \"odd.arj\": the "
                                                       "utility cannot handle the name \"" +
                                                       c.shown + "\" in it."});
    EXPECT_EQ(host.starts.size(), probes) << c.name << ": only the probe ran";
    EXPECT_EQ(session.status.archiveLabel, kNotFinished) << c.name;
  }
}

// What becomes of files already there, for each way the job may be set up; the archive
// lists b.txt, then a.txt, then sub/c.txt (without auto overwrite the utility once asked
// in its hidden window whether to make sub, and the job failed).
TEST_F(ArjStagingTest, ExistingFilesAreKeptReplacedOrAskedForAsTheRuleSays) {
  fs::create_directories(PathOf("pack/sub"));
  WriteFileText(PathOf("pack/a.txt"), "new a");
  WriteFileText(PathOf("pack/b.txt"), "new b");
  WriteFileText(PathOf("pack/sub/c.txt"), "new c");
  const std::string archive = PathOf("new.arj");
  ASSERT_EQ(RunArj({"a", archive, "b.txt", "a.txt", "sub/c.txt"}, PathOf("pack")), 0);
  const std::string askB = "The file b.txt already exists in the destination folder. Overwrite it?";
  const std::string askA = "The file a.txt already exists in the destination folder. Overwrite it?";
  struct Case {
    const char* name;
    bool keepExisting;  // tessaly-extract -n
    const char* autoOverwrite;
    std::vector<std::string> answers;
    std::vector<std::string> questions;
    std::string a, b, c;
    bool finished;
  };
  const std::vector<Case> cases = {
      {"-n with auto overwrite", true, "1", {}, {}, "old a", "old b", "new c", true},
      {"auto overwrite", false, "1", {}, {}, "new a", "new b", "new c", true},
      {"asked", false, "", {"No", "Yes"}, {askB, askA}, "new a", "old b", "new c", true},
      {"cancelled", false, "0", {"Cancel"}, {askB}, "old a", "old b", "", false},
  };
  for (const Case& c : cases) {
    fs::remove_all(PathOf("out"));
    fs::create_directories(PathOf("out"));
    WriteFileText(PathOf("out/a.txt"), "old a");
    WriteFileText(PathOf("out/b.txt"), "old b");
    session.job.keepExistingFiles = c.keepExisting;
    SetSetting("arj options", "auto overwrite", c.autoOverwrite);
    dialogs.fileExistsQuestions.clear();
    dialogs.fileExistsAnswers = {c.answers.begin(), c.answers.end()};
    ExtractInto({archive});

    EXPECT_EQ(dialogs.fileExistsQuestions, c.questions) << c.name;
    EXPECT_EQ(ReadFileText(PathOf("out/a.txt")), c.a) << c.name;
    EXPECT_EQ(ReadFileText(PathOf("out/b.txt")), c.b) << c.name;
    EXPECT_EQ(fs::exists(PathOf("out/sub/c.txt")) ? ReadFileText(PathOf("out/sub/c.txt")) : "", c.c)
        << c.name;
    EXPECT_EQ(session.status.archiveLabel, c.finished ? kFinished : kNotFinished) << c.name;
    ExpectNoStagingLeft();
  }
}

TEST_F(ArjStagingTest, ModesLoseSetIdBitsNamesLoseControlCharactersLinksStayInside) {
  const fs::path pack = PathOf("pack");
  fs::create_directories(pack / "dd/lnq");
  WriteFileText(pack / "setuid", "s");
  WriteFileText(pack / "shared", "w");
  WriteFileText(pack / "bell\x07.txt", "ding");
  WriteFileText(pack / "dd/lnq/t.txt", "t");
  fs::create_symlink("lnq", pack / "dd/ok");
  // Stays inside as the utility reads it, but names a level it has not made yet.
  fs::create_symlink("x/../lnq", pack / "dd/bad");
  ASSERT_EQ(chmod((pack / "setuid").c_str(), 04755), 0);
  ASSERT_EQ(chmod((pack / "shared").c_str(), 0666), 0);
  ASSERT_EQ(chmod((pack / "dd").c_str(), 01777), 0);
  ASSERT_EQ(RunArj({"a", "-r", "-a1", PathOf("modes.arj"), "*"}, pack.string()), 0);
  ExtractInto({PathOf("modes.arj")});

  const mode_t mask = Umask();
  EXPECT_EQ(Mode(PathOf("out/setuid")), 0755 & ~mask);
  EXPECT_EQ(Mode(PathOf("out/shared")), 0666 & ~mask);
  EXPECT_EQ(Mode(PathOf("out/dd")), 0777 & ~mask);
  EXPECT_EQ(ReadFileText(PathOf("out/bell_.txt")), "ding");
  EXPECT_EQ(fs::read_symlink(PathOf("out/dd/ok")), "lnq");
  EXPECT_FALSE(fs::exists(fs::symlink_status(PathOf("out/dd/bad"))));
  ASSERT_EQ(dialogs.messages.size(), 1u) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(dialogs.messages[0].text,
            "Tessaly did not create the link \"dd/bad\": its target lies outside the destination "
            "folder.");
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
  ExpectNoStagingLeft();
}

// The utility removes what fails its own CRC check, so the placement's check is driven
// here with files put into the staging folder by hand.
TEST_F(ArjStagingTest, OnlyFilesThatMatchTheArchiveAreMoved) {
  const std::string archive =
      MakeArj(PathOf("a.arj"), {{"f.txt", "right"}, {"g.txt", "good"}, {"h.txt", "short"}});
  const std::string out = PathOf("out") + "/";
  fs::create_directories(out);
  WriteFileText(out + "f.txt", "old");
  ArjStaging staging;
  ASSERT_TRUE(staging.Create(out));
  const std::optional<ArjStaging::ArchiveFolder> folder = staging.AddArchive(1, 0);
  ASSERT_TRUE(folder);
  WriteFileText(folder->base + "f.txt", "wrong");  // same size, other CRC
  WriteFileText(folder->base + "g.txt", "good");
  WriteFileText(folder->base + "h.txt", "longer");
  WriteFileText(folder->base + "stray.txt", "no entry of this name");
  session.job.activeBackend = "arj";

  EXPECT_FALSE(PlaceArjArchive(session, ReadArjHeaders(archive), *folder, out));
  staging.Remove();
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{FailedCheckText("f.txt"), FailedCheckText("h.txt"),
                                      FailedCheckText("stray.txt")}));
  EXPECT_EQ(TreeOf(out), (std::vector<std::string>{"f.txt", "g.txt"}));
  EXPECT_EQ(ReadFileText(out + "f.txt"), "old");
  EXPECT_EQ(ReadFileText(out + "g.txt"), "good");
}

}  // namespace
}  // namespace tessaly::testing
