#include "engine/Aligned.Buffer.h"

#include <cstring>
#include <new>

void TAlignedBuffer::TAlignedFree::operator()(std::byte* Memory) const {
  ::operator delete[](Memory, std::align_val_t{Alignment});
}

bool TAlignedBuffer::Allocate(std::size_t Length) {
  Release();
  if (Length == 0) {
    return true;
  }
  // Whole alignment units, so that unbuffered transfers of the full length stay within it. The
  // aligned operator new exists on every platform (the C runtime of Windows has no
  // aligned_alloc).
  const std::size_t Allocated = (Length + Alignment - 1) / Alignment * Alignment;
  auto* Memory = static_cast<std::byte*>(
      ::operator new[](Allocated, std::align_val_t{Alignment}, std::nothrow));
  if (Memory == nullptr) {
    return false;
  }
  std::memset(Memory, 0, Allocated);
  FData.reset(Memory);
  FLength = Length;
  return true;
}

void TAlignedBuffer::Release() {
  FData.reset();
  FLength = 0;
}
