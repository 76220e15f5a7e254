// Measures how responsive the desktop program stays while one 1 GiB entry is
// extracted: the real engine and Status window run the job on the event loop, and a
// 5 ms timer records the longest gap between two turns of the loop.
//
//   responsiveness_bench WORKFOLDER
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ui/qt_dialogs.h"
#include "engine/driver.h"
#include "engine/session.h"
#include "settings/settings_store.h"
#include "settings/settings_vars.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr uint64_t kEntryBytes = uint64_t{1} << 30;

// Text-like lines from a fixed seed: compresses like real documents and logs.
bool WriteEntryData(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  static const char* const kWords[] = {"archive", "extract", "volume", "header", "entry",
                                       "folder",  "status",  "window", "11:42",  "2026-12-06",
                                       "INFO",    "WARN",    "size",   "crc",    "0x1f3a"};
  uint32_t seed = 12345;
  std::string block;
  uint64_t written = 0;
  while (written < kEntryBytes) {
    block.clear();
    while (block.size() < (1u << 20)) {
      seed = seed * 1664525u + 1013904223u;
      block += kWords[(seed >> 16) % 15];
      block += ((seed >> 8) & 7) == 0 ? '\n' : ' ';
    }
    const size_t take =
        static_cast<size_t>(std::min<uint64_t>(block.size(), kEntryBytes - written));
    if (std::fwrite(block.data(), 1, take, file) != take) {
      std::fclose(file);
      return false;
    }
    written += take;
  }
  return std::fclose(file) == 0;
}

bool Run(std::vector<const char*> argv) {
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv.data()), environ) !=
      0) {
    return false;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The archive is made once and reused.
bool MakeArchive(const std::string& work, const std::string& archive) {
  if (fs::exists(archive)) return true;
  const std::string data = work + "/big.txt";
  std::printf("making %s (1 GiB entry, zip -1)...\n", archive.c_str());
  std::fflush(stdout);
  const bool made =
      WriteEntryData(data) && Run({"zip", "-q", "-1", "-j", archive.c_str(), data.c_str()});
  fs::remove(data);
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: responsiveness_bench WORKFOLDER\n");
    return 64;
  }
  const std::string work = fs::absolute(argv[1]).string();
  fs::create_directories(work);
  const std::string archive = work + "/big.zip";
  if (!MakeArchive(work, archive)) {
    std::fprintf(stderr, "responsiveness: cannot make %s\n", archive.c_str());
    return 1;
  }
  const std::string destination = work + "/out/";
  fs::remove_all(destination);
  fs::create_directories(destination);

  // Settings of its own: no welcome, no confirmation, no overwrite question.
  setenv("XDG_CONFIG_HOME", (work + "/config").c_str(), 1);
  tessaly::SettingsStore settings = tessaly::ApplicationSettings();
  settings.SaveSetting("General", "First time", "0");
  settings.SaveSetting("General", "Show confirmation", "0");

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessaly::QtDialogs dialogs;
  tessaly::QtEventPump pump;
  tessaly::Session session(dialogs, pump);
  dialogs.Attach(session);
  tessaly::LoadSettings(session.settings, dialogs);
  session.mainWindow.currentFolder = work + "/";
  session.mainWindow.destinationBox.text = destination;
  session.job.selectedFiles = {archive};
  session.job.selectedCount = 1;

  Clock::time_point lastTurn = Clock::now();
  Clock::duration longestGap{};
  long turns = 0;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    longestGap = std::max(longestGap, now - lastTurn);
    lastTurn = now;
    ++turns;
  });

  Clock::time_point start;
  double seconds = 0;
  QTimer::singleShot(0, [&] {
    ticker.start();
    start = lastTurn = Clock::now();
    tessaly::ExtractSelectedArchives(session, tessaly::CallingWindow::MainWindow);
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    longestGap = std::max(longestGap, Clock::now() - lastTurn);
    ticker.stop();
    app.quit();
  });
  app.exec();

  const std::string extracted = destination + "big.txt";
  std::error_code error;
  const uintmax_t size = fs::file_size(extracted, error);
  fs::remove_all(destination);
  if (error || size != kEntryBytes) {
    std::fprintf(stderr, "responsiveness: the entry was not extracted whole (%s)\n",
                 session.status.archiveLabel.c_str());
    return 1;
  }
  const double gapMs = std::chrono::duration<double, std::milli>(longestGap).count();
  std::printf(
      "extracted 1 GiB in %.1f s; %ld event-loop turns; longest gap %.1f ms (target under 200 "
      "ms)\n",
      seconds, turns, gapMs);
  return 0;
}
