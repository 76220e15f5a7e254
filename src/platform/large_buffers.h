// How the C library's allocator treats large buffers (decoders' dictionaries, blocks
// held whole for a worker thread).
#pragma once

namespace tessaly {

// Buffers of a mebibyte and more get pages of their own, returned to the system when
// freed. Left alone, glibc raises that threshold to the largest buffer freed so far,
// after which such buffers come from the worker threads' heaps and their pages stay
// with the process: a threaded xz extraction peaked at 158 MB instead of 99.
void ReturnLargeBuffersWhenFreed();

}  // namespace tessaly
