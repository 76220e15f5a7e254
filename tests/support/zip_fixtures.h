// ZIP archives for engine tests, written with libzip into the test's folder.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

namespace tessaly::testing {

struct ZipTestEntry {
  ZipTestEntry(std::string entryName, std::string entryContent = "", bool deflated = false,
               std::string entryPassword = "")
      : name(std::move(entryName)),
        content(std::move(entryContent)),
        deflate(deflated),
        password(std::move(entryPassword)) {}

  // A symbolic link made on a Unix host, pointing at target.
  static ZipTestEntry Link(std::string linkName, std::string target) {
    ZipTestEntry link(std::move(linkName), std::move(target));
    link.symlink = true;
    return link;
  }

  std::string name;      // stored name, unchecked ("../x", "/abs"); ends in "/" for a folder
  std::string content;   // ignored for folders; a link's target
  bool deflate;          // else stored
  std::string password;  // traditional PKWARE encryption when not empty
  bool aes = false;      // WinZip AES-256 instead, with password
  bool symlink = false;
  uint32_t unixMode = 0;  // a regular file's mode bits from a Unix host; 0: none recorded
};

// Writes the archive, every unencrypted file entry dated 3/7/2024 9:05; a failure
// fails the test.
void WriteZip(const std::string& path, const std::vector<ZipTestEntry>& entries);
// As WriteZip, written again until every encrypted entry fails its password check
// with each of wrong: a wrong password passes it once in 256 (traditional) or 65536
// (AES) tries, and each writing salts the entries afresh.
void WriteZipRefusing(const std::string& path, const std::vector<ZipTestEntry>& entries,
                      const std::vector<std::string>& wrong);
// Flips the first byte of text inside the file (text must occur once, e.g. the data
// of a stored entry), so that entry fails its CRC while the archive still lists.
void DamageBytes(const std::string& path, const std::string& text);

}  // namespace tessaly::testing
