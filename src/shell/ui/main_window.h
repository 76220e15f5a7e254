// Form1: the main window. A thin view over the session: it shows the core's
// state and hands every event to the core's logic.
#pragma once

#include <QMainWindow>
#include <map>
#include <string>
#include <vector>

#include "engine/session.h"
#include "shell/main_window_model.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;

namespace tessaly {

class FileListView;
class FolderTree;
class SplitPanes;
enum class FolderNodeKind;
struct WindowPlacement;

class Form1 : public QMainWindow, public MainWindowView {
  Q_OBJECT

 public:
  explicit Form1(Session& session, QWidget* parent = nullptr);
  ~Form1() override;

  // Start-up: settings, filter, start folder, destination and its history, then the
  // archives named on the command line (each argument one path); shows the window.
  void Load(const std::vector<std::string>& programArgs);

  // True from construction until the first layout has placed the splitter.
  bool loading() const { return loading_; }

  // The entry of a menu, pop-up or toolbar by its control name or button key.
  QAction* Action(const QString& name) const;
  QMenu* PopupMenu(const QString& name) const;
  FileListView& file1() { return *file1_; }
  FolderTree& ExplorerTree1() { return *ExplorerTree1_; }
  QComboBox& Combo1() { return *Combo1_; }
  QComboBox& Combo2() { return *Combo2_; }
  QCheckBox& Check1() { return *Check1_; }
  QPushButton& Command2() { return *Command2_; }
  SplitPanes& pbx() { return *pbx_; }
  QString StatusPanelText(int panel) const;

  // MainWindowView
  void ListFolder() override;
  void UpdateSelectionState() override;
  void SetBusy(bool busy) override;
  void SetEnabled(bool enabled) override;
  void FocusCombo1() override;
  void Show() override;
  int WindowState() const override;
  void SetWindowState(int state) override;
  bool IsVisible() const override;
  // False while a job or start-up holds the window.
  bool IsEnabled() const;

  // Menu commands that run in this window.
  void mnuEx_Click();
  void mnuRef_Click();
  void selall_Click();
  void selnone_Click();
  void fmexit_Click();
  void Command1_Click();
  void Command2_Click();
  // Files dropped on Command2, in drop order.
  void ExtractDropped(const std::vector<std::string>& paths);
  // A toolbar button, by its key.
  void Toolbar1_ButtonClick(const QString& key);

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
  void ShowFavoritesEmpty();
  QAction* AddEntry(QMenu* menu, const char* name, const char* caption);
  void ApplySelectionCommands();

  void Combo2_Click(int index);
  void FolderChanged(FolderNodeKind kind, const QString& path, bool listWanted);
  void SelectStartFolder();
  void FillHistoryFromSettings();
  void SyncCombo1FromModel();
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

  Session& session_;
  Form1Model& model_;
  bool loading_ = true;
  bool exiting_ = false;

  QToolBar* Toolbar1_ = nullptr;
  QGroupBox* Frame1_ = nullptr;
  SplitPanes* pbx_ = nullptr;
  FolderTree* ExplorerTree1_ = nullptr;
  FileListView* file1_ = nullptr;
  QLabel* Label1_ = nullptr;
  QComboBox* Combo2_ = nullptr;
  QGroupBox* Frame2_ = nullptr;
  QComboBox* Combo1_ = nullptr;
  QPushButton* Command1_ = nullptr;
  QCheckBox* Check1_ = nullptr;
  QPushButton* Command2_ = nullptr;
  QLabel* pnlStatus_ = nullptr;
  QLabel* pnlProgress_ = nullptr;
  QMenu* fpop_ = nullptr;
  QMenu* folderPop_ = nullptr;
  std::map<QString, QAction*> actions_;
};

}  // namespace tessaly
