// A real main window on the offscreen platform, over a temporary settings file and a
// temporary folder to browse, with modal dialogs answered by a script.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMessageBox>

#include "app/ui/qt_dialogs.h"
#include "engine/session.h"
#include "settings/isolated_settings.h"
#include "shell/ui/main_window.h"

class QComboBox;
class QWidget;

namespace tessaly::testing {

// Answers the modal windows that open, one action per window, in order. A modal
// window that opens when no action is left fails the test and is closed, so no test
// waits on one.
class ModalScript : public QObject {
 public:
  using Action = std::function<void(QWidget* modal)>;

  ModalScript();
  ~ModalScript() override;

  void Then(Action action) { actions_.push_back(std::move(action)); }
  bool Done() const { return actions_.empty(); }

 private:
  void Tick();

  std::deque<Action> actions_;
  QPointer<QWidget> handled_;
  QTimer timer_;
};

// Clicks the button of widget whose text, without "&", is text; fails when none has it.
void ClickButton(QWidget* widget, const QString& text);
// The text of the QLabel named objectName inside widget; "" when there is none.
QString LabelText(QWidget* widget, const QString& objectName);
QStringList ComboList(const QComboBox& combo);
// An action that checks the message box's title, text and icon and presses OK.
std::function<void(QWidget*)> Answer(const std::string& title, const std::string& text,
                                     QMessageBox::Icon icon = QMessageBox::Warning);
// Offers paths to a widget as a drag from a file manager and drops them; gives whether the
// widget took the offer as a copy and the drop.
bool DropFiles(QWidget* on, const std::vector<std::string>& paths);

class MainWindowTest : public IsolatedSettingsTest {
 protected:
  MainWindowTest();
  ~MainWindowTest() override;

  // The folder the window browses (the working folder), ending in "/".
  const std::string& Browse() const { return browse_; }
  // Writes a value before the window loads (the first-run values are written first).
  static void Store(const std::string& section, const std::string& key, const std::string& value);
  static std::string Stored(const std::string& section, const std::string& key);
  // Marks the first run done, so no Welcome window opens (done for every test first).
  static void SkipWelcome();
  // An empty folder to extract into, ending in "/".
  std::string Out() const;
  // Writes second.zip (s.txt "2") and first.zip (f.txt "1") outside the browsed folder; gives
  // their paths in that order, as a file manager would drop them.
  std::vector<std::string> ArchivesToDrop() const;

  // Makes and loads the window with no command-line paths.
  MainWindow& Open();
  void CloseWindow();
  MainWindow& mainWindow() { return *mainWindow_; }
  Session& session() { return *session_; }
  QtDialogs& dialogs() { return *dialogs_; }

  // The list's texts in list order.
  std::vector<std::string> ListTexts();
  int RowOf(const std::string& text);
  // A click on a row of the file list, with modifiers (Ctrl adds to the selection).
  void ClickRow(const std::string& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                Qt::MouseButton button = Qt::LeftButton);
  bool Enabled(const char* actionName);

  ModalScript script;

 private:
  std::string browse_;
  std::string previousFolder_;
  std::unique_ptr<QtDialogs> dialogs_;
  std::unique_ptr<QtEventPump> events_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<MainWindow> mainWindow_;
};

}  // namespace tessaly::testing
