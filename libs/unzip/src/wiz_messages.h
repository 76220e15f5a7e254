// The exact text of every chunk the call prints. Names pass the name filter here;
// <out> is the output path, <name> the stored name, <zip> the archive path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace unzip::chunk {

std::string per_file(uint16_t method, std::string_view out);
std::string creating(std::string_view out);
std::string bad_crc(uint32_t computed, uint32_t expected);
std::string bad_crc_quiet_name(std::string_view out);
std::string may_be_password();
std::string decode_failure(std::string_view problem, uint16_t method, std::string_view out,
                           bool quiet);
std::string cannot_create(std::string_view out, std::string_view system_error);
std::string write_error(std::string_view out);
std::string kept_damaged(std::string_view kept);
std::string checkdir_failed(std::string_view folder, std::string_view system_error,
                            std::string_view name);
std::string root_failed(std::string_view folder);

std::string skip_unsupported_method(std::string_view name, uint16_t method);
std::string skip_version(std::string_view name, uint16_t version_needed);
std::string skip_incorrect_password(std::string_view name);
std::string skip_no_password(std::string_view name);
std::string skip_unsafe(std::string_view name);
std::string skip_overlapping(std::string_view name);
std::string target_exists(std::string_view out);
std::string target_newer(std::string_view out);

std::string backslash_separators(std::string_view zip);
std::string include_unmatched(std::string_view pattern);
std::string exclude_unmatched(std::string_view pattern);

std::string prefix_bytes(std::string_view zip, uint64_t count);
std::string zip64_end_moved();
std::string empty_archive(std::string_view zip);
std::string multi_disk(std::string_view zip);
std::string no_end_record();
std::string plain_executable(std::string_view zip);
std::string no_directory(std::string_view zip);
std::string not_found(std::string_view zip);
std::string damaged_directory(std::string_view zip);
std::string scanned_local_headers(std::string_view zip, std::size_t entries);

}  // namespace unzip::chunk
