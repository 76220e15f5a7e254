#include "wiz_list.h"

#include <algorithm>

#include "unzip.h"
#include "wiz_methods.h"
#include "wiz_names.h"
#include "wiz_text.h"
#include "wiz_time.h"

namespace unzip {

namespace {

constexpr uint64_t kEncryptionHeaderSize = 12;
constexpr std::size_t kCommentPiece = 64 * 1024;
constexpr uint64_t kLargeSize = 2000000;
// Keeps the factor inside its 32-bit field for absurd sizes from damaged entries.
constexpr uint64_t kMaxRatio = uint64_t{UINT32_MAX} * 10 - 5;

}  // namespace

uint32_t compression_factor(uint64_t uncompressed, uint64_t compressed) {
  uint64_t magnitude = 0;  // |r|, the per-mille ratio
  if (uncompressed == 0) {
    magnitude = 0;
  } else if (uncompressed > kLargeSize) {
    const uint64_t den = uncompressed / 1000;
    magnitude = uncompressed >= compressed ? (uncompressed - compressed + den / 2) / den
                                           : (compressed - uncompressed + den / 2) / den;
  } else {
    const uint64_t difference =
        uncompressed >= compressed ? uncompressed - compressed : compressed - uncompressed;
    // 128 bits: a damaged entry may claim a compressed size near 2^64.
    const unsigned __int128 scaled =
        static_cast<unsigned __int128>(difference) * 1000 + uncompressed / 2;
    magnitude =
        static_cast<uint64_t>(std::min<unsigned __int128>(scaled / uncompressed, kMaxRatio));
  }
  return static_cast<uint32_t>((std::min(magnitude, kMaxRatio) + 5) / 10);
}

uint64_t listed_compressed_size(const EntryInfo& entry) {
  if (!entry.encrypted) return entry.compressed_size;
  return entry.compressed_size > kEncryptionHeaderSize
             ? entry.compressed_size - kEncryptionHeaderSize
             : 0;
}

void print_comment(const Printer& printer, const std::string& comment) {
  if (comment.empty()) return;
  std::string text;
  for (char c : comment)
    if (c != '\r') text += c;
  for (std::size_t at = 0; at < text.size(); at += kCommentPiece) {
    printer.say(text.substr(at, kCommentPiece));
    printer.say("\n\n");
  }
  printer.say("");
}

int32_t list_entries(CallState& call, const ZipArchive& archive, Selection& selection) {
  uint64_t total_compressed = 0, total_size = 0;
  uint32_t listed = 0;
  for (const EntryInfo& entry : archive.entries()) {
    if (!selection.selects(entry.name)) continue;
    const uint64_t compressed = listed_compressed_size(entry);
    if (call.callbacks.SendApplicationMessage) {
      const ListDate date = list_date(entry);
      const std::string name = filter_name(stored_path(entry), kListNameLimit);
      const std::string method = method_list_text(entry.method, entry.flags);
      call.callbacks.SendApplicationMessage(entry.uncompressed_size, compressed,
                                            compression_factor(entry.uncompressed_size, compressed),
                                            date.month, date.day, date.year, date.hour, date.minute,
                                            ' ', name.c_str(), method.c_str(), entry.crc,
                                            entry.encrypted ? 'E' : ' ');
    }
    if (call.options.fQuiet == 0) print_comment(call.printer, entry.comment);
    total_compressed += compressed;
    total_size += entry.uncompressed_size;
    ++listed;
  }
  if (call.options.fQuiet < 2) {
    call.callbacks.TotalSizeComp = total_compressed;
    call.callbacks.TotalSize = total_size;
    call.callbacks.CompFactor =
        static_cast<int32_t>(compression_factor(total_size, total_compressed));
    call.callbacks.NumMembers = listed;
  }
  return final_list_code(call.codes.worst(), listed);
}

}  // namespace unzip
