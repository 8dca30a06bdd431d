#include "device/Drive.Bus.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<std::string_view> Components(std::string_view Path) {
  std::vector<std::string_view> Parts;
  while (!Path.empty()) {
    const auto Slash = Path.find('/');
    const auto Part = Path.substr(0, Slash);
    if (!Part.empty()) {
      Parts.push_back(Part);
    }
    if (Slash == std::string_view::npos) {
      break;
    }
    Path.remove_prefix(Slash + 1);
  }
  return Parts;
}

bool IsDigits(std::string_view Text) {
  return !Text.empty() && std::all_of(Text.begin(), Text.end(), [](char Character) {
    return Character >= '0' && Character <= '9';
  });
}

// "usb2", "ata1", "virtio3": a word followed by a number and nothing else.
bool IsNumbered(std::string_view Part, std::string_view Word) {
  return Part.size() > Word.size() && Part.substr(0, Word.size()) == Word &&
         IsDigits(Part.substr(Word.size()));
}

bool StartsWith(std::string_view Text, std::string_view Prefix) {
  return Text.substr(0, Prefix.size()) == Prefix;
}

// "target0:0:0": where the SCSI layer hangs a device, whatever the transport below it.
bool IsScsiTarget(std::string_view Part) {
  return StartsWith(Part, "target") && Part.size() > 6 &&
         std::count(Part.begin(), Part.end(), ':') == 2;
}

bool HasPart(const std::vector<std::string_view>& Parts, bool (*Test)(std::string_view)) {
  return std::any_of(Parts.begin(), Parts.end(), Test);
}

}  // namespace

std::string_view BusKey(TDriveBus Bus) {
  switch (Bus) {
    case TDriveBus::Sata:
      return "sata";
    case TDriveBus::Nvme:
      return "nvme";
    case TDriveBus::Usb:
      return "usb";
    case TDriveBus::Mmc:
      return "mmc";
    case TDriveBus::Virtio:
      return "virtio";
    case TDriveBus::Scsi:
      return "scsi";
    case TDriveBus::Loop:
      return "loop";
    case TDriveBus::Other:
      return "other";
    case TDriveBus::Unknown:
      break;
  }
  return "unknown";
}

TDriveBus BusFromKey(std::string_view Key) {
  for (const TDriveBus Bus :
       {TDriveBus::Sata, TDriveBus::Nvme, TDriveBus::Usb, TDriveBus::Mmc, TDriveBus::Virtio,
        TDriveBus::Scsi, TDriveBus::Loop, TDriveBus::Other}) {
    if (BusKey(Bus) == Key) {
      return Bus;
    }
  }
  return TDriveBus::Unknown;
}

std::string_view BusLabel(TDriveBus Bus) {
  switch (Bus) {
    case TDriveBus::Sata:
      return "SATA";
    case TDriveBus::Nvme:
      return "NVMe";
    case TDriveBus::Usb:
      return "USB";
    case TDriveBus::Mmc:
      return "SD/MMC";
    case TDriveBus::Scsi:
      return "SCSI";
    default:
      return BusKey(Bus);
  }
}

TDriveBus BusOfDisk(std::string_view Name, std::string_view SysPath) {
  const std::vector<std::string_view> Parts = Components(SysPath);
  if (Parts.empty()) {
    return TDriveBus::Unknown;
  }
  // The outermost transport decides: a SATA or NVMe disk in a USB enclosure is a USB disk, and
  // the bridge's SCSI layer under the USB interface is no SCSI bus.
  if (HasPart(Parts, [](std::string_view Part) { return IsNumbered(Part, "usb"); })) {
    return TDriveBus::Usb;
  }
  if (HasPart(Parts, [](std::string_view Part) { return IsNumbered(Part, "ata"); })) {
    return TDriveBus::Sata;
  }
  // A namespace hangs under its controller (nvme0), under its subsystem with native multipath
  // (nvme-subsystem/nvme-subsys0), or under a fabrics controller.
  if ((StartsWith(Name, "nvme") && Name.size() > 4 && IsDigits(Name.substr(4, 1))) ||
      HasPart(Parts, [](std::string_view Part) {
        return Part == "nvme" || Part == "nvme-subsystem" || Part == "nvme-fabrics";
      })) {
    return TDriveBus::Nvme;
  }
  if (IsNumbered(Name, "mmcblk") ||
      HasPart(Parts, [](std::string_view Part) { return Part == "mmc_host"; })) {
    return TDriveBus::Mmc;
  }
  if (HasPart(Parts, [](std::string_view Part) { return IsNumbered(Part, "virtio"); })) {
    return TDriveBus::Virtio;
  }
  if (HasPart(Parts, IsScsiTarget)) {
    return TDriveBus::Scsi;
  }
  if (IsNumbered(Name, "loop")) {
    return TDriveBus::Loop;
  }
  return TDriveBus::Other;
}
