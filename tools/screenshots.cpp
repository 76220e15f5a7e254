// Renders the desktop program's windows to PNG files so they can be looked at: the
// main window on a small demo folder, the Status window in the middle of a job and
// after a real job has finished, the confirmation dialog, the File Exists prompt, the
// destination dialog, the Edit Favorite Folders dialog, each tab of the Options
// dialog, the set information of a three-volume RAR set, the contents window on a ZIP
// and on a RAR archive, the Properties dialog of an archive, the Find Files window
// after a search of the demo folder, the Welcome and About windows, the help window on
// two pages, and the drop target with its menu.
//
//   tessaly_screenshots OUTFOLDER
#include <unistd.h>

#include <zip.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <QTreeView>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/ui/qt_dialogs.h"
#include "engine/destination_dialog.h"
#include "engine/extraction_dialogs.h"
#include "engine/session.h"
#include "engine/ui/confirmation_window.h"
#include "engine/ui/destination_window.h"
#include "engine/ui/file_exists_window.h"
#include "engine/ui/status_window.h"
#include "inspect/ui/contents_window.h"
#include "inspect/ui/set_info_window.h"
#include "platform/ui/help_window.h"
#include "settings/settings_store.h"
#include "settings/ui/about_window.h"
#include "settings/ui/options_dialog.h"
#include "settings/ui/welcome_window.h"
#include "shell/favourites.h"
#include "shell/ui/drop_target_window.h"
#include "shell/ui/favourites_dialog.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/find_window.h"
#include "shell/ui/main_window.h"
#include "shell/ui/properties_window.h"

namespace {

namespace fs = std::filesystem;

void MakeFile(const fs::path& path, uintmax_t size) {
  std::ofstream(path).close();
  fs::resize_file(path, size);
}

// A folder with a few sub-folders and archives of every kind.
void MakeDemoFolder(const fs::path& demo) {
  fs::create_directories(demo / "Backups");
  fs::create_directories(demo / "Downloads");
  fs::create_directories(demo / "old disks");
  MakeFile(demo / "backup-2024.zip", 48'213'004);
  MakeFile(demo / "photos 2019.zip", 731'554'120);
  MakeFile(demo / "project-src.zip", 2'311'870);
  MakeFile(demo / "manual.rar", 5'120'400);
  MakeFile(demo / "manual.r00", 5'120'400);
  MakeFile(demo / "manual.r01", 1'733'912);
  MakeFile(demo / "readme.txt", 2'048);
}

// A real archive for a real job: two small stored entries.
bool MakeZip(const fs::path& path) {
  static const char kText[] = "Dear reader,\nthis file came out of an archive.\n";
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
  if (archive == nullptr) return false;
  for (const char* name : {"letters/first.txt", "letters/second.txt"}) {
    zip_source_t* source = zip_source_buffer(archive, kText, sizeof kText - 1, 0);
    if (source == nullptr || zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  return zip_close(archive) == 0;
}

bool Save(QWidget& window, const fs::path& folder, const char* name) {
  window.show();
  window.raise();
  // Long enough for the window manager to place and size the window.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 50);
  const fs::path file = folder / name;
  const bool saved = window.grab().save(QString::fromStdString(file.string()), "PNG");
  std::printf("%s %s\n", saved ? "wrote" : "could not write", file.c_str());
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessaly_screenshots OUTFOLDER\n");
    return 64;
  }
  const fs::path out = fs::absolute(argv[1]);
  const fs::path demo = out / "demo";
  fs::remove_all(demo);
  MakeDemoFolder(demo);
  // Settings of its own, past the first run; the program starts in the demo folder.
  setenv("XDG_CONFIG_HOME", (out / "config").c_str(), 1);
  tessaly::ApplicationSettings().SaveSetting("General", "First time", "0");
  if (chdir(demo.c_str()) != 0) return 1;

  QApplication app(argc, argv);
  tessaly::QtDialogs dialogs;
  tessaly::QtEventPump events;
  tessaly::Session session(dialogs, events);
  dialogs.Attach(session);
  tessaly::MainWindow mainWindow(session);
  dialogs.SetOwner(&mainWindow);
  // Nothing stored of its placement: the window has the size of a first start.
  mainWindow.Load({});
  mainWindow.DestinationBox().setEditText(QStringLiteral("/home/user/Extracted/"));
  session.mainWindow.destinationBox.text = "/home/user/Extracted/";
  mainWindow.FileList().SelectRow(4);
  mainWindow.FileList().SelectRow(5);
  mainWindow.UpdateSelectionState();
  bool saved = Save(mainWindow, out, "main_window.png");

  tessaly::ConfirmationModel confirmation;
  confirmation.Load(session);
  tessaly::ConfirmationWindow confirmationWindow(session, confirmation, &mainWindow);
  saved &= Save(confirmationWindow, out, "confirmation.png");
  confirmationWindow.hide();

  tessaly::StatusModel& status = session.status;
  status.Load(session);
  dialogs.ShowStatus(status);
  status.SetArchiveLabel("Processing archive: " + (demo / "photos 2019.zip").string());
  status.SetMessageLabel("inflating: 2019/summer/beach-0042.jpg");
  status.SetMax(180);
  status.SetValue(77);
  saved &= Save(*dialogs.Status(), out, "status_window.png");
  status.cancelButtonCaption = "OK";
  status.CancelButtonClicked(session);

  // A real job from the main window, into a folder that exists, without confirmation.
  const fs::path extracted = out / "extracted";
  fs::remove_all(extracted);
  fs::create_directories(extracted);
  tessaly::ApplicationSettings().SaveSetting("General", "Show confirmation", "0");
  saved &= MakeZip(demo / "letters.zip");
  session.mainWindow.destinationBox.text = extracted.string() + "/";
  mainWindow.ExtractDropped({(demo / "letters.zip").string()});
  saved &= Save(*dialogs.Status(), out, "status_window_finished.png");
  status.CancelButtonClicked(session);

  tessaly::FileExistsWindow fileExists(
      "The file 2019/summer/beach-0042.jpg already exists in the destination folder. "
      "Overwrite it?",
      &mainWindow);
  saved &= Save(fileExists, out, "file_exists.png");
  fileExists.hide();

  tessaly::DestinationRequest request;
  request.showPerArchiveCheck = true;
  request.startFolder = demo.string() + "/";
  tessaly::DestinationWindow destination(session, &mainWindow);
  destination.Load(request);
  saved &= Save(destination, out, "destination_dialog.png");
  destination.hide();

  // Two favourites, the tree on the demo folder.
  tessaly::ApplicationSettings().SaveSetting("Favorite folders", "folder0",
                                             (demo / "Backups").string() + "/");
  tessaly::ApplicationSettings().SaveSetting("Favorite folders", "folder1",
                                             (demo / "old disks").string() + "/");
  tessaly::FavouritesDialog favourites(dialogs,
                                       tessaly::StartupFavouritesMenu(tessaly::ReadFavourites()),
                                       demo.string() + "/", &mainWindow);
  saved &= Save(favourites, out, "favourites_dialog.png");
  favourites.hide();

  // Options with an ARJ location and a custom start-up folder, one picture per tab.
  tessaly::ApplicationSettings().SaveSetting("Utility Locations", "arj", "/usr/bin/arj");
  tessaly::ApplicationSettings().SaveSetting("General", "Startup Folder Mode", "2");
  tessaly::ApplicationSettings().SaveSetting("General", "Startup Folder", demo.string() + "/");
  tessaly::ApplicationSettings().SaveSetting("zip options", "auto overwrite", "1");
  tessaly::OptionsDialog options(session.settings, dialogs, &mainWindow);
  const char* const kOptionsPictures[] = {"options_zip.png", "options_ace.png", "options_rar.png",
                                          "options_arj.png"};
  for (int tab = 0; tab < options.Tabs()->count(); ++tab) {
    options.Tabs()->setCurrentIndex(tab);
    saved &= Save(options, out, kOptionsPictures[tab]);
  }
  options.hide();

  // The window reads directory entries only: the volumes need no archive inside.
  session.job.selectedFiles = {(demo / "manual.rar").string()};
  session.job.currentExt = "rar";
  session.job.probeIsExe = false;
  tessaly::SetInfoWindow setInfo(session, "manual.rar", &mainWindow);
  saved &= Save(setInfo, out, "set_info.png");

  // The contents window: a ZIP archive with its buttons and a row chosen, and a RAR
  // archive, which it only lists.
  const struct {
    std::string archive;
    const char* type;
    const char* picture;
  } listings[] = {{(demo / "letters.zip").string(), "zip", "contents_zip.png"},
                  {TESSALY_CORPUS_DIR "/rar/rar3-subdirs.rar", "rar", "contents_rar.png"}};
  for (const auto& listing : listings) {
    session.job.selectedFiles = {listing.archive};
    session.job.activeBackend = listing.type;
    tessaly::ContentsWindow* contents = tessaly::ContentsWindow::Open(session, &mainWindow);
    if (contents == nullptr) return 1;
    if (std::string(listing.type) == "zip") {
      contents->List()->setCurrentIndex(contents->List()->model()->index(0, 0));
    }
    saved &= Save(*contents, out, listing.picture);
    contents->close();
  }

  tessaly::PropertiesWindow properties({(demo / "letters.zip").string()}, &mainWindow);
  saved &= Save(properties, out, "properties.png");
  properties.hide();

  tessaly::FindWindow find(demo.string() + "/", &mainWindow);
  find.PatternBox()->setText(QStringLiteral("*.r*"));
  find.StartSearch();
  QElapsedTimer searching;
  searching.start();
  while (find.Searching() && searching.elapsed() < 5000) QApplication::processEvents();
  saved &= Save(find, out, "find_files.png");
  find.hide();

  tessaly::WelcomeWindow welcome(&mainWindow);
  saved &= Save(welcome, out, "welcome.png");
  welcome.hide();
  tessaly::AboutWindow about(dialogs, events, &mainWindow);
  saved &= Save(about, out, "about.png");
  about.hide();
  tessaly::HelpWindow* help = tessaly::ShowHelpPage(&mainWindow, QStringLiteral("index.html"));
  saved &= Save(*help, out, "help_contents.png");
  help->ShowPage(QStringLiteral("options.html#general"));
  saved &= Save(*help, out, "help_options.png");
  help->close();
  // The drop target, then with its menu open beside it: a pop-up menu is a window of its
  // own, so the two are drawn into one picture.
  mainWindow.Action(QStringLiteral("mnuShr"))->trigger();
  tessaly::DropTargetWindow* target = mainWindow.DropTarget();
  if (target == nullptr) return 1;
  target->move(40, 40);
  saved &= Save(*target, out, "drop_target.png");
  QMenu* menu = target->PopupMenu(QStringLiteral("iconpopup"));
  menu->popup(target->mapToGlobal(QPoint(target->width(), target->height() / 2)),
              menu->defaultAction());
  QElapsedTimer opening;
  opening.start();
  while (opening.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 50);
  const QPixmap menuPicture = menu->grab();
  QPixmap both(target->width() + 4 + menuPicture.width(),
               std::max(target->height(), menuPicture.height()));
  both.fill(Qt::white);
  {
    QPainter painter(&both);
    painter.drawPixmap(0, 0, target->grab());
    painter.drawPixmap(target->width() + 4, 0, menuPicture);
  }
  const fs::path menuFile = out / "drop_target_menu.png";
  const bool menuSaved = both.save(QString::fromStdString(menuFile.string()), "PNG");
  std::printf("%s %s\n", menuSaved ? "wrote" : "could not write", menuFile.c_str());
  saved &= menuSaved;
  menu->hide();
  return saved ? 0 : 1;
}
