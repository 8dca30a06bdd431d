#include "device/Sysfs.Identity.h"

#include "device/Sysfs.AtaIdentify.h"
#include "device/Sysfs.Text.h"

namespace {

std::string AsCharacters(const std::string& Bytes) {
  std::string Text;
  for (const char Byte : Bytes) {
    AppendByteAsCharacter(Text, static_cast<std::uint8_t>(Byte));
  }
  return Text;
}

// The first attribute of Paths that can be read and is not blank, as trimmed text.
std::string FirstAttribute(std::initializer_list<std::string> Paths) {
  for (const std::string& Path : Paths) {
    std::string Value;
    if (ReadAttribute(Path, Value)) {
      std::string Text = TrimControl(AsCharacters(Value));
      if (!Text.empty()) {
        return Text;
      }
    }
  }
  return {};
}

// The unit serial number page (0x80) that the SCSI layer keeps: a 4-byte header whose last
// byte is the length of the serial that follows.
std::string SerialFromVpdPage(const std::string& Folder) {
  std::string Page;
  if (!Platform::ReadSmallFile(Folder + "vpd_pg80", Page, 4096) || Page.size() < 4 ||
      static_cast<std::uint8_t>(Page[1]) != 0x80) {
    return {};
  }
  const std::size_t Length = static_cast<std::uint8_t>(Page[3]);
  return TrimControl(AsCharacters(Page.substr(4, Length)));
}

}  // namespace

TSysfsIdentity ReadSysfsDiskIdentity(const std::string& Disk, const TDeviceRoots& Roots) {
  TSysfsIdentity Identity;
  if (!IsSafeDeviceName(Disk)) {
    return Identity;
  }
  const std::string DiskFolder = Roots.Sys + "/block/" + Disk + "/";
  const std::string Folder = DiskFolder + "device/";
  Identity.Wwid = FirstAttribute({Folder + "wwid", DiskFolder + "wwid"});
  std::string Model;
  if (ReadAttribute(Folder + "model", Model)) {
    // SCSI keeps INQUIRY's padded 8-byte vendor; joined as INQUIRY joins them. NVMe has none.
    std::string Vendor;
    const bool IsScsi =
        ReadAttribute(Folder + "vendor", Vendor) && Platform::PathExists(Folder + "rev");
    Identity.Model = TrimControl(AsCharacters(Model));
    Identity.AnsweredModel = IsScsi ? TrimControl(AsCharacters(Vendor + Model)) : Identity.Model;
    Identity.Vendor = IsScsi ? TrimControl(AsCharacters(Vendor)) : std::string();
    Identity.Firmware = FirstAttribute({Folder + "rev", Folder + "firmware_rev"});
    Identity.Serial = FirstAttribute({Folder + "serial"});
    if (Identity.Serial.empty()) {
      Identity.Serial = SerialFromVpdPage(Folder);
    }
    if (IsScsi) {
      // libata's own answer to INQUIRY cuts the model to 16 characters and the firmware to 4;
      // the IDENTIFY data it keeps has them whole.
      const auto Ata = ReadAtaIdentifyOfDevice(Platform::CanonicalPath(Folder));
      const TIdentity Identified = Ata ? ParseIdentifyDevice(*Ata) : TIdentity{};
      if (!Identified.Model.empty()) {
        Identity.Vendor.clear();
        Identity.Model = Identified.Model;
        Identity.AnsweredModel = Identified.Model;
        Identity.Firmware = Identified.Firmware;
        if (!Identified.Serial.empty()) {
          Identity.Serial = Identified.Serial;
        }
      }
    }
  } else if (ReadAttribute(Folder + "name", Model)) {
    Identity.Model = TrimControl(AsCharacters(Model));
    Identity.AnsweredModel = Identity.Model;
    Identity.Firmware = FirstAttribute({Folder + "fwrev"});
    Identity.Serial = FirstAttribute({Folder + "serial"});
  } else {
    Identity.Serial = FirstAttribute({DiskFolder + "serial"});  // virtio keeps it on the disk
  }
  return Identity;
}

TIdentity ReadSysfsIdentity(const std::string& Disk, const TDeviceRoots& Roots) {
  const TSysfsIdentity Identity = ReadSysfsDiskIdentity(Disk, Roots);
  if (Identity.AnsweredModel.empty()) {
    return {};
  }
  return {Identity.AnsweredModel, Identity.Firmware, Identity.Serial};
}
