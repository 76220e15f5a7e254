// Every archive of the shared corpus, 200 times with 1 % of its bytes changed at
// random (fixed seeds), tested entry by entry: each run must end in result codes.
// Under the sanitizers a read out of bounds or a leak fails here; a run that never
// ends is caught by the test's time limit.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "api_support.h"
#include "support/corpus_table.h"

namespace unrar_test {
namespace {

constexpr int kRuns = 200;
// Garbage that still decodes can unpack far more than the archive holds; testing
// stops a run's entry after this much output, so each run stays short.
constexpr long long kOutputLimit = 16ll << 20;
long long outputSoFar = 0;

int limit_output(unsigned char*, int size) {
  outputSoFar += size;
  return outputSoFar < kOutputLimit ? 1 : 0;
}

struct Fixture {
  std::string archive;
  std::string password;
  std::vector<std::string> volumes;  // the other files of its set, copied unchanged
};

void PrintTo(const Fixture& fixture, std::ostream* out) {
  *out << fixture.archive;
}

std::vector<Fixture> fixtures() {
  std::vector<Fixture> list;
  std::set<std::string> seen;
  for (const tessaly::testing::CorpusCase& c : tessaly::testing::LoadCorpusCases(kCorpusFolder)) {
    if (!seen.insert(c.archive).second) continue;
    Fixture fixture{c.archive, c.password == "-" ? "" : c.password, {}};
    for (const tessaly::testing::CorpusRow& row : c.rows) {
      if (row.type == "part" && row.path != c.archive) fixture.volumes.push_back(row.path);
    }
    list.push_back(fixture);
  }
  return list;
}

std::string flip_one_percent(std::string bytes, unsigned seed) {
  std::mt19937 random(seed);
  const size_t count = std::max<size_t>(1, bytes.size() / 100);
  std::uniform_int_distribution<size_t> position(0, bytes.size() - 1);
  std::uniform_int_distribution<int> mask(1, 255);
  for (size_t i = 0; i < count && !bytes.empty(); ++i) {
    bytes[position(random)] ^= static_cast<char>(mask(random));
  }
  return bytes;
}

class SlowCorruption : public ::testing::TestWithParam<Fixture> {};

TEST_P(SlowCorruption, OnePercentFlippedEndsInResultCodes) {
  const Fixture& fixture = GetParam();
  TempDir dir;
  for (const std::string& volume : fixture.volumes) {
    WriteFileText(dir / volume, ReadFileText(corpus(volume)));
  }
  const std::string original = ReadFileText(corpus(fixture.archive));
  ASSERT_FALSE(original.empty());
  const std::string damaged = dir / fixture.archive;
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    WriteFileText(damaged, flip_one_percent(original, static_cast<unsigned>(run)));
    outputSoFar = 0;
    const RunResult tested =
        run_archive(damaged, RAR_TEST, "", fixture.password, RAR_OM_EXTRACT, limit_output);
    EXPECT_LT(tested.entries.size(), 100000u);
  }
}

std::string case_name(const ::testing::TestParamInfo<Fixture>& info) {
  std::string name = std::to_string(info.index) + "_" + info.param.archive;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, SlowCorruption, ::testing::ValuesIn(fixtures()), case_name);

}  // namespace
}  // namespace unrar_test
