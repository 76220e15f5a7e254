// Tests or extracts the entry the reader has just reported. The folder an entry lies
// in is decoded once, in order: the stream stays open for the next entries of a solid
// folder, and the substreams before an entry are decoded and passed over. Decoding may
// run on worker threads (FolderPrefetch); writing, checking and every callback stay on
// the caller's thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "archive_reader.h"
#include "archivekit/archive_session.h"
#include "archivekit/byte_stream.h"
#include "archivekit/extracted_folders.h"
#include "entry_sink.h"
#include "folder_prefetch.h"
#include "un7z.h"

namespace un7z {

using archivekit::ByteStream;

// Extracted folders get their times when it is destroyed.
class EntryProcessor {
 public:
  explicit EntryProcessor(ArchiveReader& reader) : reader_(reader), prefetch_(reader) {}
  void set_callback(UN7ZPROCESSDATAPROC callback) { callback_ = callback; }
  // A new password: a folder that failed with the old one may be tried again.
  void password_changed() {
    broken_.reset();
    prefetch_.forget();
  }
  // Decoding threads, as worker_count reads the number.
  void set_threads(int threads) {
    open_.reset();
    prefetch_.set_threads(threads);
  }
  // The reader starts again at the first entry: no folder is open, none is ahead.
  void rewind() {
    open_.reset();
    prefetch_.restart();
  }
  // A damaged entry keeps what was written of it as "<path>.damaged".
  void set_keep_broken(bool keep) { keepBroken_ = keep; }
  // Where the last entry processed was kept; "" when it was not.
  const std::string& kept_name() const { return keptName_; }

  // destination: the folder ("" = the current one). A UN7Z_* code.
  int process(const SevenZipEntry& entry, archivekit::EntryAction action,
              const std::string& destination);
  // Nothing to read: a later entry of the same folder decodes what lies before it.
  int skip(const SevenZipEntry& entry) {
    if (entry.hasStream) prefetch_.note(entry, false);
    return UN7Z_SUCCESS;
  }

 private:
  struct OpenFolder {
    size_t index = 0;
    size_t nextSubstream = 0;
    std::unique_ptr<ByteStream> stream;
  };
  struct BrokenFolder {
    size_t index = 0;
    int code = 0;
  };

  int extract(const SevenZipEntry& entry, const std::string& destination);
  // Decodes the entry's data into sink and checks its CRC.
  int unpack(const SevenZipEntry& entry, EntrySink& sink);
  // The open folder stream, at the entry's substream.
  int position_at(const SevenZipEntry& entry);
  // Reads size bytes of the open folder into sink; 0 or the code of what failed.
  int pump(uint64_t size, EntrySink& sink);
  // What a failed decode of the folder means, the folder marked broken.
  int decode_failure(size_t folder, int code);
  // The password the folder was decoded with proved wrong.
  int password_failure();

  ArchiveReader& reader_;
  UN7ZPROCESSDATAPROC callback_ = nullptr;
  FolderPrefetch prefetch_;  // before open_: its workers outlive the stream
  bool keepBroken_ = false;
  std::string keptName_;
  std::optional<OpenFolder> open_;
  std::optional<BrokenFolder> broken_;
  archivekit::ExtractedFolders<SevenZipEntry> folders_{&set_recorded_time};

  // The entry's modification time on the folder or link at path (the link's own).
  static void set_recorded_time(const std::string& path, const SevenZipEntry& entry);
};

}  // namespace un7z
