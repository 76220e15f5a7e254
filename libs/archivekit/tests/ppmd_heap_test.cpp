// The PPMd model's memory: how its allocator glues free blocks, and the bounds check
// every access passes.
#include "ppmd_heap.h"

#include <gtest/gtest.h>

namespace archivekit {
namespace {

// The allocator decides when the model restarts, so it has to run out exactly
// when the encoder's did; the corpus's models never fill up, so its steps are
// checked here one by one on a heap of 960 bytes: 120 of text, 70 units.
TEST(PpmdAllocatorTest, AdjacentFreeBlocksAreGluedWhenMemoryRunsOut) {
  PpmdHeap heap;
  ASSERT_TRUE(heap.allocate(960));
  PpmdAllocator alloc{heap};
  alloc.reset();
  const HeapOffset a = alloc.alloc_units(1);
  const HeapOffset b = alloc.alloc_units(1);
  const HeapOffset c = alloc.alloc_units(2);
  ASSERT_EQ(b, a + 12);
  ASSERT_EQ(c, a + 24);
  // The units not yet handed out taken as contexts, exactly: one more would already
  // glue and take from the text area.
  for (int i = 4; i < 70; ++i) ASSERT_NE(alloc.alloc_context(), 0u);
  alloc.free_units(a, 1);
  alloc.free_units(b, 1);
  alloc.free_units(c, 2);
  EXPECT_EQ(alloc.alloc_units(4), a) << "1 + 1 + 2 units glued into one block";
  EXPECT_FALSE(heap.fault());
}

// Every model access goes through the bounds check: damage may point anywhere.
TEST(PpmdHeapTest, AccessOutsideTheHeapIsRefusedAndMarked) {
  PpmdHeap heap;
  ASSERT_TRUE(heap.allocate(960));
  EXPECT_EQ(heap.u32(heap.end() + 100), 0u);
  EXPECT_TRUE(heap.fault());
  heap.clear_fault();
  heap.set_u32(0, 1);
  EXPECT_TRUE(heap.fault()) << "offset 0 means none";
}

}  // namespace
}  // namespace archivekit
