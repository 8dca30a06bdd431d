#include "platform/Platform.LogFile.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

HANDLE HandleOf(int Descriptor) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(Descriptor));
}

bool IdentityOf(HANDLE File, std::uint64_t& Volume, std::uint64_t& Index) {
  BY_HANDLE_FILE_INFORMATION Information{};
  if (!GetFileInformationByHandle(File, &Information)) {
    return false;
  }
  Volume = Information.dwVolumeSerialNumber;
  Index =
      (static_cast<std::uint64_t>(Information.nFileIndexHigh) << 32) | Information.nFileIndexLow;
  return true;
}

// Which file Path is, asked without touching its data (so another writer's lock does not stand
// in the way).
bool IdentityOfPath(const std::wstring& Path, std::uint64_t& Volume, std::uint64_t& Index) {
  const HANDLE File = CreateFileW(Path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool Known = IdentityOf(File, Volume, Index);
  CloseHandle(File);
  return Known;
}

// Removes the file at Path if it is still the given one. The log's own handle holds no right
// to remove (a reader of the log would then have to allow removal too), so the name is opened
// again for that, and only the file made here goes, whatever the name meanwhile names.
void RemoveIfStill(const std::wstring& Path, std::uint64_t Volume, std::uint64_t Index) {
  const HANDLE File = CreateFileW(Path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    return;
  }
  std::uint64_t NowVolume = 0;
  std::uint64_t NowIndex = 0;
  if (IdentityOf(File, NowVolume, NowIndex) && NowVolume == Volume && NowIndex == Index) {
    FILE_DISPOSITION_INFO Dispose{TRUE};
    SetFileInformationByHandle(File, FileDispositionInfo, &Dispose, sizeof Dispose);
  }
  CloseHandle(File);
}

}  // namespace

TLogFile::~TLogFile() {
  Close();
}

int TLogFile::Open(const std::string& Path, const std::vector<const TLogFile*>& Held,
                   const TLogFile** Same) {
  Close();
  const std::wstring WidePath = Win32::Widen(Path);
  const auto HeldBy = [&](std::uint64_t Volume, std::uint64_t Index) -> const TLogFile* {
    for (const TLogFile* Other : Held) {
      if (Other != nullptr && Other->SameFileAs(Volume, Index)) {
        return Other;
      }
    }
    return nullptr;
  };
  // Others may read the log while it is written, but no second writer may open it: sharing
  // without FILE_SHARE_WRITE is the lock. CREATE_NEW first tells a file made here from one
  // that was there.
  bool Created = true;
  HANDLE File = CreateFileW(WidePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
    Created = false;
    File = CreateFileW(WidePath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (File == INVALID_HANDLE_VALUE) {
    const int Code = static_cast<int>(GetLastError());
    // The other log's lock refuses a second writer: say that it is the same file.
    std::uint64_t Volume = 0;
    std::uint64_t Index = 0;
    if (Code == ERROR_SHARING_VIOLATION && IdentityOfPath(WidePath, Volume, Index)) {
      if (const TLogFile* Other = HeldBy(Volume, Index)) {
        if (Same != nullptr) {
          *Same = Other;
        }
        return SameFile;
      }
    }
    return Code == ERROR_SHARING_VIOLATION ? InUse : Code;
  }
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  IdentityOf(File, Volume, Index);
  // The descriptor owns the handle from here on; closing it closes the handle.
  const int Descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(File), _O_BINARY);
  if (Descriptor < 0) {
    CloseHandle(File);
    if (Created) {
      RemoveIfStill(WidePath, Volume, Index);
    }
    return ERROR_TOO_MANY_OPEN_FILES;
  }
  FDescriptor = Descriptor;
  FCreated = Created;
  FPath = Path;
  FVolume = Volume;
  FIndex = Index;
  return 0;
}

int TLogFile::Empty() {
  const HANDLE File = HandleOf(FDescriptor);
  if (GetFileType(File) == FILE_TYPE_DISK && !SetEndOfFile(File)) {
    FWriteError = static_cast<int>(GetLastError());
    return FWriteError;
  }
  return 0;
}

void TLogFile::Abandon() {
  const bool Remove = FDescriptor >= 0 && FCreated;
  const std::uint64_t Volume = FVolume;
  const std::uint64_t Index = FIndex;
  Close();
  if (Remove) {
    RemoveIfStill(Win32::Widen(FPath), Volume, Index);
  }
}

bool TLogFile::Write(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  const HANDLE File = HandleOf(FDescriptor);
  std::size_t Done = 0;
  while (Done < Length) {
    const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Length - Done, 0x40000000));
    DWORD Written = 0;
    const bool Wrote = WriteFile(File, Data + Done, Chunk, &Written, nullptr) != 0;
    if (!Wrote || Written == 0) {
      // No progress and no error: a full volume, never a spin.
      FWriteError = Wrote ? ERROR_DISK_FULL : static_cast<int>(GetLastError());
      // A file goes back to where the line began; a pipe or a console cannot.
      LARGE_INTEGER LineStart{};
      LineStart.QuadPart = static_cast<LONGLONG>(FOffset);
      if (Done > 0 && GetFileType(File) == FILE_TYPE_DISK &&
          SetFilePointerEx(File, LineStart, nullptr, FILE_BEGIN)) {
        SetEndOfFile(File);
      }
      return false;
    }
    Done += Written;
  }
  FOffset += Length;
  return true;
}

bool TLogFile::Replace(const char* Data, std::size_t Length) {
  if (FDescriptor < 0) {
    return false;
  }
  if (GetFileType(HandleOf(FDescriptor)) != FILE_TYPE_DISK) {
    return Write(Data, Length);
  }
  const std::wstring Target = Win32::Widen(FPath);
  // A name of this process's own beside the file, on the same volume for the rename.
  const std::wstring Temporary = Target + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
  const HANDLE New = CreateFileW(Temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (New == INVALID_HANDLE_VALUE) {
    FWriteError = static_cast<int>(GetLastError());
    return false;
  }
  int Code = 0;
  for (std::size_t Done = 0; Code == 0 && Done < Length;) {
    const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Length - Done, 0x40000000));
    DWORD Written = 0;
    if (!WriteFile(New, Data + Done, Chunk, &Written, nullptr)) {
      Code = static_cast<int>(GetLastError());
    } else if (Written == 0) {
      Code = ERROR_DISK_FULL;
    }
    Done += Written;
  }
  if (Code == 0 && !FlushFileBuffers(New)) {
    Code = static_cast<int>(GetLastError());
  }
  CloseHandle(New);
  if (Code != 0) {
    DeleteFileW(Temporary.c_str());
    FWriteError = Code;
    return false;
  }
  // The held handle allows no renaming over it: let go of it for the rename, then hold the
  // file at the name again, the new one or, when the rename failed, the previous one.
  const bool Created = FCreated;
  _close(FDescriptor);
  FDescriptor = -1;
  if (!MoveFileExW(Temporary.c_str(), Target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Code = static_cast<int>(GetLastError());
    DeleteFileW(Temporary.c_str());
  }
  const HANDLE File = CreateFileW(Target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File != INVALID_HANDLE_VALUE) {
    IdentityOf(File, FVolume, FIndex);
    FDescriptor = _open_osfhandle(reinterpret_cast<intptr_t>(File), _O_BINARY);
    if (FDescriptor < 0) {
      CloseHandle(File);
    }
  }
  FCreated = Created;
  if (Code != 0) {
    FWriteError = Code;
    return false;
  }
  FOffset = Length;
  if (FDescriptor >= 0) {
    LARGE_INTEGER End{};
    SetFilePointerEx(HandleOf(FDescriptor), End, nullptr, FILE_END);
  }
  return true;
}

void TLogFile::Close() {
  if (FDescriptor >= 0) {
    _close(FDescriptor);  // releases the sharing lock
    FDescriptor = -1;
  }
  FCreated = false;
  FWriteError = 0;
  FOffset = 0;
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

bool SameFolder(const std::string& First, const std::string& Second) {
  const auto IdentityOfFolder = [](const std::string& Path, std::uint64_t& Volume,
                                   std::uint64_t& Index) {
    const HANDLE Folder = CreateFileW(Win32::Widen(Path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (Folder == INVALID_HANDLE_VALUE) {
      return false;
    }
    const bool Known = IdentityOf(Folder, Volume, Index);
    CloseHandle(Folder);
    return Known;
  };
  std::uint64_t Volume = 0;
  std::uint64_t Index = 0;
  std::uint64_t OtherVolume = 0;
  std::uint64_t OtherIndex = 0;
  return IdentityOfFolder(First, Volume, Index) &&
         IdentityOfFolder(Second, OtherVolume, OtherIndex) && Volume == OtherVolume &&
         Index == OtherIndex;
}

}  // namespace Platform
