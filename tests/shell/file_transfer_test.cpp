// Copy to... and Move to... on real files: the Replace question and its answers, a copy
// that fails half-way, and a move across file systems (a rename that fails with EXDEV).
#include "shell/file_transfer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/files.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileText;
using testing::TreeOf;
using testing::WriteFileText;
using Names = std::vector<std::string>;

class RecordingHost : public TransferHost {
 public:
  std::deque<ConflictAnswer> answers;
  Names questions;
  Names errors;
  int cancelAfterProgress = -1;  // Cancel pressed at this call of Progress
  int progressCalls = 0;
  std::uint64_t lastDone = 0, lastTotal = 0;

  ConflictAnswer AskReplace(const std::string& target) override {
    questions.push_back(ReplaceQuestionText(target));
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question about " << target;
      return ConflictAnswer::Cancel;
    }
    const ConflictAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool Progress(const std::string&, std::uint64_t done, std::uint64_t total) override {
    lastDone = done;
    lastTotal = total;
    return ++progressCalls != cancelAfterProgress;
  }
  void ReportError(const std::string& text) override { errors.push_back(text); }
};

class FileTransferTest : public ::testing::Test {
 protected:
  FileTransferTest() {
    fs::create_directories(Source());
    fs::create_directories(Target());
  }
  std::string Source() const { return (temp.path() / "from").string() + "/"; }
  std::string Target() const { return (temp.path() / "to").string() + "/"; }

  testing::TempFolder temp;
  RecordingHost host;
};

struct ConflictRow {
  const char* name;
  TransferKind kind;
  std::vector<ConflictAnswer> answers;  // one for each question asked
  TransferOutcome outcome;
  const char* targetA;
  const char* targetB;
  Names sourcesLeft;
};

TEST_F(FileTransferTest, ExistingTargetsFollowTheAnswers) {
  using A = ConflictAnswer;
  const TransferKind copy = TransferKind::Copy, move = TransferKind::Move;
  const Names both{"a.txt", "b.txt"};
  const TransferOutcome done = TransferOutcome::Done, cancelled = TransferOutcome::Cancelled;
  const ConflictRow rows[] = {
      {"copy replace, skip", copy, {A::Replace, A::Skip}, done, "new a", "old b", both},
      {"copy replace all", copy, {A::ReplaceAll}, done, "new a", "new b", both},
      {"copy skip all", copy, {A::SkipAll}, done, "old a", "old b", both},
      {"copy cancel", copy, {A::Cancel}, cancelled, "old a", "old b", both},
      {"move skip, replace", move, {A::Skip, A::Replace}, done, "old a", "new b", {"a.txt"}},
      {"move replace all", move, {A::ReplaceAll}, done, "new a", "new b", {}},
      {"move skip all", move, {A::SkipAll}, done, "old a", "old b", both},
      {"move cancel", move, {A::Cancel}, cancelled, "old a", "old b", both},
  };
  for (const ConflictRow& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingHost rowHost;
    rowHost.answers.assign(row.answers.begin(), row.answers.end());
    fs::remove_all(Source());
    fs::remove_all(Target());
    for (const char* name : {"a", "b"}) {
      WriteFileText(Source() + name + ".txt", std::string("new ") + name);
      WriteFileText(Target() + name + ".txt", std::string("old ") + name);
    }
    WriteFileText(Source() + "c.txt", "free");
    EXPECT_EQ(TransferFiles(row.kind, {Source() + "a.txt", Source() + "b.txt", Source() + "c.txt"},
                            Target(), rowHost),
              row.outcome);
    EXPECT_EQ(rowHost.questions.size(), row.answers.size());
    EXPECT_EQ(rowHost.questions.front(),
              "The file \"" + Target() + "a.txt\" already exists. Do you want to replace it?");
    EXPECT_EQ(ReadFileText(Target() + "a.txt"), row.targetA);
    EXPECT_EQ(ReadFileText(Target() + "b.txt"), row.targetB);
    // Cancel stops before the files that follow.
    EXPECT_EQ(fs::exists(Target() + "c.txt"), row.outcome == done);
    Names left = row.sourcesLeft;
    if (row.kind == copy || row.outcome == cancelled) left.push_back("c.txt");
    EXPECT_EQ(TreeOf(Source()), left);
    EXPECT_TRUE(rowHost.errors.empty());
  }
}

// The names no shell would pass as they are, in a folder copied recursively.
TEST_F(FileTransferTest, FoldersCopyRecursivelyWithAwkwardNamesModesAndTimes) {
  const std::string odd = Source() + "-dash \"quoted\" \xff\xfe";
  fs::create_directories(odd + "/inner");
  WriteFileText(odd + "/inner/--x y", "deep");
  chmod((odd + "/inner/--x y").c_str(), 0750);
  fs::create_symlink("inner/--x y", odd + "/link");
  ASSERT_TRUE(testing::SetLocalFileTime(odd + "/inner/--x y", 2001, 2, 3, 4, 5, 6));

  ASSERT_EQ(TransferFiles(TransferKind::Copy, {odd + "/"}, Target(), host), TransferOutcome::Done);
  const std::string copied = Target() + "-dash \"quoted\" \xff\xfe";
  EXPECT_EQ(TreeOf(Target()),
            (Names{"-dash \"quoted\" \xff\xfe/", "-dash \"quoted\" \xff\xfe/inner/",
                   "-dash \"quoted\" \xff\xfe/inner/--x y", "-dash \"quoted\" \xff\xfe/link"}));
  EXPECT_EQ(ReadFileText(copied + "/inner/--x y"), "deep");
  EXPECT_EQ(fs::read_symlink(copied + "/link"), "inner/--x y");
  struct stat from {
  }, to{};
  stat((odd + "/inner/--x y").c_str(), &from);
  stat((copied + "/inner/--x y").c_str(), &to);
  EXPECT_EQ(to.st_mode & 0777, 0750u);
  EXPECT_EQ(to.st_mtim.tv_sec, from.st_mtim.tv_sec);
  EXPECT_EQ(host.lastDone, 4u);
  EXPECT_EQ(host.lastTotal, 4u);
  // Into itself is refused before anything is written, also through a link to it.
  fs::create_directory_symlink(odd, Source() + "alias");
  for (const std::string& into : {odd + "/inner/", Source() + "alias/"}) {
    RecordingHost refused;
    EXPECT_EQ(TransferFiles(TransferKind::Copy, {odd}, into, refused), TransferOutcome::Failed);
    EXPECT_EQ(refused.errors, Names{"\"" + odd + "\" cannot be copied onto itself."});
  }
  EXPECT_EQ(TreeOf(odd), (Names{"inner/", "inner/--x y", "link"}));
}

// A full disk half-way through: the old target stays, no half-written file is left,
// and the source of a move stays too, whether it was renamed or copied across devices.
TEST_F(FileTransferTest, AFailedCopyLeavesSourceAndTargetAsTheyWere) {
  const std::string big(3 << 20, 'x');
  const RenameCall acrossDevices = [](const std::string&, const std::string&) { return EXDEV; };
  struct Row {
    const char* name;
    TransferKind kind;
    const char* verb;
  } rows[] = {{"copy", TransferKind::Copy, "copy"},
              {"move across devices", TransferKind::Move, "move"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingHost rowHost;
    rowHost.answers = {ConflictAnswer::Replace};
    WriteFileText(Source() + "big.bin", big);
    WriteFileText(Target() + "big.bin", "old");
    TransferOutcome outcome;
    {
      testing::ScopedFileSizeLimit limit(1 << 20);
      ASSERT_TRUE(limit.active());
      outcome = TransferFiles(row.kind, {Source() + "big.bin"}, Target(), rowHost, acrossDevices);
    }
    EXPECT_EQ(outcome, TransferOutcome::Failed);
    EXPECT_EQ(rowHost.errors, Names{std::string("Could not ") + row.verb + " \"" + Target() +
                                    "big.bin\": File too large."});
    EXPECT_TRUE(ReadFileText(Source() + "big.bin") == big);
    EXPECT_EQ(TreeOf(Target()), Names{"big.bin"});
    EXPECT_EQ(ReadFileText(Target() + "big.bin"), "old");
  }
}

TEST_F(FileTransferTest, MoveAcrossDevicesCopiesThenDeletesAndCancelKeepsTheSource) {
  fs::create_directories(Source() + "set/sub");
  WriteFileText(Source() + "set/sub/a", std::string(3 << 20, 'a'));
  WriteFileText(Source() + "set/b", "b");
  Names renames;
  const RenameCall acrossDevices = [&](const std::string& from, const std::string&) {
    renames.push_back(from);
    return EXDEV;
  };
  // Cancel during the big file's second chunk: nothing of it arrives, its source stays.
  host.cancelAfterProgress = 6;
  EXPECT_EQ(TransferFiles(TransferKind::Move, {Source() + "set"}, Target(), host, acrossDevices),
            TransferOutcome::Cancelled);
  EXPECT_EQ(TreeOf(Source()), (Names{"set/", "set/sub/", "set/sub/a"}));
  EXPECT_EQ(TreeOf(Target()), (Names{"set/", "set/b", "set/sub/"}));

  RecordingHost again;
  renames.clear();
  EXPECT_EQ(TransferFiles(TransferKind::Move, {Source() + "set"}, Target(), again, acrossDevices),
            TransferOutcome::Done);
  EXPECT_EQ(renames, (Names{Source() + "set/sub/a"}));
  EXPECT_EQ(TreeOf(Source()), Names{});
  EXPECT_EQ(TreeOf(Target()), (Names{"set/", "set/b", "set/sub/", "set/sub/a"}));
  EXPECT_TRUE(ReadFileText(Target() + "set/sub/a") == std::string(3 << 20, 'a'));
}

}  // namespace
}  // namespace tessaly
