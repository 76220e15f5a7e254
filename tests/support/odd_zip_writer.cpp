#include "support/odd_zip_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

namespace tessaly::testing {

namespace {

// Opens a fresh archive; nullptr (and a failed test) when libzip refuses.
zip_t* Create(const std::string& path) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(archive, nullptr) << "zip_open " << path << ": " << error;
  return archive;
}

void Close(zip_t* archive) {
  EXPECT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i, value >>= 8) out += static_cast<char>(value & 0xFF);
}

uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// The fields local and central headers share, from "version needed" to the name length.
std::string CommonFields(const std::string& name, const std::string& data) {
  std::string fields;
  Put(fields, 10, 2);  // version needed
  Put(fields, 0, 2);   // flags
  Put(fields, 0, 2);   // stored
  Put(fields, 0, 2);   // DOS time: midnight
  Put(fields, ((2024 - 1980) << 9) | (1 << 5) | 1, 2);
  Put(fields, Crc(data), 4);
  Put(fields, static_cast<uint32_t>(data.size()), 4);
  Put(fields, static_cast<uint32_t>(data.size()), 4);
  Put(fields, static_cast<uint32_t>(name.size()), 2);
  return fields;
}

}  // namespace

uint32_t WriteLargeEntryZip(const std::string& path, const std::string& name, uint64_t size,
                            const std::string& tail) {
  const std::string sparse = path + ".data";
  const int fd = open(sparse.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  EXPECT_GE(fd, 0) << sparse;
  if (fd < 0) return 0;
  const off_t at = static_cast<off_t>(size - tail.size());
  EXPECT_EQ(pwrite(fd, tail.data(), tail.size(), at), static_cast<ssize_t>(tail.size()));
  close(fd);

  uint32_t crc = 0;
  zip_t* archive = Create(path);
  if (archive != nullptr) {
    zip_source_t* source = zip_source_file(archive, sparse.c_str(), 0, -1);
    EXPECT_NE(source, nullptr) << zip_strerror(archive);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, 0);
    EXPECT_GE(index, 0) << zip_strerror(archive);
    EXPECT_EQ(
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1), 0);
    Close(archive);
  }
  std::filesystem::remove(sparse);

  int error = 0;
  archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  EXPECT_NE(archive, nullptr) << error;
  if (archive == nullptr) return 0;
  zip_stat_t stat;
  EXPECT_EQ(zip_stat_index(archive, 0, 0, &stat), 0);
  EXPECT_EQ(stat.size, size);
  crc = stat.crc;
  zip_discard(archive);
  return crc;
}

std::string StoredLocalEntry(const std::string& name, const std::string& data) {
  std::string entry = "PK\x03\x04" + CommonFields(name, data);
  Put(entry, 0, 2);  // extra field length
  return entry + name + data;
}

void WriteZipRecords(const std::string& path, const std::string& localPart,
                     const std::vector<CentralRecord>& records) {
  std::string directory;
  for (const CentralRecord& record : records) {
    directory += "PK\x01\x02";
    Put(directory, 20, 2);  // version made by: FAT host
    directory += CommonFields(record.name, record.data);
    Put(directory, 0, 2);  // extra field length
    Put(directory, 0, 2);  // comment length
    Put(directory, 0, 2);  // disk
    Put(directory, 0, 2);  // internal attributes
    Put(directory, 0, 4);  // external attributes
    Put(directory, record.offset, 4);
    directory += record.name;
  }
  std::string end = "PK\x05\x06";
  Put(end, 0, 4);  // this disk, the directory's disk
  Put(end, static_cast<uint32_t>(records.size()), 2);
  Put(end, static_cast<uint32_t>(records.size()), 2);
  Put(end, static_cast<uint32_t>(directory.size()), 4);
  Put(end, static_cast<uint32_t>(localPart.size()), 4);
  Put(end, 0, 2);  // comment length
  std::ofstream(path, std::ios::binary) << localPart << directory << end;
}

}  // namespace tessaly::testing
