// The contents window: what one archive holds, and the commands on chosen entries
// (extract them, launch one, view one as text). Modeless, owned by the
// main window, which it keeps disabled and busy until it closes.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "engine/session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace tessaly {

class ContentsTableModel;

class ContentsWindow : public QDialog {
  Q_OBJECT

 public:
  ContentsWindow(Session& session, QWidget* owner);
  ~ContentsWindow() override;

  // Opens the window on session.job.selectedFiles[0], of the type in
  // session.job.activeBackend; the window deletes itself when it closes. Null when
  // the listing closed it at once (a missing RAR volume, an ACE error).
  static ContentsWindow* Open(Session& session, QWidget* owner);

  // Lists the archive and disables the main window. False when the window is to
  // close at once; the user has been told why.
  bool Load();

  QTreeView* List() const { return list_; }
  QLineEdit* FilterBox() const { return filter_; }
  QLabel* TotalsLabel() const { return totals_; }
  QPushButton* LaunchButton() const { return launch_; }
  QPushButton* ViewButton() const { return view_; }
  QPushButton* ExtractButton() const { return extract_; }
  QPushButton* ExtractToButton() const { return extractTo_; }
  QPushButton* DoneButton() const { return done_; }

  void ExtractSelected();
  void ExtractSelectedTo();
  // Every entry of the archive, whatever is selected.
  void TestWholeArchive();
  void Launch();
  // Unpacks the selected entries into the temporary folder and drags them from there,
  // to a file manager or any program that takes files.
  void DragSelected();
  void ViewInTextViewer();

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  // Lists the archive with the names read as "Names:" says; false as for Load.
  bool ListEntries();
  // Dates and numbers get what they need; Filename and Path share the rest once shown.
  void SizeNarrowColumns();
  void ShareWideColumns();
  void UpdateButtons();
  std::vector<int> SelectedRows() const;
  // The one selected entry unpacked into the temporary folder; nothing when the
  // user cancelled.
  std::optional<std::string> UnpackSelected();
  void OpenInViewer(const std::string& path);
  void Unload();

  Session& session_;
  std::string archivePath_;
  std::string type_;
  bool columnsShared_ = false;
  bool loaded_ = false;  // from Load until the window gives the main window back
  Qt::MouseButton doubleClickButton_ = Qt::NoButton;
  ContentsTableModel* model_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QTreeView* list_ = nullptr;
  QLabel* totals_ = nullptr;
  QPushButton* launch_ = nullptr;
  QPushButton* view_ = nullptr;
  QPushButton* extract_ = nullptr;
  QPushButton* extractTo_ = nullptr;
  QPushButton* test_ = nullptr;
  QPushButton* done_ = nullptr;
  QComboBox* names_ = nullptr;
  // The "Names:" choice: a code page, or "" for the automatic one.
  std::string nameEncoding_;
};

}  // namespace tessaly
