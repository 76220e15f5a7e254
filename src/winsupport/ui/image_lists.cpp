#include "winsupport/ui/image_lists.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <array>
#include <cmath>
#include <map>

#include "winsupport/menu_icons.h"

namespace tessaly {

namespace {

// Every picture is drawn on a 16 x 16 grid and rendered at the sizes menus,
// lists and toolbars ask for.
constexpr std::array<int, 3> kIconSizes = {16, 24, 32};

enum class Base {
  Document,
  CopyPages,
  Folder,
  OpenFolder,
  Archive,
  Volumes,
  Gear,
  RefreshArc,
  Book,
  InfoCircle,
  Star,
  Window,
  ConsoleWindow,
  TextField,
  Door,
  CheckList,
  EmptyList,
  ShrinkArrows,
  Drive,
  Picture,
};

enum class Badge {
  None,
  ArrowDown,
  ArrowUp,
  ArrowRight,
  ArrowBack,
  Play,
  Cross,
  Plus,
  Info,
  Lines,
  ListSheet,
  Pencil,
  Target,
  Magnifier,
  DownToBar,
  Film,
  Cog,
  Dots,
};

struct Picture {
  Base base;
  Badge badge = Badge::None;
  QColor band = QColor();  // the label strip of a document; none when invalid
};

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 250);
const QColor kFolderYellow(236, 196, 80);
const QColor kArchiveBrown(176, 124, 70);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kBlue(40, 90, 190);

void DrawPage(QPainter& p, qreal dx, qreal dy) {
  QPolygonF page;
  page << QPointF(3 + dx, 1 + dy) << QPointF(10 + dx, 1 + dy) << QPointF(13 + dx, 4 + dy)
       << QPointF(13 + dx, 15 + dy) << QPointF(3 + dx, 15 + dy);
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(kPaper);
  p.drawPolygon(page);
  p.drawPolyline(QPolygonF() << QPointF(10 + dx, 1 + dy) << QPointF(10 + dx, 4 + dy)
                             << QPointF(13 + dx, 4 + dy));
}

void DrawFolder(QPainter& p, bool open) {
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(kFolderYellow.darker(115));
  p.drawPolygon(QPolygonF() << QPointF(1, 3) << QPointF(6, 3) << QPointF(7.5, 5) << QPointF(15, 5)
                            << QPointF(15, 14) << QPointF(1, 14));
  p.setBrush(kFolderYellow);
  if (open) {
    p.drawPolygon(QPolygonF() << QPointF(3, 7) << QPointF(16, 7) << QPointF(14, 14)
                              << QPointF(1, 14));
  } else {
    p.drawRect(QRectF(1, 6, 14, 8));
  }
}

void DrawArchive(QPainter& p) {
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(kArchiveBrown);
  p.drawRect(QRectF(2, 4, 12, 11));
  p.setBrush(kArchiveBrown.lighter(130));
  p.drawPolygon(QPolygonF() << QPointF(2, 4) << QPointF(4, 1) << QPointF(12, 1) << QPointF(14, 4));
  p.setBrush(QColor(90, 60, 30));
  p.drawRect(QRectF(7, 1, 2, 14));
}

void DrawStar(QPainter& p, QPointF centre, qreal radius, const QColor& colour) {
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    const qreal r = (i % 2 == 0) ? radius : radius * 0.45;
    const qreal angle = -M_PI / 2 + i * M_PI / 5;
    star << centre + QPointF(r * std::cos(angle), r * std::sin(angle));
  }
  p.setPen(QPen(colour.darker(150), 0.8));
  p.setBrush(colour);
  p.drawPolygon(star);
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
  p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::FlatCap));
  const QPointF direction = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
  const QPointF shaftEnd = to - direction * 3;
  p.drawLine(from, shaftEnd);
  const QPointF across(-direction.y(), direction.x());
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(QPolygonF() << to << shaftEnd + across * 3 << shaftEnd - across * 3);
}

void DrawGear(QPainter& p, QPointF centre, qreal radius, const QColor& colour) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(centre);
    p.rotate(i * 45);
    p.drawRect(QRectF(-radius * 0.2, -radius, radius * 0.4, radius * 2));
    p.restore();
  }
  p.drawEllipse(centre, radius * 0.75, radius * 0.75);
  p.setBrush(kPaper);
  p.drawEllipse(centre, radius * 0.3, radius * 0.3);
}

void DrawInfo(QPainter& p, QPointF centre, qreal radius) {
  p.setPen(QPen(kBlue.darker(130), 0.8));
  p.setBrush(kBlue);
  p.drawEllipse(centre, radius, radius);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(centre + QPointF(0, -radius * 0.5), radius * 0.17, radius * 0.17);
  p.drawRect(
      QRectF(centre.x() - radius * 0.13, centre.y() - radius * 0.2, radius * 0.26, radius * 0.8));
}

void DrawLines(QPainter& p, qreal left, qreal right, qreal top, int count) {
  p.setPen(QPen(kInk.lighter(180), 0.9));
  for (int i = 0; i < count; ++i)
    p.drawLine(QPointF(left, top + 2 * i), QPointF(right, top + 2 * i));
}

void DrawWindow(QPainter& p, const QColor& body) {
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(body);
  p.drawRect(QRectF(1, 2, 14, 12));
  p.setBrush(kBlue);
  p.drawRect(QRectF(1, 2, 14, 3));
}

void DrawBase(QPainter& p, const Picture& picture) {
  switch (picture.base) {
    case Base::Document:
      DrawPage(p, 0, 0);
      if (picture.band.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(picture.band);
        p.drawRect(QRectF(3.5, 11, 9, 3.5));
      }
      break;
    case Base::CopyPages:
      DrawPage(p, -2, -1);
      DrawPage(p, 1, 1);
      break;
    case Base::Folder:
      DrawFolder(p, false);
      break;
    case Base::OpenFolder:
      DrawFolder(p, true);
      break;
    case Base::Archive:
      DrawArchive(p);
      break;
    case Base::Volumes:
      p.setPen(QPen(kInk, 0.8));
      for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(90 + 50 * i, 140, 200 - 40 * i));
        p.drawEllipse(QRectF(1 + 2 * i, 9 - 3.5 * i, 10, 5));
      }
      break;
    case Base::Gear:
      DrawGear(p, QPointF(8, 8), 7, QColor(110, 110, 120));
      break;
    case Base::RefreshArc: {
      p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::FlatCap));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, 270 * 16);
      p.setPen(Qt::NoPen);
      p.setBrush(kGreen);
      p.drawPolygon(QPolygonF() << QPointF(8, 0) << QPointF(12, 3) << QPointF(8, 6));
      break;
    }
    case Base::Book:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(kBlue);
      p.drawRect(QRectF(3, 1, 10, 14));
      p.setBrush(kPaper);
      p.drawRect(QRectF(11, 2, 2, 12));
      p.setPen(QPen(Qt::white, 1.6));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(5.5, 3.5, 4, 4), -30 * 16, 210 * 16);
      p.drawLine(QPointF(7.5, 7.5), QPointF(7.5, 9.5));
      p.drawPoint(QPointF(7.5, 12));
      break;
    case Base::InfoCircle:
      DrawInfo(p, QPointF(8, 8), 7);
      break;
    case Base::Star:
      DrawStar(p, QPointF(8, 8.5), 7.5, QColor(240, 200, 40));
      break;
    case Base::Window:
      DrawWindow(p, kPaper);
      break;
    case Base::ConsoleWindow:
      DrawWindow(p, QColor(30, 30, 30));
      p.setPen(QPen(QColor(200, 200, 200), 1));
      p.drawLine(QPointF(3, 8), QPointF(5, 9.5));
      p.drawLine(QPointF(5, 9.5), QPointF(3, 11));
      break;
    case Base::TextField:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(kPaper);
      p.drawRect(QRectF(1, 5, 14, 6));
      p.setPen(QPen(kInk, 1));
      p.drawLine(QPointF(4, 6.5), QPointF(4, 9.5));
      break;
    case Base::Door:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(QColor(150, 100, 60));
      p.drawRect(QRectF(2, 1, 8, 14));
      p.setBrush(kFolderYellow);
      p.drawEllipse(QPointF(8, 8.5), 0.8, 0.8);
      break;
    case Base::CheckList:
    case Base::EmptyList:
      p.setPen(QPen(kInk, 0.8));
      for (int i = 0; i < 3; ++i) {
        const qreal top = 1.5 + 5 * i;
        p.setBrush(picture.base == Base::CheckList ? kBlue.lighter(150) : kPaper);
        p.drawRect(QRectF(1.5, top, 3.5, 3.5));
        if (picture.base == Base::CheckList) {
          p.drawPolyline(QPolygonF() << QPointF(2.2, top + 1.8) << QPointF(3.2, top + 2.8)
                                     << QPointF(4.6, top + 0.6));
        }
        p.drawLine(QPointF(7, top + 1.75), QPointF(15, top + 1.75));
      }
      break;
    case Base::ShrinkArrows:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(kRed);
      p.drawRect(QRectF(6, 6, 4, 4));
      DrawArrow(p, QPointF(0.5, 0.5), QPointF(5.5, 5.5), kBlue);
      DrawArrow(p, QPointF(15.5, 0.5), QPointF(10.5, 5.5), kBlue);
      DrawArrow(p, QPointF(0.5, 15.5), QPointF(5.5, 10.5), kBlue);
      DrawArrow(p, QPointF(15.5, 15.5), QPointF(10.5, 10.5), kBlue);
      break;
    case Base::Drive:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(QColor(180, 180, 185));
      p.drawRect(QRectF(1, 5, 14, 7));
      p.setBrush(kGreen.lighter(140));
      p.drawRect(QRectF(11, 9, 2, 1.5));
      break;
    case Base::Picture:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(QColor(150, 200, 240));
      p.drawRect(QRectF(1, 2, 14, 12));
      p.setPen(Qt::NoPen);
      p.setBrush(picture.band.isValid() ? picture.band : kGreen);
      p.drawPolygon(QPolygonF() << QPointF(1.5, 13.5) << QPointF(6, 7) << QPointF(9, 10.5)
                                << QPointF(11, 8.5) << QPointF(14.5, 13.5));
      p.setBrush(QColor(250, 220, 60));
      p.drawEllipse(QPointF(11.5, 5), 1.5, 1.5);
      break;
  }
}

void DrawBadge(QPainter& p, Badge badge) {
  switch (badge) {
    case Badge::None:
      break;
    case Badge::ArrowDown:
      DrawArrow(p, QPointF(11.5, 6), QPointF(11.5, 16), kGreen);
      break;
    case Badge::ArrowUp:
      DrawArrow(p, QPointF(11, 15), QPointF(11, 5), kGreen);
      break;
    case Badge::ArrowRight:
      DrawArrow(p, QPointF(6, 11.5), QPointF(16, 11.5), kBlue);
      break;
    case Badge::ArrowBack:
      DrawArrow(p, QPointF(16, 11), QPointF(6, 11), kBlue);
      break;
    case Badge::Play:
      p.setPen(QPen(kGreen.darker(140), 0.8));
      p.setBrush(kGreen);
      p.drawPolygon(QPolygonF() << QPointF(8, 7) << QPointF(15.5, 11.5) << QPointF(8, 16));
      break;
    case Badge::Cross:
      p.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 14.5));
      p.drawLine(QPointF(14.5, 8.5), QPointF(8.5, 14.5));
      break;
    case Badge::Plus:
      p.setPen(QPen(kGreen, 2.4, Qt::SolidLine, Qt::FlatCap));
      p.drawLine(QPointF(12, 7.5), QPointF(12, 15.5));
      p.drawLine(QPointF(8, 11.5), QPointF(16, 11.5));
      break;
    case Badge::Info:
      DrawInfo(p, QPointF(11.5, 11.5), 4.3);
      break;
    case Badge::Lines:
      DrawLines(p, 5, 11, 6, 4);
      break;
    case Badge::ListSheet:
      p.setPen(QPen(kInk, 0.8));
      p.setBrush(kPaper);
      p.drawRect(QRectF(6.5, 6.5, 9, 9));
      DrawLines(p, 8, 14, 8.5, 3);
      break;
    case Badge::Pencil:
      p.setPen(QPen(kInk, 0.6));
      p.setBrush(QColor(240, 170, 40));
      p.drawPolygon(QPolygonF() << QPointF(15.5, 6.5) << QPointF(17, 8) << QPointF(10, 15)
                                << QPointF(8, 15.5) << QPointF(8.5, 13.5));
      break;
    case Badge::Target:
      p.setPen(QPen(kRed, 1.4));
      p.setBrush(kPaper);
      p.drawEllipse(QPointF(11.5, 11), 4, 4);
      p.setBrush(kRed);
      p.drawEllipse(QPointF(11.5, 11), 1.2, 1.2);
      break;
    case Badge::Magnifier:
      p.setPen(QPen(kInk, 1.2));
      p.setBrush(QColor(200, 230, 250, 220));
      p.drawEllipse(QPointF(9.5, 9.5), 4, 4);
      p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(12.5, 12.5), QPointF(15, 15));
      break;
    case Badge::DownToBar:
      DrawArrow(p, QPointF(8, 5), QPointF(8, 12), kGreen);
      p.setPen(QPen(kInk, 1.6));
      p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
      break;
    case Badge::Film:
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      p.drawRect(QRectF(5, 5, 6, 5));
      p.setBrush(kPaper);
      for (int i = 0; i < 3; ++i) p.drawRect(QRectF(5.5 + 2 * i, 5.5, 1, 0.8));
      break;
    case Badge::Cog:
      DrawGear(p, QPointF(8, 7.5), 3.5, QColor(110, 110, 120));
      break;
    case Badge::Dots:
      p.setPen(Qt::NoPen);
      p.setBrush(kInk);
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 2; ++j) p.drawRect(QRectF(5 + 2 * i, 5 + 2.5 * j, 1.2, 1.2));
      }
      break;
  }
}

QPixmap RenderPixmap(const Picture& picture, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  DrawBase(painter, picture);
  DrawBadge(painter, picture.badge);
  painter.end();
  return pixmap;
}

QIcon Render(const Picture& picture) {
  QIcon icon;
  for (int size : kIconSizes) icon.addPixmap(RenderPixmap(picture, size));
  return icon;
}

// The command pictures in the order of their tags.
const std::array<Picture, kCommandIconCount>& CommandPictures() {
  const Picture extract{Base::Archive, Badge::ArrowDown};
  const Picture launch{Base::Document, Badge::Play};
  const Picture deleteFile{Base::Document, Badge::Cross};
  const Picture copy{Base::CopyPages};
  const Picture move{Base::Document, Badge::ArrowRight};
  const Picture properties{Base::Document, Badge::Info};
  const Picture refresh{Base::RefreshArc};
  const Picture setInfo{Base::Volumes};
  const Picture archiveContents{Base::Archive, Badge::ListSheet};
  const Picture find{Base::Document, Badge::Magnifier};
  const Picture rename{Base::TextField, Badge::Pencil};
  const Picture setDestination{Base::Folder, Badge::Target};
  const Picture newFolder{Base::Folder, Badge::Plus};
  const Picture deleteFolder{Base::Folder, Badge::Cross};
  const Picture folderProperties{Base::Folder, Badge::Info};
  const Picture testArchive{Base::Archive, Badge::Magnifier};
  static const std::array<Picture, kCommandIconCount> pictures = {
      extract,
      launch,
      deleteFile,
      copy,
      move,
      properties,
      refresh,
      Picture{Base::Folder, Badge::ArrowUp},
      archiveContents,
      setInfo,
      Picture{Base::Gear},
      Picture{Base::ShrinkArrows},
      Picture{Base::Book},
      Picture{Base::InfoCircle},
      find,
      Picture{Base::OpenFolder},
      Picture{Base::Door, Badge::ArrowRight},
      Picture{Base::Star},
      newFolder,
      Picture{Base::Star, Badge::Pencil},
      setDestination,
      Picture{Base::Folder, Badge::ArrowBack},
      Picture{Base::CheckList},
      Picture{Base::EmptyList},
      Picture{Base::Window, Badge::DownToBar},
      rename,
      extract,
      launch,
      copy,
      move,
      deleteFile,
      rename,
      properties,
      setInfo,
      archiveContents,
      Picture{Base::Star, Badge::Plus},
      setDestination,
      find,
      deleteFolder,
      deleteFolder,
      folderProperties,
      folderProperties,
      Picture{Base::Folder, Badge::Pencil},
      refresh,
      newFolder,
      testArchive,
      testArchive,
  };
  return pictures;
}

const std::map<std::string, Picture>& FileTypePictures() {
  static const std::map<std::string, Picture> pictures = {
      {"DOS", {Base::Folder}},
      {"Drive", {Base::Drive}},
      {"avi", {Base::Document, Badge::Film, QColor(120, 60, 160)}},
      {"bat", {Base::ConsoleWindow}},
      {"bmp", {Base::Picture, Badge::None, kGreen}},
      {"cpp", {Base::Document, Badge::Lines, kBlue}},
      {"ctl", {Base::Document, Badge::Cog, QColor(160, 60, 160)}},
      {"dat", {Base::Document, Badge::Dots, QColor(120, 120, 120)}},
      {"dll", {Base::Document, Badge::Cog, QColor(200, 120, 40)}},
      {"exe", {Base::Window}},
      {"frm", {Base::Window, Badge::Lines}},
      {"gif", {Base::Picture, Badge::None, QColor(200, 120, 40)}},
      {"h", {Base::Document, Badge::Lines, QColor(40, 150, 150)}},
      {"hlp", {Base::Book}},
      {"inf", {Base::Document, Badge::Info}},
      {"Others", {Base::Document}},
      {"sys", {Base::Document, Badge::Cog, kRed}},
      {"txt", {Base::Document, Badge::Lines}},
      {"vbg", {Base::Document, Badge::Dots, QColor(60, 160, 60)}},
      {"zip", {Base::Archive}},
      {"vbp", {Base::Document, Badge::Dots, QColor(60, 90, 200)}},
      {"bas", {Base::Document, Badge::Lines, QColor(60, 160, 60)}},
      {"tessaly", {Base::Archive, Badge::ArrowDown}},
      {"led", {Base::Document, Badge::Lines, QColor(220, 190, 40)}},
  };
  return pictures;
}

struct IconCaches {
  std::array<QIcon, kCommandIconCount> commandIcons;
  std::map<std::string, QIcon> fileTypeIcons;
};

// Rendered once; emptied when the application goes, since pixmaps must not outlive it.
IconCaches& Caches() {
  static IconCaches caches;
  static const bool cleanupRegistered = [] {
    qAddPostRoutine([] { Caches() = IconCaches(); });
    return true;
  }();
  (void)cleanupRegistered;
  return caches;
}

}  // namespace

QIcon CommandIcon(int index) {
  if (index < 1 || index > kCommandIconCount) return QIcon();
  QIcon& icon = Caches().commandIcons[index - 1];
  if (icon.isNull()) icon = Render(CommandPictures()[index - 1]);
  return icon;
}

QPixmap ProductPicture(int size) {
  return RenderPixmap(FileTypePictures().at("tessaly"), size);
}

QIcon MenuIconFor(const QString& caption) {
  return CommandIcon(MenuImageIndexFor(caption.toStdString()));
}

QIcon FileTypeIcon(const std::string& key) {
  const auto& pictures = FileTypePictures();
  auto picture = pictures.find(key);
  if (picture == pictures.end()) picture = pictures.find("Others");
  QIcon& icon = Caches().fileTypeIcons[picture->first];
  if (icon.isNull()) icon = Render(picture->second);
  return icon;
}

}  // namespace tessaly
