#include "platform/Platform.Files.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

#include "platform/Platform.Clock.h"
#include "platform/Platform.Wait.h"
#include "platform/windows/Win32.Text.h"

namespace {

// The few answers of the native calls that matter here (ntstatus.h would clash with windows.h).
constexpr NTSTATUS StatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
constexpr NTSTATUS StatusObjectNameCollision = static_cast<NTSTATUS>(0xC0000035L);
constexpr NTSTATUS StatusObjectPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
constexpr NTSTATUS StatusFileIsADirectory = static_cast<NTSTATUS>(0xC00000BAL);
// ERROR_DEVICE_HARDWARE_ERROR, which mingw-w64's headers do not name.
constexpr DWORD ErrorDeviceHardwareError = 483;

HANDLE ToHandle(std::intptr_t Handle) {
  return reinterpret_cast<HANDLE>(Handle);
}

int LastError() {
  return static_cast<int>(GetLastError());
}

bool IsNotFound(NTSTATUS Status) {
  return Status == StatusObjectNameNotFound || Status == StatusObjectPathNotFound;
}

// The system's error code for a native status, as the Win32 call would have set it: a taken name
// at CREATE_NEW is ERROR_FILE_EXISTS there, not ERROR_ALREADY_EXISTS.
int ErrorOf(NTSTATUS Status) {
  if (Status == StatusObjectNameCollision) {
    return ERROR_FILE_EXISTS;
  }
  return static_cast<int>(RtlNtStatusToDosError(Status));
}

// Opens Name in the folder of Folder: the name is resolved from the folder's handle, not from its
// path, the native counterpart of openat. Links are opened as themselves, never followed.
NTSTATUS OpenInFolder(TFolderHandle Folder, const std::string& Name, ACCESS_MASK Access,
                      ULONG Share, ULONG Disposition, ULONG Options, HANDLE& File) {
  std::wstring Wide = Win32::Widen(Name);
  UNICODE_STRING ObjectName;
  ObjectName.Buffer = Wide.data();
  ObjectName.Length = static_cast<USHORT>(Wide.size() * sizeof(wchar_t));
  ObjectName.MaximumLength = ObjectName.Length;
  OBJECT_ATTRIBUTES Attributes;
  InitializeObjectAttributes(&Attributes, &ObjectName, OBJ_CASE_INSENSITIVE, ToHandle(Folder),
                             nullptr);
  IO_STATUS_BLOCK Status{};
  File = INVALID_HANDLE_VALUE;
  return NtCreateFile(&File, Access | SYNCHRONIZE, &Attributes, &Status, nullptr,
                      FILE_ATTRIBUTE_NORMAL, Share, Disposition,
                      Options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
}

constexpr ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool InformationOf(HANDLE File, BY_HANDLE_FILE_INFORMATION& Information) {
  return GetFileInformationByHandle(File, &Information) != 0;
}

// Volume serial number and file index, what GetFileInformationByHandle offers as a file's
// identity. NTFS's index carries a sequence number that changes when the index is used again.
// FAT's follows the directory entry, which a later file can take over; the creation time cannot
// tell them apart (Windows gives a name re-created within seconds the old one, and wine derives
// it from the last change). There the worker's rule that a deletion is never asked for twice
// keeps a newcomer safe, and only a program that deletes a test file and puts its own under the
// same name before the pass ends could lose it.
TFileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& Information) {
  return {
      Information.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(Information.nFileIndexHigh) << 32) | Information.nFileIndexLow};
}

class TWindowsTesterPlatform final : public TTesterPlatform {
 public:
  TVolumeSpace VolumeSpace(const std::string& Path) override {
    ULARGE_INTEGER FreeToCaller{};
    ULARGE_INTEGER Total{};
    // The third answer, the free bytes of the whole volume, is not what the caller may use.
    if (!GetDiskFreeSpaceExW(Win32::Widen(Path).c_str(), &FreeToCaller, &Total, nullptr)) {
      return {0, 0, LastError()};
    }
    return {static_cast<std::int64_t>(FreeToCaller.QuadPart),
            static_cast<std::int64_t>(Total.QuadPart), 0};
  }

  TOpenedFolder OpenFolder(const std::string& Path) override {
    // The handle is the hold: it asks to add files and shares only reading, so a second run's
    // open of the same folder fails with ERROR_SHARING_VIOLATION, while listing the folder
    // (Explorer, dir) still works. Not sharing deletion also keeps the folder from being renamed
    // or removed under the run.
    const HANDLE Folder =
        CreateFileW(Win32::Widen(Path).c_str(), FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE,
                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (Folder == INVALID_HANDLE_VALUE) {
      const int Code = LastError();
      return {NoFolder, Code, Code == ERROR_SHARING_VIOLATION};
    }
    BY_HANDLE_FILE_INFORMATION Information{};
    const bool Known = InformationOf(Folder, Information);
    if (!Known || (Information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      const int Code = Known ? ERROR_DIRECTORY : LastError();
      CloseHandle(Folder);
      return {NoFolder, Code, false};
    }
    return {reinterpret_cast<TFolderHandle>(Folder), 0, false};
  }

  void CloseFolder(TFolderHandle Folder) override { CloseHandle(ToHandle(Folder)); }

  TNameInfo LookUp(TFolderHandle Folder, const std::string& Name) override {
    // Reading attributes only: no sharing check, so a file held open elsewhere is still seen.
    HANDLE File;
    const NTSTATUS Status =
        OpenInFolder(Folder, Name, FILE_READ_ATTRIBUTES, ShareAll, FILE_OPEN, 0, File);
    if (IsNotFound(Status)) {
      return {};
    }
    if (!NT_SUCCESS(Status)) {
      return {TNameKind::Unreadable, {}, 0, ErrorOf(Status)};
    }
    BY_HANDLE_FILE_INFORMATION Information{};
    const bool Known = InformationOf(File, Information);
    const int Code = Known ? 0 : LastError();
    CloseHandle(File);
    if (!Known) {
      return {TNameKind::Unreadable, {}, 0, Code};
    }
    if ((Information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return {TNameKind::Folder, IdentityOf(Information), 0, 0};
    }
    return {
        TNameKind::File, IdentityOf(Information),
        static_cast<std::int64_t>((static_cast<std::uint64_t>(Information.nFileSizeHigh) << 32) |
                                  Information.nFileSizeLow),
        0};
  }

  TFolderListing ListFiles(TFolderHandle Folder, const std::string& Prefix) override {
    TFolderListing Listing;
    // 64 KiB holds some hundreds of entries a call; the first call starts the listing over.
    std::vector<std::uint64_t> Buffer(64 * 1024 / sizeof(std::uint64_t));
    const auto Bytes = static_cast<DWORD>(Buffer.size() * sizeof(std::uint64_t));
    for (FILE_INFO_BY_HANDLE_CLASS Class = FileIdBothDirectoryRestartInfo;;
         Class = FileIdBothDirectoryInfo) {
      if (!GetFileInformationByHandleEx(ToHandle(Folder), Class, Buffer.data(), Bytes)) {
        const int Code = LastError();
        Listing.Error = Code == ERROR_NO_MORE_FILES ? 0 : Code;
        return Listing;
      }
      const auto* At = reinterpret_cast<const std::byte*>(Buffer.data());
      for (;;) {
        const auto* Entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(At);
        const std::string Name = Win32::Narrow(
            std::wstring_view(Entry->FileName, Entry->FileNameLength / sizeof(wchar_t)));
        const DWORD NotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if ((Entry->FileAttributes & NotPlain) == 0 && Name.rfind(Prefix, 0) == 0) {
          Listing.Files.push_back({Name, static_cast<std::int64_t>(Entry->EndOfFile.QuadPart)});
        }
        if (Entry->NextEntryOffset == 0) {
          break;
        }
        At += Entry->NextEntryOffset;
      }
    }
  }

  TCreatedFile CreateNewFile(TFolderHandle Folder, const std::string& Name,
                             bool Unbuffered) override {
    // FILE_CREATE, CREATE_NEW's native name: a name that is taken fails (ERROR_FILE_EXISTS); an
    // existing file is never opened, so it is never overwritten or later deleted as ours.
    HANDLE File;
    const NTSTATUS Status = OpenInFolder(
        Folder, Name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
        FILE_NON_DIRECTORY_FILE | (Unbuffered ? FILE_NO_INTERMEDIATE_BUFFERING : 0), File);
    if (!NT_SUCCESS(Status)) {
      return {NoFile, {}, ErrorOf(Status)};
    }
    BY_HANDLE_FILE_INFORMATION Information{};
    if (!InformationOf(File, Information)) {
      const int Code = LastError();
      CloseHandle(File);
      return {NoFile, {}, Code};
    }
    return {reinterpret_cast<TFileHandle>(File), IdentityOf(Information), 0};
  }

  int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) override {
    // The test's 8 MiB go in one WriteFile; the loop only continues a short write.
    while (Length > 0) {
      const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Length, 0x40000000));
      DWORD Written = 0;
      if (!WriteFile(ToHandle(File), Data, Chunk, &Written, nullptr)) {
        return LastError();
      }
      if (Written == 0) {
        return ERROR_DISK_FULL;  // no progress and no error: a full volume, never spin
      }
      Data += Written;
      Length -= Written;
    }
    return 0;
  }

  int FlushFile(TFileHandle File) override {
    return FlushFileBuffers(ToHandle(File)) ? 0 : LastError();
  }

  void CloseFile(TFileHandle File) override { CloseHandle(ToHandle(File)); }

  TDeleteResult DeleteOwnFile(TFolderHandle Folder, const std::string& Name,
                              const TFileIdentity& Identity) override {
    // The name is opened for deletion, its identity compared, and the deletion asked for through
    // that same handle: whatever the name meant when it was checked is what goes.
    HANDLE File;
    const NTSTATUS Status = OpenInFolder(Folder, Name, DELETE | FILE_READ_ATTRIBUTES, ShareAll,
                                         FILE_OPEN, FILE_NON_DIRECTORY_FILE, File);
    if (IsNotFound(Status)) {
      return {TDeleteOutcome::Missing, 0};
    }
    if (Status == StatusFileIsADirectory) {
      return {TDeleteOutcome::Replaced, 0};
    }
    if (!NT_SUCCESS(Status)) {
      return {TDeleteOutcome::Failed, ErrorOf(Status)};
    }
    TDeleteResult Result{TDeleteOutcome::Deleted, 0};
    BY_HANDLE_FILE_INFORMATION Information{};
    if (!InformationOf(File, Information)) {
      Result = {TDeleteOutcome::Failed, LastError()};
    } else if (IdentityOf(Information) != Identity) {
      Result = {TDeleteOutcome::Replaced, 0};
    } else {
      FILE_DISPOSITION_INFO Disposition{TRUE};
      if (!SetFileInformationByHandle(File, FileDispositionInfo, &Disposition,
                                      sizeof Disposition)) {
        Result = {TDeleteOutcome::Failed, LastError()};
      }
    }
    // The name goes when the last handle closes; one held elsewhere keeps it until then.
    CloseHandle(File);
    return Result;
  }

  TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name, bool) override {
    // Always unbuffered: Windows has no call that drops one file's cached data, and a read that
    // bypasses the cache makes the system write out what it holds of the file first.
    HANDLE File;
    const NTSTATUS Status =
        OpenInFolder(Folder, Name, GENERIC_READ, ShareAll, FILE_OPEN,
                     FILE_NON_DIRECTORY_FILE | FILE_NO_INTERMEDIATE_BUFFERING, File);
    if (IsNotFound(Status)) {
      return {NoFile, {}, 0, true};
    }
    if (!NT_SUCCESS(Status)) {
      return {NoFile, {}, ErrorOf(Status), false};
    }
    BY_HANDLE_FILE_INFORMATION Information{};
    if (!InformationOf(File, Information)) {
      const int Code = LastError();
      CloseHandle(File);
      return {NoFile, {}, Code, false};
    }
    return {reinterpret_cast<TFileHandle>(File), IdentityOf(Information), 0, false};
  }

  TReadResult ReadAt(TFileHandle File, std::int64_t Offset, std::byte* Data,
                     std::size_t Length) override {
    TReadResult Result;
    while (Result.Count < Length) {
      const DWORD Chunk =
          static_cast<DWORD>(std::min<std::size_t>(Length - Result.Count, 0x40000000));
      const auto At = static_cast<std::uint64_t>(Offset) + Result.Count;
      OVERLAPPED Place{};
      Place.Offset = static_cast<DWORD>(At);
      Place.OffsetHigh = static_cast<DWORD>(At >> 32);
      DWORD Read = 0;
      if (!ReadFile(ToHandle(File), Data + Result.Count, Chunk, &Read, &Place)) {
        const DWORD Code = GetLastError();
        if (Code == ERROR_HANDLE_EOF) {
          break;
        }
        Result.Error = static_cast<int>(Code);
        // What a drive says of a sector it cannot give back.
        Result.BadSector = Code == ERROR_CRC || Code == ERROR_SECTOR_NOT_FOUND ||
                           Code == ERROR_READ_FAULT || Code == ERROR_IO_DEVICE ||
                           Code == ErrorDeviceHardwareError;
        return Result;
      }
      if (Read == 0) {
        break;
      }
      Result.Count += Read;
    }
    return Result;
  }

  std::int64_t PerformanceCounter() override { return Platform::PerformanceCounter(); }
  std::int64_t PerformanceFrequency() override { return Platform::PerformanceFrequency(); }
  std::uint32_t TickCount() override { return Platform::TickCount(); }
  void SleepMs(std::uint32_t Milliseconds) override { Platform::SleepMs(Milliseconds); }
  bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop) override {
    return Platform::SleepUnlessStopped(Milliseconds, std::move(Stop));
  }
  double Now() override { return Platform::Now(); }
};

}  // namespace

namespace Platform {

std::shared_ptr<TTesterPlatform> MakeTesterPlatform() {
  return std::make_shared<TWindowsTesterPlatform>();
}

}  // namespace Platform
