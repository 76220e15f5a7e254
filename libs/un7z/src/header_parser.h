// Parses the 7z header structures (after the signature header) into an
// ArchiveDatabase. Damaged or inconsistent bytes end in false, never in a read out of
// bounds or an allocation larger than the header could describe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive_database.h"
#include "header_bytes.h"

namespace un7z {

// Property ids of the header.
enum PropertyId : uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kCTime = 0x12,
  kATime = 0x13,
  kMTime = 0x14,
  kWinAttributes = 0x15,
  kEncodedHeader = 0x17,
  kDummy = 0x19,
};

// The streams info that follows kMainStreamsInfo or kEncodedHeader, up to its kEnd.
bool parse_streams_info(HeaderBytes& in, StreamsInfo& streams);
// A plain header, after its kHeader byte.
bool parse_header(HeaderBytes& in, ArchiveDatabase& database);

}  // namespace un7z
