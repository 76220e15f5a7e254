// Chunk sequences of whole calls: every chunk with its exact bytes and boundaries.
#include <gtest/gtest.h>

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

TEST_F(WizFlow, StoredDeflatedAndFolder) {
  write_sample("a.zip");
  EXPECT_EQ(extract("a.zip"), PK_OK);
  EXPECT_EQ(recorder_.chunks, sample_sequence());
  EXPECT_EQ(read_text("out/a.txt"), kA);
  EXPECT_EQ(read_text("out/d/b.txt"), kB);
  EXPECT_EQ(recorder_.service_calls,
            (std::vector<ServiceCall>{{"out/a.txt", kA.size()}, {"out/d/b.txt", kB.size()}}));
  // Sound comes before the per-file chunk, service after the entry's last chunk.
  EXPECT_EQ(recorder_.events,
            (std::vector<std::string>{"sound", "chunk", "chunk", "service", "chunk", "sound",
                                      "chunk", "chunk", "service"}));
}

TEST_F(WizFlow, ExistingFolderEntryPrintsNothing) {
  write_sample("a.zip");
  fs::create_directories("out/d");
  call_.zip = "a.zip";
  call_.folder = "out/";
  EXPECT_EQ(call_.run(recorder_), PK_OK);
  std::vector<std::string> expected = sample_sequence();
  expected.erase(expected.begin() + 2);
  EXPECT_EQ(recorder_.chunks, expected);
}

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

TEST_F(WizFlow, Zip64BehindAStub) {
  write_text("h.txt", "hello\n");
  ASSERT_EQ(run_in(".", "zip -q -fz z64.zip h.txt"), 0);
  write_text("z64.exe", std::string(1000, '\0') + read_text("z64.zip"));
  EXPECT_EQ(extract("z64.exe"), PK_OK);
  EXPECT_EQ(recorder_.chunks,
            chunks({"error: End-of-centdir-64 signature not where expected (prepended bytes?)\n"
                    "  (attempting to process anyway)\n",
                    "warning [z64.exe]:  1000 extra bytes at beginning or within zipfile\n"
                    "  (attempting to process anyway)\n",
                    extracting("out/h.txt"), "\n"}));

  Recorder unmoved;  // the same zip64 records where they belong: nothing to say
  call_.zip = "z64.zip";
  call_.options.noflag = 1;
  EXPECT_EQ(call_.run(unmoved), PK_OK);
  EXPECT_EQ(unmoved.chunks, chunks({extracting("out/h.txt"), "\n"}));
}

TEST_F(WizFlow, NotAZipAndMissingFiles) {
  write_text("plain.exe", std::string(1000, 'x'));
  call_.zip = "plain.exe";
  EXPECT_EQ(call_.run(recorder_), PK_NOZIP);
  ASSERT_EQ(recorder_.chunks.size(), 3u);
  EXPECT_EQ(recorder_.chunks[0].substr(0, 50),
            "  End-of-central-directory signature not found.  E");
  EXPECT_EQ(recorder_.chunks[1], "note:  plain.exe may be a plain executable, not an archive\n");
  EXPECT_EQ(recorder_.chunks[2],
            "UnZip DLL:  cannot find zipfile directory in plain.exe,\n"
            "        and cannot find plain.exe.zip, period.\n");

  Recorder missing;
  call_.zip = "gone.zip";
  EXPECT_EQ(call_.run(missing), PK_NOZIP);
  EXPECT_EQ(missing.chunks, chunks({"UnZip DLL:  cannot find either gone.zip or gone.zip.zip.\n"}));

  Recorder folder;
  fs::create_directory("dir.zip");
  call_.zip = "dir.zip";
  EXPECT_EQ(call_.run(folder), PK_NOZIP);
}

TEST_F(WizFlow, RecordsAreCheckedBeforeAnyWork) {
  write_sample("a.zip");
  call_.functions.print = nullptr;
  EXPECT_EQ(extract("a.zip"), PK_BADERR);
  call_.functions.print = record_print;
  call_.functions.replace = nullptr;
  EXPECT_EQ(call_.run(recorder_), PK_BADERR);
  call_.functions.replace = record_replace;
  call_.includes = {std::string(16225, '*')};
  EXPECT_EQ(call_.run(recorder_), PK_PARAM);
  EXPECT_TRUE(recorder_.chunks.empty());
  EXPECT_FALSE(fs::exists("out"));

  DCL options{};
  options.lpszZipFN = nullptr;
  EXPECT_EQ(Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, &call_.functions), PK_NOZIP);
}

TEST_F(WizFlow, PatternCountStopsAtTheFirstNull) {
  write_sample("a.zip");
  char pattern[] = "a.txt";
  char* includes[] = {pattern, nullptr, nullptr};
  call_.options.lpszZipFN = "a.zip";
  call_.options.lpszExtractDir = "out";
  current_recorder = &recorder_;
  EXPECT_EQ(Wiz_SingleEntryUnzip(3, includes, 5, nullptr, &call_.options, &call_.functions), PK_OK);
  current_recorder = nullptr;
  EXPECT_TRUE(fs::exists("out/a.txt"));
  EXPECT_FALSE(fs::exists("out/d"));
}

TEST_F(WizFlow, CommentOnlyMode) {
  write_zip("c.zip", {{"a.txt", kA}}, "line one\r\nline two");
  call_.options.nzflag = 1;
  EXPECT_EQ(extract("c.zip"), PK_OK);
  EXPECT_EQ(recorder_.chunks, chunks({"line one\nline two", "\n\n", ""}));
  EXPECT_EQ(call_.functions.cchComment, 18);
  EXPECT_FALSE(fs::exists("out"));
}

// A root that cannot be made stops the call; no root at all is the current folder.
TEST_F(WizFlow, ExtractionRoots) {
  write_sample("a.zip");
  call_.zip = "a.zip";
  call_.folder = "missing/deeper";
  EXPECT_EQ(call_.run(recorder_), PK_ERR);
  EXPECT_EQ(recorder_.chunks,
            chunks({"checkdir:  cannot create extraction directory: missing/deeper\n"}));

  Recorder here;
  call_.folder.clear();
  EXPECT_EQ(call_.run(here), PK_OK);
  EXPECT_EQ(here.chunks.front(), extracting("a.txt"));
  EXPECT_EQ(read_text("d/b.txt"), kB);
}

}  // namespace
}  // namespace unzip::test
