// Skips, tests or extracts the entry the reader has just reported: joins its
// parts, decrypts, decodes (keeping the dictionary of a solid archive), checks its
// CRC, and writes it below the destination.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ace_crypto.h"
#include "ace_decoder.h"
#include "archive_reader.h"
#include "archivekit/ahead_entries.h"
#include "archivekit/archive_session.h"
#include "archivekit/extracted_folders.h"
#include "archivekit/staged_file.h"
#include "entry_input.h"
#include "output_files.h"
#include "unace.h"

namespace unace {

class EntrySink;

// Extracted folders get their times when it is destroyed.
class EntryProcessor {
 public:
  explicit EntryProcessor(ArchiveReader& reader) : reader_(reader) {}
  void set_password(std::string password) {
    if (password_ != password) {
      ahead_.forget();
      failedPassword_ = false;
    }
    password_ = std::move(password);
    cipher_.reset();
  }
  // Worker threads that decode the entries after the current one (unace.h, ACESetThreads).
  void set_threads(int threads) { ahead_.set_threads(threads); }
  // Listing only skips: skipped entries of a solid archive are then not decoded,
  // and a later entry that continues their stream cannot be unpacked.
  void set_listing(bool listing) { listing_ = listing; }
  // Hears of every piece an entry unpacks to, and may stop the entry.
  void set_callback(ACEPROCESSDATAPROC callback) { callback_ = callback; }
  // A damaged entry keeps what was written of it (unace.h, ACESetKeepBroken).
  void set_keep_broken(bool keep) { keepBroken_ = keep; }
  // Where the last process call kept a damaged entry; "" when it kept none.
  const std::string& kept_name() const { return keptName_; }

  // destination: the folder ("" = the current one). An ACE_* code.
  int process(const AceEntry& entry, archivekit::EntryAction action,
              const std::string& destination);
  // Moves past the entry, decoding it when a solid stream needs it. An ACE_* code.
  int skip(const AceEntry& entry);

 private:
  int unpack(const AceEntry& entry, const std::string* path);
  // The entry's output decoded ahead by a worker, or null.
  std::unique_ptr<archivekit::AheadStream> take_ahead(const AceEntry& entry);
  int unpack_ahead(const AceEntry& entry, archivekit::AheadStream& stream, const std::string* path);
  // The end of an entry's unpacking: only a whole, verified file takes its name.
  int finish(const AceEntry& entry, archivekit::StagedFile& file, const EntrySink& sink, int result,
             const std::string* path);
  int decode(const AceEntry& entry, EntryInput& input, EntrySink& sink);
  int decoder_for(const AceEntry& entry, Decoder*& decoder);
  // The entry's staged file, its folders made again if one has vanished; false with
  // errno set.
  bool open_output_file(const std::string& path, archivekit::StagedFile& file);
  // The same; when the file cannot be made the entry is passed over, and the code says
  // why (errno kept).
  int open_output(const std::string& path, EntryInput& input, archivekit::StagedFile& file);

  ArchiveReader& reader_;
  std::optional<std::string> password_;
  std::optional<AceBlowfish> cipher_;  // keyed with password_ when first needed
  ACEPROCESSDATAPROC callback_ = nullptr;
  bool listing_ = false;
  bool keepBroken_ = false;
  std::string keptName_;
  bool solidStreamBroken_ = false;
  archivekit::ExtractedFolders<AceEntry> folders_{
      [](const std::string& path, const AceEntry& entry) {
        apply_folder_time(path, entry.dosTime);
      }};
  KnownFolders knownFolders_;
  std::unique_ptr<Decoder> decoder_;
  unsigned decoderBits_ = 0;
  archivekit::AheadEntries ahead_;
  bool failedPassword_ = false;  // under password_: nothing encrypted decodes ahead
};

}  // namespace unace
