#include "device/windows/Windows.Identity.h"

#include <cstring>

#include "device/Identify.Parse.h"
#include "device/windows/Windows.DiskFunctions.h"

namespace {

// STORAGE_DEVICE_DESCRIPTOR: Version, Size, DeviceType, DeviceTypeModifier, RemovableMedia,
// CommandQueueing, four string offsets, BusType, RawPropertiesLength.
constexpr std::size_t RemovableMediaAt = 10;
constexpr std::size_t VendorIdOffsetAt = 12;
constexpr std::size_t ProductIdOffsetAt = 16;
constexpr std::size_t ProductRevisionOffsetAt = 20;
constexpr std::size_t SerialNumberOffsetAt = 24;
constexpr std::size_t BusTypeAt = 28;
constexpr std::size_t DescriptorBytes = 36;  // up to RawDeviceProperties
// DEVICE_SEEK_PENALTY_DESCRIPTOR: Version, Size, IncursSeekPenalty.
constexpr std::size_t IncursSeekPenaltyAt = 8;

std::uint32_t Dword(const std::vector<std::uint8_t>& Bytes, std::size_t At) {
  return static_cast<std::uint32_t>(Bytes[At]) | static_cast<std::uint32_t>(Bytes[At + 1]) << 8 |
         static_cast<std::uint32_t>(Bytes[At + 2]) << 16 |
         static_cast<std::uint32_t>(Bytes[At + 3]) << 24;
}

// The NUL-ended string at the offset stored at OffsetAt. Offsets below the fixed part would
// point into the descriptor itself: no string.
std::string StringAt(const std::vector<std::uint8_t>& Bytes, std::size_t OffsetAt) {
  const std::uint32_t Offset = Dword(Bytes, OffsetAt);
  if (Offset < DescriptorBytes || Offset >= Bytes.size()) {
    return {};
  }
  std::string Text;
  for (std::size_t Index = Offset; Index < Bytes.size() && Bytes[Index] != 0; ++Index) {
    AppendByteAsCharacter(Text, Bytes[Index]);
  }
  return TrimControl(Text);
}

}  // namespace

std::optional<TStorageDeviceDescription> ParseStorageDeviceDescriptor(
    const std::vector<std::uint8_t>& Bytes) {
  if (Bytes.size() < DescriptorBytes) {
    return std::nullopt;
  }
  TStorageDeviceDescription Description;
  Description.Vendor = StringAt(Bytes, VendorIdOffsetAt);
  Description.Product = StringAt(Bytes, ProductIdOffsetAt);
  Description.Revision = StringAt(Bytes, ProductRevisionOffsetAt);
  Description.Serial = StringAt(Bytes, SerialNumberOffsetAt);
  Description.BusType = Dword(Bytes, BusTypeAt);
  Description.RemovableMedia = Bytes[RemovableMediaAt] != 0;
  return Description;
}

std::optional<bool> ParseIncursSeekPenalty(const std::vector<std::uint8_t>& Bytes) {
  if (Bytes.size() <= IncursSeekPenaltyAt) {
    return std::nullopt;
  }
  return Bytes[IncursSeekPenaltyAt] != 0;
}

TDriveBus BusOfStorageBusType(std::uint32_t BusType) {
  switch (BusType) {
    case 0x00:  // BusTypeUnknown
      return TDriveBus::Unknown;
    case 0x02:  // BusTypeAtapi
    case 0x03:  // BusTypeAta
    case 0x0B:  // BusTypeSata
      return TDriveBus::Sata;
    case 0x11:  // BusTypeNvme
      return TDriveBus::Nvme;
    case 0x07:  // BusTypeUsb
      return TDriveBus::Usb;
    case 0x0C:  // BusTypeSd
    case 0x0D:  // BusTypeMmc
      return TDriveBus::Mmc;
    case 0x01:  // BusTypeScsi
    case 0x06:  // BusTypeFibre
    case 0x09:  // BusTypeiScsi
    case 0x0A:  // BusTypeSas
      return TDriveBus::Scsi;
    case 0x0F:  // BusTypeFileBackedVirtual: a mounted VHD, a loop device's counterpart
      return TDriveBus::Loop;
    default:  // 1394, SSA, RAID, Virtual, Spaces, SCM, UFS ...
      return TDriveBus::Other;
  }
}

TDriveIdentity DescribeWindowsDrive(const TVolumeRequests& Requests, const std::string& Folder) {
  TDriveIdentity Identity;
  Identity.Folder = Folder;
  const std::string Volume = VolumeOfPath(Folder);
  if (Volume.empty()) {
    return Identity;
  }
  Identity.Device = "\\\\.\\" + Volume;
  TVolumeDiskExtents Extents;
  QueryVolumeExtents(Requests, Folder, Extents);
  Identity.Disks = DistinctDisks(Extents.Extents);
  if (Identity.Disks.empty()) {
    return Identity;
  }
  Identity.DiskName = Identity.Disks.front();
  Identity.Disk = PhysicalDrivePath(Identity.DiskName);
  TDiskGeometryEx Geometry;
  QueryDiskGeometry(Requests, Identity.DiskName, Geometry);
  Identity.SizeInByte = Geometry.DiskSize;

  const auto Device = Requests.StorageProperty(Identity.Disk, StorageDevicePropertyId);
  if (Device.Opened && Device.Succeeded) {
    if (const auto Description = ParseStorageDeviceDescriptor(Device.Bytes)) {
      Identity.Vendor = Description->Vendor;
      Identity.Model = Description->Product;
      Identity.Firmware = Description->Revision;
      Identity.Serial = Description->Serial;
      Identity.Bus = BusOfStorageBusType(Description->BusType);
      Identity.Removable = Description->RemovableMedia;
    }
  }
  const auto SeekPenalty =
      Requests.StorageProperty(Identity.Disk, StorageDeviceSeekPenaltyPropertyId);
  if (SeekPenalty.Opened && SeekPenalty.Succeeded) {
    Identity.Rotational = ParseIncursSeekPenalty(SeekPenalty.Bytes);
  }
  return Identity;
}
