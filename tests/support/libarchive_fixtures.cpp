#include "support/libarchive_fixtures.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <functional>

#include "support/files.h"

extern char** environ;

namespace tessaly::testing {

namespace fs = std::filesystem;

int RunTool(const std::vector<std::string>& argv, const fs::path& folder) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void WriteSampleTree(const fs::path& root) {
  fs::create_directories(root / "docs" / "deep");
  fs::create_directories(root / "empty");
  WriteFileText(root / "a.txt", "alpha\n");
  WriteFileText(root / "docs" / "b.txt", "beta\n");
  std::string big;
  for (int i = 0; i < 40000; ++i) big += std::to_string(i * 7919 % 10007) + "\n";
  WriteFileText(root / "docs" / "deep" / "big.txt", big);
  WriteFileText(root / "run.sh", "#!/bin/sh\necho run\n");
  fs::permissions(root / "run.sh", fs::perms(0755));
  fs::create_symlink("../a.txt", root / "docs" / "to-a");
  fs::create_hard_link(root / "docs" / "b.txt", root / "docs" / "b-again.txt");
}

namespace {

constexpr uint32_t kDosTime = 0x5A2B4C00;  // 2025-01-11 09:32:00

void PutLittle(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutBig(std::string& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// CRC-16 with the reflected polynomial 0xA001, as LHA checks its data.
uint16_t Crc16(const std::string& data) {
  uint16_t crc = 0;
  for (const unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

}  // namespace

std::string LhaArchive(const StoredFiles& files) {
  std::string archive;
  for (const auto& [name, data] : files) {
    std::string header = "-lh0-";
    PutLittle(header, data.size(), 4);  // packed
    PutLittle(header, data.size(), 4);  // original
    PutLittle(header, kDosTime, 4);
    header += '\x20';  // archive attribute
    header += '\0';    // header level 0
    header += static_cast<char>(name.size());
    header += name;
    PutLittle(header, Crc16(data), 2);
    unsigned sum = 0;
    for (const unsigned char byte : header) sum += byte;
    archive += static_cast<char>(header.size());
    archive += static_cast<char>(sum & 0xFF);
    archive += header + data;
  }
  return archive + '\0';
}

std::string LhaUtf16Archive(const StoredFiles& files) {
  std::string archive;
  for (const auto& [name, data] : files) {
    std::string utf16;
    for (size_t i = 0; i < name.size();) {
      const auto byte = static_cast<unsigned char>(name[i]);
      const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : 3;
      unsigned code = length == 1 ? byte : byte & (length == 2 ? 0x1F : 0x0F);
      for (int k = 1; k < length; ++k) code = code << 6 | (name[i + k] & 0x3F);
      PutLittle(utf16, code, 2);
      i += length;
    }
    std::string extended;
    extended += '\0';  // the header's CRC-16, filled in below
    PutLittle(extended, 0, 2);
    PutLittle(extended, 1 + utf16.size() + 2, 2);  // the next one's size
    extended += '\x44';
    extended += utf16;
    PutLittle(extended, 0, 2);  // no more
    std::string header;
    PutLittle(header, 24 + 2 + extended.size(), 2);
    header += "-lh0-";
    PutLittle(header, data.size(), 4);
    PutLittle(header, data.size(), 4);
    PutLittle(header, 1736587920, 4);  // 2025-01-11
    header += '\x20';
    header += '\x02';  // header level 2
    PutLittle(header, Crc16(data), 2);
    header += 'U';
    PutLittle(header, 3 + 2, 2);  // the common header's size
    header += extended;
    const uint16_t crc = Crc16(header);
    header[27] = static_cast<char>(crc & 0xFF);
    header[28] = static_cast<char>(crc >> 8);
    archive += header + data;
  }
  return archive + '\0';
}

std::string CabArchive(const StoredFiles& files) {
  constexpr size_t kHeaderSize = 36;
  constexpr size_t kFolderSize = 8;
  std::string entries;
  std::string data;
  for (const auto& [name, bytes] : files) {
    PutLittle(entries, bytes.size(), 4);
    PutLittle(entries, data.size(), 4);  // offset in the folder
    PutLittle(entries, 0, 2);            // folder 0
    PutLittle(entries, kDosTime >> 16, 2);
    PutLittle(entries, kDosTime & 0xFFFF, 2);
    PutLittle(entries, 0x20, 2);
    entries += name + '\0';
    data += bytes;
  }
  const size_t dataOffset = kHeaderSize + kFolderSize + entries.size();
  std::string block;
  PutLittle(block, 0, 4);  // no checksum
  PutLittle(block, data.size(), 2);
  PutLittle(block, data.size(), 2);
  block += data;
  std::string cabinet = "MSCF";
  PutLittle(cabinet, 0, 4);
  PutLittle(cabinet, dataOffset + block.size(), 4);
  PutLittle(cabinet, 0, 4);
  PutLittle(cabinet, kHeaderSize + kFolderSize, 4);  // the first file record
  PutLittle(cabinet, 0, 4);
  cabinet += '\x03';  // version 1.3
  cabinet += '\x01';
  PutLittle(cabinet, 1, 2);  // folders
  PutLittle(cabinet, files.size(), 2);
  PutLittle(cabinet, 0, 6);  // flags, set, index
  PutLittle(cabinet, dataOffset, 4);
  PutLittle(cabinet, 1, 2);  // data blocks
  PutLittle(cabinet, 0, 2);  // stored
  return cabinet + entries + block;
}

std::string RpmPackage(const std::string& payload) {
  std::string lead = "\xED\xAB\xEE\xDB";
  lead += '\x03';
  lead += '\0';
  PutBig(lead, 0, 2);  // binary package
  PutBig(lead, 1, 2);  // architecture
  std::string name = "x-1-1";
  name.resize(66, '\0');
  lead += name;
  PutBig(lead, 1, 2);  // operating system
  PutBig(lead, 5, 2);  // signature type
  lead.resize(96, '\0');
  // A header: magic, version 1, reserved, no index entries, no data.
  std::string header = "\x8E\xAD\xE8\x01";
  PutBig(header, 0, 4);
  PutBig(header, 0, 4);
  PutBig(header, 0, 4);
  return lead + header + header + payload;
}

std::string WithSevenZipCoder(std::string archive, const std::string& from, const std::string& to) {
  uint64_t offset = 0;
  uint64_t size = 0;
  for (int i = 7; i >= 0; --i) {
    offset = offset << 8 | static_cast<uint8_t>(archive[12 + i]);
    size = size << 8 | static_cast<uint8_t>(archive[20 + i]);
  }
  const size_t header = 32 + offset;
  const size_t at = archive.find(from, header);
  if (at == std::string::npos || at + from.size() > header + size) return archive;
  archive.replace(at, from.size(), to);
  const auto crc = [&](size_t start, size_t length) {
    return crc32(0, reinterpret_cast<const Bytef*>(archive.data() + start),
                 static_cast<uInt>(length));
  };
  std::string field;
  PutLittle(field, crc(header, size), 4);
  archive.replace(28, 4, field);
  field.clear();
  PutLittle(field, crc(12, 20), 4);
  archive.replace(8, 4, field);
  return archive;
}

std::vector<std::string> DescribeTree(const fs::path& root) {
  std::vector<std::string> lines;
  for (const std::string& relative : TreeOf(root)) {
    const fs::path path = root / relative;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) continue;
    // Extracted folders stay writable to their owner, whatever the archive says.
    const mode_t mode = S_ISDIR(info.st_mode) ? (info.st_mode | 0700) : info.st_mode;
    std::string line = relative + " " + std::to_string(mode & 07777);
    if (S_ISLNK(info.st_mode)) {
      line += " link " + fs::read_symlink(path).string();
    } else if (S_ISREG(info.st_mode)) {
      const std::string bytes = ReadFileText(path);
      line += " file " + std::to_string(info.st_mtim.tv_sec) + " " + std::to_string(bytes.size()) +
              " " + std::to_string(std::hash<std::string>{}(bytes));
    } else {
      line += " folder";
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace tessaly::testing
