// The output side of an entry: where it may go (always through the path-safety
// check), and its bytes handed on in pieces small enough that the caller's data
// callback hears from the library at least every 256 KiB, however much one decoder
// step produces at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archivekit/decoder_io.h"

namespace archivekit {

class PacedOutput : public UnpackedOutput {
 public:
  static constexpr size_t kPieceSize = 256 * 1024;
  bool write(const uint8_t* data, size_t size) final;

 protected:
  // One piece of at most kPieceSize bytes; false stops decoding.
  virtual bool write_piece(const uint8_t* data, size_t size) = 0;
};

// Writes all size bytes to fd; 0, or the errno of the failure (ENOSPC when the
// file takes no more).
int write_fully(int fd, const uint8_t* data, size_t size);

// The full path for name under root ("" = the current folder), checked by the
// path-safety function so that it stays inside root; relative is the checked name.
// False when the name leaves nothing or leads outside.
bool resolve_output_path(const std::string& root, const std::string& name, std::string& path,
                         std::string& relative);

// Creates the folders above path (and path itself when folder is true); false, errno
// telling why, when one cannot be made, or path itself is not a folder (ENOTDIR).
bool make_folders(const std::string& path, bool folder);

enum class LinkResult { made, outside, failed };
// The symbolic link at path (relative: its name under root) to target, replacing a
// file or link there, when the target stays inside root.
LinkResult create_symlink(const std::string& root, const std::string& relative,
                          const std::string& path, const std::string& target);

// Appends the bytes of the regular file at sourcePath (not followed when it is a
// link) to fd; false when it cannot be read or fd takes no more.
bool copy_file_into(const std::string& sourcePath, int fd);

}  // namespace archivekit
