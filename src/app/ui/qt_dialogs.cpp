#include "app/ui/qt_dialogs.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "engine/session.h"
#include "engine/ui/confirmation_window.h"
#include "engine/ui/destination_window.h"
#include "engine/ui/file_exists_window.h"
#include "engine/ui/important_message_window.h"
#include "engine/ui/reading_window.h"
#include "engine/ui/status_window.h"
#include "platform/ui/input_box.h"
#include "settings/ui/welcome_window.h"

namespace tessaly {

namespace {

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None:
      return QMessageBox::NoIcon;
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

// The buttons left to right as the request numbers them.
std::vector<QMessageBox::StandardButton> QtButtons(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::OK:
      return {QMessageBox::Ok};
    case MsgButtons::OKCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::YesNo:
      return {QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::YesNoCancel:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
  }
  return {QMessageBox::Ok};
}

// What closing the box answers: its Cancel, else its No, else its OK.
QMessageBox::StandardButton ClosingButton(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::OK:
      return QMessageBox::Ok;
    case MsgButtons::YesNo:
      return QMessageBox::No;
    case MsgButtons::OKCancel:
    case MsgButtons::YesNoCancel:
      return QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

MsgAnswer AnswerFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return MsgAnswer::Yes;
    case QMessageBox::No:
      return MsgAnswer::No;
    case QMessageBox::Cancel:
      return MsgAnswer::Cancel;
    default:
      return MsgAnswer::OK;
  }
}

// While a dialog shows, the dialogs it opens in turn are owned by it.
class OwnerScope {
 public:
  OwnerScope(QPointer<QWidget>& owner, QWidget* dialog) : owner_(owner), saved_(owner) {
    owner_ = dialog;
  }
  ~OwnerScope() { owner_ = saved_; }
  OwnerScope(const OwnerScope&) = delete;
  OwnerScope& operator=(const OwnerScope&) = delete;

 private:
  QPointer<QWidget>& owner_;
  QPointer<QWidget> saved_;
};

// Gives the keyboard focus back to the window a question belonged to once the
// question has closed: left to the window manager it may land on another window,
// such as the main window whose controls a job has disabled.
class FocusReturn {
 public:
  explicit FocusReturn(QWidget* owner) : owner_(owner) {}
  ~FocusReturn() {
    if (owner_ != nullptr && owner_->isVisible()) owner_->activateWindow();
  }
  FocusReturn(const FocusReturn&) = delete;
  FocusReturn& operator=(const FocusReturn&) = delete;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {}

QtDialogs::~QtDialogs() {
  delete status_.data();
}

StatusWindow* QtDialogs::Status() const {
  return status_;
}

QWidget* QtDialogs::QuestionOwner() const {
  // A Status window of another owner (the main window's, while the confirmation
  // owns the dialogs) is not the one the question comes from.
  if (status_ != nullptr && status_->isVisible() && status_->parentWidget() == owner_) {
    return status_;
  }
  return owner_;
}

MsgAnswer QtDialogs::MessageBox(const MessageBoxRequest& request) {
  if (messageLog != nullptr) messageLog->push_back(request.text);
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  QMessageBox box(owner);
  box.setWindowTitle(QString::fromStdString(request.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(request.text));
  box.setIcon(QtIcon(request.icon));
  const std::vector<QMessageBox::StandardButton> buttons = QtButtons(request.buttons);
  for (QMessageBox::StandardButton button : buttons) box.addButton(button);
  const size_t defaultIndex =
      request.defaultButton >= 1 && static_cast<size_t>(request.defaultButton) <= buttons.size()
          ? static_cast<size_t>(request.defaultButton) - 1
          : 0;
  box.setDefaultButton(buttons[defaultIndex]);
  box.setEscapeButton(box.button(ClosingButton(request.buttons)));
  box.exec();
  if (box.clickedButton() == nullptr) return AnswerFor(ClosingButton(request.buttons));
  return AnswerFor(box.standardButton(box.clickedButton()));
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText, InputEcho echo) {
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  return AskInput(prompt, title, defaultText, echo, owner);
}

std::string QtDialogs::FileExists(const std::string& question, const std::string& details) {
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  return AskFileExists(question, details, owner);
}

void QtDialogs::ShowConfirmation(ConfirmationModel& confirmation) {
  if (session_ == nullptr) return;
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  ConfirmationWindow window(*session_, confirmation, owner);
  OwnerScope scope(owner_, &window);
  window.exec();
}

void QtDialogs::ShowStatus(StatusModel& status) {
  if (session_ == nullptr) return;
  if (status_ == nullptr) {
    status_ = new StatusWindow(*session_, owner_);
  } else if (status_->parentWidget() != owner_) {
    status_->setParent(owner_, status_->windowFlags());
  }
  status.view = status_.data();
  status_->Refresh();
}

DestinationAnswer QtDialogs::ChooseDestination(const DestinationRequest& request) {
  if (session_ == nullptr) return DestinationAnswer{};
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  return RunDestinationDialog(*session_, request, owner);
}

void QtDialogs::ShowWelcome() {
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  WelcomeWindow welcome(owner);
  welcome.exec();
}

void QtDialogs::ShowImportantMessage(ImportantMessageModel& notice) {
  if (session_ == nullptr) return;
  QWidget* const owner = QuestionOwner();
  const FocusReturn focus(owner);
  ImportantMessageWindow window(*session_, notice, owner);
  window.exec();
}

void QtDialogs::ShowReading(ReadingNotice& notice) {
  CloseReading();
  reading_ = new ReadingWindow(notice, QuestionOwner());
  reading_->show();
}

void QtDialogs::CloseReading() {
  // Not close(): closing the window is the user's Cancel.
  if (!reading_) return;
  reading_->hide();
  reading_->deleteLater();
  reading_ = nullptr;
}

ReadingWindow* QtDialogs::Reading() const {
  return reading_;
}

void QtEventPump::pump() {
  QCoreApplication::processEvents();
}

}  // namespace tessaly
