#include "winsupport/ui/image_lists.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <set>

#include "winsupport/menu_icons.h"

namespace tessaly {
namespace {

QByteArray Pixels(const QIcon& icon) {
  const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

bool HasPaint(const QIcon& icon) {
  const QImage image = icon.pixmap(16, 16).toImage();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return true;
    }
  }
  return false;
}

TEST(ImageLists, EveryToolbarAndMenuImageIsDrawn) {
  std::set<QByteArray> toolbarPictures;
  for (int i = 1; i <= kCommandIconCount; ++i) {
    const QIcon icon = CommandIcon(i);
    ASSERT_FALSE(icon.isNull()) << i;
    EXPECT_TRUE(HasPaint(icon)) << i;
    if (i <= 15) toolbarPictures.insert(Pixels(icon));
  }
  EXPECT_EQ(toolbarPictures.size(), 15u) << "toolbar buttons must be told apart";
  EXPECT_TRUE(CommandIcon(0).isNull());
  EXPECT_TRUE(CommandIcon(46).isNull());

  EXPECT_EQ(Pixels(MenuIconFor("E&xit")), Pixels(CommandIcon(17)));
  EXPECT_EQ(Pixels(MenuIconFor("Extract")), Pixels(CommandIcon(1)));  // same picture twice
  EXPECT_TRUE(MenuIconFor("(Empty)").isNull());
}

TEST(ImageLists, EveryFileTypeKeyHasItsImage) {
  const char* keys[] = {"DOS", "Drive", "avi", "bat", "bmp", "cpp", "ctl",     "dat",
                        "dll", "exe",   "frm", "gif", "h",   "hlp", "inf",     "Others",
                        "sys", "txt",   "vbg", "zip", "vbp", "bas", "tessaly", "led"};
  std::set<QByteArray> pictures;
  for (const char* key : keys) {
    const QIcon icon = FileTypeIcon(key);
    ASSERT_FALSE(icon.isNull()) << key;
    pictures.insert(Pixels(icon));
  }
  EXPECT_EQ(pictures.size(), std::size(keys));
  EXPECT_EQ(Pixels(FileTypeIcon("nosuchkey")), Pixels(FileTypeIcon("Others")));
}

}  // namespace
}  // namespace tessaly
