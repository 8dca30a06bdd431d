#include "SimDrive.Flash.h"

namespace SimDrive {

TFlash::TFlash(const TConfig& Drive)
    : FFake(Drive.RealCapacity.has_value()),
      FMode(Drive.FakeMode),
      FStore(Drive.RealCapacity.value_or(Drive.Capacity) / BlockBytes) {}

std::optional<std::uint64_t> TFlash::Physical(std::uint32_t Position) const {
  if (Position < FStore.Blocks()) {
    return Position;
  }
  if (FFake && FMode == TFakeMode::Wrap) {
    return Position % FStore.Blocks();
  }
  return std::nullopt;
}

void TFlash::Release(std::uint32_t First, std::uint32_t Count) {
  if (FFake) {
    return;
  }
  for (std::uint32_t Block = First; Block < First + Count; ++Block) {
    FStore.Clear(Block);
  }
}

}  // namespace SimDrive
