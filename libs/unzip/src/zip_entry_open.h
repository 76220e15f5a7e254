// Builds the stages that turn one entry's stored bytes into its data: the raw bytes
// (from libzip, or from the file where a scan found them), our decryption and our
// decoder.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "zip_archive.h"
#include "zip_stream.h"

namespace unzip {

// The entry's stored bytes, exactly compressed_size of them; nullptr with status set
// when they cannot be read.
using RawOpener = std::function<std::unique_ptr<ByteStream>(const EntryInfo&, ReadStatus&)>;

bool entry_decodable(const EntryInfo& entry);

// Ok, WrongPassword, or why the entry's first bytes could not be read.
ReadStatus check_entry_password(const RawOpener& open_raw, const EntryInfo& entry,
                                const std::string& password);

std::unique_ptr<EntryReader> open_entry_reader(const RawOpener& open_raw, const EntryInfo& entry,
                                               const std::string& password, ReadStatus& status);

}  // namespace unzip
