// The kit's window decoders (shrink, reduce and implode here, deflate64 in the kit)
// as entry streams: the raw stream read as their packed input, their output read
// as a stream whose status names the cause of a failure.
#pragma once

#include <functional>
#include <memory>

#include "archivekit/window_decoder.h"
#include "zip_stream.h"

namespace unzip {

using WindowDecoderBuild = std::function<std::unique_ptr<archivekit::WindowDecoder>(
    std::unique_ptr<archivekit::PackedInput> raw)>;

// The decoder build makes, reading raw.
std::unique_ptr<ByteStream> make_window_stream(std::unique_ptr<ByteStream> raw,
                                               const WindowDecoderBuild& build);

}  // namespace unzip
