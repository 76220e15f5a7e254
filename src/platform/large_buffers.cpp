#include "platform/large_buffers.h"

#include <malloc.h>

namespace tessaly {

void ReturnLargeBuffersWhenFreed() {
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

}  // namespace tessaly
