// Skips, tests or extracts the entry the reader has just reported: joins its
// parts, decrypts, decodes (keeping the decoder state of a solid archive), checks
// its checksums, and writes it below the destination.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ahead_entry_job.h"
#include "archive_entry.h"
#include "archive_reader.h"
#include "archivekit/ahead_entries.h"
#include "archivekit/archive_session.h"
#include "archivekit/extracted_folders.h"
#include "archivekit/staged_file.h"
#include "entry_input.h"
#include "output_files.h"
#include "rar_crypto.h"
#include "rar_decoder.h"
#include "unrar.h"

namespace unrar {

class EntrySink;

// Extracted folders get their times and modes when it is destroyed.
class EntryProcessor {
 public:
  explicit EntryProcessor(ArchiveReader& reader) : reader_(reader) {}
  void set_password(const std::string& password) {
    if (password_ != password) {
      ahead_.forget();
      failedPassword_ = false;
    }
    password_ = password;
  }
  // Worker threads that decode the entries after the current one (unrar.h, RARSetThreads).
  void set_threads(int threads) { ahead_.set_threads(threads); }
  void set_callback(PROCESSDATAPROC callback) { callback_ = callback; }
  // Listing only skips: skipped entries of a solid archive are then not decoded, and
  // a later entry that continues their stream cannot be unpacked (ERAR_BAD_DATA).
  void set_listing(bool listing) { listing_ = listing; }
  // A damaged entry keeps what was written of it (unrar.h, RARSetKeepBroken).
  void set_keep_broken(bool keep) { keepBroken_ = keep; }
  // Where the last process call kept a damaged entry; "" when it kept none.
  const std::string& kept_name() const { return keptName_; }

  // destination: the folder ("" = the current one); outputName: a path that replaces
  // the entry's own, or "". An ERAR_* code.
  int process(const ArchiveEntry& entry, archivekit::EntryAction action,
              const std::string& destination, const std::string& outputName);
  // Moves past the entry, decoding it when a solid stream needs it. An ERAR_* code.
  int skip(const ArchiveEntry& entry);
  // A service entry's data (the archive comment) unpacked into text, with a decoder
  // of its own; the reading position does not move. An ERAR_* code.
  int unpack_text(const ArchiveEntry& entry, std::string& text);

 private:
  struct Target {
    std::string root;
    std::string path;
    std::string relative;
  };
  int unpack(const ArchiveEntry& entry, const Target* target);
  // The entry's output decoded ahead by a worker, or null.
  std::unique_ptr<archivekit::AheadStream> take_ahead(const ArchiveEntry& entry);
  int unpack_ahead(const ArchiveEntry& entry, archivekit::AheadStream& stream,
                   const Target* target);
  // An encrypted entry failed under the password: nothing more decodes ahead under it.
  void password_failed();
  // The entry's staged file; when it cannot be made the entry is passed over, and the
  // code says why (errno kept).
  int open_output(const std::string& path, EntryInput& input, archivekit::StagedFile& file);
  // The end of an entry's unpacking: only a whole, verified file takes its name.
  int finish(const ArchiveEntry& entry, archivekit::StagedFile& file, const EntrySink& sink,
             int result, const Target* target);
  int unpack_link(const ArchiveEntry& entry, EntryInput& input,
                  const std::optional<Bytes32>& hashKey, const Target* target);
  int decode(const ArchiveEntry& entry, EntryInput& input, EntrySink& sink);
  int decoder_for(const ArchiveEntry& entry, Decoder*& decoder);

  ArchiveReader& reader_;
  std::optional<std::string> password_;
  PROCESSDATAPROC callback_ = nullptr;
  bool listing_ = false;
  bool keepBroken_ = false;
  std::string keptName_;
  bool solidStreamBroken_ = false;
  archivekit::ExtractedFolders<ArchiveEntry> folders_{apply_metadata};
  std::unique_ptr<Decoder> rar15_;
  std::unique_ptr<Decoder> rar20_;
  std::unique_ptr<Decoder> rar29_;
  std::unique_ptr<Decoder> rar5_;
  uint64_t rar5Dictionary_ = 0;
  int rar5Algorithm_ = 0;
  SharedDecoding shared_;
  archivekit::AheadEntries ahead_;  // its jobs go before what they share
  bool failedPassword_ = false;
  std::vector<uint8_t> aheadBuffer_;  // what a worker's piece is read into
};

}  // namespace unrar
