#include "entry_processor.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "ahead_entry_job.h"
#include "archivekit/entry_output.h"
#include "entry_decoding.h"
#include "entry_sink.h"
#include "output_files.h"
#include "unace.h"

namespace unace {
namespace {

constexpr uint8_t kTypeStored = 0;
constexpr unsigned kLargestDictionaryBits = 22;
// A read this large takes one whole piece of a worker's output.
constexpr size_t kAheadRead = archivekit::PacedOutput::kPieceSize;

// An entry's output decoded ahead, into sink as it was written; an ACE_* code.
int copy_ahead(archivekit::AheadStream& stream, EntrySink& sink) {
  std::vector<uint8_t> buffer(kAheadRead);
  for (;;) {
    const size_t got = stream.read(buffer.data(), buffer.size());
    if (got == 0) return stream.status();
    if (!sink.write(buffer.data(), got)) return sink.failure();
  }
}

}  // namespace

int EntryProcessor::process(const AceEntry& entry, archivekit::EntryAction action,
                            const std::string& destination) {
  keptName_.clear();
  if (action == archivekit::EntryAction::skip) return skip(entry);
  ahead_.note(true);
  // Its first part lies in a volume before the one that was opened.
  if (entry.splitBefore()) {
    EntryInput(reader_, entry, nullptr).skip_rest();
    return ACE_BAD_DATA;
  }
  std::string path;
  if (action == archivekit::EntryAction::extract) {
    std::string relative;
    const int error = archivekit::resolve_output_path(destination, entry.name, path, relative)
                          ? knownFolders_.make(path, entry.directory())
                          : EACCES;
    if (error != 0) {
      EntryInput(reader_, entry, nullptr).skip_rest();
      errno = error;
      return write_error_code(error);
    }
  }
  if (entry.directory()) {
    const int result = EntryInput(reader_, entry, nullptr).skip_rest();
    if (action == archivekit::EntryAction::extract) folders_.add(path, entry);
    return result;
  }
  return unpack(entry, action == archivekit::EntryAction::extract ? &path : nullptr);
}

int EntryProcessor::skip(const AceEntry& entry) {
  ahead_.note(false);
  EntryInput input(reader_, entry, nullptr);
  // A listing reads one volume: the parts in the next ones are not its business.
  const auto pass_over = [&]() -> int {
    if (!listing_) return input.skip_rest();
    return input.skip_part() ? ACE_SUCCESS : ACE_BAD_DATA;
  };
  if (!reader_.solid() || entry.directory() || entry.unpackedSize == 0) return pass_over();
  // The dictionary of a solid archive must see every entry in turn.
  if (listing_ || entry.splitBefore() || !decodable(entry) ||
      (entry.encrypted() && (!password_ || password_->empty()))) {
    solidStreamBroken_ = true;
    return pass_over();
  }
  const int result = unpack(entry, nullptr);
  // A damaged entry breaks the ones after it, which report it themselves; a stop
  // asked for by the caller ends the skip too.
  return result == ACE_VOLUME_MISSING || result == ACE_READ_ERROR || result == ACE_STOPPED
             ? result
             : ACE_SUCCESS;
}

int EntryProcessor::decoder_for(const AceEntry& entry, Decoder*& decoder) {
  unsigned bits = entry.dictionaryBits;
  // A solid stream cannot change its dictionary under way: it gets the largest of
  // the volume from the start.
  if (reader_.solid() && !decoder_) {
    bits = std::min(std::max(bits, reader_.largest_dictionary_bits()), kLargestDictionaryBits);
  }
  // Entries that start afresh get a window of their own size, as on a worker, so that
  // their output is cut alike.
  const bool fits = reader_.solid() ? decoderBits_ >= bits : decoderBits_ == bits;
  if (!decoder_ || !fits) {
    decoder_ = make_decoder(bits);
    decoderBits_ = decoder_ ? bits : 0;
  }
  decoder = decoder_.get();
  return decoder ? ACE_SUCCESS : ACE_UNSUPPORTED;
}

int EntryProcessor::decode(const AceEntry& entry, EntryInput& input, EntrySink& sink) {
  const bool solid = reader_.solid();
  if (entry.type == kTypeStored && !solid) return copy_stored(entry, input, sink);
  if (solid && solidStreamBroken_) return ACE_BAD_DATA;
  Decoder* decoder = nullptr;
  const int result = decoder_for(entry, decoder);
  if (result != ACE_SUCCESS) return result;
  const auto type = static_cast<CompressionType>(entry.type);
  return decode_status(decoder->decode_entry(input, sink, entry.unpackedSize, type, solid), input,
                       sink);
}

int EntryProcessor::open_output(const std::string& path, EntryInput& input,
                                archivekit::StagedFile& file) {
  if (open_output_file(path, file)) return ACE_SUCCESS;
  const int error = errno;
  input.skip_rest();
  errno = error;
  return write_error_code(error);
}

bool EntryProcessor::open_output_file(const std::string& path, archivekit::StagedFile& file) {
  if (file.open(path) || errno != ENOENT) return file.is_open();
  // A folder this extraction made was removed under it: make the way again.
  knownFolders_.forget();
  const int error = knownFolders_.make(path, false);
  if (error != 0) {
    errno = error;
    return false;
  }
  return file.open(path);
}

int EntryProcessor::unpack(const AceEntry& entry, const std::string* path) {
  if (std::unique_ptr<archivekit::AheadStream> ahead = take_ahead(entry)) {
    return unpack_ahead(entry, *ahead, path);
  }
  if (!decodable(entry)) {
    EntryInput(reader_, entry, nullptr).skip_rest();
    return ACE_UNSUPPORTED;
  }
  std::unique_ptr<AceCbcDecryptor> cipher;
  if (entry.encrypted()) {
    // Without a password the data cannot be right.
    if (!password_ || password_->empty()) {
      if (reader_.solid()) solidStreamBroken_ = true;
      EntryInput(reader_, entry, nullptr).skip_rest();
      return ACE_BAD_DATA;
    }
    if (!cipher_) cipher_.emplace(derive_ace_key(*password_));
    cipher = std::make_unique<AceCbcDecryptor>(*cipher_);
  }
  EntryInput input(reader_, entry, std::move(cipher));
  archivekit::StagedFile file;
  if (path) {
    const int opened = open_output(*path, input, file);
    if (opened != ACE_SUCCESS) return opened;
  }
  EntrySink sink(file.fd(), callback_);
  int result = decode(entry, input, sink);
  const int rest = input.skip_rest();
  if (result == ACE_SUCCESS) result = rest;
  if (result == ACE_SUCCESS) result = verify(entry, input.part(), sink);
  if (result != ACE_SUCCESS && reader_.solid()) solidStreamBroken_ = true;
  return finish(entry, file, sink, result, path);
}

std::unique_ptr<archivekit::AheadStream> EntryProcessor::take_ahead(const AceEntry& entry) {
  const bool keyed = password_ && !password_->empty() && !failedPassword_;
  if (keyed && !cipher_) cipher_.emplace(derive_ace_key(*password_));
  const AceBlowfish* cipher = keyed ? &*cipher_ : nullptr;
  return ahead_.take({entry.volumeIndex, entry.dataOffset}, reader_.volume_index(),
                     reader_.position(),
                     [&](uint64_t& offset) { return ahead_candidate(reader_, offset, cipher); });
}

// The same steps as unpack, the decoding and its checks done by a worker.
int EntryProcessor::unpack_ahead(const AceEntry& entry, archivekit::AheadStream& stream,
                                 const std::string* path) {
  EntryInput input(reader_, entry, nullptr);
  archivekit::StagedFile file;
  if (path) {
    const int opened = open_output(*path, input, file);
    if (opened != ACE_SUCCESS) return opened;
  }
  EntrySink sink(file.fd(), callback_);
  int result = copy_ahead(stream, sink);
  const int rest = input.skip_rest();
  if (result == ACE_SUCCESS) result = rest;
  return finish(entry, file, sink, result, path);
}

int EntryProcessor::finish(const AceEntry& entry, archivekit::StagedFile& file,
                           const EntrySink& sink, int result, const std::string* path) {
  // A stop leaves nothing to decode ahead for; a wrong password would only fail again.
  if (sink.failed()) ahead_.forget();
  if (result == ACE_BAD_DATA && entry.encrypted()) {
    ahead_.forget();
    failedPassword_ = true;
  }
  // Only a whole, verified file takes the entry's name; anything else leaves what was
  // there before untouched.
  if (path && result == ACE_SUCCESS) {
    apply_file_metadata(file.fd(), entry.dosTime, entry.attributes);
    if (!file.commit()) result = write_error_code(errno);
  }
  const bool damaged =
      result == ACE_BAD_DATA || result == ACE_READ_ERROR || result == ACE_VOLUME_MISSING;
  if (path && keepBroken_ && damaged) keptName_ = file.keep_damaged();
  return result;
}

}  // namespace unace
