#include "platform/Input.Stream.h"

#include <windows.h>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

HANDLE AsHandle(long long Value) {
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Value));
}

}  // namespace

TInputStream::TInputStream(const std::string& Path) {
  const HANDLE File = CreateFileW(Win32::Widen(Path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    FError = static_cast<int>(GetLastError());
    return;
  }
  FHandle = static_cast<long long>(reinterpret_cast<INT_PTR>(File));
}

TInputStream::~TInputStream() {
  if (IsOpen()) {
    CloseHandle(AsHandle(FHandle));
  }
}

long TInputStream::Read(char* Buffer, std::size_t Size, const std::function<bool()>& Stop) {
  if (!IsOpen()) {
    return ReadFailed;
  }
  // Files and pipes read here do not keep a reader waiting for long: the stop is asked
  // between reads.
  if (Stop && Stop()) {
    return ReadStopped;
  }
  DWORD Got = 0;
  const DWORD Wanted = Size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(Size);
  if (!ReadFile(AsHandle(FHandle), Buffer, Wanted, &Got, nullptr)) {
    const DWORD Code = GetLastError();
    if (Code == ERROR_BROKEN_PIPE || Code == ERROR_HANDLE_EOF) {
      return 0;
    }
    FError = static_cast<int>(Code);
    return ReadFailed;
  }
  return static_cast<long>(Got);
}

}  // namespace Platform
