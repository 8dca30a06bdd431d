#include "platform/Polled.File.h"

#include <windows.h>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

HANDLE AsHandle(long long Value) {
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Value));
}

}  // namespace

TPolledFile::TPolledFile(const std::string& Path) {
  const HANDLE File = CreateFileW(Win32::Widen(Path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File != INVALID_HANDLE_VALUE) {
    FHandle = static_cast<long long>(reinterpret_cast<INT_PTR>(File));
  }
}

void TPolledFile::Close() {
  if (IsOpen()) {
    CloseHandle(AsHandle(FHandle));
    FHandle = InvalidHandle;
  }
}

long TPolledFile::ReadFromStart(char* Buffer, std::size_t Size) const {
  if (!IsOpen()) {
    return -1;
  }
  // An offset in the request reads from the start without moving a shared file pointer.
  OVERLAPPED At{};
  DWORD Got = 0;
  const DWORD Wanted = Size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(Size);
  if (!ReadFile(AsHandle(FHandle), Buffer, Wanted, &Got, &At)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return static_cast<long>(Got);
}

}  // namespace Platform
