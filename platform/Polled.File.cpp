#include "platform/Polled.File.h"

// Ownership of the handle; opening, closing and reading are the system's own.

namespace Platform {

TPolledFile::~TPolledFile() {
  Close();
}

TPolledFile::TPolledFile(TPolledFile&& Other) noexcept : FHandle(Other.FHandle) {
  Other.FHandle = InvalidHandle;
}

TPolledFile& TPolledFile::operator=(TPolledFile&& Other) noexcept {
  if (this != &Other) {
    Close();
    FHandle = Other.FHandle;
    Other.FHandle = InvalidHandle;
  }
  return *this;
}

}  // namespace Platform
