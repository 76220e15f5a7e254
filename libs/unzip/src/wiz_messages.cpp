#include "wiz_messages.h"

#include "wiz_methods.h"
#include "wiz_text.h"

namespace unzip::chunk {

namespace {

std::string shown(std::string_view name) {
  return filter_name(name);
}

std::string skipping(std::string_view name, const std::string& reason) {
  return "   skipping: " + pad_right(shown(name), 22) + "  " + reason + "\n";
}

}  // namespace

std::string per_file(uint16_t method, std::string_view out) {
  return format("%8sing: ", std::string(method_verb(method)).c_str()) + pad_right(shown(out), 22) +
         "  ";
}

std::string creating(std::string_view out) {
  return "   creating: " + pad_right(shown(out), 22) + "\n";
}

std::string bad_crc(uint32_t computed, uint32_t expected) {
  return format(" bad CRC %08x  (should be %08x)\n", computed, expected);
}

std::string bad_crc_quiet_name(std::string_view out) {
  return pad_right(shown(out), 22) + " ";
}

std::string may_be_password() {
  return "    (may instead be incorrect password)\n";
}

std::string decode_failure(std::string_view problem, uint16_t method, std::string_view out,
                           bool quiet) {
  const std::string what = std::string(problem) + " to " + std::string(method_decoder_word(method));
  if (quiet) return "  error:  " + what + " " + shown(out) + "\n";
  return "\n  error:  " + what + "\n";
}

std::string cannot_create(std::string_view out, std::string_view system_error) {
  return "error:  cannot create " + shown(out) + "\n        " + std::string(system_error) + "\n";
}

std::string write_error(std::string_view out) {
  return shown(out) + ":  write error (disk full?).\n";
}

std::string kept_damaged(std::string_view kept) {
  return "   kept as: " + shown(kept) + "\n";
}

std::string checkdir_failed(std::string_view folder, std::string_view system_error,
                            std::string_view name) {
  return "checkdir error:  cannot create " + shown(folder) + "\n                 " +
         std::string(system_error) + "\n                 unable to process " + shown(name) + ".\n";
}

std::string root_failed(std::string_view folder) {
  return "checkdir:  cannot create extraction directory: " + shown(folder) + "\n";
}

std::string skip_unsupported_method(std::string_view name, uint16_t method) {
  const std::string_view method_text = method_name(method);
  if (method_text.empty())
    return skipping(name, format("unsupported compression method %u", method));
  return skipping(name, "`" + std::string(method_text) + "' method not supported");
}

std::string skip_version(std::string_view name, uint16_t version_needed) {
  const unsigned version = version_needed & 0xFF;
  return skipping(name, format("need PK compat. v%u.%u (can do v4.5)", version / 10, version % 10));
}

std::string skip_incorrect_password(std::string_view name) {
  return skipping(name, "incorrect password");
}

std::string skip_no_password(std::string_view name) {
  return skipping(name, "unable to get password");
}

std::string skip_unsafe(std::string_view name) {
  return skipping(name, "unsafe path");
}

std::string skip_overlapping(std::string_view name) {
  return skipping(name, "data overlaps another entry");
}

std::string target_exists(std::string_view out) {
  return "Target file exists.  Skipping " + shown(out) + "\n";
}

std::string target_newer(std::string_view out) {
  return "Target file newer.  Skipping " + shown(out) + "\n";
}

std::string backslash_separators(std::string_view zip) {
  return "warning:  " + shown(zip) + " appears to use backslashes as path separators\n";
}

std::string include_unmatched(std::string_view pattern) {
  return "caution: filename not matched:  " + shown(pattern) + "\n";
}

std::string exclude_unmatched(std::string_view pattern) {
  return "caution: excluded filename not matched:  " + shown(pattern) + "\n";
}

std::string prefix_bytes(std::string_view zip, uint64_t count) {
  return format(
      "warning [%s]:  %llu extra byte%s at beginning or within zipfile\n"
      "  (attempting to process anyway)\n",
      shown(zip).c_str(), static_cast<unsigned long long>(count), count == 1 ? "" : "s");
}

std::string zip64_end_moved() {
  return "error: End-of-centdir-64 signature not where expected (prepended bytes?)\n"
         "  (attempting to process anyway)\n";
}

std::string empty_archive(std::string_view zip) {
  return "warning [" + shown(zip) + "]:  zipfile is empty\n";
}

std::string multi_disk(std::string_view zip) {
  return "warning [" + shown(zip) +
         "]:  zipfile claims to be last disk of a multi-part archive;\n"
         "  attempting to process anyway, assuming all parts have been concatenated\n"
         "  together in order.  Expect \"errors\" and warnings...true multi-part support\n"
         "  doesn't exist yet (coming soon).\n";
}

std::string no_end_record() {
  return "  End-of-central-directory signature not found.  Either this file is not\n"
         "  a zipfile, or it constitutes one disk of a multi-part archive.  In the\n"
         "  latter case the central directory and zipfile comment will be found on\n"
         "  the last disk(s) of this archive.\n";
}

std::string plain_executable(std::string_view zip) {
  return "note:  " + shown(zip) + " may be a plain executable, not an archive\n";
}

std::string no_directory(std::string_view zip) {
  return "UnZip DLL:  cannot find zipfile directory in " + shown(zip) +
         ",\n        and cannot find " + shown(zip) + ".zip, period.\n";
}

std::string not_found(std::string_view zip) {
  return "UnZip DLL:  cannot find either " + shown(zip) + " or " + shown(zip) + ".zip.\n";
}

std::string damaged_directory(std::string_view zip) {
  return "error [" + shown(zip) + "]:  start of central directory not found;\n  zipfile corrupt.\n";
}

std::string scanned_local_headers(std::string_view zip, std::size_t entries) {
  return "warning [" + shown(zip) + "]:  zipfile directory missing or damaged;\n  " +
         std::to_string(entries) + " entries found by scanning the local headers.\n";
}

}  // namespace unzip::chunk
