#include "platform/Platform.LogFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

HANDLE HandleOf(int Descriptor) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(Descriptor));
}

}  // namespace

TLogFile::~TLogFile() {
  Close();
}

int TLogFile::Create(const std::string& Path) {
  Close();
  // Others may read the log while it is written, but no second writer may open it: sharing
  // without FILE_SHARE_WRITE is the lock, and it is held before the file is emptied.
  const HANDLE File =
      CreateFileW(Win32::Widen(Path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  if (GetFileType(File) == FILE_TYPE_DISK && !SetEndOfFile(File)) {
    const int Code = static_cast<int>(GetLastError());
    CloseHandle(File);
    return Code;
  }
  // The descriptor owns the handle from here on; closing it closes the handle.
  const int Descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(File), _O_BINARY);
  if (Descriptor < 0) {
    CloseHandle(File);
    return ERROR_TOO_MANY_OPEN_FILES;
  }
  FDescriptor = Descriptor;
  return 0;
}

bool TLogFile::Write(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  while (Length > 0) {
    const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Length, 0x40000000));
    DWORD Written = 0;
    if (!WriteFile(HandleOf(FDescriptor), Data, Chunk, &Written, nullptr) || Written == 0) {
      return false;
    }
    Data += Written;
    Length -= Written;
  }
  return true;
}

void TLogFile::Close() {
  if (FDescriptor >= 0) {
    _close(FDescriptor);  // releases the sharing lock
    FDescriptor = -1;
  }
}

std::string FullPath(const std::string& Path) {
  const std::wstring Wide = Win32::Widen(Path);
  const DWORD Needed = GetFullPathNameW(Wide.c_str(), 0, nullptr, nullptr);
  if (Needed == 0) {
    return Path;
  }
  std::wstring Result(Needed, L'\0');
  const DWORD Length = GetFullPathNameW(Wide.c_str(), Needed, Result.data(), nullptr);
  if (Length == 0 || Length >= Needed) {
    return Path;
  }
  Result.resize(Length);
  return Win32::Narrow(Result);
}

}  // namespace Platform
