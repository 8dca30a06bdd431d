#include "platform/Volume.Backend.h"

#include <windows.h>

#include <winioctl.h>

#include <algorithm>
#include <cstddef>

#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

constexpr DWORD DriveStringsLength = 256;
constexpr DWORD DosDeviceLength = 260;
constexpr DWORD ExtentsAnswerSize = 1232;
constexpr DWORD GeometryAnswerSize = 40;
constexpr std::size_t MaxExtents = 51;
// A device descriptor with its strings fits easily; a longer one is cut, and says so in Size.
constexpr DWORD PropertyAnswerSize = 4096;

static_assert(sizeof(DISK_EXTENT) == 24);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) + MaxExtents * sizeof(DISK_EXTENT) ==
              ExtentsAnswerSize);
static_assert(sizeof(DISK_GEOMETRY_EX) >= GeometryAnswerSize);

HANDLE OpenForReading(const std::string& Path) {
  return CreateFileW(Win32::Widen(Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

std::string LogicalDriveStrings() {
  wchar_t Buffer[DriveStringsLength] = {};
  const DWORD Written = GetLogicalDriveStringsW(DriveStringsLength, Buffer);
  // A result above the length is the size that would be needed: nothing was written.
  if (Written == 0 || Written > DriveStringsLength) {
    return {};
  }
  return Win32::Narrow(std::wstring_view(Buffer, Written));
}

std::uint32_t DriveType(const std::string& Root) {
  return GetDriveTypeW(Win32::Widen(Root).c_str());
}

std::string DosDeviceTarget(const std::string& Drive) {
  wchar_t Target[DosDeviceLength + 1] = {};
  QueryDosDeviceW(Win32::Widen(Drive).c_str(), Target, DosDeviceLength);
  Target[DosDeviceLength] = L'\0';
  return Win32::Narrow(Target);
}

TVolumeExtentsAnswer VolumeDiskExtents(const std::string& VolumePath) {
  TVolumeExtentsAnswer Answer;
  const HANDLE Volume = OpenForReading(VolumePath);
  if (Volume == INVALID_HANDLE_VALUE) {
    return Answer;
  }
  Answer.Opened = true;
  alignas(VOLUME_DISK_EXTENTS) unsigned char Buffer[ExtentsAnswerSize] = {};
  DWORD Returned = 0;
  Answer.Succeeded = DeviceIoControl(Volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                                     Buffer, ExtentsAnswerSize, &Returned, nullptr) != 0;
  CloseHandle(Volume);
  if (Answer.Succeeded) {
    const auto* Extents = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(Buffer);
    const std::size_t Count = std::min<std::size_t>(Extents->NumberOfDiskExtents, MaxExtents);
    for (std::size_t Index = 0; Index < Count; ++Index) {
      const DISK_EXTENT& Extent = Extents->Extents[Index];
      Answer.Extents.push_back(
          {Extent.DiskNumber, Extent.StartingOffset.QuadPart, Extent.ExtentLength.QuadPart});
    }
  }
  return Answer;
}

TDiskGeometryAnswer DiskGeometry(const std::string& DiskPath) {
  TDiskGeometryAnswer Answer;
  const HANDLE Disk = OpenForReading(DiskPath);
  if (Disk == INVALID_HANDLE_VALUE) {
    return Answer;
  }
  Answer.Opened = true;
  alignas(DISK_GEOMETRY_EX) unsigned char Buffer[sizeof(DISK_GEOMETRY_EX)] = {};
  DWORD Returned = 0;
  Answer.Succeeded = DeviceIoControl(Disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, Buffer,
                                     GeometryAnswerSize, &Returned, nullptr) != 0;
  CloseHandle(Disk);
  if (Answer.Succeeded) {
    const auto* Geometry = reinterpret_cast<const DISK_GEOMETRY_EX*>(Buffer);
    Answer.BytesPerSector = Geometry->Geometry.BytesPerSector;
    Answer.DiskSize = Geometry->DiskSize.QuadPart;
  }
  return Answer;
}

TStoragePropertyAnswer StorageProperty(const std::string& DiskPath, std::uint32_t PropertyId) {
  TStoragePropertyAnswer Answer;
  const HANDLE Disk =
      CreateFileW(Win32::Widen(DiskPath).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (Disk == INVALID_HANDLE_VALUE) {
    return Answer;
  }
  Answer.Opened = true;
  STORAGE_PROPERTY_QUERY Query{};
  Query.PropertyId = static_cast<STORAGE_PROPERTY_ID>(PropertyId);
  Query.QueryType = PropertyStandardQuery;
  Answer.Bytes.assign(PropertyAnswerSize, 0);
  DWORD Returned = 0;
  Answer.Succeeded =
      DeviceIoControl(Disk, IOCTL_STORAGE_QUERY_PROPERTY, &Query, sizeof Query, Answer.Bytes.data(),
                      PropertyAnswerSize, &Returned, nullptr) != 0;
  CloseHandle(Disk);
  Answer.Bytes.resize(Answer.Succeeded ? std::min<DWORD>(Returned, PropertyAnswerSize) : 0);
  return Answer;
}

}  // namespace Platform
