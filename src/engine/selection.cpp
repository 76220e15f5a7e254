#include "engine/selection.h"

#include <sys/stat.h>

#include "engine/ace/ace_backend.h"
#include "engine/arj/arj_backend.h"
#include "engine/driver.h"
#include "engine/file_signature.h"
#include "engine/libarchive/libarchive_reader.h"
#include "engine/rar/rar_backend.h"
#include "engine/reader_gateway.h"
#include "engine/session.h"
#include "engine/sevenzip/sevenzip_backend.h"
#include "engine/zip/zip_backend.h"
#include "platform/ascii_case.h"

namespace tessaly {

namespace {

constexpr size_t kMaxTokens = 100;

constexpr const char* kMixedTypesMessage =
    "You have included more than one archive type in your file selection. Please select only "
    "files of the same archive type.";

}  // namespace

std::string NotSupportedText(const std::string& path) {
  std::string text =
      "The file \"" + path + "\" is either not a supported archive type or is corrupted.";
  // A file another format's signature claims is no ARJ archive: the utility would not help.
  const SignatureOwner owner = IdentifyFile(path).owner;
  if (owner == SignatureOwner::Arj || owner == SignatureOwner::Executable ||
      owner == SignatureOwner::Unclaimed) {
    text +=
        " If this is an Arj type archive, Tessaly requires the Arj utility to process it. You "
        "must specify the location of \"arj\" in the \"Options\" dialog.";
  }
  return text;
}

namespace {

void Tell(Session& session, const std::string& text, MsgIcon icon) {
  session.dialogs.MessageBox({text, MsgButtons::OK, icon, "Oops!"});
}

bool ZipProbe(Session& session, const std::string& path) {
  ZipOptions& zip = session.zip;
  zip.extractList = true;
  zip.extractDir.clear();
  zip.zipFileName = path;
  zip.includeNames.clear();
  UnzipArchive(session);
  return session.job.extractResult == 0;
}

bool AceProbe(Session& session, const std::string& path) {
  AceTestOpen(session, path);
  return session.job.extractResult == 0;
}

bool RarProbe(Session& session, const std::string& path) {
  RarTestOpen(session, path);
  return session.job.extractResult == 0;
}

bool SevenZipProbe(Session& session, const std::string& path) {
  SevenZipTestOpen(session, path, IdentifyFile(path).owner == SignatureOwner::SevenZip);
  return session.job.extractResult == 0;
}

bool LibarchiveProbe(Session& session, const std::string& path) {
  session.job.archiveFormat = LibarchiveFormatName(path);
  session.job.extractResult = session.job.archiveFormat.empty() ? 1 : 0;
  return session.job.extractResult == 0;
}

struct Probe {
  SignatureOwner owner;
  const char* type;
  bool (*accepts)(Session&, const std::string&);
};

// A file with a signature goes only to its owner's probe. A program or a file without
// one may carry an archive after a prefix: the probes run in this order and the first
// whose backend accepts the file wins. ARJ's probe, which starts the utility outside
// the reader, comes after all of these.
constexpr Probe kProbes[] = {
    {SignatureOwner::Zip, "zip", ZipProbe},
    {SignatureOwner::Ace, "ace", AceProbe},
    {SignatureOwner::Rar, "rar", RarProbe},
    {SignatureOwner::SevenZip, "7z", SevenZipProbe},
    {SignatureOwner::Libarchive, "libarchive", LibarchiveProbe},
};

bool Searching(SignatureOwner owner) {
  return owner == SignatureOwner::Executable || owner == SignatureOwner::Unclaimed;
}

constexpr size_t kMaxProbeAnswers = 256;

// What tells one file from another and a changed file from the one it was.
std::string FileIdentity(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return "";
  return path + '\n' + std::to_string(info.st_dev) + ':' + std::to_string(info.st_ino) + ':' +
         std::to_string(info.st_size) + ':' + std::to_string(info.st_mtim.tv_sec) + '.' +
         std::to_string(info.st_mtim.tv_nsec) + ':' + std::to_string(info.st_ctim.tv_sec) + '.' +
         std::to_string(info.st_ctim.tv_nsec);
}

// The readers' probe, asked once per unchanged file; the contents window's ZIP probe,
// which lists the archive as it goes, always reads.
ReaderResult ProbeInReader(Session& session, const std::string& path) {
  JobState& job = session.job;
  const std::string identity = session.zip.listIntoContents ? "" : FileIdentity(path);
  if (const auto known = job.probeAnswers.find(identity);
      !identity.empty() && known != job.probeAnswers.end()) {
    job.archiveFormat = known->second.archiveFormat;
    job.extractResult = known->second.type.empty() ? 1 : 0;
    return ReaderResult(known->second.owner, known->second.type);
  }
  ReaderResult probe = ReadArchive(session, ReaderRequest(ReaderTask::Probe, path), [&] {
    SignatureOwner owner = SignatureOwner::Unclaimed;
    std::string type = ProbeOwnReaders(session, path, owner);
    return ReaderResult(static_cast<int32_t>(owner), std::move(type));
  });
  if (!identity.empty() && !probe.ended) {
    if (job.probeAnswers.size() >= kMaxProbeAnswers) job.probeAnswers.clear();
    job.probeAnswers[identity] = {probe.text, probe.code, job.archiveFormat};
  }
  return probe;
}

}  // namespace

std::string ProbeOwnReaders(Session& session, const std::string& path, SignatureOwner& owner) {
  owner = IdentifyFile(path).owner;
  for (const Probe& probe : kProbes) {
    if ((Searching(owner) || probe.owner == owner) && probe.accepts(session, path)) {
      return probe.type;
    }
  }
  return "";
}

std::string LastThreeLower(const std::string& path) {
  return AsciiLower(path.substr(path.size() < 3 ? 0 : path.size() - 3));
}

std::string DetectArchiveType(Session& session, std::string path) {
  JobState& job = session.job;
  job.extractResult = 0;
  job.archiveFormat.clear();
  job.probeIsExe = LastThreeLower(path) == "exe";
  job.cancelExtract = false;
  job.countingPass = true;
  job.probeMode = true;
  job.readerEnded = false;

  const ReaderResult probe = ProbeInReader(session, path);
  std::string type = probe.text;
  const auto owner = static_cast<SignatureOwner>(probe.code);
  job.readerEnded = probe.ended;
  if (type.empty() && !probe.ended && (Searching(owner) || owner == SignatureOwner::Arj) &&
      ArjProbe(session, path)) {
    type = "arj";
  }

  job.probeMode = false;
  job.countingPass = false;
  return type;
}

bool TypesShareAJob(const std::string& type, const std::string& other) {
  const auto oneAtATime = [](const std::string& t) { return t == "7z" || t == "libarchive"; };
  return type == other || (oneAtATime(type) && oneAtATime(other));
}

std::string ClassifySelection(Session& session) {
  std::string common;
  session.job.archiveTypes.clear();
  const std::vector<std::string> files = session.job.selectedFiles;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string notSupported =
        NotSupportedText(files[i]) +
        " If this file is part of an Ace, Rar, or Arj set, you must select the first file in "
        "the set (i.e. \"MyFile.rar\") to process the set.";
    const std::string type = DetectArchiveType(session, files[i]);
    if (type.empty()) {
      if (!session.job.readerEnded) Tell(session, notSupported, MsgIcon::Critical);
      return "ns";
    }
    if (i > 0 && !TypesShareAJob(type, common)) {
      Tell(session, kMixedTypesMessage, MsgIcon::Exclamation);
      return "ns";
    }
    session.job.archiveTypes.push_back(type);
    // 7z and libarchive archives together make a job of libarchive's kind.
    common = i == 0 || type == common ? type : "libarchive";
  }
  return common;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> tokens;
  bool open = false;
  bool quoted = false;
  for (char c : commandLine) {
    if (!quoted && (c == ' ' || c == '\t')) {
      open = false;
      continue;
    }
    if (!open) {
      if (tokens.size() == kMaxTokens) break;
      tokens.emplace_back();
      open = true;
    }
    // A double-quoted run is one token, blanks and all; the quotes themselves go.
    if (c == '"') {
      quoted = !quoted;
    } else {
      tokens.back() += c;
    }
  }
  return tokens;
}

void ParseCommandLine(Session& session, const std::optional<std::string>& commandLine,
                      const std::vector<std::string>& programArgs) {
  std::vector<std::string> tokens;
  if (commandLine) {
    tokens = SplitCommandLine(*commandLine);
  } else {
    for (const std::string& argument : programArgs) {
      if (tokens.size() == kMaxTokens) break;
      if (!argument.empty()) tokens.push_back(argument);
    }
  }
  if (tokens.empty()) return;

  JobState& job = session.job;
  job.selectedFiles.assign(tokens.size(), "");
  std::string previous;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string type = DetectArchiveType(session, tokens[i]);
    if (type.empty()) {
      if (!job.readerEnded) Tell(session, NotSupportedText(tokens[i]), MsgIcon::Exclamation);
      return;
    }
    job.activeBackend = type;
    job.selectedFiles[i] = tokens[i];
    if (i > 0 && !TypesShareAJob(type, previous)) {
      Tell(session, kMixedTypesMessage, MsgIcon::Critical);
      return;
    }
    previous = type;
  }
  job.selectedCount = static_cast<int>(tokens.size());

  if (!commandLine) {
    DestinationRequest request;
    request.showPerArchiveCheck = previous == "zip";
    request.startFolder = session.mainWindow.destinationBox.text.empty()
                              ? session.mainWindow.currentFolder
                              : session.mainWindow.destinationBox.text;
    if (MainWindowView* main = session.mainWindow.view) main->Show();
    const DestinationAnswer answer = session.dialogs.ChooseDestination(request);
    job.chosenDestination = answer.chosenDestination;
    if (answer.chosenDestination.empty()) return;
    job.perArchiveFolder = answer.perArchiveFolder;
    session.mainWindow.destinationBox.text = answer.chosenDestination;
  }

  job.dropMode = false;
  ExtractSelectedArchives(session, CallingWindow::MainWindow);
}

}  // namespace tessaly
