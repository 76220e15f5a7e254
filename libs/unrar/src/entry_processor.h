// Skips, tests or extracts the entry the reader has just reported: joins its
// parts, decrypts, decodes (keeping the decoder state of a solid archive), checks
// its checksums, and writes it below the destination.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive_entry.h"
#include "archive_reader.h"
#include "packed_cipher.h"
#include "rar_crypto.h"
#include "rar_decoder.h"
#include "unrar.h"

namespace unrar {

class EntryInput;
class EntrySink;

enum class EntryAction { skip, test, extract };

class EntryProcessor {
 public:
  explicit EntryProcessor(ArchiveReader& reader) : reader_(reader) {}
  // Gives the extracted folders their times and modes, which writing into them
  // would have changed or prevented.
  ~EntryProcessor();
  EntryProcessor(const EntryProcessor&) = delete;
  EntryProcessor& operator=(const EntryProcessor&) = delete;
  void set_password(const std::string& password) { password_ = password; }
  void set_callback(PROCESSDATAPROC callback) { callback_ = callback; }
  // Listing only skips: skipped entries of a solid archive are then not decoded, and
  // a later entry that continues their stream cannot be unpacked (ERAR_BAD_DATA).
  void set_listing(bool listing) { listing_ = listing; }

  // destination: the folder ("" = the current one); outputName: a path that replaces
  // the entry's own, or "". An ERAR_* code.
  int process(const ArchiveEntry& entry, EntryAction action, const std::string& destination,
              const std::string& outputName);
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
  int unpack_link(const ArchiveEntry& entry, EntryInput& input,
                  const std::optional<Bytes32>& hashKey, const Target* target);
  int decode(const ArchiveEntry& entry, EntryInput& input, EntrySink& sink);
  int make_cipher(const ArchiveEntry& entry, std::unique_ptr<PackedCipher>& cipher,
                  std::optional<Bytes32>& hashKey);
  int decoder_for(const ArchiveEntry& entry, Decoder*& decoder);
  int skip(const ArchiveEntry& entry);

  ArchiveReader& reader_;
  std::optional<std::string> password_;
  PROCESSDATAPROC callback_ = nullptr;
  bool listing_ = false;
  bool solidStreamBroken_ = false;
  std::vector<std::pair<std::string, ArchiveEntry>> folders_;
  std::unique_ptr<Decoder> rar15_;
  std::unique_ptr<Decoder> rar20_;
  std::unique_ptr<Decoder> rar29_;
  std::unique_ptr<Decoder> rar5_;
  uint64_t rar5Dictionary_ = 0;
  int rar5Algorithm_ = 0;
};

}  // namespace unrar
