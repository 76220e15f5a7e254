// Every case of the corpus's expected.tsv, extracted through the C API: each file
// with its size and SHA-256, each folder, and nothing else.
#include <gtest/gtest.h>

#include "api_test_support.h"
#include "support/corpus_table.h"

namespace unace::testing {
namespace {

using tessaly::testing::CorpusCase;

bool AllSucceeded(const WalkResult& walk) {
  if (walk.openResult != ACE_OPEN_OK || walk.endCode != ACE_END_ARCHIVE) return false;
  return std::all_of(walk.entries.begin(), walk.entries.end(),
                     [](const EntryResult& e) { return e.code == ACE_SUCCESS; });
}

const fs::path kCorpusFolder = fs::path(kCorpus).parent_path();

class AceCorpusCase : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(AceCorpusCase, ComesOutAsListed) {
  const CorpusCase& c = GetParam();
  ASSERT_TRUE(tessaly::testing::CorpusFilesIntact(c));
  TempFolder temp;
  const fs::path out = temp.path() / "dest" / "out";
  fs::create_directories(out);
  const WalkResult walk = Walk(kCorpus + c.archive, ACE_OM_EXTRACT, ACE_EXTRACT, out.string(),
                               c.password == "-" ? nullptr : c.password.c_str());
  const std::string outcome = c.rows.front().outcome;
  if (outcome == "ok" || outcome == "unsupported-by-design") {
    EXPECT_TRUE(AllSucceeded(walk));
    tessaly::testing::ExpectTreeAsListed(out, c.rows, true);
  } else if (outcome == "wrong-password-expected" || outcome == "damaged") {
    EXPECT_FALSE(AllSucceeded(walk));
  } else if (outcome == "path-traversal-attempt") {
    // Whatever it extracts stays in the destination.
    for (const std::string& name : TreeOf(temp.path())) {
      EXPECT_TRUE(name == "dest/" || name.rfind("dest/out/", 0) == 0) << name;
    }
  } else {
    ADD_FAILURE() << "unknown outcome " << outcome;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, AceCorpusCase,
                         ::testing::ValuesIn(tessaly::testing::LoadCorpusCases(kCorpusFolder)),
                         tessaly::testing::CorpusCaseName);

TEST(AceCorpus, EveryArchiveHasItsCase) {
  EXPECT_EQ(tessaly::testing::LoadCorpusCases(kCorpusFolder).size(), 15u) << kCorpus;
}

}  // namespace
}  // namespace unace::testing
