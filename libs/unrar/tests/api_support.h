// Helpers of the C API tests: driving the library over a whole archive as the RAR
// backend does, and reading back what it wrote.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"
#include "unrar.h"

namespace unrar_test {

namespace fs = std::filesystem;

using tessaly::testing::ReadFileText;
using tessaly::testing::WriteFileText;

inline const fs::path kCorpusFolder = fs::path(TESSALY_CORPUS_DIR) / "rar";

inline std::string corpus(const std::string& name) {
  return (kCorpusFolder / name).string();
}

using TempDir = tessaly::testing::TempFolder;

struct EntryOutcome {
  std::string name;
  std::string volume;
  unsigned flags = 0;
  unsigned long long packSize = 0;
  unsigned long long unpSize = 0;
  int result = 0;  // of RARProcessFile
  int error = 0;   // errno after it
};

struct RunResult {
  int openResult = 0;
  int endResult = 0;  // the RARReadHeader code that ended the loop
  std::vector<EntryOutcome> entries;
  bool all_ok() const {
    if (openResult != 0 || endResult != ERAR_END_ARCHIVE) return false;
    for (const EntryOutcome& entry : entries) {
      if (entry.result != 0) return false;
    }
    return true;
  }
};

// Opens archive, and for every entry sets the password (when given) and runs
// operation; destination is used for RAR_EXTRACT. With skipDamaged a damaged header
// is skipped as the RAR backend does when the user agrees. Stops after 100000 headers.
inline RunResult run_archive(const std::string& archive, int operation,
                             const std::string& destination = "", const std::string& password = "",
                             unsigned mode = RAR_OM_EXTRACT, PROCESSDATAPROC callback = nullptr,
                             bool skipDamaged = false) {
  RunResult run;
  RAROpenArchiveData open{};
  open.ArcName = archive.c_str();
  open.OpenMode = mode;
  HANDLE handle = RAROpenArchive(&open);
  run.openResult = static_cast<int>(open.OpenResult);
  if (!handle) return run;
  if (callback) RARSetProcessDataProc(handle, callback);
  std::string passwordText = password;
  // Encrypted headers need it before the first entry.
  if (!password.empty()) RARSetPassword(handle, passwordText.data());
  std::string destinationText = destination;
  for (int count = 0; count < 100000; ++count) {
    RARHeaderData header{};
    const int read = RARReadHeader(handle, &header);
    if (read == ERAR_BAD_ARCHIVE && skipDamaged &&
        RARSkipDamagedBlock(handle) != ERAR_BAD_ARCHIVE) {
      continue;
    }
    if (read != 0) {
      run.endResult = read;
      break;
    }
    EntryOutcome entry;
    entry.name = header.FileNameW;
    entry.volume = header.ArcName;
    entry.flags = header.Flags;
    entry.packSize = header.PackSize64;
    entry.unpSize = header.UnpSize64;
    if (!password.empty()) RARSetPassword(handle, passwordText.data());
    entry.result = RARProcessFile(handle, operation,
                                  destination.empty() ? nullptr : destinationText.data(), nullptr);
    entry.error = errno;
    run.entries.push_back(entry);
  }
  RARCloseArchive(handle);
  return run;
}

// The open record's comment state, and the comment when there is one.
inline std::pair<unsigned, std::string> comment_of(const std::string& archive,
                                                   unsigned bufferSize = 16384) {
  std::vector<char> buffer(bufferSize + 1, '#');
  RAROpenArchiveData open{};
  open.ArcName = archive.c_str();
  open.CmtBuf = buffer.data();
  open.CmtBufSize = bufferSize;
  HANDLE handle = RAROpenArchive(&open);
  if (handle) RARCloseArchive(handle);
  EXPECT_EQ(buffer[bufferSize], '#') << "written past the buffer";
  return {open.CmtState, open.CmtSize > 0 ? std::string(buffer.data(), open.CmtSize - 1) : ""};
}

// Skips every entry but the last, then extracts the last to destination (or tests
// it, without one); the last entry's result.
inline int process_last_after_skips(const std::string& archive, unsigned mode = RAR_OM_EXTRACT,
                                    const std::string& destination = "") {
  const size_t count = run_archive(archive, RAR_SKIP, "", "", RAR_OM_LIST).entries.size();
  RAROpenArchiveData open{};
  open.ArcName = archive.c_str();
  open.OpenMode = mode;
  HANDLE handle = RAROpenArchive(&open);
  if (!handle) return -1;
  std::string destinationText = destination;
  int result = -1;
  RARHeaderData header{};
  for (size_t i = 0; i < count && RARReadHeader(handle, &header) == 0; ++i) {
    const bool last = i + 1 == count;
    const int operation = !last ? RAR_SKIP : destination.empty() ? RAR_TEST : RAR_EXTRACT;
    result = RARProcessFile(handle, operation,
                            operation == RAR_EXTRACT ? destinationText.data() : nullptr, nullptr);
  }
  RARCloseArchive(handle);
  return result;
}

}  // namespace unrar_test
