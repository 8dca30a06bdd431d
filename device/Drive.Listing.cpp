#include "device/Drive.Listing.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "device/Disk.Temperature.h"
#include "device/Drive.Identity.Json.h"
#include "device/uDiskFunctions.h"
#include "text/Text.Table.h"

namespace {

std::string Printable(const std::string& Text) {
  if (Text.empty()) {
    return "-";
  }
  std::string Shown;
  for (const char Character : Text) {
    const auto Byte = static_cast<unsigned char>(Character);
    Shown.push_back(Byte < 0x20 || Byte == 0x7F ? '?' : Character);
  }
  return Shown;
}

std::string SizeText(std::int64_t Bytes) {
  return Bytes > 0 ? std::to_string(Bytes) : "-";
}

std::string CelsiusText(const std::optional<double>& Celsius) {
  if (!Celsius) {
    return "-";
  }
  char Text[32];
  std::snprintf(Text, sizeof Text, "%.1f", *Celsius);
  return Text;
}

std::string RotationalText(const std::optional<bool>& Rotational) {
  return Rotational ? (*Rotational ? "yes" : "no") : "-";
}

}  // namespace

std::vector<TDriveListing> ListDrives(const TDeviceRoots& Roots, const TDiskRequests& Requests) {
  TDriveLetters Drives;
  GetDriveLetters(Drives, Roots);
  std::vector<TDriveListing> Listing;
  for (std::size_t Index = 0; Index < Drives.LetterCount; ++Index) {
    TDriveListing Drive;
    Drive.MountPoint = Drives.Letters[Index];
    // "C:" alone names the current folder of that drive; its root is meant.
    const std::string Folder = Drive.MountPoint.size() == 2 && Drive.MountPoint[1] == ':'
                                   ? Drive.MountPoint + "\\"
                                   : Drive.MountPoint;
    Drive.Identity = IdentifyDriveOf(Folder, Roots, Requests);
    Drive.Celsius = TDiskTemperature::OfFolder(Folder, Roots).ReadCelsius();
    Listing.push_back(std::move(Drive));
  }
  return Listing;
}

nlohmann::json DriveListingJson(const std::vector<TDriveListing>& Drives) {
  nlohmann::json List = nlohmann::json::array();
  for (const TDriveListing& Drive : Drives) {
    nlohmann::json Object = DriveIdentityToJson(Drive.Identity);
    Object["mount_point"] = Drive.MountPoint;
    Object["temperature_celsius"] = Drive.Celsius ? nlohmann::json(*Drive.Celsius) : nullptr;
    List.push_back(std::move(Object));
  }
  return {{"drives", std::move(List)}};
}

std::string DriveListingTable(const std::vector<TDriveListing>& Drives) {
  using TRow = std::vector<std::string>;
  std::vector<TRow> Rows = {{"MOUNT POINT", "DEVICE", "DISK", "BUS", "ROTATIONAL", "SIZE (BYTES)",
                             "TEMP (C)", "VENDOR", "MODEL", "SERIAL", "FIRMWARE"}};
  for (const TDriveListing& Drive : Drives) {
    const TDriveIdentity& Identity = Drive.Identity;
    Rows.push_back(
        {Printable(Drive.MountPoint), Printable(Identity.Device), Printable(Identity.Disk),
         std::string(BusLabel(Identity.Bus)), RotationalText(Identity.Rotational),
         SizeText(Identity.SizeInByte), CelsiusText(Drive.Celsius), Printable(Identity.Vendor),
         Printable(Identity.Model), Printable(Identity.Serial), Printable(Identity.Firmware)});
  }
  std::string Table = AlignedColumns(Rows);
  if (Drives.empty()) {
    Table += "(no writable fixed or removable drive found)\n";
  }
  return Table;
}
