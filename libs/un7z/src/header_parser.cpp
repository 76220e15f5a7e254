#include "header_parser.h"

#include <algorithm>
#include <numeric>

#include "utf16_text.h"

namespace un7z {
namespace {

constexpr size_t kMostCoders = 32;
constexpr size_t kMostCoderStreams = 32;
constexpr uint64_t kLargestSize = uint64_t{1} << 62;
// Far more than any archive holds, and still a table a process can have.
constexpr size_t kMostEntries = size_t{1} << 22;

bool expect(HeaderBytes& in, uint8_t id) {
  uint64_t read = 0;
  return in.number(read) && read == id;
}

bool parse_pack_info(HeaderBytes& in, StreamsInfo& streams) {
  size_t count = 0;
  if (!in.number(streams.packPos) || streams.packPos > kLargestSize ||
      !in.count(in.remaining(), count) || !expect(in, kSize)) {
    return false;
  }
  streams.packSizes.resize(count);
  for (uint64_t& size : streams.packSizes) {
    if (!in.number(size) || size > kLargestSize) return false;
  }
  for (;;) {
    uint64_t id = 0;
    if (!in.number(id)) return false;
    if (id == kEnd) return true;
    std::vector<std::optional<uint32_t>> ignored;
    if (id != kCrc || !in.digests(count, ignored)) return false;
  }
}

bool parse_coder(HeaderBytes& in, Coder& coder) {
  uint8_t flags = 0;
  const uint8_t* id = nullptr;
  // Bit 0x80 announced alternative methods, which no writer ever made.
  if (!in.byte(flags) || (flags & 0x80)) return false;
  id = in.position();
  if (!in.skip(flags & 0x0F)) return false;
  coder.id.assign(id, id + (flags & 0x0F));
  if (flags & 0x10) {
    size_t inStreams = 0, outStreams = 0;
    if (!in.count(kMostCoderStreams, inStreams) || !in.count(kMostCoderStreams, outStreams)) {
      return false;
    }
    coder.inStreams = static_cast<uint32_t>(inStreams);
    coder.outStreams = static_cast<uint32_t>(outStreams);
  }
  if (flags & 0x20) {
    size_t size = 0;
    if (!in.count(in.remaining(), size)) return false;
    coder.properties.assign(in.position(), in.position() + size);
    in.skip(size);
  }
  return true;
}

// Every stream is fed and consumed once, so that the coders form a tree: one that
// shared a stream could have the decoder build the same branch many times over.
bool each_stream_once(const Folder& folder, uint32_t totalIn, uint32_t totalOut) {
  std::vector<bool> inUsed(totalIn), outUsed(totalOut);
  const auto use = [](std::vector<bool>& used, uint32_t index) {
    if (used[index]) return false;
    used[index] = true;
    return true;
  };
  for (const BindPair& pair : folder.bindPairs) {
    if (!use(inUsed, pair.inIndex) || !use(outUsed, pair.outIndex)) return false;
  }
  return std::all_of(folder.packedInStreams.begin(), folder.packedInStreams.end(),
                     [&](uint32_t stream) { return use(inUsed, stream); });
}

bool parse_folder(HeaderBytes& in, Folder& folder) {
  size_t coders = 0;
  if (!in.count(kMostCoders, coders) || coders == 0) return false;
  folder.coders.resize(coders);
  uint32_t totalOut = 0;
  for (Coder& coder : folder.coders) {
    if (!parse_coder(in, coder)) return false;
    totalOut += coder.outStreams;
  }
  const uint32_t totalIn = folder.total_in_streams();
  if (totalOut == 0 || totalIn < totalOut) return false;
  folder.bindPairs.resize(totalOut - 1);
  for (BindPair& pair : folder.bindPairs) {
    size_t inIndex = 0, outIndex = 0;
    if (!in.count(totalIn - 1, inIndex) || !in.count(totalOut - 1, outIndex)) return false;
    pair = {static_cast<uint32_t>(inIndex), static_cast<uint32_t>(outIndex)};
  }
  const uint32_t packed = totalIn - (totalOut - 1);
  for (uint32_t stream = 0; packed == 1 && stream < totalIn; ++stream) {
    if (std::none_of(folder.bindPairs.begin(), folder.bindPairs.end(),
                     [&](const BindPair& pair) { return pair.inIndex == stream; })) {
      folder.packedInStreams.push_back(stream);
    }
  }
  for (uint32_t i = 0; packed > 1 && i < packed; ++i) {
    size_t stream = 0;
    if (!in.count(totalIn - 1, stream)) return false;
    folder.packedInStreams.push_back(static_cast<uint32_t>(stream));
  }
  folder.unpackSizes.resize(totalOut);
  return folder.packedInStreams.size() == packed && each_stream_once(folder, totalIn, totalOut);
}

bool parse_unpack_info(HeaderBytes& in, StreamsInfo& streams) {
  size_t count = 0;
  uint8_t external = 0;
  if (!expect(in, kFolder) || !in.count(in.remaining(), count) || !in.byte(external) ||
      external != 0) {
    return false;
  }
  streams.folders.resize(count);
  size_t packStream = 0;
  for (Folder& folder : streams.folders) {
    if (!parse_folder(in, folder)) return false;
    folder.firstPackStream = packStream;
    packStream += folder.packedInStreams.size();
  }
  if (packStream > streams.packSizes.size() || !expect(in, kCodersUnpackSize)) return false;
  for (Folder& folder : streams.folders) {
    for (uint64_t& size : folder.unpackSizes) {
      if (!in.number(size) || size > kLargestSize) return false;
    }
  }
  for (;;) {
    uint64_t id = 0;
    if (!in.number(id)) return false;
    if (id == kEnd) return true;
    std::vector<std::optional<uint32_t>> crcs;
    if (id != kCrc || !in.digests(count, crcs)) return false;
    for (size_t i = 0; i < count; ++i) streams.folders[i].crc = crcs[i];
  }
}

bool parse_substreams_info(HeaderBytes& in, StreamsInfo& streams) {
  uint64_t id = 0;
  if (!in.number(id)) return false;
  if (id == kNumUnpackStream) {
    // Every substream after a folder's first needs a size of at least one byte.
    size_t budget = in.remaining();
    for (Folder& folder : streams.folders) {
      size_t count = 0;
      if (!in.count(budget + 1, count)) return false;
      budget -= count > 0 ? count - 1 : 0;
      folder.substreams = static_cast<uint32_t>(count);
    }
    if (!in.number(id)) return false;
  }
  const bool sized = id == kSize;
  for (const Folder& folder : streams.folders) {
    if (folder.substreams == 0) continue;
    if (folder.substreams > 1 && !sized) return false;
    uint64_t sum = 0;
    for (uint32_t i = 1; i < folder.substreams; ++i) {
      uint64_t size = 0;
      if (!in.number(size) || size > folder.unpack_size() - sum) return false;
      sum += size;
      streams.substreamSizes.push_back(size);
    }
    streams.substreamSizes.push_back(folder.unpack_size() - sum);
  }
  if (sized && !in.number(id)) return false;
  size_t unknown = 0;
  for (const Folder& folder : streams.folders) {
    if (folder.substreams != 1 || !folder.crc) unknown += folder.substreams;
  }
  std::vector<std::optional<uint32_t>> crcs;
  if (id == kCrc) {
    if (!in.digests(unknown, crcs) || !in.number(id)) return false;
  }
  auto next = crcs.begin();
  for (const Folder& folder : streams.folders) {
    if (folder.substreams == 1 && folder.crc) {
      streams.substreamCrcs.push_back(folder.crc);
      continue;
    }
    for (uint32_t i = 0; i < folder.substreams; ++i) {
      streams.substreamCrcs.push_back(next != crcs.end() ? *next++ : std::nullopt);
    }
  }
  return id == kEnd;
}

// A folder without substreams info holds one stream.
void default_substreams(StreamsInfo& streams) {
  for (const Folder& folder : streams.folders) {
    streams.substreamSizes.push_back(folder.unpack_size());
    streams.substreamCrcs.push_back(folder.crc);
  }
}

bool parse_names(HeaderBytes in, std::vector<SevenZipEntry>& entries) {
  uint8_t external = 0;
  if (!in.byte(external) || external != 0) return false;
  for (SevenZipEntry& entry : entries) {
    const uint8_t* start = in.position();
    size_t units = 0;
    for (;; ++units) {
      if (in.remaining() < 2) return false;
      const bool end = start[2 * units] == 0 && start[2 * units + 1] == 0;
      in.skip(2);
      if (end) break;
    }
    entry.name = utf16le_to_utf8(start, units);
  }
  return true;
}

FileTime unix_time(uint64_t fileTime) {
  // FILETIME counts 100 ns from 1601.
  constexpr int64_t kEpochDifference = 11644473600LL;
  return {static_cast<int64_t>(fileTime / 10000000) - kEpochDifference,
          static_cast<uint32_t>(fileTime % 10000000) * 100};
}

bool parse_times(HeaderBytes in, std::vector<SevenZipEntry>& entries,
                 std::optional<FileTime> SevenZipEntry::*field) {
  std::vector<bool> defined;
  uint8_t external = 0;
  if (!in.defined_bits(entries.size(), defined) || !in.byte(external) || external != 0) {
    return false;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    uint64_t value = 0;
    if (!defined[i]) continue;
    if (!in.u64(value)) return false;
    entries[i].*field = unix_time(value);
  }
  return true;
}

bool parse_attributes(HeaderBytes in, std::vector<SevenZipEntry>& entries) {
  std::vector<bool> defined;
  uint8_t external = 0;
  if (!in.defined_bits(entries.size(), defined) || !in.byte(external) || external != 0) {
    return false;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    uint32_t value = 0;
    if (!defined[i]) continue;
    if (!in.u32(value)) return false;
    entries[i].attributes = value;
  }
  return true;
}

// Gives each entry with a stream its substream, in order, skipping empty folders.
bool assign_streams(ArchiveDatabase& database, const std::vector<bool>& emptyStream,
                    const std::vector<bool>& emptyFile, const std::vector<bool>& anti) {
  const StreamsInfo& streams = database.streams;
  size_t folder = 0, inFolder = 0, substream = 0, empty = 0;
  for (size_t i = 0; i < database.entries.size(); ++i) {
    SevenZipEntry& entry = database.entries[i];
    if (!emptyStream.empty() && emptyStream[i]) {
      entry.directory = emptyFile.size() <= empty || !emptyFile[empty];
      entry.anti = empty < anti.size() && anti[empty];
      ++empty;
      continue;
    }
    while (folder < streams.folders.size() && inFolder >= streams.folders[folder].substreams) {
      ++folder;
      inFolder = 0;
    }
    if (folder >= streams.folders.size() || substream >= streams.substreamSizes.size()) {
      return false;
    }
    entry.hasStream = true;
    entry.folder = folder;
    entry.indexInFolder = inFolder++;
    entry.size = streams.substreamSizes[substream];
    entry.crc = streams.substreamCrcs[substream++];
  }
  return true;
}

bool parse_files_info(HeaderBytes& in, ArchiveDatabase& database) {
  size_t count = 0;
  // Every entry has a name of two bytes at least: more entries than bytes left is damage.
  const size_t substreams = database.streams.substreamSizes.size();
  if (!in.count(std::min(kMostEntries, substreams + in.remaining()), count)) return false;
  database.entries.resize(count);
  std::vector<bool> emptyStream, emptyFile, anti;
  size_t empties = 0;
  for (;;) {
    uint64_t id = 0;
    size_t size = 0;
    if (!in.number(id)) return false;
    if (id == kEnd) break;
    if (!in.count(in.remaining(), size)) return false;
    HeaderBytes property(in.position(), size);
    in.skip(size);
    bool ok = true;
    switch (id) {
      case kEmptyStream:
        ok = property.bits(count, emptyStream);
        empties = static_cast<size_t>(std::count(emptyStream.begin(), emptyStream.end(), true));
        break;
      case kEmptyFile:
        ok = property.bits(empties, emptyFile);
        break;
      case kAnti:
        ok = property.bits(empties, anti);
        break;
      case kName:
        ok = parse_names(property, database.entries);
        break;
      case kCTime:
        ok = parse_times(property, database.entries, &SevenZipEntry::ctime);
        break;
      case kATime:
        ok = parse_times(property, database.entries, &SevenZipEntry::atime);
        break;
      case kMTime:
        ok = parse_times(property, database.entries, &SevenZipEntry::mtime);
        break;
      case kWinAttributes:
        ok = parse_attributes(property, database.entries);
        break;
      default:  // kDummy padding, comments, start positions: nothing we need
        break;
    }
    if (!ok) return false;
  }
  return assign_streams(database, emptyStream, emptyFile, anti);
}

}  // namespace

bool parse_streams_info(HeaderBytes& in, StreamsInfo& streams) {
  bool substreams = false;
  for (;;) {
    uint64_t id = 0;
    if (!in.number(id)) return false;
    if (id == kEnd) break;
    bool ok = false;
    if (id == kPackInfo) ok = parse_pack_info(in, streams);
    if (id == kUnpackInfo) ok = parse_unpack_info(in, streams);
    if (id == kSubStreamsInfo) ok = substreams = parse_substreams_info(in, streams);
    if (!ok) return false;
  }
  if (!substreams) default_substreams(streams);
  size_t packStreams = 0;
  for (const Folder& folder : streams.folders) packStreams += folder.packedInStreams.size();
  return packStreams <= streams.packSizes.size();
}

bool parse_header(HeaderBytes& in, ArchiveDatabase& database) {
  uint64_t id = 0;
  if (!in.number(id)) return false;
  if (id == kArchiveProperties) {
    for (;;) {
      uint64_t property = 0, size = 0;
      if (!in.number(property)) return false;
      if (property == kEnd) break;
      if (!in.number(size) || !in.skip(size)) return false;
    }
    if (!in.number(id)) return false;
  }
  if (id == kAdditionalStreamsInfo) {
    StreamsInfo unused;
    if (!parse_streams_info(in, unused) || !in.number(id)) return false;
  }
  if (id == kMainStreamsInfo) {
    if (!parse_streams_info(in, database.streams) || !in.number(id)) return false;
  }
  if (id == kFilesInfo) {
    if (!parse_files_info(in, database) || !in.number(id)) return false;
  }
  return id == kEnd;
}

}  // namespace un7z
