// Chunk sequences of whole calls: every chunk with its exact bytes and boundaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "test_support.h"

namespace unzip::test {
namespace {

const std::string kA = "hello world\n";  // 12 bytes, stored
const std::string kB = "deflated text of d/b.txt, deflated text of d/b.txt\n";

class WizFlow : public WizTest {
 protected:
  void write_sample(const fs::path& path) {
    write_zip(path, {{"a.txt", kA}, {"d/", ""}, {"d/b.txt", kB, ZIP_CM_DEFLATE}});
  }
  std::vector<std::string> sample_sequence() const {
    return {extracting("out/a.txt"), "\n", "   creating: " + pad("out/d/") + "\n",
            inflating("out/d/b.txt"), "\n"};
  }
};

// The call goes on after a damaged entry, which is never put in place; at fQuiet 1
// the error names the output path itself.
TEST_F(WizFlow, BadCrcKeepsGoing) {
  write_sample("a.zip");
  overwrite_byte("a.zip", data_at("a.zip", "a.txt"), 'H');
  EXPECT_EQ(extract("a.zip"), PK_ERR);
  std::vector<std::string> expected = sample_sequence();
  char computed[9];
  std::snprintf(computed, sizeof computed, "%08x", crc32_of("Hello world\n"));
  expected[1] = " bad CRC " + std::string(computed) + "  (should be af083b2d)\n";
  EXPECT_EQ(recorder_.chunks, expected);
  EXPECT_FALSE(fs::exists("out/a.txt"));
  EXPECT_EQ(recorder_.service_calls.size(), 2u);

  Recorder quiet;
  call_.options.fQuiet = 1;
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(quiet), PK_ERR);
  EXPECT_EQ(quiet.chunks, chunks({pad("out/a.txt") + " ", expected[1]}));
}

TEST_F(WizFlow, InvalidDeflateData) {
  write_sample("a.zip");
  overwrite_byte("a.zip", data_at("a.zip", "d/b.txt"), 0x07);  // reserved block type
  EXPECT_EQ(extract("a.zip"), PK_ERR);
  std::vector<std::string> expected = sample_sequence();
  expected.back() = "\n  error:  invalid compressed data to inflate\n";
  EXPECT_EQ(recorder_.chunks, expected);

  Recorder quiet;
  call_.options.fQuiet = 1;
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(quiet), PK_ERR);
  EXPECT_EQ(quiet.chunks, chunks({"  error:  invalid compressed data to inflate out/d/b.txt\n"}));
}

TEST_F(WizFlow, UnsupportedEntriesAreReportedBeforeAnyExtraction) {
  write_zip("m.zip", {{"first.txt", kA}, {"dcl.bin", "d"}, {"ppmd.bin", "p"}, {"odd.bin", "o"}});
  set_method("m.zip", "dcl.bin", 10);
  set_method("m.zip", "ppmd.bin", 98);
  set_method("m.zip", "odd.bin", 95 + 1);
  EXPECT_EQ(extract("m.zip"), IZ_UNSUP);
  EXPECT_EQ(recorder_.chunks, chunks({skipping("dcl.bin", "`DCL implode' method not supported"),
                                      skipping("ppmd.bin", "`PPMd' method not supported"),
                                      skipping("odd.bin", "unsupported compression method 96"),
                                      extracting("out/first.txt"), "\n"}));
  EXPECT_EQ(recorder_.service_calls.size(), 1u);
}

// Records pointing into each other's stored bytes would write one entry's data many
// times over: every entry involved is refused, the others are extracted.
TEST_F(WizFlow, EntriesSharingStoredBytesAreRefused) {
  write_raw_zip("o.zip", {stored_entry("a.txt", text_bytes("shared data")),
                          stored_entry("b.txt", text_bytes("other data")),
                          stored_entry("c.txt", text_bytes("own data"))});
  auto bytes = read_bytes("o.zip");
  // b.txt's central record (its name's last occurrence) now points at a.txt's header.
  const std::size_t offset_field = as_text(bytes).rfind("b.txt") - 46 + 42;
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset_field), 4, 0);
  write_bytes("o.zip", bytes);
  EXPECT_EQ(extract("o.zip"), PK_BADERR);
  EXPECT_EQ(recorder_.chunks, chunks({skipping("a.txt", "data overlaps another entry"),
                                      skipping("b.txt", "data overlaps another entry"),
                                      extracting("out/c.txt"), "\n"}));
  EXPECT_FALSE(fs::exists("out/a.txt"));
  EXPECT_FALSE(fs::exists("out/b.txt"));
}

TEST_F(WizFlow, EmptyArchiveWarnsInBothModes) {
  write_text("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  EXPECT_EQ(extract("empty.zip"), PK_WARN);
  EXPECT_EQ(recorder_.chunks, chunks({"warning [empty.zip]:  zipfile is empty\n"}));
  Recorder listing;
  call_.options.nvflag = 1;
  call_.functions.NumMembers = 77;
  EXPECT_EQ(call_.run(listing), PK_WARN);
  EXPECT_EQ(listing.chunks, recorder_.chunks);
  EXPECT_EQ(call_.functions.NumMembers, 77u);
}

// A RAR, ACE or ARJ archive storing a ZIP archive holds its end record too: that
// is another archive's entry, not a ZIP archive behind a program stub.
TEST_F(WizFlow, AnotherArchiveHoldingAZipIsNoZip) {
  write_sample("a.zip");
  const std::tuple<const char*, std::string, int32_t> cases[] = {
      {"RAR 4", std::string("Rar!\x1a\x07\x00", 7), PK_NOZIP},
      {"RAR 5", std::string("Rar!\x1a\x07\x01\x00", 8), PK_NOZIP},
      {"ACE", std::string(7, '\0') + "**ACE**", PK_NOZIP},
      {"ARJ", std::string("\x60\xEA\x28\x00", 4), PK_NOZIP},
      {"ARJ's marker with a header too long for ARJ", std::string("\x60\xEA\x29\x0A", 4), PK_OK},
  };
  call_.zip = "held.bin";
  call_.folder = "out";
  for (const auto& [label, head, code] : cases) {
    SCOPED_TRACE(label);
    fs::remove_all("out");
    write_text("held.bin", head + std::string(100, 'x') + read_text("a.zip"));
    Recorder recorder;
    EXPECT_EQ(call_.run(recorder), code) << recorder.joined();
    EXPECT_EQ(fs::exists("out/a.txt"), code == PK_OK);
  }
}

// A directory missing or damaged: refused as before, and with ScanLocalHeaders the
// entries the local headers still describe come out whole; an entry whose data is
// cut or damaged fails its check, and names keep their guards.
TEST_F(WizFlow, DamagedDirectoryIsScannedOnlyWhenAsked) {
  const std::string kC = "third entry\n";
  write_text("a.txt", kA);
  write_text("b.txt", kB);
  write_text("c.txt", kC);
  // Written to a pipe, zip puts each entry's sizes in a descriptor after its data.
  ASSERT_EQ(run_in(".",
                   "zip -q -X plain.zip a.txt b.txt c.txt && "
                   "zip -q -X - a.txt b.txt c.txt | tee streamed.zip"),
            0);
  write_raw_zip("up.zip",
                {stored_entry("../up.txt", text_bytes(kA)), stored_entry("c.txt", text_bytes(kC))});
  const auto directory_cut = [](const std::string& zip) {
    const std::string bytes = read_text(zip);
    return bytes.substr(0, bytes.find("PK\x01\x02"));
  };
  std::string overwritten = read_text("plain.zip");
  // The second central record loses its signature.
  const std::size_t first_record = overwritten.find("PK\x01\x02");
  overwritten.replace(overwritten.find("PK\x01\x02", first_record + 4), 4, "XXXX");
  std::string flipped = directory_cut("streamed.zip");
  flipped[data_at("streamed.zip", "b.txt") + 3] ^= 0x55;
  const struct {
    const char* label;
    std::string bytes;
    int32_t refused;
    int32_t scanned;
    std::vector<std::string> whole;  // the rest of a.txt, b.txt, c.txt do not come out
  } rows[] = {
      {"end record cut off",
       directory_cut("plain.zip"),
       PK_NOZIP,
       PK_WARN,
       {"a.txt", "b.txt", "c.txt"}},
      {"cut in the last entry's data",
       read_text("plain.zip").substr(0, data_at("plain.zip", "c.txt") + 3),
       PK_NOZIP,
       PK_BADERR,
       {"a.txt", "b.txt"}},
      {"central records overwritten", overwritten, PK_BADERR, PK_WARN, {"a.txt", "b.txt", "c.txt"}},
      {"descriptors, directory cut off",
       directory_cut("streamed.zip"),
       PK_NOZIP,
       PK_WARN,
       {"a.txt", "b.txt", "c.txt"}},
      {"descriptors, data damaged", flipped, PK_NOZIP, PK_ERR, {"a.txt", "c.txt"}},
      {"a name that climbs out", directory_cut("up.zip"), PK_NOZIP, PK_ERR, {"c.txt"}},
  };
  const std::map<std::string, std::string> contents = {{"a.txt", kA}, {"b.txt", kB}, {"c.txt", kC}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    write_text("d.zip", row.bytes);
    for (const int32_t scan : {0, 1}) {
      fs::remove_all("out");
      call_.options.ScanLocalHeaders = scan;
      Recorder recorder;
      call_.zip = "d.zip";
      call_.folder = "out";
      EXPECT_EQ(call_.run(recorder), scan ? row.scanned : row.refused) << recorder.joined();
      for (const auto& [name, text] : contents) {
        const bool whole = scan && std::count(row.whole.begin(), row.whole.end(), name);
        EXPECT_EQ(fs::exists("out/" + name) ? read_text("out/" + name) : "", whole ? text : "")
            << name;
      }
      EXPECT_FALSE(fs::exists("up.txt"));
    }
  }
}

TEST_F(WizFlow, CommentOnlyMode) {
  write_zip("c.zip", {{"a.txt", kA}}, "line one\r\nline two");
  call_.options.nzflag = 1;
  EXPECT_EQ(extract("c.zip"), PK_OK);
  EXPECT_EQ(recorder_.chunks, chunks({"line one\nline two", "\n\n", ""}));
  EXPECT_EQ(call_.functions.cchComment, 18);
  EXPECT_FALSE(fs::exists("out"));
}

}  // namespace
}  // namespace unzip::test
