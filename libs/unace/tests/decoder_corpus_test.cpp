// The decoders on the real archives of the shared corpus: the test's own header
// walker hands every file's packed data (encrypted ones decrypted) to the
// decoder, and the output must have the size and the CRC-32 its header records.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ace_crypto.h"
#include "decoder_corpus_walker.h"
#include "decoder_test_io.h"

namespace {

using namespace decoder_test;
using unace::CompressionType;
using unace::DecodeResult;

struct CorpusCase {
  std::vector<std::string> volumes;
  std::string password;
  size_t files;  // non-folder entries
};

TEST(DecoderCorpus, EveryFileDecodesToItsRecordedSizeAndCrc) {
  const std::vector<CorpusCase> cases = {
      {{"ALCHT.ACE"}, "", 1},
      {{"ace_nested2.ace"}, "", 1},
      {{"ace_plain.ace"}, "", 1},
      {{"dir2.ace"}, "", 0},
      {{"hachoir-core.ace"}, "azerty", 0},
      {{"multivol2.ace", "multivol2.c00"}, "", 0},
      {{"onefile.ace"}, "", 1},
      {{"passwd.ace"}, "pass", 0},
      {{"t.ace"}, "", 0},
      {{"zdir.ace"}, "", 0},
  };
  for (const CorpusCase& c : cases) {
    SCOPED_TRACE(c.volumes.front());
    const Walked walked = walk(c.volumes);
    std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(22);
    size_t checked = 0;
    for (const PackedFile& file : walked.files) {
      if (file.folder) continue;
      SCOPED_TRACE(file.name);
      std::vector<uint8_t> packed = file.packed;
      if (file.encrypted) {
        packed.resize(packed.size() / 8 * 8);
        unace::AceCbcDecryptor(c.password).decrypt(packed.data(), packed.size());
      }
      const Decoded out = decode(*decoder, packed, file.size,
                                 static_cast<CompressionType>(file.type), walked.solid);
      EXPECT_EQ(out.result, DecodeResult::ok);
      EXPECT_EQ(out.text.size(), file.size);
      EXPECT_EQ(ace_crc32(out.text), file.crc);
      ++checked;
    }
    if (c.files != 0) {
      EXPECT_EQ(checked, c.files);
    }
    EXPECT_GT(checked, 0u);
  }
}

TEST(DecoderCorpus, AWrongPasswordEndsInBadData) {
  const Walked walked = walk({"passwd.ace"});
  std::unique_ptr<unace::Decoder> decoder = unace::make_decoder(22);
  bool anyBad = false;
  for (const PackedFile& file : walked.files) {
    if (file.folder || !file.encrypted) continue;
    std::vector<uint8_t> packed = file.packed;
    packed.resize(packed.size() / 8 * 8);
    unace::AceCbcDecryptor("1234").decrypt(packed.data(), packed.size());
    const Decoded out =
        decode(*decoder, packed, file.size, static_cast<CompressionType>(file.type), walked.solid);
    // Garbage may decode without error, but never to the recorded content.
    anyBad = anyBad || out.result == DecodeResult::bad_data;
    EXPECT_TRUE(out.result != DecodeResult::ok || ace_crc32(out.text) != file.crc);
  }
  EXPECT_TRUE(anyBad);
}

}  // namespace
