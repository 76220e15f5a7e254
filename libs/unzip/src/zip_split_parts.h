// The files of a split set (name.z01, name.z02, ..., name.zip) read as one run of
// bytes: the parts one after the other in disk order.
#pragma once

#include <zip.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace unzip {

// The paths of all disk_count parts in disk order, the given last part included;
// nullopt when the name does not end in ".zip" or a part is missing.
std::optional<std::vector<std::string>> find_split_parts(const std::string& last_part,
                                                         uint64_t disk_count);

class PartChain {
 public:
  PartChain() = default;
  ~PartChain();
  PartChain(const PartChain&) = delete;
  PartChain& operator=(const PartChain&) = delete;

  // Takes the parts' sizes; false when one of them is not a readable file.
  bool open(std::vector<std::string> paths);

  uint64_t size() const { return starts_.empty() ? 0 : starts_.back(); }
  // Offset of the part's first byte in the run.
  uint64_t part_start(std::size_t part) const { return starts_[part]; }
  std::size_t part_count() const { return paths_.size(); }

  // Fills buffer from offset in the run; false with error set when that fails.
  // Only one part is held open at a time, so sets of any length can be read.
  bool read(uint64_t offset, unsigned char* buffer, uint64_t length, zip_error_t* error);

 private:
  bool read_part(std::size_t part, uint64_t offset, unsigned char* buffer, uint64_t length,
                 zip_error_t* error);

  std::vector<std::string> paths_;
  std::vector<uint64_t> starts_;  // one more than parts: the last is the total size
  std::size_t open_part_ = 0;
  int fd_ = -1;
};

}  // namespace unzip
