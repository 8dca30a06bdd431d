#include "device/Sysfs.Identity.h"

#include "device/Sysfs.Text.h"

namespace {

std::string AsCharacters(const std::string& Bytes) {
  std::string Text;
  for (const char Byte : Bytes) {
    AppendByteAsCharacter(Text, static_cast<std::uint8_t>(Byte));
  }
  return Text;
}

// The first attribute of Names that can be read, as trimmed text.
std::string FirstAttribute(const std::string& Folder, std::initializer_list<const char*> Names) {
  for (const char* Name : Names) {
    std::string Value;
    if (ReadAttribute(Folder + Name, Value)) {
      return TrimControl(AsCharacters(Value));
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

TIdentity ReadSysfsIdentity(const std::string& Disk, const TDeviceRoots& Roots) {
  TIdentity Identity;
  if (!IsSafeDeviceName(Disk)) {
    return Identity;
  }
  const std::string Folder = Roots.Sys + "/block/" + Disk + "/device/";
  std::string Model;
  if (ReadAttribute(Folder + "model", Model)) {
    // SCSI keeps INQUIRY's padded 8-byte vendor; joined as INQUIRY joins them. NVMe has none.
    std::string Vendor;
    const bool IsScsi =
        ReadAttribute(Folder + "vendor", Vendor) && Platform::PathExists(Folder + "rev");
    Identity.Model = TrimControl(AsCharacters(IsScsi ? Vendor + Model : Model));
    Identity.Firmware = FirstAttribute(Folder, {"rev", "firmware_rev"});
    Identity.Serial = FirstAttribute(Folder, {"serial"});
    if (Identity.Serial.empty()) {
      Identity.Serial = SerialFromVpdPage(Folder);
    }
  } else if (ReadAttribute(Folder + "name", Model)) {
    Identity.Model = TrimControl(AsCharacters(Model));
    Identity.Firmware = FirstAttribute(Folder, {"fwrev"});
    Identity.Serial = FirstAttribute(Folder, {"serial"});
  }
  return Identity;
}
