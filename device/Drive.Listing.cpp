#include "device/Drive.Listing.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "device/Disk.Temperature.h"
#include "device/Drive.Identity.Json.h"
#include "device/uDiskFunctions.h"

namespace {

// The code point of the UTF-8 sequence at Text[Index], advancing Index past it; a byte that
// starts no valid sequence counts as one character of its own.
char32_t NextCharacter(std::string_view Text, std::size_t& Index) {
  const auto Lead = static_cast<unsigned char>(Text[Index]);
  const std::size_t Length = Lead < 0x80           ? 1
                             : (Lead >> 5) == 0x6  ? 2
                             : (Lead >> 4) == 0xE  ? 3
                             : (Lead >> 3) == 0x1E ? 4
                                                   : 1;
  if (Length == 1 || Index + Length > Text.size()) {
    ++Index;
    return Lead;
  }
  char32_t Code = Lead & (0x7F >> Length);
  for (std::size_t Next = 1; Next < Length; ++Next) {
    Code = (Code << 6) | (static_cast<unsigned char>(Text[Index + Next]) & 0x3F);
  }
  Index += Length;
  return Code;
}

bool IsWide(char32_t Code) {
  return (Code >= 0x1100 && Code <= 0x115F) || (Code >= 0x2E80 && Code <= 0xA4CF) ||
         (Code >= 0xAC00 && Code <= 0xD7A3) || (Code >= 0xF900 && Code <= 0xFAFF) ||
         (Code >= 0xFE30 && Code <= 0xFE4F) || (Code >= 0xFF00 && Code <= 0xFF60) ||
         (Code >= 0xFFE0 && Code <= 0xFFE6) || (Code >= 0x20000 && Code <= 0x3FFFD);
}

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
  constexpr std::size_t Columns = 11;
  using TRow = std::array<std::string, Columns>;
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
  std::array<std::size_t, Columns> Widths{};
  for (const TRow& Row : Rows) {
    for (std::size_t Column = 0; Column < Columns; ++Column) {
      Widths[Column] = std::max(Widths[Column], DisplayWidth(Row[Column]));
    }
  }
  std::string Table;
  for (const TRow& Row : Rows) {
    std::string Line;
    for (std::size_t Column = 0; Column < Columns; ++Column) {
      Line += Row[Column];
      if (Column + 1 < Columns) {
        Line.append(Widths[Column] - DisplayWidth(Row[Column]) + 2, ' ');
      }
    }
    while (!Line.empty() && Line.back() == ' ') {
      Line.pop_back();
    }
    Table += Line + "\n";
  }
  if (Drives.empty()) {
    Table += "(no writable fixed or removable drive found)\n";
  }
  return Table;
}

std::size_t DisplayWidth(std::string_view Text) {
  std::size_t Width = 0;
  for (std::size_t Index = 0; Index < Text.size();) {
    Width += IsWide(NextCharacter(Text, Index)) ? 2 : 1;
  }
  return Width;
}
