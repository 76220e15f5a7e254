// Hostile and broken archives against the in-process backends, one table per kind of
// attack with a row per format: nothing outside the destination is written or
// removed, an old file survives a failed replacement, and a job with a failure never
// ends "finished".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/entry_target.h"
#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

enum class Format { Rar4, Rar5, Ace };

struct HostileEntry {
  std::string name;
  std::string data;
  bool encrypted = false;
  bool wrongCrc = false;
};

class HostileArchiveTest : public DestinationJobTest, public ::testing::WithParamInterface<Format> {
 protected:
  std::string Type() const { return GetParam() == Format::Ace ? "ace" : "rar"; }
  std::string ArchivePath() const { return PathOf("hostile." + Type()); }
  void SetAutoOverwrite(const std::string& value) const {
    SetSetting(Type() + " options", "auto overwrite", value);
  }

  // The archive of entries, encrypted ones with the password "pw".
  std::string Write(const std::vector<HostileEntry>& entries) const {
    const std::string path = ArchivePath();
    if (GetParam() == Format::Ace) {
      std::vector<AceEntrySpec> specs;
      for (const HostileEntry& entry : entries) {
        specs.push_back({entry.name, entry.data, false, AceMethod::Stored, entry.encrypted});
      }
      AceOptions options;
      options.password = "pw";
      WriteAce(path, specs, options);
      for (const HostileEntry& entry : entries) {
        if (entry.wrongCrc) Damage(path, entry.data);
      }
      return path;
    }
    std::vector<RarEntrySpec> specs;
    for (const HostileEntry& entry : entries) {
      RarEntrySpec spec{entry.name, entry.data, false, entry.encrypted};
      spec.wrongCrc = entry.wrongCrc;
      specs.push_back(spec);
    }
    RarOptions options;
    options.format = GetParam() == Format::Rar4 ? RarFormat::Rar4 : RarFormat::Rar5;
    options.password = "pw";
    WriteRar(path, specs, options);
    return path;
  }

  // Flips the first byte of the stored data, so that only its CRC is wrong.
  static void Damage(const std::string& path, const std::string& data) {
    std::string bytes = ReadFileText(path);
    const size_t at = bytes.find(data);
    ASSERT_NE(at, std::string::npos);
    bytes[at] ^= 0x20;
    WriteFileText(path, bytes);
  }

  // Everything in the test's folder but the destination, the archive, and the
  // program's own settings and temporary files.
  std::vector<std::string> Outside() const {
    std::vector<std::string> tree;
    for (const std::string& path : TreeOf(Root())) {
      const bool own = path.starts_with("out/") || path.starts_with("config/") ||
                       path.starts_with("tmp/") ||
                       path == fs::path(ArchivePath()).filename().string();
      if (!own) {
        tree.push_back(path +
                       (fs::is_regular_file(PathOf(path)) ? "=" + ReadFileText(PathOf(path)) : ""));
      }
    }
    return tree;
  }

  std::string CrcError() const {
    return "Tessaly encountered a CRC error while processing \"" + ArchivePath() +
           "\". Operation aborted.";
  }
};

// The setting asks before replacing: a file outside must not even be asked about.
TEST_P(HostileArchiveTest, NamesThatClimbOutAreWrittenInsideAndNothingOutsideChanges) {
  SetAutoOverwrite("0");
  WriteFileText(PathOf("victim.txt"), "precious");
  WriteFileText(PathOf("etc.txt"), "precious");
  const std::vector<std::string> before = Outside();
  Write({{"../victim.txt", "evil 1"},
         {"../../../../../../../../../../../etc.txt", "evil 2"},
         {"/abs.txt", "evil 3"},
         {"C:/drive.txt", "evil 4"}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(TreeOf(out_),
            (std::vector<std::string>{"abs.txt", "drive.txt", "etc.txt", "victim.txt"}));
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

TEST_P(HostileArchiveTest, ALinkInTheDestinationLeadingOutIsNeverWrittenThrough) {
  SetAutoOverwrite("0");
  fs::create_directory(PathOf("outside"));
  WriteFileText(PathOf("outside/keep.txt"), "precious");
  fs::create_directory_symlink("../outside", Out("pre"));
  const std::vector<std::string> before = Outside();
  Write({{"pre/keep.txt", "evil"}, {"pre/new.txt", "evil"}, {"after.txt", "fine"}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(Outside(), before);
  EXPECT_EQ(ReadFileText(Out("after.txt")), "fine");
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{OutsideDestinationText("pre/keep.txt"),
                                                      OutsideDestinationText("pre/new.txt")}));
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

TEST_P(HostileArchiveTest, AFailedReplacementLeavesTheOldFileAndNothingElse) {
  SetAutoOverwrite("1");
  WriteFileText(Out("a.txt"), "old");
  Write({{"a.txt", "new data that fails", false, true}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{CrcError()});
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

// After a password was asked, a failing entry once made the backend delete the path
// its raw name gave, outside the destination.
TEST_P(HostileArchiveTest, AFailingEntryAfterAPasswordRemovesNothingOutside) {
  WriteFileText(PathOf("victim.txt"), "precious");
  Write({{"a.txt", "secret", true}, {"../victim.txt", "fails its check", false, true}});
  dialogs.inputAnswers = {"pw"};
  ExtractOne(ArchivePath());
  EXPECT_EQ(ReadFileText(PathOf("victim.txt")), "precious");
  EXPECT_EQ(ReadFileText(Out("a.txt")), "secret");
  EXPECT_FALSE(fs::exists(Out("victim.txt")));
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

TEST_P(HostileArchiveTest, KeepingExistingFilesWinsOverTheSetting) {
  SetAutoOverwrite("1");
  session.job.keepExistingFiles = true;
  WriteFileText(Out("a.txt"), "old");
  Write({{"a.txt", "new a"}, {"b.txt", "new b"}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
  EXPECT_EQ(ReadFileText(Out("b.txt")), "new b");
  EXPECT_TRUE(dialogs.fileExistsQuestions.empty());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

TEST_P(HostileArchiveTest, ControlCharactersInNamesBecomeUnderscoresOnDiskAndOnScreen) {
  Write({{"bell\a\x1b[1m\n.txt", "x"}});
  ExtractOne(ArchivePath());
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"bell__[1m_.txt"});
  EXPECT_EQ(recorder.MessageLines(), std::vector<std::string>{"Extracting file: bell__[1m_.txt"});
}

INSTANTIATE_TEST_SUITE_P(EveryInProcessFormat, HostileArchiveTest,
                         ::testing::Values(Format::Rar4, Format::Rar5, Format::Ace),
                         [](const auto& info) {
                           switch (info.param) {
                             case Format::Rar4:
                               return std::string("Rar4");
                             case Format::Rar5:
                               return std::string("Rar5");
                             default:
                               return std::string("Ace");
                           }
                         });

// What only RAR archives can carry: modes, links, and methods the library lacks.
class HostileRarTest : public DestinationJobTest, public ::testing::WithParamInterface<RarFormat> {
 protected:
  std::string Write(const std::vector<RarEntrySpec>& entries) const {
    RarOptions options;
    options.format = GetParam();
    const std::string path = PathOf("hostile.rar");
    WriteRar(path, entries, options);
    return path;
  }
  static RarEntrySpec Link(const std::string& name, const std::string& target) {
    RarEntrySpec link{name, ""};
    link.linkTarget = target;
    return link;
  }
};

TEST_P(HostileRarTest, ModesLoseSetIdAndStickyBitsAndFollowTheUmask) {
  RarEntrySpec program{"program", "#!/bin/sh\n"};
  program.mode = 0106755;
  ExtractOne(Write({program}));
  struct stat info {};
  ASSERT_EQ(stat(Out("program").c_str(), &info), 0);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(info.st_mode & 07777, 0755 & ~mask);
}

TEST_P(HostileRarTest, AnUnsafeLinkIsSkippedWithItsOwnMessageAndTheRestIsExtracted) {
  ExtractOne(Write({Link("links/bad_link", "../../outside"),
                    RarFolder("dir"),
                    {"dir/f.txt", "f"},
                    Link("dir/good_link", "f.txt")}));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Out("links/bad_link"))));
  EXPECT_EQ(ReadFileText(Out("dir/f.txt")), "f");
  EXPECT_EQ(fs::read_symlink(Out("dir/good_link")), "f.txt");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                "Tessaly did not create the link \"links/bad_link\": its target "
                                "lies outside the destination folder."});
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

TEST_P(HostileRarTest, EntriesTheLibraryCannotDecodeAreNamedAndTheRestIsExtracted) {
  std::vector<RarEntrySpec> entries;
  if (GetParam() == RarFormat::Rar4) {
    RarEntrySpec unknownVersion{"version99.bin", "data"};
    unknownVersion.rar4Version = 99;
    unknownVersion.rar4Method = 0x33;
    entries.push_back(unknownVersion);
  } else {
    RarEntrySpec unknownMethod{"method6.bin", "data"};
    unknownMethod.rar5Compression = 6 << 7;
    // Version 1, method 1, solid, a window of 128 KiB << 31.
    RarEntrySpec hugeWindow{"window.bin", "data"};
    hugeWindow.rar5Compression = 0x01 | 0x40 | (1 << 7) | (31 << 10);
    entries = {unknownMethod, hugeWindow};
  }
  std::vector<std::string> expected;
  for (const RarEntrySpec& entry : entries) {
    expected.push_back("Tessaly could not extract \"" + entry.name +
                       "\": it is packed with a method or dictionary size this version does "
                       "not support.");
  }
  entries.push_back({"after.txt", "a"});
  ExtractOne(Write(entries));
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"after.txt"});
  EXPECT_EQ(MessageTexts(), expected);
  EXPECT_EQ(session.status.archiveLabel, kNotFinished);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, HostileRarTest,
                         ::testing::Values(RarFormat::Rar4, RarFormat::Rar5), [](const auto& info) {
                           return info.param == RarFormat::Rar4 ? std::string("Rar4")
                                                                : std::string("Rar5");
                         });

}  // namespace
}  // namespace tessaly::testing
