#include "wiz_codes.h"

#include "unzip.h"

namespace unzip {

int32_t final_extract_code(int32_t worst, const ExtractTally& tally,
                           std::size_t unmatched_includes) {
  if (unmatched_includes > 0 && worst <= PK_WARN) worst = PK_FIND;
  if (worst > PK_WARN) return worst;
  if (tally.processed == 0) return tally.skipped > 0 ? IZ_UNSUP : PK_FIND;
  if (tally.processed == tally.bad_password) return IZ_BADPWD;
  if (tally.skipped > 0) return IZ_UNSUP;
  if (tally.bad_password > 0 && worst == PK_OK) return PK_WARN;
  return worst;
}

int32_t final_list_code(int32_t worst, uint32_t listed) {
  if (listed == 0 && worst <= PK_WARN) return PK_FIND;
  return worst;
}

}  // namespace unzip
