// The PPMd model with RAR's range coder: the sizes it accepts, small models that
// fill up, damage. Whole PPMd files are decoded through the API by the corpus run.
#include "rar_ppmd.h"

#include <gtest/gtest.h>

#include "decoder_test_support.h"

namespace unrar {
namespace {

using namespace test;

// The model's input in the first file of the corpus's best-mode archive, which is
// PPMd-packed: the block header (flags, model size, escape byte) read here.
struct PageModel {
  Bytes packed;
  size_t start = 0;
  size_t memoryBytes = 0;
  int order = 0;
};

PageModel page_model() {
  PageModel page;
  page.packed = rar4_files("test_read_format_rar_compress_best.rar").at(0).packed;
  const uint8_t flags = page.packed.at(0);
  EXPECT_EQ(flags & 0xA0, 0xA0) << "a PPMd block that resets the model";
  page.memoryBytes = static_cast<size_t>(page.packed[1] + 1) << 20;
  page.start = (flags & 0x40) ? 3 : 2;
  page.order = (flags & 0x1F) + 1;
  if (page.order > 16) page.order = 16 + (page.order - 16) * 3;
  return page;
}

// Up to count symbols, stopping at the first -1 (which is kept).
std::vector<int> symbols(PpmdModel& model, size_t count) {
  std::vector<int> out;
  while (out.size() < count && (out.empty() || out.back() >= 0)) out.push_back(model.decode_char());
  return out;
}

TEST(RarPpmd, RefusesModelSizesAndOrdersNoBlockHeaderCanAsk) {
  const Bytes packed(16, 0);
  BytesSource source(packed);
  PpmdModel model;
  EXPECT_EQ(model.decode_char(), -1) << "no model yet";
  EXPECT_FALSE(model.resume(source)) << "no model yet";
  EXPECT_FALSE(model.restart(source, 0, 8));
  EXPECT_FALSE(model.restart(source, (size_t{256} << 20) + 1, 8));
  EXPECT_FALSE(model.restart(source, 1 << 20, 1));
  EXPECT_FALSE(model.restart(source, 1 << 20, 65));
  EXPECT_EQ(model.decode_char(), -1);
  EXPECT_TRUE(model.restart(source, 1 << 20, 2));
  EXPECT_TRUE(model.restart(source, 1 << 20, 64));
  EXPECT_TRUE(model.resume(source));
}

// Pseudo-random bytes decode to symbols that fill a small model within a few
// hundred symbols: the allocator runs out, glues its free blocks and the model
// restarts. Noise also escapes past the root now and then (-1); the model is
// then started again on the following bytes, as a new block would.
TEST(RarPpmd, SmallModelsRunOutOfMemoryAndRestartDeterministically) {
  struct Case {
    const char* name;
    size_t memoryBytes;
    int order;
    size_t symbols;
  };
  const Case cases[] = {
      {"smallest model, order 64", 4096, 64, 8000},
      {"64 KiB, order 64", 64 << 10, 64, 16000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes input = noise(c.symbols * 2, 7);
    Bytes first;
    Bytes second;
    for (Bytes* out : {&first, &second}) {
      PpmdModel model;
      BytesSource source(input);
      ASSERT_TRUE(model.restart(source, c.memoryBytes, c.order));
      int starts = 1;
      while (out->size() < c.symbols && starts < 1000) {
        const int symbol = model.decode_char();
        if (symbol >= 0) {
          out->push_back(static_cast<uint8_t>(symbol));
        } else {
          ASSERT_TRUE(model.restart(source, c.memoryBytes, c.order));
          ++starts;
        }
      }
    }
    EXPECT_EQ(first.size(), c.symbols);
    EXPECT_EQ(first, second);
  }
}

TEST(RarPpmd, AModelThatSawDamageStaysStoppedUntilRestarted) {
  const PageModel page = page_model();
  PpmdModel model;
  const Bytes truncated(page.packed.begin(), page.packed.begin() + 200);
  BytesSource cut(truncated, page.start);
  ASSERT_TRUE(model.restart(cut, page.memoryBytes, page.order));
  EXPECT_EQ(symbols(model, 100000).back(), -1) << "the input ran out";
  BytesSource rest(page.packed, 200);
  EXPECT_FALSE(model.resume(rest));
  EXPECT_EQ(model.decode_char(), -1);

  // Restarted, it decodes as a model that never saw the damage.
  BytesSource whole(page.packed, page.start);
  ASSERT_TRUE(model.restart(whole, page.memoryBytes, page.order));
  PpmdModel fresh;
  BytesSource again(page.packed, page.start);
  ASSERT_TRUE(fresh.restart(again, page.memoryBytes, page.order));
  const std::vector<int> expected = symbols(fresh, 5000);
  EXPECT_EQ(expected.size(), 5000u);
  EXPECT_EQ(symbols(model, 5000), expected);

  // Bytes of all ones always pick the top of the interval, the escape: past the
  // root that is the end.
  const Bytes ones(4096, 0xFF);
  BytesSource source(ones);
  ASSERT_TRUE(model.restart(source, 1 << 20, 16));
  EXPECT_EQ(model.decode_char(), -1);
}

}  // namespace
}  // namespace unrar
