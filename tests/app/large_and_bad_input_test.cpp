// End-to-end: tessaly-extract on an entry beyond 4 GiB, interrupted, on files that are
// no usable archive, on destinations it cannot write, with a full disk, with names that
// try to leave the destination and behind self-extracting stubs. Whatever happens,
// nothing outside the destination changes. Code-page names are the library's part.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

#include "app/extract_program_fixture.h"
#include "engine/reader_gateway.h"
#include "support/file_size_limit.h"
#include "support/job_texts.h"
#include "support/odd_zip_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

std::string Corrupted(const std::string& token) {
  return "\nError: An error was encountered while processing \"" + token +
         "\". The file is probably corrupted.\n";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every path below root with the contents of its files (links by their targets),
// leaving out the subtree `skip`.
std::map<std::string, std::string> Snapshot(const fs::path& root, const std::string& skip = "") {
  std::map<std::string, std::string> state;
  for (const std::string& entry : TreeOf(root)) {
    if (!skip.empty() && entry.rfind(skip, 0) == 0) continue;
    const fs::path path = root / entry;
    if (fs::is_symlink(path)) {
      state[entry] = "-> " + fs::read_symlink(path).string();
    } else if (fs::is_regular_file(path)) {
      state[entry] = ReadFileText(path);
    } else {
      state[entry] = "";
    }
  }
  return state;
}

class LargeAndBadInput : public ExtractProgramTest {
 protected:
  static std::string Outside(const std::string& name) {
    return "Tessaly did not extract \"" + name +
           "\": its path leads outside the destination folder.";
  }
  // message: what is said of the archive or of an entry left out.
  static void ExpectNotFinished(const ProcessResult& run, const std::string& message) {
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_EQ(run.signal, 0);
    EXPECT_TRUE(Contains(run.err, message)) << run.err;
    EXPECT_TRUE(Contains(run.err, kNotFinished + "\n")) << run.err;
    EXPECT_FALSE(Contains(run.err, kFinished)) << run.err;
  }
};

// INT (Ctrl+C, to the reader too) or TERM in the middle of an entry: what the run staged
// and its temporary folder go, and it ends as killed by the signal, blaming no archive
// for its reader's end. The staging a dead run left in the destination goes with it
// too; one that a live run holds stays.
TEST_F(LargeAndBadInput, AnInterruptedRunLeavesNothingBehind) {
  WriteLargeEntryZip((work() / "big.zip").string(), "big.bin", uint64_t{768} << 20, "end\n");
  const fs::path out = work() / "out";
  fs::create_directories(out / ".tessaly-deadD1" / "inner");
  WriteFileText(out / ".tessaly-dead01", "left by a killed run");
  WriteFileText(out / ".tessaly-live01", "held by a running one");
  const int live = open((out / ".tessaly-live01").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(live, LOCK_EX), 0);
  const auto staged = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  };
  for (const int signal : {SIGINT, SIGTERM}) {
    ProcessRequest request;
    request.argv = {TESSALY_EXTRACT_BIN, "-y", "-d", "out", "big.zip"};
    request.workDir = work();
    request.environment = IsolatedEnvironment(work().parent_path());
    request.interruption = signal;
    request.interruptGroup = signal == SIGINT;
    request.interruptWhen = [&](const std::string& err) {
      const std::vector<std::string> names = staged();
      return Contains(err, "Extracting file: " + (out / "big.bin").string() + "  \n") &&
             std::any_of(names.begin(), names.end(), [](const std::string& name) {
               return name != ".tessaly-live01" && name != ".tessaly-dead01" &&
                      name != ".tessaly-deadD1";
             });
    };
    const ProcessResult run = RunProcess(request);
    EXPECT_EQ(run.signal, signal) << run.err;
    EXPECT_FALSE(Contains(run.err, "Tessaly stopped reading")) << run.err;
    EXPECT_EQ(staged(), std::vector<std::string>{".tessaly-live01"}) << signal;
    EXPECT_TRUE(fs::is_empty(work().parent_path() / "tmp")) << signal;
  }
  close(live);
}

// Files that are no archive are refused by the type probe before anything is made; a
// destination or per-archive folder that cannot be made or written fails, and what was
// there stays as it was.
TEST_F(LargeAndBadInput, RefusalsLeaveEverythingAsItWas) {
  WriteFileText(work() / "notes.zip", "just some text, no archive\n");
  WriteFileText(work() / "folder.zip/inside.txt", "inside\n");
  MakeZip("two.zip", {{"a.txt", "a\n"}});
  MakeZip("locked.zip", {{"a.txt", "a\n"}});
  fs::permissions(work() / "locked.zip", fs::perms::none);
  WriteFileText(work() / "dest.txt", "a file, not a folder\n");
  WriteFileText(work() / "out/two", "a file named like the archive\n");
  fs::create_directory(work() / "readonly");
  fs::permissions(work() / "readonly", fs::perms::owner_read | fs::perms::owner_exec);
  const std::string destFile = (work() / "dest.txt").string() + "/";
  const struct {
    std::vector<std::string> args;
    int exitStatus;
    std::string message;
  } rows[] = {
      {{"-d", "new", "missing.zip"}, 2, "\nOops!: " + NotSupportedStart("missing.zip") + "\n"},
      {{"-d", "new", "notes.zip"}, 2, "\nOops!: " + NotSupportedStart("notes.zip") + "\n"},
      {{"-d", "new", "folder.zip"}, 2, "\nOops!: " + NotSupportedStart("folder.zip") + "\n"},
      {{"-d", "new", "locked.zip"}, 2, "\nOops!: " + NotSupportedStart("locked.zip") + "\n"},
      {{"-d", "dest.txt", "two.zip"},
       2,
       "\nOops!: Could not create the folder \"" + destFile + "\"."},
      {{"--per-archive-folder", "-d", "out", "two.zip"}, 1, Corrupted("two.zip")},
      {{"-d", "readonly", "two.zip"}, 1, Corrupted("two.zip")},
  };
  const auto before = Snapshot(work());
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    // The superuser reads and writes without the rights all the same.
    const std::string target = (work() / row.args[row.args.size() - 2]).string();
    if (row.args.back() == "locked.zip" && access((work() / "locked.zip").c_str(), R_OK) == 0)
      continue;
    if (row.args[1] == "readonly" && access(target.c_str(), W_OK) == 0) continue;
    std::vector<std::string> args = {"-y"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const ProcessResult run = Run(args);
    EXPECT_EQ(run.exitStatus, row.exitStatus) << run.err;
    EXPECT_EQ(run.signal, 0);
    EXPECT_TRUE(Contains(run.err, row.message)) << run.err;
    if (row.exitStatus == 2) {
      EXPECT_FALSE(Contains(run.err, "Processing archive")) << run.err;
    } else {
      EXPECT_TRUE(Contains(run.err, kNotFinished + "\n")) << run.err;
      EXPECT_FALSE(Contains(run.err, kFinished)) << run.err;
    }
    EXPECT_EQ(Snapshot(work()), before);
  }
  fs::permissions(work() / "readonly", fs::perms::owner_all);
}

// A ZIP cut short before its central directory: no answer (the question's default)
// keeps the error; "yes" or --scan-damaged extracts the entries, and the run does not finish.
TEST_F(LargeAndBadInput, ACutZipIsScannedWhenTheUserAgrees) {
  MakeZip("cut.zip", {{"a.txt", "a\n"}, {"b.txt", "b\n"}});
  const std::string whole = ReadFileText(work() / "cut.zip");
  WriteFileText(work() / "cut.zip", whole.substr(0, whole.find("PK\x01\x02")));
  ExpectNotFinished(Run({"-d", "out", "cut.zip"}), Corrupted("cut.zip"));
  EXPECT_FALSE(fs::exists(work() / "out/a.txt"));
  for (const auto& [args, input] :
       {std::pair{std::vector<std::string>{"-d", "out", "cut.zip"}, "go\nyes\n"},
        std::pair{std::vector<std::string>{"--scan-damaged", "-d", "out2", "cut.zip"}, ""}}) {
    ExpectNotFinished(Run(args, input), "Processing archive");
    EXPECT_EQ(ReadFileText(work() / args[args.size() - 2] / "b.txt"), "b\n");
  }
}

// A folder named after "..zip" would be the destination itself, after "...zip" its parent.
TEST_F(LargeAndBadInput, APerArchiveFolderIsAlwaysANewOneInside) {
  MakeZip("..zip", {{"a.txt", "a\n"}});
  MakeZip("...zip", {{"b.txt", "b\n"}});
  fs::create_directories(work() / "out/sub");
  const ProcessResult run = Run({"-y", "--per-archive-folder", "-d", "out/sub", "..zip", "...zip"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(TreeOf(work() / "out"),
            (std::vector<std::string>{"sub/", "sub/...zip_files/", "sub/...zip_files/b.txt",
                                      "sub/..zip_files/", "sub/..zip_files/a.txt"}));
}

// A file size limit stands in for a full disk: writes fail with EFBIG. The run says
// so and stops there (the rest of the archive and the next archive are not begun); the
// file being replaced stays as it was and no partial file is left.
TEST_F(LargeAndBadInput, AFullDiskIsAnErrorNeverAFinish) {
  WriteZip((work() / "full.zip").string(), {{"small.txt", "fits\n"},
                                            {"docs/big.bin", std::string(4 << 20, '\0'), true},
                                            {"z.txt", "z\n"}});
  WriteZip((work() / "second.zip").string(), {{"later.txt", "later\n"}});
  WriteFileText(work() / "out/kept.txt", "was here before\n");
  WriteFileText(work() / "out/docs/big.bin", "old\n");
  const auto before = Snapshot(work(), "out/");
  ProcessResult run;
  {
    ScopedFileSizeLimit limit(256 * 1024);
    ASSERT_TRUE(limit.active());
    run = Run({"-y", "-d", "out", "full.zip", "second.zip"});
  }
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(Occurrences(run.err, "\nFile Exists: "), 1u) << run.err;
  EXPECT_TRUE(
      Contains(run.err, "\nOops!: Error writing docs/big.bin. Disk full. Operation aborting.\n"))
      << run.err;
  EXPECT_TRUE(Contains(run.err, kNotFinished + "\n")) << run.err;
  EXPECT_EQ(TreeOf(work() / "out"),
            (std::vector<std::string>{"docs/", "docs/big.bin", "kept.txt", "small.txt"}));
  EXPECT_EQ(ReadFileText(work() / "out/docs/big.bin"), "old\n");
  EXPECT_EQ(Snapshot(work(), "out/"), before);
}

// Names and links that lead out of the destination: what stays inside is extracted,
// the rest is refused, and the job says it did not finish.
TEST_F(LargeAndBadInput, NothingIsWrittenOutsideTheDestination) {
  WriteZip((work() / "slip.zip").string(), {{"../up.txt", "up\n"},
                                            {"/abs.txt", "abs\n"},
                                            {"sub/../../../deep.txt", "deep\n"},
                                            ZipTestEntry::Link("link", "../outside"),
                                            {"link/through.txt", "through\n"},
                                            ZipTestEntry::Link("here", "."),
                                            ZipTestEntry::Link("there", "here/../outside"),
                                            {"there/beyond.txt", "beyond\n"},
                                            {"ok.txt", "ok\n"}});
  WriteZip((work() / "via.zip").string(),
           {{"escape/x.txt", "x\n"}, {"escape/sub/", ""}, {"escape/new/deeper/y.txt", "y\n"}});
  WriteFileText(work() / "outside/kept.txt", "outside\n");
  fs::create_directory(work() / "out");
  fs::create_directory_symlink("../outside", work() / "out/escape");
  const auto before = Snapshot(work(), "out/");

  ProcessResult run = Run({"-y", "-d", "out", "slip.zip"});
  ExpectNotFinished(run, Outside("../up.txt"));
  EXPECT_FALSE(fs::exists(work() / "out/up.txt"));
  EXPECT_EQ(ReadFileText(work() / "out/abs.txt"), "abs\n");
  EXPECT_FALSE(fs::exists(work() / "out/sub"));
  EXPECT_EQ(ReadFileText(work() / "out/ok.txt"), "ok\n");
  EXPECT_FALSE(fs::is_symlink(work() / "out/link"));
  EXPECT_FALSE(fs::is_symlink(work() / "out/there"));
  EXPECT_EQ(Snapshot(work(), "out/"), before);

  // A link already in the destination does not lead the next archive out either.
  run = Run({"-y", "-d", "out", "via.zip"});
  ExpectNotFinished(run, Outside("escape/x.txt"));
  EXPECT_EQ(Snapshot(work(), "out/"), before);
  EXPECT_EQ(TreeOf(work() / "outside"), std::vector<std::string>{"kept.txt"});
}

TEST_F(LargeAndBadInput, SelfExtractingFilesWithAndWithoutAdjustedOffsets) {
  const fs::path zip = MakeZip("inner.zip", {{"a.txt", "a\n"}, {"docs/b.txt", "b\n"}});
  const std::string stub = ReadFileText("/bin/true");
  ASSERT_FALSE(stub.empty());
  WriteFileText(work() / "plain.exe", stub + ReadFileText(zip));
  WriteFileText(work() / "adjusted.exe", stub + ReadFileText(zip));
  ProcessRequest adjust;
  adjust.argv = {"/usr/bin/zip", "-q", "-A", (work() / "adjusted.exe").string()};
  ASSERT_EQ(RunProcess(adjust).exitStatus, 0);
  ASSERT_NE(ReadFileText(work() / "adjusted.exe"), ReadFileText(work() / "plain.exe"));

  // zip64 records behind a stub: their offsets cannot be adjusted, so they are moved.
  ProcessRequest zip64;
  zip64.argv = {"/usr/bin/zip", "-q",        "-fz", (work() / "inner64.zip").string(),
                "a.txt",        "docs/b.txt"};
  zip64.workDir = work() / "plain-source";
  WriteFileText(zip64.workDir / "a.txt", "a\n");
  WriteFileText(zip64.workDir / "docs/b.txt", "b\n");
  ASSERT_EQ(RunProcess(zip64).exitStatus, 0);
  WriteFileText(work() / "zip64.exe", stub + ReadFileText(work() / "inner64.zip"));

  for (const std::string name : {"plain", "adjusted", "zip64"}) {
    SCOPED_TRACE(name);
    const ProcessResult run = Run({"-y", "-d", name, name + ".exe"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "Processing archive: " + name + ".exe\n")) << run.err;
    EXPECT_TRUE(Contains(run.err, kFinished + "\n")) << run.err;
    EXPECT_EQ(ReadFileText(work() / name / "a.txt"), "a\n");
    EXPECT_EQ(ReadFileText(work() / name / "docs/b.txt"), "b\n");
  }
}

// An archive that sends libarchive round in circles for ever: its reader is ended after
// 30 seconds without progress, the run fails and says why, once.
TEST_F(LargeAndBadInput, AReaderThatMakesNoProgressIsEndedAndTheRunFails) {
  fs::copy_file(fs::path(TESSALY_CORPUS_DIR) / "hostile" / "xar-doublelink.xar",
                work() / "loop.xar");
  const auto started = std::chrono::steady_clock::now();
  const ProcessResult run = Run({"-y", "-d", "out", "loop.xar"});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(35));
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  EXPECT_EQ(Occurrences(run.err, ReaderStalledText("loop.xar")), 1u) << run.err;
  EXPECT_FALSE(Contains(run.err, "not a supported archive type")) << run.err;
}

}  // namespace
}  // namespace tessaly::testing
