#include "rar_ppmd.h"

#include "rar_ppmd_range.h"

namespace unrar {
namespace {

// Below this little more than the root context and its 256 states fits; above
// it no block header can ask.
constexpr size_t kMinModelBytes = 4096;
constexpr size_t kMaxModelBytes = size_t{256} << 20;

}  // namespace

PpmdModel::PpmdModel() : coder_(std::make_unique<PpmdRangeDecoder>()) {}
PpmdModel::~PpmdModel() = default;

bool PpmdModel::restart(ByteSource& source, size_t memoryBytes, int maxOrder) {
  if (memoryBytes < kMinModelBytes || memoryBytes > kMaxModelBytes) {
    model_.stop();
    return false;
  }
  coder_->start(source);
  return model_.restart(*coder_, memoryBytes, maxOrder);
}

bool PpmdModel::resume(ByteSource& source) {
  if (!model_.resume(*coder_)) return false;
  coder_->start(source);
  return true;
}

}  // namespace unrar
