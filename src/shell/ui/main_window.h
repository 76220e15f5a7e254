// The main window. A thin view over the session: it shows the core's
// state and hands every event to the core's logic.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <string>
#include <vector>

#include "engine/session.h"
#include "shell/browser_state.h"
#include "shell/drop_target.h"
#include "shell/favourites.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;

namespace tessaly {

class DropTargetWindow;
class FileListView;
class FolderTree;
class SplitPanes;
class TrayIcon;
enum class FolderNodeKind;
struct WindowPlacement;

class MainWindow : public QMainWindow, public MainWindowView {
  Q_OBJECT

 public:
  explicit MainWindow(Session& session, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up: settings, filter, start folder, destination and its history, then the
  // archives named on the command line (each argument one path); shows the window.
  void Load(const std::vector<std::string>& programArgs);

  // True from construction until the first layout has placed the splitter.
  bool loading() const { return loading_; }
  const BrowserState& browser() const { return browser_; }

  // The entry of a menu, pop-up or toolbar by its control name or button key.
  QAction* Action(const QString& name) const;
  QMenu* PopupMenu(const QString& name) const;
  FileListView& FileList() { return *fileList_; }
  FolderTree& Tree() { return *tree_; }
  QComboBox& DestinationBox() { return *destinationBox_; }
  QLineEdit& LocationBox() { return *locationBox_; }
  QComboBox& FileTypeFilter() { return *fileTypeFilter_; }
  QCheckBox& PerArchiveFolderBox() { return *perArchiveFolder_; }
  QPushButton& ExtractButton() { return *extractButton_; }
  SplitPanes& Panes() { return *panes_; }
  QString StatusPanelText(int panel) const;

  // MainWindowView
  void ListFolder() override;
  void UpdateSelectionState() override;
  void SetBusy(bool busy) override;
  void SetEnabled(bool enabled) override;
  void FocusDestinationBox() override;
  void Show() override;
  int WindowState() const override;
  void SetWindowState(int state) override;
  bool IsVisible() const override;
  void TellJobEnded(const JobEndNotice& notice) override;
  // False while a job or start-up holds the window.
  bool IsEnabled() const;

  // Menu commands that run in this window.
  void ExtractSelected();
  void TestSelected();
  // As the file managers' Extract Here: beside each selected archive or in a new folder.
  void ExtractSelectedHere();
  // Opens the contents window on the first selected archive.
  void ShowArchiveContents();
  void RefreshList();
  // Edit > Refresh: the tree and the list read from disk again.
  void Refresh();
  void SelectAll();
  void SelectNone();
  void ExitProgram();
  void BrowseClicked();
  void ExtractClicked();
  // Files dropped on the Extract button, in drop order.
  void ExtractDropped(const std::vector<std::string>& paths);
  // Set Info: the set-information window for the first selected file, or the refusal
  // when no backend takes it.
  void ShowSetInfo();
  // Copy to... (false) or Move to... (true) of the selected files.
  void CopyOrMoveSelected(bool move);
  // Delete File(s) and Delete Folder: to the Trash, after a confirmation.
  void DeleteSelectedFiles();
  void DeleteSelectedFolder();
  // File and folder commands: Properties of the selected files or of the tree's folder,
  // Launch, Explore, Find Files, Rename File (in-place), Rename Folder, Create New Folder.
  void ShowFileProperties();
  void ShowFolderProperties();
  void LaunchSelected();
  void ExploreSelectedFolder();
  void FindFilesInFolder();
  void RenameSelectedFile();
  void RenameSelectedFolder();
  void CreateNewFolder();
  // A Find result: its folder in the tree, the file selected in the list.
  void ShowFoundFile(const QString& path);
  // A toolbar button, by its key.
  void ToolbarButtonClicked(const QString& key);
  // main_window_navigate.cpp
  void OpenFavourite(int slot);
  void AddFolderToFavourites();
  void EditFavourites();
  // The Options dialog, modal over owner (the main window or the drop target).
  void ShowOptions(QWidget* owner);
  void OpenLastDestination();
  void UpOneLevel();
  void SetFolderAsDestination();
  // main_window_help.cpp: the About window, modal over owner; the help contents.
  void ShowAbout(QWidget* owner);
  void ShowHelpContents();
  // main_window_tray.cpp
  void ShrinkToDropTarget();
  // Behind the tray icon; minimised where the desktop has no tray.
  void MinimizeToTray();
  TrayIcon& Tray() { return *tray_; }
  // The drop target while it is open, else null.
  DropTargetWindow* DropTarget() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // main_window_layout.cpp
  void BuildControls();
  // main_window_menus.cpp
  void BuildMenus();
  void BuildToolbar();
  void BuildPopups();
  void ShowFavourites();
  QAction* AddEntry(QMenu* menu, const char* name, const char* caption);
  void ApplySelectionCommands();

  void FileTypeChanged(int index);
  void FolderChanged(FolderNodeKind kind, const QString& path, bool listWanted);
  // Browses to the folder or file typed or pasted in the location box.
  void GoToLocation();
  void SelectStartFolder();
  void FillHistoryFromSettings();
  void ShowDestinationBox();
  void ListItemClicked(Qt::MouseButton button, const QPoint& globalPos);
  void ListDoubleClicked();
  void TreeContextMenu(const QPoint& globalPos);
  void SetUpSplitter();
  void ApplyPlacement(const WindowPlacement& placement);
  void SaveWindowSettings();
  // A width inside the window as it is in the window's normal (not maximized) state.
  int NormalWidthOf(int width) const;
  void CloseOtherWindows();
  void ShowStatusPanels();
  void ShowExtractRefusal();
  // main_window_tray.cpp
  void BuildTrayMenu();
  // The drop target in place of this window; with the tray icon when withTrayIcon.
  void ShowDropTarget(bool withTrayIcon);
  void DropTargetClosed();
  void TrayDoubleClicked(TrayOwner owner);
  void TrayMenuRequested(TrayOwner owner, const QPoint& globalPos);
  void RestoreFromTray();
  // Closes this window, its closing steps and all, and ends the program.
  void CloseAndQuit();

  Session& session_;
  MainWindowLink& model_;
  BrowserState browser_;
  bool loading_ = true;
  bool exiting_ = false;
  bool closing_ = false;  // the closing steps are running

  QToolBar* toolbar_ = nullptr;
  QGroupBox* filesFrame_ = nullptr;
  SplitPanes* panes_ = nullptr;
  FolderTree* tree_ = nullptr;
  FileListView* fileList_ = nullptr;
  QLabel* showLabel_ = nullptr;
  QComboBox* fileTypeFilter_ = nullptr;
  QLineEdit* locationBox_ = nullptr;
  QGroupBox* destinationFrame_ = nullptr;
  QComboBox* destinationBox_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QCheckBox* perArchiveFolder_ = nullptr;
  QPushButton* extractButton_ = nullptr;
  QLabel* noticePanel_ = nullptr;
  QLabel* selectionPanel_ = nullptr;
  QMenu* filePopup_ = nullptr;
  QMenu* folderPopup_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  TrayIcon* tray_ = nullptr;
  QPointer<DropTargetWindow> dropTarget_;
  std::map<QString, QAction*> actions_;
  FavouritesMenu favourites_ = NoFavouritesMenu();
};

}  // namespace tessaly
