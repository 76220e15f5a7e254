// Extract Selected of the contents window for every type it lists: the entries chosen
// by the stored names the listing gives, and nothing else, land where a whole
// extraction would put them; a chosen folder brings what is under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
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

// Each file of the tree below root as "path=content", each folder as "path/".
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
  const fs::path tree = PathOf("tree");
  for (const auto& [name, data] : files) {
    fs::create_directories((tree / name).parent_path());
    WriteFileText(tree / name, data);
  }
  const auto tool = [&](std::vector<std::string> argv) {
    return [&tree, argv](const std::string& path) {
      std::vector<std::string> run = argv;
      for (const std::string& name :
           {path, std::string("a.txt"), std::string("sub"), std::string("d.txt")}) {
        run.push_back(name);
      }
      ASSERT_EQ(RunTool(run, tree), 0) << run[0];
    };
  };
  const auto dosNames = [&](std::string (*write)(const StoredFiles&)) {
    StoredFiles dos = files;
    for (auto& [name, data] : dos) std::replace(name.begin(), name.end(), '/', '\\');
    return [dos, write](const std::string& path) { WriteFileText(path, write(dos)); };
  };
  std::vector<RarTestEntry> rar;
  std::vector<AceTestEntry> ace;
  RarOptions solidRar;
  solidRar.solid = true;
  AceOptions solidAce;
  solidAce.solid = true;
  for (const auto& [name, data] : files) {
    rar.push_back({name, data});
    ace.push_back({name, data});
  }
  const std::set<std::string> twoEntries = {"a.txt=alpha", "sub/", "sub/b.txt=beta"};
  const std::set<std::string> folder = {"sub/", "sub/b.txt=beta", "sub/c.txt=gamma"};
  const struct {
    const char* archive;
    std::function<void(const std::string&)> make;
    std::vector<std::string> selected;
    const std::set<std::string>& written;
  } cases[] = {
      {"t.zip", tool({"zip", "-rq"}), {"a.txt", "sub/b.txt"}, twoEntries},
      {"f.zip", tool({"zip", "-rq"}), {"sub/"}, folder},
      {"t.rar",
       [&](const std::string& p) { WriteRar(p, rar, solidRar); },
       {"a.txt", "sub/b.txt"},
       twoEntries},
      {"t.ace",
       [&](const std::string& p) { WriteAce(p, ace, solidAce); },
       {"a.txt", "sub/b.txt"},
       twoEntries},
      {"t.arj",
       [&](const std::string& p) {
         MakeArj(p, {files.begin(), files.end()});
       },
       {"a.txt", "sub/b.txt"},
       twoEntries},
      {"t.7z", tool({"7z", "a", "-bd"}), {"a.txt", "sub/b.txt"}, twoEntries},
      {"f.7z", tool({"7z", "a", "-bd"}), {"sub/"}, folder},
      {"t.tar.gz", tool({"bsdtar", "-czf"}), {"a.txt", "sub/b.txt"}, twoEntries},
      {"t.cpio", tool({"bsdtar", "--format=newc", "-cf"}), {"a.txt", "sub/b.txt"}, twoEntries},
      {"t.iso", tool({"bsdtar", "--format=iso9660", "-cf"}), {"a.txt", "sub/b.txt"}, twoEntries},
      {"t.xar", tool({"bsdtar", "--format=xar", "-cf"}), {"sub/"}, folder},
      {"t.cab", dosNames(CabArchive), {"a.txt", "sub/b.txt"}, twoEntries},
      {"t.lzh", dosNames(LhaArchive), {"a.txt", "sub/b.txt"}, twoEntries},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string archive = PathOf(c.archive);
    c.make(archive);
    ASSERT_EQ(ListArchive(session, Detect(archive), archive), ListingResult::Listed);
    // The names come from the listing, as the contents window takes them.
    std::vector<std::string> selected;
    for (const ContentsRow& row : session.contents.rows) {
      if (std::count(c.selected.begin(), c.selected.end(), row.storedName)) {
        selected.push_back(row.storedName);
      }
    }
    EXPECT_EQ(selected.size(), c.selected.size());
    session.job.selectedEntryNames = selected;
    session.job.selectedEntriesMode = true;
    fs::remove_all(PathOf("out"));
    ExtractInto({archive});
    session.job.selectedEntriesMode = false;

    EXPECT_EQ(TreeOf(PathOf("out")), c.written);
    EXPECT_EQ(session.status.archiveLabel, kFinished) << ::testing::PrintToString(MessageTexts());
    dialogs.messages.clear();
  }
}

}  // namespace
}  // namespace tessaly::testing
