// The steps of unpacking one entry that do not depend on where they run: whether we
// decode it, its cipher, a decoder of the right kind, the decoding itself and the
// checks at its end. The caller's thread and the workers share them.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "archive_entry.h"
#include "archivekit/packed_entry_input.h"
#include "entry_sink.h"
#include "packed_cipher.h"
#include "rar_crypto.h"
#include "rar_decoder.h"

namespace unrar {

// The RAR 1.5-4 decoders' window, which covers every dictionary of these versions.
constexpr uint64_t kRar4Window = 4u << 20;

bool supported(const ArchiveEntry& entry);
// The window an entry's decoder needs.
uint64_t window_for(const ArchiveEntry& entry, bool solidArchive);
// A fresh decoder for the entry's version; null when its window cannot be allocated.
std::unique_ptr<Decoder> make_decoder(const ArchiveEntry& entry, uint64_t window);
// The cipher of an encrypted entry under password. An ERAR_* code:
// ERAR_MISSING_PASSWORD without one, ERAR_BAD_DATA when its check value tells it wrong.
int make_cipher(const ArchiveEntry& entry, const std::optional<std::string>& password,
                KeyCache& keyCache, std::unique_ptr<PackedCipher>& cipher,
                std::optional<Bytes32>& hashKey);
// Decodes the entry's data into sink (decoder unused for stored data). An ERAR_* code.
int decode_with(Decoder* decoder, const ArchiveEntry& entry, archivekit::PackedEntryInput& input,
                EntrySink& sink);
// The whole entry's size and checksums; they sit in its last part. An ERAR_* code.
int verify(const ArchiveEntry& entry, const ArchiveEntry& lastPart, EntrySink& sink,
           const std::optional<Bytes32>& hashKey);

}  // namespace unrar
