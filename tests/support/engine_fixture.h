// A fresh engine per test: its own settings file and temporary folder, a working
// directory of its own, scripted dialogs, a recorded main window and Status window.
#pragma once

#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/session.h"
#include "settings/isolated_settings.h"
#include "support/scripted_dialogs.h"

namespace tessaly::testing {

class RecordingMainWindow : public MainWindowView {
 public:
  std::vector<std::string> calls;  // "ListFolder", "SetBusy(1)", "SetEnabled(0)", ...
  bool enabled = true;
  bool busy = false;

  void ListFolder() override { calls.push_back("ListFolder"); }
  void UpdateSelectionState() override { calls.push_back("UpdateSelectionState"); }
  void SetBusy(bool value) override {
    busy = value;
    calls.push_back(value ? "SetBusy(1)" : "SetBusy(0)");
  }
  void SetEnabled(bool value) override {
    enabled = value;
    calls.push_back(value ? "SetEnabled(1)" : "SetEnabled(0)");
  }
  void FocusDestinationBox() override { calls.push_back("FocusCombo1"); }
  void Show() override { calls.push_back("Show"); }
  int WindowState() const override { return windowState; }
  void SetWindowState(int state) override {
    windowState = state;
    calls.push_back("SetWindowState(" + std::to_string(state) + ")");
  }
  bool IsVisible() const override { return visible; }
  void TellJobEnded(const JobEndNotice& notice) override {
    calls.push_back("TellJobEnded(" + notice.title + ": " + notice.body + ")");
  }
  int windowState = kWindowNormal;
  bool visible = true;
  int Count(const std::string& call) const;
};

// Keeps every distinct state the Status window was asked to show.
class StatusRecorder : public StatusView {
 public:
  struct Snapshot {
    std::string archiveLabel;
    std::string messageLabel;
    int64_t max;
    int64_t value;
    bool operator==(const Snapshot&) const = default;
  };
  explicit StatusRecorder(const StatusModel& status) : model_(status) {}
  void Refresh() override;
  bool SawArchiveLabel(const std::string& text) const;
  std::vector<std::string> MessageLines() const;  // each distinct entry line, in order

  std::vector<Snapshot> snapshots;

 private:
  const StatusModel& model_;
};

class EngineTest : public IsolatedSettingsTest {
 protected:
  EngineTest();
  ~EngineTest() override;

  // A path under this test's folder.
  std::string PathOf(const std::string& relative) const { return Root() + "/" + relative; }
  std::string WorkDir() const { return PathOf("work"); }
  static void SetSetting(const std::string& section, const std::string& key,
                         const std::string& value);
  static std::string GetSetting(const std::string& section, const std::string& key);
  // Fills the job's selection as the file list does.
  void Select(const std::vector<std::string>& paths);
  void Extract() { ExtractSelectedArchives(session, CallingWindow::MainWindow); }
  // The probe's answer for path; the probe leaves the job's modes as it found them.
  std::string Detect(const std::string& path);
  // The texts of the message boxes shown so far.
  std::vector<std::string> MessageTexts() const;

  ScriptedDialogs dialogs;
  CountingPump pump;
  Session session{dialogs, pump};
  RecordingMainWindow mainWindow;
  StatusRecorder recorder{session.status};

 private:
  std::string previousDir_;
};

// A job into the folder "out" of the test's folder, the destination typed in the destination box.
class DestinationJobTest : public EngineTest {
 protected:
  DestinationJobTest();

  std::string Out(const std::string& name) const { return out_ + "/" + name; }
  static std::string ExistsQuestion(const std::string& path) {
    return "The file " + path + " already exists in the destination folder. Overwrite it?";
  }
  void ExtractOne(const std::string& path) {
    Select({path});
    Extract();
  }
  // The one message shown is the critical "Oops!" box with text, and the job did not
  // finish.
  void ExpectOnlyMessage(const std::string& text) const;

  std::string out_;
};

}  // namespace tessaly::testing
