// The seam on the desktop: every question of the core becomes a modal Qt window
// owned by the window that asked, and the Status window a non-modal one.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/dialogs.h"

namespace tessaly {

struct Session;
class ReadingWindow;
class StatusWindow;

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner = nullptr);
  ~QtDialogs() override;
  QtDialogs(const QtDialogs&) = delete;
  QtDialogs& operator=(const QtDialogs&) = delete;

  // The session whose forms the windows drive; needed before any window opens.
  void Attach(Session& session) { session_ = &session; }
  // The window that owns the dialogs from now on (the main window, the drop
  // target, the contents window); null: no owner.
  void SetOwner(QWidget* owner) { owner_ = owner; }
  QWidget* Owner() const { return owner_; }
  // The window a question belongs to: the owner's Status window while it shows,
  // since the job reports there; otherwise the owner. The keyboard focus goes back
  // to it when the question closes.
  QWidget* QuestionOwner() const;
  // The Status window once ShowStatus made it; null before.
  StatusWindow* Status() const;

  // Closing the box without a button answers Cancel when the box has one, else
  // No (Yes/No) or OK (OK alone).
  MsgAnswer MessageBox(const MessageBoxRequest& request) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText, InputEcho echo) override;
  std::string FileExists(const std::string& question, const std::string& details) override;
  void ShowConfirmation(ConfirmationModel& confirmation) override;
  void ShowStatus(StatusModel& status) override;
  DestinationAnswer ChooseDestination(const DestinationRequest& request) override;
  void ShowWelcome() override;
  void ShowImportantMessage(ImportantMessageModel& notice) override;
  void ShowReading(ReadingNotice& notice) override;
  void CloseReading() override;
  // The reading window while it shows; null otherwise.
  ReadingWindow* Reading() const;

 private:
  Session* session_ = nullptr;
  QPointer<QWidget> owner_;
  QPointer<StatusWindow> status_;
  QPointer<ReadingWindow> reading_;
};

class QtEventPump : public EventPump {
 public:
  void pump() override;
};

}  // namespace tessaly
