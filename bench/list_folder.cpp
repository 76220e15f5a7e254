// Times listing a folder of 100,000 archives into the main window's file list (the
// listing, the model and a painted view) against `ls -f` of the same folder, several
// rounds in one run, and prints the medians and their ratio.
//
//   list_folder_bench [--files N] [--rounds N] FOLDER
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/folder_listing.h"
#include "shell/ui/file_list_view.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Fills folder with count empty archives named archive-000000.zip ...; a folder that
// already holds them is used as it is.
bool MakeFolder(const std::string& folder, int count) {
  mkdir(folder.c_str(), 0755);
  char name[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "/archive-%06d.zip", i);
    const std::string path = folder + name;
    if (access(path.c_str(), F_OK) == 0) continue;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
  }
  return true;
}

double TimeLs(const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"ls", "-f", folder.c_str(), nullptr};
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "ls", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::fprintf(stderr, "list_folder: cannot start ls\n");
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = SecondsSince(start);
  posix_spawn_file_actions_destroy(&actions);
  return seconds;
}

struct FileListTimes {
  double listing = 0;  // ListFolder alone
  double total = 0;    // listing, model and painted view
};

FileListTimes TimeFileList(tessaly::FileListView& view, const std::string& folder,
                           size_t expected) {
  view.SetItems(folder, {});
  QApplication::processEvents();
  FileListTimes times;
  const Clock::time_point start = Clock::now();
  std::vector<tessaly::FileListItem> items = tessaly::ListFolder(folder + "/", "*.zip");
  times.listing = SecondsSince(start);
  const size_t count = items.size();
  view.SetItems(folder + "/", std::move(items));
  view.repaint();
  QApplication::processEvents();
  times.total = SecondsSince(start);
  if (count != expected) {
    std::fprintf(stderr, "list_folder: listed %zu of %zu files\n", count, expected);
    std::exit(1);
  }
  return times;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int files = 100000;
  int rounds = 5;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--files" && i + 1 < argc) {
      files = std::atoi(argv[++i]);
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      folder = arg;
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: list_folder_bench [--files N] [--rounds N] FOLDER\n");
    return 64;
  }
  if (!MakeFolder(folder, files)) {
    std::fprintf(stderr, "list_folder: cannot fill %s\n", folder.c_str());
    return 1;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessaly::FileListView view;
  view.resize(800, 600);
  view.show();
  QApplication::processEvents();

  std::vector<double> ls, listing, list;
  for (int round = 0; round < rounds; ++round) {
    ls.push_back(TimeLs(folder));
    const FileListTimes times = TimeFileList(view, folder, static_cast<size_t>(files));
    listing.push_back(times.listing);
    list.push_back(times.total);
    std::printf("round %d: ls -f %.3f s, file list %.3f s (listing %.3f s)\n", round + 1, ls.back(),
                list.back(), listing.back());
  }
  const double lsMedian = Median(ls);
  const double listMedian = Median(list);
  std::printf(
      "median: ls -f %.3f s, file list %.3f s (listing %.3f s; target under 0.5 s), "
      "ratio %.2f\n",
      lsMedian, listMedian, Median(listing), listMedian / lsMedian);
  return 0;
}
