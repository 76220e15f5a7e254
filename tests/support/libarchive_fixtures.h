// Archives of the types read through libarchive, made by the archivers themselves
// (bsdtar, 7z, dpkg-deb), and the trees the tests compare an extraction with.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::testing {

// Runs argv (argv[0] found on PATH) in folder, its output thrown away; its exit status,
// or -1 when it could not run.
int RunTool(const std::vector<std::string>& argv, const std::filesystem::path& folder);

// A small tree under root: text files, a larger one, an executable, an empty folder,
// a folder, a link to a file inside and a hard link.
void WriteSampleTree(const std::filesystem::path& root);

// Archives no tool here writes, built byte by byte from (name, data) pairs with "\\"
// as separator, as DOS stored them: LHA level 0 with stored (-lh0-) entries, and a
// cabinet of one uncompressed folder.
using StoredFiles = std::vector<std::pair<std::string, std::string>>;
std::string LhaArchive(const StoredFiles& files);
// LHA level 2 whose names (UTF-8 here, without folders) are stored in UTF-16.
std::string LhaUtf16Archive(const StoredFiles& files);
std::string CabArchive(const StoredFiles& files);
// An RPM package: its lead, two empty headers, then the payload (a compressed cpio).
std::string RpmPackage(const std::string& payload);
// A 7z archive whose header is stored plain (7z a -mhc=off) with the coder record
// from replaced by to, its header CRCs made right again.
std::string WithSevenZipCoder(std::string archive, const std::string& from, const std::string& to);

// Every file, folder and link below root, one line each: the relative path, the kind,
// the permission bits (a folder's with the owner's bits set), the modification second, size and a
// hash of the bytes of files, a link's target. Two trees with the same description are the same
// extraction.
std::vector<std::string> DescribeTree(const std::filesystem::path& root);

}  // namespace tessaly::testing
