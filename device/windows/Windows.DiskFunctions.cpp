#include "device/windows/Windows.DiskFunctions.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

constexpr std::uint32_t DriveRemovable = 2;
constexpr std::uint32_t DriveFixed = 3;

bool IsDecimal(std::string_view Text) {
  // Ten digits or fewer: a disk number fits 32 bits; leading zeros would name no disk.
  return !Text.empty() && Text.size() <= 10 && (Text == "0" || Text.front() != '0') &&
         std::all_of(Text.begin(), Text.end(),
                     [](unsigned char Character) { return std::isdigit(Character) != 0; });
}

bool ContainsRamDrive(std::string Target) {
  for (char& Character : Target) {
    if (Character >= 'A' && Character <= 'Z') {
      Character = static_cast<char>(Character - 'A' + 'a');
    }
  }
  return Target.find("ramdriv") != std::string::npos;
}

}  // namespace

void ListDriveLetters(const TVolumeRequests& Requests, TDriveLetters& DriveLetters) {
  DriveLetters.LetterCount = 0;
  for (std::string& Letter : DriveLetters.Letters) {
    Letter.clear();
  }
  const std::string Strings = Requests.LogicalDriveStrings();
  std::string Root;
  for (const char Character : Strings) {
    if (Character != '\0') {
      Root += Character;
      continue;
    }
    const std::uint32_t Type = Requests.DriveType(Root);
    if ((Type == DriveFixed || Type == DriveRemovable) &&
        DriveLetters.LetterCount < DriveLetters.Letters.size()) {
      if (!Root.empty() && Root.back() == '\\') {
        Root.pop_back();
      }
      DriveLetters.Letters[DriveLetters.LetterCount++] = Root;
    }
    Root.clear();
  }
}

std::string VolumeOfPath(const std::string& Path) {
  if (Path.size() < 2 || Path[1] != ':' || std::isalpha(static_cast<unsigned char>(Path[0])) == 0) {
    return {};
  }
  return Path.substr(0, 2);
}

void QueryVolumeExtents(const TVolumeRequests& Requests, const std::string& Drive,
                        TVolumeDiskExtents& Extents) {
  Extents.NumberOfDiskExtents = 0;
  Extents.Extents.clear();
  const std::string Volume = VolumeOfPath(Drive);
  if (Volume.empty() || ContainsRamDrive(Requests.DosDeviceTarget(Volume))) {
    return;  // a RAM drive lies on no disk
  }
  const Platform::TVolumeExtentsAnswer Answer = Requests.VolumeDiskExtents("\\\\.\\" + Volume);
  if (!Answer.Opened || !Answer.Succeeded) {
    return;
  }
  for (const Platform::TDiskExtentAnswer& Extent : Answer.Extents) {
    Extents.Extents.push_back(
        {PhysicalDriveName(Extent.DiskNumber), Extent.StartingOffset, Extent.ExtentLength});
  }
  Extents.NumberOfDiskExtents = static_cast<std::uint32_t>(Extents.Extents.size());
}

std::string PhysicalDriveName(std::uint32_t DiskNumber) {
  return "PhysicalDrive" + std::to_string(DiskNumber);
}

std::string PhysicalDrivePath(const std::string& Disk) {
  constexpr std::string_view Prefix = "PhysicalDrive";
  std::string_view Number = Disk;
  if (Number.substr(0, Prefix.size()) == Prefix) {
    Number.remove_prefix(Prefix.size());
  }
  if (!IsDecimal(Number)) {
    return {};
  }
  return "\\\\.\\PhysicalDrive" + std::string(Number);
}

void QueryDiskGeometry(const TVolumeRequests& Requests, const std::string& Disk,
                       TDiskGeometryEx& Geometry) {
  Geometry = {};
  const std::string Path = PhysicalDrivePath(Disk);
  if (Path.empty()) {
    return;
  }
  const Platform::TDiskGeometryAnswer Answer = Requests.DiskGeometry(Path);
  if (!Answer.Opened || !Answer.Succeeded || Answer.DiskSize < 0) {
    return;
  }
  Geometry.BytesPerSector = Answer.BytesPerSector;
  Geometry.DiskSize = Answer.DiskSize;
}
