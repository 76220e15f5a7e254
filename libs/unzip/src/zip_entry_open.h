// Builds the stages that turn one entry's stored bytes into its data: the raw bytes
// libzip reads, our decryption and our decoder.
#pragma once

#include <zip.h>

#include <memory>
#include <string>

#include "zip_archive.h"
#include "zip_libzip_stream.h"

namespace unzip {

bool entry_decodable(const EntryInfo& entry);

// Ok, WrongPassword, or why the entry's first bytes could not be read.
ReadStatus check_entry_password(SharedZip& zip, const EntryInfo& entry,
                                const std::string& password);

std::unique_ptr<EntryReader> open_entry_reader(SharedZip& zip, const EntryInfo& entry,
                                               const std::string& password, ReadStatus& status);

}  // namespace unzip
