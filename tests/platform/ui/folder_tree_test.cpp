// The folder tree on real folders made per test, shown offscreen.
#include "platform/ui/folder_tree.h"
#include "platform/ui/folder_tree_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "settings/isolated_settings.h"
#include "support/files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;
using testing::TempFolder;

QString Q(const fs::path& path) {
  return QString::fromStdString(path.string());
}

QStringList ChildNames(const FolderTree& tree, const QModelIndex& parent) {
  QStringList names;
  for (int row = 0; row < tree.model()->rowCount(parent); ++row) {
    names.push_back(tree.model()->index(row, 0, parent).data().toString());
  }
  return names;
}

class FolderTreeTest : public ::testing::Test {
 protected:
  TempFolder temp;
  FolderTree tree;
};

TEST_F(FolderTreeTest, ShowsOnlyVisibleFoldersSortedWithoutRegardToCase) {
  for (const char* name : {"b", "A", "C", ".hidden"}) fs::create_directories(temp.path() / name);
  testing::WriteFileText(temp.path() / "a.zip", "x");
  fs::create_directory_symlink(temp.path() / "b", temp.path() / "link");
  ASSERT_TRUE(tree.SelectFolder(Q(temp.path())));
  tree.expand(tree.currentIndex());

  EXPECT_EQ(ChildNames(tree, tree.currentIndex()), QStringList({"A", "b", "C", "link"}));
  // A dot folder asked for by path is shown all the same.
  EXPECT_TRUE(tree.SelectFolder(Q(temp.path() / ".hidden")));
  EXPECT_EQ(tree.SelectedPath(), Q(temp.path()) + "/.hidden/");
}

TEST_F(FolderTreeTest, RereadShowsNewFoldersAndDropsVanishedOnesKeepingTheSelection) {
  fs::create_directories(temp.path() / "keep" / "deep");
  fs::create_directories(temp.path() / "old");
  ASSERT_TRUE(tree.SelectFolder(Q(temp.path() / "keep" / "deep")));
  fs::create_directories(temp.path() / "New");
  fs::remove_all(temp.path() / "old");

  tree.Reread();
  EXPECT_EQ(tree.SelectedPath(), Q(temp.path()) + "/keep/deep/");
  // Found again after the reread: other tests' folders in the temporary folder may
  // come and go meanwhile, which moves the rows above it.
  const QModelIndex base = tree.currentIndex().parent().parent();
  EXPECT_EQ(ChildNames(tree, base), QStringList({"keep", "New"}));
  EXPECT_TRUE(tree.SelectFolder(Q(temp.path() / "New")));

  // A folder made after its parent was read is found without a reread.
  fs::create_directories(temp.path() / "late");
  EXPECT_TRUE(tree.SelectFolder(Q(temp.path() / "late")));
}

TEST_F(FolderTreeTest, AFolderMadeOnDiskAppearsByItself) {
  ASSERT_TRUE(tree.SelectFolder(Q(temp.path())));
  tree.expand(tree.currentIndex());
  fs::create_directories(temp.path() / "made");
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return ChildNames(tree, tree.currentIndex()) == QStringList({"made"}); }, 5000));
}

TEST(FolderTreeDesktop, ComesFromTheUserDirsFileElseDesktopElseHome) {
  TempFolder home;
  const ScopedEnv homeEnv("HOME", home.path().string());
  const ScopedEnv configEnv("XDG_CONFIG_HOME", (home.path() / "cfg").string());
  const QString homePath = Q(home.path());

  EXPECT_EQ(FolderTree::DesktopFolder(), homePath + "/");
  fs::create_directories(home.path() / "Desktop");
  EXPECT_EQ(FolderTree::DesktopFolder(), homePath + "/Desktop/");
  fs::create_directories(home.path() / "Schreibtisch");
  fs::create_directories(home.path() / "cfg");
  testing::WriteFileText(home.path() / "cfg" / "user-dirs.dirs",
                         "# written by a test\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                         "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(FolderTree::DesktopFolder(), homePath + "/Schreibtisch/");

  // The tree anchors folders under the home folder there.
  FolderTree tree;
  const QModelIndex root = tree.model()->index(0, 0);
  EXPECT_EQ(ChildNames(tree, root),
            QStringList({home.path().filename().c_str(), "Schreibtisch", "Computer"}));
  ASSERT_TRUE(tree.SelectFolder(Q(home.path() / "Schreibtisch")));
  EXPECT_EQ(tree.currentIndex().parent(), root);
}

TEST_F(FolderTreeTest, RightButtonReleaseOverAnItemSelectsItAndAsksForTheMenu) {
  fs::create_directories(temp.path() / "one");
  fs::create_directories(temp.path() / "two");
  tree.resize(400, 600);
  tree.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
  ASSERT_TRUE(tree.SelectFolder(Q(temp.path() / "one")));
  const QModelIndex two = tree.model()->index(1, 0, tree.currentIndex().parent());
  tree.scrollTo(two);
  QSignalSpy menu(&tree, &FolderTree::ContextMenuOnItem);

  QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, tree.visualRect(two).center());
  ASSERT_EQ(menu.count(), 1);
  EXPECT_EQ(tree.SelectedPath(), Q(temp.path()) + "/two/");
}

TEST(FolderTreeVolumes, ComeFromTheMountsUnderTheVolumeFolders) {
  TempFolder temp;
  testing::WriteFileText(temp.path() / "mounts",
                         "/dev/sda1 / ext4 rw 0 0\n"
                         "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                         "sysfs /mnt/sys sysfs rw 0 0\n"
                         "/dev/sdd1 /mnt/archive ext4 rw 0 0\n"
                         "/dev/sdd1 /mnt/archive ext4 rw 0 0\n"
                         "/dev/sde1 /mnt ext4 rw 0 0\n");
  EXPECT_EQ(MountedVolumesIn(Q(temp.path() / "mounts")),
            QStringList({"/media/usb stick", "/mnt/archive"}));
  EXPECT_TRUE(MountedVolumesIn(Q(temp.path() / "none")).isEmpty());
}

}  // namespace
}  // namespace tessaly
