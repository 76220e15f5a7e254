// Times opening one archive in the contents window as the desktop program does it: the
// type probe, the listing into the window's model and the window's first paint, several rounds in
// one process, and prints each round's wall and CPU time, then the best and the median of each.
//
//   contents_open_bench [--rounds N] [--entries N] ARCHIVE
//
// With --entries, a listing of any other number of rows is an error, so only complete
// listings are timed.
#include <time.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/qt_dialogs.h"
#include "engine/session.h"
#include "inspect/archive_listings.h"
#include "inspect/ui/contents_window.h"
#include "platform/time_zone.h"

namespace {

using Clock = std::chrono::steady_clock;

// User and system time of the process: steadier than wall time on a busy machine.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Seconds a step takes until the window has painted its outcome.
double Painted(QWidget& window, const std::function<void()>& step) {
  const Clock::time_point start = Clock::now();
  step();
  QCoreApplication::processEvents();
  window.repaint();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Everything the user waits for between choosing the archive and seeing its rows: the
// probe, the listing, and the contents window shown with its first rows painted (until
// opened); then a letter typed in the name filter, the filter cleared, and a click on
// the Filename header, each until painted (the slowest of them). False when the archive
// could not be listed.
struct Timing {
  Clock::time_point opened;
  double openedCpu = 0;
  double slowestStep = 0;
};

bool OpenContents(tessaly::Session& session, const std::string& path, Timing& timing) {
  session.job.selectedFiles = {path};
  session.job.activeBackend = tessaly::ProbeArchiveForContents(session, path);
  if (session.job.activeBackend.empty()) return false;
  tessaly::ContentsWindow window(session, nullptr);
  if (!window.Load()) return false;
  window.show();
  QCoreApplication::processEvents();
  window.repaint();
  timing.opened = Clock::now();
  timing.openedCpu = CpuSeconds();
  QHeaderView& header = *window.List()->header();
  timing.slowestStep = std::max({Painted(window, [&] { window.FilterBox()->setText("7"); }),
                                 Painted(window, [&] { window.FilterBox()->clear(); }),
                                 Painted(window, [&] { emit header.sectionClicked(0); })});
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 5;
  long expected = -1;
  std::string archive;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--entries" && i + 1 < argc) {
      expected = std::atol(argv[++i]);
    } else {
      archive = arg;
    }
  }
  if (archive.empty()) {
    std::fprintf(stderr, "usage: contents_open_bench [--rounds N] [--entries N] ARCHIVE\n");
    return 64;
  }
  // As the programs do at start.
  tessaly::ReadTimeZoneOnce();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessaly::QtDialogs dialogs;
  tessaly::QtEventPump pump;
  tessaly::Session session(dialogs, pump);
  dialogs.Attach(session);

  std::vector<double> wall, cpu, steps;
  for (int round = 1; round <= rounds; ++round) {
    // The rows of the previous round go now, not inside the next timing.
    session.contents.Clear();
    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuSeconds();
    Timing timing;
    const bool listed = OpenContents(session, archive, timing);
    cpu.push_back(timing.openedCpu - cpuStart);
    wall.push_back(std::chrono::duration<double>(timing.opened - start).count());
    steps.push_back(timing.slowestStep);
    const size_t rows = session.contents.rows.size();
    if (!listed || (expected >= 0 && rows != static_cast<size_t>(expected))) {
      std::fprintf(stderr, "contents_open: %s listed %s with %zu rows\n", archive.c_str(),
                   listed ? "in full" : "incompletely", rows);
      return 1;
    }
    std::printf("round %d: %.3f s wall, %.3f s cpu, %zu rows\n", round, wall.back(), cpu.back(),
                rows);
  }
  std::printf("best: %.3f s wall, %.3f s cpu\n", *std::min_element(wall.begin(), wall.end()),
              *std::min_element(cpu.begin(), cpu.end()));
  std::printf("median: %.3f s wall, %.3f s cpu\n", Median(wall), Median(cpu));
  std::printf("filter and sort: slowest step %.3f s (median of rounds)\n", Median(steps));
  return 0;
}
