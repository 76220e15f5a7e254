#include "engine/extraction_dialogs.h"

#include <algorithm>

#include "engine/session.h"
#include "platform/desktop_open.h"
#include "platform/files.h"
#include "settings/reg_settings.h"

namespace tessaly {

namespace {

MainWindowView* MainWindow(Session& session) {
  return session.Form1.view;
}

std::string ConfirmationText(const std::string& destination) {
  return std::string(kForm3Label1Lead) + "\n\n" + destination;
}

// An empty destination box sent the files into the working directory.
std::string FolderToExplore(const std::string& destination) {
  return destination.empty() ? CurrentDirectory() : destination;
}

}  // namespace

void Form4::SetLblarc(const std::string& text) {
  lblarc = text;
  Refresh();
}

void Form4::SetLblmsg(const std::string& text) {
  lblmsg = text;
  Refresh();
}

void Form4::SetMax(int64_t max) {
  pb2Max = max;
  pb2Value = std::clamp<int64_t>(pb2Value, 0, std::max<int64_t>(pb2Max, 0));
  Refresh();
}

void Form4::SetValue(int64_t value) {
  // A bar never shows more than full, however the backends count.
  pb2Value = std::clamp<int64_t>(value, 0, std::max<int64_t>(pb2Max, 0));
  Refresh();
}

void Form4::Refresh() {
  if (view != nullptr) view->Refresh();
}

void Form4::Load(Session& session) {
  loaded = true;
  Visible = true;
  Command2Enabled = !session.job.DropMode;
  Command2Visible = true;
  session.job.CancelExtract = false;
  Command1Caption = "Cancel";
  Command1Visible = true;
  if (MainWindowView* main = MainWindow(session)) {
    main->SetBusy(true);
    main->SetEnabled(false);
  }
  Command2Caption = "Background";
  lblarc = "Preparing to extract files...";
  lblmsg.clear();
  pb2Max = 100;
  pb2Value = 0;
  Refresh();
}

void Form4::Command1_Click(Session& session) {
  if (Command1Caption == "Cancel") {
    session.job.ExtractResult = 1;
    session.job.CancelExtract = true;
    return;
  }
  Unload(session);
}

void Form4::Command2_Click(Session& session) {
  if (!Command2Enabled || !Command2Visible) return;
  if (Command2Caption == "Explore") {
    // Closing the window already gave the main window back.
    Unload(session);
    const std::string folder = FolderToExplore(session.Form1.Combo1.text);
    if (OpenWithDesktop(folder, session.events) != kDesktopOpenStarted) {
      MessageBoxRequest request;
      request.text = "Tessaly could not open the folder \"" + folder + "\".";
      request.icon = MsgIcon::Exclamation;
      request.title = "Oops!";
      session.dialogs.MessageBox(request);
    }
    return;
  }
  Visible = false;
  if (MainWindowView* main = MainWindow(session)) {
    main->SetEnabled(true);
    session.job.SavedWindowState = main->WindowState();
    main->SetWindowState(kWindowMinimized);
  }
  session.job.StatusMinimised = true;
  Refresh();
}

bool Form4::EscapeCancels() const {
  return loaded && Command1Visible && Command1Caption == "Cancel";
}

void Form4::Unload(Session& session) {
  loaded = false;
  session.job.StatusMinimised = false;
  if (MainWindowView* main = MainWindow(session)) {
    main->SetEnabled(true);
    main->SetBusy(false);
    // Showing a window that is already visible brings it to the front with the focus.
    if (main->IsVisible()) main->Show();
  }
  Refresh();
}

void MainWindowActivated(Session& session) {
  JobState& job = session.job;
  if (!job.StatusMinimised) return;
  // Cleared first: restoring the window may report its activation again.
  job.StatusMinimised = false;
  MainWindowView* main = MainWindow(session);
  if (main != nullptr) main->SetWindowState(job.SavedWindowState);
  session.Form4Window.Visible = true;
  session.Form4Window.Refresh();
  if (main != nullptr) main->SetEnabled(false);
}

void Form3::Load(Session& session) {
  Check1 = true;
  Command3Visible = session.job.DropMode;
  Label1 = ConfirmationText(session.Form1.Combo1.text);
}

void Form3::Command1_Click(Session& session) {
  session.job.ConfirmCancelled = false;
  if (!Check1) ApplicationSettings().SaveSetting("General", "Show confirmation", "0");
  Unload(session);
}

void Form3::Command2_Click(Session& session) {
  session.job.ConfirmCancelled = true;
  Unload(session);
}

void Form3::Command3_Click(Session& session) {
  JobState& job = session.job;
  DestinationRequest request;
  request.showPerArchiveCheck = job.ArchiveType == "zip" && job.DropMode;
  const std::string& destination = session.Form1.Combo1.text;
  if (DirectoryExists(destination)) {
    request.startFolder = destination;
  } else if (job.ConfirmFromDriver) {
    request.startFolder = session.Form1.CurrentFolder;
  }
  const DestinationAnswer answer = session.dialogs.ChooseDestination(request);
  job.ChosenDestination = answer.ChosenDestination;
  if (answer.ChosenDestination.empty()) return;
  job.PerArchiveFolder = answer.Check1;
  session.Form1.Combo1.text = answer.ChosenDestination;
  Label1 = ConfirmationText(answer.ChosenDestination);
}

void Form3::Unload(Session& session) {
  session.job.ConfirmFromDriver = false;
}

void Form8::Command1_Click(Session& session) {
  if (Check1) return;
  ApplicationSettings().SaveSetting("General", "Show non-zip message", "no");
  session.settings.ShowNonZipMessage = "no";
}

}  // namespace tessaly
