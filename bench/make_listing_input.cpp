// Writes the contents-window benchmark's inputs from a fixed seed: 100,000 small files
// in 400 folders, as a tree on disk (the script zips it) and as a RAR 4 and a RAR5
// archive of stored entries made with the tests' RAR writer.
//   make_listing_input TREE RAR4_ARCHIVE RAR5_ARCHIVE
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_random.h"
#include "support/rar_writer.h"

namespace {

namespace fs = std::filesystem;

using tessaly::testing::RarFolder;
using tessaly::testing::RarFormat;
using tessaly::testing::RarTestEntry;
using tessaly::testing::WriteRar;

constexpr int kEntries = 100000;
constexpr int kTopFolders = 20;
constexpr int kFoldersPerTop = 20;

const char* const kWords[] = {"request", "worker",  "processed", "cache",  "miss",   "hit",
                              "upload",  "session", "timeout",   "retry",  "entry",  "folder",
                              "client",  "server",  "queue",     "opened", "closed", "token"};
// Several kinds, so rows look up more than one icon.
const char* const kExtensions[] = {".txt", ".log", ".cpp", ".h", ".json", ".md", ".xml", ".cfg"};

// Text-like contents of 30 bytes to 3 KiB, spread on a log scale: deflate packs them
// a few times, as it does real small files.
std::string SmallText(Random& random) {
  const size_t size = size_t(30.0 * std::pow(100.0, double(random.Below(1000)) / 1000.0));
  std::string out;
  out.reserve(size + 16);
  while (out.size() < size) {
    out += kWords[random.Below(std::size(kWords))];
    out += random.Below(8) == 0 ? '\n' : ' ';
  }
  out.resize(size);
  return out;
}

struct Listing {
  std::vector<std::string> folders;  // "/" separated, no trailing "/"
  std::vector<RarTestEntry> files;
};

Listing MakeListing() {
  Random random(0x9E3779B97F4A7C15ull);
  Listing listing;
  constexpr int kFolders = kTopFolders * kFoldersPerTop;
  char name[96];
  for (int folder = 0; folder < kFolders; ++folder) {
    std::snprintf(name, sizeof name, "project/module%02d/part%03d", folder / kFoldersPerTop,
                  folder);
    listing.folders.push_back(name);
    for (int i = folder * kEntries / kFolders; i < (folder + 1) * kEntries / kFolders; ++i) {
      std::snprintf(name, sizeof name, "/file-%06d%s", i,
                    kExtensions[random.Below(std::size(kExtensions))]);
      RarTestEntry file;
      file.name = listing.folders.back() + name;
      file.data = SmallText(random);
      listing.files.push_back(std::move(file));
    }
  }
  return listing;
}

bool WriteTree(const fs::path& root, const Listing& listing) {
  for (const std::string& folder : listing.folders) fs::create_directories(root / folder);
  for (const RarTestEntry& file : listing.files) {
    const fs::path path = root / file.name;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written =
        std::fwrite(file.data.data(), 1, file.data.size(), out) == file.data.size();
    if (std::fclose(out) != 0 || !written) return false;
  }
  return true;
}

// Each folder's header comes before its files, as archivers write them.
std::vector<RarTestEntry> RarEntries(const Listing& listing) {
  std::vector<RarTestEntry> entries;
  entries.reserve(listing.folders.size() * 3 + listing.files.size());
  std::string last;
  for (const RarTestEntry& file : listing.files) {
    const std::string folder = file.name.substr(0, file.name.rfind('/'));
    if (folder != last) {
      for (size_t slash = folder.find('/'); slash != std::string::npos;
           slash = folder.find('/', slash + 1)) {
        const std::string parent = folder.substr(0, slash);
        if (!last.starts_with(parent + "/") && last != parent) entries.push_back(RarFolder(parent));
      }
      entries.push_back(RarFolder(folder));
      last = folder;
    }
    entries.push_back(file);
  }
  return entries;
}

bool WriteArchive(const std::string& path, const std::vector<RarTestEntry>& entries,
                  RarFormat format) {
  fs::remove(path);
  tessaly::testing::RarOptions options;
  options.format = format;
  WriteRar(path, entries, options);
  // The writer reports a failure through the test framework; here its file tells.
  std::error_code error;
  return fs::file_size(path, error) > 0 && !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_listing_input TREE RAR4_ARCHIVE RAR5_ARCHIVE\n");
    return 2;
  }
  const Listing listing = MakeListing();
  if (!WriteTree(argv[1], listing)) {
    std::perror(argv[1]);
    return 1;
  }
  const std::vector<RarTestEntry> entries = RarEntries(listing);
  if (!WriteArchive(argv[2], entries, RarFormat::Rar4) ||
      !WriteArchive(argv[3], entries, RarFormat::Rar5)) {
    std::fprintf(stderr, "make_listing_input: cannot write the RAR archives\n");
    return 1;
  }
  return 0;
}
