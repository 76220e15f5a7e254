// What only ACE jobs do, through the driver and the real library on archives the
// writer makes: the count over every volume and the result-code messages. What every in-process
// format does is in the hostile archive tables, Cancel in the entry cancel tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ace/ace_backend.h"
#include "support/ace_packer.h"
#include "support/ace_writer.h"
#include "support/engine_fixture.h"
#include "support/job_texts.h"

namespace tessaly::testing {
namespace {

class AceBackendTest : public DestinationJobTest {
 protected:
  static void SetAutoOverwrite(const std::string& value) {
    SetSetting("ace options", "auto overwrite", value);
  }
};

// The count opens every file named like the set whatever its case, skips what is
// not ACE, and leaves out the parts continued from an earlier volume.
TEST_F(AceBackendTest, TheCountCoversEveryVolumeOfTheSet) {
  const std::string big(300, 'b');
  const std::vector<std::string> volumes =
      WriteAceVolumes(PathOf("set"), 100,
                      {{"first.txt", "f", false, AceMethod::Stored},
                       {"big.txt", big, false, AceMethod::Stored},
                       {"end.txt", "e", false, AceMethod::Stored}});
  ASSERT_GE(volumes.size(), 3u);
  WriteFileText(PathOf("set.txt"), "not an archive");
  WriteFileText(PathOf("SET.NOTES"), "not an archive either");
  WriteFileText(PathOf("settle.ace"), "another name");
  ExtractOne(volumes[0]);
  EXPECT_EQ(ReadFileText(Out("big.txt")), big);
  EXPECT_EQ(ReadFileText(Out("end.txt")), "e");
  EXPECT_TRUE(recorder.SawArchiveLabel("Processing archive: " + volumes.back()));
  EXPECT_EQ(session.status.progressMax, 3);
  EXPECT_TRUE(dialogs.messages.empty()) << ::testing::PrintToString(MessageTexts());
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

// A damaged header before the end is no end of the archive: the job does not finish.
TEST_F(AceBackendTest, ADamagedHeaderIsACrcErrorNamingTheArchive) {
  const std::string archive = PathOf("header.ace");
  WriteAce(archive, {{"a.txt", "alpha"}, {"b.txt", "beta"}});
  std::string bytes = ReadFileText(archive);
  bytes[bytes.find("b.txt")] = 'X';
  WriteFileText(archive, bytes);
  ExtractOne(archive);
  ExpectOnlyMessage("Tessaly encountered a CRC error while processing \"" + archive +
                    "\". Operation aborted.");
  EXPECT_EQ(TreeOf(out_), std::vector<std::string>{"a.txt"});
}

TEST_F(AceBackendTest, AnEntryCutShortIsAReadErrorOfTheArchive) {
  const std::string archive = PathOf("cut.ace");
  WriteAce(archive,
           {{"a.txt", "alpha"}, {"b.txt", std::string(2000, 'b'), false, AceMethod::Stored}});
  const std::string bytes = ReadFileText(archive);
  WriteFileText(archive, bytes.substr(0, bytes.size() - 100));
  ExtractOne(archive);
  ExpectOnlyMessage("There was an error reading from the drive on which " + archive +
                    "is located. Operation aborted.");
  EXPECT_EQ(ReadFileText(Out("a.txt")), "alpha");
}

TEST_F(AceBackendTest, AnUnknownCompressionTypeStopsWithTheUnsupportedMessage) {
  const std::string data = "four";
  AceFileHeaderFields odd;
  odd.packedSize = odd.originalSize = static_cast<uint32_t>(data.size());
  odd.crc = AceCrc32(data);
  odd.type = 9;
  odd.name = "odd.bin";
  WriteFileText(PathOf("odd.ace"), AceMainHeader({}) + AceFileHeader(odd) + data);
  ExtractOne(PathOf("odd.ace"));
  ExpectOnlyMessage(
      "There was an unknown error encountered during the extraction process. Tessaly does not "
      "currently support Ace version 2 compression. Operation Aborting.");
}

TEST_F(AceBackendTest, OverwritePromptAnswersNoYesAllThenNoMoreQuestions) {
  SetAutoOverwrite("0");
  WriteAce(PathOf("a.ace"),
           {{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}, {"d.txt", "new d"}});
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteFileText(Out(name), "old");
  dialogs.fileExistsAnswers = {"No", "Yes", "All"};
  ExtractOne(PathOf("a.ace"));
  EXPECT_EQ(dialogs.fileExistsQuestions,
            (std::vector<std::string>{ExistsQuestion("a.txt"), ExistsQuestion("b.txt"),
                                      ExistsQuestion("c.txt")}));
  EXPECT_EQ(ReadFileText(Out("a.txt")), "old");
  for (const char* name : {"b.txt", "c.txt", "d.txt"}) {
    EXPECT_EQ(ReadFileText(Out(name)), std::string("new ") + name[0]) << name;
  }
  EXPECT_EQ(session.status.archiveLabel, kFinished);
}

TEST_F(AceBackendTest, AFileTheLibraryDoesNotOpenIsNotAValidAceArchive) {
  WriteFileText(PathOf("fake.ace"), "**ACE** is not enough to make an archive");
  EXPECT_EQ(ExtractAceArchive(session, PathOf("fake.ace")), 1);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, "This file is not a valid Ace archive.");
  EXPECT_EQ(dialogs.messages[0].title, "Oops!");
  EXPECT_EQ(session.status.progressMax, 0);
}

}  // namespace
}  // namespace tessaly::testing
