#include "winsupport/ui/image_lists.h"

#include <gtest/gtest.h>

#include <QImage>
#include <set>

namespace tessaly {
namespace {

QByteArray Pixels(const QIcon& icon) {
  const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
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
