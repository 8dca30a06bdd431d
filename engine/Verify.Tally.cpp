#include "engine/Verify.Tally.h"

#include "engine/Verify.Stamp.h"

void TVerifyTally::Add(TSectorState State, const TDamagePlace& Place) {
  switch (State) {
    case TSectorState::Intact:
      ++IntactSectors;
      return;
    case TSectorState::FewBitsChanged:
      ++FewBitsSectors;
      break;
    case TSectorState::ManyBytesChanged:
      ++ManyBytesSectors;
      break;
    case TSectorState::Overwritten:
      ++OverwrittenSectors;
      break;
    case TSectorState::Unreadable:
      ++UnreadableSectors;
      break;
  }
  if (!FirstDamage) {
    FirstDamage = Place;
  }
}

std::int64_t TVerifyTally::UsableSectors() const {
  if (FirstDamage) {
    return FirstDamage->PassOffset / static_cast<std::int64_t>(SectorBytes);
  }
  return IntactSectors;
}

std::optional<std::int64_t> TVerifyTally::StoredSectors() const {
  if (!Complete() || OverwrittenSectors + ManyBytesSectors == 0) {
    return std::nullopt;
  }
  return IntactSectors;
}
