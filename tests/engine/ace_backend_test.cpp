// What only ACE jobs do, through the driver and the real library on archives the writer makes: the
// messages the backend ends with, with the library results no archive here reaches. What every
// in-process format does is in the hostile archive tables, Cancel in the entry cancel tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/ace/ace_backend.h"
#include "engine/ace/ace_messages.h"
#include "support/ace_packer.h"
#include "support/ace_writer.h"
#include "support/corpus_table.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const std::string kUnknownError =
    "There was an unknown error encountered during the extraction process. Tessaly does not "
    "currently support Ace version 2 compression. Operation Aborting.";

using AceBackendTest = DestinationJobTest;

// What the backend tells of an archive it cannot finish: a damaged header before the end is no end
// of the archive, and what came before it stays.
TEST_F(AceBackendTest, EachFailureEndsTheArchiveWithItsMessage) {
  const struct {
    const char* name;
    void (*write)(const std::string& archive);
    std::string (*message)(const std::string& archive);
    std::vector<std::string> left;
  } kRows[] = {
      {"header.ace",
       [](const std::string& archive) {
         WriteAce(archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}});
         std::string bytes = ReadFileText(archive);
         bytes[bytes.find("b.txt")] = 'X';
         WriteFileText(archive, bytes);
       },
       [](const std::string& archive) {
         return "Tessaly encountered a CRC error while processing \"" + archive +
                "\". Operation aborted.";
       },
       {"a.txt"}},
      {"cut.ace",
       [](const std::string& archive) {
         WriteAce(archive, {{"a.txt", "alpha"},
                            {"b.txt", std::string(2000, 'b'), false, AceMethod::Stored}});
         const std::string bytes = ReadFileText(archive);
         WriteFileText(archive, bytes.substr(0, bytes.size() - 100));
       },
       [](const std::string& archive) {
         return "Tessaly encountered a CRC error while processing \"" + archive +
                "\". Operation aborted.";
       },
       {"a.txt"}},
      {"unprotected.ace",
       [](const std::string& archive) {
         // The main header announces a recovery record; the file ends before it.
         const std::string data = "alpha";
         AceFileHeaderFields entry;
         entry.packedSize = entry.originalSize = static_cast<uint32_t>(data.size());
         entry.crc = AceCrc32(data);
         entry.type = 0;
         entry.name = "a.txt";
         WriteFileText(archive, AceMainHeader({.flags = 0x2000}) + AceFileHeader(entry) + data);
       },
       [](const std::string& archive) {
         return "Tessaly encountered a CRC error while processing \"" + archive +
                "\". Operation aborted.";
       },
       {"a.txt"}},
      {"odd.ace",
       [](const std::string& archive) {
         const std::string data = "four";
         AceFileHeaderFields odd;
         odd.packedSize = odd.originalSize = static_cast<uint32_t>(data.size());
         odd.crc = AceCrc32(data);
         odd.type = 9;  // no compression type the library knows
         odd.name = "odd.bin";
         WriteFileText(archive, AceMainHeader({}) + AceFileHeader(odd) + data);
       },
       [](const std::string&) { return kUnknownError; },
       {}},
      {"fake.ace",
       [](const std::string& archive) {
         WriteFileText(archive, "**ACE** is not enough to make an archive");
       },
       [](const std::string&) { return std::string("This file is not a valid Ace archive."); },
       {}},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    const std::string archive = PathOf(row.name);
    row.write(archive);
    fs::remove_all(out_);
    fs::create_directory(out_);
    dialogs.messages.clear();
    EXPECT_EQ(ExtractAceArchive(session, archive), 1);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{row.message(archive)});
    EXPECT_EQ(dialogs.messages.at(0).icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.messages[0].title, "Oops!");
    EXPECT_EQ(TreeOf(out_), row.left);
    if (!row.left.empty()) {
      EXPECT_EQ(ReadFileText(Out("a.txt")), "alpha");
    }
  }
  EXPECT_EQ(AceOpenResultMessage(0), "");
  EXPECT_EQ(AceOpenResultMessage(1),
            "Not enough memory to allocate decompression structures. Aborting.");
  EXPECT_EQ(AceOpenResultMessage(9), "Main header of archive broken. Aborting.");
  EXPECT_EQ(AceOpenResultMessage(2), "") << "any other value goes on";
  EXPECT_EQ(AceResultMessage(0, "dir/a.txt", "/tmp/set.c00", false), "");
  EXPECT_EQ(AceResultMessage(11, "dir/a.txt", "/tmp/set.c00", true), "") << "11 is success too";
  for (const int code : {1, 10, 255, -1}) {
    EXPECT_EQ(AceResultMessage(code, "dir/a.txt", "/tmp/set.c00", false), kUnknownError) << code;
  }
}

// A real archive cut inside an entry's data is damaged, as a cut RAR archive is: not a
// drive that failed to read. What lies before the cut comes out; the job does not finish.
TEST_F(AceBackendTest, ACutCorpusArchiveIsDamagedNotUnreadable) {
  const std::string whole = ReadFileText(fs::path(TESSALY_CORPUS_DIR) / "ace" / "dir2.ace");
  ASSERT_FALSE(whole.empty()) << "no corpus archive dir2.ace";
  const std::string archive = PathOf("dir2.ace");
  WriteFileText(archive, whole.substr(0, whole.size() / 2));
  ExtractOne(archive);
  ExpectOnlyMessage("Tessaly encountered a CRC error while processing \"" + archive +
                    "\". Operation aborted.");
  EXPECT_EQ(Sha256OfFile(Out("dir2/ORBit2.m4")),
            "ed69aa1a606668f8d7a2781590765b06d83633c05991aa79b5701ac6e413964a");
}

}  // namespace
}  // namespace tessaly::testing
