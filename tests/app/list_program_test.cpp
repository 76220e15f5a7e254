// tessaly-extract -l on ZIP, RAR and ARJ archives (the other archives' listing is in the
// extract program's tests): the listings, printed in the archive's order, and their
// messages with exit status 1, or 2 for no archive. ACE is printed as RAR is and ends
// as RAR does; its rows and messages are the listing tests' part.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/extract_program_fixture.h"
#include "app/process_runner.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

using ListProgram = ExtractProgramTest;

TEST_F(ListProgram, ListsEveryFormatOrSaysWhyNot) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& work)> write;
    std::string archive;
    int exitStatus;
    std::string out;
    std::string err;               // a line the standard error holds ("" for none expected)
    std::string nextArchive = "";  // listed in the same run
    std::string password = "";     // given with -p
  };
  // Encrypted headers were once listed as an empty archive, exit 0.
  const auto writeHidden = [](RarFormat format, const fs::path& path) {
    RarOptions options;
    options.format = format;
    options.password = "hpw";
    options.encryptHeaders = true;
    WriteRar(path.string(), {{"top.txt", "12345"}, RarFolder("docs"), {"docs/b.txt", "secret"}},
             options);
  };
  const Case cases[] = {
      // ZIP rows also carry the date.
      {"zip",
       [](const fs::path& work) {
         WriteZip((work / "l.zip").string(),
                  {{"top.txt", "12345"}, {"docs/b.txt", "secret", false, "pw"}});
         WriteZip((work / "m.zip").string(), {{"m.txt", "m"}});
       },
       "l.zip", 0,
       "Archive: l.zip\ntop.txt\t\t5\t5\t3/7/2024 9:5\nb.txt+\tdocs/\t6\t*\n"
       "Total Files: 2  Total Uncompressed Size: 11\n"
       "Archive: m.zip\nm.txt\t\t1\t1\t3/7/2024 9:5\nTotal Files: 1  Total Uncompressed Size: 1\n",
       "", "m.zip"},
      {"no archive",
       [](const fs::path& work) { WriteFileText(work / "notes.zip", "just some text\n"); },
       "notes.zip", 2, "", "Oops!: " + NotSupportedStart("notes.zip") + "\n"},
      {"rar",
       [](const fs::path& work) {
         RarOptions options;
         options.password = "pw";
         WriteRar((work / "l.rar").string(),
                  {{"top.txt", "12345"}, RarFolder("docs"), {"docs/b.txt", "secret", false, true}},
                  options);
       },
       "l.rar", 0,
       "Archive: l.rar\ntop.txt\t\t5\t5\nb.txt+\tdocs/\t6\t*\n"
       "Total Files: 2  Total Uncompressed Size: 11\n",
       ""},
      {"rar encrypted headers",
       [&](const fs::path& work) { writeHidden(RarFormat::Rar4, work / "h4.rar"); }, "h4.rar", 0,
       "Archive: h4.rar\ntop.txt+\t\t5\t16\nb.txt+\tdocs/\t6\t*\n"
       "Total Files: 2  Total Uncompressed Size: 11\n",
       "", "", "hpw"},
      {"rar encrypted headers, wrong password",
       [&](const fs::path& work) { writeHidden(RarFormat::Rar5, work / "h5.rar"); }, "h5.rar", 1,
       "", "Oops!: The password you entered was incorrect.\n", "", "nope"},
      {"rar encrypted headers, no password", [](const fs::path&) {}, "h5.rar", 1, "",
       "Oops!: No password supplied. Aborting.\n"},
      {"rar missing volume",
       [](const fs::path& work) {
         const auto volumes = WriteRarVolumes((work / "set").string(), RarVolumeNaming::PartN, 100,
                                              {{"a.txt", std::string(300, 'a')}});
         fs::remove(volumes[1]);
       },
       "set.part1.rar", 1, "",
       "Oops!: Tessaly could not complete the operation because this RAR set is missing one or "
       "some of its volumes.\n"},
      {"arj",
       [this](const fs::path& work) {
         WriteFileText(config() / "Brindlemoor/Tessaly 3.6.conf",
                       "[Utility Locations]\narj=" + std::string(kArjUtility) + "\n");
         ProcessRequest request{{kArjUtility, "a", "-y", "../l.arj"}, "", work / "staging", {}};
         for (const auto& [name, content] :
              {std::pair{"top.txt", "12345"}, std::pair{"docs/b.txt", "secret"}}) {
           WriteFileText(work / "staging" / name, content);
           EXPECT_TRUE(SetLocalFileTime(work / "staging" / name, 2024, 3, 7, 9, 5, 10));
           request.argv.push_back(name);
         }
         EXPECT_EQ(RunProcess(request).exitStatus, 0);
       },
       "l.arj", 0,
       "Archive: l.arj\n"
       "top.txt\t24-03-07 09:05:10\t5\t5\n"
       "docs/b.txt\t24-03-07 09:05:10\t6\t6\n"
       "Total Files: 2  Total Uncompressed Size: 11\n",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "arj" && !fs::exists(kArjUtility)) continue;
    c.write(work());
    std::vector<std::string> args = {"-l", c.archive};
    if (!c.nextArchive.empty()) args.push_back(c.nextArchive);
    if (!c.password.empty()) args.insert(args.begin(), {"-p", c.password});
    const ProcessResult run = Run(args);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
    EXPECT_FALSE(fs::exists(work() / "top.txt")) << "a listing extracts nothing";
    // The packed size of an encrypted entry depends on the cipher's padding.
    std::string out = run.out;
    const size_t marked = out.find("b.txt+\tdocs/\t6\t");
    if (marked != std::string::npos) {
      const size_t start = marked + std::string("b.txt+\tdocs/\t6\t").size();
      out.replace(start, out.find('\n', start) - start, "*");
    }
    EXPECT_EQ(out, c.out);
    if (!c.err.empty()) {
      EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    // The ARJ probe's listing has served once the archive is listed.
    for (const auto& file : fs::recursive_directory_iterator(work().parent_path() / "tmp")) {
      EXPECT_NE(file.path().filename(), "arjtmp.tmp");
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
