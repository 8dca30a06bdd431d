#include "platform/Platform.FileReplace.h"

#include <windows.h>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

// ".NAME.PID.tmp" beside Path: hidden by its name, and not taken for the file itself by a
// reader that picks files by their ending.
std::wstring TemporaryNameFor(const std::wstring& Path) {
  const std::size_t Slash = Path.find_last_of(L"\\/");
  const std::wstring Folder =
      Slash == std::wstring::npos ? std::wstring() : Path.substr(0, Slash + 1);
  const std::wstring Name = Slash == std::wstring::npos ? Path : Path.substr(Slash + 1);
  return Folder + L"." + Name + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
}

}  // namespace

int ReplaceFileContents(const std::string& Path, std::string_view Text) {
  const std::wstring Target = Win32::Widen(Path);
  const std::wstring Temporary = TemporaryNameFor(Target);
  // CREATE_ALWAYS: a name left by an earlier process of the same number is this program's own.
  const HANDLE File = CreateFileW(Temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    return static_cast<int>(GetLastError());
  }
  DWORD Code = 0;
  while (!Text.empty() && Code == 0) {
    const DWORD Chunk = static_cast<DWORD>(Text.size() > (1u << 30) ? (1u << 30) : Text.size());
    DWORD Written = 0;
    if (!WriteFile(File, Text.data(), Chunk, &Written, nullptr)) {
      Code = GetLastError();
    } else {
      Text.remove_prefix(Written);
    }
  }
  if (!CloseHandle(File) && Code == 0) {
    Code = GetLastError();
  }
  if (Code == 0 && !MoveFileExW(Temporary.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    Code = GetLastError();
  }
  if (Code != 0) {
    DeleteFileW(Temporary.c_str());
  }
  return static_cast<int>(Code);
}

int RemoveFile(const std::string& Path) {
  return DeleteFileW(Win32::Widen(Path).c_str()) ? 0 : static_cast<int>(GetLastError());
}

}  // namespace Platform
