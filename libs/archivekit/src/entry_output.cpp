#include "archivekit/entry_output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "safe_path.h"

namespace archivekit {

bool PacedOutput::write(const uint8_t* data, size_t size) {
  while (size > 0) {
    const size_t piece = std::min(size, kPieceSize);
    if (!write_piece(data, piece)) return false;
    data += piece;
    size -= piece;
  }
  return true;
}

int write_fully(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return ENOSPC;
    done += static_cast<size_t>(put);
  }
  return 0;
}

bool resolve_output_path(const std::string& root, const std::string& name, std::string& path,
                         std::string& relative) {
  std::vector<char> cleaned(name.size() + 2);
  if (safepath_resolve(root.empty() ? nullptr : root.c_str(), name.c_str(), cleaned.data(),
                       cleaned.size(), nullptr) != SAFEPATH_OK) {
    return false;
  }
  relative = cleaned.data();
  if (root.empty()) {
    path = relative;
  } else {
    path = root;
    if (path.back() != '/') path += '/';
    path += relative;
  }
  return true;
}

}  // namespace archivekit
