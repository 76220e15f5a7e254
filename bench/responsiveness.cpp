// Measures how responsive the desktop program stays while one 1 GiB entry is
// extracted, and while 6,000 entries are, from a ZIP, a tar (or .tar.xz) and a 7z
// archive, each with its threads: the real engine and Status window run each job on
// the event loop, and a 5 ms timer records the longest gap between two turns of the loop.
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
constexpr int kManyEntries = 6000;
constexpr uint64_t kManyEntryBytes = 96 * 1024;

// Text-like lines from a fixed seed: compresses like real documents and logs.
bool WriteEntryData(const std::string& path, uint64_t entryBytes, uint32_t seed) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  static const char* const kWords[] = {"archive", "extract", "volume", "header", "entry",
                                       "folder",  "status",  "window", "11:42",  "2026-12-06",
                                       "INFO",    "WARN",    "size",   "crc",    "0x1f3a"};
  std::string block;
  uint64_t written = 0;
  while (written < entryBytes) {
    block.clear();
    while (block.size() < std::min<uint64_t>(entryBytes, 1u << 20)) {
      seed = seed * 1664525u + 1013904223u;
      block += kWords[(seed >> 16) % 15];
      block += ((seed >> 8) & 7) == 0 ? '\n' : ' ';
    }
    const size_t take = static_cast<size_t>(std::min<uint64_t>(block.size(), entryBytes - written));
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

// Each archive holds either the one 1 GiB entry or the 6,000 small ones, packed by
// the tool that makes that format; they are made once and reused.
struct BenchArchive {
  const char* name;
  bool big;
  const char* pack;  // shell command run in the folder of the files, writing ARCHIVE
};

const BenchArchive kArchives[] = {
    {"big.zip", true, "zip -q -1 ARCHIVE big.txt"},
    {"big.tar", true, "tar -cf ARCHIVE big.txt"},
    {"big.tar.xz", true, "tar -cf - big.txt | xz -T2 -1 > ARCHIVE"},
    {"big.7z", true, "7z a -bd -mx1 -mmt=2 ARCHIVE big.txt > /dev/null"},
    {"many.zip", false, "zip -q -r -6 ARCHIVE ."},
    {"many.tar", false, "tar -cf ARCHIVE ."},
    {"many.7z", false, "7z a -bd -mx5 -mmt=2 ARCHIVE . > /dev/null"},
};

// The files an archive of the kind holds, written into folder.
bool WriteFiles(const std::string& folder, bool big) {
  fs::create_directories(folder);
  if (big) return WriteEntryData(folder + "/big.txt", kEntryBytes, 12345);
  for (int i = 0; i < kManyEntries; ++i) {
    const std::string sub = folder + "/d" + std::to_string(i % 30);
    fs::create_directories(sub);
    if (!WriteEntryData(sub + "/f" + std::to_string(i) + ".txt", kManyEntryBytes,
                        static_cast<uint32_t>(i))) {
      return false;
    }
  }
  return true;
}

bool MakeArchives(const std::string& work) {
  const std::string bigFolder = work + "/big", manyFolder = work + "/many";
  bool made = true;
  for (const BenchArchive& archive : kArchives) {
    const std::string path = work + "/" + archive.name;
    if (fs::exists(path) || !made) continue;
    const std::string& folder = archive.big ? bigFolder : manyFolder;
    made = fs::exists(folder) || WriteFiles(folder, archive.big);
    std::printf("making %s...\n", path.c_str());
    std::fflush(stdout);
    std::string command = archive.pack;
    command.replace(command.find("ARCHIVE"), 7, "'" + path + ".part'");
    made = made && Run({"sh", "-c", ("cd '" + folder + "' && " + command).c_str()});
    std::error_code error;
    if (made) fs::rename(path + ".part", path, error);
    made = made && !error;
  }
  fs::remove_all(bigFolder);
  fs::remove_all(manyFolder);
  return made;
}

struct Measured {
  double seconds = 0;
  long turns = 0;
  double gapMs = 0;
};

// Runs one job extracting archive into destination on the event loop.
Measured ExtractOnEventLoop(QApplication& app, tessaly::Session& session,
                            const std::string& archive, const std::string& destination) {
  session.mainWindow.destinationBox.text = destination;
  session.job.selectedFiles = {archive};
  session.job.selectedCount = 1;

  Clock::time_point lastTurn = Clock::now();
  Clock::duration longestGap{};
  Measured measured;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    longestGap = std::max(longestGap, now - lastTurn);
    lastTurn = now;
    ++measured.turns;
  });

  Clock::time_point start;
  QTimer::singleShot(0, [&] {
    ticker.start();
    start = lastTurn = Clock::now();
    tessaly::ExtractSelectedArchives(session, tessaly::CallingWindow::MainWindow);
    measured.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    longestGap = std::max(longestGap, Clock::now() - lastTurn);
    ticker.stop();
    app.quit();
  });
  app.exec();
  measured.gapMs = std::chrono::duration<double, std::milli>(longestGap).count();
  return measured;
}

uintmax_t FilesIn(const std::string& folder) {
  uintmax_t files = 0;
  std::error_code error;
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(folder, error))
    files += item.is_regular_file() ? 1 : 0;
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: responsiveness_bench WORKFOLDER\n");
    return 64;
  }
  const std::string work = fs::absolute(argv[1]).string();
  fs::create_directories(work);
  if (!MakeArchives(work)) {
    std::fprintf(stderr, "responsiveness: cannot make the archives in %s\n", work.c_str());
    return 1;
  }
  const std::string destination = work + "/out/";

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
  // The archives are read by the reader program, as in the desktop program.
  session.programs.reader = TESSALY_READER_BIN;

  int status = 0;
  for (const BenchArchive& archive : kArchives) {
    fs::remove_all(destination);
    fs::create_directories(destination);
    const std::string path = work + "/" + archive.name;
    const Measured measured = ExtractOnEventLoop(app, session, path, destination);
    std::error_code error;
    const bool whole = archive.big
                           ? fs::file_size(destination + "big.txt", error) == kEntryBytes && !error
                           : FilesIn(destination) == kManyEntries;
    fs::remove_all(destination);
    if (!whole) {
      std::fprintf(stderr, "responsiveness: %s was not extracted whole (%s)\n", path.c_str(),
                   session.status.archiveLabel.c_str());
      status = 1;
      continue;
    }
    std::printf(
        "%-10s %s: extracted in %.1f s; %ld event-loop turns; longest gap %.1f ms (target "
        "under 100 ms)\n",
        archive.name, archive.big ? "one 1 GiB entry" : "6,000 entries of 96 KiB", measured.seconds,
        measured.turns, measured.gapMs);
  }
  return status;
}
