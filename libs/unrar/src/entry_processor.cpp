#include "entry_processor.h"

#include <cerrno>
#include <vector>

#include "ahead_entry_job.h"
#include "archivekit/entry_output.h"
#include "entry_decoding.h"
#include "entry_sink.h"
#include "output_files.h"

namespace unrar {
namespace {

// A read this large takes one whole piece of a worker's output.
constexpr size_t kAheadRead = archivekit::PacedOutput::kPieceSize;

// An entry's output decoded ahead, into sink as it was written; an ERAR_* code.
int copy_ahead(archivekit::AheadStream& stream, EntrySink& sink, std::vector<uint8_t>& buffer) {
  buffer.resize(kAheadRead);
  for (;;) {
    const size_t got = stream.read(buffer.data(), buffer.size());
    if (got == 0) return stream.status();
    if (!sink.write(buffer.data(), got)) return sink.cancelled() ? ERAR_UNKNOWN : ERAR_EWRITE;
  }
}

}  // namespace

int EntryProcessor::process(const ArchiveEntry& entry, archivekit::EntryAction action,
                            const std::string& destination, const std::string& outputName) {
  keptName_.clear();
  if (action == archivekit::EntryAction::skip) return skip(entry);
  ahead_.note(true);
  // Its first part lies in a volume before the one that was opened.
  if (entry.splitBefore) {
    EntryInput(reader_, entry, nullptr).skip_rest();
    return ERAR_BAD_DATA;
  }
  // A folder that is a link (a RAR5 directory link) is made as the link.
  const bool folder = entry.directory && entry.link == LinkKind::none;
  Target target;
  if (action == archivekit::EntryAction::extract) {
    bool placed = false;
    if (outputName.empty()) {
      target.root = destination;
      placed =
          archivekit::resolve_output_path(destination, entry.name, target.path, target.relative);
    } else {
      const size_t slash = outputName.find_last_of('/');
      target.root = slash == std::string::npos ? "" : outputName.substr(0, slash);
      placed = archivekit::resolve_output_path(target.root, outputName.substr(slash + 1),
                                               target.path, target.relative);
    }
    if (!placed || !archivekit::make_folders(target.path, folder)) {
      const int error = placed ? errno : EACCES;
      EntryInput(reader_, entry, nullptr).skip_rest();
      errno = error;
      return ERAR_ECREATE;
    }
  }
  if (folder) {
    const int result = EntryInput(reader_, entry, nullptr).skip_rest();
    if (action == archivekit::EntryAction::extract) folders_.add(target.path, entry);
    return result;
  }
  return unpack(entry, action == archivekit::EntryAction::extract ? &target : nullptr);
}

int EntryProcessor::skip(const ArchiveEntry& entry) {
  ahead_.note(false);
  // The decoder of a solid archive must see every compressed entry in turn.
  const bool feedsDecoder = reader_.solid() && !entry.directory && !entry.stored() &&
                            supported(entry) && (!entry.encrypted || password_);
  if (feedsDecoder && listing_) solidStreamBroken_ = true;
  if (feedsDecoder && !listing_ && !entry.splitBefore) {
    const PROCESSDATAPROC callback = callback_;
    callback_ = nullptr;
    const int result = unpack(entry, nullptr);
    callback_ = callback;
    // A missing volume, or a stop asked for between volumes, ends the skip too; a
    // damaged entry is left to the ones after it to report.
    return result == ERAR_EOPEN || result == ERAR_UNKNOWN ? result : ERAR_SUCCESS;
  }
  return EntryInput(reader_, entry, nullptr).skip_rest();
}

int EntryProcessor::decoder_for(const ArchiveEntry& entry, Decoder*& decoder) {
  if (entry.unpackVersion != 50) {
    // Each algorithm keeps its own stream; the window covers every dictionary of
    // these versions.
    std::unique_ptr<Decoder>& slot = entry.unpackVersion < 20   ? rar15_
                                     : entry.unpackVersion < 29 ? rar20_
                                                                : rar29_;
    if (!slot) slot = make_decoder(entry, kRar4Window);
    decoder = slot.get();
    return decoder ? ERAR_SUCCESS : ERAR_NO_MEMORY;
  }
  const uint64_t window = window_for(entry, reader_.solid());
  const bool fits = rar5_ && window <= rar5Dictionary_ && entry.rar5Algorithm == rar5Algorithm_;
  if (!fits) {
    // The window of a solid stream cannot grow under it.
    if (entry.solid && rar5_) return ERAR_BAD_DATA;
    rar5_.reset();
    rar5_ = make_decoder(entry, window);
    if (!rar5_) return ERAR_NO_MEMORY;
    rar5Dictionary_ = window;
    rar5Algorithm_ = entry.rar5Algorithm;
  }
  decoder = rar5_.get();
  return ERAR_SUCCESS;
}

int EntryProcessor::decode(const ArchiveEntry& entry, EntryInput& input, EntrySink& sink) {
  if (entry.stored()) return decode_with(nullptr, entry, input, sink);
  if (entry.solid && solidStreamBroken_) return ERAR_BAD_DATA;
  solidStreamBroken_ = false;
  Decoder* decoder = nullptr;
  const int result = decoder_for(entry, decoder);
  if (result != ERAR_SUCCESS) return result;
  return decode_with(decoder, entry, input, sink);
}

int EntryProcessor::unpack(const ArchiveEntry& entry, const Target* target) {
  if (std::unique_ptr<archivekit::AheadStream> ahead = take_ahead(entry)) {
    return unpack_ahead(entry, *ahead, target);
  }
  std::unique_ptr<PackedCipher> cipher;
  std::optional<Bytes32> hashKey;
  int result = supported(entry) ? ERAR_SUCCESS : ERAR_UNKNOWN;
  if (result == ERAR_SUCCESS && entry.encrypted) {
    result = make_cipher(entry, password_, *shared_.keys, cipher, hashKey);
  }
  EntryInput input(reader_, entry, std::move(cipher));
  if (result != ERAR_SUCCESS) {
    input.skip_rest();
    if (result == ERAR_BAD_DATA) password_failed();
    return result;
  }
  if (entry.link != LinkKind::none) return unpack_link(entry, input, hashKey, target);

  archivekit::StagedFile file;
  if (target && (result = open_output(target->path, input, file)) != ERAR_SUCCESS) return result;
  EntrySink sink(file.fd(), nullptr, callback_, entry.blake2.has_value());
  result = decode(entry, input, sink);
  const int rest = input.skip_rest();
  if (result == ERAR_SUCCESS) result = rest;
  if (result == ERAR_SUCCESS) result = verify(entry, input.part(), sink, hashKey);
  return finish(entry, file, sink, result, target);
}

// The same steps as unpack, the decoding and its checks done by a worker.
std::unique_ptr<archivekit::AheadStream> EntryProcessor::take_ahead(const ArchiveEntry& entry) {
  const std::optional<std::string> password = failedPassword_ ? std::nullopt : password_;
  return ahead_.take(
      {entry.volumeIndex, entry.dataOffset}, reader_.volume_index(), reader_.position(),
      [&](uint64_t& offset) { return ahead_candidate(reader_, offset, password, shared_); });
}

void EntryProcessor::password_failed() {
  ahead_.forget();
  failedPassword_ = true;
}

int EntryProcessor::unpack_ahead(const ArchiveEntry& entry, archivekit::AheadStream& stream,
                                 const Target* target) {
  EntryInput input(reader_, entry, nullptr);
  int result = stream.prepared();
  if (result != ERAR_SUCCESS) {
    input.skip_rest();
    if (result == ERAR_BAD_DATA) password_failed();
    return result;
  }
  archivekit::StagedFile file;
  if (target && (result = open_output(target->path, input, file)) != ERAR_SUCCESS) return result;
  EntrySink sink(file.fd(), nullptr, callback_, false);
  result = copy_ahead(stream, sink, aheadBuffer_);
  solidStreamBroken_ = false;
  const int rest = input.skip_rest();
  if (result == ERAR_SUCCESS) result = rest;
  return finish(entry, file, sink, result, target);
}

int EntryProcessor::open_output(const std::string& path, EntryInput& input,
                                archivekit::StagedFile& file) {
  if (file.open(path)) return ERAR_SUCCESS;
  const int error = errno;
  input.skip_rest();
  errno = error;
  return error == ENOSPC ? ERAR_EWRITE : ERAR_ECREATE;
}

int EntryProcessor::finish(const ArchiveEntry& entry, archivekit::StagedFile& file,
                           const EntrySink& sink, int result, const Target* target) {
  // A stop, or a wrong password, leaves nothing to decode ahead for.
  if (sink.cancelled()) ahead_.forget();
  if (result == ERAR_BAD_DATA && entry.encrypted) password_failed();
  // Only a whole, verified file takes the entry's name; anything else leaves what
  // was there before untouched.
  if (target && result == ERAR_SUCCESS) {
    apply_file_metadata(file.fd(), entry);
    if (!file.commit()) result = errno == ENOSPC ? ERAR_EWRITE : ERAR_ECREATE;
  }
  const bool damaged =
      result == ERAR_BAD_DATA || result == ERAR_BAD_ARCHIVE || result == ERAR_EOPEN;
  if (target && keepBroken_ && damaged) keptName_ = file.keep_damaged();
  return result;
}

int EntryProcessor::unpack_text(const ArchiveEntry& entry, std::string& text) {
  if (!supported(entry) || entry.splitBefore || entry.splitAfter) return ERAR_UNKNOWN;
  std::unique_ptr<PackedCipher> cipher;
  std::optional<Bytes32> hashKey;
  if (entry.encrypted) {
    const int keyed = make_cipher(entry, password_, *shared_.keys, cipher, hashKey);
    if (keyed != ERAR_SUCCESS) return keyed;
  }
  EntryInput input(reader_, entry, std::move(cipher));
  EntrySink sink(-1, &text, nullptr, entry.blake2.has_value());
  ArchiveEntry fresh = entry;
  fresh.solid = false;
  const int result = decode(fresh, input, sink);
  if (result == ERAR_EWRITE) return ERAR_SMALL_BUF;
  return result == ERAR_SUCCESS ? verify(entry, entry, sink, hashKey) : result;
}

int EntryProcessor::unpack_link(const ArchiveEntry& entry, EntryInput& input,
                                const std::optional<Bytes32>& hashKey, const Target* target) {
  std::string linkTarget = entry.linkTarget;
  int result = ERAR_SUCCESS;
  if (entry.unpackVersion != 50) {
    // RAR 1.5-4 links carry their target as the entry's data.
    EntrySink sink(-1, &linkTarget, nullptr, false);
    result = decode(entry, input, sink);
    if (result == ERAR_EWRITE) result = ERAR_BAD_DATA;
    const int rest = input.skip_rest();
    if (result == ERAR_SUCCESS) result = rest;
    if (result == ERAR_SUCCESS) result = verify(entry, input.part(), sink, hashKey);
  } else {
    result = input.skip_rest();
  }
  if (result != ERAR_SUCCESS || !target) return result;
  if (entry.link == LinkKind::symlink) {
    const archivekit::LinkResult made =
        archivekit::create_symlink(target->root, target->relative, target->path, linkTarget);
    if (made == archivekit::LinkResult::outside) return ERAR_UNSAFE_LINK;
    if (made == archivekit::LinkResult::failed) return ERAR_ECREATE;
    apply_metadata(target->path, entry);
    return ERAR_SUCCESS;
  }
  // A hard link's target follows the rule of every name: it may not climb out.
  std::string sourcePath;
  std::string sourceRelative;
  if (!archivekit::resolve_output_path(target->root, linkTarget, sourcePath, sourceRelative)) {
    return ERAR_UNSAFE_LINK;
  }
  return copy_extracted_file(sourcePath, entry, target->path) ? ERAR_SUCCESS : ERAR_ECREATE;
}

}  // namespace unrar
