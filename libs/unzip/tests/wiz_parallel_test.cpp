// Entries decoded on worker threads: every callback, chunk and file must be exactly
// what the call shows decoding one entry after the other.
#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

#include "test_support.h"
#include "wiz_entry_pool.h"

namespace unzip::test {
namespace {

constexpr int kEntries = 2000;

std::string entry_name(int i) {
  return "d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt";
}

// 2,000 entries: deflated and stored, some large enough for service calls within
// them, encrypted ones under two passwords (each asked wrong, then right), a file
// then a folder of the same name, a link, and two damaged entries.
void write_mixed_archive() {
  std::vector<Entry> entries;
  for (int i = 0; i < kEntries; ++i) {
    const std::size_t size = i % 250 == 3 ? 600 * 1024 : 50 + static_cast<std::size_t>(i % 97) * 40;
    Entry entry(entry_name(i), as_text(sample_bytes(size, static_cast<uint32_t>(i))),
                i % 5 == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE);
    if (i % 150 == 7) entry.encrypt(ZIP_EM_AES_128, i % 300 == 7 ? "first" : "second");
    entries.push_back(entry);
  }
  entries.insert(entries.begin() + 900, Entry("clash", "a file first"));
  entries.insert(entries.begin() + 901, Entry("clash/inside.txt", "then a folder"));
  entries.insert(entries.begin() + 1200, Entry("d1/link", "f1.txt").mode(0120777));
  write_zip("m.zip", entries);
  for (const int damaged : {500, 1501}) {
    const std::size_t at = data_at("m.zip", entry_name(damaged)) + 20;
    overwrite_byte("m.zip", at, static_cast<unsigned char>(~read_bytes("m.zip")[at]));
  }
}

// Every path below out with its contents (a link's target), leftovers included.
std::map<std::string, std::string> tree(const fs::path& out) {
  std::map<std::string, std::string> found;
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(out)) {
    const std::string path = item.path().lexically_relative(out).string();
    if (item.is_symlink()) {
      found[path] = "-> " + fs::read_symlink(item.path()).string();
    } else if (item.is_regular_file()) {
      found[path] = read_text(item.path());
    } else {
      found[path] = "/";
    }
  }
  return found;
}

class WizParallel : public WizTest {
 protected:
  void SetUp() override {
    WizTest::SetUp();
    write_mixed_archive();
    call_.zip = "m.zip";
    call_.folder = "out";
    call_.options.PromptToOverwrite = 1;
  }

  struct Outcome {
    int32_t code;
    Recorder recorder;
    std::map<std::string, std::string> files;
  };

  // A run into a fresh out/ holding old copies of every 97th file, with scripted
  // answers: skip and overwrite in turn, each password wrong and then right.
  Outcome run(int32_t threads, std::size_t stop_at_service_call) {
    fs::remove_all("out");
    for (int i = 0; i < kEntries; i += 97) {
      fs::create_directories((fs::path("out") / entry_name(i)).parent_path());
      write_text(fs::path("out") / entry_name(i), "old");
    }
    Outcome outcome;
    Recorder& recorder = outcome.recorder;
    for (int i = 0; i < kEntries; i += 97)
      recorder.replace_answers.push_back({i % 2 ? 100 : 102, ""});
    for (int i = 0; i < 14; ++i) {
      recorder.password_answers.push_back({0, "wrong"});
      recorder.password_answers.push_back({0, i % 2 ? "second" : "first"});
    }
    recorder.stop_at_service_call = stop_at_service_call;
    call_.options.Threads = threads;
    outcome.code = call_.run(recorder);
    outcome.files = tree("out");
    return outcome;
  }
};

TEST_F(WizParallel, FourWorkersShowAndWriteWhatOneDoes) {
  for (const std::size_t stop_at : {std::size_t{0}, std::size_t{1}, std::size_t{700}}) {
    SCOPED_TRACE("stop at service call " + std::to_string(stop_at));
    const Outcome one = run(1, stop_at);
    const Outcome four = run(4, stop_at);
    EXPECT_EQ(four.code, one.code);
    EXPECT_EQ(four.recorder.events, one.recorder.events);
    EXPECT_EQ(four.recorder.chunks, one.recorder.chunks);
    EXPECT_EQ(four.recorder.service_calls, one.recorder.service_calls);
    EXPECT_EQ(four.recorder.password_questions.size(), one.recorder.password_questions.size());
    EXPECT_EQ(four.recorder.replace_questions.size(), one.recorder.replace_questions.size());
    EXPECT_TRUE(four.files == one.files) << "the trees differ";
    if (stop_at != 0) continue;

    // The whole run: every question asked, the entries' lines in archive order.
    EXPECT_EQ(one.code, PK_ERR);  // the damaged entries and the folder over a file
    EXPECT_EQ(one.recorder.password_questions.size(), 28u);
    EXPECT_EQ(one.recorder.replace_questions.size(), 21u);
    std::vector<std::string> lines;
    for (const std::string& chunk : one.recorder.chunks) {
      if (!chunk.starts_with("  inflating: out/d") && !chunk.starts_with(" extracting: out/d"))
        continue;
      const std::string name = chunk.substr(17, chunk.find(' ', 17) - 17);
      if (name.ends_with(".txt")) lines.push_back(name);
    }
    ASSERT_GT(lines.size(), 1900u);
    std::size_t next = 0;
    for (int i = 0; i < kEntries && next < lines.size(); ++i)
      if (lines[next] == entry_name(i)) ++next;
    EXPECT_EQ(next, lines.size()) << "out of archive order at " << lines[next];
    EXPECT_EQ(one.files.at("d1/link"), "-> f1.txt");
    EXPECT_EQ(one.files.at("clash"), "a file first");
    // A large entry reports its bytes written as it goes, its size at its end.
    std::vector<uint64_t> large;
    for (const ServiceCall& call : one.recorder.service_calls)
      if (call.name == "out/" + entry_name(3)) large.push_back(call.size);
    ASSERT_EQ(large.size(), 3u);
    EXPECT_GE(large[0], 256u * 1024);
    EXPECT_GE(large[1], large[0] + 256 * 1024);
    EXPECT_EQ(large[2], 600u * 1024);
  }
}

// An archive whose one entry's data never comes until the test lets it go: the
// worker decoding it is held up, as by a disk that stalls.
class StalledArchive final : public ZipArchive {
 public:
  StalledArchive() {
    entries_.emplace_back();
    entries_.back().name = "a.txt";
  }
  void let_go() {
    std::lock_guard hold(lock_);
    released_ = true;
    changed_.notify_all();
  }

  const std::vector<EntryInfo>& entries() const override { return entries_; }
  const std::string& comment() const override { return comment_; }
  bool can_decode(const EntryInfo&) const override { return true; }
  bool password_matches(const EntryInfo&, const std::string&) override { return true; }
  bool overlaps_another(const EntryInfo&) override { return false; }
  std::unique_ptr<EntryReader> open_entry(const EntryInfo&, const std::string&,
                                          ReadStatus&) override {
    std::unique_lock hold(lock_);
    changed_.wait(hold, [&] { return released_; });
    return nullptr;  // a read error, once let go
  }

 private:
  std::vector<EntryInfo> entries_;
  std::string comment_;
  std::mutex lock_;
  std::condition_variable changed_;
  bool released_ = false;
};

StalledArchive* stalled = nullptr;
int idle_calls = 0;

// The second idle call lets the worker go and stops the call.
int32_t idle_then_stop() {
  if (++idle_calls < 2) return 0;
  stalled->let_go();
  return 1;
}

TEST(EntryPoolIdle, AStalledWorkerLeavesTheCallerIdleCallsThatCanStopIt) {
  TempDir folder;
  StalledArchive archive;
  stalled = &archive;
  idle_calls = 0;
  DCL options{};
  USERFUNCTIONS functions{};
  functions.print = record_print;
  functions.idle = idle_then_stop;
  Recorder recorder;
  current_recorder = &recorder;
  CallState call(options, functions);
  call.root = folder.path().string();
  {
    EntryPool pool(call, archive, 2);
    EXPECT_EQ(pool.submit(archive.entries()[0], "", "a.txt"), EntryEnd::Next);
    EXPECT_EQ(pool.drain(), EntryEnd::Stop);
  }
  current_recorder = nullptr;
  EXPECT_EQ(idle_calls, 2);
  EXPECT_EQ(call.codes.worst(), IZ_CTRLC);
  EXPECT_TRUE(recorder.chunks.empty());
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

}  // namespace
}  // namespace unzip::test
