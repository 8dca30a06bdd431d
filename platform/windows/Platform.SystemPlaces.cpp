#include "platform/Platform.SystemPlaces.h"

#include <windows.h>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

std::string EnvironmentFolder(const wchar_t* Name) {
  wchar_t Value[MAX_PATH + 1] = {};
  const DWORD Length = GetEnvironmentVariableW(Name, Value, MAX_PATH + 1);
  if (Length == 0 || Length > MAX_PATH) {
    return {};
  }
  return Win32::Narrow(std::wstring_view(Value, Length));
}

}  // namespace

std::vector<std::string> SystemFolders() {
  std::vector<std::string> Folders;
  // The Windows folder as the system knows it, whatever %SystemRoot% says.
  wchar_t Windows[MAX_PATH + 1] = {};
  const UINT Length = GetSystemWindowsDirectoryW(Windows, MAX_PATH + 1);
  if (Length > 0 && Length <= MAX_PATH) {
    Folders.push_back(Win32::Narrow(std::wstring_view(Windows, Length)));
  }
  for (const wchar_t* Name : {L"SystemRoot", L"USERPROFILE"}) {
    if (std::string Folder = EnvironmentFolder(Name); !Folder.empty()) {
      Folders.push_back(std::move(Folder));
    }
  }
  return Folders;
}

std::string FilesystemOf(const std::string& Path) {
  // A folder opened for its attributes only (BACKUP_SEMANTICS opens folders), following links
  // and junctions to where they lead, as the files would.
  const HANDLE Handle = CreateFileW(Win32::Widen(Path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (Handle == INVALID_HANDLE_VALUE) {
    return {};
  }
  BY_HANDLE_FILE_INFORMATION Information{};
  const bool Known = GetFileInformationByHandle(Handle, &Information) != 0;
  CloseHandle(Handle);
  return Known ? "volume " + std::to_string(Information.dwVolumeSerialNumber) : std::string();
}

}  // namespace Platform
