#pragma once

#include <cstdint>
#include <optional>

#include "SimDrive.Config.h"
#include "SimDrive.Store.h"

// From a drive position (the block the filesystem allocated) to the physical block that holds
// its data. An honest drive keeps every position; a fake one holds only RealCapacity and either
// wraps positions beyond it around onto earlier data or drops them.
namespace SimDrive {

class TFlash {
 public:
  explicit TFlash(const TConfig& Drive);

  // Empty: the data of this position is dropped (and reads as zeros).
  std::optional<std::uint64_t> Physical(std::uint32_t Position) const;
  TStore& Store() { return FStore; }
  const TStore& Store() const { return FStore; }
  // The filesystem freed these positions. An honest drive forgets their data; a fake one
  // cannot tell which physical blocks other positions still use, and keeps it.
  void Release(std::uint32_t First, std::uint32_t Count);

 private:
  bool FFake;
  TFakeMode FMode;
  TStore FStore;
};

}  // namespace SimDrive
