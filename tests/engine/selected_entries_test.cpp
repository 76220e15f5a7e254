// Extract Selected of the contents window for every type it lists: the entries chosen
// by the stored names the listing gives, and nothing else, land where a whole
// extraction would put them; a chosen folder brings what is under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/arj_fixture.h"
#include "inspect/archive_listings.h"
#include "support/ace_writer.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

// Each file below root as "path=content", each folder as "path/".
std::set<std::string> TreeOf(const fs::path& root) {
  std::set<std::string> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string path = fs::relative(item.path(), root).string();
    tree.insert(item.is_directory() ? path + "/" : path + "=" + ReadFileText(item.path()));
  }
  return tree;
}

class SelectedEntriesTest : public ArjTest {};

TEST_F(SelectedEntriesTest, WritesTheSelectedEntriesAloneForEveryType) {
  const StoredFiles files = {
      {"a.txt", "alpha"}, {"sub/b.txt", "beta"}, {"sub/c.txt", "gamma"}, {"d.txt", "delta"}};
  std::vector<RarTestEntry> rar;
  std::vector<AceTestEntry> ace;
  StoredFiles dos;  // "\\" separated, as the DOS formats store names
  for (const auto& [name, data] : files) {
    WriteFileText(PathOf("tree/" + name), data);
    rar.push_back({name, data});
    ace.push_back({name, data});
    dos.emplace_back(name, data);
    std::replace(dos.back().first.begin(), dos.back().first.end(), '/', '\\');
  }
  RarOptions solidRar;
  solidRar.solid = true;
  AceOptions solidAce;
  solidAce.solid = true;
  const struct {
    const char* archive;
    std::vector<std::string> tool;  // makes the archive of the tree; none: written here
    bool folder;                    // "sub/" is selected, else "a.txt" and "sub/b.txt"
  } cases[] = {
      {"t.zip", {"zip", "-rq"}, false},
      {"f.zip", {"zip", "-rq"}, true},
      {"t.rar", {}, false},
      {"t.ace", {}, false},
      {"t.arj", {}, false},
      {"t.7z", {"7z", "a", "-bd"}, false},
      {"f.7z", {"7z", "a", "-bd"}, true},
      {"t.tar.gz", {"bsdtar", "-czf"}, false},
      {"t.cpio", {"bsdtar", "--format=newc", "-cf"}, false},
      {"t.iso", {"bsdtar", "--format=iso9660", "-cf"}, false},
      {"t.xar", {"bsdtar", "--format=xar", "-cf"}, true},
      {"t.cab", {}, false},
      {"t.lzh", {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string archive = PathOf(c.archive);
    const std::string type = fs::path(archive).extension().string();
    std::vector<std::string> tool = c.tool;
    tool.insert(tool.end(), {archive, "a.txt", "sub", "d.txt"});
    if (!c.tool.empty()) {
      ASSERT_EQ(RunTool(tool, PathOf("tree")), 0);
    }
    if (type == ".rar") WriteRar(archive, rar, solidRar);
    if (type == ".ace") WriteAce(archive, ace, solidAce);
    if (type == ".arj") MakeArj(archive, {files.begin(), files.end()});
    if (type == ".cab") WriteFileText(archive, CabArchive(dos));
    if (type == ".lzh") WriteFileText(archive, LhaArchive(dos));
    ASSERT_EQ(ListArchive(session, Detect(archive), archive), ListingResult::Listed);

    // The names come from the listing, as the contents window takes them.
    const std::set<std::string> wanted =
        c.folder ? std::set<std::string>{"sub/"} : std::set<std::string>{"a.txt", "sub/b.txt"};
    session.job.selectedEntryNames.clear();
    for (const ContentsRow& row : session.contents.rows) {
      if (wanted.count(row.storedName) != 0)
        session.job.selectedEntryNames.push_back(row.storedName);
    }
    EXPECT_EQ(session.job.selectedEntryNames.size(), wanted.size());
    session.job.selectedEntriesMode = true;
    fs::remove_all(PathOf("out"));
    ExtractInto({archive});

    const std::set<std::string> written =
        c.folder ? std::set<std::string>{"sub/", "sub/b.txt=beta", "sub/c.txt=gamma"}
                 : std::set<std::string>{"a.txt=alpha", "sub/", "sub/b.txt=beta"};
    EXPECT_EQ(TreeOf(PathOf("out")), written);
    EXPECT_EQ(session.status.archiveLabel, kFinished) << ::testing::PrintToString(MessageTexts());
    dialogs.messages.clear();
  }
}

}  // namespace
}  // namespace tessaly::testing
