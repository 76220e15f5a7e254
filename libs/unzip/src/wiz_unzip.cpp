// Wiz_SingleEntryUnzip: checks the records, opens the archive, reports what opening
// found, then lists or extracts.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "unzip.h"
#include "wiz_call.h"
#include "wiz_extract.h"
#include "wiz_list.h"
#include "wiz_match.h"
#include "wiz_messages.h"
#include "wiz_output.h"
#include "zip_archive.h"
#include "zip_scan.h"

namespace unzip {

namespace {

constexpr std::size_t kPatternLimit = 16224;

std::vector<std::string> collect_patterns(int32_t count, char** patterns) {
  std::vector<std::string> collected;
  for (int32_t i = 0; patterns && i < count && patterns[i]; ++i)
    collected.emplace_back(patterns[i]);
  return collected;
}

bool any_too_long(const std::vector<std::string>& patterns) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [](const std::string& pattern) { return pattern.size() > kPatternLimit; });
}

bool looks_executable(const std::string& path) {
  if (path.size() < 4) return false;
  std::string extension = path.substr(path.size() - 4);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".exe" || extension == ".com" || extension == ".bat" || extension == ".cmd";
}

// The chunks and code for an archive that could not be opened.
int32_t report_open_failure(CallState& call, const OpenResult& opened) {
  const std::string& zip = call.zip_path;
  switch (opened.status) {
    case OpenStatus::NoEndRecord:
      call.printer.say(chunk::no_end_record());
      if (looks_executable(zip)) call.printer.say(chunk::plain_executable(zip));
      call.printer.say(chunk::no_directory(zip));
      return PK_NOZIP;
    case OpenStatus::MultiDisk:
      call.printer.say(chunk::multi_disk(zip));
      return PK_BADERR;
    case OpenStatus::Damaged:
      call.printer.say(chunk::damaged_directory(zip));
      return PK_BADERR;
    case OpenStatus::NotFound:
    case OpenStatus::IsFolder:
    case OpenStatus::Ok:
      break;
  }
  call.printer.say(chunk::not_found(zip));
  return PK_NOZIP;
}

// One trailing separator goes; the folder is created if missing (one level).
bool prepare_root(CallState& call) {
  const char* given = call.options.lpszExtractDir;
  if (!given || !*given) return true;
  std::string root = given;
  if (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  if (!make_root(root)) {
    call.printer.say(chunk::root_failed(root));
    return false;
  }
  call.root = root;
  return true;
}

int32_t run(CallState& call, Selection& selection) {
  OpenResult opened;
  const char* encoding = call.options.NameEncoding;
  std::unique_ptr<ZipArchive> archive =
      ZipArchive::open(call.zip_path, opened, encoding ? encoding : "");
  const bool directory_lost =
      opened.status == OpenStatus::NoEndRecord || opened.status == OpenStatus::Damaged;
  if (directory_lost && call.options.ScanLocalHeaders) {
    archive = scan_local_headers(call.zip_path, opened);
    if (archive) {
      call.printer.say(chunk::scanned_local_headers(call.zip_path, archive->entries().size()));
      call.codes.raise(PK_WARN);
    }
  }
  if (!archive || opened.status != OpenStatus::Ok) return report_open_failure(call, opened);
  std::snprintf(call.callbacks.NameEncoding, sizeof call.callbacks.NameEncoding, "%s",
                opened.name_encoding.c_str());

  call.callbacks.cchComment =
      static_cast<uint16_t>(std::min<std::size_t>(archive->comment().size(), UINT16_MAX));
  if (call.options.nzflag) {
    print_comment(call.printer, archive->comment());
    return call.codes.worst();
  }
  if (opened.zip64_end_moved) call.printer.say(chunk::zip64_end_moved());
  // A stub in front is what a self-extracting file is: reported, but not a warning.
  if (opened.prefix_bytes > 0)
    call.printer.say(chunk::prefix_bytes(call.zip_path, opened.prefix_bytes));
  if (opened.empty) {
    call.printer.say(chunk::empty_archive(call.zip_path));
    return PK_WARN;
  }
  if (call.options.nvflag) return list_entries(call, *archive, selection);
  if (!prepare_root(call)) return PK_ERR;
  return extract_entries(call, *archive, selection);
}

}  // namespace

}  // namespace unzip

extern "C" int32_t Wiz_SingleEntryUnzip(int32_t ifnc, char** ifnv, int32_t xfnc, char** xfnv,
                                        DCL* lpDCL, USERFUNCTIONS* lpUserFunctions) {
  if (!lpUserFunctions || !lpUserFunctions->print || !lpUserFunctions->replace) return PK_BADERR;
  if (!lpDCL) return PK_MEM;
  if (!lpDCL->lpszZipFN) return PK_NOZIP;
  std::vector<std::string> includes = unzip::collect_patterns(ifnc, ifnv);
  std::vector<std::string> excludes = unzip::collect_patterns(xfnc, xfnv);
  if (unzip::any_too_long(includes) || unzip::any_too_long(excludes)) return PK_PARAM;

  unzip::CallState call(*lpDCL, *lpUserFunctions);
  call.zip_path = lpDCL->lpszZipFN;
  unzip::Selection selection(std::move(includes), std::move(excludes), lpDCL->C_flag != 0);
  return unzip::run(call, selection);
}
