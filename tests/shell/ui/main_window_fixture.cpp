#include "shell/ui/main_window_fixture.h"

#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <filesystem>

#include "platform/files.h"
#include "settings/settings_store.h"
#include "shell/ui/drop_target_window.h"
#include "shell/ui/file_list_view.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {

ModalScript::ModalScript() {
  timer_.setInterval(10);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  timer_.start();
}

ModalScript::~ModalScript() {
  EXPECT_TRUE(actions_.empty()) << actions_.size() << " modal window(s) never opened";
}

void ModalScript::Tick() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == handled_) return;
  handled_ = modal;
  if (actions_.empty()) {
    ADD_FAILURE() << "unexpected modal window: " << modal->windowTitle().toStdString();
    modal->close();
    return;
  }
  Action action = std::move(actions_.front());
  actions_.pop_front();
  action(modal);
}

void ClickButton(QWidget* widget, const QString& text) {
  for (QAbstractButton* button : widget->findChildren<QAbstractButton*>()) {
    if (button->text().remove(QLatin1Char('&')) == text && button->isVisible()) {
      button->click();
      return;
    }
  }
  ADD_FAILURE() << "no button \"" << text.toStdString() << "\" in "
                << widget->windowTitle().toStdString();
  widget->close();
}

QString LabelText(QWidget* widget, const QString& objectName) {
  const auto* label = widget->findChild<QLabel*>(objectName);
  return label == nullptr ? QString() : label->text();
}

QStringList ComboList(const QComboBox& combo) {
  QStringList items;
  for (int i = 0; i < combo.count(); ++i) items.append(combo.itemText(i));
  return items;
}

std::function<void(QWidget*)> Answer(const std::string& title, const std::string& text,
                                     QMessageBox::Icon icon) {
  return [title, text, icon](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr) << modal->windowTitle().toStdString();
    EXPECT_EQ(box->windowTitle().toStdString(), title);
    EXPECT_EQ(box->text().toStdString(), text);
    EXPECT_EQ(box->icon(), icon);
    ClickButton(box, "OK");
  };
}

bool DropFiles(QWidget* on, const std::vector<std::string>& paths) {
  QMimeData files;
  QList<QUrl> urls;
  for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
  files.setUrls(urls);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(QPoint(5, 5), offered, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(on, &enter);
  if (!enter.isAccepted() || enter.dropAction() != Qt::CopyAction) return false;
  QDropEvent drop(QPointF(5, 5), offered, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(on, &drop);
  return drop.isAccepted();
}

MainWindowTest::MainWindowTest()
    : browse_(Root() + "/browse/"), previousFolder_(CurrentDirectory()) {
  std::filesystem::create_directories(browse_);
  if (chdir(browse_.c_str()) != 0) ADD_FAILURE() << "cannot enter " << browse_;
  SkipWelcome();
}

MainWindowTest::~MainWindowTest() {
  mainWindow_.reset();
  for (QWidget* window : QApplication::topLevelWidgets()) window->close();
  if (chdir(previousFolder_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previousFolder_;
}

void MainWindowTest::Store(const std::string& section, const std::string& key,
                           const std::string& value) {
  ApplicationSettings().SaveSetting(section, key, value);
}

std::string MainWindowTest::Stored(const std::string& section, const std::string& key) {
  return ApplicationSettings().GetSetting(section, key, "");
}

void MainWindowTest::SkipWelcome() {
  Store("General", "First time", "0");
}

std::string MainWindowTest::Out() const {
  std::filesystem::create_directories(Root() + "/out");
  return Root() + "/out/";
}

std::vector<std::string> MainWindowTest::ArchivesToDrop() const {
  const std::string elsewhere = Root() + "/elsewhere/";
  std::filesystem::create_directories(elsewhere);
  WriteZip(elsewhere + "second.zip", {{"s.txt", "2"}});
  WriteZip(elsewhere + "first.zip", {{"f.txt", "1"}});
  return {elsewhere + "second.zip", elsewhere + "first.zip"};
}

MainWindow& MainWindowTest::Open() {
  mainWindow_.reset();
  dialogs_ = std::make_unique<QtDialogs>();
  events_ = std::make_unique<QtEventPump>();
  session_ = std::make_unique<Session>(*dialogs_, *events_);
  dialogs_->Attach(*session_);
  mainWindow_ = std::make_unique<MainWindow>(*session_);
  dialogs_->SetOwner(mainWindow_.get());
  mainWindow_->Load({});
  // Start-up mode "1" shows the drop target instead.
  QWidget* shown = mainWindow_->DropTarget();
  if (shown == nullptr) shown = mainWindow_.get();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(shown));
  return *mainWindow_;
}

void MainWindowTest::CloseWindow() {
  mainWindow_->close();
  QApplication::processEvents();
}

std::vector<std::string> MainWindowTest::ListTexts() {
  std::vector<std::string> texts;
  for (const FileListItem& item : mainWindow_->FileList().Items()) texts.push_back(item.text);
  return texts;
}

int MainWindowTest::RowOf(const std::string& text) {
  const std::vector<std::string> texts = ListTexts();
  for (size_t i = 0; i < texts.size(); ++i) {
    if (texts[i] == text) return static_cast<int>(i);
  }
  ADD_FAILURE() << text << " is not listed";
  return -1;
}

void MainWindowTest::ClickRow(const std::string& text, Qt::KeyboardModifiers modifiers,
                              Qt::MouseButton button) {
  FileListView& list = mainWindow_->FileList();
  const QModelIndex index = list.model()->index(RowOf(text), 0);
  list.scrollTo(index);
  const QRect rect = list.visualRect(index);
  QTest::mouseClick(list.viewport(), button, modifiers, rect.center());
}

bool MainWindowTest::Enabled(const char* actionName) {
  QAction* action = mainWindow_->Action(QString::fromUtf8(actionName));
  if (action == nullptr) {
    ADD_FAILURE() << "no entry " << actionName;
    return false;
  }
  return action->isEnabled();
}

}  // namespace tessaly::testing
