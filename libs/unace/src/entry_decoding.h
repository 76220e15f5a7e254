// The steps of unpacking one entry that do not depend on where they run: whether we
// decode it, the decoding of an entry that starts afresh, and the check at its end.
// The caller's thread and the workers share them.
#pragma once

#include "ace_decoder.h"
#include "archive_reader.h"
#include "entry_input.h"
#include "entry_sink.h"

namespace unace {

bool decodable(const AceEntry& entry);
// The decoder's result as an ACE_* code: a failed write or a stop, and a cut-off or
// missing volume, rather than the bad data they made of the stream.
int decode_status(DecodeResult result, const archivekit::PackedEntryInput& input,
                  const EntrySink& sink);
int copy_stored(const AceEntry& entry, archivekit::PackedEntryInput& input, EntrySink& sink);
// The CRC of the whole entry sits in its last part. An ACE_* code.
int verify(const AceEntry& entry, const AceEntry& lastPart, const EntrySink& sink);

}  // namespace unace
